// Writes the GB18030 tables the list file's codec reads with (listfile/gb18030.cpp includes them): the
// character of each two-byte code, and the runs of four-byte codes below U+10000. They are taken from the
// build machine's iconv when the library is built. The program runs on the build machine, even when the
// library is cross-compiled for Windows, so it uses nothing but the C++ library and iconv(3). It lives
// beside the library rather than in tools/, as it is a step of the library's build, not a program to run.
//
// Usage: gb18030gen OUTPUT

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <string>
#include <vector>

namespace {

constexpr int leads = 0xfe - 0x81 + 1;
constexpr int trailsPerLead = 190; // 40..7E and 80..FE
constexpr int twoByteCodes = leads * trailsPerLead;
// Four-byte codes from 81 30 81 30 up to 84 31 A4 39 stand for the BMP characters no other code has.
constexpr int bmpFourByteCodes = 39420;

// glibc (2.36 in Debian 12) reads these 24 two-byte codes as GB18030-2022 does: as the vertical forms
// U+FE10..FE19 and the CJK characters 2022 gave them. The old Windows program wrote them, and the program
// on Linux read them through Qt and ICU 72, as GB18030-2005 does: as private-use characters, the others
// having four-byte codes then, which glibc reads as nothing and fillFourByteGaps() puts back. Every other
// code glibc reads as ICU 72 does.
struct TwoByteFix
{
    unsigned short code;
    char16_t character;
};
constexpr TwoByteFix gb2005Codes[] = {
    {0xa6d9, 0xe78d}, {0xa6da, 0xe78e}, {0xa6db, 0xe78f}, {0xa6dc, 0xe790}, {0xa6dd, 0xe791},
    {0xa6de, 0xe792}, {0xa6df, 0xe793}, {0xa6ec, 0xe794}, {0xa6ed, 0xe795}, {0xa6f3, 0xe796},
    {0xfe51, 0xe816}, {0xfe52, 0xe817}, {0xfe53, 0xe818}, {0xfe59, 0xe81e}, {0xfe61, 0xe826},
    {0xfe66, 0xe82b}, {0xfe67, 0xe82c}, {0xfe6c, 0xe831}, {0xfe6d, 0xe832}, {0xfe76, 0xe83b},
    {0xfe7e, 0xe843}, {0xfe90, 0xe854}, {0xfe91, 0xe855}, {0xfea0, 0xe864},
};

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "gb18030gen: %s\n", why.c_str());
    std::exit(1);
}

// The BMP character iconv reads `bytes` as, or 0 where it reads none.
int twoByteIndex(int lead, int trail)
{
    return (lead - 0x81) * trailsPerLead + trail - 0x40 - (trail > 0x7f);
}

char16_t characterOf(iconv_t converter, const unsigned char* bytes, size_t size)
{
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char in[4];
    std::memcpy(in, bytes, size);
    unsigned char out[8];
    char* inAt = in;
    char* outAt = reinterpret_cast<char*>(out);
    size_t inLeft = size;
    size_t outLeft = sizeof out;
    if (iconv(converter, &inAt, &inLeft, &outAt, &outLeft) == size_t(-1) || inLeft != 0 ||
        sizeof out - outLeft != 2)
        return 0;
    return char16_t(out[0] << 8 | out[1]);
}

std::vector<char16_t> twoByteTable(iconv_t converter)
{
    std::vector<char16_t> table(twoByteCodes);
    for (int i = 0; i < twoByteCodes; ++i) {
        const int trail = i % trailsPerLead + 0x40;
        const unsigned char code[2] = {static_cast<unsigned char>(0x81 + i / trailsPerLead),
                                       static_cast<unsigned char>(trail < 0x7f ? trail : trail + 1)};
        table[i] = characterOf(converter, code, 2);
    }
    for (const TwoByteFix& fix : gb2005Codes)
        table[twoByteIndex(fix.code >> 8, fix.code & 0xff)] = fix.character;
    return table;
}

