#include "atomicfile.h"
#include "listfixtures.h"

#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

class TestFriendList : public QObject
{
    Q_OBJECT

    const QString listFile = "QQlist.cfg";
    const QString ours = listFile + AtomicFile::temporaryTag; // the temporaries' names begin so

private slots:
    void model()
    {
        FriendListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QString x199(199, u'x');
        for (const QString& name : {QString("甲"), x199 + "🐧y", QString("丙"), QString("丁")})
            list.addFriend(QString::number(list.count() + 1), name);
        list.remove(3);
        list.setStatus(1, FriendStatus::Online);
        list.setStatus(3, FriendStatus::Checking);
        list.setText(3, "正在检测");
        list.setReminder(1, true);
        // Only what is shown is cut, and never through an emoji.
        QCOMPARE(shownRows(list),
                 QStringList({"甲|1|甲|1", x199 + "…|2|" + x199 + "…|2", "正在检测|4|丁|3"}));
        const auto said = [&](int row) { return list.index(row, 0).data(Qt::ToolTipRole).toString(); };
        QCOMPARE(said(0) + said(1) + said(2), "在线，上线提醒离线正在检测");
        QCOMPARE(list.headerData(1, Qt::Horizontal).toString(), "号码");
        QCOMPARE(FriendListFile::countFromText("1" + QString(400, '0')), FriendListFile::maximumCount);
    }

