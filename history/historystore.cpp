#include "historystore.h"

#include "historycsv.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSqlDatabase>
#include <QSqlError>
#include <algorithm>

namespace {

// A write waits this long for another program's write (a database tool) to end before history gives up
// for the run. Our own writes take a millisecond, and a check run must not stall behind a stranger's.
constexpr int busyTimeoutMs = 500;

// SQLite's primary result codes, the low byte of any extended one.
enum SqliteCode
{
    Perm = 3,
    Busy = 5,
    Locked = 6,
    ReadOnly = 8,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    Auth = 23,
    NotADb = 26,
};

int primaryCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : -1;
}

QString nextConnectionName()
{
    static QAtomicInt count;
    return QStringLiteral("history-%1").arg(count.fetchAndAddRelaxed(1));
}

} // namespace

QString HistoryStore::pathFor(const QString& listFilePath)
{
    const QFileInfo list(listFilePath);
    return QDir::cleanPath(list.path() + QLatin1Char('/') + list.completeBaseName() +
                           QStringLiteral(".sqlite"));
}

HistoryStore::HistoryStore()
    : m_connection(nextConnectionName())
{}

HistoryStore::~HistoryStore()
{
    flush();
    close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool HistoryStore::open(const QString& path, Access access)
{
    flush();
    close();
    m_failure = {};
    m_setAside = false;
    m_friends = {};
    m_nicknames = {};
    m_openPeriods.clear();
    m_endedUnwritten.clear();
    m_writeDue = -1;
    m_path = path;
    m_access = access;
    return openFile() || startAfresh();
}

bool HistoryStore::openFile()
{
    QSqlDatabase::removeDatabase(m_connection);
    m_started = false;
    // SQLite would say only that it cannot open it, which reads as if the folder could not be written.
    const QFileInfo file(m_path);
    const bool existed = file.exists();
    if (existed && !file.isFile()) {
        m_failure = {Failure::What::NotAFile, 0, QString(), file.fileName()};
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid()) {
        m_failure = {Failure::What::NoDriver};
        return false;
    }
    db.setDatabaseName(m_path);
    db.setConnectOptions(
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
            .arg(busyTimeoutMs)
            .arg(m_access == Access::ReadOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    if (!db.open()) {
        meetFault(db.lastError());
        return false;
    }
    m_open = true;
    // No integrity check and no full scan here: start-up stays fast with a year of history.
    m_started = (m_access == Access::ReadOnly || (createSchema() && dropOldPeriods())) &&
                loadNames(m_friends, QStringLiteral("SELECT id, number FROM friend")) &&
                loadNames(m_nicknames, QStringLiteral("SELECT id, name FROM nickname")) &&
                prepareStatements();
    // A database that could not even be begun (a full disk) leaves no empty file behind.
    if (!m_started && !existed && m_access == Access::Keeper)
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(m_path + suffix);
    return m_started;
}

// After a damaged file was set aside, the list's history goes on at once in a new one, which gets every
// number and nickname this run knows, and this run's periods.
bool HistoryStore::startAfresh()
{
    if (!std::exchange(m_setAside, false) || m_access != Access::Keeper)
        return false;
    const Failure told = m_failure;
    for (Names* names : {&m_friends, &m_nicknames}) {
        names->unwritten.clear();
        for (auto name = names->ids.cbegin(); name != names->ids.cend(); ++name)
            names->unwritten.append({name.value(), name.key()});
    }
    for (OpenPeriod& period : m_openPeriods)
        period.unwritten = true;
    m_writeDue = m_latestCheck;
    if (!openFile())
        return false;
    m_failure = told;
    return true;
}

bool HistoryStore::prepareStatements()
{
    // Without statistics SQLite would walk the friend's periods back from the latest.
    return prepare(m_lastOnline,
                   QStringLiteral("SELECT ended FROM period INDEXED BY online "
                                  "WHERE friend = ? AND state = 1 ORDER BY started DESC LIMIT 1")) &&
           (m_access == Access::ReadOnly ||
            (prepare(m_writePeriod, QStringLiteral("INSERT OR REPLACE INTO period VALUES(?, ?, ?, ?, ?)")) &&
             prepare(m_writeFriend, QStringLiteral("INSERT INTO friend(id, number) VALUES(?, ?)")) &&
             prepare(m_writeNickname, QStringLiteral("INSERT INTO nickname(id, name) VALUES(?, ?)"))));
}

bool HistoryStore::createSchema()
{
    // Friends and nicknames in tables of their own, times as integers, and periods kept in the order
    // they are read (by friend, then start) without a row id: a year of 1,000 friends stays small.
    // The partial index finds a friend's latest online period without reading the others.
    return runText(QStringLiteral("PRAGMA journal_mode=WAL")) &&
           runText(QStringLiteral("PRAGMA synchronous=NORMAL")) &&
           runText(QStringLiteral("CREATE TABLE IF NOT EXISTS friend(id INTEGER PRIMARY KEY, "
                                  "number TEXT NOT NULL UNIQUE)")) &&
           runText(QStringLiteral("CREATE TABLE IF NOT EXISTS nickname(id INTEGER PRIMARY KEY, "
                                  "name TEXT NOT NULL UNIQUE)")) &&
           runText(
               QStringLiteral("CREATE TABLE IF NOT EXISTS period(friend INTEGER NOT NULL, "
                              "started INTEGER NOT NULL, ended INTEGER NOT NULL, state INTEGER NOT NULL, "
                              "nickname INTEGER NOT NULL, PRIMARY KEY(friend, started)) WITHOUT ROWID")) &&
           runText(QStringLiteral("CREATE INDEX IF NOT EXISTS online ON period(friend, started) "
                                  "WHERE state = 1"));
}

bool HistoryStore::dropOldPeriods()
{
    // Friend by friend, from each one's oldest period on: only what is dropped is read.
    const qint64 cutoff = QDateTime::currentMSecsSinceEpoch() - keptFor;
    QSqlQuery query;
    return execute(query,
                   QStringLiteral("DELETE FROM period WHERE friend IN (SELECT id FROM friend) "
                                  "AND started < ? AND ended < ?"),
                   {cutoff, cutoff});
}

// Numbers and nicknames are few beside the periods: kept here, a check writes only its period. The ids
// of new ones are given here too, as only this program writes the list's history, so that a check waits
// in memory whole when the file is held.
bool HistoryStore::loadNames(Names& names, const QString& select)
{
    QSqlQuery query;
    if (!execute(query, select, {}))
        return false;
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        names.ids.insert(query.value(1).toString(), id);
        names.nextId = std::max(names.nextId, id + 1);
    }
    return true;
}

qint64 HistoryStore::idOf(Names& names, const QString& text)
{
    if (const auto found = names.ids.constFind(text); found != names.ids.cend())
        return *found;
    names.unwritten.append({names.nextId, text});
    return *names.ids.insert(text, names.nextId++);
}

bool HistoryStore::record(const QString& number, const QString& nickname, PresenceState state, qint64 at)
{
    if ((!m_open && !startAfresh()) || m_access != Access::Keeper)
        return false;
    if (m_held && m_endedUnwritten.size() >= heldPeriodsLimit) {
        close(); // the reason stays: the file is still held
        return false;
    }
    const qint64 id = idOf(m_friends, number);
    const qint64 nicknameKey = idOf(m_nicknames, nickname);
    const auto latest = m_openPeriods.find(id);
    const bool known = latest != m_openPeriods.end();
    if (known && latest->state == state && latest->nickname == nicknameKey && at >= latest->end &&
        at - latest->end <= longestCheckGap) {
        latest->end = at;
        latest->unwritten = true;
    } else {
        if (known && latest->unwritten)
            m_endedUnwritten.append({id, *latest});
        m_openPeriods.insert(id, {state, at, at, nicknameKey, true});
    }
    m_latestCheck = at;
    if (m_writeDue < 0)
        m_writeDue = at + writeBackDelay;
    return at < m_writeDue || flush() || m_held;
}

void HistoryStore::endPeriod(const QString& number)
{
    const auto id = m_friends.ids.constFind(number);
    const auto period = id == m_friends.ids.cend() ? m_openPeriods.end() : m_openPeriods.find(*id);
    if (period == m_openPeriods.end())
        return;
    if (period->unwritten)
        m_endedUnwritten.append({*id, *period});
    m_openPeriods.erase(period);
}

bool HistoryStore::flush()
{
    if (!m_open && !startAfresh())
        return false;
    if (m_writeDue < 0)
        return true;
    // Damage found now sets the file aside: this run's checks go into a new one.
    if (!writeUnwritten() && (m_held || !startAfresh() || !writeUnwritten())) {
        // Each try may wait busyTimeoutMs: the next one comes with the checks of a while later.
        m_writeDue = m_latestCheck + writeBackDelay;
        return false;
    }
    m_friends.unwritten.clear();
    m_nicknames.unwritten.clear();
    m_endedUnwritten.clear();
    for (OpenPeriod& period : m_openPeriods)
        period.unwritten = false;
    m_writeDue = -1;
    if (std::exchange(m_held, false))
        m_failure = {};
    return true;
}

bool HistoryStore::writeUnwritten()
{
    // Immediate: a deferred transaction that meets a writer fails at once, without waiting for it.
    if (!runText(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    for (const auto& [id, number] : std::as_const(m_friends.unwritten))
        if (!runPrepared(m_writeFriend, {id, number}))
            return false;
    for (const auto& [id, name] : std::as_const(m_nicknames.unwritten))
        if (!runPrepared(m_writeNickname, {id, name}))
            return false;
    const auto write = [this](qint64 id, const OpenPeriod& period) {
        return runPrepared(m_writePeriod, {id, period.start, period.end, int(period.state), period.nickname});
    };
    for (const auto& [id, period] : std::as_const(m_endedUnwritten))
        if (!write(id, period))
            return false;
    for (auto period = m_openPeriods.cbegin(); period != m_openPeriods.cend(); ++period)
        if (period->unwritten && !write(period.key(), *period))
            return false;
    // As a statement, not QSqlDatabase::commit(), which keeps SQLite's code from the error (a full disk).
    return runText(QStringLiteral("COMMIT"));
}

QVector<PresencePeriod> HistoryStore::periods(const QString& number, qint64 from, qint64 to)
{
    const auto id = m_friends.ids.constFind(number);
    // While the file is held, what it has is still read.
    if (id == m_friends.ids.cend() || (!flush() && !m_held))
        return {};
    // Periods of a friend do not overlap: the one that began last before `from` is the only earlier one
    // that may reach into the range.
    QSqlQuery query;
    if (!execute(query,
                 QStringLiteral(
                     "SELECT state, started, ended, name FROM period "
                     "JOIN nickname ON nickname.id = period.nickname WHERE friend = ? AND started >= "
                     "IFNULL((SELECT started FROM period WHERE friend = ? AND started < ? "
                     "ORDER BY started DESC LIMIT 1), ?) AND started < ? AND ended >= ? ORDER BY started"),
                 {*id, *id, from, from, to, from}))
        return {};
    QVector<PresencePeriod> found;
    while (query.next())
        found.append({PresenceState(query.value(0).toInt()), query.value(1).toLongLong(),
                      query.value(2).toLongLong(), query.value(3).toString()});
    return found;
}

QVector<HistoryStore::RecordedFriend> HistoryStore::recordedFriends()
{
    QSqlQuery query;
    if (!flush() ||
        !execute(
            query,
            QStringLiteral("SELECT number, name FROM friend JOIN period ON period.friend = friend.id "
                           "AND period.started = (SELECT MAX(started) FROM period WHERE friend = friend.id) "
                           "JOIN nickname ON nickname.id = period.nickname ORDER BY number"),
            {}))
        return {};
    QVector<RecordedFriend> found;
    while (query.next())
        found.append({query.value(0).toString(), query.value(1).toString()});
    return found;
}

std::optional<qint64> HistoryStore::lastOnline(const QString& number)
{
    const auto id = m_friends.ids.constFind(number);
    if (!m_open || id == m_friends.ids.cend())
        return std::nullopt;
    // This run's periods are the friend's latest, and may not be written yet.
    if (const auto open = m_openPeriods.constFind(*id);
        open != m_openPeriods.cend() && open->state == PresenceState::Online)
        return open->end;
    for (auto ended = m_endedUnwritten.crbegin(); ended != m_endedUnwritten.crend(); ++ended)
        if (ended->first == *id && ended->second.state == PresenceState::Online)
            return ended->second.end;
    if (!runPrepared(m_lastOnline, {*id}))
        return std::nullopt;
    const std::optional<qint64> found =
        m_lastOnline.next() ? std::optional<qint64>(m_lastOnline.value(0).toLongLong()) : std::nullopt;
    m_lastOnline.finish();
    return found;
}

bool HistoryStore::clear(const QString& number)
{
    if (m_access != Access::Keeper || !flush())
        return false;
    const auto id = m_friends.ids.constFind(number);
    if (id == m_friends.ids.cend())
        return true;
    QSqlQuery query;
    if (!execute(query, QStringLiteral("DELETE FROM period WHERE friend = ?"), {*id}))
        return false;
    m_openPeriods.remove(*id);
    return true;
}

bool HistoryStore::exportCsv(QIODevice& out, const QString& number)
{
    if ((!flush() && !m_held) || out.write(HistoryCsv::header) != HistoryCsv::header.size())
        return false;
    QSqlQuery query;
    if (!execute(query, QStringLiteral("SELECT id, name FROM nickname"), {}))
        return false;
    QHash<qint64, QByteArray> nicknameFields;
    while (query.next())
        nicknameFields.insert(query.value(0).toLongLong(), HistoryCsv::field(query.value(1).toString()));

    QStringList numbers = number.isEmpty() ? m_friends.ids.keys() : QStringList{number};
    std::sort(numbers.begin(), numbers.end());
    HistoryCsv csv(out);
    for (const QString& friendNumber : std::as_const(numbers)) {
        const auto id = m_friends.ids.constFind(friendNumber);
        if (id == m_friends.ids.cend())
            continue;
        // Nickname and state in one column: each column costs every row its way through Qt.
        if (!execute(
                query,
                QStringLiteral("SELECT nickname << 2 | state, started, ended FROM period WHERE friend = ? "
                               "ORDER BY started"),
                {*id}))
            return false;
        const QByteArray numberField = HistoryCsv::field(friendNumber);
        while (query.next()) {
            const qint64 nicknameAndState = query.value(0).toLongLong();
            csv.writeRow(numberField, nicknameFields.value(nicknameAndState >> 2),
                         PresenceState(nicknameAndState & 3), query.value(1).toLongLong(),
                         query.value(2).toLongLong());
        }
        if (const QSqlError error = query.lastError(); error.isValid()) {
            meetFault(error);
            return false;
        }
    }
    return csv.finish();
}

bool HistoryStore::runText(const QString& statement)
{
    QSqlQuery query;
    return execute(query, statement, {});
}

bool HistoryStore::execute(QSqlQuery& query, const QString& statement, const QVariantList& values)
{
    return prepare(query, statement) && runPrepared(query, values);
}

// Every query here is read once, front to back.
bool HistoryStore::prepare(QSqlQuery& query, const QString& statement)
{
    query = QSqlQuery(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (query.prepare(statement))
        return true;
    const QSqlError error = query.lastError(); // meetFault() lets go of the prepared statements
    meetFault(error);
    return false;
}

bool HistoryStore::runPrepared(QSqlQuery& query, const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (query.exec())
        return true;
    const QSqlError error = query.lastError();
    meetFault(error);
    return false;
}

void HistoryStore::meetFault(const QSqlError& error)
{
    const int code = primaryCode(error);
    // After a good start a lock is another program's moment (a backup, a database tool): waited out.
    if ((code == Busy || code == Locked) && m_started)
        return hold(code);
    close();
    // SQLite's own words are English: its code is kept, and no words.
    switch (code) {
    case Corrupt:
    case NotADb:
        // Only the keeper sets a file aside; a reader leaves it for the keeper to find.
        if (m_access == Access::Keeper) {
            const QString asideName = setAside();
            m_setAside = !asideName.isEmpty();
            m_failure = {m_setAside ? Failure::What::Damaged : Failure::What::DamagedStuck, code, QString(),
                         asideName};
        } else {
            m_failure = {Failure::What::Damaged, code};
        }
        return;
    case Busy:
    case Locked:
        m_failure = {Failure::What::Locked, code};
        return;
    case Full:
        m_failure = {Failure::What::Full, code};
        return;
    case Perm:
    case ReadOnly:
    case CantOpen:
    case Auth:
        m_failure = {m_access == Access::Keeper ? Failure::What::Unwritable : Failure::What::Unopenable,
                     code};
        return;
    default:
        m_failure = {Failure::What::Database, code};
    }
}

// Renames the damaged file, with its write-ahead log and index, to a name no file has yet; returns the
// new file name, or nothing when it could not be renamed.
QString HistoryStore::setAside()
{
    const QFileInfo damaged(m_path);
    const QString stem = damaged.path() + QLatin1Char('/') + damaged.completeBaseName() +
                         QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = stem + QStringLiteral(".sqlite");
    for (int i = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-wal")); ++i)
        aside = stem + QStringLiteral("-%1.sqlite").arg(i);
    if (!QFile::rename(m_path, aside))
        return QString();
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        if (QFileInfo::exists(m_path + suffix))
            QFile::rename(m_path + suffix, aside + suffix);
    return QFileInfo(aside).fileName();
}

// What waits in memory stays there; the transaction is let go, for the next flush to begin anew.
void HistoryStore::hold(int code)
{
    for (QSqlQuery* statement : {&m_writePeriod, &m_writeFriend, &m_writeNickname, &m_lastOnline})
        statement->finish();
    QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
    m_held = true;
    m_failure = {Failure::What::Locked, code};
}

void HistoryStore::close()
{
    for (QSqlQuery* statement : {&m_writePeriod, &m_writeFriend, &m_writeNickname, &m_lastOnline})
        *statement = QSqlQuery();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::database(m_connection, false).close();
    m_open = false;
    m_started = false;
    m_held = false;
}
