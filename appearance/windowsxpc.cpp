#include "windowsxpc.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

WindowsXPC::WindowsXPC(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("WindowsXPC1"));
}

void WindowsXPC::start()
{
    ++m_startCount;
    // Fusion looks the same on every desktop, and style sheets build on it predictably.
    if (qApp && qApp->style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    emit started();
}
