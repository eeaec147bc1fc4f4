#include "fakepresenceservice.h"
#include "listfixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The package as a user gets it: unpacked into a folder of their own, started from there.
class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void unpackedFolderHoldsTheWholeProgram();
    void unpackedProgramKeepsItsListBesideItself();
    void menuEntryStartsTheUnpackedProgram();

private:
    QString programFolder() const;
    static bool run(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

    QTemporaryDir m_dir;
    QString m_unpackedTo;
    FakePresenceService m_service;
};

bool TestPackage::run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    const bool ran = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                     process.exitCode() == 0;
    if (!ran)
        qWarning().noquote() << program << arguments << process.readAllStandardError();
    return ran;
}

QString TestPackage::programFolder() const
{
    const QStringList unpacked = QDir(m_unpackedTo).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return unpacked.size() == 1 ? QDir(m_unpackedTo).filePath(unpacked.first()) : QString();
}

void TestPackage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_service.start());
    // Built into a folder of this test's own, so that it cannot meet a `make package` in the build.
    const QString packages = m_dir.filePath(QStringLiteral("packages"));
    QVERIFY(run(QStringLiteral(CPACK_COMMAND),
                {QStringLiteral("--config"), QStringLiteral(FERNWATCH_BINARY_DIR "/CPackConfig.cmake"),
                 QStringLiteral("-B"), packages}));
    const QStringList archives =
        QDir(packages).entryList({QStringLiteral("Fernwatch-*.tar.gz")}, QDir::Files);
    QCOMPARE(archives.size(), 1);

    // A folder name with a blank and a dollar sign, as users' folders may have.
    m_unpackedTo = m_dir.filePath(QStringLiteral("My $programs"));
    QVERIFY(QDir().mkpath(m_unpackedTo));
    QVERIFY(run(QStringLiteral("tar"), {QStringLiteral("-xzf"), QDir(packages).filePath(archives.first()),
                                        QStringLiteral("-C"), m_unpackedTo}));
    QVERIFY(!programFolder().isEmpty());
}

void TestPackage::unpackedFolderHoldsTheWholeProgram()
{
    const QDir folder(programFolder());
    QStringList missing;
    for (const char* name :
         {"Fernwatch", "README.md", "fernwatch-desktop-entry.sh", "qq2009.she", "skinh.she", "black.she",
          "china.she", "msn.she", "QQreal.she", "qqreal.she", "icons/fernwatch-16.png",
          "icons/fernwatch-256.png", "icons/fernwatch.ico", "docs/fernwatch.png"}) {
        if (!folder.exists(QLatin1String(name)))
            missing << QLatin1String(name);
    }
    QCOMPARE(missing, QStringList());
    QVERIFY(QFileInfo(folder.filePath(QStringLiteral("Fernwatch"))).isExecutable());
    QVERIFY(!folder.exists(QStringLiteral("QQlist.cfg"))); // nobody's list ships with the program
}

void TestPackage::unpackedProgramKeepsItsListBesideItself()
{
    const QString listPath = QDir(programFolder()).filePath(QStringLiteral("QQlist.cfg"));
    QVERIFY(writeFileBytes(listPath, "[MEUserData]\nIncout=1\n[1]\nImis1=10001\nImis2=小明\n"));

    QProcess program;
    program.setProcessEnvironment(m_service.programEnvironment());
    QTemporaryDir elsewhere; // started from another folder, as a menu or a terminal would
    program.setWorkingDirectory(elsewhere.path());
    const qsizetype queriedBefore = m_service.queriedNumbers().size();
    program.start(QDir(programFolder()).filePath(QStringLiteral("Fernwatch")), {});
    QVERIFY(program.waitForStarted());

    // Its query for the stored friend shows it has read the list beside it.
    QTRY_VERIFY_WITH_TIMEOUT(m_service.queriedNumbers().size() > queriedBefore, 20000);
    QCOMPARE(m_service.queriedNumbers().at(queriedBefore), QStringLiteral("10001"));
    program.terminate();
    QVERIFY(program.waitForFinished(15000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(savedFriends(listPath), QStringList({"10001|小明"}));
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestPackage::menuEntryStartsTheUnpackedProgram()
{
    const QString dataHome = m_dir.filePath(QStringLiteral("data"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    QVERIFY(run(QDir(programFolder()).filePath(QStringLiteral("fernwatch-desktop-entry.sh")), {}, env));

    QFile entry(dataHome + QStringLiteral("/applications/fernwatch.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = entry.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray("[Desktop Entry]"));
    // The blank needs the quotes; the dollar sign a backslash, itself doubled by the string escapes.
    QString exec = programFolder() + QStringLiteral("/Fernwatch");
    exec.replace(QLatin1Char('$'), QStringLiteral("\\\\$"));
    QVERIFY(lines.contains("Exec=\"" + exec.toUtf8() + '"'));
    QVERIFY(lines.contains("Path=" + programFolder().toUtf8()));
    QVERIFY(lines.contains("Icon=fernwatch"));
    for (int size : {16, 24, 32, 48, 256}) {
        const QString installed =
            dataHome + QStringLiteral("/icons/hicolor/%1x%1/apps/fernwatch.png").arg(size);
        QFile icon(installed);
        QFile shipped(programFolder() + QStringLiteral("/icons/fernwatch-%1.png").arg(size));
        QVERIFY2(icon.open(QIODevice::ReadOnly) && shipped.open(QIODevice::ReadOnly), qPrintable(installed));
        QCOMPARE(icon.readAll(), shipped.readAll());
    }
}

QTEST_MAIN(TestPackage)
#include "tst_package.moc"
