#pragma once

#include "presencestate.h"

#include <QString>
#include <optional>

class FriendListModel;

// Writes the outcome of a finished navigation into the entry at `position`, and gives it: online when the
// navigation ended exactly at the service's online image, unknown at the browser's error address, offline
// for any other address. The browser's start address is no answer and changes nothing; neither does a
// position that names no entry (nothing queried yet, or the entry has been deleted since).
std::optional<PresenceState> applyPresenceReport(FriendListModel& list, int position,
                                                 const QString& finalAddress);
