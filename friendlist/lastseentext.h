#pragma once

#include <QDateTime>
#include <QString>

// When a friend was last seen online, as a person says it: "今天 14:05", "昨天 21:30", "12月3日", or with
// the year ("2025年12月3日") when it was in another year. `now` is the moment the text is read at.
QString lastSeenText(const QDateTime& seen, const QDateTime& now);
