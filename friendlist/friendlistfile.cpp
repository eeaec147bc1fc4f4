#include "friendlistfile.h"

#include "friendlistmodel.h"
#include "textnumber.h"

#include <QCoreApplication>
#include <cmath>

namespace {
const QString countSection = QStringLiteral("MEUserData");
const QString countKey = QStringLiteral("Incout");
const QString numberKey = QStringLiteral("Imis1");
const QString nicknameKey = QStringLiteral("Imis2");
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
    if (m_store.readValue(countSection, countKey, countSize, false).isEmpty())
        return false;
    const int count = countFromText(m_store.readValue(countSection, countKey, countSize, false));
    for (int i = 1; i <= count; ++i) {
        const QString section = QString::number(i);
        // Read once for both uses: a value is decoded at each reading, and may be millions of characters.
        const QString nickname = m_store.readValue(section, nicknameKey, valueSize, false);
        const int position = list.append(nickname);
        list.setNumber(position, m_store.readValue(section, numberKey, valueSize, false));
        list.setNickname(position, nickname);
    }
    return true;
}

bool FriendListFile::save(const FriendListModel& list)
{
    m_store.beginUpdate();
    const int count = list.count();
    m_store.writeValue(countSection, countKey, QString::number(count), false);
    for (int i = 1; i <= count; ++i) {
        const QString section = QString::number(i);
        m_store.writeValue(section, numberKey, list.number(i), false);
        m_store.writeValue(section, nicknameKey, list.nickname(i), false);
    }
    return m_store.commitUpdate();
}
