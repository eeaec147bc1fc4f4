#include "friendlistfile.h"

#include "friendlistmodel.h"
#include "textnumber.h"

#include <QCoreApplication>
#include <cerrno>
#include <cmath>

namespace {
const QString countSection = QStringLiteral("MEUserData");
const QString countKey = QStringLiteral("Incout");
const QString numberKey = QStringLiteral("Imis1");
const QString nicknameKey = QStringLiteral("Imis2");
const QString reminderKey = QStringLiteral("Imis3");
const QString refreshKey = QStringLiteral("Inauto");
constexpr qint16 countSize = 50;
constexpr qint16 valueSize = 200;
} // namespace

QString FriendListFile::defaultPath()
{
    // The folder and the name are joined with the platform's own separator: a backslash would be
    // part of the file name on Linux.
    return QCoreApplication::applicationDirPath() + QStringLiteral("/QQlist.cfg");
}

int FriendListFile::countFromText(const QString& text)
{
    const double value = std::floor(leadingNumber(text));
    if (!(value > 0)) // also catches NaN
        return 0;
    return value >= maximumCount ? maximumCount : static_cast<int>(value);
}

void FriendListFile::open(const QString& path)
{
    m_store.setFilePath(path);
    m_store.openFile(path);
}

bool FriendListFile::load(FriendListModel& list)
{
    m_refreshMinutes = m_store.readValue(countSection, refreshKey, countSize, false).toInt();
    if (m_store.readValue(countSection, countKey, countSize, false).isEmpty())
        return false;
    const int count = countFromText(m_store.readValue(countSection, countKey, countSize, false));
    for (int i = 1; i <= count; ++i) {
        const QString section = QString::number(i);
        const int position = list.addFriend(m_store.readValue(section, numberKey, valueSize, false),
                                            m_store.readValue(section, nicknameKey, valueSize, false));
        if (m_store.readValue(section, reminderKey, countSize, false) == u"1")
            list.setReminder(position, true);
    }
    return true;
}

bool FriendListFile::save(const FriendListModel& list)
{
    m_store.beginUpdate();
    const int count = list.count();
    m_store.writeValue(countSection, countKey, QString::number(count), false);
    writeIfUsed(countSection, refreshKey, m_refreshMinutes);
    for (int i = 1; i <= count; ++i) {
        const QString section = QString::number(i);
        m_store.writeValue(section, numberKey, list.number(i), false);
        m_store.writeValue(section, nicknameKey, list.nickname(i), false);
        writeIfUsed(section, reminderKey, list.reminder(i) ? 1 : 0);
    }
    return m_store.commitUpdate();
}

QString FriendListFile::failureReason() const
{
    const QString system = m_store.errorString();
    const QString detail = system.isEmpty() ? QString() : QStringLiteral("（%1）").arg(system);
    switch (m_store.failure()) {
    case IniEnv::Failure::None:
        return QString();
    case IniEnv::Failure::Unreadable:
        return QStringLiteral("无法读取文件，保存会丢失其中的内容") + detail;
    case IniEnv::Failure::NotAFile:
        return QStringLiteral("无法读取：这不是一个普通文件");
    case IniEnv::Failure::ReadOnlyFile:
        return QStringLiteral("文件为只读");
    case IniEnv::Failure::Write:
        break;
    }
    switch (m_store.errorNumber()) {
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限") + detail;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("磁盘空间不足") + detail;
    case EROFS:
        return QStringLiteral("文件系统为只读") + detail;
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件夹不存在") + detail;
    default:
        return detail;
    }
}

void FriendListFile::writeIfUsed(const QString& section, const QString& key, int value)
{
    // A list that never used the key stays without it; where the section holds it, it is kept up to
    // date, so that a mark leaves the section of a deleted friend with it.
    if (value != 0 || !m_store.readValue(section, key, countSize, false).isEmpty())
        m_store.writeValue(section, key, QString::number(value), false);
}
