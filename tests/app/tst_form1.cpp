#include "checkrun.h"
#include "fakepresenceservice.h"
#include "form1.h"
#include "friendlistview.h"
#include "listfixtures.h"
#include "qtchinese.h"
#include "skinengine.h"
#include "windowsxpc.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace std::chrono_literals;

namespace {

const QByteArray threeFriends = "[MEUserData]\nIncout=3\n"
                                "[1]\nImis1=10001\nImis2=小明\n"
                                "[2]\nImis1=10002\nImis2=Alice\n"
                                "[3]\nImis1=abc 12\nImis2=老王\n";

// A main window whose boxes are answered by the test instead of a user.
class TestableForm1 : public Form1
{
public:
    using Form1::Form1;
    QStringList shownFailures;
    QStringList questions;
    bool answerYes = false;
    int selectWhileAsked = 0; // a position the user selects while the question is open
    bool answerInBox = false; // the window's own box is shown, and the test presses its button
    QString boxLook;          // the box's title, buttons and text format, as the user met them

protected:
    void showSaveFailure(const QString& message) override { shownFailures.append(message); }
    bool confirmDeletion(const QString& question) override
    {
        if (selectWhileAsked)
            findChild<FriendListView*>()->selectPosition(selectWhileAsked);
        if (!answerInBox) {
            questions.append(question);
            return answerYes;
        }
        QTimer::singleShot(0, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QStringList buttons;
            for (auto* button : box->buttons())
                buttons << button->text();
            buttons.sort();
            questions.append(box->text());
            boxLook = QStringLiteral("%1|%2|%3")
                          .arg(box->windowTitle(), buttons.join(QLatin1Char(' ')),
                               box->textFormat() == Qt::PlainText ? "plain" : "rich");
            (answerYes ? box->defaultButton() : box->button(QMessageBox::No))->click();
        });
        return Form1::confirmDeletion(question);
    }
};

// Appends friends by nickname, numbered by position, shown by nickname as a loaded list is.
void addFriends(Form1& form, const QStringList& nicknames)
{
    for (const QString& nickname : nicknames)
        form.friendList().addFriend(QString::number(form.friendList().count() + 1), nickname);
}

QStringList numbers(const FriendListModel& list)
{
    QStringList shown;
    for (int position = 1; position <= list.count(); ++position)
        shown << list.number(position);
    return shown;
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

public slots:
    void recordOpenedUrl(const QUrl& url) { m_openedUrls << url; }

private slots:
    void initTestCase();
    void init();

    void windowHasTheDesignedLayout_data();
    void windowHasTheDesignedLayout();
    void windowPropertiesAndTabOrder();

    void startUpRunsSkinThenFileThenStyleThenLoad();
    void startUpShowsTheStoredFriends_data();
    void startUpShowsTheStoredFriends();

    void closingDuringTheStartUpRunSavesTheList();
    void failedSaveIsReportedAndOldFileKept_data();
    void failedSaveIsReportedAndOldFileKept();
    void closingBeforeLoadLeavesTheFileAlone();
    void skinOptionsApplyTheirFiles();

    void checkRunFollowsFriendsWhileTheListChanges_data();
    void checkRunFollowsFriendsWhileTheListChanges();
    void deleteRemovesTheEntrySelectedAfterYes_data();
    void deleteRemovesTheEntrySelectedAfterYes();
    void visitBlogOpensTheMakersPage();

private:
    QString listPath() const { return m_dir.filePath(QStringLiteral("QQlist.cfg")); }

    QTemporaryDir m_dir;
    FakePresenceService m_service;
    QList<QUrl> m_openedUrls;
};

void TestForm1::initTestCase()
{
    QVERIFY(m_service.start());
    m_service.useAsProxy();
    QVERIFY(installQtChinese(*qApp));
    m_service.setAnswer(QStringLiteral("10001"), {FakePresenceService::Answer::Online});
}

void TestForm1::init()
{
    QVERIFY(m_dir.isValid());
    QFile::remove(listPath());
}

