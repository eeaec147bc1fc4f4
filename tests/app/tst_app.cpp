#include "autorefresh.h"
#include "checkrun.h"
#include "fakepresenceservice.h"
#include "form1.h"
#include "friendlistview.h"
#include "historystore.h"
#include "historywindow.h"
#include "listfixtures.h"
#include "listmenu.h"
#include "onlinenotifier.h"
#include "qtchinese.h"
#include "shownrows.h"
#include "skinchoice.h"
#include "skinengine.h"
#include "skinh.h"
#include "weekchart.h"

#include <QtDBus>
#include <QtTest>
#include <QtWidgets>

using namespace std::chrono_literals;
constexpr auto minute = 10ms; // a minute between automatic checks, in the tests

// The list as a person sees it: "text|number|nickname|picture" for each row, the picture told apart by its
// average colour: "grey", "blue" or "warm".
static QString rows(const FriendListModel& list)
{
    QStringList rows = shownRows(list);
    for (int row = 0; row < rows.size(); ++row) {
        const QIcon icon = list.index(row, 0).data(Qt::DecorationRole).value<QIcon>();
        const QColor colour = icon.pixmap(1).toImage().pixelColor(0, 0);
        const bool blue = colour.hsvHue() >= 180 && colour.hsvHue() < 270;
        rows[row] = rows[row].chopped(1) + (colour.hsvSaturation() < 30 ? "grey" : blue ? "blue" : "warm");
    }
    return rows.join(' ');
}

