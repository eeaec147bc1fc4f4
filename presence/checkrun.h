#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class FriendListModel;
class WebBrowser;

// The check run behind the refresh button: every friend is marked as being checked, then queried one
// after another. After each query the run waits in two-second slices, keeping the window responsive,
// until the browser's report has given the friend an outcome.
//
// Whatever the user does while a run waits is handled inside the run: adding or deleting friends,
// or pressing refresh again, which runs a second check to its end before the first one goes on.
class CheckRun : public QObject
{
    Q_OBJECT

public:
    static constexpr int waitSlice = 2; // seconds
    static const QString checkingText;

    CheckRun(FriendListModel& list, WebBrowser& browser, QObject* parent = nullptr);

    // The position of the friend whose query was started last; 0 before the first one.
    int CurrentIndex() const { return m_currentIndex; }

    // Lets `interval` seconds pass while handling events. The interval is read as the number its text
    // begins with (2, "2", " 2.5s"); 0, a negative number or text without a number returns at once.
    void Timeout(const QVariant& interval);

    // Ends every run in progress at once, and makes later runs and waits return at once: the program
    // is going away.
    void stop();

public slots:
    void refresh();
    void handleNavigateComplete2(QObject* browser, const QString& finalAddress);

signals:
    void stopRequested();

private:
    void markEveryoneChecking();
    void queryInTurn();
    void startQuery(int position);
    void waitForEvents(double seconds);

    FriendListModel& m_list;
    WebBrowser& m_browser;
    int m_currentIndex = 0;
    bool m_stopped = false;
};
