#include "inidocument.h"

#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool isCommentLine(QStringView trimmed)
{
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

// The name in a header line such as "[1]", or nothing when the line is not a header.
std::optional<QStringView> headerName(QStringView line)
{
    const QStringView trimmed = trimmedBlanks(line);
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    QStringView inside = trimmed.mid(1);
    const qsizetype close = inside.indexOf(u']');
    if (close >= 0)
        inside = inside.left(close);
    return trimmedBlanks(inside);
}

struct Entry
{
    QStringView key;
    QStringView writtenValue;
};

std::optional<Entry> entryOf(QStringView line)
{
    const QStringView trimmed = trimmedBlanks(line);
    if (trimmed.isEmpty() || isCommentLine(trimmed))
        return std::nullopt;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return std::nullopt;
    return Entry{trimmedBlanks(line.left(equals)), trimmedBlanks(line.mid(equals + 1))};
}

bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7f;
}

// True when the text holds a surrogate without its partner, which UTF-8 cannot carry.
bool hasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

bool needsQuoting(const QString& value)
{
    if (value.isEmpty())
        return false;
    if (isBlank(value.front()) || isBlank(value.back()))
        return true;
    if (value.front() == u'"' || value.front() == u'\'')
        return true;
    for (QChar c : value) {
        if (isControl(c.unicode()))
            return true;
    }
    return hasLoneSurrogate(value);
}

QString hex4(char16_t unit)
{
    return QStringLiteral("\\u%1").arg(static_cast<uint>(unit), 4, 16, QLatin1Char('0'));
}

QString escaped(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
                out += c;
                out += value[++i];
            } else if (isControl(c.unicode()) || c.isSurrogate()) {
                out += hex4(c.unicode());
            } else {
                out += c;
            }
        }
    }
    return out;
}

int hexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// Reads \uXXXX at `pos` (pointing at the 'u'); gives -1 when four hex digits do not follow.
int unicodeEscapeAt(QStringView text, qsizetype pos)
{
    if (pos + 4 >= text.size())
        return -1;
    int unit = 0;
    for (qsizetype k = 1; k <= 4; ++k) {
        const int digit = hexDigit(text[pos + k]);
        if (digit < 0)
            return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

QString unescaped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[i + 1];
        switch (next.unicode()) {
        case u'\\':
        case u'"':
            out += next;
            ++i;
            break;
        case u'n':
            out += QChar(u'\n');
            ++i;
            break;
        case u'r':
            out += QChar(u'\r');
            ++i;
            break;
        case u't':
            out += QChar(u'\t');
            ++i;
            break;
        case u'u': {
            const int unit = unicodeEscapeAt(text, i + 1);
            if (unit < 0) {
                out += c;
            } else {
                out += QChar(static_cast<char16_t>(unit));
                i += 5;
            }
            break;
        }
        default:
            out += c;
        }
    }
    return out;
}

bool inRange(uchar byte, uchar low, uchar high)
{
    return byte >= low && byte <= high;
}

