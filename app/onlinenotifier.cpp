#include "onlinenotifier.h"

#include "appicon.h"
#include "displaytext.h"
#include "friendlistmodel.h"
#include "trayicon.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImage>
#include <QWidget>
#include <utility>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString defaultAction = QStringLiteral("default");
// Between the friends a notification names.
const QString listSeparator = QStringLiteral("、");

// The icon's pixels, as the notification's "image-data" hint: width, height, row length, alpha,
// bits per sample, samples per pixel, then the bytes in RGBA order.
QVariant iconImageData()
{
    const QImage image = fernwatchIcon().pixmap(48).toImage().convertToFormat(QImage::Format_RGBA8888);
    QDBusArgument data;
    data.beginStructure();
    data << image.width() << image.height() << int(image.bytesPerLine()) << true << 8 << 4
         << QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    data.endStructure();
    return QVariant::fromValue(data);
}

// A server that reads markup in the body would take these as tags and entities.
QString escapeMarkup(QString text)
{
    return text.replace(u'&', QLatin1String("&amp;"))
        .replace(u'<', QLatin1String("&lt;"))
        .replace(u'>', QLatin1String("&gt;"));
}

QDBusMessage notificationCall(const QString& method)
{
    return QDBusMessage::createMethodCall(service, path, service, method);
}

} // namespace

OnlineNotifier::OnlineNotifier(const FriendListModel& friends, TrayIcon& tray, QWidget* window)
    : QObject(window)
    , m_friends(friends)
    , m_tray(tray)
    , m_window(window)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(service, path, service, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    bus.connect(service, path, service, QStringLiteral("NotificationClosed"), this,
                SLOT(onNotificationClosed(uint)));
}

void OnlineNotifier::notify(int position)
{
    if (m_notice.nicknames.isEmpty())
        m_notice.first = m_friends.index(position - 1, 0);
    m_notice.nicknames << displayText(m_friends.nickname(position));
    m_notice.numbers << QStringLiteral("QQ ") + displayText(m_friends.number(position));
    update();
}

void OnlineNotifier::endRun()
{
    // A call still on the bus belongs to this run's notification, which is forgotten once it is answered.
    if (m_calling)
        m_runEnded = true;
    else
        m_notice = {};
}

void OnlineNotifier::update()
{
    m_changed = true;
    if (m_calling)
        return;
    if (!QDBusConnection::sessionBus().isConnected())
        return fallBack();
    if (m_capabilities)
        send();
    else
        askCapabilities();
}

void OnlineNotifier::askCapabilities()
{
    m_calling = true;
    const QDBusPendingCall call =
        QDBusConnection::sessionBus().asyncCall(notificationCall("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        const QDBusPendingReply<QStringList> reply = *answered;
        if (reply.isError()) {
            fallBack();
            return finishCall();
        }
        m_capabilities = reply.value();
        send();
    });
}

void OnlineNotifier::send()
{
    m_changed = false;
    m_calling = true;
    const bool clickable = m_capabilities->contains(QStringLiteral("actions"));
    const bool markup = m_capabilities->contains(QStringLiteral("body-markup"));
    const QVariantMap hints = {{QStringLiteral("category"), QStringLiteral("presence.online")},
                               {QStringLiteral("desktop-entry"), QStringLiteral("fernwatch")},
                               {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}, // normal
                               {QStringLiteral("image-data"), iconImageData()}};
    QDBusMessage call = notificationCall("Notify");
    call << QStringLiteral("Fernwatch") << m_notice.id << QStringLiteral("fernwatch") << summary()
         << (markup ? escapeMarkup(body()) : body())
         << (clickable ? QStringList{defaultAction, QStringLiteral("显示")} : QStringList()) << hints << -1;
    const QPersistentModelIndex first = m_notice.first;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, first](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                const QDBusPendingReply<uint> reply = *answered;
                if (reply.isError()) {
                    fallBack();
                } else {
                    m_clickable.insert(reply.value(), first);
                    m_notice.id = reply.value();
                }
                finishCall();
            });
}

void OnlineNotifier::finishCall()
{
    m_calling = false;
    if (m_changed)
        update();
    else if (std::exchange(m_runEnded, false))
        m_notice = {};
}

void OnlineNotifier::fallBack()
{
    // The service may come back, or another take its place: it is asked again next time.
    m_capabilities.reset();
    m_changed = false;
    const bool inTray = m_tray.isInTray();
    if (inTray)
        m_tray.showMessage(summary(), body());
    else
        QApplication::alert(m_window);
    emit alerted(inTray);
}

QString OnlineNotifier::summary() const
{
    return m_notice.nicknames.join(listSeparator) + QStringLiteral(" 上线了");
}

QString OnlineNotifier::body() const
{
    return m_notice.numbers.join(listSeparator);
}

void OnlineNotifier::onActionInvoked(uint id, const QString& actionKey)
{
    const auto clicked = m_clickable.constFind(id);
    if (actionKey != defaultAction || clicked == m_clickable.cend())
        return;
    emit friendChosen(clicked->isValid() ? clicked->row() + 1 : 0);
}

void OnlineNotifier::onNotificationClosed(uint id)
{
    m_clickable.remove(id);
}
