// The offscreen platform's theme with a tray, where offscreen alone has no tray at all. On Linux, the tray of
// a Linux desktop: Qt's tray item on the session bus, where a tray (a StatusNotifierWatcher) is. On Windows,
// whose tray Qt has only on the windows platform, the tests' own (windowstray.h). Linked into a test, it
// stands in for the theme offscreen asks for by name; everything else comes from offscreen's own.
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformintegration.h>
#include <qpa/qplatformtheme.h>
#include <qpa/qplatformthemeplugin.h>

#ifdef Q_OS_WIN
#include "windowstray.h"
#else
#include <QtGui/private/qgenericunixthemes_p.h>
#endif

#include <memory>

namespace {

const QString offscreen = QStringLiteral("offscreen");

class OffscreenTrayTheme : public QPlatformTheme
{
public:
    QVariant themeHint(ThemeHint hint) const override { return m_offscreen->themeHint(hint); }
    const QFont* font(Font type) const override { return m_offscreen->font(type); }
    QPlatformSystemTrayIcon* createPlatformSystemTrayIcon() const override
    {
#ifdef Q_OS_WIN
        return new WindowsTray;
#else
        return m_desktop->createPlatformSystemTrayIcon();
#endif
    }

private:
    std::unique_ptr<QPlatformTheme> m_offscreen{
        QGuiApplicationPrivate::platformIntegration()->createPlatformTheme(offscreen)};
#ifndef Q_OS_WIN
    std::unique_ptr<QPlatformTheme> m_desktop{QGenericUnixTheme::createUnixTheme(QGenericUnixTheme::name)};
#endif
};

} // namespace

class OffscreenTrayThemePlugin : public QPlatformThemePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QPlatformThemeFactoryInterface_iid FILE "offscreentraytheme.json")

public:
    QPlatformTheme* create(const QString&, const QStringList&) override { return new OffscreenTrayTheme; }
};

#include "offscreentraytheme.moc"
