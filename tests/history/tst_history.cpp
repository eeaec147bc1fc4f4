#include "failuretext.h"
#include "historystore.h"
#include "listfixtures.h"

#include <QBuffer>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <ctime>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// Root writes everywhere: a test of what may not be written runs as nobody then. Windows keeps no such
// permissions on a folder.
static bool beNobody(bool nobody)
{
#ifdef Q_OS_UNIX
    static bool wasRoot = false;
    if (nobody)
        wasRoot = ::geteuid() == 0;
    return !wasRoot || ::setresuid(nobody ? 65534 : 0, nobody ? 65534 : 0, 0) == 0;
#else
    return !nobody;
#endif
}

// Real databases in temporary folders; times in minutes from a day ago, so that reopening drops nothing
// but what is a year older.
class TestHistory : public QObject
{
    Q_OBJECT

    const qint64 base = QDateTime::currentMSecsSinceEpoch() / 60000 * 60000 - 24 * 3600 * 1000;
    qint64 at(double minutes) const { return base + qint64(minutes * 60000); }
    const QStringList stateNames = {"", presenceWord(PresenceState(1)), presenceWord(PresenceState(2)),
                                    presenceWord(PresenceState(3))}; // by PresenceState

private slots:
    void initTestCase()
    {
        // Newfoundland's time, whose change to summer time falls within an hour of UTC: the export writes
        // local times.
#ifdef Q_OS_WIN
        // Windows' C library reads only the POSIX form, with the North American dates of summer time.
        qputenv("TZ", "NST3:30NDT");
        ::_tzset();
#else
        qputenv("TZ", "America/St_Johns");
        ::tzset();
#endif
    }

