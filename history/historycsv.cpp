#include "historycsv.h"

#include <QDateTime>
#include <QIODevice>

namespace {

// Written out once this much has gathered: large enough that writes cost nothing per row.
constexpr int bufferSize = 1 << 20;
constexpr qint64 msecsPerHour = 3600 * 1000;

const QByteArray stateTexts[] = {QByteArray(), QByteArrayLiteral("在线"), QByteArrayLiteral("离线"),
                                 QByteArrayLiteral("未知")};

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

void appendDigits(char*& at, int value, int width)
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
    // OWASP's advice on CSV injection: these begin a formula in the common spreadsheets.
    if (bytes.startsWith('=') || bytes.startsWith('+') || bytes.startsWith('-') || bytes.startsWith('@'))
        bytes.prepend('\'');
    for (const char c : {',', '"', '\n', '\r'})
        if (bytes.contains(c))
            return '"' + bytes.replace('"', "\"\"") + '"';
    return bytes;
}

HistoryCsv::HistoryCsv(QIODevice& out)
    : m_out(out)
{
    m_buffer.reserve(bufferSize + 4096);
}

void HistoryCsv::writeRow(const QByteArray& number, const QByteArray& nickname, PresenceState state,
                          qint64 start, qint64 end)
{
    m_buffer += number;
    m_buffer += ',';
    m_buffer += nickname;
    m_buffer += ',';
    m_buffer +=
        stateTexts[int(state) <= int(PresenceState::Unknown) ? int(state) : int(PresenceState::Unknown)];
    m_buffer += ',';
    appendLocalTime(start);
    m_buffer += ',';
    appendLocalTime(end);
    m_buffer += "\r\n";
    flushIfFull();
}

bool HistoryCsv::finish()
{
    if (!m_buffer.isEmpty() && m_out.write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
    return !m_failed;
}

void HistoryCsv::flushIfFull()
{
    if (m_buffer.size() >= bufferSize)
        finish();
}

// Formatting by hand: QDateTime's conversion and text take microseconds, and an export has millions.
void HistoryCsv::appendLocalTime(qint64 msecs)
{
    const qint64 seconds = floorDiv(msecs, 1000) + utcOffsetSeconds(msecs);
    const qint64 days = floorDiv(seconds, 86400);
    const int secondOfDay = int(seconds - days * 86400);
    int year, month, day;
    civilFromDays(days, &year, &month, &day);
    char text[19];
    char* at = text;
    appendDigits(at, year, 4);
    *at++ = '-';
    appendDigits(at, month, 2);
    *at++ = '-';
    appendDigits(at, day, 2);
    *at++ = ' ';
    appendDigits(at, secondOfDay / 3600, 2);
    *at++ = ':';
    appendDigits(at, secondOfDay / 60 % 60, 2);
    *at++ = ':';
    appendDigits(at, secondOfDay % 60, 2);
    m_buffer.append(text, sizeof text);
}

// The local zone's offset, asked of Qt once an hour of time: an hour whose two ends differ holds a
// change of offset, and its times are asked one by one.
int HistoryCsv::utcOffsetSeconds(qint64 msecs)
{
    const qint64 hour = floorDiv(msecs, msecsPerHour);
    auto known = m_offsetByHour.constFind(hour);
    if (known == m_offsetByHour.cend()) {
        const int first = QDateTime::fromMSecsSinceEpoch(hour * msecsPerHour).offsetFromUtc();
        const int last = QDateTime::fromMSecsSinceEpoch((hour + 1) * msecsPerHour - 1).offsetFromUtc();
        known = m_offsetByHour.insert(hour, first == last ? first : INT_MIN);
    }
    return *known != INT_MIN ? *known : QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc();
}
