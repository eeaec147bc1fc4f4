#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// GB18030, the Chinese code page the old Windows program wrote its lists in, read and written by the list
// file itself: a Qt without ICU, as on Windows, has no converter for it, and every system must read a list
// alike. Codes map as in GB18030-2005, as Qt's converter (ICU 72) read them on Linux before.
//
// Bad bytes read as U+FFFD as ICU reads them: a byte that begins no code, a lead byte that the next byte
// cannot follow (that byte is read anew, save FF, which is part of no code), a four-byte code of no
// character. A code begun but not finished by the end reads as one U+FFFD. Writing, a lone surrogate becomes
// ICU's substitute byte, 1A.
class Gb18030
{
public:
    // Writes the text of `bytes` from `out` on, at most one character for each byte, and gives its end.
    static QChar* decode(QByteArrayView bytes, QChar* out);
    static QString decoded(QByteArrayView bytes);
    static QByteArray encoded(QStringView text);

    // True for a four-byte code that stands for a character: from 81 30 81 30 (U+0080) to 84 31 A4 39
    // (U+FFFF), or from 90 30 81 30 (U+10000) to E3 32 9A 35 (U+10FFFF).
    static bool isFourByteCode(uchar b1, uchar b2, uchar b3, uchar b4);
};
