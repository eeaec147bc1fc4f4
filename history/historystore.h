#pragma once

#include "presenceperiod.h"

#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <optional>

class QIODevice;
class QSqlError;

// The online history of a list's friends: every check kept as periods in an SQLite database beside the
// list. A commit costs more processor time than the check itself, so checks wait here in memory and are
// written together, in one transaction, by flush(): at the end of a check run, once the first of them has
// waited writeBackDelay, before any read, and when the store closes or opens another file. In WAL mode with
// synchronous=NORMAL a commit survives the process being killed at any moment (only a power cut may take
// the last ones): a kill loses at most the checks of the last writeBackDelay, and the file stays whole.
// Periods never span a restart: a period is extended only by checks of this run, kept here per friend.
class HistoryStore
{
public:
    enum class Access
    {
        Keeper,   // the program that holds the list: writes, and drops what is older than a year at open
        ReadOnly, // anyone else (the export): reads while the keeper writes
    };

    // A check that comes longer than this after the friend's previous one starts a new period: the
    // computer slept and nothing watched. Automatic checks come at most 60 minutes after the previous
    // run ended, and a run of 1,000 friends takes about 35 minutes at one two-second wait each.
    static constexpr qint64 longestCheckGap = 2 * 60 * 60 * 1000;
    // How long a check may wait in memory before it is written. A run checks a friend every two seconds or
    // so, so a run writes once in fifteen checks or more: recording costs it well under 1 % of its processor
    // time. A kill then loses at most this much.
    static constexpr qint64 writeBackDelay = 30 * 1000;
    // Periods that ended longer ago than this are dropped at open: a year.
    static constexpr qint64 keptFor = 365LL * 24 * 60 * 60 * 1000;

    // The database beside the list, named after it: ".../QQlist.cfg" -> ".../QQlist.sqlite".
    static QString pathFor(const QString& listFilePath);

    HistoryStore();
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens the database, creating it when missing; as Keeper also drops periods older than a year.
    // False: history is off for this run, and failureReason() says why (damaged: the file was set aside
    // under a new name, never deleted; locked by another program; disk full; folder not writable).
    bool open(const QString& path, Access access = Access::Keeper);
    bool isOpen() const { return m_open; }
    // Why history is off, in the user's words ("记录文件正被另一个程序使用"), for the caller to put after
    // what is off; empty while it is on.
    QString failureReason() const { return m_failureReason; }

    // Records one check of a friend: a new period is committed before it returns, an extension waits
    // for flush(). False when it could not be: then, as after any fault of the database here, history is
    // off for the run and failureReason() says why.
    bool record(const QString& number, const QString& nickname, PresenceState state, qint64 at);
    // Writes the checks record() kept in memory, all in one transaction. False while history is off.
    bool flush();
    // The periods overlapping [from, to), oldest first.
    QVector<PresencePeriod> periods(const QString& number, qint64 from, qint64 to);
    // A friend the history knows of: its number, and its nickname at its latest period.
    struct RecordedFriend
    {
        QString number;
        QString nickname;
    };
    // Every friend with a period, in order of number: also those since deleted from the list.
    QVector<RecordedFriend> recordedFriends();
    // When the friend was last seen online: the end of the latest online period; none if never.
    std::optional<qint64> lastOnline(const QString& number) const;
    // Deletes every period of the friend; the friend's next check starts a new one.
    bool clear(const QString& number);
    // Writes periods as CSV (HistoryCsv): every friend's in order of number, or only `number`'s.
    bool exportCsv(QIODevice& out, const QString& number = QString());

private:
    struct OpenPeriod
    {
        PresenceState state;
        qint64 start;
        qint64 end;
        qint64 nickname;
        bool unwritten; // the database lags: it has not the period yet, or not its end and nickname
    };

    bool createSchema();
    bool dropOldPeriods();
    bool loadNames();
    std::optional<qint64> friendId(const QString& number);
    std::optional<qint64> nicknameId(const QString& nickname);
    // The id `text` has in `known`, the table read at open; added by `insert` the first time it is seen.
    std::optional<qint64> idOf(QHash<QString, qint64>& known, const QString& insert, const QString& text);
    bool prepareStatements();
    bool write(qint64 id, const OpenPeriod& period);
    enum TransactionStep
    {
        Begin,
        Commit,
    };
    bool transaction(TransactionStep step) const;
    bool runText(const QString& statement);
    // Prepares `statement`, binds `values` in order and runs it; a failure ends history for the run.
    bool execute(QSqlQuery& query, const QString& statement, const QVariantList& values) const;
    bool prepare(QSqlQuery& query, const QString& statement) const;
    bool runPrepared(QSqlQuery& query, const QVariantList& values) const;
    void fail(const QSqlError& error) const;
    QString setAside() const;
    void close() const;

    QString m_path;
    QString m_connection;
    Access m_access = Access::Keeper;
    mutable bool m_open = false;
    mutable QString m_failureReason;
    QHash<QString, qint64> m_friendIds;
    QHash<QString, qint64> m_nicknameIds;
    QHash<qint64, OpenPeriod> m_openPeriods; // this run's latest period of each friend it checked
    // Periods that a change of state ended before they were written, oldest first, by friend.
    QVector<std::pair<qint64, OpenPeriod>> m_endedUnwritten;
    qint64 m_unwrittenSince = -1; // the time of the oldest check not yet written; -1 when all are
    // What every check and the start-up's last-seen texts run, prepared once.
    mutable QSqlQuery m_writePeriod;
    mutable QSqlQuery m_lastOnline;
};
