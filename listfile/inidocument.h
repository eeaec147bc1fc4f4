#pragma once

#include "fileencoding.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
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
// Lines are kept as the file has them, bytes and line end included, until a value is written that differs
// from the one read: only the lines written anew are encoded, in the file's own encoding (see FileEncoding).
class IniDocument
{
public:
    IniDocument() = default;
    IniDocument(IniDocument&&) = default;
    IniDocument& operator=(IniDocument&&) = default;
    // Names are views into the document's own text, so a document is moved, never copied.
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    // The lines of `ownKeys` (entries whose values the program rewrites as it sees fit) have no say in the
    // file's encoding, so that rewriting them cannot change how any other line reads.
    static IniDocument parse(const QByteArray& bytes, const QStringList& ownKeys = {});
    // The file's bytes with the values written since it was read.
    QByteArray toBytes();

    std::optional<QString> valueOf(QStringView section, QStringView key) const;
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
        FileEncoding::Line read; // offset -1 for a line the file did not have
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

    static constexpr size_t noSection = size_t(-1);
    size_t sectionIndex(QStringView name) const; // of the first section of that name, or noSection
    QStringView lineText(const Line& line) const;
    static bool readsAs(QStringView written, const QString& value);
    const Line* findKey(const Section& section, QStringView key) const;
    void addLine(const FileEncoding::Line& read);
    Section& sectionForWriting(const QString& name);

    QByteArray m_bytes; // the file as read
    FileEncoding m_encoding;
    QString m_text;               // its lines' text; lines and names point into it
    std::vector<Line> m_preamble; // lines before the first section header
    std::vector<Section> m_sections;
    QHash<NameKey, size_t> m_sectionIndex; // first section of each name
    mutable size_t m_lastSection = noSection;
};
