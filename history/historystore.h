#pragma once

#include "failure.h"
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

    // A lock that outlasts a write's wait, after a good start, keeps checks in memory: at most this many
    // periods ended meanwhile (a few megabytes; with a check every two seconds, a day of state changes);
    // beyond them history is off for the run.
    static constexpr qsizetype heldPeriodsLimit = 50000;

    // Opens the database, creating it when missing; as Keeper also drops periods older than a year.
    // A damaged file is set aside under a new name, never deleted, and a new one started at once; so is
    // one found damaged later, with this run's checks. False: history is off for this run, and
    // failure() says why (locked by another program; disk full; folder not writable).
    bool open(const QString& path, Access access = Access::Keeper);
    bool isOpen() const { return m_open; }
    // Another program holds the file (a database tool, a backup): checks wait in memory, and the next
    // flush() that finds the file free writes them.
    bool isHeld() const { return m_held; }
    // Why history is off or held (Locked); while it is on, what became of a damaged file; none otherwise.
    Failure failure() const { return m_failure; }

    // Records one check of a friend. It waits in memory for flush(): once the first check waiting has
    // waited writeBackDelay, a check writes them all. A period lasts while its state and nickname do.
    // False when it could not be: then, as after any fault of the database here, history is off for the
    // run and failure() says why.
    bool record(const QString& number, const QString& nickname, PresenceState state, qint64 at);
    // The friend has left the list: its period ends, and a check of the number later starts another.
    void endPeriod(const QString& number);
    // Writes the checks record() kept in memory, all in one transaction. False while history is off or
    // held.
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
    std::optional<qint64> lastOnline(const QString& number);
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

    // Numbers and nicknames of a table read at open, with the ids of those this run added, which wait
    // in memory with the checks.
    struct Names
    {
        QHash<QString, qint64> ids;
        QVector<std::pair<qint64, QString>> unwritten;
        qint64 nextId = 1;
    };

    bool openFile();
    bool createSchema();
    bool dropOldPeriods();
    bool loadNames(Names& names, const QString& select);
    static qint64 idOf(Names& names, const QString& text);
    bool prepareStatements();
    bool writeUnwritten();
    bool startAfresh();
    bool runText(const QString& statement);
    // Prepares `statement`, binds `values` in order and runs it; a failure ends history for the run.
    bool execute(QSqlQuery& query, const QString& statement, const QVariantList& values);
    bool prepare(QSqlQuery& query, const QString& statement);
    bool runPrepared(QSqlQuery& query, const QVariantList& values);
    // What a fault of the database does: a lock after a good start holds the checks in memory; any other
    // fault ends history for the run, and a damaged file is set aside.
    void meetFault(const QSqlError& error);
    void hold(int code);
    QString setAside();
    void close();

    QString m_path;
    QString m_connection;
    Access m_access = Access::Keeper;
    bool m_open = false;
    bool m_started = false; // opened well: a lock from now on is waited out
    bool m_held = false;
    bool m_setAside = false; // a damaged file was set aside, and no new one started yet
    Failure m_failure;
    Names m_friends;
    Names m_nicknames;
    QHash<qint64, OpenPeriod> m_openPeriods; // this run's latest period of each friend it checked
    // Periods that a change of state ended before they were written, oldest first, by friend.
    QVector<std::pair<qint64, OpenPeriod>> m_endedUnwritten;
    qint64 m_writeDue = -1; // the time of check at which what waits is written; -1 when nothing waits
    qint64 m_latestCheck = 0;
    // What every check and the start-up's last-seen texts run, prepared once.
    QSqlQuery m_writePeriod;
    QSqlQuery m_writeFriend;
    QSqlQuery m_writeNickname;
    QSqlQuery m_lastOnline;
};
