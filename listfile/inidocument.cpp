#include "inidocument.h"

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
    // A plain scan: the library's search costs more than the few units before the sign.
    const auto equals = std::find(line.begin(), line.end(), u'=') - line.begin();
    if (equals == line.size())
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

bool IniDocument::readsAs(QStringView written, const QString& value)
{
    // Most values are written plain, and then they read as they stand.
    if (!written.startsWith(u'"') && !written.startsWith(u'\''))
        return written == value;
    return decodeValue(written) == value;
}

IniDocument IniDocument::parse(const QByteArray& bytes, const QStringList& ownKeys)
{
    IniDocument document;
    document.m_bytes = bytes;
    std::vector<FileEncoding::Line> lines;
    // Keys are ASCII, which reads alike in every 8-bit encoding the line may be in.
    std::vector<QByteArray> own;
    for (const QString& key : ownKeys)
        own.push_back(key.toLatin1());
    const auto isOwnEntry = [&](QByteArrayView line) {
        const qsizetype equals = line.indexOf('=');
        const QByteArrayView key = equals < 0 ? QByteArrayView() : line.first(equals).trimmed();
        return std::any_of(own.begin(), own.end(), [&](const QByteArray& ownKey) {
            return ownKey.size() == key.size() && qstrnicmp(ownKey.data(), key.data(), key.size()) == 0;
        });
    };
    document.m_encoding =
        FileEncoding::read(bytes, &document.m_text, &lines,
                           ownKeys.isEmpty() ? std::function<bool(QByteArrayView)>() : isOwnEntry);
    for (const FileEncoding::Line& line : lines)
        document.addLine(line);
    return document;
}

QStringView IniDocument::lineText(const Line& line) const
{
    if (line.isWritten)
        return line.written;
    return QStringView(m_text).mid(line.read.textOffset, line.read.textLength);
}

void IniDocument::addLine(const FileEncoding::Line& read)
{
    const Line line{read, QString(), false};
    if (const auto name = headerName(lineText(line))) {
        // Where a name occurs twice, the first section counts.
        if (!m_sectionIndex.contains(NameKey{*name}))
            m_sectionIndex.insert(NameKey{*name}, m_sections.size());
        m_sections.push_back(Section{*name, {}});
        m_sections.back().lines.reserve(4); // the header, a friend's keys and a blank line, as a rule
        m_sections.back().lines.push_back(line);
        return;
    }
    if (m_sections.empty())
        m_preamble.push_back(line);
    else
        m_sections.back().lines.push_back(line);
}

QByteArray IniDocument::toBytes()
{
    QByteArray bytes;
    bytes.reserve(m_bytes.size() + m_bytes.size() / 4 + 64);
    bytes += QByteArrayView(m_bytes).first(m_encoding.markLength());
    // Neighbouring lines written anew are encoded together, each with its line end.
    QString written;
    const auto flush = [&] {
        bytes += m_encoding.encoded(written);
        written.clear();
    };
    bool ended = true; // the last line so far ends in a line end
    const Line* previous = nullptr;
    const auto appendLine = [&](const Line& line) {
        const FileEncoding::Line& read = line.read;
        if (!ended) {
            // A UTF-16 file can end in half a character, which would put every line after it out of step.
            if (m_encoding.isMisaligned(bytes.size())) {
                bytes.chop(previous->read.bodyLength);
                bytes += m_encoding.encoded(lineText(*previous));
            }
            bytes += m_encoding.lineEnding();
        }
        previous = &line;
        if (read.offset < 0) {
            written += line.written;
            written += m_encoding.lineEndingText();
            ended = true;
            return;
        }
        // A line read from the file keeps its own line end, or the lack of one at the end of the file.
        if (line.isWritten) {
            written += line.written;
            flush();
        } else {
            flush();
            bytes += QByteArrayView(m_bytes).sliced(read.offset, read.bodyLength);
        }
        bytes += QByteArrayView(m_bytes).sliced(read.offset + read.bodyLength, read.endLength);
        ended = read.lineFeed;
    };
    for (const Line& line : m_preamble)
        appendLine(line);
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines)
            appendLine(line);
    }
    flush();
    return bytes;
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

size_t IniDocument::sectionIndex(QStringView name) const
{
    // A list is read and written a section at a time, several keys in each: the last one found comes first.
    if (m_lastSection < m_sections.size() && NameKey{m_sections[m_lastSection].name} == NameKey{name})
        return m_lastSection;
    const auto it = m_sectionIndex.constFind(NameKey{name});
    if (it == m_sectionIndex.constEnd())
        return noSection;
    m_lastSection = *it;
    return *it;
}

std::optional<QString> IniDocument::valueOf(QStringView section, QStringView key) const
{
    const size_t index = sectionIndex(section);
    if (index == noSection)
        return std::nullopt;
    const Line* line = findKey(m_sections[index], key);
    if (!line)
        return std::nullopt;
    const auto entry = entryOf(lineText(*line));
    return entry ? decodeValue(entry->writtenValue) : QString();
}

IniDocument::Section& IniDocument::sectionForWriting(const QString& name)
{
    const size_t index = sectionIndex(name);
    if (index != noSection)
        return m_sections[index];
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
    const Line* existing = findKey(s, key);
    // A value that stays as it was keeps its line as the file has it.
    if (existing) {
        const auto entry = entryOf(lineText(*existing));
        if (entry && readsAs(entry->writtenValue, value))
            return true;
    }
    Line line;
    line.written = key + QLatin1Char('=') + encodeValue(value);
    line.isWritten = true;
    if (existing) {
        line.read = existing->read;
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
    // Names are mostly compared with themselves: folding waits for the first unit that differs.
    for (qsizetype i = 0; i < a.name.size(); ++i) {
        if (a.name[i] != b.name[i] && foldedUnit(a.name[i]) != foldedUnit(b.name[i]))
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
