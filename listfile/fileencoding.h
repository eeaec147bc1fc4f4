#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringEncoder>
#include <functional>
#include <vector>

// How a list file's bytes become lines of text, and how new lines are written in the file's own encoding.
//
// Encodings read: UTF-16 LE or BE, after their byte-order mark or without one; otherwise UTF-8 and GB18030,
// the old Windows program's code page, line by line as LineEncoding decides (marks of either at the start are
// skipped). Bytes that fit no encoding read as U+FFFD. A file is written in the encoding of its mark where it
// has one, in UTF-16 of its byte order where it is UTF-16 without one, else in the one most of its lines were
// read in; a new file is UTF-8.
//
// Lines end in LF or CRLF (any number of CRs before the LF); new lines follow the file's first line ending.
class FileEncoding
{
public:
    enum Encoding : quint8
    {
        Utf8,
        Gb18030,
        Utf16Le,
        Utf16Be
    };

    // A line as read: where its bytes stand in the file and where its text stands in the decoded text.
    struct Line
    {
        qsizetype offset = -1; // of its first byte; -1 for a line not read from the file
        qsizetype bodyLength = 0;
        qsizetype endLength = 0; // the CRs and the LF that end it; at the end of the file, CRs or nothing
        bool lineFeed = false;
        Encoding encoding = Utf8; // its bytes were read in
        qsizetype textOffset = 0;
        qsizetype textLength = 0;
    };

    FileEncoding();
    FileEncoding(FileEncoding&&) = default;
    FileEncoding& operator=(FileEncoding&&) = default;

    // Decodes `bytes` into `text`, line after line, without line ends, and lists the lines. Lines for which
    // `weighsNothing` holds (given their bytes without the line end) have no say in the file's encoding.
    static FileEncoding read(QByteArrayView bytes, QString* text, std::vector<Line>* lines,
                             const std::function<bool(QByteArrayView)>& weighsNothing = {});

    Encoding encoding() const { return m_encoding; }
    // The byte-order marks at the start of the file, which no line holds.
    qsizetype markLength() const { return m_markLength; }
    const QByteArray& lineEnding() const { return m_lineEnding; }
    QStringView lineEndingText() const { return m_lineEndingText; }
    QByteArray encoded(QStringView text);
    // True when `size` bytes end inside a character: an odd count in UTF-16.
    bool isMisaligned(qsizetype size) const
    {
        return size % 2 != 0 && (m_encoding == Utf16Le || m_encoding == Utf16Be);
    }

private:
    void setEncoding(Encoding encoding);

    Encoding m_encoding = Utf8;
    qsizetype m_markLength = 0;
    QByteArray m_lineEnding = "\n";
    QString m_lineEndingText = QStringLiteral("\n");
    QStringEncoder m_encoder;
};
