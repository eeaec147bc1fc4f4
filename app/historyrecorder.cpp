#include "historyrecorder.h"

#include "friendlistmodel.h"
#include "historystore.h"

#include <QDateTime>

#include <algorithm>

HistoryRecorder::HistoryRecorder(FriendListModel& list, HistoryStore& store, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_store(store)
    , m_now(&QDateTime::currentMSecsSinceEpoch)
{
    // A friend added again finds its history by its number.
    connect(&m_list, &FriendListModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { showLastSeen(first, last); });
    connect(&m_list, &FriendListModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { endPeriods(first, last); });
}

void HistoryRecorder::showLastSeen()
{
    showLastSeen(0, m_list.rowCount() - 1);
}

void HistoryRecorder::showLastSeen(int firstRow, int lastRow)
{
    for (int row = firstRow; m_store.isOpen() && row <= lastRow; ++row) {
        const QModelIndex friendIndex = m_list.index(row, 0);
        m_list.setLastOnline(friendIndex,
                             m_store.lastOnline(m_list.number(friendIndex)).value_or(neverOnline));
    }
    checkStore();
}

// A friend who comes back later starts a period of its own, with the nickname it has then; one whose
// number stays in the list on another row goes on.
void HistoryRecorder::endPeriods(int firstRow, int lastRow)
{
    for (int row = firstRow; row <= lastRow; ++row) {
        const QString number = m_list.number(m_list.index(row, 0));
        const QModelIndexList rows = m_list.friendsNumbered(number);
        if (std::all_of(rows.begin(), rows.end(),
                        [&](const QModelIndex& i) { return i.row() >= firstRow && i.row() <= lastRow; }))
            m_store.endPeriod(number);
    }
}

void HistoryRecorder::record(const QString& number, PresenceState state)
{
    const qint64 at = m_now();
    // The nickname the friend has in the list; the first row's where the number stands on several.
    const QModelIndexList rows = m_list.friendsNumbered(number);
    const QString nickname = rows.isEmpty() ? QString() : m_list.nickname(rows.first());
    if (m_store.record(number, nickname, state, at) && state == PresenceState::Online)
        for (const QModelIndex& friendIndex : rows)
            m_list.setLastOnline(friendIndex, at);
    checkStore();
}

void HistoryRecorder::flush()
{
    m_store.flush();
    checkStore();
}

void HistoryRecorder::forget(const QString& number)
{
    setLastOnline(number, neverOnline);
}

void HistoryRecorder::setLastOnline(const QString& number, qint64 at)
{
    for (const QModelIndex& friendIndex : m_list.friendsNumbered(number))
        m_list.setLastOnline(friendIndex, at);
}

void HistoryRecorder::checkStore()
{
    // Told once, however many checks meet the same state afterwards.
    const bool open = m_store.isOpen(), held = m_store.isHeld();
    const Failure failure = m_store.failure();
    if (open == m_toldOpen && held == m_toldHeld && failure == m_toldFailure)
        return;
    m_toldOpen = open, m_toldHeld = held, m_toldFailure = failure;
    emit storeChanged();
}
