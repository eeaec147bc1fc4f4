#include "autorefresh.h"
#include "checkrun.h"
#include "fakepresenceservice.h"
#include "form1.h"
#include "friendlistview.h"
#include "listfixtures.h"
#include "listmenu.h"
#include "onlinenotifier.h"
#include "qtchinese.h"
#include "skinchoice.h"
#include "skinengine.h"
#include "skinh.h"
#include "windowsxpc.h"

#include <QtDBus>
#include <QtTest>
#include <QtWidgets>

using namespace std::chrono_literals;
constexpr auto minute = 10ms; // a minute between automatic checks, in the tests

// Each row is a script of steps, "; " between them, and what the user meets meanwhile, in order. A
// step "@2 step" is taken when the second presence query arrives, inside the check run. The boxes
// and the add dialog are the program's own; the test answers them when they show.
class TestApp : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath("QQlist.cfg");
    FakePresenceService m_service;
    QStringList m_seen;
    QString m_answer; // to a box: the default button, "no", or "yes 3": select the third friend, then Yes
    QString m_typed;  // into the add dialog: "number|nickname|way out", a button or "frame"
    std::chrono::milliseconds m_slowly{0}; // how long the user takes to answer
    QStringList m_notices; // what the desktop showed: notifications, or the window asking for attention
    QDBusConnection m_desktop = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "desktop");

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (auto* window = qobject_cast<QDialog*>(object); window && event->type() == QEvent::Show)
            QTimer::singleShot(m_slowly, window, [this, window] { answer(window); });
        return false;
    }
    void answer(QDialog* window)
    {
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            box->parentWidget()->findChild<FriendListView*>()->selectPosition(m_answer.mid(4).toInt());
            QAbstractButton* choice = m_answer == "no" ? box->button(QMessageBox::No) : box->defaultButton();
            m_seen << QString(box->text()).replace(m_path, "L").section("（", 0, 0) +
                          (box->textFormat() == Qt::PlainText ? " " : " rich ") + choice->text();
            return choice->click();
        }
        for (int box = 0; box < 2; ++box) {
            QGuiApplication::clipboard()->setText(m_typed.section('|', box, box));
            QTest::keyClick(window->findChildren<QLineEdit*>()[box], Qt::Key_V, Qt::ControlModifier);
        }
        const QString way = m_typed.section('|', 2);
        way == "frame" ? void(window->close()) : window->findChild<QAbstractButton*>(way)->click();
        if (window->isVisible())
            m_seen << "left open", window->close();
    }

    // "✓" before a ticked item, "—" for a separator, a submenu's items in brackets after its name.
    static QString menuItems(const QMenu* menu)
    {
        QStringList items;
        for (const QAction* a : menu->actions())
            items << QString(a->isChecked() ? "✓" : "") + (a->isSeparator() ? "—" : a->text()) +
                         (a->menu() ? '(' + menuItems(a->menu()) + ')' : QString());
        return items.join(", ");
    }

    void run(Form1& form, const QString& script, const QString& phase)
    {
        const QHash<QString, std::function<void(const QString&)>> verbs = {
            {"write", [&](auto text) { QVERIFY(writeFileBytes(m_path, text.toUtf8())); }},
            {"load", [&](auto) { form.load(); }},
            {"close", [&](auto) { form.close(); }},
            {"press", [&](auto name) { form.findChild<QAbstractButton*>(name)->click(); }},
            {"answer", [&](auto answer) { m_answer = answer; }},
            {"select", [&](auto n) { form.findChild<FriendListView*>()->selectPosition(n.toInt()); }},
            {"add", [&](auto t) { form.friendList().addFriend(t.section('|', 0, 0), t.section('|', 1)); }},
            {"dialog", [&](auto t) { m_typed = t, form.findChild<QPushButton*>("Command2")->click(); }},
            {"rows", [&](auto) { m_seen << "rows " + shownRows(form.friendList()).join(' '); }},
            {"index", [&](auto) { m_seen << "index " + QString::number(form.CurrentIndex()); }},
            {"gone", [&](auto) { QVERIFY(QFile::rename(m_dir.path(), m_dir.path() + '~')); }},
            {"title", [&](auto) { m_seen << form.windowTitle(); }},
            {"text", [&](auto name) { m_seen << form.findChild<QAbstractButton*>(name)->text(); }},
            {"online", [&](auto n) { m_service.setAnswer(n, {FakePresenceService::Answer::Online}); }},
            {"offline", [&](auto n) { m_service.setAnswer(n, {FakePresenceService::Answer::Offline}); }},
            {"no-notifications", [&](auto) { m_desktop.unregisterService("org.freedesktop.Notifications"); }},
            {"slowly", [&](auto minutes) { m_slowly = minute * minutes.toInt(); }},
            {"await",
             [&](auto) { QVERIFY(QSignalSpy(form.findChild<CheckRun*>(), &CheckRun::runEnded).wait()); }},
            {"file",
             [&](auto) { m_seen << "file " + QString(fileBytes(m_path)).replace('\n', ' ').trimmed(); }},
            {"menu", // on a friend, below the friends ("menu 0") or by the menu key ("menu key")
             [&](auto at) {
                 auto* view = form.findChild<FriendListView*>()->viewport();
                 const QRect row = form.findChild<FriendListView*>()->visualRect(
                     form.friendList().index(at.toInt() - 1, 0));
                 const QPoint point = row.isValid() ? row.center() : QPoint(2, view->height() - 2);
                 QContextMenuEvent click(at == "key" ? QContextMenuEvent::Keyboard : QContextMenuEvent::Mouse,
                                         point, view->mapToGlobal(point));
                 QApplication::sendEvent(view, &click);
                 m_seen << "menu " + menuItems(form.findChild<ListMenu*>());
             }},
            {"choose",
             [&](auto item) {
                 auto* menu = form.findChild<ListMenu*>();
                 for (QAction* action : menu->findChildren<QAction*>())
                     if (action->text() == item)
                         action->trigger();
                 delete menu;
             }},
            {"no-browser", [&](auto) { QDesktopServices::unsetUrlHandler("https"); }}, // nor has headless Qt
            {"attach",
             [&](auto f) { SkinH_AttachEx(qPrintable(f), ""), m_seen << qApp->styleSheet().left(2); }},
        };
        for (const QString& step : script.split("; ")) {
            const bool now = !step.startsWith('@');
            if (now ? phase.isEmpty() : step.section(' ', 0, 0) == phase)
                verbs[step.section(' ', now ? 0 : 1, now ? 0 : 1)](step.section(' ', now ? 1 : 2));
        }
    }

