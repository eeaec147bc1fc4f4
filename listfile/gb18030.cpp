#include "gb18030.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// Four-byte codes below U+10000 come in runs of consecutive characters; a run is its first code, counted
// through all four-byte codes from 81 30 81 30, and its first character.
struct FourByteRun
{
    quint16 index;
    char16_t first;
};

// twoByteCharacters and fourByteRuns, written by gb18030gen when the library is built.
#include "gb18030tables.inc"

constexpr int trailsPerLead = 190; // 40..7E and 80..FE
// Four-byte codes count from 81 30 81 30. Up to 84 31 A4 39 they stand for the BMP characters no two-byte
// code has; from 90 30 81 30 on for U+10000 and after, in order.
constexpr int bmpFourByteCodes = 39420;
constexpr int firstSupplementaryCode = 189000; // 90 30 81 30, U+10000
constexpr int lastSupplementaryCode = 1237575; // E3 32 9A 35, U+10FFFF
// What ICU writes for a character GB18030 cannot hold, which only a lone surrogate is.
constexpr char substituteByte = 0x1a;

bool inRange(uint value, uint low, uint high)
{
    return value >= low && value <= high;
}

bool isLead(uchar b)
{
    return inRange(b, 0x81, 0xfe);
}

bool isDigit(uchar b)
{
    return inRange(b, 0x30, 0x39);
}

bool isTrail(uchar b)
{
    return inRange(b, 0x40, 0x7e) || inRange(b, 0x80, 0xfe);
}

int twoByteIndex(uchar lead, uchar trail)
{
    return (lead - 0x81) * trailsPerLead + trail - 0x40 - (trail > 0x7f);
}

int fourByteIndex(uchar b1, uchar b2, uchar b3, uchar b4)
{
    return (((b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (b3 - 0x81)) * 10 + (b4 - 0x30);
}

char16_t fourByteCharacter(int index)
{
    const auto after = std::upper_bound(std::begin(fourByteRuns), std::end(fourByteRuns), index,
                                        [](int i, const FourByteRun& run) { return i < run.index; });
    const FourByteRun& run = after[-1];
    return char16_t(run.first + (index - run.index));
}

// The code of each BMP character from U+0080, but for the surrogates: a four-byte one by its index, below
// bmpFourByteCodes, or a two-byte one by its index after them. Built at the first write, from the tables.
const std::vector<quint16>& codesOfCharacters()
{
    static const std::vector<quint16> codes = [] {
        std::vector<quint16> table(0x10000);
        for (size_t run = 0; run < std::size(fourByteRuns); ++run) {
            const int end =
                run + 1 < std::size(fourByteRuns) ? fourByteRuns[run + 1].index : bmpFourByteCodes;
            for (int index = fourByteRuns[run].index; index < end; ++index)
                table[fourByteRuns[run].first + (index - fourByteRuns[run].index)] = quint16(index);
        }
        for (int index = 0; index < int(std::size(twoByteCharacters)); ++index)
            table[twoByteCharacters[index]] = quint16(bmpFourByteCodes + index);
        return table;
    }();
    return codes;
}

// Writes the code of `c` (from U+0080) at `out` and gives its end.
char* writeCode(char32_t c, const std::vector<quint16>& codes, char* out)
{
    int index = c >= 0x10000 ? firstSupplementaryCode + int(c - 0x10000) : codes[c];
    if (index >= bmpFourByteCodes && index < firstSupplementaryCode) {
        index -= bmpFourByteCodes;
        const int trail = 0x40 + index % trailsPerLead;
        *out++ = char(0x81 + index / trailsPerLead);
        *out++ = char(trail < 0x7f ? trail : trail + 1);
        return out;
    }
    // fourByteIndex() backwards.
    *out++ = char(0x81 + index / 12600);
    *out++ = char(0x30 + index / 1260 % 10);
    *out++ = char(0x81 + index / 10 % 126);
    *out++ = char(0x30 + index % 10);
    return out;
}

// The code at the start of `bytes` (of at least one byte): how many bytes it takes and its character,
// U+FFFD where it stands for none.
struct Code
{
    int length;
    char32_t character;
};

Code codeAt(const uchar* bytes, qsizetype size)
{
    constexpr char32_t bad = QChar::ReplacementCharacter;
    const uchar lead = bytes[0];
    if (lead < 0x80)
        return {1, lead};
    if (!isLead(lead) || size == 1)
        return {1, bad};
    const uchar second = bytes[1];
    if (isTrail(second))
        return {2, twoByteCharacters[twoByteIndex(lead, second)]};
    // A byte that cannot follow is read anew, as ICU does, save FF, which begins nothing either; an
    // unfinished code at the end is one character.
    if (!isDigit(second))
        return {second == 0xff ? 2 : 1, bad};
    if (size == 2)
        return {2, bad};
    if (!isLead(bytes[2]))
        return {1, bad};
    if (size == 3)
        return {3, bad};
    if (!isDigit(bytes[3]))
        return {1, bad};
    const int index = fourByteIndex(lead, second, bytes[2], bytes[3]);
    if (index < bmpFourByteCodes)
        return {4, fourByteCharacter(index)};
    if (inRange(index, firstSupplementaryCode, lastSupplementaryCode))
        return {4, char32_t(0x10000 + index - firstSupplementaryCode)};
    return {4, bad};
}

} // namespace

QChar* Gb18030::decode(QByteArrayView bytes, QChar* out)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size();) {
        if (data[i] < 0x80) {
            *out++ = QLatin1Char(char(data[i++]));
            continue;
        }
        const Code code = codeAt(data + i, bytes.size() - i);
        i += code.length;
        if (QChar::requiresSurrogates(code.character)) {
            *out++ = QChar(QChar::highSurrogate(code.character));
            *out++ = QChar(QChar::lowSurrogate(code.character));
        } else {
            *out++ = QChar(char16_t(code.character));
        }
    }
    return out;
}

QString Gb18030::decoded(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    text.truncate(decode(bytes, text.data()) - text.constData());
    return text;
}

QByteArray Gb18030::encoded(QStringView text)
{
    const std::vector<quint16>& codes = codesOfCharacters();
    // At most four bytes for each UTF-16 unit.
    QByteArray bytes(text.size() * 4, Qt::Uninitialized);
    char* out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80)
            *out++ = char(c);
        else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            out = writeCode(QChar::surrogateToUcs4(c, text[++i].unicode()), codes, out);
        else if (QChar::isSurrogate(c))
            *out++ = substituteByte;
        else
            out = writeCode(c, codes, out);
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}

bool Gb18030::isFourByteCode(uchar b1, uchar b2, uchar b3, uchar b4)
{
    if (!isLead(b1) || !isDigit(b2) || !isLead(b3) || !isDigit(b4))
        return false;
    const int index = fourByteIndex(b1, b2, b3, b4);
    return index < bmpFourByteCodes || inRange(index, firstSupplementaryCode, lastSupplementaryCode);
}
