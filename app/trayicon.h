#pragma once

#include <QObject>
#include <QTimer>

class AutoRefresh;
class FriendListModel;
class ReminderPause;
class QSystemTrayIcon;

// The program's icon in the desktop's tray, where the desktop has one: its tool tip counts the friends
// online and, with automatic checks on, says when the next check is due, and until when reminders are
// paused; activating it shows the window, and its menu shows the window, refreshes the list, pauses
// reminders or exits.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    TrayIcon(const FriendListModel& friends, const AutoRefresh& autoRefresh, ReminderPause& pause,
             QObject* parent);

    // Whether the icon stands in a tray now: a window hidden there can be found again.
    bool isInTray() const;
    // The tray's own message, for when no notification service answers.
    void showMessage(const QString& title, const QString& text);
    // Qt's icon in the tray; none where the desktop had no tray when the program started.
    QSystemTrayIcon* systemTrayIcon() const { return m_icon; }
    // The program is going away.
    void remove();

signals:
    void showRequested();
    void refreshRequested();
    void exitRequested();

private:
    QString toolTip() const;
    void updateToolTip();

    const FriendListModel& m_friends;
    const AutoRefresh& m_autoRefresh;
    const ReminderPause& m_pause;
    QSystemTrayIcon* m_icon = nullptr;
    // A change of the list comes row by row (a run marks every friend at once): the count is made once
    // they are all in.
    QTimer m_recount;
};