// A window as a person reads it: its title; each text that lies inside it, after its control's name, line
// by line (20 pixels high) and from left to right; then the controls that Tab walks through.
static QString look(QWidget* window)
{
    QMultiMap<std::pair<int, int>, QString> texts; // by line, then from the left
    for (QWidget* c : window->findChildren<QWidget*>()) {
        const QRect place(c->mapTo(window, QPoint()), c->size());
        const QString text = c->property("text").toString() + c->property("title").toString();
        if (!text.isEmpty() && c->isVisibleTo(window) && window->rect().contains(place))
            texts.insert({place.y() / 20, place.x()},
                         (c->objectName().isEmpty() ? c->parentWidget() : c)->objectName() + ' ' + text);
    }
    QStringList seen = QStringList(window->windowTitle()) + texts.values(), tab;
    QTest::keyClick(window, Qt::Key_Tab); // on from the control that has the focus, or to the first one
    while (window->focusWidget() && !tab.contains(window->focusWidget()->objectName())) {
        tab << window->focusWidget()->objectName();
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
    }
    return seen.join(", ") + "; tab " + tab.join(' ');
}

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
    // To a box: "no", or else its default button. To the add dialog: "look", or "number|nickname|way out",
    // a key (Enter, Esc) or a button.
    QString m_answer;
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
            QAbstractButton* choice = m_answer == "no"    ? box->button(QMessageBox::No)
                                      : m_answer == "yes" ? box->button(QMessageBox::Yes)
                                                          : box->defaultButton();
            m_seen << QString(box->text()).replace(m_path, "L").section("（", 0, 0) +
                          (box->textFormat() == Qt::PlainText ? " " : " rich ") + choice->text();
            return choice->click();
        }
        if (auto* files = qobject_cast<QFileDialog*>(window)) { // the answer is the file chosen
            files->selectFile(m_answer);
            return static_cast<QDialog*>(files)->accept();
        }
        if (m_answer == "look") {
            m_seen << "look " + look(window);
            return window->reject();
        }
        // As a person types: the number where the focus is, Tab, the nickname.
        QGuiApplication::clipboard()->setText(m_answer.section('|', 0, 0));
        QTest::keyClick(window->focusWidget(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        QGuiApplication::clipboard()->setText(m_answer.section('|', 1, 1));
        QTest::keyClick(window->focusWidget(), Qt::Key_V, Qt::ControlModifier);
        if (auto* button = window->findChild<QAbstractButton*>(m_answer.section('|', 2)))
            button->click();
        else
            QTest::keySequence(window->focusWidget(), QKeySequence(m_answer.section('|', 2)));
        if (window->isVisible()) {
            m_seen << "left open";
            window->close();
        }
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
            {"rows", [&](auto) { m_seen << "rows " + rows(form.friendList()); }},
            {"shown", [&](auto) { m_seen << (form.isVisible() ? "shown" : "hidden"); }},
            {"look", [&](auto) { m_seen << "look " + look(&form); }},
            {"gone", [&](auto) { QVERIFY(QFile::rename(m_dir.path(), m_dir.path() + '~')); }},
            {"attach", [&](auto f) { SkinH_AttachEx(qPrintable(f), ""); }},
            // How the style sheet in use begins.
            {"sheet", [&](auto) { m_seen << qApp->styleSheet().left(2); }},
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
                 for (QAction* action : menu->findChildren<QAction*>()) {
                     if (action->text() == item)
                         action->trigger();
                 }
                 delete menu;
             }},
            {"no-browser", [&](auto) { QDesktopServices::unsetUrlHandler("https"); }}, // nor has headless Qt
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
        const QString checking = "skin /qq2009.she; press 小明|10001|小明|grey Alice|10002|Alice|grey "
                                 "老王|abc 12|老王|grey; query 10001; ";
        const QString saved = "saved 10001|小明 10002|Alice abc 12|老王";
        row("start-up", file + "load; @1 shown; @1 rows",
            checking + "shown; rows 正在检测|10001|小明|blue 正在检测|10002|Alice|blue 正在检测|abc 12|" +
                "老王|blue; query 10002; query abc 12; closed 0; " + saved);
        row("closed before load", file + "close", "closed 0; " + saved);
        row("exit in the run, folder gone",
            file + "load; @1 add 40004|新朋友; @1 select 1; @1 press Command3; @1 gone; @1 press Command5; "
                   "shown",
            checking + question.arg("小明") + "无法保存好友名单，本次的修改没有写入文件：\nL\n文件夹不存在 " +
                "确定; closed 1; hidden; " + saved);

        // Typed into the add dialog, which Enter, Esc or a button leaves; each answer, then the button that
        // opens the dialog.
        const QString odd = QString(" \"1\"\r\n[MEUserData]\t\\u0041 ;#'😀\u202Eم\u2028") + QChar(0);
        const QString oddFriend = odd + '|' + odd + QString(10000, u'好'), add = "; press Command2; answer ";
        row("add",
            "load; answer " + oddFriend + "|Enter" + add + "|小明|Enter" + add + "20002||Command1" + add +
                "20002|小明|Command2" + add + "20002|小明|Esc" + add + "20002|小明|Enter" + add +
                " |   |Enter; press Command2",
            "skin /qq2009.she; left open; left open; closed 0; saved " + oddFriend + " 20002|小明  |   ");

        // Nothing selected; the long-named friend kept; the second of two alike deleted.
        const QString no = QString(question).replace("是(&Y)", "否(&N)"), cut = QString(200, u'长') + "…";
        row("delete",
            "add 1|<b>x</b>; add 2|<b>x</b>; add 3|" + QString(300, u'长') + "; press Command3; select 3; " +
                "answer no; press Command3; select 2; answer yes; press Command3; rows",
            no.arg(cut) + question.arg("<b>x</b>") + "rows <b>x</b>|1|<b>x</b>|grey " + cut + "|3|" + cut +
                "|grey");

        // While 乙 is checked: a friend before it or it is deleted, or refresh is pressed again.
        const QString checked = "add 1|甲; add 2|乙; add 3|丙; press Command1; rows; ";
        const QString asked = "press 甲|1|甲|grey 乙|2|乙|grey 丙|3|丙|grey; query 1; query 2; ";
        row("check, friend before deleted", checked + "@2 select 1; @2 press Command3",
            asked + question.arg("甲") + "query 3; rows 乙|2|乙|grey 丙|3|丙|warm");
        row("check, friend checked deleted", checked + "@2 select 2; @2 press Command3",
            asked + question.arg("乙") + "query 3; rows 甲|1|甲|warm 丙|3|丙|warm");
        row("check, refresh again", checked + "@2 press Command1",
            asked + "press 甲|1|甲|warm 正在检测|2|乙|blue 正在检测|3|丙|blue; query 1; query 2; " +
                "query 3; query 3; rows 甲|1|甲|warm 乙|2|乙|grey 丙|3|丙|warm");

        // The two windows as they open; each skin option's file, then the add dialog's with it selected.
        QString skins = "load; look; answer look; press Command2; answer ||Esc";
        for (const char* option : {"Option1", "Option2", "Option4", "Option5", "Option3"})
            skins += QString("; press %1; press Command2").arg(option);
        row("window", skins + "; press Command4",
            "skin /qq2009.she; look Tamsk.Fernwatch [QQ:2653079661], Frame1 已存在的QQ名单：, Frame2 "
            "更换皮肤, Option1 黑色超酷皮肤, Option2 中国祥云皮肤, Option4 MSN皮肤, Option5 QQ影音皮肤, "
            "Option3 恢复默认皮肤, Frame3 操作项, Command2 添加QQ, Command3 删除QQ, Command1 刷新列表, "
            "Command4 访问Sabo博客, Command5 退出程序, StatusBar1 Fernwatch 好友在线监视 · "
            "名单保存在程序所在的文件夹; tab ListView1 Command1 Command2 Command3 Command4 Command5 "
            "Option1 Option2 Option3 Option4 Option5; look Tamsk.Fernwatch【添加QQ】, Label1 "
            "好友号码：, Command1 确定, Label2 好友昵称：, Command2 放弃, StatusBar1 "
            "PellSabo提示：号码只能为数字，否则程序将出错!; tab Text2 Command1 Command2 Text1; skin "
            "/skinh.she; skin /black.she; skin /china.she; skin /china.she; skin /msn.she; skin "
            "/msn.she; skin /QQreal.she; skin /qqreal.she; skin /qq2009.she; skin /qq2009.she; open "
            "https://github.com/tamsk/fernwatch; closed 0; saved ");
        QString shipped;
        for (const SkinChoice& skin : skinChoices)
            shipped += QString("attach %1%2; sheet; attach %1%3; sheet; ")
                           .arg(FERNWATCH_SKIN_DIR, skin.clickFile, skin.dialogFile);
        row("skin files",
            shipped + "attach missing.she; sheet; write QLabel { color: red; attach " + m_path + "; sheet",
            QString(shipped).replace(QRegularExpression("attach ([^;]*); sheet"), "skin \\1; /*") +
                "skin missing.she; * ; skin " + m_path + "; * ; saved <no count stored>");

        // 上线提醒 and 自动刷新. Kim is marked, comes online, stays, goes and comes back, while the desktop's
        // notification service goes away. What the desktop showed comes last.
        const QString started = "skin /qq2009.she; ";
        row("reminder",
            "write [MEUserData]\nIncout=2\n[1]\nImis1=50005\nImis2=Kim\nImis3=1\n[2]\nImis1=1\nImis2=Lee\n; "
            "online 50005; load; press Command1; offline 50005; press Command1; online 50005; "
            "no-notifications; press Command1",
            started + "press Kim|50005|Kim|grey Lee|1|Lee|grey; query 50005; query 1; " +
                "press Kim|50005|Kim|warm Lee|1|Lee|warm; query 50005; query 1; " +
                "press Kim|50005|Kim|warm Lee|1|Lee|warm; query 50005; query 1; " +
                "press Kim|50005|Kim|grey Lee|1|Lee|warm; query 50005; query 1; closed 0; saved 50005|Kim "
                "1|Lee; " +
                "notice Fernwatch fernwatch: Kim 上线了 / QQ 50005; alert");
        const QString every = "每 1 分钟, 每 5 分钟, 每 15 分钟, ";
        row("menu, kept in the file",
            "write [MEUserData]\nIncout=4\nInauto=60\n[1]\nImis1=1\nImis2=a\nImis3=1\n[2]\nImis1=2\n"
            "Imis2=b\n[3]\nImis1=3\nImis2=c\n[4]\nImis1=4\nImis2=d\n; load; select 3; menu key; "
            "choose 上线提醒; menu 0; choose 关闭; menu 1; press Command3; close; file",
            started +
                "press a|1|a|grey b|2|b|grey c|3|c|grey d|4|d|grey; query 1; query 2; query 3; query 4; " +
                "menu 上线提醒, —, 自动刷新(关闭, " + every + "✓每 60 分钟); " + "menu 自动刷新(关闭, " +
                every + "✓每 60 分钟); " + "menu ✓上线提醒, —, 自动刷新(✓关闭, " + every + "每 60 分钟); " +
                question.arg("a") +
                "closed 0; file [MEUserData] Incout=3 Inauto=0 [1] Imis1=2 Imis2=b Imis3=0 [2] Imis1=3 " +
                "Imis2=c Imis3=1 [3] Imis1=4 Imis2=d [4] Imis1=4 Imis2=d; saved 2|b 3|c 4|d; " +
                "notice Fernwatch fernwatch: a 上线了 / QQ 1");
        // A minute lasts less than a run of two friends; the user takes three to fill in the dialog.
        row("automatic checks",
            "write [MEUserData]\nIncout=1\nInauto=1\n[1]\nImis1=10001\nImis2=Ann\n; load; await; "
            "slowly 3; answer 20002|Bob|Command1; press Command2; await",
            started + "press Ann|10001|Ann|grey; query 10001; press Ann|10001|Ann|warm; query 10001; " +
                "press Ann|10001|Ann|warm Bob|20002|Bob|grey; query 10001; query 20002; closed 0; " +
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
        connect(&SkinEngine::instance(), &SkinEngine::attachRequested, &form, [&](const QByteArray& path) {
            m_seen << "skin " + QString(path).remove(qApp->applicationDirPath());
            qApp->setStyleSheet("* {}"); // a skin that cannot be used leaves this
        });
        connect(form.findChild<QPushButton*>("Command1"), &QPushButton::pressed,
                [&] { m_seen << "press " + rows(form.friendList()); });
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

    // A known week painted at scale factor 2: how the bands look at a few moments ("month-day time look"),
    // what pointing at a moment tells, and what a screen reader is told. Periods are "state from to", times
    // of 2026 in local time.
    void weekChart_data()
    {
        QTest::addColumn<QString>("periods");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("seen");
        QTest::addColumn<QString>("tips");
        QTest::addColumn<QString>("told");
        QTest::newRow("a week")
            << "在线 12-01 08:00 12-01 12:30, 离线 12-01 12:35 12-01 18:00, 未知 12-02 09:00 12-02 11:00, "
               "在线 12-03 22:00 12-04 02:15, 离线 12-06 10:00 12-06 10:00, 在线 12-07 14:05 12-07 17:17"
            << "12-07 19:00"
            << "12-01 10:30 warm, 12-01 16:30 grey, 12-02 10:30 hatched, 12-02 16:30 empty, "
               "12-04 01:30 warm, 12-05 13:30 empty, 12-07 16:30 warm, 12-07 20:30 empty"
            << "12-03 23:00 在线 12月3日 22:00 – 12月4日 02:15（4 小时 15 分）, 12-06 10:00 离线 10:00（0 "
               "分）"
            << "12月1日 周二：在线 4 小时 30 分，08:00–12:30 在线，12:35–18:00 离线。\n"
               "12月2日 周三：在线 0 分，09:00–11:00 未知。\n12月3日 周四：在线 2 小时，22:00–24:00 在线。\n"
               "12月4日 周五：在线 2 小时 15 分，00:00–02:15 在线。\n12月5日 周六：没有记录。\n"
               "12月6日 周日：在线 0 分，10:00 离线。\n12月7日 周一：在线 3 小时 12 分，14:05–17:17 在线。";
    }
    void weekChart()
    {
        QFETCH(QString, periods);
        QFETCH(QString, now);
        QFETCH(QString, seen);
        QFETCH(QString, tips);
        QFETCH(QString, told);
        const auto at = [](const QString& time) {
            return QDateTime::fromString("2026-" + time, "yyyy-MM-dd HH:mm").toMSecsSinceEpoch();
        };
        const QStringList states = {"", "在线", "离线", "未知"};
        QVector<PresencePeriod> week;
        for (const QString& period : periods.split(", ")) {
            const QStringList part = period.split(' ');
            week.append({PresenceState(states.indexOf(part[0])),
                         at(part[1] + ' ' + part[2]),
                         at(part[3] + ' ' + part[4]),
                         {}});
        }
        WeekChart chart;
        chart.resize(chart.sizeHint());
        chart.setWeek(week, at(now));
        QImage picture(chart.size() * 2, QImage::Format_RGB32);
        picture.setDevicePixelRatio(2);
        chart.render(&picture);

        QStringList looks;
        for (const QString& sight : seen.split(", ")) {
            const QString moment = sight.section(' ', 0, 1);
            const QPoint point = (chart.pointAt(at(moment)) * 2).toPoint();
            QSet<QRgb> colours; // along a stretch as long as the hatching repeats
            for (int x = 0; x < 8; ++x)
                colours << picture.pixel(point + QPoint(x, 0));
            const QColor colour(*colours.begin());
            const bool warm = colour.hsvSaturation() > 100 && (colour.hsvHue() < 40 || colour.hsvHue() > 330);
            looks << moment + ' ' +
                         (colours.size() > 1         ? "hatched"
                          : warm                     ? "warm"
                          : colour.lightness() > 240 ? "empty"
                                                     : "grey");
        }
        QCOMPARE(looks.join(", "), seen);
        QStringList pointed;
        for (const QString& tip : tips.split(", ")) {
            const QPoint point = chart.pointAt(at(tip.section(' ', 0, 1))).toPoint();
            QHelpEvent pointing(QEvent::ToolTip, point, chart.mapToGlobal(point));
            QApplication::sendEvent(&chart, &pointing);
            pointed << tip.section(' ', 0, 1) + ' ' + QToolTip::text();
        }
        QCOMPARE(pointed.join(", "), tips);
        QCOMPARE(chart.accessibleDescription(), told);
    }

    // The 在线记录 window on real checks of two friends, opened on 乙: 导出…, then 甲 chosen and 清除记录
    // refused and answered, then 乙 again. After each step: the title, today as told, the line below.
    void historyWindow()
    {
        QTemporaryDir dir;
        HistoryStore store;
        QVERIFY(store.open(dir.filePath("QQlist.sqlite")));
        const qint64 midnight = QDate::currentDate().startOfDay().toMSecsSinceEpoch();
        store.record("1", "甲", PresenceState::Online, midnight);
        store.record("2", "乙", PresenceState::Offline, midnight);
        HistoryWindow window(store, {{"1", "甲"}, {"2", "乙"}}, "2");
        const QString steps =
            "answer " + dir.filePath("乙.csv") +
            "; press Export; choose 0; answer no; press Clear; answer yes; press Clear; choose 1";
        m_seen.clear();
        for (const QString& step : steps.split("; ")) {
            const QString what = step.section(' ', 1);
            if (step.startsWith("answer"))
                m_answer = what;
            else if (step.startsWith("choose"))
                window.findChild<QComboBox*>()->setCurrentIndex(what.toInt());
            else
                window.findChild<QPushButton*>(what)->click();
            if (!step.startsWith("answer"))
                m_seen << window.windowTitle() + " " +
                              window.findChild<WeekChart*>()->accessibleDescription().section("：", -1) +
                              " " + window.findChild<QLabel*>("StatusLine")->text().remove(dir.path());
        }
        QStringList rows = QString(fileBytes(dir.filePath("乙.csv"))).split("\r\n");
        for (QString& row : rows)
            row = row.section(',', 0, 2);
        m_seen << rows.join(' ');
        QCOMPARE(
            m_seen.join("; "),
            "在线记录 - 乙 在线 0 分，00:00 离线。 已导出到 /乙.csv; 在线记录 - 甲 在线 0 分，00:00 在线。 ; "
            "真的要清除 【甲】 的全部在线记录吗？ 否(&N); 在线记录 - 甲 在线 0 分，00:00 在线。 ; "
            "真的要清除 【甲】 的全部在线记录吗？ 是(&Y); 在线记录 - 甲 没有记录。 已清除 【甲】 的在线记录; "
            "在线记录 - 乙 在线 0 分，00:00 离线。 ; 号码,昵称,状态 2,乙,离线 ");
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
