#pragma once

#include <QString>

class FriendListModel;

// Writes the outcome of a finished navigation into the entry at `position`: Online when the
// navigation ended exactly at the service's online image, Failed at the browser's error address,
// Offline for any other address. The
// browser's start address is no answer and changes nothing; neither does a position that names no
// entry (nothing queried yet, or the entry has been deleted since).
void applyPresenceReport(FriendListModel& list, int position, const QString& finalAddress);
