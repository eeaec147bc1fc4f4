#include "desktopnotice.h"

#include <QIcon>
#include <QPointer>
#include <QSystemTrayIcon>
#include <utility>

// The tray shows one message at a time, and a click is on the one shown last, by whichever notice.
class DesktopNotice::Platform
{
public:
    QIcon icon;
    QPointer<QSystemTrayIcon> tray;
    QVariant shownTag;
    static inline const DesktopNotice* shownLast = nullptr;
};

DesktopNotice::DesktopNotice(const QIcon& icon, const QString&, QObject* parent)
    : QObject(parent)
    , m_platform(new Platform{icon, nullptr, {}})
{}

void DesktopNotice::setTray(QSystemTrayIcon* tray)
{
    if (!tray || std::exchange(m_platform->tray, tray) == tray)
        return;
    connect(tray, &QSystemTrayIcon::messageClicked, this, [this] {
        if (Platform::shownLast == this)
            emit clicked(m_platform->shownTag);
    });
}

DesktopNotice::~DesktopNotice()
{
    if (Platform::shownLast == this)
        Platform::shownLast = nullptr;
}

void DesktopNotice::show(const QString& summary, const QString& body, const QVariant& tag)
{
    // Without Explorer's taskbar there is no tray, and no message either.
    QSystemTrayIcon* tray = m_platform->tray;
    if (!tray || !tray->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable())
        return emit failed(summary, body);
    m_platform->shownTag = tag;
    Platform::shownLast = this;
    tray->showMessage(summary, body, m_platform->icon);
}

void DesktopNotice::finish()
{
    // Nothing to do: the next message takes this one's place.
}
