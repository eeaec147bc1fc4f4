#pragma once

#include "presenceperiod.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

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
    // Milliseconds since the epoch as local time, "yyyy-MM-dd HH:mm:ss", written at `at`; returns its end.
    char* writeLocalTime(char* at, qint64 msecs);
    int utcOffsetSeconds(qint64 msecs);

    QIODevice& m_out;
    std::vector<char> m_buffer;
    qsizetype m_used = 0;
    bool m_failed = false;
    // The zone's offset in each hour of two years around the first time written, where it is the same
    // all through the hour; looked up by hour, as times of a friend come hours apart.
    std::vector<int> m_offsetByHour;
    qint64 m_firstHour = 0;
    qint64 m_day = INT64_MIN; // the local day last written, in days since the epoch, and its text
    char m_dayText[11] = {};
};
