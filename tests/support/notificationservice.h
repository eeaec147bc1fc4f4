#pragma once

#include "busstandin.h"

#include <QStringList>
#include <QVariantMap>

// A stand-in for the desktop's notification service, org.freedesktop.Notifications. It offers the
// capabilities it is given (none at first; "actions", "body-markup"), keeps each Notify call, answers ids as
// a server does (the one to replace, or a new one), and clicks a notification.
class NotificationService : public BusStandIn
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notice
    {
        uint id; // as answered
        QString app;
        uint replacesId;
        QString icon, summary, body;
        QStringList actions;
        QVariantMap hints;
    };

    NotificationService()
        : BusStandIn(QStringLiteral("org.freedesktop.Notifications"),
                     QStringLiteral("/org/freedesktop/Notifications"))
    {}
    void setCapabilities(const QStringList& offered)
    {
        inThread([&] { m_capabilities = offered; });
    }
    // The Notify calls received so far, and forgets them.
    QList<Notice> takeNotices()
    {
        QList<Notice> notices;
        inThread([&] { notices.swap(m_notices); });
        return notices;
    }
    // A click on notification `id`, as the desktop reports it.
    void click(uint id)
    {
        inThread([=] { emit ActionInvoked(id, QStringLiteral("default")); }); // QtDBus relays only from there
    }

public slots:
    QStringList GetCapabilities() const { return m_capabilities; }
    uint Notify(const QString& app, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int)
    {
        m_notices.append(
            {replacesId ? replacesId : ++m_lastId, app, replacesId, icon, summary, body, actions, hints});
        return m_notices.last().id;
    }

signals:
    void ActionInvoked(uint id, const QString& actionKey);

private:
    QStringList m_capabilities;
    QList<Notice> m_notices;
    uint m_lastId = 0;
};
