#include "lastseentext.h"

QString lastSeenText(const QDateTime& seen, const QDateTime& now)
{
    const QDateTime local = seen.toLocalTime();
    const QDate day = local.date(), today = now.toLocalTime().date();
    const QString time = local.toString(QStringLiteral("HH:mm"));
    if (day == today)
        return QStringLiteral("今天 ") + time;
    if (day == today.addDays(-1))
        return QStringLiteral("昨天 ") + time;
    // Further back the hour no longer helps; the day does.
    if (day.year() == today.year())
        return QStringLiteral("%1月%2日").arg(day.month()).arg(day.day());
    return QStringLiteral("%1年%2月%3日").arg(day.year()).arg(day.month()).arg(day.day());
}
