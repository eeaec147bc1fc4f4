#pragma once

#include <QByteArrayView>
#include <utility>
#include <vector>

// Judges which encoding each line of an 8-bit list file is written in. Files of the old Windows program are
// in the Chinese code page, GB18030, and some have since been edited in UTF-8, so a file may hold lines of
// both. The file reader hands over its lines one by one, as it cuts them; then the lines weighed together
// tell whether the file is UTF-8 throughout.
class LineEncoding
{
public:
    enum Encoding : quint8
    {
        Ascii, // reads alike in both
        Utf8,
        Gb18030
    };

    // Weighs the next line of the file (byte-order marks and line ends may be left on: they weigh nothing)
    // and gives the encoding it reads in should the file be an old GB18030 one. The view must stay valid
    // until isUtf8File() has been asked.
    Encoding weigh(QByteArrayView line);
    // True when the lines weighed so far make a UTF-8 file: then every one of them reads as UTF-8.
    bool isUtf8File() const;

private:
    qint64 m_utf8FileCost = 0;
    qint64 m_gbFileCost = 0;
    std::vector<std::pair<QByteArrayView, int>> m_illFormed; // the first few, with their cost as UTF-8
};
