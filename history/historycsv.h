#pragma once

#include "presenceperiod.h"

#include <QByteArray>
#include <QHash>

class QIODevice;

// Writes periods as CSV for spreadsheets: UTF-8 with a byte-order mark (so that spreadsheets on Windows
// read the Chinese right), lines ended by CRLF, fields quoted as RFC 4180 asks, times in local time.
// Rows are gathered in a buffer and written out in large pieces, so that millions of them stream.
class HistoryCsv
{
public:
    static const QByteArray header; // the byte-order mark and the line of column names

    // A text as one field: quoted when it holds a comma, a quote or a line break, and prefixed with an
    // apostrophe when it begins as a spreadsheet formula would, so that opening the file runs nothing.
    static QByteArray field(const QString& text);
    explicit HistoryCsv(QIODevice& out);
    // `number` and `nickname` are fields already (field()), as a friend's rows repeat them.
    void writeRow(const QByteArray& number, const QByteArray& nickname, PresenceState state, qint64 start,
                  qint64 end);
    // Writes what is buffered; false when anything could not be written.
    bool finish();

private:
    // Milliseconds since the epoch as local time, "yyyy-MM-dd HH:mm:ss".
    void appendLocalTime(qint64 msecs);
    int utcOffsetSeconds(qint64 msecs);
    void flushIfFull();

    QIODevice& m_out;
    QByteArray m_buffer;
    bool m_failed = false;
    QHash<qint64, int> m_offsetByHour; // the zone's offset where it is the same all through an hour
};
