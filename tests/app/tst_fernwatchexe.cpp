#include "fakepresenceservice.h"
#include "form1.h"
#include "historystore.h"
#include "listfixtures.h"
#include "singleinstance.h"
#ifdef Q_OS_UNIX
#include "privatesessionbus.h"
#endif

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <list>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>

static PrivateSessionBus privateBus; // the programs started here meet this bus, never the desktop's
static const QString program = QStringLiteral("Fernwatch");
// What the package must hold besides the program and its skins.
static const char* const packaged[] = {"icons/fernwatch.ico", "fernwatch-desktop-entry.sh"};
#else
#include <windows.h>

static const QString program = QStringLiteral("Fernwatch.exe");
static const char* const packaged[] = {"Qt6Core.dll", "libstdc++-6.dll", "plugins/platforms/qwindows.dll",
                                       "plugins/sqldrivers/qsqlite.dll", "translations/qtbase_zh_CN.qm",
                                       "qt.conf"};
#endif

static const QByteArray oneFriend = "[MEUserData]\nIncout=1\n[1]\nImis1=10001\nImis2=小明\n";

// The program as the package holds it, in a folder of its own where it keeps its list beside itself,
// stopped at random moments, killed or asked to end as the system asks; and its own waits, seen from the
// presence service.
class TestFernwatchExe : public QObject
{
    Q_OBJECT

    QString listPath() const { return m_folder + QStringLiteral("/QQlist.cfg"); }

    void start(bool untilItQueries, const QStringList& arguments = {})
    {
        // A query that a program killed just after sending it is counted now, not as this one's.
        QTest::qWait(20);
        const qsizetype queried = m_service.queriedNumbers().count("10001");
        QElapsedTimer started;
        started.start();
        m_process.start(m_folder + '/' + program, arguments);
        // By its first query it has read its list and catches termination signals. Its list is oneFriend's:
        // the two programs that initTestCase started query other numbers meanwhile.
        if (untilItQueries)
            QTRY_VERIFY_WITH_TIMEOUT(m_service.queriedNumbers().count("10001") > queried, 10000);
        m_startUpMs = untilItQueries ? started.elapsed() : m_startUpMs;
    }

    // "kill": SIGKILL, or TerminateProcess on Windows; "terminate": SIGTERM, or WM_CLOSE to its windows;
    // "end the session": Windows' log-off, which ends the program once it has answered.
    void stop(const QString& how)
    {
        if (how == "kill") {
            m_process.kill();
        } else if (how == "terminate") {
            m_process.terminate();
        } else {
#ifdef Q_OS_UNIX
            const int signalNumber = how == "SIGINT" ? SIGINT : SIGHUP;
            // Process id 0 would signal this whole process group.
            QVERIFY(m_process.processId() > 0 && ::kill(pid_t(m_process.processId()), signalNumber) == 0);
#else
            QVERIFY(endSession(DWORD(m_process.processId())));
            m_process.kill();
#endif
        }
        QVERIFY(m_process.waitForFinished(10000));
        QCOMPARE(m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0,
                 how != "kill" && how != "end the session");
    }

#ifdef Q_OS_WIN
    // As Windows ends the session: every top-level window of the program is asked whether the session may
    // end, then told that it ends. False when the program has no window to ask, or one of them refuses.
    static bool endSession(DWORD processId)
    {
        std::pair<DWORD, QList<HWND>> windows{processId, {}}; // the program, and its windows found
        EnumWindows(
            [](HWND window, LPARAM found) -> BOOL {
                auto& [owner, list] = *reinterpret_cast<std::pair<DWORD, QList<HWND>>*>(found);
                DWORD process = 0;
                if (GetWindowThreadProcessId(window, &process) && process == owner)
                    list << window;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windows));
        bool allowed = !windows.second.isEmpty();
        for (HWND window : std::as_const(windows.second)) {
            DWORD_PTR answer = FALSE;
            allowed &= SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000,
                                           &answer) &&
                       answer == TRUE;
        }
        for (HWND window : std::as_const(windows.second))
            SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, nullptr);
        return allowed;
    }
