#include "fakepresenceservice.h"
#include "form1.h"
#include "listfixtures.h"
#include "singleinstance.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

static const QByteArray oneFriend = "[MEUserData]\nIncout=1\n[1]\nImis1=10001\nImis2=小明\n";

// The program as the package holds it, in a folder of its own where it keeps its list beside itself,
// stopped by signals at random moments; and a process saving the list, killed at random moments.
class TestFernwatchExe : public QObject
{
    Q_OBJECT

    // Saver kills, friends in the saved list, program kills, program terms; `make stress` sets many more.
    static int stressCount(int index)
    {
        return qEnvironmentVariable("FERNWATCH_STRESS", "20 1000 3 3").split(' ').value(index).toInt();
    }

    QString listPath() const { return m_folder + QStringLiteral("/QQlist.cfg"); }
    QStringList files() const { return QDir(m_folder).entryList(QDir::Files); }

    void start(bool untilItQueries)
    {
        const qsizetype queried = m_service.queriedNumbers().size();
        QElapsedTimer started;
        started.start();
        m_process.start(m_folder + QStringLiteral("/Fernwatch"), {});
        // By its first query it has read its list and catches termination signals.
        if (untilItQueries)
            QTRY_VERIFY_WITH_TIMEOUT(m_service.queriedNumbers().size() > queried, 10000);
        m_startUpMs = untilItQueries ? started.elapsed() : m_startUpMs;
    }

    void stop(int signalNumber)
    {
        // Process id 0 would signal this whole process group.
        QVERIFY(m_process.processId() > 0 && ::kill(pid_t(m_process.processId()), signalNumber) == 0 &&
                m_process.waitForFinished(10000));
        QCOMPARE(m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0,
                 signalNumber != SIGKILL);
    }

    QTemporaryDir m_package;
    QString m_unpacked;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QProcess m_process;
    FakePresenceService m_service;
    qint64 m_startUpMs = 100; // until the first query, as last seen

private slots:
    void initTestCase()
    {
        QVERIFY(m_service.start());
        m_process.setProcessEnvironment(m_service.programEnvironment());
        // The program as a user gets it: the package, unpacked.
        const QDir dir(m_package.path());
        QProcess::execute(QStringLiteral(CPACK_COMMAND), {"--config", CPACK_CONFIG, "-B", dir.path()});
        m_unpacked = dir.filePath(dir.entryList({"Fernwatch-*.tar.gz"}).value(0).section(".tar", 0, 0));
        QCOMPARE(QProcess::execute("tar", {"-xzf", m_unpacked + ".tar.gz", "-C", dir.path()}), 0);
        for (const char* name : {"qq2009.she", "icons/fernwatch.ico", "fernwatch-desktop-entry.sh"})
            QVERIFY2(QFile::exists(m_unpacked + '/' + name), name);
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_folder = m_dir->filePath(QStringLiteral("My $programs")); // as users' folder names may be
        QVERIFY(QDir().mkpath(m_folder) && QFile::copy(m_unpacked + "/Fernwatch", m_folder + "/Fernwatch"));
    }

    // A saver killed at random moments: the file, read meanwhile and after the kill, holds exactly the
    // old or the new list, and the next save leaves nothing beside it.
    void killedSaveLeavesOldOrNewList()
    {
        const int kills = stressCount(0), count = stressCount(1);
        FriendListModel lists[2];
        for (int i = 1; i <= 2 * count; ++i) // every number and nickname differs between the two lists
            lists[i % 2].addFriend(QString::number(100000 + i), sampleNickname(i));
        QByteArrayList written;
        FriendListFile file;
        file.open(listPath());
        QElapsedTimer saving;
        saving.start();
        for (int turn : {1, 0}) { // the old list last, as the saver finds it
            QVERIFY(file.save(lists[turn]));
            written << fileBytes(listPath());
        }
        const qint64 saveUs = saving.nsecsElapsed() / 2000;
        int midWrite = 0;
        for (int round = 1; round <= kills; ++round) {
            const pid_t saver = ::fork();
            for (int turn = 1; saver == 0; ++turn) // the saver: the new and the old list by turns
                file.save(lists[turn % 2]);
            bool whole = true; // until a moment in its first three saves
            const qint64 momentNs = 1000 * QRandomGenerator::global()->bounded(3 * saveUs + 100);
            for (saving.start(); whole && saving.nsecsElapsed() < momentNs;)
                whole = written.contains(fileBytes(listPath()));
            int status = 0;
            QVERIFY(saver > 0 && ::kill(saver, SIGKILL) == 0 && ::waitpid(saver, &status, 0) == saver &&
                    WIFSIGNALED(status));
            QVERIFY2(whole && written.contains(fileBytes(listPath())), qPrintable(QString::number(round)));
            midWrite += files().size() > 2;
            QVERIFY(file.save(lists[0]));
            QCOMPARE(files(), QStringList({"Fernwatch", "QQlist.cfg"}));
        }
        qInfo("%d kills, all intact, no stray temporary; %d mid-write; a save of %d friends takes %.1f ms",
              kills, midWrite, count, saveUs / 1000.0);
    }

