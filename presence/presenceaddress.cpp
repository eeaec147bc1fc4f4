#include "presenceaddress.h"

namespace PresenceAddress {

QString queryAddress(QStringView number)
{
    // toPercentEncoding keeps exactly the unreserved characters: letters, digits and "-._~".
    return QStringLiteral("http://") + QLatin1String(serviceHost) + QStringLiteral("/pa?p=1:") +
           QString::fromLatin1(number.toUtf8().toPercentEncoding()) + QStringLiteral(":1");
}

QString onlineImageAddress()
{
    return QStringLiteral("http://") + QLatin1String(imageHost) + QStringLiteral("/qq_online.gif");
}

} // namespace PresenceAddress
