#include "atomicfile.h"
#include "inienv.h"
#include "listfixtures.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

class TestIniEnv : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    int m_files = 0;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QString("QQlist%1.cfg").arg(++m_files));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("plain"); // written as it is, readable by any INI reader
        QTest::newRow("name") << "Alice" << true;
        QTest::newRow("chinese") << "张三的小号" << true;
        QTest::newRow("emoji") << "🐧 Tux 🎉" << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("ini punctuation") << "; a=b #c [x]" << true;
        QTest::newRow("quotes inside") << "it's \"Bob\"" << true;
        QTest::newRow("escape-like text") << "C:\\QQ\\ \\\\ \\n \\\" \\u0041 end\\" << true;
        QTest::newRow("long") << QString("长").repeated(130) + QString("x").repeated(130) << true;
        QTest::newRow("leading blanks") << "  Alice" << false;
        QTest::newRow("trailing blanks") << "Alice  " << false;
        QTest::newRow("leading double quote") << "\"quoted\"" << false;
        QTest::newRow("leading single quote") << "'single'" << false;
        QTest::newRow("escape-like text, quoted") << " \\u0041\\n\\ " << false;
        QTest::newRow("line breaks") << "a\nb\rc\r\nd\n" << false;
        QTest::newRow("controls") << QString("a\tb") + QChar(0) + QChar(0x7f) + QChar(0x1b) << false;
        QTest::newRow("lone surrogates") << QString("a") + QChar(0xd83d) + "b" + QChar(0xdc27) << false;
        // A line break must not let a nickname add lines that read as a section or key.
        QTest::newRow("forged section, LF") << "x\n[2]\nImis1=evil\n" << false;
        QTest::newRow("forged section, CRLF") << "x\r\n[2]\r\nImis1=evil" << false;
        QTest::newRow("forged section, CR") << "x\r[2]\rImis1=evil" << false;
        QTest::newRow("forged key") << "x\nImis1=evil" << false;
    }
    void roundTrip()
    {
        QFETCH(QString, value);
        QFETCH(bool, plain);
        IniEnv store;
        store.openFile(m_path);
        QVERIFY(store.writeValue("1", "Imis2", value)); // committed at once
        QVERIFY(store.writeValue("1", "Imis1", "10001"));

        IniEnv reread;
        reread.openFile(m_path);
        QCOMPARE(reread.readValue("1", "Imis2"), value);
        QCOMPARE(reread.readValue("1", "Imis1"), "10001");
        QVERIFY(reread.readValue("2", "Imis1").isEmpty());
        const QByteArray bytes = fileBytes(m_path);
        QCOMPARE(bytes.contains("\nImis2=" + value.toUtf8() + '\n'), plain);
        // Three lines, and no bare CR that other INI readers would take for a line end.
        QCOMPARE(bytes.count('\n'), 3);
        QVERIFY(!bytes.contains('\r'));
    }

    // Names that differ only in the high bits of their characters, from a made-up file, once shared
    // their hash's low bits and so the lookup's buckets: a file of such sections took seconds to read.
    void namesHashApart()
    {
        QSet<size_t> lowBits;
        for (int i = 0; i < 256; ++i) {
            QString name;
            for (int bit = 0; bit < 8; ++bit)
                name += QChar(i >> bit & 1 ? 0x8061 : 0x61);
            lowBits.insert(IniDocument::nameHash(name, 0) & 0xffff);
        }
        QVERIFY(lowBits.size() > 200); // 255 on average for 256 random values
        QCOMPARE(IniDocument::nameHash(u"MEUserData", 7), IniDocument::nameHash(u"meuserDATA", 7));
    }

    void updateKeepsTheRest_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("where");               // section/key
        QTest::addColumn<QString>("read");                // before the update
        QTest::addColumn<QByteArray>("after");            // once "new" is written there
        QTest::addColumn<QByteArray>("changedMeanwhile"); // by another program, after the store opened it
        const auto row = [](const char* name, const QByteArray& before, const char* where, const char* read,
                            const QByteArray& after, const QByteArray& changedMeanwhile = {}) {
            QTest::newRow(name) << before << QString(where) << QString(read) << after << changedMeanwhile;
        };
        const QString legacy = "[1]\r\nImis2=张三\r\n[2]\r\nImis2=李四·小号\r\n";
        row("old code page, CRLF", QStringEncoder("GB18030")(legacy), "2/Imis2", "李四·小号",
            "[1]\r\nImis2=张三\r\n[2]\r\nImis2=new\r\n");
        // Old text (a character cut short at the end) with UTF-8 lines added: "小学" and "老王" are valid
        // in both, and read as they look.
        const QByteArray oldText = QStringEncoder("GB18030")(legacy + "Imis1=小学\r\nx=王");
        row("mixed, CRLF", oldText + "\xD0\r\n[3]\r\nImis2=老王\r\nImis1=王小二\r\n", "3/Imis2", "老王",
            (legacy + "Imis1=小学\r\nx=王\uFFFD\r\n[3]\r\nImis2=new\r\nImis1=王小二\r\n").toUtf8());
        // Latin-1 "é" in UTF-8 text: with the "s" after it, a valid GB18030 character. "天使" in UTF-8 pairs
        // up as GB2312 codes, but has three-byte characters too.
        row("one stray byte", "[1]\nImis1=caf\xE9s\nImis2=张三\n[2]\nImis2=天使\n", "2/Imis2", "天使",
            "[1]\nImis1=caf閟\nImis2=张三\n[2]\nImis2=new\n");
        row("comments, unknown lines",
            "; by hand\n[Other]\nfoo = bar \n# note\n[1]\nImis1=1\nstray\n\n[Tail]\nx=y", "1/Imis2", "",
            "; by hand\n[Other]\nfoo = bar \n# note\n[1]\nImis1=1\nstray\nImis2=new\n\n[Tail]\nx=y\n");
        row("letter case, first wins", "[Sec]\nKey=first\nkey=second\n[SEC]\nKEY=third\n", "sec/kEy", "first",
            "[Sec]\nkEy=new\nkey=second\n[SEC]\nKEY=third\n");
        // The mark goes: the old program would take it for part of the first line.
        row("byte-order mark", "\xEF\xBB\xBF[1]\nImis2=王五\n", "1/Imis2", "王五", "[1]\nImis2=new\n");
        row("changed on disk", "[1]\nImis1=1\n", "1/Imis1", "1", "[1]\nImis1=new\nImis9=z\n[Extra]\nk=v\n",
            "[1]\nImis1=2\nImis9=z\n[Extra]\nk=v\n");
    }
    void updateKeepsTheRest()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, where);
        QFETCH(QString, read);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, changedMeanwhile);
        const QString section = where.section('/', 0, 0);
        const QString key = where.section('/', 1);
        QVERIFY(writeFileBytes(m_path, before));
        IniEnv store;
        store.openFile(m_path);
        QCOMPARE(store.readValue(section, key), read);
        if (!changedMeanwhile.isNull())
            QVERIFY(writeFileBytes(m_path, changedMeanwhile));
        store.beginUpdate();
        store.writeValue(section, key, "new");
        QVERIFY(store.commitUpdate());
        QCOMPARE(fileBytes(m_path), after);
    }

