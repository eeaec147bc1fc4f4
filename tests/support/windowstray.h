#pragma once

#include <QStringList>
#include <qpa/qplatformsystemtrayicon.h>

// Windows' tray as the tests meet it under the offscreen platform, where Qt has none of its own (Qt's is the
// windows platform's): the theme of offscreentraytheme.cpp gives Qt these. They keep the tool tip and the
// messages that Qt shows, and are clicked as a user clicks the icon or its message.
class WindowsTray : public QPlatformSystemTrayIcon
{
public:
    static inline bool available = true;        // Explorer's taskbar is there
    static inline WindowsTray* shown = nullptr; // the icon put in the tray last
    static inline QStringList messages;         // "title / text" for each message shown

    void init() override { shown = this; }
    void cleanup() override
    {
        if (shown == this)
            shown = nullptr;
    }
    void updateIcon(const QIcon&) override {}
    void updateToolTip(const QString& text) override { toolTip = text; }
    void updateMenu(QPlatformMenu*) override {}
    QRect geometry() const override { return {}; }
    void showMessage(const QString& title, const QString& text, const QIcon&, MessageIcon, int) override
    {
        messages << title + " / " + text;
    }
    bool isSystemTrayAvailable() const override { return available; }
    bool supportsMessages() const override { return true; }

    QString toolTip;
};
