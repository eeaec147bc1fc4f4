#pragma once

#include <QObject>
#include <QVariant>
#include <memory>

class QIcon;
class QSystemTrayIcon;

// A notice on the desktop, which the user may click. Linux: a notification of the desktop's notification
// service on the session bus, updated in place. Windows: the tray icon's message, which Windows shows as a
// toast, each one in place of the one before, whichever DesktopNotice showed it.
class DesktopNotice : public QObject
{
    Q_OBJECT

public:
    // `icon` goes with every notice, and `category` names its kind to a desktop that sorts notifications
    // ("presence.online").
    DesktopNotice(const QIcon& icon, const QString& category, QObject* parent = nullptr);
    ~DesktopNotice() override;

    // The program's tray icon, once it has one: a tray may come after the program.
    void setTray(QSystemTrayIcon* tray);

    // The current notice says this now: shown, or updated in place. A click on it reports `tag`.
    void show(const QString& summary, const QString& body, const QVariant& tag);
    // The current notice is complete: the next show() begins another. Those shown stay clickable.
    void finish();

signals:
    void clicked(const QVariant& tag);
    // The desktop could not show this, and the user is to be told some other way.
    void failed(const QString& summary, const QString& body);

private:
    class Platform;
    std::unique_ptr<Platform> m_platform;
};
