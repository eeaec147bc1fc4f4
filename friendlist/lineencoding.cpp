#include "lineencoding.h"

#include <algorithm>

// A file that is valid UTF-8 as a whole reads as UTF-8. Any other file is read line by line:
// - A line valid in only one of the two encodings reads in that one.
// - A line valid in both looks GB18030 if its non-ASCII bytes pair up as GB2312 codes (A1..F7, then A1..FE)
//   and it holds no UTF-8 character of three or four bytes: GB18030 text valid in UTF-8 mostly reads there as
//   Latin, Greek or Cyrillic letters. It looks UTF-8 if it holds such a character, as every Chinese one is,
//   and does not pair up: UTF-8 Chinese mostly carries bytes 80..A0.
// - The file leans GB18030 if more lines are GB18030-only or look GB18030 than are UTF-8-only or look UTF-8.
//   Lines valid in both, and lines valid in neither, read in the leaning; but in a GB18030-leaning file with
//   a UTF-8-only line, lines that look UTF-8 read as UTF-8.

namespace {

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

} // namespace

std::vector<LineEncoding::Encoding> LineEncoding::ofLines(QByteArrayView bytes)
{
    std::vector<Encoding> result;
    const bool utf8 = bytes.isValidUtf8();
    const LineEncodings encodings = utf8 ? LineEncodings() : lineEncodings(bytes);
    size_t index = 0;
    forEachLine(bytes, [&](qsizetype, QByteArrayView line) {
        const bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; });
        if (ascii)
            result.push_back(Ascii);
        else if (utf8)
            result.push_back(Utf8);
        else
            result.push_back(encodings.readsAsGb(encodings.kinds[index]) ? Gb18030 : Utf8);
        ++index;
    });
    return result;
}
