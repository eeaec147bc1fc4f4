#include "historycsv.h"

#include <QDateTime>
#include <QIODevice>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

// Written out once this much has gathered: large enough that writes cost nothing per row.
constexpr qsizetype bufferSize = 1 << 20;
constexpr qint64 msecsPerHour = 3600 * 1000;
constexpr qint64 hoursCached = 2 * 366 * 24;
constexpr int unknownOffset = INT_MAX;
constexpr int changingOffset = INT_MIN;

// Every state's word is of this length in UTF-8, so a row's tail has a size known beforehand.
constexpr int stateSize = 6;
static_assert(std::char_traits<char>::length(presenceWordUtf8(PresenceState::Online)) == stateSize &&
              std::char_traits<char>::length(presenceWordUtf8(PresenceState::Offline)) == stateSize &&
              std::char_traits<char>::length(presenceWordUtf8(PresenceState::Unknown)) == stateSize);
constexpr int timeSize = 19; // yyyy-MM-dd HH:mm:ss

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

// Days since 1970-01-01 -> year, month, day of the proleptic Gregorian calendar (H. Hinnant's algorithm).
void civilFromDays(qint64 days, int* year, int* month, int* day)
{
    days += 719468;
    const qint64 era = floorDiv(days, 146097);
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shiftedMonth = (5 * dayOfYear + 2) / 153; // March is 0
    *day = int(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    *month = int(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    *year = int(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

void writeDigits(char*& at, int value, int width)
{
    for (int i = width - 1; i >= 0; --i, value /= 10)
        at[i] = char('0' + value % 10);
    at += width;
}

} // namespace

const QByteArray HistoryCsv::header = QByteArrayLiteral("\xEF\xBB\xBF号码,昵称,状态,开始,结束\r\n");

QByteArray HistoryCsv::field(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    // OWASP's advice on CSV injection: these begin a formula in the common spreadsheets, a tab or a carriage
    // return before one too.
    if (!bytes.isEmpty() && QByteArrayView("=+-@\t\r").contains(bytes.front()))
        bytes.prepend('\'');
    for (const char c : {',', '"', '\n', '\r'})
        if (bytes.contains(c))
            return '"' + bytes.replace('"', "\"\"") + '"';
    return bytes;
}

HistoryCsv::HistoryCsv(QIODevice& out)
    : m_out(out)
    , m_buffer(bufferSize)
{}

void HistoryCsv::writeRow(const QByteArray& number, const QByteArray& nickname, PresenceState state,
                          qint64 start, qint64 end)
{
    // After the two texts: a comma, the state, a comma, two times with a comma between, the line end.
    constexpr qsizetype tailSize = 1 + stateSize + 1 + timeSize + 1 + timeSize + 2;
    const qsizetype textsSize = number.size() + 1 + nickname.size();
    if (m_used + textsSize + tailSize > bufferSize)
        finish();
    char* at = m_buffer.data() + m_used;
    if (textsSize + tailSize > bufferSize) { // a nickname of megabytes goes out as it is
        if (m_out.write(number + ',' + nickname) != textsSize)
            m_failed = true;
    } else {
        at = std::copy(number.cbegin(), number.cend(), at);
        *at++ = ',';
        at = std::copy(nickname.cbegin(), nickname.cend(), at);
    }
    *at++ = ',';
    std::memcpy(at, presenceWordUtf8(state), stateSize);
    at += stateSize;
    *at++ = ',';
    at = writeLocalTime(at, start);
    *at++ = ',';
    at = writeLocalTime(at, end);
    *at++ = '\r';
    *at++ = '\n';
    m_used = at - m_buffer.data();
}

bool HistoryCsv::finish()
{
    if (m_used > 0 && m_out.write(m_buffer.data(), m_used) != m_used)
        m_failed = true;
    m_used = 0;
    return !m_failed;
}

// Formatting by hand: QDateTime's conversion and text take microseconds, and an export has millions.
char* HistoryCsv::writeLocalTime(char* at, qint64 msecs)
{
    const qint64 seconds = floorDiv(msecs, 1000) + utcOffsetSeconds(msecs);
    const qint64 days = floorDiv(seconds, 86400);
    const int secondOfDay = int(seconds - days * 86400);
    if (days != m_day) { // a friend's times come a few a day
        int year, month, day;
        civilFromDays(days, &year, &month, &day);
        char* date = m_dayText;
        writeDigits(date, year, 4);
        *date++ = '-';
        writeDigits(date, month, 2);
        *date++ = '-';
        writeDigits(date, day, 2);
        *date = ' ';
        m_day = days;
    }
    at = std::copy(std::begin(m_dayText), std::end(m_dayText), at);
    writeDigits(at, secondOfDay / 3600, 2);
    *at++ = ':';
    writeDigits(at, secondOfDay / 60 % 60, 2);
    *at++ = ':';
    writeDigits(at, secondOfDay % 60, 2);
    return at;
}

// The local zone's offset, asked of Qt once an hour of time: an hour whose two ends differ holds a
// change of offset, and its times are asked one by one, as are times outside the hours cached.
int HistoryCsv::utcOffsetSeconds(qint64 msecs)
{
    const qint64 hour = floorDiv(msecs, msecsPerHour);
    if (m_offsetByHour.empty()) {
        m_offsetByHour.assign(hoursCached, unknownOffset);
        m_firstHour = hour - hoursCached / 2;
    }
    const qint64 slot = hour - m_firstHour;
    if (slot < 0 || slot >= hoursCached)
        return QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc();
    int& offset = m_offsetByHour[size_t(slot)];
    if (offset == unknownOffset) {
        const int first = QDateTime::fromMSecsSinceEpoch(hour * msecsPerHour).offsetFromUtc();
        const int last = QDateTime::fromMSecsSinceEpoch((hour + 1) * msecsPerHour - 1).offsetFromUtc();
        offset = first == last ? first : changingOffset;
    }
    return offset != changingOffset ? offset : QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc();
}
