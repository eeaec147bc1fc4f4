#include "lineencoding.h"

#include "gb18030.h"

#include <QVarLengthArray>
#include <algorithm>
#include <bitset>
#include <string_view>

// Each line is read both ways, and each reading costs about as many bits as it takes to pick its characters
// among those people put in nicknames: the cheaper reading is the likelier one. ASCII reads alike either way
// and costs nothing. GB18030 read as UTF-8 gives ill-formed bytes, symbols, lone accented letters and
// Cyrillic without vowels (小谢, D0A1 D0BB, reads Сл); UTF-8 read as GB18030 gives three rare characters for
// every two (王五 reads 鐜嬩簲).
// A file is UTF-8 throughout, or an old GB18030 file with lines added to it in UTF-8: UTF-8 files do not get
// GB18030 lines. The file is the one of the two whose lines cost less in all; in an old file, each line
// reads the cheaper way, the UTF-8 one paying for being an added line, and what GB18030 codes cost depends a
// little on which the file's other lines use.

namespace {

// Characters of either reading. A byte that fits no character is rarer than any character.
constexpr int invalidCost = 20;
// A Chinese character, in either encoding: one of the 3,755 common ones (GB2312's first level) is picked
// among about 2^12, any other among about 2^16.
constexpr int commonCost = 12;
constexpr int rareCost = 16;

// The GB18030 reading. GB2312's symbol rows are as likely as a rare character; the rest of GBK's two-byte
// codes, nearly never typed, a little less so; a four-byte code stands for a character GBK lacks.
constexpr int gbOtherCost = 18;
constexpr int gbFourByteCost = 22;
// An ASCII letter run straight onto a character of several bytes, either side (Tom猫): that is how a Latin
// name with an accent typed in UTF-8 reads (José, Jos茅), and rarer in Chinese nicknames than either alone.
constexpr int gbJoinCost = 7;

// The UTF-8 reading. A character of three or four bytes that is not Chinese is one of tens of thousands;
// a private-use one, or one past the planes in use, is one nobody types. Nicknames hold three kinds of them
// often: kana (one of about 170, as in ミク), Hangul syllables (about 2,350 in use) and emoji (a thousand or
// so, and the joiners and selectors that build them cost next to nothing). None of these comes out of GB2312
// text read as UTF-8.
constexpr int longOtherCost = 22;
constexpr int neverCost = 30;
constexpr int kanaCost = 8;
constexpr int hangulCost = 12;
constexpr int emojiCost = 10;
constexpr int emojiPartCost = 2;
// Characters of two bytes (Latin, Greek, Cyrillic, symbols) are one of a couple of thousand; in a word that
// reads like a name, a letter is as likely as one of a few dozen of its alphabet.
constexpr int twoByteOtherCost = 16;
constexpr int nameLetterCost = 4;
// A name word this short is rare as a name but common in GB18030 read as UTF-8 (Сл), which costs it more.
constexpr int shortNameLetters = 2;
constexpr int shortNameCost = 8;
// A Latin name in capitals throughout (JOSÉ) is rarer than one capitalised, and so is a GB18030 nickname of
// ASCII capitals and a character that reads as one (ANĻ).
constexpr int capitalsNameCost = 4;
// An ASCII letter or sign run straight onto a character of another script than Latin: that is how a GBK
// code with a trail byte of 40..7E reads, and rare in typed text.
constexpr int joinCost = 10;

// A stray byte in a UTF-8 line: taking it out must leave well-formed UTF-8 that still holds a character of
// several bytes, and it costs about as much as picking a place and a byte for it. It spoils itself and at
// most the four bytes of the character it falls into, so it stands within three bytes of the first
// ill-formed one, and a line with more ill-formed bytes holds more than a stray one. Stray bytes are
// weighed only in a file with at most two ill-formed lines: more are not slips in a UTF-8 file.
constexpr int strayByteCost = 16;
constexpr int strayReach = 3;
constexpr int strayDamage = 5;
constexpr size_t mostStrayLines = 2;

// In an old GB18030 file, a line reads as UTF-8 only where that is cheaper by more than the margin (a
// nickname of common characters typed in UTF-8 is so by 16 or more), and then adds the cost of being an
// added line to the file's total.
constexpr int addedLineMargin = 14;
constexpr int addedLineCost = 2;
// A file whose lines that cannot be UTF-8 hold under one code beyond GB2312 in this many was written with
// GB2312's characters, where the others cost this much more.
constexpr int gb2312FileShare = 8;
constexpr int gb2312FileExtraCost = 4;

// Code points: the CJK Unified Ideographs, where the Chinese characters of nicknames are.
constexpr char32_t firstHan = 0x4e00;
constexpr char32_t lastHan = 0x9fff;
constexpr size_t hanCount = lastHan - firstHan + 1;

bool inRange(uint value, uint low, uint high)
{
    return value >= low && value <= high;
}

// The Latin letters names are written with: Latin-1's, Latin Extended-A's, Romanian's ș and ț, and
// Vietnamese's, of which ơ and ư come before the others in Latin Extended-B and Additional.
bool isLatinLetter(char32_t c)
{
    return (inRange(c, 0xc0, 0x17f) && c != 0xd7 && c != 0xf7) || inRange(c, 0x218, 0x21b) || c == 0x1a0 ||
           c == 0x1a1 || c == 0x1af || c == 0x1b0 || inRange(c, 0x1ea0, 0x1ef9);
}

// Pictographs and emoji of four bytes, and the symbols and dingbats of three that serve as emoji (☀ ❤ ⭐).
bool isEmoji(char32_t c)
{
    return inRange(c, 0x1f000, 0x1faff) || inRange(c, 0x2600, 0x27bf) || inRange(c, 0x2b00, 0x2bff);
}

// The zero-width joiner and the variation selectors, which build emoji out of others.
bool isEmojiPart(char32_t c)
{
    return c == 0x200d || inRange(c, 0xfe00, 0xfe0f);
}

int gbTwoByteCost(uchar lead, uchar trail)
{
    if (trail < 0xa1)
        return gbOtherCost;
    if (inRange(lead, 0xb0, 0xd6) || (lead == 0xd7 && trail <= 0xf9))
        return commonCost;
    return inRange(lead, 0xa1, 0xa9) || inRange(lead, 0xd7, 0xf7) ? rareCost : gbOtherCost;
}

// The line read as GB18030, code by code, for what its codes cost: its decoded text would not tell a bad
// code from a U+FFFD written in the line.
struct GbReading
{
    int cost = 0;
    int codes = 0;        // characters of several bytes
    int beyondGb2312 = 0; // of them
};

GbReading readGb18030(QByteArrayView line)
{
    const auto byteAt = [&](qsizetype i) { return i < line.size() ? uchar(line[i]) : uchar(0); };
    const auto isLetter = [](uchar b) { return inRange(b | 0x20, 'a', 'z'); };
    GbReading reading;
    bool letterBefore = false;
    bool characterBefore = false; // of several bytes
    for (qsizetype i = 0; i < line.size();) {
        const uchar lead = byteAt(i);
        const uchar trail = byteAt(i + 1);
        const bool character = lead >= 0x80;
        if (!character) {
            ++i;
        } else if (inRange(lead, 0x81, 0xfe) && (inRange(trail, 0x40, 0x7e) || inRange(trail, 0x80, 0xfe))) {
            reading.cost += gbTwoByteCost(lead, trail);
            ++reading.codes;
            reading.beyondGb2312 += !inRange(lead, 0xa1, 0xf7) || trail < 0xa1;
            i += 2;
        } else if (Gb18030::isFourByteCode(lead, trail, byteAt(i + 2), byteAt(i + 3))) {
            reading.cost += gbFourByteCost;
            ++reading.codes;
            ++reading.beyondGb2312;
            i += 4;
        } else {
            reading.cost += invalidCost;
            ++i;
        }
        if ((character && letterBefore) || (isLetter(lead) && characterBefore))
            reading.cost += gbJoinCost;
        letterBefore = isLetter(lead);
        characterBefore = character;
    }
    return reading;
}

// The common characters by code point from firstHan.
const std::bitset<hanCount>& commonCharacters()
{
    static const std::bitset<hanCount> common = [] {
        QByteArray codes;
        for (int lead = 0xb0; lead <= 0xd7; ++lead) {
            for (int trail = 0xa1; trail <= (lead == 0xd7 ? 0xf9 : 0xfe); ++trail)
                codes.append(char(lead)).append(char(trail));
        }
        std::bitset<hanCount> set;
        for (const QChar c : Gb18030::decoded(codes)) {
            if (inRange(c.unicode(), firstHan, lastHan))
                set.set(c.unicode() - firstHan);
        }
        return set;
    }();
    return common;
}

int longCharacterCost(char32_t c)
{
    if (inRange(c, firstHan, lastHan))
        return commonCharacters()[c - firstHan] ? commonCost : rareCost;
    if (inRange(c, 0x3041, 0x30ff))
        return kanaCost;
    if (inRange(c, 0xac00, 0xd7a3))
        return hangulCost;
    if (isEmoji(c))
        return emojiCost;
    if (isEmojiPart(c))
        return emojiPartCost;
    return inRange(c, 0xe000, 0xf8ff) || c >= 0x40000 ? neverCost : longOtherCost;
}

// A run of letters in UTF-8: its letters beyond ASCII are priced when it ends.
struct Word
{
    enum Script : quint8
    {
        None = 0,
        Ascii = 1,
        Latin = 2,
        Greek = 4,
        Cyrillic = 8
    };

