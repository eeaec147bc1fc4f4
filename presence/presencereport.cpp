#include "presencereport.h"

#include "friendlistmodel.h"
#include "presenceaddress.h"
#include "webbrowser.h"

std::optional<PresenceState> applyPresenceReport(FriendListModel& list, int position,
                                                 const QString& finalAddress)
{
    if (finalAddress == PresenceAddress::initialLocation || !list.contains(position))
        return std::nullopt;
    // Whole-string, case-sensitive: a trailing slash or a query string is not the online image.
    const PresenceState found = finalAddress == PresenceAddress::onlineImageAddress() ? PresenceState::Online
                                : finalAddress == WebBrowser::errorAddress            ? PresenceState::Unknown
                                                                           : PresenceState::Offline;
    list.setText(position, list.nickname(position));
    list.endQuery(position, found);
    return found;
}
