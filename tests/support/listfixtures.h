#pragma once

#include "friendlistfile.h"
#include "friendlistmodel.h"

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

// The list as a person sees it: "text|number|nickname|status code" for each row, in list order.
inline QStringList shownRows(const FriendListModel& list)
{
    QStringList rows;
    for (int row = 0; row < list.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list.columnCount(); ++column)
            cells << list.index(row, column).data().toString();
        rows << cells.join(QLatin1Char('|')) + QStringLiteral("|%1").arg(int(list.status(row + 1)));
    }
    return rows;
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
