#pragma once

#include "friendlistfile.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

// Small helpers the tests and benchmarks share for reading and writing list files.

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
