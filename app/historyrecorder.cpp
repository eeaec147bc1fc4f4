#include "historyrecorder.h"

#include "friendlistmodel.h"
#include "historystore.h"

#include <QDateTime>

HistoryRecorder::HistoryRecorder(FriendListModel& list, HistoryStore& store, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_store(store)
    , m_now(&QDateTime::currentMSecsSinceEpoch)
{
    connect(&m_list, &FriendListModel::queryEnded, this, &HistoryRecorder::record);
    // A friend added again finds its history by its number.
    connect(&m_list, &FriendListModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { showLastSeen(first + 1, last + 1); });
}

void HistoryRecorder::showLastSeen()
{
    showLastSeen(1, m_list.count());
}

void HistoryRecorder::showLastSeen(int first, int last)
{
    if (!m_store.isOpen())
        return;
    for (int position = first; position <= last; ++position)
        m_list.setLastOnline(position, m_store.lastOnline(m_list.number(position)).value_or(neverOnline));
    checkStore();
}

void HistoryRecorder::record(int position)
{
    if (!m_store.isOpen())
        return;
    const PresenceState state = m_list.queryFailed(position)                      ? PresenceState::Unknown
                                : m_list.status(position) == FriendStatus::Online ? PresenceState::Online
                                                                                  : PresenceState::Offline;
    const qint64 at = m_now();
    if (m_store.record(m_list.number(position), m_list.nickname(position), state, at) &&
        state == PresenceState::Online)
        m_list.setLastOnline(position, at);
    checkStore();
}

void HistoryRecorder::flush()
{
    if (m_store.isOpen())
        m_store.flush();
    checkStore();
}

void HistoryRecorder::forget(const QString& number)
{
    for (int position = 1; position <= m_list.count(); ++position) {
        if (m_list.number(position) == number)
            m_list.setLastOnline(position, neverOnline);
    }
}

void HistoryRecorder::checkStore()
{
    // A fault closes the store; it is told once, however many checks meet it afterwards.
    if (!m_store.isOpen() && !m_failed) {
        m_failed = true;
        emit failed(m_store.failureReason());
    }
}