void TestForm1::windowHasTheDesignedLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");

    QTest::newRow("Frame1") << "Frame1" << QRect(8, 16, 481, 233) << "已存在的QQ名单：";
    QTest::newRow("ListView1") << "ListView1" << QRect(16, 32, 465, 209) << "";
    QTest::newRow("Frame2") << "Frame2" << QRect(8, 256, 481, 41) << "更换皮肤";
    QTest::newRow("Option1") << "Option1" << QRect(16, 272, 113, 17) << "黑色超酷皮肤";
    QTest::newRow("Option2") << "Option2" << QRect(112, 272, 97, 17) << "中国祥云皮肤";
    QTest::newRow("Option4") << "Option4" << QRect(216, 272, 89, 17) << "MSN皮肤";
    QTest::newRow("Option5") << "Option5" << QRect(288, 272, 97, 17) << "QQ影音皮肤";
    QTest::newRow("Option3") << "Option3" << QRect(384, 272, 97, 17) << "恢复默认皮肤";
    QTest::newRow("Frame3") << "Frame3" << QRect(8, 304, 481, 57) << "操作项";
    QTest::newRow("Command2") << "Command2" << QRect(16, 320, 89, 29) << "添加QQ";
    QTest::newRow("Command3") << "Command3" << QRect(112, 320, 89, 29) << "删除QQ";
    QTest::newRow("Command1") << "Command1" << QRect(208, 320, 81, 29) << "刷新列表";
    QTest::newRow("Command4") << "Command4" << QRect(296, 320, 89, 29) << "访问Sabo博客";
    QTest::newRow("Command5") << "Command5" << QRect(392, 320, 89, 29) << "退出程序";
    QTest::newRow("StatusBar1") << "StatusBar1" << QRect(0, 366, 505, 33) << "";
    QTest::newRow("WebBr, below the window's edge") << "WebBr" << QRect(280, 404, 117, 17) << "";
}

void TestForm1::windowHasTheDesignedLayout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);

    Form1 form(listPath());
    auto* control = form.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &form);
    QCOMPARE(control->geometry(), geometry);
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        QCOMPARE(button->text(), caption);
    if (auto* frame = qobject_cast<QGroupBox*>(control))
        QCOMPARE(frame->title(), caption);
}

void TestForm1::windowPropertiesAndTabOrder()
{
    Form1 form(listPath());
    QCOMPARE(form.size(), QSize(505, 399));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(form.windowTitle().startsWith(QStringLiteral("Tamsk.Fernwatch [QQ:")));
    QVERIFY(form.windowTitle().endsWith(QLatin1Char(']')));
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
    for (int size : {16, 24, 32, 48})
        QVERIFY(form.windowIcon().availableSizes().contains(QSize(size, size)));

    for (auto* option : form.findChildren<QRadioButton*>())
        QVERIFY(!option->isChecked());

    auto* view = form.findChild<QTreeView*>(QStringLiteral("ListView1"));
    for (int column = 0; column < 3; ++column)
        QCOMPARE(view->columnWidth(column), 96);

    const QStringList expected = {"ListView1", "Command1", "Command2", "Command3", "Command4", "Command5",
                                  "Option1",   "Option2",  "Option3",  "Option4",  "Option5"};
    QWidget* widget = form.findChild<QWidget*>(expected.first());
    for (const QString& name : expected.mid(1)) {
        do
            widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty());
        QCOMPARE(widget->objectName(), name);
    }
}

void TestForm1::startUpRunsSkinThenFileThenStyleThenLoad()
{
    QVERIFY(writeFileBytes(listPath(), threeFriends));
    Form1 form(listPath());
    QStringList steps;
    auto connection = connect(&SkinEngine::instance(), &SkinEngine::attachRequested, this,
                              [&](const QByteArray& path, const QByteArray& password) {
                                  steps << QStringLiteral("skin %1 file=%2 friends=%3")
                                               .arg(QFile::decodeName(path), form.listFile().filePath())
                                               .arg(form.friendList().count());
                                  QVERIFY(password.isEmpty());
                              });
    auto* style = form.findChild<WindowsXPC*>();
    m_service.onNextQuery(&form, [&] { form.closeForSystem(); });
    connect(style, &WindowsXPC::started, this, [&] {
        steps << QStringLiteral("style file=%1 friends=%2")
                     .arg(form.listFile().filePath())
                     .arg(form.friendList().count());
    });

    form.load();
    disconnect(connection);

    const QString skin = QCoreApplication::applicationDirPath() + QStringLiteral("/qq2009.she");
    QCOMPARE(steps, QStringList({QStringLiteral("skin %1 file= friends=0").arg(skin),
                                 QStringLiteral("style file=%1 friends=0").arg(listPath())}));
    QCOMPARE(form.friendList().count(), 3);
    QCOMPARE(style->startCount(), 1);
    for (auto* option : form.findChildren<QRadioButton*>())
        QVERIFY(!option->isChecked()); // the choice of an earlier run is not kept
}