#endif

    // What SQLite finds of the database's structure: "ok" when it is whole.
    static QString integrityCheck(const QString& path)
    {
        QString said;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
            db.setDatabaseName(path);
            QSqlQuery query(db);
            said = db.open() && query.exec("PRAGMA integrity_check") && query.next()
                       ? query.value(0).toString()
                       : db.lastError().text();
        }
        QSqlDatabase::removeDatabase("check");
        return said;
    }

    QTemporaryDir m_package;
    QString m_unpacked;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QProcess m_process;
    std::list<QProcess> m_timed; // for the program's own waits
    FakePresenceService m_service;
    qint64 m_startUpMs = 100; // until the first query, as last seen

private slots:
    void initTestCase()
    {
        QVERIFY(m_service.start());
        const QDir dir(m_package.path());
#ifdef Q_OS_UNIX
        // The program as a user gets it: the package, unpacked.
        QProcess::execute(QStringLiteral(CPACK_COMMAND), {"--config", CPACK_CONFIG, "-B", dir.path()});
        m_unpacked = dir.filePath(dir.entryList({"Fernwatch-*.tar.gz"}).value(0).section(".tar", 0, 0));
        QCOMPARE(QProcess::execute("tar", {"-xzf", m_unpacked + ".tar.gz", "-C", dir.path()}), 0);
#else
        // The folder the zip is made of, as the build installed it. The programs run in Windows' own way,
        // in windows that the system can ask to close, not offscreen.
        m_unpacked = QStringLiteral(PROGRAM_FOLDER);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        m_process.setProcessEnvironment(environment);
#endif
        for (const char* name : packaged)
            QVERIFY2(QFile::exists(m_unpacked + '/' + name), name);
        QVERIFY(QFile::exists(m_unpacked + "/qq2009.she"));
        // Meanwhile two programs, each in a folder of its own, check two friends: 20001 and 20002, answered
        // at once; 30001, never answered, and 30002.
        m_service.setAnswer("30001", {FakePresenceService::Answer::NoAnswer});
        for (const int first : {20001, 30001}) {
            const QString folder = dir.filePath(QString::number(first));
            const QString list =
                QString("[MEUserData]\nIncout=2\n[1]\nImis1=%1\n[2]\nImis1=%2\n").arg(first).arg(first + 1);
            QVERIFY(QDir().mkpath(folder) && QFile::copy(m_unpacked + '/' + program, folder + '/' + program) &&
                    writeFileBytes(folder + "/QQlist.cfg", list.toUtf8()));
            m_timed.emplace_back().setProcessEnvironment(m_process.processEnvironment());
            m_timed.back().start(folder + '/' + program, {});
        }
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_folder = m_dir->filePath(QStringLiteral("My $programs")); // as users' folder names may be
        QVERIFY(QDir().mkpath(m_folder) && QFile::copy(m_unpacked + '/' + program, m_folder + '/' + program));
    }

    void signalAtRandomMoments_data()
    {
        QTest::addColumn<QString>("how"); // see stop()
        QTest::addColumn<int>("rounds");
        // Program kills and program terms; `make stress` sets many more.
        const QStringList rounds = qEnvironmentVariable("FERNWATCH_STRESS", "3 3").split(' ');
#ifdef Q_OS_UNIX
        QTest::newRow("SIGKILL") << "kill" << rounds.value(0).toInt();
        QTest::newRow("SIGTERM") << "terminate" << rounds.value(1).toInt();
        QTest::newRow("SIGINT") << "SIGINT" << 1;
        QTest::newRow("SIGHUP") << "SIGHUP" << 1;
#else
        QTest::newRow("TerminateProcess") << "kill" << rounds.value(0).toInt();
        QTest::newRow("WM_CLOSE") << "terminate" << rounds.value(1).toInt();
        QTest::newRow("WM_ENDSESSION") << "end the session" << 1;
#endif
    }

    // A kill leaves the list file as it was, and the next start takes over its lock; being asked to end
    // saves the list that was read.
    void signalAtRandomMoments()
    {
        QFETCH(QString, how);
        QFETCH(int, rounds);
        const bool kill = how == "kill";
        const bool ended = kill || how == "end the session"; // by the system, at once
        for (int round = 0; round < rounds; ++round) {
            QVERIFY(writeFileBytes(listPath(), oneFriend));
            const bool inCheckRun = !kill || round % 2 == 0; // every other kill falls in start-up
            // The session ends while the program waits in the tray, where Qt alone hears nothing of it.
            start(inCheckRun, how == "end the session" ? QStringList{"--minimized"} : QStringList());
            QVERIFY(kill || QFile::remove(listPath())); // read already: only a save brings it back
            QTest::qWait(QRandomGenerator::global()->bounded(inCheckRun ? 300 : int(m_startUpMs)));
            stop(how);
            // A kill's lock stays for the next start to take over, and the history's journal of a program
            // ended at once for the next start to read back.
            QStringList left = QDir(m_folder).entryList(QDir::Files);
            left.removeIf([kill, ended](const QString& name) {
                return (kill && name.startsWith("QQlist.cfg.lock")) ||
                       (ended && name.startsWith("QQlist.sqlite-"));
            });
            QCOMPARE(left, QStringList({program, "QQlist.cfg", "QQlist.sqlite"}));
            QCOMPARE(integrityCheck(m_folder + "/QQlist.sqlite"), "ok");
            QCOMPARE(kill ? fileBytes(listPath()) : oneFriend, oneFriend);
            QCOMPARE(savedFriends(listPath()), QStringList({"10001|小明"}));
        }
        qInfo("%d rounds, the list %s and the history whole each time, no stray file; start-up takes %lld ms",
              rounds, kill ? "untouched" : "saved", static_cast<long long>(m_startUpMs));
    }

    // What a command line asks for, without a display unless "on a desktop": its exit code and a line it
    // prints on standard output or error. An option it does not know ends the program at once, before it
    // touches the list. `--export-history` reads while the running program holds the history open; it leaves
    // a damaged file where it is, for that program to set aside.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "> file": where standard output is redirected to
        QTest::addColumn<QByteArray>("database");   // the file's bytes; "kept": written by a store kept open
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("line"); // "out: …" or "err: …"
        const QStringList exportHistory = {"--export-history"};
        QTest::newRow("no database yet")
            << exportHistory << QByteArray() << 0 << "out: 号码,昵称,状态,开始,结束\r";
        QTest::newRow("kept open by the running program")
            << exportHistory << QByteArray("kept") << 0
            << "out: 10001,小明,在线,2026-12-01 03:04:05,2026-12-01 03:04:05\r";
        QTest::newRow("damaged") << exportHistory << QByteArray(4096, 'x') << 1
                                 << "err: Fernwatch：无法导出在线记录：记录文件已损坏";