    int letters = 0;
    int nonAsciiLetters = 0;
    int upper = 0;
    quint8 scripts = None;
    bool upperAfterFirst = false;
    bool lowerAccentFirst = false;
    bool vowel = false;

    static Script scriptOf(char32_t c)
    {
        if (c < 0x80)
            return inRange(c | 0x20, 'a', 'z') ? Ascii : None;
        if (isLatinLetter(c))
            return Latin;
        if (inRange(c, 0x386, 0x3ce) && c != 0x387 && c != 0x38b && c != 0x38d && c != 0x3a2)
            return Greek;
        return inRange(c, 0x400, 0x45f) || inRange(c, 0x490, 0x491) ? Cyrillic : None;
    }

    // False for a character that is no letter of these scripts; it ends the word.
    bool add(char32_t c)
    {
        const Script script = scriptOf(c);
        if (script == None)
            return false;
        scripts |= script;
        ++letters;
        const bool isUpper = QChar::isUpper(c);
        upper += isUpper;
        upperAfterFirst = upperAfterFirst || (isUpper && letters > 1);
        if (script == Ascii)
            return true;
        // A name begins with a capital or an ASCII letter; a lowercase nonAsciiLetters one first (èTom) is no
        // name.
        lowerAccentFirst = lowerAccentFirst || (letters == 1 && !isUpper);
        ++nonAsciiLetters;
        constexpr std::u32string_view vowels =
            U"ΑΕΗΙΟΥΩΆΈΉΊΌΎΏΪΫαεηιουωάέήίόύώϊϋΐΰАЕЁИОУЫЭЮЯІЇЄаеёиоуыэюяіїє";
        vowel = vowel || vowels.find(c) != std::u32string_view::npos;
        return true;
    }

