#pragma once

#include "friendlistfile.h"
#include "friendlistmodel.h"

#include <QStringList>

// The friends a list file holds, read back the way the program reads it at start-up:
// "number|nickname" for each, in list order.
inline QStringList savedFriends(const QString& listPath)
{
    FriendListModel list;
    FriendListFile file;
    file.open(listPath);
    if (!file.load(list))
        return {QStringLiteral("<no count stored>")};
    QStringList friends;
    for (int position = 1; position <= list.count(); ++position)
        friends << list.number(position) + QLatin1Char('|') + list.nickname(position);
    return friends;
}
