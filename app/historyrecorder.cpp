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
    // A friend added again finds its history by its number.
    connect(&m_list, &FriendListModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { showLastSeen(first + 1, last + 1); });
    connect(&m_list, &FriendListModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { endPeriods(first + 1, last + 1); });
}

void HistoryRecorder::showLastSeen()
{
    showLastSeen(1, m_list.count());
}

void HistoryRecorder::showLastSeen(int first, int last)
{
    for (int position = first; m_store.isOpen() && position <= last; ++position)
        m_list.setLastOnline(position, m_store.lastOnline(m_list.number(position)).value_or(neverOnline));
    checkStore();
}

// A friend who comes back later starts a period of its own, with the nickname it has then; one whose
// number stays in the list on another row goes on.
void HistoryRecorder::endPeriods(int first, int last)
{
    for (int position = first; position <= last; ++position) {
        const QString number = m_list.number(position);
        bool stays = false;
        for (int other = 1; other <= m_list.count() && !stays; ++other)
            stays = (other < first || other > last) && m_list.number(other) == number;
        if (!stays)
            m_store.endPeriod(number);
    }
}

void HistoryRecorder::record(const QString& number, PresenceState state)
{
    const qint64 at = m_now();
    // The nickname the friend has in the list; the first row's where the number stands on several.
    QString nickname;
    for (int position = 1; position <= m_list.count() && nickname.isNull(); ++position)
        if (m_list.number(position) == number)
            nickname = m_list.nickname(position);
    if (m_store.record(number, nickname, state, at) && state == PresenceState::Online)
        setLastOnline(number, at);
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
    for (int position = 1; position <= m_list.count(); ++position) {
        if (m_list.number(position) == number)
            m_list.setLastOnline(position, at);
    }
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
