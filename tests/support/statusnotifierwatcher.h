#pragma once

#include "busstandin.h"

#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QStringList>

// A stand-in for the desktop's tray, as Qt finds it on the session bus: org.kde.StatusNotifierWatcher with a
// host registered. Qt reads the properties through introspection, which QtDBus answers from the ones
// declared here, then registers its tray item.
class StatusNotifierWatcher : public BusStandIn
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER m_hostRegistered CONSTANT)
    Q_PROPERTY(int ProtocolVersion MEMBER m_protocolVersion CONSTANT)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER m_items)

public:
    StatusNotifierWatcher()
        : BusStandIn(QStringLiteral("org.kde.StatusNotifierWatcher"),
                     QStringLiteral("/StatusNotifierWatcher"))
    {}
    // Calls the tray item registered last (each window of a test has its own) as a desktop's tray does, and
    // waits for the answer while the program runs: ("org.kde.StatusNotifierItem", "Activate", {0, 0}) is a
    // click; ("org.freedesktop.DBus.Properties", "Get", {"org.kde.StatusNotifierItem", "ToolTip"}) reads the
    // tooltip.
    QDBusMessage callItem(const QString& interface, const QString& method, const QVariantList& arguments)
    {
        QString item;
        inThread([&] { item = m_items.value(m_items.size() - 1); });
        QDBusMessage call =
            QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"), interface, method);
        call.setArguments(arguments);
        QDBusPendingCallWatcher answer(connection().asyncCall(call));
        QEventLoop loop;
        connect(&answer, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
        return answer.reply();
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { m_items << service; }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    const bool m_hostRegistered = true;
    const int m_protocolVersion = 0;
    QStringList m_items;
};
