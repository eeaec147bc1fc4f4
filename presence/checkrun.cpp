#include "checkrun.h"

#include "friendlistmodel.h"
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

const QString CheckRun::checkingText = QStringLiteral("正在检测");

CheckRun::CheckRun(FriendListModel& list, WebBrowser& browser, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_browser(browser)
{}

void CheckRun::refresh()
{
    if (m_stopped || m_list.count() == 0)
        return;
    markEveryoneChecking();
    queryInTurn();
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
    // Friends added while the run goes on wait for the next run; deleted ones are skipped.
    const int bound = m_list.count();
    for (int position = 1; position <= bound && !m_stopped; ++position) {
        if (!m_list.contains(position))
            continue;
        startQuery(position);
        // An outcome is looked at only at the end of a slice, so every friend costs a full slice.
        do
            Timeout(waitSlice);
        while (!m_stopped && m_list.status(position) == FriendStatus::Checking);
        if (!m_stopped)
            QCoreApplication::processEvents();
    }
}

void CheckRun::startQuery(int position)
{
    m_currentIndex = position;
    m_browser.Navigate(PresenceAddress::queryAddress(m_list.number(position)));
}

void CheckRun::handleNavigateComplete2(QObject* /*browser*/, const QString& finalAddress)
{
    // Written where the run stands now, whichever query the report answers.
    applyPresenceReport(m_list, m_currentIndex, finalAddress);
}

void CheckRun::Timeout(const QVariant& interval)
{
    QElapsedTimer clock; // monotonic: a wait across midnight or a clock change lasts its interval
    clock.start();
    const double seconds = leadingNumber(interval.toString());
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