    // Checks of friend 10001 ("minute state nickname"), "restart" (a new store), "reopen" (the same store
    // opens the file again), "flush", "killed" (a new store on a copy of the files as they are now, which is
    // what a kill leaves), "clear", "deleted" (from the list) and "another program writes" until "it ends"
    // -> its periods overlapping the minutes [from, to), and when it was last seen online (-1: never).
    void periods_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("periods"); // "state first..last nickname"
        QTest::addColumn<double>("lastOnline");
        const int all = 1 << 20;
        QTest::newRow("answers and failures")
            << QStringList{"0 在线 小明", "1 在线 小明", "2 离线 小明", "3 未知 小明", "4 未知 小明"} << -all
            << all << QStringList{"在线 0..1 小明", "离线 2..2 小明", "未知 3..4 小明"} << 1.0;
        QTest::newRow("renamed while online: each nickname its own period")
            << QStringList{"0 在线 小明", "5 在线 明明"} << -all << all
            << QStringList{"在线 0..0 小明", "在线 5..5 明明"} << 5.0;
        QTest::newRow("deleted from the list and added again: the time between is no period")
            << QStringList{"0 离线 阿丙", "deleted", "2 离线 阿丙"} << -all << all
            << QStringList{"离线 0..0 阿丙", "离线 2..2 阿丙"} << -1.0;
        QTest::newRow("another program writes a while: the checks wait, and are written when it ends")
            << QStringList{"0 在线 a", "another program writes", "1 在线 a", "2 离线 b", "it ends",
                           "3 离线 b"}
            << -all << all << QStringList{"在线 0..1 a", "离线 2..3 b"} << 1.0;
        QTest::newRow("a restart ends the period, with its last check")
            << QStringList{"0 在线 小明", "1 在线 小明", "restart", "2 在线 小明"} << -all << all
            << QStringList{"在线 0..1 小明", "在线 2..2 小明"} << 2.0;
        QTest::newRow("killed: checks of the last half minute are lost, the period ends where it was written")
            << QStringList{"0 在线 a", "1 在线 a", "flush", "2 在线 a", "2.25 在线 a", "killed"} << -all
            << all << QStringList{"在线 0..1 a"} << 1.0;
        QTest::newRow("killed: a check half a minute after the first unwritten one writes them all")
            << QStringList{"0 在线 a", "0.25 在线 a", "0.5 离线 a", "0.75 离线 a", "killed"} << -all << all
            << QStringList{"在线 0..0.25 a", "离线 0.5..0.5 a"} << 0.25;
        QTest::newRow("gone offline within half a minute: last seen while not yet written")
            << QStringList{"0 在线 a", "0.25 离线 a"} << -all << all
            << QStringList{"在线 0..0 a", "离线 0.25..0.25 a"} << 0.0;
        QTest::newRow("a gap longer than two hours ends it")
            << QStringList{"0 离线 a", "120 离线 a", "241 离线 a"} << -all << all
            << QStringList{"离线 0..120 a", "离线 241..241 a"} << -1.0;
        QTest::newRow("deleted and added again") << QStringList{"0 在线 a", "1 离线 a", "clear", "2 离线 b"}
                                                 << -all << all << QStringList{"离线 2..2 b"} << -1.0;
        QTest::newRow("a range takes the periods reaching into it")
            << QStringList{"0 离线 a", "10 在线 a", "20 在线 a", "30 离线 a", "40 未知 a"} << 15 << 40
            << QStringList{"在线 10..20 a", "离线 30..30 a"} << 20.0;
        QTest::newRow("older than a year: dropped at open")
            << QStringList{"-525600 在线 a", "-523000 离线 a", "-522999 离线 a", "reopen", "0 未知 a"} << -all
            << all << QStringList{"离线 -523000..-522999 a", "未知 0..0 a"} << -1.0;
    }
    void periods()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, periods);
        QFETCH(double, lastOnline);
        const QTemporaryDir dir;
        const QString path = HistoryStore::pathFor(dir.filePath("QQlist.cfg"));
        auto store = std::make_unique<HistoryStore>();
        QVERIFY(store->open(path));
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(path);
        for (const QString& step : std::as_const(steps)) {
            QVERIFY(step != "another program writes" ||
                    (other.open() && QSqlQuery(other).exec("BEGIN IMMEDIATE")));
            QVERIFY(step != "it ends" || QSqlQuery(other).exec("COMMIT"));
            if (step == "deleted")
                store->endPeriod("10001");
            const QString killed = path + "-killed";
            QVERIFY(step != "killed" ||
                    (QFile::copy(path, killed) && QFile::copy(path + "-wal", killed + "-wal")));
            if (step == "restart" || step == "killed")
                store = std::make_unique<HistoryStore>();
            QVERIFY((step != "restart" && step != "reopen") || store->open(path));
            QVERIFY(step != "killed" || store->open(killed));
            QVERIFY(step != "flush" || store->flush());
            QVERIFY(step != "clear" || store->clear("10001"));
            const QStringList check = step.split(' ');
            QVERIFY(!stateNames.mid(1).contains(check.value(1)) ||
                    store->record("10001", check[2], PresenceState(stateNames.indexOf(check[1])),
                                  at(check[0].toDouble())));
        }
        // Before the periods, which write what the store keeps in memory.
        QCOMPARE(store->lastOnline("10001"),
                 lastOnline < 0 ? std::nullopt : std::optional<qint64>(at(lastOnline)));
        QStringList found;
        for (const PresencePeriod& period : store->periods("10001", at(from), at(to))) {
            found << QString("%1 %2..%3 %4")
                         .arg(stateNames[int(period.state)])
                         .arg((period.start - base) / 60000.0)
                         .arg((period.end - base) / 60000.0)
                         .arg(period.nickname);
        }
        QCOMPARE(found.join(", "), periods.join(", "));
        QVERIFY(store->periods("10002", at(from), at(to)).isEmpty());
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("other");
    }

    // The CSV's bytes: a byte-order mark and the header, oldest first per friend, friends by number (the
    // next one's days may come before the last one's), fields kept whole, formulas defused, local times
    // across the change to summer time.
    void exportBytes()
    {
        const QTemporaryDir dir;
        HistoryStore store;
        QVERIFY(store.open(dir.filePath("h.sqlite")));
        // 01:30 in St. John's is 05:00 UTC; at 05:30 UTC clocks go from 02:00 to 03:00.
        const qint64 march = QDateTime(QDate(2026, 3, 8), QTime(5, 0), Qt::UTC).toMSecsSinceEpoch();
        const qint64 december = QDateTime(QDate(2026, 12, 1), QTime(15, 30), Qt::UTC).toMSecsSinceEpoch();
        QVERIFY(store.record("abc", "=HYPERLINK(\"x\",\"y\")", PresenceState::Online, march) &&
                store.record("abc", "+1", PresenceState::Offline, december));
        QVERIFY(store.record("20002", "a,\"b\"\nc", PresenceState::Online, march) &&
                store.record("20002", "a,\"b\"\nc", PresenceState::Online, march + 45 * 60000));
        QVERIFY(store.record("-3", "-3", PresenceState::Offline, december) &&
                store.record("@1", "@1\n2", PresenceState::Unknown, march) &&
                store.record("\t1", "\r=1", PresenceState::Online, march));
        QBuffer out;
        QVERIFY(out.open(QIODevice::WriteOnly) && store.exportCsv(out));
        QCOMPARE(out.data(),
                 "\xEF\xBB\xBF号码,昵称,状态,开始,结束\r\n'\t1,\"'\r=1\",在线,2026-03-08 01:30:00,2026-03-08 "
                 "01:30:00\r\n"
                 "'-3,'-3,离线,2026-12-01 12:00:00,2026-12-01 12:00:00\r\n"
                 "20002,\"a,\"\"b\"\"\nc\",在线,2026-03-08 01:30:00,2026-03-08 03:15:00\r\n"
                 "'@1,\"'@1\n2\",未知,2026-03-08 01:30:00,2026-03-08 01:30:00\r\n"
                 "abc,\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\",在线,2026-03-08 01:30:00,2026-03-08 01:30:00\r\n"
                 "abc,'+1,离线,2026-12-01 12:00:00,2026-12-01 12:00:00\r\n");
    }

    // A database that cannot be used turns history off for the run with a reason; a damaged one is set
    // aside under a new name, and history goes on in a new file at once.
    void unusable_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QStringList>("files"); // in the folder afterwards
        const QStringList database = {"h.sqlite", "h.sqlite-shm", "h.sqlite-wal"};
        QTest::newRow("not a database")
            << "garbage"
            << "记录文件已损坏，已改名为 h.damaged-" << QStringList{"h.damaged-*.sqlite"} + database;
        QTest::newRow("a damaged table")
            << "damaged"
            << "记录文件已损坏，已改名为 h.damaged-" << QStringList{"h.damaged-*.sqlite"} + database;
        QTest::newRow("written by another program") << "locked"
                                                    << "记录文件正被另一个程序使用" << database;
        QTest::newRow("a folder in its place") << "folder"
                                               << "记录文件 h.sqlite 不是一个普通文件" << QStringList{};
