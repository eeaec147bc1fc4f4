#pragma once

#include "friendentry.h"

#include <QList>
#include <QObject>
#include <QPersistentModelIndex>
#include <utility>

class DesktopNotice;
class FriendListModel;
class ReminderPause;
class TrayIcon;
class QWidget;

// Tells the user of the news that friends marked for it bring: one notice on the desktop for the friends
// a check run finds coming online, another for those it finds going offline, each naming a friend once and
// updated as each one is found. Clicking one asks for the window with the first friend it names. Where the
// desktop cannot show it, the tray shows its own message, or without a tray the main window asks for
// attention. While reminders are paused the news waits, and what is still news at the pause's end is told.
class ReminderNotifier : public QObject
{
    Q_OBJECT

public:
    ReminderNotifier(const FriendListModel& friends, TrayIcon& tray, const ReminderPause& pause,
                     QWidget* window);

    // The friend has come online or gone offline.
    void tell(const QModelIndex& friendIndex, Reminder news);
    // The news so far is complete (a run has begun, ended, or gone on after one nested in it): the next
    // friend to be told of starts a new notice.
    void endNotices();

signals:
    // The desktop could not show the notice, and the tray (`inTray`) or the window has told the user instead.
    void alerted(bool inTray);
    // The user clicked a notice: the window is wanted, with the first friend it names selected (an invalid
    // index: that friend has been deleted since).
    void friendChosen(const QModelIndex& friendIndex);

private:
    struct Notice
    {
        DesktopNotice* desktop;
        QList<QPersistentModelIndex> friends; // those it names, as they stand now
    };

    Notice makeNotice(const QString& category);
    void add(Reminder news, const QPersistentModelIndex& friendIndex);
    void hold(Reminder news, const QPersistentModelIndex& friendIndex);
    void tellHeld();
    void fallBack(const QString& summary, const QString& body);

    const FriendListModel& m_friends;
    TrayIcon& m_tray;
    const ReminderPause& m_pause;
    QWidget* m_window;
    Notice m_notices[2];                                      // by Reminder: this run's
    QList<std::pair<Reminder, QPersistentModelIndex>> m_held; // the pause's news, in order
};
