#include "presencereport.h"

#include "friendlistmodel.h"
#include "presenceaddress.h"

void applyPresenceReport(FriendListModel& list, int position, const QString& finalAddress)
{
    if (finalAddress == PresenceAddress::initialLocation || !list.contains(position))
        return;
    // Whole-string, case-sensitive: a trailing slash or a query string is not the online image.
    const bool online = finalAddress == PresenceAddress::onlineImageAddress();
    list.setStatus(position, online ? FriendStatus::Online : FriendStatus::Offline);
    list.setText(position, list.nickname(position));
}
