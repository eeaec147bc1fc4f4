#include "onlinenotifier.h"

#include "appicon.h"
#include "displaytext.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QImage>
#include <QWidget>

namespace {

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

} // namespace

OnlineNotifier::OnlineNotifier(QWidget* window)
    : QObject(window)
    , m_window(window)
{}

void OnlineNotifier::notify(const QString& nickname, const QString& number)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return alert();
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints = {{QStringLiteral("desktop-entry"), QStringLiteral("fernwatch")},
                               {QStringLiteral("image-data"), iconImageData()}};
    call << QStringLiteral("Fernwatch") << 0u << QStringLiteral("fernwatch")
         << displayText(nickname) + QStringLiteral(" 上线了") << QStringLiteral("QQ ") + number
         << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
        if (answered->isError())
            alert();
        answered->deleteLater();
    });
}

void OnlineNotifier::alert()
{
    QApplication::alert(m_window);
    emit alerted();
}
