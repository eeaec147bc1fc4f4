#include "fileencoding.h"

#include "gb18030.h"
#include "lineencoding.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace {

constexpr auto converterFlags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

const QByteArrayView utf8Mark("\xEF\xBB\xBF");
const QByteArrayView gbMark("\x84\x31\x95\x33");
const QByteArrayView utf16LeMark("\xFF\xFE");
const QByteArrayView utf16BeMark("\xFE\xFF");

// GB18030 has an encoder of its own: this one is for the others.
QStringEncoder encoderFor(FileEncoding::Encoding encoding)
{
    switch (encoding) {
    case FileEncoding::Utf16Le:
        return QStringEncoder(QStringEncoder::Utf16LE, converterFlags);
    case FileEncoding::Utf16Be:
        return QStringEncoder(QStringEncoder::Utf16BE, converterFlags);
    default:
        return QStringEncoder(QStringEncoder::Utf8, converterFlags);
    }
}

// The UTF-16 a file is in, by its mark, or without one by its zero bytes; none for an 8-bit file. No 8-bit
// text holds a zero byte, while UTF-16 gives one to every ASCII character, which a list's section headers,
// keys and comment signs are: a file whose first code unit is an ASCII character is UTF-16. Only the first
// two bytes are looked at, which no save changes, so a file reads in the same encoding after every save: a
// save does write the bytes after them, as it adds to a short file or writes a last half character anew. A
// file of one byte is looked at with the line end a save adds after it.
std::optional<FileEncoding::Encoding> utf16Order(QByteArrayView bytes)
{
    if (bytes.startsWith(utf16LeMark))
        return FileEncoding::Utf16Le;
    if (bytes.startsWith(utf16BeMark))
        return FileEncoding::Utf16Be;
    const auto byteAt = [&](qsizetype i) { return i < bytes.size() ? uchar(bytes[i]) : uchar('\n'); };
    const auto isAscii = [](uchar b) { return b != 0 && b < 0x80; };
    if (isAscii(byteAt(0)) && byteAt(1) == 0)
        return FileEncoding::Utf16Le;
    if (byteAt(0) == 0 && isAscii(byteAt(1)))
        return FileEncoding::Utf16Be;
    return std::nullopt;
}

// Every 8-bit mark at the start goes, in either encoding; one left in the text would read as part of the
// first line.
qsizetype eightBitMarkLength(QByteArrayView bytes)
{
    qsizetype length = 0;
    for (;;) {
        const QByteArrayView rest = bytes.sliced(length);
        if (rest.startsWith(utf8Mark))
            length += utf8Mark.size();
        else if (rest.startsWith(gbMark))
            length += gbMark.size();
        else
            return length;
    }
}

// Splits `bytes` after each LF, of `unit` bytes each (2 in UTF-16), and calls f(line) for each line with
// its offset, body and end (the CRs and the LF) set.
template<typename F>
void forEachLine(QByteArrayView bytes, qsizetype start, int unit, bool bigEndian, F f)
{
    const auto codeAt = [&](qsizetype i) {
        if (unit == 1)
            return char16_t(uchar(bytes[i]));
        const uchar high = uchar(bytes[bigEndian ? i : i + 1]);
        const uchar low = uchar(bytes[bigEndian ? i + 1 : i]);
        return char16_t(high << 8 | low);
    };
    FileEncoding::Line line;
    line.offset = start;
    // CRs before the LF, or at the end of the file, end the line too: one kept in the line would turn into
    // part of its line end as soon as a line is written after it.
    const auto endLine = [&](qsizetype end, bool lineFeed) {
        qsizetype bodyEnd = lineFeed ? end - unit : end;
        while (bodyEnd > line.offset && codeAt(bodyEnd - unit) == u'\r')
            bodyEnd -= unit;
        line.bodyLength = bodyEnd - line.offset;
        line.endLength = end - bodyEnd;
        line.lineFeed = lineFeed;
        f(line);
        line.offset = end;
    };
    // The next LF from `i`, or -1; in 8 bits by the library's fast search.
    const auto nextLineFeed = [&](qsizetype i) {
        if (unit == 1)
            return bytes.indexOf('\n', i);
        for (; i + unit <= bytes.size(); i += unit) {
            if (codeAt(i) == u'\n')
                return i;
        }
        return qsizetype(-1);
    };
    for (qsizetype i = nextLineFeed(start); i >= 0; i = nextLineFeed(i + unit))
        endLine(i + unit, true);
    if (line.offset == bytes.size())
        return;
    if ((bytes.size() - line.offset) % unit == 0)
        return endLine(bytes.size(), false);
    // A UTF-16 file that ends in half a character: the half belongs to the last line's body.
    line.bodyLength = bytes.size() - line.offset;
    line.endLength = 0;
    line.lineFeed = false;
    f(line);
}

} // namespace

