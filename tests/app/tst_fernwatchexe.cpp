#include "fakepresenceservice.h"
#include "form1.h"
#include "listfixtures.h"
#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

// The real program, copied into a folder of its own, where it keeps its list beside itself.
class TestFernwatchExe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void terminationSignalSavesTheList_data();
    void terminationSignalSavesTheList();
    void killedRunLeavesTheFileTerminatedRunSavesIt();
    void startUpRunQueriesEveryFriendInListOrder();
    void unwritableFolderKeepsTheOldFileAndSaysSo();
    void noDisplayIsOneClearLine();
    void secondStartForSameListOnlyBringsTheFirstForward_data();
    void secondStartForSameListOnlyBringsTheFirstForward();

private:
    QString listPath() const { return m_dir->filePath(QStringLiteral("QQlist.cfg")); }
    QStringList folderFiles() const { return QDir(m_dir->path()).entryList(QDir::Files); }
    void startProgram(const QStringList& runAs = {});
    bool waitUntilReadyForSignals();
    void stopWith(int signalNumber);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_executable;
    QProcess m_process;
    FakePresenceService m_service;
};

namespace {

// A list as the old Windows program left it: Chinese code page, CRLF line ends.
QByteArray legacyList()
{
    QStringEncoder gb18030("GB18030");
    return gb18030(QStringLiteral("[MEUserData]\r\nIncout=2\r\n[1]\r\nImis1=10001\r\nImis2=小明\r\n"
                                  "[2]\r\nImis1=10002\r\nImis2=老王\r\n"));
}

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    [[maybe_unused]] const QString text = utf8(bytes);
    return !utf8.hasError();
}

} // namespace

void TestFernwatchExe::initTestCase()
{
    QVERIFY(m_service.start());
}

void TestFernwatchExe::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_executable = m_dir->filePath(QStringLiteral("Fernwatch"));
    QVERIFY(QFile::copy(QStringLiteral(FERNWATCH_EXECUTABLE), m_executable));
}

void TestFernwatchExe::cleanup()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dir.reset();
}

void TestFernwatchExe::startProgram(const QStringList& runAs)
{
    // The program finds the presence service through the proxy settings; here it is a local fake.
    m_process.setProcessEnvironment(m_service.programEnvironment());
    m_process.setWorkingDirectory(QDir::tempPath());
    if (runAs.isEmpty())
        m_process.start(m_executable, {});
    else
        m_process.start(runAs.first(), runAs.mid(1) + QStringList{m_executable});
    QVERIFY(m_process.waitForStarted());
}

// The program is ready once it catches SIGTERM; before that a signal would end it unsaved.
bool TestFernwatchExe::waitUntilReadyForSignals()
{
    const QString status = QStringLiteral("/proc/%1/status").arg(m_process.processId());
    const quint64 termBit = quint64(1) << (SIGTERM - 1);
    for (int attempt = 0; attempt < 600; ++attempt) {
        for (const QByteArray& line : fileBytes(status).split('\n')) {
            if (line.startsWith("SigCgt:") && (line.mid(7).trimmed().toULongLong(nullptr, 16) & termBit))
                return true;
        }
        if (m_process.state() == QProcess::NotRunning)
            return false;
        QTest::qWait(50);
    }
    return false;
}

void TestFernwatchExe::stopWith(int signalNumber)
{
    QVERIFY(waitUntilReadyForSignals());
    QVERIFY(::kill(static_cast<pid_t>(m_process.processId()), signalNumber) == 0);
    QVERIFY(m_process.waitForFinished(15000));
}

void TestFernwatchExe::terminationSignalSavesTheList_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("oldList");   // false: the first run, no list file yet
    QTest::addColumn<bool>("afterKill"); // a killed run's lock beside the list must not keep this one out
    QTest::newRow("SIGTERM") << SIGTERM << true << false;
    QTest::newRow("SIGINT") << SIGINT << true << false;
    QTest::newRow("SIGHUP") << SIGHUP << true << false;
    QTest::newRow("first run") << SIGTERM << false << false;
    QTest::newRow("after SIGKILL") << SIGTERM << true << true;
}

