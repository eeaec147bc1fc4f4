#pragma once

#include <QString>
#include <QtGlobal>

// What one check found of a friend: the one word for it that the list, the history, the reminders and the
// tray share. The values are kept in the online history's database, so they never change.
enum class PresenceState : quint8
{
    Online = 1,
    Offline = 2,
    Unknown = 3, // the query failed: no answer, an HTTP error, the deadline
};

// How the program names a state, in UTF-8: each word is two characters, six bytes. A value of no state
// (read from a damaged database) is unknown.
constexpr const char* presenceWordUtf8(PresenceState state)
{
    switch (state) {
    case PresenceState::Online:
        return "在线";
    case PresenceState::Offline:
        return "离线";
    default:
        return "未知";
    }
}

inline QString presenceWord(PresenceState state)
{
    return QString::fromUtf8(presenceWordUtf8(state));
}
