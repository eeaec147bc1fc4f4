// The offscreen platform's theme with the tray of a Linux desktop: Qt's tray item on the session bus, where a
// tray (a StatusNotifierWatcher) is. Offscreen alone has no tray at all. Linked into a test, it stands in for
// the theme offscreen asks for by name; everything else comes from offscreen's own.
#include <QtGui/private/qgenericunixthemes_p.h>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformintegration.h>
#include <qpa/qplatformthemeplugin.h>

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
        return m_desktop->createPlatformSystemTrayIcon();
    }

private:
    std::unique_ptr<QPlatformTheme> m_offscreen{
        QGuiApplicationPrivate::platformIntegration()->createPlatformTheme(offscreen)};
    std::unique_ptr<QPlatformTheme> m_desktop{QGenericUnixTheme::createUnixTheme(QGenericUnixTheme::name)};
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
