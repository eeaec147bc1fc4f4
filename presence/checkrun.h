#pragma once

#include "friendlistmodel.h"
#include "presencestate.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>
#include <QVariant>
#include <chrono>

class WebBrowser;

// The check run behind the refresh button: every friend is marked as being checked, then queried one
// after another. After each query the run waits in two-second slices, keeping the window responsive,
// until the browser's report has given the friend an outcome.
//
// Whatever the user does while a run waits is handled inside the run: adding or deleting friends,
// or pressing refresh again, which runs a second check to its end before the first one goes on.
// The run follows friends, not positions: a deleted friend is skipped (its answer, if one still
// comes, is dropped), the rest keep their own answers, and friends added meanwhile wait for the next run.
class CheckRun : public QObject
{
    Q_OBJECT

public:
    static constexpr int waitSlice = 2; // seconds
    static const QString checkingText;

    CheckRun(FriendListModel& list, WebBrowser& browser, QObject* parent = nullptr);

    // The position of the friend whose query was started last, where that friend stands now (it moves
    // up when friends before it are deleted); 0 before the first query and once that friend is deleted,
    // as no friend is then waiting for the answer.
    int CurrentIndex() const { return FriendListModel::positionOf(m_queried); }

    // How long each wait of the run lasts; waitSlice seconds unless set.
    void setWaitSlice(std::chrono::milliseconds slice) { m_waitSlice = slice; }

    // Lets `interval` seconds pass while handling events. The interval is read as the number its text
    // begins with (2, "2", " 2.5s"); 0, a negative number or text without a number returns at once.
    void Timeout(const QVariant& interval);

    // Whether a run is going, a nested one included.
    bool isRunning() const { return m_running > 0; }

    // Ends every run in progress at once, and makes later runs and waits return at once: the program
    // is going away.
    void stop();

public slots:
    void refresh();
    void handleNavigateComplete2(QObject* browser, const QString& finalAddress);

signals:
    void stopRequested();
    // A run has begun, a nested one too, or goes on once the run nested in it has ended: what is found
    // from now on belongs to that run alone.
    void runEntered();
    // The outermost run has ended (a nested run returns into the one it interrupted).
    void runEnded();
    // A friend's query has been answered, once its row shows the answer; unknown when the query failed.
    void answered(const QString& number, PresenceState state);

private:
    void markEveryoneChecking();
    void queryInTurn();
    void startQuery(const QPersistentModelIndex& friendToQuery);
    bool isChecking(const QPersistentModelIndex& queried) const;
    void wait(double seconds);
    void waitForEvents(double seconds);

    FriendListModel& m_list;
    WebBrowser& m_browser;
    QPersistentModelIndex m_queried; // the friend whose query was started last
    std::chrono::milliseconds m_waitSlice = std::chrono::seconds(waitSlice);
    bool m_stopped = false;
    int m_running = 0;
};
