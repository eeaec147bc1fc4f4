#pragma once

#include <QByteArrayView>
#include <functional>
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

    // Weighs the next line of the file (byte-order marks and line ends may be left on: they weigh nothing).
    // A line for which `weighsNothing` holds reads as its own bytes say, but counts for nothing in how the
    // others read. The view must stay valid until verdicts() has been asked.
    void weigh(QByteArrayView line, const std::function<bool(QByteArrayView)>& weighsNothing = {});
    struct Verdicts
    {
        // The encoding each line weighed reads in, in the order they were weighed: in a UTF-8 file every
        // line that is not ASCII is Utf8; in an old GB18030 file, those added in UTF-8 are.
        std::vector<Encoding> lines;
        // More of the lines that weigh are Gb18030 than Utf8: new lines are best written so.
        bool mostlyGb18030 = false;
    };
    Verdicts verdicts() const;

private:
    struct Reading
    {
        int utf8Cost = 0;
        int gbCost = 0;
        int beyondGb2312 = 0; // codes of the GB18030 reading that GB2312 lacks
        bool ascii = true;
        bool weighs = true;
    };

    std::vector<Reading> m_lines;
    qint64 m_codes = 0; // of several bytes in the GB18030 readings of lines that cannot be UTF-8
    qint64 m_beyondGb2312 = 0;
    std::vector<std::pair<QByteArrayView, int>> m_illFormed; // the first few, with their cost as UTF-8
};