#ifdef Q_OS_UNIX
        QTest::newRow("onto a full disk")
            << exportHistory + QStringList("> /dev/full") << QByteArray("kept") << 1
            << "err: Fernwatch：无法导出在线记录：无法写入标准输出：磁盘空间不足";
#endif
        QTest::newRow("more after it") << exportHistory + QStringList("extra") << QByteArray() << 2
                                       << "err: Fernwatch：无法识别的选项“extra”。";
        QTest::newRow("unknown") << QStringList{"on a desktop", "--minimised"} << QByteArray() << 2
                                 << "err: Fernwatch：无法识别的选项“--minimised”。";
        QTest::newRow("--help") << QStringList{"--help"} << QByteArray() << 0
                                << "out: 用法：Fernwatch [选项]";
        QTest::newRow("-h") << QStringList{"-h"} << QByteArray() << 0 << "out: 用法：Fernwatch [选项]";
        QTest::newRow("--version") << QStringList{"--version"} << QByteArray() << 0
                                   << "out: Fernwatch " FERNWATCH_VERSION;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, database);
        QFETCH(int, exitCode);
        QFETCH(QString, line);
        const QString path = HistoryStore::pathFor(listPath());
        HistoryStore kept;
        QVERIFY(database != "kept" || (kept.open(path) &&
                                       kept.record("10001", "小明", PresenceState::Online,
                                                   1796094245000) && // 2026-12-01 03:04:05 UTC
                                       kept.flush()));
        QVERIFY(database.isEmpty() || database == "kept" || writeFileBytes(path, database));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            if (arguments.first() != "on a desktop")
                environment.remove(name);
        environment.insert("TZ", "UTC");
        process.setProcessEnvironment(environment);
        if (arguments.last().startsWith("> "))
            process.setStandardOutputFile(arguments.takeLast().mid(2));
        process.start(m_folder + '/' + program, arguments.mid(arguments.first() == "on a desktop"));
        QVERIFY(process.waitForFinished(10000));
        QStringList lines;
        for (const QString& out : QString(process.readAllStandardOutput()).split('\n'))
            lines << "out: " + out;
        for (const QString& err : QString(process.readAllStandardError()).split('\n'))
            lines << "err: " + err;
        QCOMPARE(process.exitCode(), exitCode);
        QVERIFY2(lines.contains(line), qPrintable(lines.join('\n')));
        QCOMPARE(QDir(m_folder).entryList({"QQlist.cfg*"}, QDir::Files), QStringList());
        QCOMPARE(QFile::exists(path), !database.isEmpty());
    }

    // The first program is hosted here, where its window can be seen; the second is the real program. (A
    // program in another folder runs on its own: the one started by initTestCase does, beside the others.)
    void secondStartOnlyBringsTheFirstForward()
    {
        const QByteArray emptyList = "[MEUserData]\nIncout=0\n";
        QVERIFY(writeFileBytes(listPath(), emptyList));
        Form1 form(listPath());
        SingleInstance instance(listPath());
        QCOMPARE(instance.claim(), SingleInstance::Claim::Keeper);
        connect(&instance, &SingleInstance::showRequested, &form, &Form1::bringForward);
        form.load();
        form.showMinimized();
        QWidget elsewhere; // where the user works meanwhile
        elsewhere.show();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));

        start(false);
        QTRY_COMPARE_WITH_TIMEOUT(m_process.state(), QProcess::NotRunning, 1000);
        QCOMPARE(m_process.exitCode(), 0);
        QTRY_VERIFY(form.isVisible() && !form.isMinimized() && form.isActiveWindow());
        QCOMPARE(fileBytes(listPath()), emptyList);
        form.friendList().addFriend(QStringLiteral("10003"), QStringLiteral("小红"));
        form.close();
        QCOMPARE(savedFriends(listPath()), QStringList({"10003|小红"}));
    }

    // Last, the program's own waits, on the two programs that initTestCase started, which then end: a friend
    // costs a slice of 2 s, and a friend whose answer never comes keeps the check well past that (until the
    // deadline of 10 s), however long the tests before took.
    void cleanupTestCase()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_service.queriedAt("20002") >= 0, 10000);
        const qint64 slice = m_service.queriedAt("20002") - m_service.queriedAt("20001");
        // On a loaded machine too.
        QVERIFY2(slice >= 1500 && slice < 3600, qPrintable(QString::number(slice)));
        const qint64 unanswered = m_service.queriedAt("30001");
        QVERIFY(unanswered >= 0);
        QTest::qWait(int(std::max<qint64>(0, unanswered + 2500 - m_service.now())));
        const qint64 next = m_service.queriedAt("30002");
        QVERIFY2(next < 0 || next - unanswered >= 2500, qPrintable(QString::number(next - unanswered)));
        for (QProcess& timed : m_timed) {
            timed.kill();
            QVERIFY(timed.waitForFinished());
        }
    }
};

QTEST_MAIN(TestFernwatchExe)
#include "tst_fernwatchexe.moc"
