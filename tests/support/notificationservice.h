#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A stand-in for the desktop's notification service, org.freedesktop.Notifications, on a connection of its
// own to the session bus. It offers the capabilities it is given, keeps each Notify call, answers ids as a
// server does (the one to replace, or a new one), clicks a notification, and can leave the bus.
class NotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notice
    {
        uint id; // as answered
        QString app;
        uint replacesId;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };

    explicit NotificationService(QObject* parent = nullptr);

    // Takes the service's name; false without a session bus or when another owns it.
    bool start();
    // Gives the name up: the program finds no notification service.
    void stop();
    // As GetCapabilities answers, e.g. {"actions", "body-markup"}; none at first.
    void setCapabilities(const QStringList& capabilities) { m_capabilities = capabilities; }
    const QList<Notice>& notices() const { return m_notices; }
    void clearNotices() { m_notices.clear(); }
    // A click on notification `id`, as the desktop reports it.
    void click(uint id) { emit ActionInvoked(id, QStringLiteral("default")); }

public slots:
    Q_SCRIPTABLE QStringList GetCapabilities() const { return m_capabilities; }
    Q_SCRIPTABLE uint Notify(const QString& app, uint replacesId, const QString& icon, const QString& summary,
                             const QString& body, const QStringList& actions, const QVariantMap& hints,
                             int expireTimeout);

signals:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString& actionKey);

private:
    QDBusConnection m_bus;
    QStringList m_capabilities;
    QList<Notice> m_notices;
    uint m_lastId = 0;
};