void TestForm1::startUpShowsTheStoredFriends_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no list file yet
    QTest::addColumn<int>("refreshPresses");
    QTest::addColumn<QStringList>("rows"); // text|number|nickname|status as the list shows them
    QTest::newRow("three friends") << threeFriends << 1
                                   << QStringList(
                                          {"小明|10001|小明|1", "Alice|10002|Alice|2", "老王|abc 12|老王|2"});
    QTest::newRow("count 0") << QByteArray("[MEUserData]\nIncout=0\n[1]\nImis1=1\nImis2=stale\n") << 1
                             << QStringList();
    QTest::newRow("no file") << QByteArray() << 0 << QStringList();
}

void TestForm1::startUpShowsTheStoredFriends()
{
    QFETCH(QByteArray, content);
    QFETCH(int, refreshPresses);
    QFETCH(QStringList, rows);
    if (!content.isNull())
        QVERIFY(writeFileBytes(listPath(), content));
    Form1 form(listPath());
    form.findChild<CheckRun*>()->setWaitSlice(50ms);
    auto* refresh = form.findChild<QPushButton*>(QStringLiteral("Command1"));
    QSignalSpy presses(refresh, &QPushButton::clicked);
    const QAbstractItemModel* shown = form.findChild<QTreeView*>(QStringLiteral("ListView1"))->model();
    const auto shownRows = [&] {
        QStringList shownRows;
        for (int row = 0; row < shown->rowCount(); ++row) {
            QStringList columns;
            for (int column = 0; column < 3; ++column)
                columns << shown->index(row, column).data().toString();
            shownRows << columns.join(QLatin1Char('|')) +
                             QStringLiteral("|%1").arg(int(form.friendList().status(row + 1)));
        }
        return shownRows;
    };
    // When the first query goes out, the window is up and every friend shows as being checked.
    QStringList rowsAtFirstQuery;
    m_service.onNextQuery(&form, [&] {
        QVERIFY(form.isVisible());
        rowsAtFirstQuery = shownRows();
    });

    form.load();

    QCOMPARE(presses.size(), refreshPresses);
    QVERIFY(form.isVisible());
    QCOMPARE(shownRows(), rows);
    QCOMPARE(rowsAtFirstQuery.size(), rows.size());
    for (const QString& row : rowsAtFirstQuery)
        QVERIFY2(row.startsWith(QStringLiteral("正在检测|")) && row.endsWith(QStringLiteral("|3")),
                 qPrintable(row));
    QCOMPARE(m_service.queriedNumbers().mid(m_service.queriedNumbers().size() - rows.size()),
             QStringList({"10001", "10002", "abc 12"}).mid(0, rows.size()));
    QCOMPARE(QFile::exists(listPath()), !content.isNull()); // loading writes nothing
}

void TestForm1::closingDuringTheStartUpRunSavesTheList()
{
    QVERIFY(writeFileBytes(listPath(), threeFriends));
    TestableForm1 form(listPath());
    QSignalSpy closed(&form, &Form1::closed);
    // The user changes the list and closes the window while the start-up check run waits.
    m_service.onNextQuery(&form, [&] {
        form.friendList().addFriend(QStringLiteral("40004"), QStringLiteral("新朋友"));
        form.friendList().remove(1);
        form.close();
    });
    QElapsedTimer clock;
    clock.start();

    form.load();

    QCOMPARE_LT(clock.elapsed(), 1900); // the run stopped where it stood, inside its first wait
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().first().toInt(), 0);
    QVERIFY(form.shownFailures.isEmpty());
    QVERIFY(!form.isVisible());

    QCOMPARE(savedFriends(listPath()), QStringList({"10002|Alice", "abc 12|老王", "40004|新朋友"}));
}

void TestForm1::failedSaveIsReportedAndOldFileKept_data()
{
    QTest::addColumn<QString>("damage"); // what takes the place of the folder or the list file
    QTest::addColumn<QString>("reason"); // said before the system's own words
    QTest::newRow("folder replaced by a file") << "folder->file"
                                               << "文件夹不存在";
    QTest::newRow("folder gone") << "folder->"
                                 << "文件夹不存在";
    QTest::newRow("list file replaced by a folder") << "file->folder"
                                                    << "";
}