#ifdef Q_OS_UNIX
        QTest::newRow("a folder not writable") << "unwritable"
                                               << "记录文件所在的文件夹不能写入" << QStringList{};
#endif
    }
    void unusable()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QFETCH(QStringList, files);
        const QTemporaryDir dir;
        const QString path = dir.filePath("h.sqlite");
        {
            HistoryStore made;
            QVERIFY(QStringList({"garbage", "unwritable", "folder"}).contains(fault) ||
                    (made.open(path) && made.record("1", "a", PresenceState::Online, at(0))));
        }
        QVERIFY(fault != "garbage" || writeFileBytes(path, QByteArray(4096, 'x')));
        const QByteArray bytes = fileBytes(path);
        // Every page but the first, which holds the header and the schema.
        QVERIFY(fault != "damaged" ||
                writeFileBytes(path, bytes.left(4096) + QByteArray(bytes.size() - 4096, '\x7f')));
        QVERIFY(fault != "folder" || QDir().mkdir(path));
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(path);
        QVERIFY(fault != "locked" || (other.open() && QSqlQuery(other).exec("BEGIN IMMEDIATE")));
        const bool unwritable = fault == "unwritable";
        QVERIFY(!unwritable || QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                                     QFile::ReadOther | QFile::ExeOther));
        QVERIFY(!unwritable || beNobody(true));
        HistoryStore store;
        const bool written = store.open(path) && store.record("1", "a", PresenceState::Online, at(1)) &&
                             store.flush() && !store.periods("1", 0, at(2)).isEmpty();
        QVERIFY(!unwritable || beNobody(false));
        const QString told = FailureText::ofHistory(store.failure());
        QVERIFY2(told.startsWith(reason), qPrintable(told));
        const bool goesOn = reason.startsWith("记录文件已损坏");
        QCOMPARE(written, goesOn);
        QCOMPARE(store.isOpen(), goesOn);
        QCOMPARE(QDir(dir.path())
                     .entryList(QDir::Files, QDir::Name)
                     .join(' ')
                     .replace(QRegularExpression("damaged-[-0-9]*"), "damaged-*"),
                 files.join(' '));
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("other");
        // Once its fault is gone, a list starts its history afresh.
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(fault != "folder" || QDir().rmdir(path));
        QVERIFY(store.open(path) && store.record("1", "a", PresenceState::Online, at(1)) && store.flush());
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
