#include "checkrun.h"

#include "presenceaddress.h"
#include "presencereport.h"
#include "textnumber.h"
#include "webbrowser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

const QString CheckRun::checkingText = QStringLiteral("正在检测");

CheckRun::CheckRun(FriendListModel& list, WebBrowser& browser, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_browser(browser)
{
    connect(&m_browser, &WebBrowser::NavigateComplete2, this, &CheckRun::handleNavigateComplete2);
}

void CheckRun::refresh()
{
    if (m_stopped)
        return;
    ++m_running;
    emit runEntered();
    if (m_list.count() > 0) {
        markEveryoneChecking();
        queryInTurn();
    }
    --m_running;
    if (m_stopped)
        return;
    if (m_running == 0)
        emit runEnded();
    else
        emit runEntered(); // the run this one was nested in
}

void CheckRun::markEveryoneChecking()
{
    const int bound = m_list.count();
    for (int position = 1; position <= bound; ++position) {
        m_list.setStatus(position, FriendStatus::Checking);
        m_list.setText(position, checkingText);
    }
}

void CheckRun::queryInTurn()
{
    // The friends there are now, each followed to wherever deletions move it: a deleted one is
    // skipped, and friends added while the run goes on wait for the next run.
    QList<QPersistentModelIndex> friends;
    friends.reserve(m_list.count());
    for (int row = 0; row < m_list.count(); ++row)
        friends << QPersistentModelIndex(m_list.index(row, 0));

    for (const QPersistentModelIndex& queried : std::as_const(friends)) {
        if (m_stopped)
            return;
        if (!queried.isValid())
            continue;
        startQuery(queried);
        // An outcome is looked at only at the end of a slice, so every friend costs a full slice.
        do
            Timeout(std::chrono::duration<double>(m_waitSlice).count());
        while (!m_stopped && isChecking(queried));
        if (!m_stopped)
            QCoreApplication::processEvents();
    }
}

void CheckRun::startQuery(const QPersistentModelIndex& friendToQuery)
{
    m_queried = friendToQuery;
    m_browser.Navigate(PresenceAddress::queryAddress(m_list.number(friendToQuery)));
}

bool CheckRun::isChecking(const QPersistentModelIndex& queried) const
{
    // A friend deleted while waiting has nothing left to wait for.
    return m_list.status(queried) == FriendStatus::Checking;
}

void CheckRun::handleNavigateComplete2(QObject* /*browser*/, const QString& finalAddress)
{
    // The answer belongs to the friend queried last, wherever it stands now; none if it was deleted.
    if (const std::optional<PresenceState> found = applyPresenceReport(m_list, CurrentIndex(), finalAddress))
        emit answered(m_list.number(m_queried), *found);
}

void CheckRun::Timeout(const QVariant& interval)
{
    wait(leadingNumber(interval.toString()));
}

void CheckRun::wait(double seconds)
{
    QElapsedTimer clock; // monotonic: a wait across midnight or a clock change lasts its interval
    clock.start();
    while (!m_stopped) {
        const double remaining = seconds - static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (!(remaining > 0))
            return;
        waitForEvents(remaining);
    }
}

void CheckRun::waitForEvents(double seconds)
{
    // Sleeps in the event loop instead of polling it: the wait costs no processor time.
    const double milliseconds = std::ceil(seconds * 1000);
    const int timeoutMs =
        static_cast<int>(std::clamp(milliseconds, 1.0, double(std::numeric_limits<int>::max())));
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &CheckRun::stopRequested, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    // A loop that ends with a code of its own was told to by the application, which is quitting.
    if (loop.exec() != 0)
        stop();
}

void CheckRun::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    emit stopRequested();
}
