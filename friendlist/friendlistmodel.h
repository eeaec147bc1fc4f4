#pragma once

#include "friendentry.h"
#include "statusimagelist.h"
#include "storedlist.h"

#include <QAbstractTableModel>
#include <QVector>
#include <optional>

// The friend list: an ordered sequence of entries addressed by 1-based position.
//
// Every caller fetches an entry by position for each access; nothing holds on to an entry.
// A position outside 1..count is harmless: reads give an empty value, writes and removes do nothing.
// The accessors give the texts whole; the views get them cut to a readable length (displayText()).
class FriendListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        TextColumn = 0,
        NumberColumn = 1,
        NicknameColumn = 2,
        ColumnCount = 3
    };

    explicit FriendListModel(QObject* parent = nullptr);

    int count() const { return static_cast<int>(m_entries.size()); }
    bool contains(int position) const { return position >= 1 && position <= count(); }

    // Appends a friend, Offline and shown by its nickname; returns its position.
    int addFriend(const QString& number, const QString& nickname);
    void remove(int position);
    // Appends the friends a list file keeps, marks and all, in one insertion.
    void appendStored(const QVector<StoredFriend>& friends);
    // The friends as the list file keeps them, in list order.
    QVector<StoredFriend> storedFriends() const;

    QString text(int position) const { return field(position, &FriendEntry::text); }
    void setText(int position, const QString& text)
    {
        setField(position, &FriendEntry::text, TextColumn, text);
    }
    FriendStatus status(int position) const;
    // Writes the large icon, then the small icon, with the same code.
    void setStatus(int position, FriendStatus status);
    // The friend's query has ended: its picture, and the news it makes. An unknown state (the query failed)
    // is no answer: the row shows offline, as a browser's error page did, but nothing is known of the friend.
    void endQuery(int position, PresenceState found);
    // When the friend was last seen online (neverOnline if never). Once any is set, the rows tell it.
    void setLastOnline(int position, qint64 msecsSinceEpoch);
    // Number and nickname are set when a friend is added and never change afterwards.
    QString number(int position) const { return field(position, &FriendEntry::number); }
    QString nickname(int position) const { return field(position, &FriendEntry::nickname); }
    // Whether the user is told when this friend comes online, or goes offline.
    bool reminder(int position, Reminder news) const;
    void setReminder(int position, Reminder news, bool on);

    // The same for the friend an index of this list stands for (a persistent one follows the friend wherever
    // it moves); an index that has lost its friend reads empty and writes nothing.
    QString number(const QModelIndex& friendIndex) const { return number(positionOf(friendIndex)); }
    QString nickname(const QModelIndex& friendIndex) const { return nickname(positionOf(friendIndex)); }
    FriendStatus status(const QModelIndex& friendIndex) const { return status(positionOf(friendIndex)); }
    bool reminder(const QModelIndex& friendIndex, Reminder news) const
    {
        return reminder(positionOf(friendIndex), news);
    }
    void setReminder(const QModelIndex& friendIndex, Reminder news, bool on)
    {
        setReminder(positionOf(friendIndex), news, on);
    }
    void setLastOnline(const QModelIndex& friendIndex, qint64 msecsSinceEpoch)
    {
        setLastOnline(positionOf(friendIndex), msecsSinceEpoch);
    }
    // The rows of the friend with this number, in list order: a number may stand on several.
    QModelIndexList friendsNumbered(const QString& number) const;
    // The position an index of the list stands at now (0 for one that has lost its friend): the one place
    // the two ways of counting meet.
    static int positionOf(const QModelIndex& friendIndex)
    {
        return friendIndex.isValid() ? friendIndex.row() + 1 : 0;
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // The friend's query has found it online, and its previous answered one since start-up had not (or
    // there was none); or offline, and its previous answered one had found it online. A failed query in
    // between changes nothing: it is no news.
    void news(const QModelIndex& friendIndex, Reminder change);

private:
    QModelIndex friendIndex(int position) const { return index(position - 1, TextColumn); }
    FriendEntry* entry(int position);
    const FriendEntry* entry(int position) const;
    QString field(int position, QString FriendEntry::*member) const;
    void setField(int position, QString FriendEntry::*member, Column column, const QString& value);
    void notifyChanged(int position, Column first, Column last, const QList<int>& roles);
    static bool FriendEntry::*mark(Reminder news);
    static QString statusText(const FriendEntry& e);
    QString lastSeenSaying(const FriendEntry& e) const;

    QVector<FriendEntry> m_entries;
    bool m_lastSeenKnown = false; // an online history is kept, so rows can say when a friend was last online
    StatusImageList m_images;
};
