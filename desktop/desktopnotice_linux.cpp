#include "desktopnotice.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <optional>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString defaultAction = QStringLiteral("default");

// The icon's pixels, as the notification's "image-data" hint: width, height, row length, alpha,
// bits per sample, samples per pixel, then the bytes in RGBA order.
QVariant imageData(const QIcon& icon)
{
    const QImage image = icon.pixmap(48).toImage().convertToFormat(QImage::Format_RGBA8888);
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

// The desktop's notification service, org.freedesktop.Notifications. Nothing waits for the bus: one call is
// on it at a time, and what changes meanwhile is sent once it has been answered, only the latest of each
// notice. Where the service offers actions, a click on a notification is its default action.
class DesktopNotice::Platform : public QObject
{
    Q_OBJECT

public:
    Platform(DesktopNotice& notice, const QIcon& icon, const QString& category)
        : m_notice(notice)
        , m_image(imageData(icon))
        , m_category(category)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.connect(service, path, service, QStringLiteral("ActionInvoked"), this,
                    SLOT(onActionInvoked(uint, QString)));
        bus.connect(service, path, service, QStringLiteral("NotificationClosed"), this,
                    SLOT(onNotificationClosed(uint)));
    }

    void show(const QString& summary, const QString& body, const QVariant& tag)
    {
        const Update update{m_current, summary, body, tag};
        if (!m_waiting.isEmpty() && m_waiting.last().notice == m_current)
            m_waiting.last() = update;
        else
            m_waiting.append(update);
        sendNext();
    }
    void finish() { ++m_current; }

private slots:
    void onActionInvoked(uint id, const QString& actionKey)
    {
        const auto clicked = m_clickable.constFind(id);
        if (actionKey == defaultAction && clicked != m_clickable.cend())
            emit m_notice.clicked(*clicked);
    }
    void onNotificationClosed(uint id) { m_clickable.remove(id); }

private:
    struct Update
    {
        int notice; // which of the program's notices, counted by finish()
        QString summary, body;
        QVariant tag;
    };

    void sendNext()
    {
        if (m_calling || m_waiting.isEmpty())
            return;
        if (!QDBusConnection::sessionBus().isConnected()) {
            giveUp(m_waiting.takeFirst());
            return sendNext();
        }
        if (m_capabilities)
            send(m_waiting.takeFirst());
        else
            askCapabilities();
    }

    void askCapabilities()
    {
        m_calling = true;
        const QDBusPendingCall call =
            QDBusConnection::sessionBus().asyncCall(notificationCall(QStringLiteral("GetCapabilities")));
        auto* watcher = new QDBusPendingCallWatcher(call, this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
            answered->deleteLater();
            m_calling = false;
            const QDBusPendingReply<QStringList> reply = *answered;
            if (reply.isError())
                giveUp(m_waiting.takeFirst());
            else
                m_capabilities = reply.value();
            sendNext();
        });
    }

    void send(const Update& update)
    {
        m_calling = true;
        const bool clickable = m_capabilities->contains(QStringLiteral("actions"));
        const bool markup = m_capabilities->contains(QStringLiteral("body-markup"));
        const QVariantMap hints = {{QStringLiteral("category"), m_category},
                                   {QStringLiteral("desktop-entry"), QStringLiteral("fernwatch")},
                                   {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}, // normal
                                   {QStringLiteral("image-data"), m_image}};
        QDBusMessage call = notificationCall(QStringLiteral("Notify"));
        call << QStringLiteral("Fernwatch") << (update.notice == m_shownNotice ? m_shownId : 0u)
             << QStringLiteral("fernwatch") << update.summary
             << (markup ? escapeMarkup(update.body) : update.body)
             << (clickable ? QStringList{defaultAction, QStringLiteral("显示")} : QStringList()) << hints
             << -1;
        auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, update](QDBusPendingCallWatcher* answered) {
                    answered->deleteLater();
                    m_calling = false;
                    const QDBusPendingReply<uint> reply = *answered;
                    if (reply.isError()) {
                        giveUp(update);
                    } else {
                        m_shownNotice = update.notice;
                        m_shownId = reply.value();
                        m_clickable.insert(m_shownId, update.tag);
                    }
                    sendNext();
                });
    }

    // The notice could not be shown: the program is told, with what it said.
    void giveUp(Update update)
    {
        // What the notice has become meanwhile is told instead.
        if (!m_waiting.isEmpty() && m_waiting.first().notice == update.notice)
            update = m_waiting.takeFirst();
        // The service may come back, or another take its place: it is asked again next time.
        m_capabilities.reset();
        emit m_notice.failed(update.summary, update.body);
    }

    DesktopNotice& m_notice;
    const QVariant m_image;
    const QString m_category;
    std::optional<QStringList> m_capabilities; // asked once the service first answers
    QList<Update> m_waiting;                   // to be sent, one for each notice
    bool m_calling = false;                    // a call is on the bus
    int m_current = 0;
    int m_shownNotice = -1; // the notice the service last answered for, and its id there
    uint m_shownId = 0;
    QHash<uint, QVariant> m_clickable; // the notifications on the desktop, and what a click reports
};

DesktopNotice::DesktopNotice(const QIcon& icon, const QString& category, QObject* parent)
    : QObject(parent)
    , m_platform(std::make_unique<Platform>(*this, icon, category))
{}

void DesktopNotice::setTray(QSystemTrayIcon*)
{
    // The notification service shows the notices, tray or not.
}

DesktopNotice::~DesktopNotice() = default;

void DesktopNotice::show(const QString& summary, const QString& body, const QVariant& tag)
{
    m_platform->show(summary, body, tag);
}

void DesktopNotice::finish()
{
    m_platform->finish();
}

#include "desktopnotice_linux.moc"
