#pragma once

#include "failure.h"
#include "presencestate.h"

#include <QObject>
#include <QString>
#include <functional>

class FriendListModel;
class HistoryStore;

// Keeps the online history of the list's friends: every answer goes into the store as it comes,
// a friend's deletion ends its period, and each row is told when its friend was last seen online, also
// for a friend added again later. What becomes of the store (off, held, on again) is told as it changes.
class HistoryRecorder : public QObject
{
    Q_OBJECT

public:
    HistoryRecorder(FriendListModel& list, HistoryStore& store, QObject* parent = nullptr);

    // The clock checks are recorded by; the system's unless set.
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }
    // Tells every row when its friend was last seen online, and how the store is.
    void showLastSeen();
    // Writes what the store holds back for a moment: a check run has ended, or the program is closing.
    void flush();

public slots:
    // A check has found the friend with this number in `state`.
    void record(const QString& number, PresenceState state);
    // The friend's history was deleted: its rows no longer know when it was last online.
    void forget(const QString& number);

signals:
    // The store has been turned off, held or let go, or says something new (HistoryStore::failure()).
    void storeChanged();

private:
    // For the rows of the list from `firstRow` to `lastRow`, as the model's signals count them.
    void showLastSeen(int firstRow, int lastRow);
    // Tells every row of the friend with this number when it was last seen online.
    void setLastOnline(const QString& number, qint64 at);
    void endPeriods(int firstRow, int lastRow);
    void checkStore();

    FriendListModel& m_list;
    HistoryStore& m_store;
    std::function<qint64()> m_now;
    // How the store was last told: open, not held, nothing to say at first.
    bool m_toldOpen = true;
    bool m_toldHeld = false;
    Failure m_toldFailure;
};