std::vector<char16_t> fourByteTable(iconv_t converter)
{
    std::vector<char16_t> table(bmpFourByteCodes);
    for (int i = 0; i < bmpFourByteCodes; ++i) {
        const unsigned char code[4] = {
            static_cast<unsigned char>(0x81 + i / 12600), static_cast<unsigned char>(0x30 + i / 1260 % 10),
            static_cast<unsigned char>(0x81 + i / 10 % 126), static_cast<unsigned char>(0x30 + i % 10)};
        table[i] = characterOf(converter, code, 4);
    }
    return table;
}

bool isSurrogate(char32_t c)
{
    return c >= 0xd800 && c <= 0xdfff;
}

// Four-byte codes iconv reads as nothing take, in order, the characters no code has: so every BMP character
// beyond ASCII, save the surrogates, has one code, as in the standard.
void fillFourByteGaps(const std::vector<char16_t>& twoByte, std::vector<char16_t>* fourByte)
{
    std::vector<bool> taken(0x10000);
    const auto take = [&](char16_t c, const char* table, int index) {
        if (c < 0x80 || isSurrogate(c) || taken[c]) {
            char why[96];
            std::snprintf(why, sizeof why, "%s code %d reads as U+%04X, which is not GB18030 as known", table,
                          index, unsigned(c));
            fail(why);
        }
        taken[c] = true;
    };
    for (int i = 0; i < twoByteCodes; ++i)
        take(twoByte[i], "two-byte", i);
    for (int i = 0; i < bmpFourByteCodes; ++i) {
        if ((*fourByte)[i] != 0)
            take((*fourByte)[i], "four-byte", i);
    }
    char32_t next = 0x80;
    const auto skipTaken = [&] {
        while (next < 0x10000 && (taken[next] || isSurrogate(next)))
            ++next;
    };
    for (char16_t& c : *fourByte) {
        if (c != 0)
            continue;
        skipTaken();
        if (next == 0x10000)
            fail("more four-byte codes without a character than characters without a code");
        c = char16_t(next++);
    }
    skipTaken();
    if (next != 0x10000)
        fail("U+" + std::to_string(next) + " has no code");
}

void write(std::FILE* out, const std::vector<char16_t>& twoByte, const std::vector<char16_t>& fourByte)
{
    std::fprintf(out,
                 "// Made by listfile/gb18030gen from the build machine's iconv: do not edit.\n\n"
                 "constexpr char16_t twoByteCharacters[%d] = {",
                 twoByteCodes);
    for (int i = 0; i < twoByteCodes; ++i)
        std::fprintf(out, "%s0x%04x,", i % 12 ? " " : "\n    ", unsigned(twoByte[i]));
    std::fprintf(out, "\n};\n\nconstexpr FourByteRun fourByteRuns[] = {");
    int runs = 0;
    for (int i = 0; i < bmpFourByteCodes; ++i) {
        if (i > 0 && fourByte[i] == fourByte[i - 1] + 1)
            continue;
        std::fprintf(out, "%s{%d, 0x%04x},", runs++ % 6 ? " " : "\n    ", i, unsigned(fourByte[i]));
    }
    std::fprintf(out, "\n};\n");
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2)
        fail("usage: gb18030gen OUTPUT");
    const iconv_t converter = iconv_open("UTF-16BE", "GB18030");
    if (converter == iconv_t(-1))
        fail(std::string("iconv has no GB18030: ") + std::strerror(errno));
    const std::vector<char16_t> twoByte = twoByteTable(converter);
    std::vector<char16_t> fourByte = fourByteTable(converter);
    iconv_close(converter);
    fillFourByteGaps(twoByte, &fourByte);
    // Two anchors of the standard: 啊, the first common Chinese character, and the last BMP code.
    if (twoByte[twoByteIndex(0xb0, 0xa1)] != 0x554a || fourByte.back() != 0xffff)
        fail("iconv's GB18030 is not the standard's");

    const std::string temporary = std::string(argv[1]) + ".new";
    std::FILE* out = std::fopen(temporary.c_str(), "w");
    if (!out)
        fail(temporary + ": " + std::strerror(errno));
    write(out, twoByte, fourByte);
    if (std::fclose(out) != 0 || std::rename(temporary.c_str(), argv[1]) != 0)
        fail(std::string(argv[1]) + ": " + std::strerror(errno));
    return 0;
}
