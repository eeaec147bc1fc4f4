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
    QSqlDatabase::removeDatabase(m_connection);
    m_failureReason.clear();
    m_friendIds.clear();
    m_nicknameIds.clear();
    m_openPeriods.clear();
    m_endedUnwritten.clear();
    m_unwrittenSince = -1;
    m_path = path;
    m_access = access;

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid()) {
        m_failureReason = QStringLiteral("缺少 Qt 的 SQLite 驱动（libqt6sql6-sqlite）");
        return false;
    }
    db.setDatabaseName(path);
    db.setConnectOptions(
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1%2")
            .arg(busyTimeoutMs)
            .arg(access == Access::ReadOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    if (!db.open()) {
        fail(db.lastError());
        return false;
    }
    m_open = true;
    // No integrity check and no full scan here: start-up stays fast with a year of history.
    if (access == Access::Keeper && !(createSchema() && dropOldPeriods()))
        return false;
    return loadNames() && prepareStatements();
}

bool HistoryStore::prepareStatements()
{
    // Without statistics SQLite would walk the friend's periods back from the latest.
    return prepare(m_lastOnline,
                   QStringLiteral("SELECT ended FROM period INDEXED BY online "
                                  "WHERE friend = ? AND state = 1 ORDER BY started DESC LIMIT 1")) &&
           (m_access == Access::ReadOnly ||
            prepare(m_writePeriod, QStringLiteral("INSERT OR REPLACE INTO period VALUES(?, ?, ?, ?, ?)")));
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

// Numbers and nicknames are few beside the periods: kept here, a check writes only its period.
bool HistoryStore::loadNames()
{
    QSqlQuery query;
    if (!execute(query, QStringLiteral("SELECT id, number FROM friend"), {}))
        return false;
    while (query.next())
        m_friendIds.insert(query.value(1).toString(), query.value(0).toLongLong());
    if (!execute(query, QStringLiteral("SELECT id, name FROM nickname"), {}))
        return false;
    while (query.next())
        m_nicknameIds.insert(query.value(1).toString(), query.value(0).toLongLong());
    return true;
}

std::optional<qint64> HistoryStore::friendId(const QString& number)
{
    return idOf(m_friendIds, QStringLiteral("INSERT INTO friend(number) VALUES(?)"), number);
}

std::optional<qint64> HistoryStore::nicknameId(const QString& nickname)
{
    return idOf(m_nicknameIds, QStringLiteral("INSERT INTO nickname(name) VALUES(?)"), nickname);
}

std::optional<qint64> HistoryStore::idOf(QHash<QString, qint64>& known, const QString& insert,
                                         const QString& text)
{
    if (const auto found = known.constFind(text); found != known.cend())
        return *found;
    QSqlQuery query;
    if (!execute(query, insert, {text}))
        return std::nullopt;
    return *known.insert(text, query.lastInsertId().toLongLong());
}

bool HistoryStore::record(const QString& number, const QString& nickname, PresenceState state, qint64 at)
{
    if (!m_open || m_access != Access::Keeper)
        return false;
    const std::optional<qint64> id = friendId(number);
    const std::optional<qint64> nicknameKey = id ? nicknameId(nickname) : std::nullopt;
    if (!nicknameKey)
        return false;
    const auto latest = m_openPeriods.find(*id);
    const bool known = latest != m_openPeriods.end();
    if (known && latest->state == state && at >= latest->end && at - latest->end <= longestCheckGap) {
        latest->end = at;
        latest->nickname = *nicknameKey;
        latest->unwritten = true;
    } else {
        if (known && latest->unwritten)
            m_endedUnwritten.append({*id, *latest});
        m_openPeriods.insert(*id, {state, at, at, *nicknameKey, true});
    }
    if (m_unwrittenSince < 0)
        m_unwrittenSince = at;
    return at - m_unwrittenSince < writeBackDelay || flush();
}

bool HistoryStore::flush()
{
    if (!m_open)
        return false;
    if (m_unwrittenSince < 0)
        return true;
    if (!transaction(Begin))
        return false;
    for (const auto& [id, period] : std::as_const(m_endedUnwritten))
        if (!write(id, period))
            return false;
    for (auto period = m_openPeriods.begin(); period != m_openPeriods.end(); ++period)
        if (period->unwritten && !write(period.key(), *period))
            return false;
    if (!transaction(Commit))
        return false;
    m_endedUnwritten.clear();
    for (OpenPeriod& period : m_openPeriods)
        period.unwritten = false;
    m_unwrittenSince = -1;
    return true;
}

bool HistoryStore::write(qint64 id, const OpenPeriod& period)
{
    return runPrepared(m_writePeriod, {id, period.start, period.end, int(period.state), period.nickname});
}

bool HistoryStore::transaction(TransactionStep step) const
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (step == Begin ? db.transaction() : db.commit())
        return true;
    fail(db.lastError());
    return false;
}

QVector<PresencePeriod> HistoryStore::periods(const QString& number, qint64 from, qint64 to)
{
    const auto id = m_friendIds.constFind(number);
    if (id == m_friendIds.cend() || !flush())
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

std::optional<qint64> HistoryStore::lastOnline(const QString& number) const
{
    const auto id = m_friendIds.constFind(number);
    if (!m_open || id == m_friendIds.cend())
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
    const auto id = m_friendIds.constFind(number);
    if (id == m_friendIds.cend())
        return true;
    QSqlQuery query;
    if (!execute(query, QStringLiteral("DELETE FROM period WHERE friend = ?"), {*id}))
        return false;
    m_openPeriods.remove(*id);
    return true;
}

bool HistoryStore::exportCsv(QIODevice& out, const QString& number)
{
    if (!flush() || out.write(HistoryCsv::header) != HistoryCsv::header.size())
        return false;
    QSqlQuery query;
    if (!execute(query, QStringLiteral("SELECT id, name FROM nickname"), {}))
        return false;
    QHash<qint64, QByteArray> nicknameFields;
    while (query.next())
        nicknameFields.insert(query.value(0).toLongLong(), HistoryCsv::field(query.value(1).toString()));

    QStringList numbers = number.isEmpty() ? m_friendIds.keys() : QStringList{number};
    std::sort(numbers.begin(), numbers.end());
    HistoryCsv csv(out);
    for (const QString& friendNumber : std::as_const(numbers)) {
        const auto id = m_friendIds.constFind(friendNumber);
        if (id == m_friendIds.cend())
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
            fail(error);
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

bool HistoryStore::execute(QSqlQuery& query, const QString& statement, const QVariantList& values) const
{
    return prepare(query, statement) && runPrepared(query, values);
}

// Every query here is read once, front to back.
bool HistoryStore::prepare(QSqlQuery& query, const QString& statement) const
{
    query = QSqlQuery(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (query.prepare(statement))
        return true;
    const QSqlError error = query.lastError(); // fail() lets go of the prepared statements
    fail(error);
    return false;
}

bool HistoryStore::runPrepared(QSqlQuery& query, const QVariantList& values) const
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (query.exec())
        return true;
    const QSqlError error = query.lastError();
    fail(error);
    return false;
}

void HistoryStore::fail(const QSqlError& error) const
{
    close();
    // SQLite's own texts are English: the user gets its code only, where no case here fits.
    const int code = primaryCode(error);
    switch (code) {
    case Corrupt:
    case NotADb:
        // Only the keeper sets a file aside; a reader leaves it for the keeper to find.
        if (m_access == Access::Keeper) {
            const QString asideName = setAside();
            m_failureReason = asideName.isEmpty()
                                  ? QStringLiteral("记录文件已损坏，也无法改名")
                                  : QStringLiteral("记录文件已损坏，已改名为 %1 保留").arg(asideName);
        } else {
            m_failureReason = QStringLiteral("记录文件已损坏");
        }
        return;
    case Busy:
    case Locked:
        m_failureReason = QStringLiteral("记录文件正被另一个程序使用");
        return;
    case Full:
        m_failureReason = QStringLiteral("磁盘空间不足");
        return;
    case Perm:
    case ReadOnly:
    case CantOpen:
    case Auth:
        m_failureReason = m_access == Access::Keeper ? QStringLiteral("记录文件所在的文件夹不能写入")
                                                     : QStringLiteral("无法打开记录文件");
        return;
    default:
        m_failureReason = QStringLiteral("无法读写记录文件（错误 %1）").arg(code);
    }
}

// Renames the damaged file, with its write-ahead log and index, to a name no file has yet; returns the
// new file name, or nothing when it could not be renamed.
QString HistoryStore::setAside() const
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

void HistoryStore::close() const
{
    for (QSqlQuery* statement : {&m_writePeriod, &m_lastOnline})
        *statement = QSqlQuery();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::database(m_connection, false).close();
    m_open = false;
}