    int end()
    {
        const bool caseFits = !upperAfterFirst || upper == letters;
        const bool name = caseFits && ((scripts == (Ascii | Latin) && !lowerAccentFirst) ||
                                       ((scripts == Greek || scripts == Cyrillic) && vowel));
        const int cost = name ? nonAsciiLetters * nameLetterCost +
                                    (letters <= shortNameLetters ? shortNameCost : 0) +
                                    (scripts & Latin && upper == letters ? capitalsNameCost : 0)
                              : nonAsciiLetters * twoByteOtherCost;
        *this = Word();
        return cost;
    }
};

// The length of the well-formed UTF-8 character at `i`, with its code point in `c`; 0 if there is none.
int utf8Character(QByteArrayView bytes, qsizetype i, char32_t* c)
{
    const uchar lead = uchar(bytes[i]);
    int length = 0;
    if (inRange(lead, 0xc2, 0xdf))
        length = 2;
    else if (inRange(lead, 0xe0, 0xef))
        length = 3;
    else if (inRange(lead, 0xf0, 0xf4))
        length = 4;
    if (length == 0 || i + length > bytes.size())
        return 0;
    // The second byte also rules out overlong forms, surrogates and code points past U+10FFFF.
    const uchar low = lead == 0xe0 ? 0xa0 : lead == 0xf0 ? 0x90 : 0x80;
    const uchar high = lead == 0xed ? 0x9f : lead == 0xf4 ? 0x8f : 0xbf;
    *c = lead & (0x7f >> length);
    for (int k = 1; k < length; ++k) {
        const uchar next = uchar(bytes[i + k]);
        if (!inRange(next, k == 1 ? low : 0x80, k == 1 ? high : 0xbf))
            return 0;
        *c = *c << 6 | (next & 0x3f);
    }
    return length;
}

struct Utf8Reading
{
    int cost = 0;
    int invalidBytes = 0;
    qsizetype firstInvalid = -1;
};

Utf8Reading readUtf8(QByteArrayView line)
{
    Utf8Reading reading;
    Word word;
    bool foreignBefore = false; // the character before is of several bytes and no Latin letter
    for (qsizetype i = 0; i < line.size();) {
        char32_t c = uchar(line[i]);
        const int length = c < 0x80 ? 1 : utf8Character(line, i, &c);
        if (length == 0) {
            reading.cost += word.end() + invalidCost;
            reading.firstInvalid = reading.invalidBytes++ ? reading.firstInvalid : i;
            foreignBefore = false;
            ++i;
            continue;
        }
        i += length;
        if (length == 1 && foreignBefore && inRange(c, 0x40, 0x7e))
            reading.cost += joinCost;
        foreignBefore = length > 1 && !isLatinLetter(c) && !isEmoji(c) && !isEmojiPart(c);
        if ((length <= 2 || isLatinLetter(c)) && word.add(c))
            continue;
        reading.cost += word.end();
        if (length == 2)
            reading.cost += twoByteOtherCost;
        else if (length > 2)
            reading.cost += longCharacterCost(c);
    }
    reading.cost += word.end();
    return reading;
}

// The line read as UTF-8 with a stray byte near its first ill-formed one taken out, where that is cheaper.
// A stray byte spoils the character it falls into, or the one after it.
int repairedUtf8Cost(QByteArrayView line)
{
    const Utf8Reading reading = readUtf8(line);
    if (reading.invalidBytes == 0 || reading.invalidBytes > strayDamage)
        return reading.cost;
    int cost = reading.cost;
    QVarLengthArray<char, 256> repaired(line.size() - 1);
    const qsizetype last = std::min(reading.firstInvalid + strayReach, line.size() - 1);
    for (qsizetype stray = std::max<qsizetype>(0, reading.firstInvalid - strayReach); stray <= last;
         ++stray) {
        std::copy(line.begin(), line.begin() + stray, repaired.begin());
        std::copy(line.begin() + stray + 1, line.end(), repaired.begin() + stray);
        const QByteArrayView rest(repaired.data(), repaired.size());
        const Utf8Reading without = readUtf8(rest);
        const bool multiByte = std::any_of(rest.begin(), rest.end(), [](char c) { return uchar(c) >= 0x80; });
        if (without.invalidBytes == 0 && multiByte)
            cost = std::min(cost, without.cost + strayByteCost);
    }
    return cost;
}

} // namespace

