#include "traywatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QTimer>
#include <utility>

#include <xcb/xcb.h>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
// The panel answers at once; one that hangs must not hold up the program's start.
constexpr int answerWithin = 500; // milliseconds

// The tray on the bus is there once a panel shows its items (a host): Qt asks the same before it uses it.
bool busTrayPresent()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcherService))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(watcherService, watcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage answer = bus.call(get, QDBus::Block, answerWithin);
    return answer.type() == QDBusMessage::ReplyMessage &&
           answer.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

xcb_connection_t* x11Connection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// An X11 tray owns its screen's selection; the first screen's, the only one of X servers today.
bool x11TrayPresent()
{
    xcb_connection_t* x11 = x11Connection();
    if (!x11)
        return false;
    const QByteArray name = QByteArrayLiteral("_NET_SYSTEM_TRAY_S0");
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(x11, xcb_intern_atom(x11, true, name.size(), name.constData()), nullptr);
    xcb_get_selection_owner_reply_t* owner =
        atom && atom->atom != XCB_ATOM_NONE
            ? xcb_get_selection_owner_reply(x11, xcb_get_selection_owner(x11, atom->atom), nullptr)
            : nullptr;
    const bool present = owner && owner->owner != XCB_WINDOW_NONE;
    free(owner);
    free(atom);
    return present;
}

} // namespace

class TrayWatcher::Platform
{
public:
    explicit Platform(TrayWatcher& watcher)
        : m_owner(watcherService, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForOwnerChange)
    {
        QObject::connect(&m_owner, &QDBusServiceWatcher::serviceOwnerChanged, &watcher,
                         &TrayWatcher::changed);
        // A panel that comes after its watcher (KDE's, whose watcher starts before the panel) registers a
        // host.
        for (const char* hostSignal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
            QDBusConnection::sessionBus().connect(watcherService, watcherPath, watcherService,
                                                  QLatin1String(hostSignal), &watcher, SIGNAL(changed()));
        if (!x11Connection())
            return;
        // Nobody tells a program that the X11 selection changed hands: it is looked at now and then.
        m_x11Tray = x11TrayPresent();
        m_poll.setInterval(2000); // soon enough for a person; one round trip to the X server
        QObject::connect(&m_poll, &QTimer::timeout, &watcher, [this, &watcher] {
            const bool present = x11TrayPresent();
            if (std::exchange(m_x11Tray, present) != present)
                emit watcher.changed();
        });
        m_poll.start();
    }

private:
    QDBusServiceWatcher m_owner;
    bool m_x11Tray = false;
    QTimer m_poll;
};

TrayWatcher::TrayWatcher(QObject* parent)
    : QObject(parent)
    , m_platform(std::make_unique<Platform>(*this))
{}

TrayWatcher::~TrayWatcher() = default;

bool TrayWatcher::has(Tray tray) const
{
    return tray == Tray::Current ? busTrayPresent() : x11TrayPresent();
}
