#include "atomicfile.h"
#include "failuretext.h"
#include "gb18030.h"
#include "listfixtures.h"

#include <QtTest>

static QString syncedTarget;
static QByteArray listAtFolderSync;

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// Every fsync of the saves goes through here: a folder's notes what the list file held at that moment.
extern "C" int fsync(int fd)
{
    struct stat info = {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode))
        listAtFolderSync = fileBytes(syncedTarget);
    return int(::syscall(SYS_fsync, fd));
}

// What a save meets: a disk that holds at most `sizeLimit` bytes a file (0: any), and, for root, whom
// every file may be read by, the rights of nobody.
class SaveConditions
{
public:
    SaveConditions(const QString&, int sizeLimit, bool asNobody)
        : m_asNobody(asNobody)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_unlimited);
        const rlimit limit = {sizeLimit ? rlim_t(sizeLimit) : m_unlimited.rlim_cur, m_unlimited.rlim_max};
        m_set = (!asNobody || (QFile::setPermissions(".", QFile::Permissions(0x7777)) &&
                               ::setresuid(65534, 65534, 0) == 0)) &&
                ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~SaveConditions()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_unlimited);
        if (m_asNobody)
            ::setresuid(0, 0, 0);
    }
    bool set() const { return m_set; }

private:
    rlimit m_unlimited = {};
    bool m_asNobody;
    bool m_set = false;
};
static bool isRoot()
{
    return ::geteuid() == 0;
}
#else
#define NOMINMAX
#include <windows.h>

// What a save meets: for kind "held", another program that keeps the file open and lets nobody read it;
// "held open" lets others read it but not replace it.
class SaveConditions
{
public:
    SaveConditions(const QString& kind, int, bool)
    {
        if (kind.startsWith("held"))
            m_held = CreateFileW(L"QQlist.cfg", GENERIC_READ, kind == "held" ? 0 : FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        m_set = !kind.startsWith("held") || m_held != INVALID_HANDLE_VALUE;
    }
    ~SaveConditions()
    {
        if (m_held != INVALID_HANDLE_VALUE)
            CloseHandle(m_held);
    }
    bool set() const { return m_set; }

private:
    HANDLE m_held = INVALID_HANDLE_VALUE;
    bool m_set = false;
};
static bool isRoot()
{
    return false;
}
#endif

class TestListFile : public QObject
{
    Q_OBJECT

    const QString listFile = "QQlist.cfg";
    const QString ours = listFile + AtomicFile::temporaryTag; // the temporaries' names begin so

private slots:
    // A count beyond any list anyone keeps is read as the largest, not as a demand for all memory.
    void countLimit()
    {
        QCOMPARE(FriendListFile::countFromText("1" + QString(400, '0')), FriendListFile::maximumCount);
    }

