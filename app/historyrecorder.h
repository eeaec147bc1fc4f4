#pragma once

#include <QObject>
#include <QString>
#include <functional>

class FriendListModel;
class HistoryStore;

// Keeps the online history of the list's friends: every query's end goes into the store as it happens,
// and each row is told when its friend was last seen online, also for a friend added again later. When
// the store fails, history is off for the rest of the run and the reason is given once.
class HistoryRecorder : public QObject
{
    Q_OBJECT

public:
    HistoryRecorder(FriendListModel& list, HistoryStore& store, QObject* parent = nullptr);

    // The clock checks are recorded by; the system's unless set.
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }
    // Tells every row when its friend was last seen online.
    void showLastSeen();
    // Writes what the store holds back for a moment: a check run has ended, or the program is closing.
    void flush();

public slots:
    // The friend's history was deleted: its rows no longer know when it was last online.
    void forget(const QString& number);

signals:
    // History has been turned off for this run; why, in the user's words.
    void failed(const QString& reason);

private:
    void record(int position);
    void showLastSeen(int first, int last);
    void checkStore();

    FriendListModel& m_list;
    HistoryStore& m_store;
    std::function<qint64()> m_now;
    bool m_failed = false;
};
