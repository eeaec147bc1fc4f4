#include "friendlistfile.h"
#include "friendlistmodel.h"
#include "listfixtures.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

class TestFriendListFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    int m_files = 0;

    // What the list shows after loading the file: "number:nickname" per entry.
    QStringList loaded(bool expectLoaded = true) const
    {
        FriendListModel model;
        FriendListFile file;
        file.open(m_path);
        if (file.load(model) != expectLoaded)
            return {"(load gave the wrong result)"};
        QStringList shown;
        for (int i = 1; i <= model.count(); ++i) {
            const bool asNew = model.text(i) == model.nickname(i) && model.status(i) == FriendStatus::Offline;
            shown << model.number(i) + ':' + model.nickname(i) +
                         (asNew ? "" : " (not offline or text differs)");
        }
        return shown;
    }

private slots:
    void init() { m_path = m_dir.filePath(QString("QQlist%1.cfg").arg(++m_files)); }

    void saveThenLoad()
    {
        QStringList friends = {"10001:张三", "10001:\"Bob\" = [2]", " 88 :a\nImis1=x", ":🐧;#", "12ab:"};
        FriendListModel model;
        for (const QString& f : friends)
            model.addFriend(f.section(':', 0, 0), f.section(':', 1));
        model.setStatus(1, FriendStatus::Online);
        FriendListFile file;
        file.open(m_path);
        QVERIFY(file.save(model));
        QCOMPARE(loaded(), friends);

        // After a removal the count and sections 1..n follow the list; the last section stays behind.
        model.remove(2);
        friends.removeAt(1);
        QVERIFY(file.save(model));
        QCOMPARE(loaded(), friends);
        IniEnv store;
        store.openFile(m_path);
        QCOMPARE(store.readValue("MEUserData", "Incout"), "4");
        QCOMPARE(store.readValue("5", "Imis1"), "12ab");
    }

    void loadsInNumericOrder()
    {
        QByteArray bytes;
        QStringList expected;
        for (int i : {10, 2, 12, 1, 9, 11, 3, 7, 5, 8, 4, 6})
            bytes += QString("[%1]\r\nImis1=%2\r\nImis2=好友%1\r\n").arg(i).arg(10000 + i).toUtf8();
        for (int i = 1; i <= 12; ++i)
            expected << QString("%1:好友%2").arg(10000 + i).arg(i);
        QVERIFY(writeFileBytes(m_path, bytes + "[MEUserData]\r\nIncout=12\r\n"));
        QCOMPARE(loaded(), expected);
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QStringList>("friends");
        const QByteArray three = "[1]\nImis1=11\nImis2=a\n[2]\nImis1=22\nImis2=b\n[3]\nImis1=33\nImis2=c\n";
        QTest::newRow("no file") << QByteArray() << false << QStringList();
        QTest::newRow("no count") << three << false << QStringList();
        QTest::newRow("empty count") << "[MEUserData]\nIncout=\n" + three << false << QStringList();
        QTest::newRow("count 0") << "[MEUserData]\nIncout=0\n" + three << true << QStringList();
        QTest::newRow("count with junk")
            << "[MEUserData]\nIncout=\" 3x\"\n" + three << true << QStringList({"11:a", "22:b", "33:c"});
        QTest::newRow("count beyond sections")
            << "[meuserdata]\nINCOUT=4\n" + three << true << QStringList({"11:a", "22:b", "33:c", ":"});
        QTest::newRow("count below sections") << three + "[MEUserData]\nIncout=2\n"
                                              << true << QStringList({"11:a", "22:b"});
        QTest::newRow("negative count") << "[MEUserData]\nIncout=-3\n" + three << true << QStringList();
        // Files the first save used to change: what loads must be what the saved file gives back.
        const QByteArray one = "[MEUserData]\nIncout=1\n[1]\nImis1=11\nImis2=a\n";
        QTest::newRow("two byte-order marks")
            << "\xEF\xBB\xBF\xEF\xBB\xBF" + one << true << QStringList{"11:a"};
        const QByteArray legacy =
            QStringEncoder("GB18030")(QString("[MEUserData]\r\nIncout=1\r\n[1]\r\nImis2=张三"));
        QTest::newRow("old code page, byte-order mark")
            << QByteArray("\x84\x31\x95\x33") + legacy << true << QStringList{":张三"};
        QTest::newRow("CRLF converted twice")
            << QByteArray(one).replace("\n", "\r\r\n") << true << QStringList{"11:a"};
    }
    void load()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, loads);
        QFETCH(QStringList, friends);
        if (!content.isNull())
            QVERIFY(writeFileBytes(m_path, content));
        QCOMPARE(loaded(loads), friends);
        if (!loads)
            return;
        FriendListModel model;
        FriendListFile file;
        file.open(m_path);
        QVERIFY(file.load(model) && file.save(model));
        QCOMPARE(loaded(), friends);
    }

    void countFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("plain") << "3" << 3;
        QTest::newRow("blanks before, letter after") << " \t3x" << 3;
        QTest::newRow("fraction") << "2.9" << 2;
        QTest::newRow("plus sign") << "+5" << 5;
        QTest::newRow("exponent is not read") << "1e9" << 1;
        QTest::newRow("letters") << "x" << 0;
        QTest::newRow("negative") << "-3" << 0;
        QTest::newRow("below the cap") << "999999" << 999999;
        QTest::newRow("beyond int") << "99999999999999999999" << FriendListFile::maximumCount;
        QTest::newRow("beyond double") << "1" + QString(400, '0') << FriendListFile::maximumCount;
    }
    void countFromText()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(FriendListFile::countFromText(text), count);
    }
};

QTEST_MAIN(TestFriendListFile)
#include "tst_friendlistfile.moc"
