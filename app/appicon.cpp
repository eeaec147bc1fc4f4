#include "appicon.h"

// Resources of a static library must be registered by name, from the global namespace.
static void initAppIconResources()
{
    Q_INIT_RESOURCE(appicon);
}

QIcon fernwatchIcon()
{
    initAppIconResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/fernwatch-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon fernwatchIconNobodyOnline()
{
    initAppIconResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48}) // the sizes of a tray
        icon.addFile(QStringLiteral(":/icons/fernwatch-nobody-%1.png").arg(size), QSize(size, size));
    return icon;
}
