#pragma once

#include "traywatcher.h"

#include <QIcon>
#include <QObject>
#include <QStringList>
#include <QTimer>

class AutoRefresh;
class FriendListModel;
class ReminderPause;
class QSystemTrayIcon;

// The program's icon in the desktop's tray, put there when a tray is there, at the start or later: in colour
// while a friend is online, grey otherwise. Its tool tip names the friends online and, once the next
// automatic check is known, says when it is due, and until when reminders are paused; activating it shows
// the window, and its menu shows the window, refreshes the list, pauses reminders or exits.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    TrayIcon(const FriendListModel& friends, const AutoRefresh& autoRefresh, ReminderPause& pause,
             QObject* parent);

    // Puts the icon in the tray, now or as soon as the desktop has one.
    void show();
    // Whether the icon stands in a tray now: a window hidden there can be found again.
    bool isInTray() const;
    // The tray's own message, for when no notification service answers.
    void showMessage(const QString& title, const QString& text);
    // Qt's icon in the tray; none until the desktop has had a tray.
    QSystemTrayIcon* systemTrayIcon() const { return m_icon; }
    // The program is going away.
    void remove();

signals:
    void showRequested();
    void refreshRequested();
    void exitRequested();
    // The tray has come or gone: isInTray() may say otherwise than before.
    void trayChanged();

private:
    void place();
    void update();
    // The tool tip, a line for each thing it tells.
    QStringList toolTipLines() const;
    QString onlineLine() const;
    QStringList onlineNicknames() const;
    QString nextCheckLine() const;
    QString pauseLine() const;

    const FriendListModel& m_friends;
    const AutoRefresh& m_autoRefresh;
    ReminderPause& m_pause;
    TrayWatcher* m_watcher;
    QSystemTrayIcon* m_icon = nullptr;
    std::optional<TrayWatcher::Tray> m_tray; // the kind the icon was put in
    bool m_shown = false;
    const QIcon m_anyoneOnline;
    const QIcon m_nobodyOnline;
    // A change of the list comes row by row (a run marks every friend at once): the count is made once
    // they are all in.
    QTimer m_recount;
};