void TestFernwatchExe::terminationSignalSavesTheList()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, oldList);
    QFETCH(bool, afterKill);
    if (oldList)
        QVERIFY(writeFileBytes(listPath(), legacyList()));
    if (afterKill) {
        startProgram();
        stopWith(SIGKILL);
        QVERIFY(folderFiles().contains(QStringLiteral("QQlist.cfg.lock")));
    }
    startProgram();
    stopWith(signalNumber);

    QCOMPARE(m_process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_process.exitCode(), 0);
    // An old code-page file is rewritten as UTF-8, friends intact; a first run leaves an empty list.
    QVERIFY(isValidUtf8(fileBytes(listPath())));
    QCOMPARE(savedFriends(listPath()), oldList ? QStringList({"10001|小明", "10002|老王"}) : QStringList());
    QCOMPARE(folderFiles(), QStringList({"Fernwatch", "QQlist.cfg"}));
}

// Signals at random moments of start-up and the first query; `make stress` sends many more.
void TestFernwatchExe::killedRunLeavesTheFileTerminatedRunSavesIt()
{
    for (int round = 0; round < 6; ++round) {
        const bool terminate = round % 2 == 1;
        QVERIFY(writeFileBytes(listPath(), legacyList()));
        startProgram();
        if (terminate)
            QVERIFY(waitUntilReadyForSignals());
        QTest::qWait(QRandomGenerator::global()->bounded(500));
        QCOMPARE(m_process.state(), QProcess::Running);
        QVERIFY(::kill(static_cast<pid_t>(m_process.processId()), terminate ? SIGTERM : SIGKILL) == 0);
        QVERIFY(m_process.waitForFinished(15000));

        if (terminate) {
            QCOMPARE(m_process.exitCode(), 0);
            QCOMPARE(savedFriends(listPath()), QStringList({"10001|小明", "10002|老王"}));
        } else {
            // Only the close sequence writes the file.
            QCOMPARE(fileBytes(listPath()), legacyList());
        }
        QStringList left = folderFiles();
        if (!terminate) // the lock of a killed run stays until the next start takes it over
            left.removeOne(QStringLiteral("QQlist.cfg.lock"));
        QCOMPARE(left, QStringList({"Fernwatch", "QQlist.cfg"}));
    }
}

void TestFernwatchExe::startUpRunQueriesEveryFriendInListOrder()
{
    const QByteArray list = "[MEUserData]\nIncout=3\n[1]\nImis1=10001\nImis2=小明\n"
                            "[2]\nImis1=abc 12\nImis2=Alice\n[3]\nImis1=5#6\nImis2=老王\n";
    QVERIFY(writeFileBytes(listPath(), list));
    const qsizetype queriedBefore = m_service.queriedNumbers().size();
    startProgram();

    QTRY_COMPARE_WITH_TIMEOUT(m_service.queriedNumbers().size() - queriedBefore, 3, 20000);
    QCOMPARE(m_service.queriedNumbers().mid(queriedBefore), QStringList({"10001", "abc 12", "5#6"}));
    stopWith(SIGTERM);

    QCOMPARE(m_process.exitCode(), 0);
    QCOMPARE(savedFriends(listPath()), QStringList({"10001|小明", "abc 12|Alice", "5#6|老王"}));
}

