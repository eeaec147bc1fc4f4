#include "notificationservice.h"

static const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
static const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");

NotificationService::NotificationService(QObject* parent)
    : QObject(parent)
    , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("notifications")))
{
    m_bus.registerObject(objectPath, this,
                         QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals);
}

bool NotificationService::start()
{
    return m_bus.objectRegisteredAt(objectPath) == this && m_bus.registerService(serviceName);
}

void NotificationService::stop()
{
    m_bus.unregisterService(serviceName);
}

uint NotificationService::Notify(const QString& app, uint replacesId, const QString& icon,
                                 const QString& summary, const QString& body, const QStringList& actions,
                                 const QVariantMap& hints, int)
{
    const uint id = replacesId ? replacesId : ++m_lastId;
    m_notices.append({id, app, replacesId, icon, summary, body, actions, hints});
    return id;
}
