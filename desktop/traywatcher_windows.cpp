#include "traywatcher.h"

#include <QSystemTrayIcon>
#include <QTimer>
#include <utility>

// Explorer tells no program that its taskbar went away, and Qt puts its icon back by itself when a restarted
// Explorer announces its taskbar (TaskbarCreated): asking Qt now and then is all there is to do.
class TrayWatcher::Platform
{
public:
    explicit Platform(TrayWatcher& watcher)
        : m_present(QSystemTrayIcon::isSystemTrayAvailable())
    {
        m_poll.setInterval(1000); // a second is soon for a person; asking costs next to nothing
        QObject::connect(&m_poll, &QTimer::timeout, &watcher, [this, &watcher] {
            const bool present = QSystemTrayIcon::isSystemTrayAvailable();
            if (std::exchange(m_present, present) != present)
                emit watcher.changed();
        });
        m_poll.start();
    }

    bool m_present;
    QTimer m_poll;
};

TrayWatcher::TrayWatcher(QObject* parent)
    : QObject(parent)
    , m_platform(std::make_unique<Platform>(*this))
{}

TrayWatcher::~TrayWatcher() = default;

bool TrayWatcher::has(Tray tray) const
{
    return tray == Tray::Current && QSystemTrayIcon::isSystemTrayAvailable();
}
