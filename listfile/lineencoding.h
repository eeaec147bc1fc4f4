#pragma once

#include <QByteArrayView>
#include <vector>

// Which encoding each line of an 8-bit list file is written in. Files of the old Windows program are in the
// Chinese code page, GB18030, and some have since been edited in UTF-8, so a file may hold lines of both.
// Lines are split after each LF byte, which neither encoding uses inside a character; a last line without
// one counts too. Byte-order marks are taken off before.
class LineEncoding
{
public:
    enum Encoding : quint8
    {
        Ascii, // reads alike in both
        Utf8,
        Gb18030
    };

    static std::vector<Encoding> ofLines(QByteArrayView bytes);
};
