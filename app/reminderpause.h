#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

// The user's pause of reminders, for an hour or until midnight: checks and the history go on, and the
// news they bring waits for the pause's end. Not kept: every start begins with reminders on.
class ReminderPause : public QObject
{
    Q_OBJECT

public:
    explicit ReminderPause(QObject* parent = nullptr);

    // When reminders come back; none while they are on.
    std::optional<QDateTime> until() const { return m_until; }
    bool isPaused() const { return m_until.has_value(); }
    // How long an hour's pause lasts; a real hour unless set.
    void setHourLength(std::chrono::milliseconds length) { m_hour = length; }

public slots:
    void pauseForAnHour();
    void pauseUntilTomorrow();
    void resume();

signals:
    // Reminders were paused, the pause's end has moved, or reminders are back.
    void changed();
    void resumed();

private:
    void pauseUntil(const QDateTime& end);
    void checkClock();

    std::optional<QDateTime> m_until;
    std::chrono::milliseconds m_hour = std::chrono::hours(1);
    QTimer m_clock;
};