FileEncoding::FileEncoding()
    : m_encoder(encoderFor(Utf8))
{}

void FileEncoding::setEncoding(Encoding encoding)
{
    m_encoding = encoding;
    m_encoder = encoderFor(encoding);
}

QByteArray FileEncoding::encoded(QStringView text)
{
    if (m_encoding == Utf8)
        return text.toUtf8();
    if (m_encoding == Gb18030)
        return Gb18030::encoded(text);
    return m_encoder.encode(text);
}

FileEncoding FileEncoding::read(QByteArrayView bytes, QString* text, std::vector<Line>* lines,
                                const std::function<bool(QByteArrayView)>& weighsNothing)
{
    FileEncoding file;
    const std::optional<Encoding> utf16Encoding = utf16Order(bytes);
    const bool utf16 = utf16Encoding.has_value();
    const bool bigEndian = utf16Encoding == Utf16Be;
    if (!utf16)
        file.m_markLength = eightBitMarkLength(bytes);
    else if (bytes.startsWith(utf16LeMark) || bytes.startsWith(utf16BeMark))
        file.m_markLength = utf16LeMark.size();

    // Each line is weighed as it is cut; the verdict on the file comes once all are in.
    LineEncoding judge;
    lines->clear();
    forEachLine(bytes, file.m_markLength, utf16 ? 2 : 1, bigEndian, [&](Line line) {
        line.encoding = utf16Encoding.value_or(Utf8);
        if (!utf16)
            judge.weigh(bytes.sliced(line.offset, line.bodyLength), weighsNothing);
        lines->push_back(line);
    });
    // The verdicts come in the order the lines were weighed, one for each.
    const LineEncoding::Verdicts verdicts = utf16 ? LineEncoding::Verdicts() : judge.verdicts();

    // At most one character of text for each byte, so the text is written in place. Each line is decoded on
    // its own, so that what it reads as depends on its own bytes only, whatever lines come before or after.
    QStringDecoder utf8(QStringDecoder::Utf8, converterFlags);
    QStringDecoder wide(bigEndian ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE, converterFlags);
    text->resize(bytes.size() + 1);
    QChar* out = text->data();
    for (size_t i = 0; i < lines->size(); ++i) {
        Line& line = (*lines)[i];
        line.textOffset = out - text->constData();
        const QByteArrayView body = bytes.sliced(line.offset, line.bodyLength);
        const LineEncoding::Encoding verdict = utf16 ? LineEncoding::Utf8 : verdicts.lines[i];
        if (verdict == LineEncoding::Ascii) {
            // Most lines; widened here, as a decoder's call would cost more than the bytes.
            out = std::transform(body.begin(), body.end(), out, [](char c) { return QLatin1Char(c); });
            line.textLength = body.size();
            continue;
        }
        line.encoding = utf16 ? line.encoding : verdict == LineEncoding::Gb18030 ? Gb18030 : Utf8;
        if (line.encoding == Gb18030)
            out = Gb18030::decode(body, out);
        else
            out = (utf16 ? wide : utf8).appendToBuffer(out, body);
        line.textLength = out - text->constData() - line.textOffset;
    }
    text->truncate(out - text->constData());

    const QByteArrayView marks = bytes.first(file.m_markLength);
    if (utf16)
        file.setEncoding(*utf16Encoding);
    else if (marks.startsWith(gbMark) || (marks.isEmpty() && verdicts.mostlyGb18030))
        file.setEncoding(Gb18030);
    if (!lines->empty() && (*lines)[0].endLength > (utf16 ? 2 : 1))
        file.m_lineEndingText = QStringLiteral("\r\n");
    file.m_lineEnding = file.encoded(file.m_lineEndingText);
    return file;
}