void TestForm1::failedSaveIsReportedAndOldFileKept()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    // While the program runs, the list's place is taken from it: no one, not even root, can write it now.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("QQlist.cfg"));
    QVERIFY(writeFileBytes(path, threeFriends));
    TestableForm1 form(path);
    const QString replaced = damage.startsWith(QLatin1String("folder")) ? folder.path() : path;
    const QString movedAway = replaced + QStringLiteral(".moved");
    QSignalSpy closed(&form, &Form1::closed);
    m_service.onNextQuery(&form, [&] {
        QVERIFY(QFile::rename(replaced, movedAway));
        if (damage.endsWith(QLatin1String("->file")))
            QVERIFY(writeFileBytes(replaced, "not a folder"));
        if (damage.endsWith(QLatin1String("->folder")))
            QVERIFY(QDir().mkdir(replaced));
        form.close();
    });

    form.load();

    QCOMPARE(form.shownFailures.size(), 1);
    const QStringList lines = form.shownFailures.first().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].contains(QStringLiteral("无法保存好友名单")));
    QCOMPARE(lines[1], QDir::toNativeSeparators(path));
    QVERIFY2(lines[2].startsWith(reason + QStringLiteral("（")) && lines[2].endsWith(QStringLiteral("）")),
             qPrintable(lines[2]));
    QCOMPARE(closed.first().first().toInt(), 1);
    QCOMPARE(fileBytes(replaced == path ? movedAway : movedAway + QStringLiteral("/QQlist.cfg")),
             threeFriends);

    QFile::remove(folder.path());
    QDir(movedAway).removeRecursively();
}

void TestForm1::closingBeforeLoadLeavesTheFileAlone()
{
    QVERIFY(writeFileBytes(listPath(), threeFriends));
    Form1 form(listPath());
    QSignalSpy closed(&form, &Form1::closed);
    form.closeForSystem();
    QCOMPARE(closed.first().first().toInt(), 0);
    QCOMPARE(fileBytes(listPath()), threeFriends);
}

void TestForm1::skinOptionsApplyTheirFiles()
{
    Form1 form(listPath());
    QSignalSpy attached(&SkinEngine::instance(), &SkinEngine::attachRequested);
    QStringList files;
    for (const char* option : {"Option1", "Option2", "Option3", "Option4", "Option5", "Option1"}) {
        form.findChild<QRadioButton*>(QLatin1String(option))->click();
        files << QFile::decodeName(attached.takeFirst().first().toByteArray());
    }
    const QString folder = QCoreApplication::applicationDirPath();
    QCOMPARE(files, QStringList({folder + "/skinh.she", folder + "/china.she", folder + "/qq2009.she",
                                 folder + "/msn.she", folder + "/QQreal.she", folder + "/skinh.she"}));
    QVERIFY(attached.isEmpty());
}

void TestForm1::checkRunFollowsFriendsWhileTheListChanges_data()
{
    QTest::addColumn<int>("deleted");      // the position deleted while 乙 is checked; 0: refresh pressed
    QTest::addColumn<int>("currentIndex"); // CurrentIndex right after
    QTest::addColumn<QString>("rows");     // text:status
    QTest::addColumn<QStringList>("queried");
    const QStringList each = {"1", "2", "3"};
    QTest::newRow("friend before deleted") << 1 << 1 << "乙:2 丙:1" << each;
    QTest::newRow("friend being checked deleted") << 2 << 0 << "甲:1 丙:1" << each;
    QTest::newRow("friend after deleted") << 3 << 2 << "甲:1 乙:2" << QStringList{"1", "2"};
    QTest::newRow("second refresh") << 0 << 3 << "甲:1 乙:2 丙:1"
                                    << QStringList{"1", "2", "1", "2", "3", "3"};
}

