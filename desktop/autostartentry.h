#pragma once

#include "failure.h"

#include <QCoreApplication>
#include <QString>

// The desktop's record that starts this program minimised when the user logs in: on Linux the XDG autostart
// entry $XDG_CONFIG_HOME/autostart/fernwatch.desktop (~/.config/autostart by default), on Windows the value
// Fernwatch under HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
class AutostartEntry
{
public:
    explicit AutostartEntry(const QString& program = QCoreApplication::applicationFilePath());

    // Where the entry is, as the user finds it on this system: a file, or a registry value.
    static QString location();
    // Whether the entry starts this very program; one left by a folder since moved does not, nor one that
    // the desktop's settings have switched off.
    bool isOn() const;
    // Writes the entry for this program, or removes it; a failure when that cannot be done, and then
    // nothing has changed.
    Failure setOn(bool on);

private:
    // How the entry starts the program: the command line, quoted as the system reads it.
    QString command() const;

    QString m_program;
};
