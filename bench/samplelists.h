#pragma once

#include "storedlist.h"

#include <QString>

// Lists of the kinds people keep, for the benchmarks.

// Nicknames by turn: Chinese, plain, ones that need quoting, and ones with a line break, a tab and an
// emoji.
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
