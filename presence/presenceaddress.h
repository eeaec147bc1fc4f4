#pragma once

#include <QString>
#include <QStringView>

// The addresses of the QQ presence-image service. A query for a number is answered with a redirect
// to one of the service's status images; only the online image means the friend is online.
namespace PresenceAddress {

inline constexpr char serviceHost[] = "wpa.qq.com";
inline constexpr char imageHost[] = "pub.idqqimg.com";

// Where the browser starts out; a report of this address is not an answer.
inline const QString initialLocation = QStringLiteral("http:///");

// "http://wpa.qq.com/pa?p=1:<number>:1". Letters, digits and "-._~" go in as typed; every other
// character is percent-encoded (UTF-8), so whatever was typed as a number stays inside the query.
QString queryAddress(QStringView number);

QString onlineImageAddress();

} // namespace PresenceAddress
