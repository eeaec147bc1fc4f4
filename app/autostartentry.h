#pragma once

#include <QCoreApplication>
#include <QString>

// The desktop's autostart entry for this program, $XDG_CONFIG_HOME/autostart/fernwatch.desktop
// (~/.config/autostart by default): at login the desktop starts the program minimised.
class AutostartEntry
{
public:
    explicit AutostartEntry(const QString& program = QCoreApplication::applicationFilePath());

    static QString path();
    // Whether the entry starts this very program; one left by a folder since moved does not.
    bool isOn() const;
    // Writes the entry for this program, or removes it; false when the folder cannot be written, with
    // the reason in failureReason(), and then nothing has changed.
    bool setOn(bool on);
    QString failureReason() const { return m_failureReason; }

private:
    QString execValue() const;
    // Records why the entry could not be written or removed; the system's words default to errno's.
    bool fail(int errorNumber, const QString& errorString = QString());

    QString m_program;
    QString m_failureReason;
};
