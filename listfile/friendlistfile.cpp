#include "friendlistfile.h"

#include "textnumber.h"

#include <QCoreApplication>
#include <cmath>

namespace {
const QString countSection = QStringLiteral("MEUserData");
const QString countKey = QStringLiteral("Incout");
const QString numberKey = QStringLiteral("Imis1");
const QString nicknameKey = QStringLiteral("Imis2");
const QString reminderKey = QStringLiteral("Imis3");
const QString offlineReminderKey = QStringLiteral("Imis4");
const QString refreshKey = QStringLiteral("Inauto");
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
    // The count, the marks and the interval are written anew as digits whenever they hold anything else.
    m_store.openFile(path, {countKey, reminderKey, offlineReminderKey, refreshKey});
}

bool FriendListFile::load(StoredList* list) const
{
    list->friends.clear();
    list->refreshMinutes = m_store.readValue(countSection, refreshKey).toInt();
    const QString countText = m_store.readValue(countSection, countKey);
    if (countText.isEmpty())
        return false;
    const int count = countFromText(countText);
    list->friends.reserve(count);
    for (int i = 1; i <= count; ++i) {
        const QString section = QString::number(i);
        list->friends.append({m_store.readValue(section, numberKey), m_store.readValue(section, nicknameKey),
                              m_store.readValue(section, reminderKey) == u"1",
                              m_store.readValue(section, offlineReminderKey) == u"1"});
    }
    return true;
}

bool FriendListFile::save(const StoredList& list)
{
    m_store.beginUpdate();
    const int count = int(list.friends.size());
    m_store.writeValue(countSection, countKey, QString::number(count));
    writeIfUsed(countSection, refreshKey, list.refreshMinutes);
    for (int i = 1; i <= count; ++i) {
        const QString section = QString::number(i);
        const StoredFriend& stored = list.friends[i - 1];
        m_store.writeValue(section, numberKey, stored.number);
        m_store.writeValue(section, nicknameKey, stored.nickname);
        writeIfUsed(section, reminderKey, stored.reminder ? 1 : 0);
        writeIfUsed(section, offlineReminderKey, stored.offlineReminder ? 1 : 0);
    }
    return m_store.commitUpdate();
}

void FriendListFile::writeIfUsed(const QString& section, const QString& key, int value)
{
    // A list that never used the key stays without it; where the section holds it, it is kept up to
    // date, so that a mark leaves the section of a deleted friend with it.
    if (value != 0 || !m_store.readValue(section, key).isEmpty())
        m_store.writeValue(section, key, QString::number(value));
}
