#pragma once

#include "presencestate.h"

#include <QString>
#include <QtGlobal>

// Status codes double as 1-based positions in the status image list.
enum class FriendStatus : qint16
{
    None = 0, // not a real status: what a read at a position with no entry gives
    Online = 1,
    Offline = 2,
    Checking = 3,
};

// The news a friend's reminder marks can ask for: that it has come online, or gone offline.
enum class Reminder
{
    Online,
    Offline,
};

// What FriendEntry::lastOnline holds for a friend no check has found online.
constexpr qint64 neverOnline = -1;

// One row of the friend list. Only number, nickname and the reminder marks outlive the process.
struct FriendEntry
{
    QString text;
    FriendStatus status = FriendStatus::Offline;    // the large-icon slot; reads come from here
    FriendStatus smallIcon = FriendStatus::Offline; // what the report view draws
    QString number;
    QString nickname;
    bool reminder = false;        // the user wants to be told when this friend comes online
    bool offlineReminder = false; // and when it goes offline
    bool answeredOnline = false;  // the friend's last answered query since start-up found it online
    bool queryFailed = false;     // the friend's last query got no answer: its offline picture says nothing
    qint64 lastOnline = neverOnline; // when a check last found the friend online, in ms since the epoch
};
