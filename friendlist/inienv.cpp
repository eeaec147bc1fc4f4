#include "inienv.h"

#include "atomicfile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

void IniEnv::openFile(const QString& path)
{
    m_filePath = path;
    m_document = IniDocument();
    readFile(m_document);
}

QString IniEnv::readValue(const QString& section, const QString& key, qint16 size, bool flag) const
{
    Q_UNUSED(size);
    Q_UNUSED(flag);
    return m_document.value(section, key).value_or(QString());
}

bool IniEnv::writeValue(const QString& section, const QString& key, const QString& value, bool flag)
{
    Q_UNUSED(flag);
    if (!m_document.setValue(section, key, value))
        return false;
    return m_updating || commit();
}

void IniEnv::beginUpdate()
{
    // Start from what is on disk now, so that whatever this update does not write survives as it is.
    IniDocument current;
    m_updateUnreadable = !readFile(current);
    if (!m_updateUnreadable)
        m_document = std::move(current);
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
    return commit();
}

bool IniEnv::readFile(IniDocument& into)
{
    QFile file(m_filePath);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        m_errorString = file.errorString();
        // QFile keeps no error number; a file that is there but not readable to us is a matter of permission.
        m_errorNumber = QFileInfo(file).isReadable() ? 0 : EACCES;
        return false;
    }
    into = IniDocument::parse(file.readAll());
    return true;
}

bool IniEnv::commit()
{
    return AtomicFile::write(m_filePath, m_document.toBytes(), &m_errorString, &m_errorNumber);
}
