#include "presencereport.h"

#include "friendlistmodel.h"
#include "presenceaddress.h"
#include "webbrowser.h"

void applyPresenceReport(FriendListModel& list, int position, const QString& finalAddress)
{
    if (finalAddress == PresenceAddress::initialLocation || !list.contains(position))
        return;
    // Whole-string, case-sensitive: a trailing slash or a query string is not the online image.
    const QueryOutcome outcome = finalAddress == PresenceAddress::onlineImageAddress() ? QueryOutcome::Online
                                 : finalAddress == WebBrowser::errorAddress            ? QueryOutcome::Failed
                                                                            : QueryOutcome::Offline;
    list.setText(position, list.nickname(position));
    list.endQuery(position, outcome);
}
