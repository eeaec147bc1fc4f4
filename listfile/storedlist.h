#pragma once

#include <QString>
#include <QVector>

// A friend as the list file keeps it.
struct StoredFriend
{
    QString number;
    QString nickname;
    bool reminder = false;        // the user wants to be told when this friend comes online
    bool offlineReminder = false; // and when it goes offline

    bool operator==(const StoredFriend& other) const
    {
        return number == other.number && nickname == other.nickname && reminder == other.reminder &&
               offlineReminder == other.offlineReminder;
    }
};

// Everything the list file keeps: the friends in list order and the minutes between automatic checks
// (0 is off).
struct StoredList
{
    QVector<StoredFriend> friends;
    int refreshMinutes = 0;
};
