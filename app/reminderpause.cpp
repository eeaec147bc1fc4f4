#include "reminderpause.h"

#include <algorithm>

namespace {

// The pause's end is looked for on the wall clock at least this often, as a timer alone would run late
// after the computer has slept or its clock has been set.
constexpr qint64 clockLook = 60 * 1000; // ms

} // namespace

ReminderPause::ReminderPause(QObject* parent)
    : QObject(parent)
{
    m_clock.setSingleShot(true);
    connect(&m_clock, &QTimer::timeout, this, &ReminderPause::checkClock);
}

void ReminderPause::pauseForAnHour()
{
    pauseUntil(QDateTime::currentDateTime().addMSecs(m_hour.count()));
}

void ReminderPause::pauseUntilTomorrow()
{
    pauseUntil(QDateTime(QDate::currentDate().addDays(1), QTime(0, 0)));
}

void ReminderPause::pauseUntil(const QDateTime& end)
{
    m_until = end;
    checkClock();
    emit changed();
}

void ReminderPause::resume()
{
    if (!std::exchange(m_until, std::nullopt))
        return;
    m_clock.stop();
    emit changed();
    emit resumed();
}

void ReminderPause::checkClock()
{
    const qint64 left = QDateTime::currentDateTime().msecsTo(*m_until);
    if (left <= 0)
        return resume();
    m_clock.start(int(std::min(left, clockLook)));
}
