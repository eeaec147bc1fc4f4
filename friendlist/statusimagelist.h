#pragma once

#include "friendentry.h"

#include <QIcon>
#include <array>

// The three row images, indexed by status code (1 online, 2 offline, 3 checking).
class StatusImageList
{
public:
    StatusImageList();

    QIcon icon(FriendStatus status) const;
    static QSize imageSize() { return {32, 32}; }

private:
    std::array<QIcon, 3> m_icons;
};
