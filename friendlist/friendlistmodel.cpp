#include "friendlistmodel.h"

#include "displaytext.h"
#include "lastseentext.h"

#include <QDateTime>

#include <utility>

FriendListModel::FriendListModel(QObject* parent)
    : QAbstractTableModel(parent)
{}

FriendEntry* FriendListModel::entry(int position)
{
    return contains(position) ? &m_entries[position - 1] : nullptr;
}

const FriendEntry* FriendListModel::entry(int position) const
{
    return contains(position) ? &m_entries[position - 1] : nullptr;
}

int FriendListModel::addFriend(const QString& number, const QString& nickname)
{
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    FriendEntry e;
    e.text = nickname;
    e.number = number;
    e.nickname = nickname;
    m_entries.append(e);
    endInsertRows();
    return row + 1;
}

void FriendListModel::appendStored(const QVector<StoredFriend>& friends)
{
    if (friends.isEmpty())
        return;
    beginInsertRows(QModelIndex(), count(), count() + int(friends.size()) - 1);
    m_entries.reserve(count() + friends.size());
    for (const StoredFriend& stored : friends) {
        FriendEntry e;
        e.text = stored.nickname;
        e.number = stored.number;
        e.nickname = stored.nickname;
        e.reminder = stored.reminder;
        e.offlineReminder = stored.offlineReminder;
        m_entries.append(e);
    }
    endInsertRows();
}

QVector<StoredFriend> FriendListModel::storedFriends() const
{
    QVector<StoredFriend> friends;
    friends.reserve(m_entries.size());
    for (const FriendEntry& e : m_entries)
        friends.append({e.number, e.nickname, e.reminder, e.offlineReminder});
    return friends;
}

void FriendListModel::remove(int position)
{
    if (!contains(position))
        return;
    beginRemoveRows(QModelIndex(), position - 1, position - 1);
    m_entries.removeAt(position - 1);
    endRemoveRows();
}

QString FriendListModel::field(int position, QString FriendEntry::*member) const
{
    const FriendEntry* e = entry(position);
    return e ? e->*member : QString();
}

void FriendListModel::setField(int position, QString FriendEntry::*member, Column column,
                               const QString& value)
{
    if (FriendEntry* e = entry(position)) {
        e->*member = value;
        notifyChanged(position, column, column, {Qt::DisplayRole});
    }
}

FriendStatus FriendListModel::status(int position) const
{
    const FriendEntry* e = entry(position);
    return e ? e->status : FriendStatus::None;
}

void FriendListModel::setStatus(int position, FriendStatus status)
{
    FriendEntry* e = entry(position);
    if (!e)
        return;
    e->status = status;
    e->smallIcon = status;
    notifyChanged(position, TextColumn, TextColumn,
                  {Qt::DecorationRole, Qt::ToolTipRole, Qt::AccessibleTextRole});
}

void FriendListModel::endQuery(int position, PresenceState found)
{
    FriendEntry* e = entry(position);
    if (!e)
        return;
    e->queryFailed = found == PresenceState::Unknown;
    setStatus(position, found == PresenceState::Online ? FriendStatus::Online : FriendStatus::Offline);
    if (!e->queryFailed) {
        const bool wasOnline = std::exchange(e->answeredOnline, found == PresenceState::Online);
        if (e->answeredOnline != wasOnline)
            emit news(friendIndex(position), wasOnline ? Reminder::Offline : Reminder::Online);
    }
}

QModelIndexList FriendListModel::friendsNumbered(const QString& number) const
{
    QModelIndexList found;
    for (int position = 1; position <= count(); ++position)
        if (entry(position)->number == number)
            found << friendIndex(position);
    return found;
}

void FriendListModel::setLastOnline(int position, qint64 msecsSinceEpoch)
{
    if (FriendEntry* e = entry(position)) {
        e->lastOnline = msecsSinceEpoch;
        m_lastSeenKnown = true;
        notifyChanged(position, TextColumn, TextColumn, {Qt::ToolTipRole, Qt::AccessibleTextRole});
    }
}

QString FriendListModel::lastSeenSaying(const FriendEntry& e) const
{
    if (!m_lastSeenKnown)
        return {};
    if (e.lastOnline == neverOnline)
        return QStringLiteral("，从未在线");
    return QStringLiteral("，最后在线 ") +
           lastSeenText(QDateTime::fromMSecsSinceEpoch(e.lastOnline), QDateTime::currentDateTime());
}

bool FriendListModel::reminder(int position, Reminder news) const
{
    const FriendEntry* e = entry(position);
    return e && e->*mark(news);
}

void FriendListModel::setReminder(int position, Reminder news, bool on)
{
    if (FriendEntry* e = entry(position)) {
        e->*mark(news) = on;
        notifyChanged(position, TextColumn, TextColumn, {Qt::ToolTipRole, Qt::AccessibleTextRole});
    }
}

bool FriendEntry::*FriendListModel::mark(Reminder news)
{
    return news == Reminder::Online ? &FriendEntry::reminder : &FriendEntry::offlineReminder;
}

void FriendListModel::notifyChanged(int position, Column first, Column last, const QList<int>& roles)
{
    emit dataChanged(index(position - 1, first), index(position - 1, last), roles);
}

int FriendListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int FriendListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FriendListModel::data(const QModelIndex& index, int role) const
{
    const FriendEntry* e = entry(positionOf(index));
    if (!e || index.column() < 0 || index.column() >= ColumnCount)
        return {};

    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TextColumn:
            return displayText(e->text);
        case NumberColumn:
            return displayText(e->number);
        default:
            return displayText(e->nickname);
        }
    case Qt::DecorationRole:
        if (index.column() == TextColumn)
            return m_images.icon(e->smallIcon);
        return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        // The icon in words, for whoever cannot tell the pictures apart, the reminder marks and last seen.
        if (index.column() == TextColumn)
            return statusText(*e) + (e->reminder ? QStringLiteral("，上线提醒") : QString()) +
                   (e->offlineReminder ? QStringLiteral("，下线提醒") : QString()) + lastSeenSaying(*e);
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QString FriendListModel::statusText(const FriendEntry& e)
{
    switch (e.smallIcon) {
    case FriendStatus::Online:
        return presenceWord(PresenceState::Online);
    case FriendStatus::Offline:
        return presenceWord(PresenceState::Offline) +
               (e.queryFailed ? QStringLiteral("（检测失败）") : QString());
    case FriendStatus::Checking:
        return QStringLiteral("正在检测");
    default:
        return {};
    }
}

QVariant FriendListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TextColumn:
        return QStringLiteral("标题");
    case NumberColumn:
        return QStringLiteral("号码");
    case NicknameColumn:
        return QStringLiteral("昵称");
    default:
        return {};
    }
}
