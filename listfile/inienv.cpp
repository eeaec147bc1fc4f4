#include "inienv.h"

#include "atomicfile.h"

#include <QFile>
#include <QFileInfo>

void IniEnv::openFile(const QString& path, const QStringList& ownKeys)
{
    m_filePath = path;
    m_ownKeys = ownKeys;
    m_document = IniDocument();
    m_onDisk.reset();
    QByteArray bytes;
    if (readFile(&bytes)) {
        m_document = IniDocument::parse(bytes, m_ownKeys);
        m_onDisk = bytes;
    }
}

QString IniEnv::readValue(const QString& section, const QString& key) const
{
    return m_document.valueOf(section, key).value_or(QString());
}

bool IniEnv::writeValue(const QString& section, const QString& key, const QString& value)
{
    if (!m_document.setValue(section, key, value))
        return false;
    m_onDisk.reset();
    return m_updating || commit(m_document.toBytes());
}

void IniEnv::beginUpdate()
{
    // Start from what is on disk now, so that whatever this update does not write survives as it is. The
    // document read last stands for it still if neither has changed since. One that was written is read
    // anew: a line may read otherwise once lines around it have changed.
    QByteArray bytes;
    m_updateUnreadable = !readFile(&bytes);
    m_updateBase.reset();
    if (!m_updateUnreadable && QFileInfo::exists(m_filePath))
        m_updateBase = bytes;
    if (m_updateUnreadable) {
        m_onDisk.reset();
    } else if (m_onDisk != bytes) {
        m_document = IniDocument::parse(bytes, m_ownKeys);
        m_onDisk = bytes;
    }
    m_updating = true;
}

bool IniEnv::commitUpdate()
{
    m_updating = false;
    if (m_updateUnreadable) {
        // Writing now would drop the parts of the file we could not read.
        m_updateUnreadable = false;
        return false;
    }
    // A save that would write what the file already holds writes nothing: a read-only list that nobody
    // changed closes quietly, and the file keeps its time.
    const QByteArray bytes = m_document.toBytes();
    if (m_updateBase == bytes) {
        m_failure = {};
        return true;
    }
    return commit(bytes);
}

bool IniEnv::readFile(QByteArray* bytes)
{
    const QFileInfo info(m_filePath);
    if (!info.exists())
        return true;
    // Opening a pipe or a device for reading could wait for ever, or do something to the device.
    if (!info.isFile()) {
        m_failure = {Failure::What::NotAFile};
        return false;
    }
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        // QFile keeps no error number: the system is asked again.
        m_failure = {Failure::What::Unreadable, AtomicFile::readErrorNumber(m_filePath), file.errorString()};
        return false;
    }
    *bytes = file.readAll();
    return true;
}

bool IniEnv::commit(const QByteArray& bytes)
{
    // The save replaces the file by renaming a new one over it, which the file's permissions would not stop.
    // A file that nobody may write is read-only even to the superuser, as the user meant it.
    const QFileInfo info(m_filePath);
    const auto writable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.exists() && !(info.permissions() & writable)) {
        m_failure = {Failure::What::ReadOnlyFile};
    } else if (info.exists() && !info.isWritable()) {
        const int errorNumber = AtomicFile::writeErrorNumber(m_filePath); // a read-only mount, say
        m_failure = {Failure::What::Write, errorNumber, qt_error_string(errorNumber)};
    } else {
        m_failure = AtomicFile::write(m_filePath, bytes);
    }
    return !m_failure;
}