#ifdef Q_OS_UNIX
    // What a save killed half-way left behind goes with the next save; files that are not ours stay.
    void saveRemovesOnlyItsOwnStaleTemporaries()
    {
        const QString name = QFileInfo(m_path).fileName();
        const QStringList ours = {name + AtomicFile::temporaryTag + "Ab3dE9",
                                  name + AtomicFile::temporaryTag + "zzzzzz"};
        const QStringList others = {
            name + ".backup", name + ".KnPoXA", name + AtomicFile::temporaryTag + "Ab3dE",
            name + AtomicFile::temporaryTag + "Ab3dE9x", "x" + name + AtomicFile::temporaryTag + "Ab3dE9"};
        QDir dir(m_dir.path());
        for (const QString& file : ours + others) {
            QFile temporary(dir.filePath(file));
            QVERIFY(temporary.open(QIODevice::WriteOnly));
        }
        IniEnv store;
        store.openFile(m_path);
        QVERIFY(store.writeValue("1", "Imis1", "10001"));
        for (const QString& file : ours)
            QVERIFY2(!dir.exists(file), qPrintable(file));
        for (const QString& file : others)
            QVERIFY2(dir.exists(file), qPrintable(file));
    }

    // A list file that is a link is written through it, and keeps its permissions.
    void saveWritesThroughALinkKeepingPermissions()
    {
        const QString target = m_path + ".real";
        QVERIFY(writeFileBytes(m_path, "[1]\nImis1=1\n"));
        QVERIFY(QFile::rename(m_path, target));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(QFile::link(target, m_path));
        IniEnv store;
        store.openFile(m_path);
        QVERIFY(store.writeValue("1", "Imis1", "2"));
        QVERIFY(QFileInfo(m_path).isSymLink());
        QCOMPARE(fileBytes(m_path), "[1]\nImis1=2\n");
        const QFile::Permissions notUser =
            ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QCOMPARE(QFile::permissions(target) & notUser,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    }
#endif
};

QTEST_GUILESS_MAIN(TestIniEnv)
#include "tst_inienv.moc"
