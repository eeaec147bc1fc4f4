#pragma once

// Helpers that both windows use to stand their controls where the windows were designed.

#include <QLabel>
#include <QRect>
#include <QScreen>
#include <QStatusBar>
#include <QString>
#include <QWidget>

// Both windows have a fixed border with a close button only.
inline constexpr Qt::WindowFlags fixedCloseOnlyFrame = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                                       Qt::MSWindowsFixedSizeDialogHint;

// Places are given in twips, as the windows were designed; 15 twips make a pixel at 96 dpi.
inline QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

template<typename Widget>
Widget* place(Widget* widget, const char* name, const QRect& geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// A button, frame, option or label with its caption (UTF-8 text).
template<typename Widget>
Widget* captioned(QWidget* parent, const char* name, const char* caption, const QRect& geometry)
{
    return place(new Widget(QString::fromUtf8(caption), parent), name, geometry);
}

// The designed captions are 9-point text.
inline void useCaptionFont(QWidget* window)
{
    QFont captions = window->font();
    captions.setPointSize(9);
    window->setFont(captions);
}

// A status bar along the bottom edge with one panel of fixed text.
inline QStatusBar* statusBarWithPanel(QWidget* parent, const QRect& geometry, int panelWidthTwips,
                                      const QString& text)
{
    auto* statusBar = place(new QStatusBar(parent), "StatusBar1", geometry);
    statusBar->setSizeGripEnabled(false);
    auto* panel = new QLabel(text, statusBar);
    panel->setFixedWidth(panelWidthTwips / 15);
    statusBar->addWidget(panel);
    return statusBar;
}

inline void centreOnScreen(QWidget* window)
{
    window->move(window->screen()->availableGeometry().center() - window->rect().center());
}

// The status panel says `text` whole: a reason that is wider than the panel is told in smaller type, down to
// the smallest that still reads, and past that on two lines.
inline void showWhole(QLabel* panel, const QString& text)
{
    constexpr int smallestReadable = 7; // points: below this Chinese characters blur into each other
    const QMargins margins = panel->contentsMargins();
    const int room = panel->maximumWidth() - margins.left() - margins.right(); // laid out or not yet
    QFont font = panel->parentWidget()->font();
    while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSize() > smallestReadable)
        font.setPointSize(font.pointSize() - 1);
    panel->setFont(font);
    panel->setWordWrap(QFontMetrics(font).horizontalAdvance(text) > room);
    panel->setText(text);
}