// A four-byte GB18030 code is valid when it stands for a character: counted through all four-byte codes
// from 81 30 81 30, it comes no later than 84 31 A4 39 (U+FFFF) or from 90 30 81 30 (U+10000) to
// E3 32 9A 35 (U+10FFFF).
bool isGb18030FourByteCode(uchar b1, uchar b2, uchar b3, uchar b4)
{
    if (!inRange(b1, 0x81, 0xfe) || !inRange(b2, 0x30, 0x39) || !inRange(b3, 0x81, 0xfe) ||
        !inRange(b4, 0x30, 0x39))
        return false;
    const int index = (((b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (b3 - 0x81)) * 10 + (b4 - 0x30);
    constexpr int lastBmp = 39419;
    constexpr int firstSupplementary = 189000;
    constexpr int lastSupplementary = 1237575;
    return index <= lastBmp || (index >= firstSupplementary && index <= lastSupplementary);
}

// What a line's bytes say about its encoding.
struct LineBytes
{
    bool ascii = true;
    bool gb18030 = true; // valid GB18030
    bool gb2312 = true;  // every non-ASCII byte pairs up as a GB2312 code: lead A1..F7, trail A1..FE
};

// Checks the line as GB18030 byte by byte. Qt's decoder gives the same verdict on every code, but once it
// has met an error it reports one ever after, and a new decoder for each line would cost more than the rest.
LineBytes lineBytes(QByteArrayView line)
{
    LineBytes result;
    const auto byteAt = [&](qsizetype i) { return i < line.size() ? uchar(line[i]) : uchar(0); };
    for (qsizetype i = 0; i < line.size();) {
        const uchar lead = byteAt(i);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        result.ascii = false;
        const uchar trail = byteAt(i + 1);
        if (inRange(lead, 0x81, 0xfe) && (inRange(trail, 0x40, 0x7e) || inRange(trail, 0x80, 0xfe))) {
            result.gb2312 = result.gb2312 && inRange(lead, 0xa1, 0xf7) && trail >= 0xa1;
            i += 2;
        } else if (isGb18030FourByteCode(lead, trail, byteAt(i + 2), byteAt(i + 3))) {
            result.gb2312 = false;
            i += 4;
        } else {
            result.gb18030 = result.gb2312 = false;
            ++i;
        }
    }
    return result;
}

// Where a line is valid, and for lines valid in both, which encoding they look like (see the class comment).
enum class LineKind : quint8
{
    Ascii,
    Utf8Only,
    Gb18030Only,
    LooksGb,
    LooksUtf8,
    Both,
    Neither
};

LineKind lineKind(QByteArrayView line)
{
    const LineBytes bytes = lineBytes(line);
    if (bytes.ascii)
        return LineKind::Ascii;
    const bool utf8 = line.isValidUtf8();
    if (utf8 != bytes.gb18030)
        return utf8 ? LineKind::Utf8Only : LineKind::Gb18030Only;
    if (!utf8)
        return LineKind::Neither;
    // In valid UTF-8, a byte of E0 or more leads a character of three or four bytes.
    const bool longCharacter = std::any_of(line.begin(), line.end(), [](char c) { return uchar(c) >= 0xe0; });
    if (bytes.gb2312 == longCharacter)
        return LineKind::Both;
    return bytes.gb2312 ? LineKind::LooksGb : LineKind::LooksUtf8;
}

// Calls f(start, line) for each line, its LF included. No multi-byte character of UTF-8 or GB18030 holds
// the byte 0A, so splitting there cuts no character in two.
template<typename F>
void forEachLine(QByteArrayView bytes, F f)
{
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline + 1;
        f(start, bytes.sliced(start, end - start));
        start = end;
    }
}

QString decoded(QByteArrayView bytes, bool gb18030)
{
    // A mark that is not at the start of the file is text, as when the file is read whole.
    const auto flags = QStringConverter::Flag::ConvertInitialBom;
    if (!gb18030)
        return QStringDecoder(QStringDecoder::Utf8, flags)(bytes);
    QStringDecoder legacy("GB18030", flags);
    if (!legacy.isValid())
        legacy = QStringDecoder(QStringDecoder::System, flags);
    return legacy(bytes);
}

// How the lines of a file that is not UTF-8 throughout read; the class comment gives the rule.
struct LineEncodings
{
    std::vector<LineKind> kinds;
    bool leansGb = false;
    bool editedInUtf8 = false; // a line only UTF-8 can read

    bool readsAsGb(LineKind kind) const
    {
        if (kind == LineKind::Gb18030Only || kind == LineKind::Utf8Only)
            return kind == LineKind::Gb18030Only;
        return leansGb && !(kind == LineKind::LooksUtf8 && editedInUtf8);
    }
};

LineEncodings lineEncodings(QByteArrayView bytes)
{
    LineEncodings result;
    int gbVotes = 0;
    int utf8Votes = 0;
    forEachLine(bytes, [&](qsizetype, QByteArrayView line) {
        const LineKind kind = lineKind(line);
        result.kinds.push_back(kind);
        gbVotes += kind == LineKind::Gb18030Only || kind == LineKind::LooksGb;
        utf8Votes += kind == LineKind::Utf8Only || kind == LineKind::LooksUtf8;
        result.editedInUtf8 = result.editedInUtf8 || kind == LineKind::Utf8Only;
    });
    result.leansGb = gbVotes > utf8Votes;
    return result;
}

QString decodedByLine(QByteArrayView bytes)
{
    const LineEncodings encodings = lineEncodings(bytes);
    // Neighbouring lines in the same encoding are decoded together; ASCII lines read alike in both.
    QString text;
    text.reserve(bytes.size());
    qsizetype runStart = 0;
    bool runGb = encodings.leansGb;
    size_t index = 0;
    forEachLine(bytes, [&](qsizetype start, QByteArrayView) {
        const LineKind kind = encodings.kinds[index++];
        if (kind == LineKind::Ascii || encodings.readsAsGb(kind) == runGb)
            return;
        text += decoded(bytes.sliced(runStart, start - runStart), runGb);
        runStart = start;
        runGb = !runGb;
    });
    text += decoded(bytes.sliced(runStart), runGb);
    return text;
}

// Every byte-order mark at the start goes, in either encoding: one left in the text would be written back
// as UTF-8's mark, which the next reading skips, and the first line would read differently.
QByteArrayView withoutByteOrderMarks(QByteArrayView bytes)
{
    const QByteArrayView utf8Mark("\xEF\xBB\xBF");
    const QByteArrayView gbMark("\x84\x31\x95\x33");
    while (bytes.startsWith(utf8Mark) || bytes.startsWith(gbMark))
        bytes = bytes.sliced(bytes.startsWith(utf8Mark) ? utf8Mark.size() : gbMark.size());
    return bytes;
}

QString decodeFileText(const QByteArray& bytes)
{
    const QByteArrayView text = withoutByteOrderMarks(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString whole = utf8(text);
    return utf8.hasError() ? decodedByLine(text) : whole;
}

QString detectLineEnding(const QString& text)
{
    const qsizetype newline = text.indexOf(u'\n');
    if (newline > 0 && text[newline - 1] == u'\r')
        return QStringLiteral("\r\n");
    return QStringLiteral("\n");
}

bool isWritableSectionName(const QString& name)
{
    for (QChar c : name) {
        if (c == u']' || isControl(c.unicode()))
            return false;
    }
    return trimmedBlanks(name).size() == name.size();
}

bool isWritableKey(const QString& key)
{
    if (key.isEmpty() || key.front() == u'[' || key.front() == u';' || key.front() == u'#')
        return false;
    for (QChar c : key) {
        if (c == u'=' || isControl(c.unicode()))
            return false;
    }
    return trimmedBlanks(key).size() == key.size();
}

} // namespace

QString IniDocument::encodeValue(const QString& value)
{
    if (!needsQuoting(value))
        return value;
    return QLatin1Char('"') + escaped(value) + QLatin1Char('"');
}

QString IniDocument::decodeValue(QStringView written)
{
    if (written.size() >= 2) {
        if (written.front() == u'"' && written.back() == u'"')
            return unescaped(written.mid(1, written.size() - 2));
        if (written.front() == u'\'' && written.back() == u'\'')
            return written.mid(1, written.size() - 2).toString();
    }
    return written.toString();
}

IniDocument IniDocument::parse(const QByteArray& bytes)
{
    IniDocument document;
    document.m_text = decodeFileText(bytes);
    const QString& text = document.m_text;
    document.m_lineEnding = detectLineEnding(text);

    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        // All CRs before the LF end the line ("\r\r\n" is a CRLF file converted once too often): a CR kept
        // at the end of a line would be read as part of the line ending once the file is written back.
        qsizetype lineEnd = end;
        while (lineEnd > start && text[lineEnd - 1] == u'\r')
            --lineEnd;
        document.addLine(start, lineEnd - start);
        start = end + 1;
    }
    return document;
}

