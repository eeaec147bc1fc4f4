#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QStringList>

class DesktopNotice;
class FriendListModel;
class TrayIcon;
class QWidget;

// Tells the user that friends have come online: one notice on the desktop per check run, naming every
// friend the run has found coming online, updated as each one is found. Clicking it asks for the window
// with the first friend it names. Where the desktop cannot show it, the tray shows its own message, or
// without a tray the main window asks for attention.
class OnlineNotifier : public QObject
{
    Q_OBJECT

public:
    OnlineNotifier(const FriendListModel& friends, TrayIcon& tray, QWidget* window);

    // The friend at `position` has come online.
    void notify(int position);
    // The check run has ended: the next friend to come online starts a new notice.
    void endRun();

signals:
    // The desktop could not show the notice, and the tray (`inTray`) or the window has told the user instead.
    void alerted(bool inTray);
    // The user clicked a notice: the window is wanted, with the friend at `position` selected (0: that
    // friend has been deleted since).
    void friendChosen(int position);

private:
    void fallBack(const QString& summary, const QString& body);

    const FriendListModel& m_friends;
    TrayIcon& m_tray;
    QWidget* m_window;
    DesktopNotice* m_notice;
    // This run's notice.
    QStringList m_nicknames;
    QStringList m_numbers;
    QPersistentModelIndex m_first;
};
