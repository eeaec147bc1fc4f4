#pragma once

#include "failure.h"
#include "inidocument.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The list-file store: text values in one INI file, addressed by section and key.
//
// The file is read once, when it is opened, and values are read from that reading. A write outside
// an update is committed at once; writes inside beginUpdate()/commitUpdate() are applied to the file's
// content as it is on disk when the update begins and committed together. Every commit replaces the
// file atomically, so a crash or a kill at any moment leaves either the old file or the new one.
class IniEnv
{
public:
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString& path) { m_filePath = path; }

    // Names the file and reads it; a missing file is an empty one. The values of `ownKeys` are the
    // program's to rewrite, and have no say in how the file is read (see IniDocument::parse).
    void openFile(const QString& path, const QStringList& ownKeys = {});

    // The value whole; empty where the file has none.
    QString readValue(const QString& section, const QString& key) const;
    bool writeValue(const QString& section, const QString& key, const QString& value);

    void beginUpdate();
    bool commitUpdate();

    // Why the last read or commit failed; none when it did not.
    Failure failure() const { return m_failure; }

private:
    // The file's bytes, none for a missing file; false when it is there but cannot be read.
    bool readFile(QByteArray* bytes);
    bool commit(const QByteArray& bytes);

    QString m_filePath;
    QStringList m_ownKeys;
    IniDocument m_document;
    std::optional<QByteArray> m_onDisk; // the file's bytes the document was read from, unless changed since
    bool m_updating = false;
    bool m_updateUnreadable = false;
    std::optional<QByteArray> m_updateBase; // the file's bytes when the update began; none for a missing file
    Failure m_failure;
};
