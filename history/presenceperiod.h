#pragma once

#include "presencestate.h"

#include <QString>
#include <QtGlobal>

// A stretch of one run of the program over which every check of a friend found the same state: from the
// first check that found it to the last one before the state changed (start == end for a single check).
struct PresencePeriod
{
    PresenceState state = PresenceState::Unknown;
    qint64 start = 0; // milliseconds since the epoch (UTC)
    qint64 end = 0;
    QString nickname; // the friend's nickname at the time
};