QStringView IniDocument::lineText(const Line& line) const
{
    if (line.isWritten)
        return line.written;
    return QStringView(m_text).mid(line.offset, line.length);
}

void IniDocument::addLine(qsizetype offset, qsizetype length)
{
    const Line line{offset, length, QString(), false};
    if (const auto name = headerName(lineText(line))) {
        // Where a name occurs twice, the first section counts.
        if (!m_sectionIndex.contains(NameKey{*name}))
            m_sectionIndex.insert(NameKey{*name}, m_sections.size());
        m_sections.push_back(Section{*name, {line}});
        return;
    }
    if (m_sections.empty())
        m_preamble.push_back(line);
    else
        m_sections.back().lines.push_back(line);
}

QByteArray IniDocument::toUtf8() const
{
    QString text;
    text.reserve(m_text.size() + m_text.size() / 4 + 64);
    const auto appendLine = [&](const Line& line) {
        text += lineText(line);
        text += m_lineEnding;
    };
    for (const Line& line : m_preamble)
        appendLine(line);
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines)
            appendLine(line);
    }
    return text.toUtf8();
}

const IniDocument::Line* IniDocument::findKey(const Section& section, QStringView key) const
{
    // Sections hold a handful of keys; a scan beats keeping an index for each of thousands of sections.
    for (size_t i = 1; i < section.lines.size(); ++i) {
        const auto entry = entryOf(lineText(section.lines[i]));
        if (entry && NameKey{entry->key} == NameKey{key})
            return &section.lines[i];
    }
    return nullptr;
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const
{
    const auto it = m_sectionIndex.constFind(NameKey{section});
    if (it == m_sectionIndex.constEnd())
        return std::nullopt;
    const Line* line = findKey(m_sections[*it], key);
    if (!line)
        return std::nullopt;
    const auto entry = entryOf(lineText(*line));
    return entry ? decodeValue(entry->writtenValue) : QString();
}

IniDocument::Section& IniDocument::sectionForWriting(const QString& name)
{
    const auto it = m_sectionIndex.constFind(NameKey{name});
    if (it != m_sectionIndex.constEnd())
        return m_sections[*it];
    Line header;
    header.written = QLatin1Char('[') + name + QLatin1Char(']');
    header.isWritten = true;
    // The name is a view into the header's own text, which stays put when the line moves.
    const QStringView headerName = QStringView(header.written).mid(1, name.size());
    m_sections.push_back(Section{headerName, {}});
    m_sections.back().lines.push_back(std::move(header));
    m_sectionIndex.insert(NameKey{headerName}, m_sections.size() - 1);
    return m_sections.back();
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    if (!isWritableSectionName(section) || !isWritableKey(key))
        return false;
    Section& s = sectionForWriting(section);
    Line line;
    line.written = key + QLatin1Char('=') + encodeValue(value);
    line.isWritten = true;
    if (const Line* existing = findKey(s, key)) {
        s.lines[static_cast<size_t>(existing - s.lines.data())] = std::move(line);
        return true;
    }
    // New keys go after the section's last non-blank line, so blank lines keep separating sections.
    size_t insertAt = s.lines.size();
    while (insertAt > 1 && trimmedBlanks(lineText(s.lines[insertAt - 1])).isEmpty())
        --insertAt;
    s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
    return true;
}

namespace {

char16_t foldedUnit(QChar c)
{
    if (c.unicode() < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c.unicode() + 32) : c.unicode();
    return c.toCaseFolded().unicode();
}

} // namespace

bool IniDocument::NameKey::equal(NameKey a, NameKey b)
{
    if (a.name.size() != b.name.size())
        return false;
    for (qsizetype i = 0; i < a.name.size(); ++i) {
        if (foldedUnit(a.name[i]) != foldedUnit(b.name[i]))
            return false;
    }
    return true;
}

size_t IniDocument::nameHash(QStringView name, size_t seed)
{
    // Qt's seeded string hash over the folded name. A hash whose low bits followed only the low bits of
    // each character would let a made-up file put thousands of section names into one bucket, and reading
    // it would take time quadratic in the number of sections.
    QVarLengthArray<char16_t, 64> folded(name.size());
    for (qsizetype i = 0; i < name.size(); ++i)
        folded[i] = foldedUnit(name[i]);
    return qHash(QStringView(folded.data(), folded.size()), seed);
}