    // A list file's bytes -> the friends it loads -> the bytes their save leaves.
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("friends"); // "number|nickname"
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char* name, const QByteArray& before, const QStringList& friends,
                            const QByteArray& after = {}) {
            QTest::newRow(name) << before << friends << (after.isNull() ? before : after);
        };
        const QByteArray head = "[MEUserData]\nIncout=",
                         plain = head + "2\n[1]\nImis1=10001\nImis2=张三\n[2]\nImis1=abc\nImis2=Bob\n";
        const QByteArray crlf = QByteArray(plain).replace("\n", "\r\n");
        const QStringList plainFriends = {"10001|张三", "abc|Bob"};
        row("plain", plain, plainFriends);
        // Backslashes as text, and a blank at the end.
        const QByteArray two = "[2]\nImis1=C:\\n\\\"\nImis2=\"x \"\n";
        row("escapes, quotes, blanks",
            head + " 2 \n[1]\nImis1 = 'x y' \nImis2=\" a\\\\b\\\"c\\nd\\u0041e\\t\"\n" + two,
            {"x y| a\\b\"c\ndAe\t", "C:\\n\\\"|x "},
            head + "2\n[1]\nImis1=x y\nImis2=\" a\\\\b\\\"c\\ndAe\\t\"\n" + two);
        row("letter case", "[meuserdata]\nINCOUT=1\n[1]\nimis1=7\nIMIS2=x\n", {"7|x"},
            "[meuserdata]\nIncout=1\n[1]\nImis1=7\nImis2=x\n");
        row("comments, stale and twice-named sections",
            "; by hand\n" + head + "1\nV=3\n[1]\nImis1=1\n# note\nImis2=a\n\n[2]\nImis1=2\n[1]\nImis1=3\n",
            {"1|a"});
        row("count \" 3x\"", head + "\" 3x\"\n[1]\nImis1=1\nImis2=a\n", {"1|a", "|", "|"},
            head + "3\n[1]\nImis1=1\nImis2=a\n[2]\nImis1=\nImis2=\n[3]\nImis1=\nImis2=\n");
        row("count x", head + "x\n", {}, head + "0\n");
        row("two byte-order marks", "\xEF\xBB\xBF\xEF\xBB\xBF" + plain, plainFriends, plain);
        row("CR CR LF", QByteArray(plain).replace("\n", "\r\r\n"), plainFriends, crlf);
        QStringEncoder gb18030("GB18030");
        row("GB18030, CRLF, its mark", "\x84\x31\x95\x33" + gb18030(QString(crlf)), plainFriends, crlf);
        const QByteArray legacy = head + "2\n[1]\nImis1=\nImis2=张三\n", added = "[2]\nImis1=\nImis2=李四\n";
        row("GB18030 and UTF-8", gb18030(QString(legacy)) + added, {"|张三", "|李四"}, legacy + added);
        row("UTF-8 and a stray byte", head + "1\n[1]\nImis2=张三\nImis1=caf\xE9\n", {"caf\uFFFD|张三"},
            head + "1\n[1]\nImis2=张三\nImis1=caf\xEF\xBF\xBD\n");
        const QString huge(100000, u'长');
        row("huge nickname", head + "1\n[1]\nImis1=\nImis2=" + huge.toUtf8() + "\n", {"|" + huge});
    }
    void roundTrip()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, friends);
        QFETCH(QByteArray, after);
        const QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()) && writeFileBytes(listFile, before));
        FriendListModel list;
        FriendListFile file;
        file.open(listFile);
        QVERIFY(file.load(list) && file.save(list));
        QCOMPARE(fileBytes(listFile), after);
        QCOMPARE(savedFriends(listFile), friends);
    }

    // Saves leave the old file or the new one, and no temporary of their own.
    void atomicSave_data()
    {
        QTest::addColumn<QString>("link");  // the list file is a link to this one
        QTest::addColumn<int>("mode");      // QFile's permission bits
        QTest::addColumn<int>("sizeLimit"); // the most a file may hold, as on a full disk
        QTest::addColumn<int>("error");
        QTest::addColumn<QStringList>("left"); // of the temporaries: a killed save's, then two not ours
        const QStringList all = {ours + "Ab3dE", ours + "Ab3dE9", "x" + ours + "Ab3dE9"},
                          others = {all[0], all[2]};
        // A link's target has temporaries of its own name.
        QTest::newRow("link, its mode kept") << "real.cfg" << 0x6040 << 0 << 0 << all;
        QTest::newRow("disk full, stale temporaries") << "" << 0x6044 << 10 << EFBIG << others;
        QTest::newRow("unreadable") << "" << 0 << 0 << EACCES << all;
    }
    void atomicSave()
    {
        QFETCH(QString, link);
        QFETCH(int, mode);
        QFETCH(int, sizeLimit);
        QFETCH(int, error);
        QFETCH(QStringList, left);
        const QString target = link.isEmpty() ? listFile : link;
        const QByteArray before = "[MEUserData]\nIncout=9\n";
        const QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()) && writeFileBytes(target, before));
        for (const QString& name : {ours + "Ab3dE9", ours + "Ab3dE", "x" + ours + "Ab3dE9"})
            QVERIFY(writeFileBytes(name, "x"));
        QVERIFY(link.isEmpty() || QFile::link(link, listFile));
        QVERIFY(QFile::setPermissions(target, QFile::Permissions(mode)));
        const FriendListModel list;
        FriendListFile file;
        file.open(listFile);
        // Root reads every file: it saves as nobody then.
        const bool asNobody = mode == 0 && ::geteuid() == 0;
        QVERIFY(!asNobody || (QFile::setPermissions(".", QFile::Permissions(0x7777)) &&
                              ::setresuid(65534, 65534, 0) == 0));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit unlimited;
        ::getrlimit(RLIMIT_FSIZE, &unlimited);
        const rlimit limit = {sizeLimit ? rlim_t(sizeLimit) : unlimited.rlim_cur, unlimited.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved = file.save(list);
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        QVERIFY(!asNobody || ::setresuid(0, 0, 0) == 0);
        QCOMPARE(std::pair(saved, file.errorNumber()), std::pair(error == 0, error));
        QCOMPARE(int(QFile::permissions(target)) & 0x7077, mode);
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner)); // to read it back
        QCOMPARE(fileBytes(target), error ? before : "[MEUserData]\nIncout=0\n");
        QCOMPARE(QDir().entryList({"*" + AtomicFile::temporaryTag + "*"}, QDir::Files, QDir::Name), left);
    }
};

QTEST_MAIN(TestFriendList)
#include "tst_friendlist.moc"
