#pragma once

#include <QHash>
#include <QObject>
#include <QPersistentModelIndex>
#include <QStringList>
#include <optional>

class FriendListModel;
class TrayIcon;
class QWidget;

// Tells the user that friends have come online: one desktop notification per check run, through the
// notification service on the session bus, naming every friend the run has found coming online and
// updated in place as each one is found. Where the service offers actions, clicking the notification
// asks for the window with the first friend it names. Where no service answers, the tray shows its own
// message, or without a tray the main window asks for attention.
// Nothing waits for the bus: each call is sent and its answer handled when it comes.
class OnlineNotifier : public QObject
{
    Q_OBJECT

public:
    OnlineNotifier(const FriendListModel& friends, TrayIcon& tray, QWidget* window);

    // The friend at `position` has come online.
    void notify(int position);
    // The check run has ended: the next friend to come online starts a new notification.
    void endRun();

signals:
    // No notification service answered, and the tray (`inTray`) or the window has told the user instead.
    void alerted(bool inTray);
    // The user clicked a notification: the window is wanted, with the friend at `position` selected
    // (0: that friend has been deleted since).
    void friendChosen(int position);

private slots:
    void onActionInvoked(uint id, const QString& actionKey);
    void onNotificationClosed(uint id);

private:
    // This run's notification.
    struct Notice
    {
        QStringList nicknames;
        QStringList numbers;
        QPersistentModelIndex first;
        uint id = 0; // the service's, once it has answered
    };

    void update();
    void askCapabilities();
    void send();
    // A call has been answered: what changed meanwhile is sent, or the ended run's notification forgotten.
    void finishCall();
    void fallBack();
    QString summary() const;
    QString body() const;

    const FriendListModel& m_friends;
    TrayIcon& m_tray;
    QWidget* m_window;
    std::optional<QStringList> m_capabilities; // asked once the service first answers
    Notice m_notice;
    bool m_calling = false; // a call is on the bus; its answer sends what has changed since
    bool m_changed = false;
    bool m_runEnded = false; // while a call was on the bus
    // The notifications on the desktop, and the friend each names first.
    QHash<uint, QPersistentModelIndex> m_clickable;
};