    // A list file's bytes -> the friends it loads, with one added if asked -> the bytes their save leaves.
    // Lines the save does not change keep their bytes; new ones follow the file's encoding and line end.
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("added");       // "number|nickname", added before the save
        QTest::addColumn<QStringList>("friends"); // "number|nickname", as the saved file loads them
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char* name, const QByteArray& before, const QStringList& friends,
                            const QByteArray& after = {}, const QString& added = {}) {
            QTest::newRow(name) << before << added << friends << (after.isNull() ? before : after);
        };
        const QByteArray head = "[MEUserData]\nIncout=",
                         plain = head + "2\n[1]\nImis1=10001\nImis2=张三\n[2]\nImis1=abc\nImis2=Bob\n";
        const QString third = "[3]\nImis1=3\nImis2=王五\n";
        const QByteArray plainAdded = QByteArray(plain).replace("Incout=2", "Incout=3") + third.toUtf8();
        const QStringList plainFriends = {"10001|张三", "abc|Bob"},
                          addedFriends = plainFriends + QStringList{"3|王五"};
        row("plain", plain, plainFriends);
        row("escapes, quotes, blanks, letter case",
            "[meuserdata]\nINCOUT= 2 \n[1]\nimis1 = 'x y' \nImis2=\" a\\\\b\\\"c\\nd\\u0041e\\t\"\n[2]\n"
            "Imis1=C:\\n\\\"\nImis2=\"x \"\n",
            {"x y| a\\b\"c\ndAe\t", "C:\\n\\\"|x "});
        row("a nickname in single quotes added", plain, plainFriends + QStringList{"3|'王五'"},
            QByteArray(plain).replace("Incout=2", "Incout=3") + "[3]\nImis1=3\nImis2=\"'王五'\"\n",
            "3|'王五'");
        row("comments, stale and twice-named sections",
            "; by hand\n" + head + "1\nV=3\n[1]\nImis1=1\n# note\nImis2=a\n\n[2]\nImis1=2\n[1]\nImis1=3\n",
            {"1|a"});
        row("count \" 3x\"", head + "\" 3x\"\n[1]\nImis1=1\nImis2=a\n", {"1|a", "|", "|"},
            head + "3\n[1]\nImis1=1\nImis2=a\n[2]\nImis1=\nImis2=\n[3]\nImis1=\nImis2=\n");
        row("count x", head + "x\n", {}, head + "0\n");
        row("two byte-order marks, a friend added", "\xEF\xBB\xBF\xEF\xBB\xBF" + plain, addedFriends,
            "\xEF\xBB\xBF\xEF\xBB\xBF" + plainAdded, "3|王五");
        row("CR CR LF, LF, CRLF, no last line end", "[MEUserData]\r\r\nIncout=1\n[1]\r\nImis1=1\nImis2=a",
            {"1|a", "2|b"},
            "[MEUserData]\r\r\nIncout=2\n[1]\r\nImis1=1\nImis2=a\r\n[2]\r\nImis1=2\r\nImis2=b\r\n", "2|b");
        const auto gb18030 = [](const QString& text) { return Gb18030::encoded(text); };
        QStringEncoder utf16le(QStringEncoder::Utf16LE), utf16be(QStringEncoder::Utf16BE);
        const auto crlf = [](QByteArray text) { return QString(text.replace("\n", "\r\n")); };
        row("GB18030, CRLF, its mark, a friend added", "\x84\x31\x95\x33" + gb18030(crlf(plain)),
            addedFriends, "\x84\x31\x95\x33" + gb18030(crlf(plainAdded)), "3|王五");
        row("UTF-16 LE, CRLF, a friend added", "\xFF\xFE" + utf16le(crlf(plain)), addedFriends,
            "\xFF\xFE" + utf16le(crlf(plainAdded)), "3|王五");
        row("UTF-16 BE", "\xFE\xFF" + utf16be(QString(plain)), plainFriends);
        row("UTF-16 LE without a mark, a friend added", utf16le(QString(plain)), addedFriends,
            utf16le(QString(plainAdded)), "3|王五");
        row("UTF-16 BE without a mark, CRLF, a friend added", utf16be(crlf(plain)), addedFriends,
            utf16be(crlf(plainAdded)), "3|王五");
        // A line end and half a character. Read as 8-bit text, the save's bytes made it look UTF-16: the
        // friend was gone at the next start.
        row("UTF-16 BE without a mark, three bytes, a friend added", QByteArray("\0\n\0", 3), {"3|王五"},
            QByteArray("\0\n", 2) +
                utf16be(QString("\n" + third).replace("[3]", "[MEUserData]\nIncout=1\n[1]")),
            "3|王五");
        const QByteArray legacy = head + "3\n[1]\nImis1=\nImis2=张三\n[2]\nImis1=\nImis2=李四\n";
        row("a UTF-8 line in a GB18030 list", gb18030(QString(legacy)) + "[3]\nImis1=\nImis2=王五\n",
            {"|张三", "|李四", "|王五"});
        row("names of other scripts typed in UTF-8 into a GB18030 list",
            gb18030(QString(legacy).replace("Incout=3", "Incout=6")) +
                "[3]\nImis1=\nImis2=José\n[4]\nImis1=\nImis2=小A\n[5]\nImis1=\nImis2=Lily🌸\n[6]\nImis1="
                "\nImis2=ミク\n",
            {"|张三", "|李四", "|José", "|小A", "|Lily🌸", "|ミク"});
        // 小谢 and 小郑 are D0A1 D0BB and D0A1 D6A3: valid UTF-8 too.
        row("a small GB18030 list valid as UTF-8",
            gb18030(QString(head + "2\n[1]\nImis1=\nImis2=小谢\n[2]\nImis1=\nImis2=小郑\n")),
            {"|小谢", "|小郑"});
        // Read with the count, Ян (D0AF D0BD) would be GB18030 (携薪) until the save writes the count anew.
        row("a count of junk has no say in the nicknames", head + "1\xB0\xA1\n[1]\nImis1=\nImis2=Ян\n",
            {"|Ян"}, head + "1\n[1]\nImis1=\nImis2=Ян\n");
        row("UTF-8 and a stray byte", head + "2\n[1]\nImis2=张三\nImis1=caf\xE9\n[2]\nImis1=\nImis2=Ян\n",
            {"caf\uFFFD|张三", "|Ян"});
        const QString huge(100000, u'长');
        row("huge nickname", head + "1\n[1]\nImis1=\nImis2=" + huge.toUtf8() + "\n", {"|" + huge});
    }
    void roundTrip()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, added);
        QFETCH(QStringList, friends);
        QFETCH(QByteArray, after);
        const QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()) && writeFileBytes(listFile, before));
        StoredList list;
        FriendListFile file;
        file.open(listFile);
        file.load(&list); // a file without a count loads no friend, which the save then counts
        const QStringList loaded = friendTexts(list) + QStringList(added).filter("|");
        if (!added.isEmpty())
            list.friends.append({added.section('|', 0, 0), added.section('|', 1)});
        QVERIFY(file.save(list));
        QCOMPARE(fileBytes(listFile), after);
        QCOMPARE(savedFriends(listFile), friends);
        QCOMPARE(loaded, friends); // the save changed how no line reads
    }

    // Bad GB18030 bytes -> the text they read as: U+FFFD as ICU gives it, and one for a code left unfinished
    // by the end of a line.
    void gb18030Errors_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("80 and FF begin no code") << QByteArray("\x80\x41\xFF") << QString("\uFFFDA\uFFFD");
        QTest::newRow("a lead byte and one that cannot follow it, read anew")
            << QByteArray("\x81\x7F\x81\x30\x41\x81\x30\x81\x41") << QString("\uFFFD\x7F\uFFFD0A\uFFFD0丄");
        QTest::newRow("FF after a lead byte, with it") << QByteArray("\x81\xFF\x41") << QString("\uFFFDA");
        QTest::newRow("four-byte codes of no character")
            << QByteArray("\x84\x31\xA5\x30\xE3\x32\x9A\x36") << QString("\uFFFD\uFFFD");
        for (const char* unfinished : {"\x81", "\x81\x30", "\x81\x30\x81"})
            QTest::addRow("unfinished at the end, %s", QByteArray(unfinished).toHex(' ').constData())
                << QByteArray("A") + unfinished << QString("A\uFFFD");
    }
    void gb18030Errors()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(Gb18030::decoded(bytes), text);
    }

    // Every character reads and writes as through Qt's converter, where it has one (ICU's, on Linux), which
    // read the old program's lists before.
    void gb18030AsHost()
    {
        QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
        QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
        if (!encoder.isValid())
            QSKIP("Qt has no GB18030 converter here: it was built without ICU");
        QStringList differ;
        for (char32_t c = 0; c <= 0x10ffff && differ.size() < 10; ++c) {
            const QChar units[2] = {QChar(QChar::highSurrogate(c)), QChar(QChar::lowSurrogate(c))};
            const QString text = QChar::requiresSurrogates(c) ? QString(units, 2) : QString(QChar(c));
            const QByteArray bytes = encoder(text);
            if (!QChar::isSurrogate(c) &&
                (Gb18030::encoded(text) != bytes || Gb18030::decoded(bytes) != decoder(bytes)))
                differ << QString::number(c, 16);
        }
        QCOMPARE(differ.join(' '), QString());
    }

    // Saves leave the old file or the new one, and no temporary of their own; they replace only a file
    // that may be written, and the replacement is on the disk when they return.
    void atomicSave_data()
    {
        // What stands under the list file's name: file, link, pipe, folder, or a file holding what the save
        // writes ("same file").
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("mode");      // QFile's permission bits
        QTest::addColumn<int>("sizeLimit"); // the most a file may hold, as on a full disk
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("left"); // of the temporaries: a killed save's, then two not ours
        const QStringList all = {ours + "Ab3dE", ours + "Ab3dE9", "x" + ours + "Ab3dE9"},
                          others = {all[0], all[2]};
        QTest::newRow("read-only") << "file" << 0x4044 << 0 << "refused: 文件为只读" << all;
        QTest::newRow("read-only, nothing changed") << "same file" << 0x4044 << 0 << "unchanged" << all;
        QTest::newRow("a folder") << "folder" << 0 << 0 << "refused: 无法读取：这不是一个普通文件" << all;
#ifdef Q_OS_UNIX
        // A link's target has temporaries of its own name.
        QTest::newRow("link, its mode kept") << "link" << 0x6040 << 0 << "saved" << all;
        QTest::newRow("disk full, stale temporaries")
            << "file" << 0x6044 << 10 << "refused: 文件过大" << others;
        QTest::newRow("unreadable") << "file" << 0 << 0 << "refused: 无法读取文件，保存会丢失其中的内容"
                                    << all;
        QTest::newRow("a pipe") << "pipe" << 0 << 0 << "refused: 无法读取：这不是一个普通文件" << all;
#else
        QTest::newRow("stale temporaries") << "file" << 0x6066 << 0 << "saved" << others;
        QTest::newRow("held by a program that lets nobody read it")
            << "held" << 0x6066 << 0 << "refused: 文件正被另一个程序使用，无法读取，保存会丢失其中的内容"
            << all;
        QTest::newRow("held open by a program that lets others read it")
            << "held open" << 0x6066 << 0 << "refused: 文件正被另一个程序使用" << others;
#endif
    }
    void atomicSave()
    {
        QFETCH(QString, kind);
        QFETCH(int, mode);
        QFETCH(int, sizeLimit);
        QFETCH(QString, result);
        QFETCH(QStringList, left);
        syncedTarget = kind == "link" ? "real.cfg" : listFile;
        const QString& target = syncedTarget;
        const QByteArray after = "[MEUserData]\nIncout=0\n",
                         before = kind == "same file" ? after : "[MEUserData]\nIncout=9\n";
        const bool isFile =
            kind == "file" || kind == "link" || kind == "same file" || kind.startsWith("held");
        const QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        for (const QString& name : {ours + "Ab3dE9", ours + "Ab3dE", "x" + ours + "Ab3dE9"})
            QVERIFY(writeFileBytes(name, "x"));
#ifdef Q_OS_UNIX
        QVERIFY(kind != "pipe" || ::mkfifo(QFile::encodeName(target), 0644) == 0);
#endif
        QVERIFY(kind != "folder" || QDir().mkdir(target));
        QVERIFY(!isFile ||
                (writeFileBytes(target, before) && QFile::setPermissions(target, QFile::Permissions(mode))));
        QVERIFY(kind != "link" || QFile::link(target, listFile));
        const StoredList list;
        FriendListFile file;
        file.open(listFile);
        listAtFolderSync.clear();
        bool saved = false;
        {
            // Root reads every file: it saves as nobody then.
            const SaveConditions conditions(kind, sizeLimit, mode == 0 && isFile && isRoot());
            QVERIFY(conditions.set());
            saved = file.save(list);
        }
        const bool written = saved && before != after;
        QCOMPARE(written ? "saved"
                 : saved ? "unchanged"
                         : "refused: " + FailureText::ofListFile(file.failure()).section("（", 0, 0),
                 result);
#ifdef Q_OS_UNIX
        QCOMPARE(listAtFolderSync, written ? after : QByteArray()); // the folder was synced after the rename
#endif
        QCOMPARE(QFileInfo(target).isFile(), isFile); // nothing replaced a pipe or a folder
        if (isFile) {
            QCOMPARE(int(QFile::permissions(target)) & 0x7077, mode);
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner)); // to read it back
            QCOMPARE(fileBytes(target), saved ? after : before);
        }
        QCOMPARE(QDir().entryList({"*" + AtomicFile::temporaryTag + "*"}, QDir::Files, QDir::Name), left);
    }
};

QTEST_MAIN(TestListFile)
#include "tst_listfile.moc"
