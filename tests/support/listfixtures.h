#pragma once

#include "friendlistfile.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

// Small helpers the tests and benchmarks share for building lists and reading list files.

// Nicknames of the kinds people keep, by turn: Chinese, plain, ones that need quoting, and ones
// with a line break, a tab and an emoji.
inline QString sampleNickname(int i)
{
    switch (i % 4) {
    case 0:
        return QStringLiteral("张三%1").arg(i);
    case 1:
        return QStringLiteral("Friend %1").arg(i);
    case 2:
        return QStringLiteral(" 小号 \"%1\"=;[x] ").arg(i);
    default:
        return QStringLiteral("两行\n%1\t🐧").arg(i);
    }
}

// A list of `count` friends numbered from 10001, with sample nicknames.
inline StoredList sampleList(int count)
{
    StoredList list;
    list.friends.reserve(count);
    for (int i = 1; i <= count; ++i)
        list.friends.append({QString::number(10000 + i), sampleNickname(i)});
    return list;
}

// A list's friends as "number|nickname" for each, in list order.
inline QStringList friendTexts(const StoredList& list)
{
    QStringList friends;
    for (const StoredFriend& stored : std::as_const(list.friends))
        friends << stored.number + QLatin1Char('|') + stored.nickname;
    return friends;
}

// The friends a list file holds, read back the way the program reads it at start-up.
inline QStringList savedFriends(const QString& listPath)
{
    StoredList list;
    FriendListFile file;
    file.open(listPath);
    if (!file.load(&list))
        return {QStringLiteral("<no count stored>")};
    return friendTexts(list);
}

// A file's bytes; empty when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces a file's bytes; false when any of them could not be written.
inline bool writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