public slots:
    void recordOpenedUrl(const QUrl& url) { m_seen << "open " + url.toString(); }
    // The desktop's notification service, on a bus connection of its own.
    Q_SCRIPTABLE uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
                             const QString& body, const QStringList&, const QVariantMap&, int)
    {
        m_notices << QString("notice %1 %2: %3 / %4").arg(app, icon, summary, body);
        return m_notices.size();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_service.start());
        m_service.useAsProxy();
        QVERIFY(installQtChinese(*qApp));
        qApp->installEventFilter(this);
        QDesktopServices::setUrlHandler("https", this, "recordOpenedUrl");
        for (const char* online : {"10001", "1", "3"})
            m_service.setAnswer(online, {FakePresenceService::Answer::Online});
        m_service.setAnswer("2", {FakePresenceService::Answer::Offline, 50}); // comes after an edit
        QVERIFY2(m_desktop.registerObject("/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                          this, QDBusConnection::ExportScriptableSlots),
                 "no session bus: run the tests inside dbus-run-session");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("https"); }

    void scenario_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("seen");
        const auto row = [](const char* name, const QString& script, const QString& seen) {
            QTest::newRow(name) << script << seen;
        };
        const QString file = "write [MEUserData]\nIncout=3\n[1]\nImis1=10001\nImis2=小明\n[2]\nImis1=10002\n"
                             "Imis2=Alice\n[3]\nImis1=abc 12\nImis2=老王\n; ";
        const QString question = "真的需要删除 【%1】 这个吗？ 是(&Y); ";
        const QString started = "skin /qq2009.she 0; style L 0; ";
        const QString checking =
            started + "press 小明|10001|小明|2 Alice|10002|Alice|2 老王|abc 12|老王|2; query 10001; ";
        const QString edits = file + "load; @1 add 40004|新朋友; @1 select 1; @1 press Command3; ";
        const QString edited = question.arg("小明") + "closed 0; saved 10002|Alice abc 12|老王 40004|新朋友";
        const QString saved = "saved 10001|小明 10002|Alice abc 12|老王";
        row("start-up", file + "load; @1 rows",
            checking + "rows 正在检测|10001|小明|3 正在检测|10002|Alice|3 正在检测|abc 12|老王|3; " +
                "query 10002; query abc 12; closed 0; " + saved);
        row("count 0", "write [MEUserData]\nIncout=0\n; load", started + "press ; closed 0; saved ");
        row("exit in the run", edits + "@1 press Command5", checking + edited);
        row("closed before load", file + "close", "closed 0; " + saved);
        row("folder gone", edits + "@1 gone; @1 close",
            checking + question.arg("小明") +
                "无法保存好友名单，本次的修改没有写入文件：\nL\n文件夹不存在 确定; closed 1; " + saved);

        const QString odd = QString(" \"1\"\r\n[MEUserData]\t\\u0041 ;#'😀\u202Eم\u2028") + QChar(0);
        const QString oddFriend = odd + '|' + odd + QString(10000, u'好');
        row("add",
            "load; dialog " + oddFriend + "|Command1; dialog |小明|Command1; dialog 20002||Command1; " +
                "dialog 20002|小明|Command2; dialog 20002|小明|frame; dialog 20002|小明|Command1; "
                "dialog  |   |Command1",
            started + "left open; left open; closed 0; saved " + oddFriend + " 20002|小明  |   ");

        const QString no = QString(question).replace("是(&Y)", "否(&N)");
        row("delete",
            "add 1|小明; add 2|Alice; add 3|老王; press Command3; select 2; answer no; press Command3; "
            "answer yes 3; press Command3; rows",
            no.arg("Alice") + question.arg("Alice") + "rows 小明|1|小明|2 Alice|2|Alice|2");
        row("delete, same nickname", "add 1|<b>x</b>; add 2|<b>x</b>; select 2; press Command3; rows",
            question.arg("<b>x</b>") + "rows <b>x</b>|1|<b>x</b>|2");
        row("delete, long nickname", "add 1|" + QString(300, u'长') + "; select 1; answer no; press Command3",
            no.arg(QString(200, u'长') + "…").chopped(2));

        // While 乙 is checked: a friend before it, it, or one after it is deleted, or refresh is pressed
        // again.
        const QString checked = "add 1|甲; add 2|乙; add 3|丙; press Command1; rows; ";
        const QString asked = "press 甲|1|甲|2 乙|2|乙|2 丙|3|丙|2; query 1; query 2; ";
        row("check, friend before deleted", checked + "@2 select 1; @2 press Command3; @2 index",
            asked + question.arg("甲") + "index 1; query 3; rows 乙|2|乙|2 丙|3|丙|1");
        row("check, friend checked deleted", checked + "@2 select 2; @2 press Command3; @2 index",
            asked + question.arg("乙") + "index 0; query 3; rows 甲|1|甲|1 丙|3|丙|1");
        row("check, friend after deleted", checked + "@2 select 3; @2 press Command3; @2 index",
            asked + question.arg("丙") + "index 2; rows 甲|1|甲|1 乙|2|乙|2");
        row("check, refresh again", checked + "@2 press Command1; @2 index",
            asked + "press 甲|1|甲|1 正在检测|2|乙|3 正在检测|3|丙|3; query 1; query 2; query 3; "
                    "index 3; query 3; rows 甲|1|甲|1 乙|2|乙|2 丙|3|丙|1");

        row("window",
            "title; text Command1; press Command4; dialog ||Command2; press Option1; dialog ||Command2; "
            "press Option5; dialog ||Command2",
            "Tamsk.Fernwatch [QQ:2653079661]; 刷新列表; open https://github.com/tamsk/fernwatch; "
            "skin /skinh.she 0; skin /black.she 0; skin /QQreal.she 0; skin /qqreal.she 0");
        QString shipped;
        for (const SkinChoice& skin : skinChoices)
            shipped += QString("attach " FERNWATCH_SKIN_DIR "%1; attach " FERNWATCH_SKIN_DIR "%2; ")
                           .arg(skin.clickFile, skin.dialogFile);
        row("skin files", shipped + "attach missing.she; write QLabel { color: red; attach " + m_path,
            QString(shipped).replace(QRegularExpression("attach ([^;]*)"), "skin \\1 0; /*") +
                "skin missing.she 0; * ; skin " + m_path + " 0; * ; saved <no count stored>");

        // 上线提醒 and 自动刷新. Kim is marked, comes online, stays, goes and comes back, while the desktop's
        // notification service goes away. What the desktop showed comes last.
        row("reminder",
            "write [MEUserData]\nIncout=2\n[1]\nImis1=50005\nImis2=Kim\nImis3=1\n[2]\nImis1=1\nImis2=Lee\n; "
            "online 50005; load; press Command1; offline 50005; press Command1; online 50005; "
            "no-notifications; press Command1",
            started + "press Kim|50005|Kim|2 Lee|1|Lee|2; query 50005; query 1; " +
                "press Kim|50005|Kim|1 Lee|1|Lee|1; query 50005; query 1; " +
                "press Kim|50005|Kim|1 Lee|1|Lee|1; query 50005; query 1; " +
                "press Kim|50005|Kim|2 Lee|1|Lee|1; query 50005; query 1; closed 0; saved 50005|Kim 1|Lee; " +
                "notice Fernwatch fernwatch: Kim 上线了 / QQ 50005; alert");
        const QString every = "每 1 分钟, 每 5 分钟, 每 15 分钟, ";
        row("menu, kept in the file",
            "write [MEUserData]\nIncout=4\nInauto=60\n[1]\nImis1=1\nImis2=a\nImis3=1\n[2]\nImis1=2\n"
            "Imis2=b\n[3]\nImis1=3\nImis2=c\n[4]\nImis1=4\nImis2=d\n; load; select 3; menu key; "
            "choose 上线提醒; menu 0; choose 关闭; menu 1; press Command3; close; file",
            started + "press a|1|a|2 b|2|b|2 c|3|c|2 d|4|d|2; query 1; query 2; query 3; query 4; " +
                "menu 上线提醒, —, 自动刷新(关闭, " + every + "✓每 60 分钟); " + "menu 自动刷新(关闭, " +
                every + "✓每 60 分钟); " + "menu ✓上线提醒, —, 自动刷新(✓关闭, " + every + "每 60 分钟); " +
                question.arg("a") +
                "closed 0; file [MEUserData] Incout=3 Inauto=0 [1] Imis1=2 Imis2=b Imis3=0 [2] Imis1=3 " +
                "Imis2=c Imis3=1 [3] Imis1=4 Imis2=d [4] Imis1=4 Imis2=d; saved 2|b 3|c 4|d; " +
                "notice Fernwatch fernwatch: a 上线了 / QQ 1");
        // A minute lasts less than a run of two friends; the user takes three to fill in the dialog.
        row("automatic checks",
            "write [MEUserData]\nIncout=1\nInauto=1\n[1]\nImis1=10001\nImis2=Ann\n; load; await; "
            "slowly 3; dialog 20002|Bob|Command1; await",
            started + "press Ann|10001|Ann|2; query 10001; press Ann|10001|Ann|1; query 10001; " +
                "press Ann|10001|Ann|1 Bob|20002|Bob|2; query 10001; query 20002; closed 0; " +
                "saved 10001|Ann 20002|Bob");
        row("no web browser", "no-browser; press Command4",
            "无法启动网页浏览器。请把下面的网址复制到浏览器中打开：\n" + Form1::makerWebPage + " 确定");
    }
    void scenario()
    {
        QFETCH(QString, script);
        QFETCH(QString, seen);
        QFile::remove(m_path);
        m_seen.clear();
        m_answer.clear();
        m_slowly = 0ms;
        QDesktopServices::setUrlHandler("https", this, "recordOpenedUrl");
        m_notices.clear();
        QVERIFY(m_desktop.registerService("org.freedesktop.Notifications"));
        Form1 form(m_path);
        form.findChild<CheckRun*>()->setWaitSlice(20ms);
        form.findChild<AutoRefresh*>()->setMinuteLength(minute);
        connect(form.findChild<OnlineNotifier*>(), &OnlineNotifier::alerted, [&] { m_notices << "alert"; });
        const auto state = [&] { // L: the list file is open
            return QString(form.listFile().filePath().size() ? "L %1" : "%1").arg(form.friendList().count());
        };
        connect(&SkinEngine::instance(), &SkinEngine::attachRequested, &form, [&](const QByteArray& path) {
            m_seen << "skin " + QString(path).remove(qApp->applicationDirPath()) + ' ' + state();
            qApp->setStyleSheet("* {}"); // a skin that cannot be used leaves this
        });
        connect(form.findChild<WindowsXPC*>(), &WindowsXPC::started, [&] { m_seen << "style " + state(); });
        connect(form.findChild<QPushButton*>("Command1"), &QPushButton::pressed,
                [&] { m_seen << "press " + shownRows(form.friendList()).join(' '); });
        connect(&form, &Form1::closed, [&](int code) { m_seen << "closed " + QString::number(code); });
        std::function<void(int)> atQuery = [&](int n) {
            m_service.onNextQuery(&form, [&, n] {
                m_seen << "query " + m_service.queriedNumbers().last();
                atQuery(n + 1);
                QTimer::singleShot(0, &form, [&, n] { run(form, script, '@' + QString::number(n)); });
            });
        };
        atQuery(1);

        run(form, script, QString());
        QFile::rename(m_dir.path() + '~', m_dir.path());
        // Whatever was sent on the bus has arrived, and its answer too.
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            "org.freedesktop.Notifications", "/", "org.freedesktop.DBus.Peer", "Ping"));
        QCoreApplication::sendPostedEvents();
        if (form.isVisible())
            form.close();
        if (QFile::exists(m_path))
            m_seen << "saved " + savedFriends(m_path).join(' ');
        m_seen << m_notices;
        QCOMPARE(m_seen.join("; "), seen);
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