void TestFernwatchExe::unwritableFolderKeepsTheOldFileAndSaysSo()
{
    QVERIFY(writeFileBytes(listPath(), legacyList()));
    // Root writes anywhere, so as root the program runs as an unprivileged user instead.
    QStringList runAs;
    if (::geteuid() == 0) {
        QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                 QFile::ReadOther | QFile::ExeOther);
        runAs = {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                 QStringLiteral("--clear-groups")};
        if (QProcess::execute(runAs.first(), runAs.mid(1) + QStringList{QStringLiteral("true")}) != 0)
            QSKIP("cannot run the program as an unprivileged user here");
    } else {
        QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner);
    }
    startProgram(runAs);
    stopWith(SIGTERM);

    QCOMPARE(m_process.exitCode(), 1);
    QVERIFY(QString::fromUtf8(m_process.readAllStandardError()).contains(QStringLiteral("无法保存好友名单")));
    QCOMPARE(fileBytes(listPath()), legacyList());
    QCOMPARE(folderFiles(), QStringList({"Fernwatch", "QQlist.cfg"}));
}

void TestFernwatchExe::noDisplayIsOneClearLine()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    m_process.setProcessEnvironment(env);
    m_process.start(m_executable, {});
    QVERIFY(m_process.waitForFinished(15000));
    QVERIFY(m_process.exitCode() != 0);
    const QString message = QString::fromUtf8(m_process.readAllStandardError()).trimmed();
    QVERIFY(message.contains(QStringLiteral("xvfb-run")));
    QCOMPARE(message.count(QLatin1Char('\n')), 0);
    QVERIFY(!QFile::exists(listPath()));
}

void TestFernwatchExe::secondStartForSameListOnlyBringsTheFirstForward_data()
{
    QTest::addColumn<QString>("firstFolder"); // relative to the second program's folder
    QTest::newRow("same folder") << QString();
    QTest::newRow("other folder") << QStringLiteral("other");
}

// The first program is hosted here, where its window can be seen; the second is the real program.
void TestFernwatchExe::secondStartForSameListOnlyBringsTheFirstForward()
{
    QFETCH(QString, firstFolder);
    const bool sameFolder = firstFolder.isEmpty();
    QVERIFY(QDir(m_dir->path()).mkpath(m_dir->filePath(firstFolder)));
    const QString firstList = QDir(m_dir->filePath(firstFolder)).filePath(QStringLiteral("QQlist.cfg"));
    const QByteArray emptyList = "[MEUserData]\nIncout=0\n";
    QVERIFY(writeFileBytes(firstList, emptyList));
    Form1 form(firstList);
    SingleInstance instance(firstList);
    QCOMPARE(instance.claim(), SingleInstance::Claim::Keeper);
    connect(&instance, &SingleInstance::showRequested, &form, &Form1::bringForward);
    form.load();
    form.showMinimized();
    QWidget otherWindow; // where the user works meanwhile
    otherWindow.show();
    QVERIFY(QTest::qWaitForWindowActive(&otherWindow));
    const QDateTime written = QFileInfo(firstList).lastModified();

    startProgram();
    if (sameFolder) {
        QTRY_COMPARE_WITH_TIMEOUT(m_process.state(), QProcess::NotRunning, 1000);
        QCOMPARE(m_process.exitCode(), 0);
        QTRY_VERIFY(form.isVisible() && !form.isMinimized() && form.isActiveWindow());
        QCOMPARE(folderFiles(), QStringList({"Fernwatch", "QQlist.cfg", "QQlist.cfg.lock"}));
    } else {
        stopWith(SIGTERM); // it ran beside the first one, and saved its own list
        QCOMPARE(m_process.exitCode(), 0);
        QVERIFY(form.isMinimized());
    }
    QCOMPARE(fileBytes(firstList), emptyList);
    QCOMPARE(QFileInfo(firstList).lastModified(), written);

    form.friendList().addFriend(QStringLiteral("10003"), QStringLiteral("小红"));
    QSignalSpy closed(&form, &Form1::closed);
    form.close();
    QCOMPARE(closed.value(0).value(0), QVariant(0));
    QCOMPARE(savedFriends(firstList), QStringList({"10003|小红"}));
}

QTEST_MAIN(TestFernwatchExe)
#include "tst_fernwatchexe.moc"
