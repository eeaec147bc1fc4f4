#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

// The text of an INI file, kept line by line so that writing a value leaves every other line
// (other sections and keys, comments, blank lines) exactly as it was.
//
// Syntax, as in Windows INI files:
//   [section]     a section header; the name is the text between the brackets, blanks trimmed
//   key=value     an entry; blanks (spaces, tabs) around the key and around the value are trimmed
//   ; or #        a comment line; comments, blank lines and other lines are kept but ignored
// Section and key names compare without regard to letter case; where a name occurs twice, the first
// occurrence counts. Entries before the first section header belong to no section.
//
// Values: a value in double quotes is unescaped: \\ \" \n \r \t and \uXXXX (one UTF-16 code unit);
// a backslash before anything else stands for itself. A value in single quotes reads as the text
// between them, as older Windows files have it. Values that read back unchanged as they are
// (no blank at either end, no leading quote, no control character) are written plain; all others
// are written in double quotes with escapes, so that any text, line breaks included, comes back exactly.
//
// Encoding: UTF-8, byte-order marks at the start (UTF-8's and GB18030's) skipped; the text is always written
// back as UTF-8. Files of the old Windows program are in the Chinese code page, GB18030, and some have since
// been edited in UTF-8, so a file that is not valid UTF-8 as a whole is read line by line (split at LF bytes,
// which neither encoding uses inside a character):
// - A line valid in only one of the two encodings reads in that one.
// - A line valid in both looks GB18030 if its non-ASCII bytes pair up as GB2312 codes (A1..F7, then A1..FE)
//   and it holds no UTF-8 character of three or four bytes: GB18030 text valid in UTF-8 mostly reads there as
//   Latin, Greek or Cyrillic letters. It looks UTF-8 if it holds such a character, as every Chinese one is,
//   and does not pair up: UTF-8 Chinese mostly carries bytes 80..A0.
// - The file leans GB18030 if more lines are GB18030-only or look GB18030 than are UTF-8-only or look UTF-8.
//   Lines valid in both, and lines valid in neither (bytes that fit neither become U+FFFD), read in the
//   leaning; but in a GB18030-leaning file with a UTF-8-only line, lines that look UTF-8 read as UTF-8.
// So a GB18030 file reads whole in GB18030 as before, unless at least half its lines with Chinese look UTF-8,
// which only characters outside GB2312 can. Lines that can still read wrongly: UTF-8 lines added to a GB18030
// file with no UTF-8-only line among them; in a UTF-8 file with a stray byte, Chinese lines that happen to
// pair up as GB2312 (one in twenty of two characters) when the file has hardly any other Chinese line.
// Lines end in LF or CRLF (any number of CRs before the LF); new lines follow the file's first line ending.
class IniDocument
{
public:
    IniDocument() = default;
    IniDocument(IniDocument&&) = default;
    IniDocument& operator=(IniDocument&&) = default;
    // Names are views into the document's own text, so a document is moved, never copied.
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    static IniDocument parse(const QByteArray& bytes);
    QByteArray toUtf8() const;

    std::optional<QString> value(QStringView section, QStringView key) const;
    // Returns false, changing nothing, for a section or key name that no INI line can hold.
    bool setValue(const QString& section, const QString& key, const QString& value);

    static QString encodeValue(const QString& value);
    static QString decodeValue(QStringView written);
    // The hash by which section names are looked up; names that differ only in letter case hash alike.
    static size_t nameHash(QStringView name, size_t seed);

private:
    // A line is a stretch of the text as read, until a write gives it text of its own.
    struct Line
    {
        qsizetype offset = 0;
        qsizetype length = 0;
        QString written;
        bool isWritten = false;
    };
    struct Section
    {
        QStringView name;
        std::vector<Line> lines; // the header line first
    };
    // A section name that hashes and compares without regard to letter case.
    struct NameKey
    {
        QStringView name;
        static bool equal(NameKey a, NameKey b);
        friend bool operator==(NameKey a, NameKey b) { return equal(a, b); }
        friend size_t qHash(NameKey key, size_t seed) { return nameHash(key.name, seed); }
    };

    QStringView lineText(const Line& line) const;
    const Line* findKey(const Section& section, QStringView key) const;
    void addLine(qsizetype offset, qsizetype length);
    Section& sectionForWriting(const QString& name);

    QString m_text;               // the file as read; lines and names point into it
    std::vector<Line> m_preamble; // lines before the first section header
    std::vector<Section> m_sections;
    QHash<NameKey, size_t> m_sectionIndex; // first section of each name
    QString m_lineEnding = QStringLiteral("\n");
};