void TestForm1::checkRunFollowsFriendsWhileTheListChanges()
{
    QFETCH(int, deleted);
    QFETCH(int, currentIndex);
    QFETCH(QString, rows);
    QFETCH(QStringList, queried);
    m_service.setAnswer(QStringLiteral("1"), {FakePresenceService::Answer::Online});
    m_service.setAnswer(QStringLiteral("2"), {FakePresenceService::Answer::Offline, 20}); // after the change
    m_service.setAnswer(QStringLiteral("3"), {FakePresenceService::Answer::Online});
    TestableForm1 form(listPath());
    form.answerYes = true;
    addFriends(form, {"甲", "乙", "丙"});
    form.findChild<CheckRun*>()->setWaitSlice(50ms);
    const auto press = [&](const char* button) {
        form.findChild<QPushButton*>(QLatin1String(button))->click();
    };
    const qsizetype queriedBefore = m_service.queriedNumbers().size();
    int currentIndexAfter = -1;
    m_service.onNextQuery(&form, [&] {
        m_service.onNextQuery(&form, [&] {
            QTimer::singleShot(0, &form, [&] {
                form.findChild<FriendListView*>()->selectPosition(deleted);
                press(deleted ? "Command3" : "Command1");
                currentIndexAfter = form.CurrentIndex();
            });
        });
    });

    press("Command1");

    QCOMPARE(currentIndexAfter, currentIndex);
    QStringList shown;
    for (int position = 1; position <= form.friendList().count(); ++position)
        shown << form.friendList().text(position) + QLatin1Char(':') +
                     QString::number(int(form.friendList().status(position)));
    QCOMPARE(shown.join(QLatin1Char(' ')), rows);
    QCOMPARE(m_service.queriedNumbers().mid(queriedBefore), queried);
}

void TestForm1::deleteRemovesTheEntrySelectedAfterYes_data()
{
    QTest::addColumn<QStringList>("friends"); // nicknames; numbers are the positions
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("selectedWhileAsked");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QStringList>("remaining"); // numbers
    QTest::addColumn<bool>("inBox");            // answered in the window's own box

    const QStringList three = {"小明", "Alice", "老王"};
    const QStringList alice = {"真的需要删除 【Alice】 这个吗？"};
    QTest::newRow("No") << three << 2 << 0 << false << alice << QStringList{"1", "2", "3"} << false;
    QTest::newRow("Yes, 2 of 3") << three << 2 << 0 << true << alice << QStringList{"1", "3"} << false;
    QTest::newRow("same nickname, the selected goes")
        << QStringList{"小明", "小明", "老王"} << 2 << 0 << true
        << QStringList{"真的需要删除 【小明】 这个吗？"} << QStringList{"1", "3"} << false;
    QTest::newRow("empty nickname") << QStringList{"", "x"} << 1 << 0 << true
                                    << QStringList{"真的需要删除 【】 这个吗？"} << QStringList{"2"} << false;
    QTest::newRow("selection moved while asked")
        << three << 1 << 3 << true << QStringList{"真的需要删除 【小明】 这个吗？"} << QStringList{"1", "2"}
        << false;
    QTest::newRow("nothing selected")
        << three << 0 << 0 << true << QStringList() << QStringList{"1", "2", "3"} << false;
    QTest::newRow("long nickname, cut")
        << QStringList{QString(300, u'长')} << 1 << 0 << false
        << QStringList{"真的需要删除 【" + QString(200, u'长') + "…】 这个吗？"} << QStringList{"1"} << false;
    QTest::newRow("markup as typed, box, No")
        << QStringList{"<b>x</b>", "a&lt;b"} << 2 << 0 << false
        << QStringList{"真的需要删除 【a&lt;b】 这个吗？"} << QStringList{"1", "2"} << true;
    QTest::newRow("box, Yes is the default")
        << QStringList{"<b>x</b>", "y"} << 1 << 0 << true << QStringList{"真的需要删除 【<b>x</b>】 这个吗？"}
        << QStringList{"2"} << true;
}

void TestForm1::deleteRemovesTheEntrySelectedAfterYes()
{
    QFETCH(QStringList, friends);
    QFETCH(int, selected);
    QFETCH(int, selectedWhileAsked);
    QFETCH(bool, yes);
    QFETCH(QStringList, questions);
    QFETCH(QStringList, remaining);
    QFETCH(bool, inBox);

    TestableForm1 form(listPath());
    addFriends(form, friends);
    form.findChild<FriendListView*>()->selectPosition(selected);
    form.answerYes = yes;
    form.selectWhileAsked = selectedWhileAsked;
    form.answerInBox = inBox;

    form.findChild<QPushButton*>(QStringLiteral("Command3"))->click();

    QCOMPARE(form.questions, questions);
    QCOMPARE(numbers(form.friendList()), remaining);
    // Qt's own texts, the buttons, are Chinese like the rest.
    QCOMPARE(form.boxLook, inBox ? QStringLiteral("删除|否(&N) 是(&Y)|plain") : QString());
}

void TestForm1::visitBlogOpensTheMakersPage()
{
    Form1 form(listPath());
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "recordOpenedUrl");
    form.findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    QCOMPARE(m_openedUrls, QList<QUrl>{QUrl(Form1::makerWebPage)});
    QVERIFY(!m_openedUrls.first().host().isEmpty());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
