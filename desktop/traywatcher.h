#pragma once

#include <QObject>
#include <memory>
#include <optional>

// Whether the desktop has a tray now, and when that may have changed: a panel that comes up after the
// program (autostarted programs often start first), or one that ends or restarts. On Linux: the tray on the
// session bus (org.kde.StatusNotifierWatcher with a host, as KDE, GNOME's AppIndicator and Xfce offer it) or
// an X11 tray (the _NET_SYSTEM_TRAY selection of older panels). On Windows: Explorer's taskbar, as Qt sees
// it.
class TrayWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TrayWatcher(QObject* parent = nullptr);
    ~TrayWatcher() override;

    // A tray of today (Linux: on the session bus; Windows: Explorer's taskbar), or an older one (Linux: an
    // X11 tray). Qt's icon stays in the kind of tray it was put in first.
    enum class Tray
    {
        Current,
        Older
    };

    // The tray the desktop has now, today's kind first. Asked of the desktop each time, so that it is never
    // out of date.
    std::optional<Tray> present() const;
    bool has(Tray tray) const;

signals:
    // A tray may have come or gone: ask present() or has().
    void changed();

private:
    class Platform;
    std::unique_ptr<Platform> m_platform;
};