void LineEncoding::weigh(QByteArrayView whole, const std::function<bool(QByteArrayView)>& weighsNothing)
{
    const auto high = std::find_if(whole.begin(), whole.end(), [](char c) { return uchar(c) >= 0x80; });
    if (high == whole.end()) {
        m_lines.push_back(Reading());
        return;
    }
    // ASCII costs nothing either way, save the letters of a word that has a non-ASCII one.
    auto start = high;
    while (start != whole.begin() && inRange(uchar(start[-1]) | 0x20, 'a', 'z'))
        --start;
    const QByteArrayView line = whole.sliced(start - whole.begin());
    const Utf8Reading utf8 = readUtf8(line);
    const GbReading gb18030 = readGb18030(line);
    const bool weighs = !weighsNothing || !weighsNothing(whole);
    m_lines.push_back(Reading{utf8.cost, gb18030.cost, gb18030.beyondGb2312, false, weighs});
    if (!weighs)
        return;
    if (utf8.invalidBytes == 0)
        return;
    // Only lines that cannot be UTF-8 surely show how the file's GB18030 is written.
    m_codes += gb18030.codes;
    m_beyondGb2312 += gb18030.beyondGb2312;
    if (m_illFormed.size() <= mostStrayLines)
        m_illFormed.emplace_back(line, utf8.cost);
}

LineEncoding::Verdicts LineEncoding::verdicts() const
{
    // Codes beyond GB2312 are as likely as its rare characters in a file that uses them, and rarer still in
    // one that hardly does.
    const int beyondGb2312Extra = m_beyondGb2312 * gb2312FileShare < m_codes ? gb2312FileExtraCost : 0;
    Verdicts result;
    result.lines.reserve(m_lines.size());
    qint64 utf8FileCost = 0;
    qint64 gbFileCost = 0;
    qsizetype addedLines = 0;
    qsizetype gbLines = 0;
    for (const Reading& line : m_lines) {
        if (line.ascii) {
            result.lines.push_back(Ascii);
            continue;
        }
        const int gb18030 = line.gbCost + line.beyondGb2312 * beyondGb2312Extra;
        const bool added = line.utf8Cost + addedLineMargin < gb18030;
        result.lines.push_back(added ? Utf8 : Gb18030);
        if (!line.weighs)
            continue;
        addedLines += added;
        gbLines += !added;
        utf8FileCost += line.utf8Cost;
        gbFileCost += added ? line.utf8Cost + addedLineCost : gb18030;
    }
    if (m_illFormed.size() <= mostStrayLines) {
        for (const auto& [line, cost] : m_illFormed)
            utf8FileCost += repairedUtf8Cost(line) - cost;
    }
    if (gbFileCost >= utf8FileCost)
        std::replace(result.lines.begin(), result.lines.end(), Gb18030, Utf8);
    else
        result.mostlyGb18030 = gbLines > addedLines;
    return result;
}
