#include "autorefresh.h"

#include "checkrun.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <iterator>

AutoRefresh::AutoRefresh(CheckRun& run, QWidget* window)
    : QObject(window)
    , m_run(run)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AutoRefresh::startWhenFree);
    connect(&m_run, &CheckRun::runEnded, this, [this] {
        m_sinceRun.start();
        schedule();
    });
    window->installEventFilter(this);
}

void AutoRefresh::setMinutes(int minutes)
{
    const bool offered = std::find(std::begin(choices), std::end(choices), minutes) != std::end(choices);
    m_minutes = offered ? minutes : 0;
    schedule();
}

void AutoRefresh::setSpeedUp(int times)
{
    m_speedUp = std::max(times, 1);
    schedule();
}

void AutoRefresh::stop()
{
    m_stopped = true;
    m_timer.stop();
}

std::optional<QDateTime> AutoRefresh::nextRun() const
{
    // A run going now counts the next interval from its end, which nobody knows yet.
    if (!m_timer.isActive() || m_run.isRunning())
        return std::nullopt;
    return QDateTime::currentDateTime().addMSecs(m_timer.remainingTime());
}

void AutoRefresh::schedule()
{
    m_timer.stop();
    m_due = false;
    // Counted from the end of the previous run, so a newly chosen interval may be due at once.
    const std::chrono::milliseconds since(m_sinceRun.isValid() ? m_sinceRun.elapsed() : 0);
    if (!m_stopped && m_minutes != 0)
        m_timer.start(std::max(std::chrono::milliseconds(std::chrono::minutes(m_minutes)) / m_speedUp - since,
                               std::chrono::milliseconds(0)));
    emit rescheduled();
}

void AutoRefresh::startWhenFree()
{
    emit rescheduled(); // due now: no later time is known until this run ends
    // A run going now schedules the next one when it ends.
    m_due = !m_stopped && m_minutes != 0 && !m_run.isRunning();
    if (m_due && !QApplication::activeModalWidget()) {
        m_due = false;
        emit refreshDue();
    }
}

bool AutoRefresh::eventFilter(QObject* watched, QEvent* event)
{
    // The dialog that blocked the window may still count as open while it closes: look again after it.
    if (event->type() == QEvent::WindowUnblocked && m_due)
        QMetaObject::invokeMethod(this, &AutoRefresh::startWhenFree, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}