    void signalAtRandomMoments_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("rounds");
        QTest::newRow("SIGKILL") << SIGKILL << stressCount(2);
        QTest::newRow("SIGTERM") << SIGTERM << stressCount(3);
        QTest::newRow("SIGINT") << SIGINT << 1;
        QTest::newRow("SIGHUP") << SIGHUP << 1;
    }

    // A kill leaves the list file as it was, and the next start takes over its lock; a termination
    // signal saves the list that was read.
    void signalAtRandomMoments()
    {
        QFETCH(int, signalNumber);
        QFETCH(int, rounds);
        const bool kill = signalNumber == SIGKILL;
        for (int round = 0; round < rounds; ++round) {
            QVERIFY(writeFileBytes(listPath(), oneFriend));
            const bool inCheckRun = !kill || round % 2 == 0; // every other kill falls in start-up
            start(inCheckRun);
            QVERIFY(kill || QFile::remove(listPath())); // read already: only a save brings it back
            QTest::qWait(QRandomGenerator::global()->bounded(inCheckRun ? 300 : int(m_startUpMs)));
            stop(signalNumber);
            QStringList left = files(); // a kill's lock stays for the next start to take over
            left.removeIf([kill](const QString& name) { return kill && name.startsWith("QQlist.cfg.lock"); });
            QCOMPARE(left, QStringList({"Fernwatch", "QQlist.cfg"}));
            QCOMPARE(kill ? fileBytes(listPath()) : oneFriend, oneFriend);
            QCOMPARE(savedFriends(listPath()), QStringList({"10001|小明"}));
        }
        qInfo("%d rounds, the list %s each time, no stray file; start-up takes %lld ms", rounds,
              kill ? "untouched" : "saved", static_cast<long long>(m_startUpMs));
    }

    void secondStartOnlyBringsTheFirstForward_data()
    {
        QTest::addColumn<bool>("sameFolder");
        QTest::newRow("same folder") << true;
        QTest::newRow("other folder") << false;
    }

    // The first program is hosted here, where its window can be seen; the second is the real program.
    void secondStartOnlyBringsTheFirstForward()
    {
        QFETCH(bool, sameFolder);
        const QString firstList = sameFolder ? listPath() : m_dir->filePath(QStringLiteral("QQlist.cfg"));
        const QByteArray emptyList = "[MEUserData]\nIncout=0\n";
        QVERIFY(writeFileBytes(firstList, emptyList));
        QVERIFY(sameFolder || writeFileBytes(listPath(), oneFriend));
        Form1 form(firstList);
        SingleInstance instance(firstList);
        QCOMPARE(instance.claim(), SingleInstance::Claim::Keeper);
        connect(&instance, &SingleInstance::showRequested, &form, &Form1::bringForward);
        form.load();
        form.showMinimized();
        QWidget elsewhere; // where the user works meanwhile
        elsewhere.show();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));

        start(!sameFolder); // in another folder it checks its own list beside the first
        if (sameFolder) {
            QTRY_COMPARE_WITH_TIMEOUT(m_process.state(), QProcess::NotRunning, 1000);
            QCOMPARE(m_process.exitCode(), 0);
            QTRY_VERIFY(form.isVisible() && !form.isMinimized() && form.isActiveWindow());
        } else {
            stop(SIGTERM);
            QVERIFY(form.isMinimized());
        }
        QCOMPARE(fileBytes(firstList), emptyList);
        form.friendList().addFriend(QStringLiteral("10003"), QStringLiteral("小红"));
        form.close();
        QCOMPARE(savedFriends(firstList), QStringList({"10003|小红"}));
    }
};

QTEST_MAIN(TestFernwatchExe)
#include "tst_fernwatchexe.moc"
