#include "statusimagelist.h"

static void initFriendlistResources()
{
    Q_INIT_RESOURCE(status);
}

StatusImageList::StatusImageList()
{
    // The images live in a static library's resource file, which is not registered on its own.
    initFriendlistResources();
    // QIcon picks up the @2x variants beside these files for high-DPI screens.
    m_icons = {QIcon(QStringLiteral(":/icons/online.png")), QIcon(QStringLiteral(":/icons/offline.png")),
               QIcon(QStringLiteral(":/icons/checking.png"))};
}

QIcon StatusImageList::icon(FriendStatus status) const
{
    const int index = static_cast<int>(status) - 1;
    if (index < 0 || index >= static_cast<int>(m_icons.size()))
        return {};
    return m_icons[static_cast<size_t>(index)];
}
