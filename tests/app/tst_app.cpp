#include "autorefresh.h"
#include "autostartentry.h"
#include "checkrun.h"
#include "fakepresenceservice.h"
#include "form1.h"
#include "form2.h"
#include "friendlistview.h"
#include "historystore.h"
#include "historywindow.h"
#include "listfixtures.h"
#include "listmenu.h"
#include "presencechart.h"
#include "qtchinese.h"
#include "remindernotifier.h"
#include "reminderpause.h"
#include "shownrows.h"
#include "skinchoice.h"
#include "skinengine.h"
#include "skinh.h"
#include "trayicon.h"
#include "webbrowser.h"

#include <QtPlugin>
#include <QtTest>
#include <QtWidgets>

#ifdef Q_OS_WIN
#include "registrysandbox.h"
#include "windowstray.h"
#else
#include "notificationservice.h"
#include "privatesessionbus.h"
#include "statusnotifierwatcher.h"

#include <QtDBus>

static PrivateSessionBus privateBus; // where the desktop's stand-ins are
#endif

using namespace std::chrono_literals;
constexpr auto minute = 10ms; // a minute between automatic checks, in the tests

Q_IMPORT_PLUGIN(OffscreenTrayThemePlugin) // Qt's tray, which finds a tray through its stand-in

// A colour as a person names it: "empty" (white), "pale" (light grey), "grey", "blue" (a check), "warm"
// (online), or its code.
static QString colourName(const QColor& c)
{
    const int hue = c.hsvHue();
    return c.lightness() > 240                                 ? "empty"
           : c.lightness() > 200 && c.hsvSaturation() < 30     ? "pale"
           : c.hsvSaturation() < 30                            ? "grey"
           : hue >= 180 && hue < 270                           ? "blue"
           : c.hsvSaturation() > 50 && (hue < 40 || hue > 330) ? "warm"
                                                               : c.name();
}

// The tray's picture as a person tells it: the program's icon in colour, or grey.
static QString trayPicture(const QSystemTrayIcon& icon)
{
    const QColor average = icon.icon()
                               .pixmap(16)
                               .scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .toImage()
                               .pixelColor(0, 0);
    return colourName(average) == "grey" ? "grey icon" : "icon in colour";
}

// The list as a person sees it: "text|number|nickname|picture" for each row, ", " between them; the picture
// told apart by its average colour: the penguin in colour (online), grey (offline) or the blue arrow of a
// check.
static QString rows(const FriendListModel& list)
{
    const QMap<QString, QString> pictures = {
        {"warm", "penguin in colour"}, {"grey", "grey penguin"}, {"blue", "blue arrow"}};
    QStringList rows = shownRows(list);
    for (int row = 0; row < rows.size(); ++row) {
        const QIcon icon = list.index(row, 0).data(Qt::DecorationRole).value<QIcon>();
        const QString colour = colourName(icon.pixmap(1).toImage().pixelColor(0, 0));
        rows[row] = rows[row].section('|', 0, 2) + '|' + pictures.value(colour, colour);
    }
    return rows.join(", ");
}

// A window as a person reads it: its title; each text that lies inside it or names a control to a screen
// reader, after its control's name, line by line (20 pixels high) and from left to right; then the controls
// that Tab walks through.
static QStringList look(QWidget* window)
{
    QMultiMap<std::pair<int, int>, QString> texts; // by line, then from the left
    for (QWidget* c : window->findChildren<QWidget*>()) {
        const QRect place(c->mapTo(window, QPoint()), c->size());
        const QString text =
            c->property("text").toString() + c->property("title").toString() + c->accessibleName();
        if (!text.isEmpty() && c->isVisibleTo(window) && window->rect().contains(place))
            texts.insert({place.y() / 20, place.x()},
                         (c->objectName().isEmpty() ? c->parentWidget() : c)->objectName() + ' ' + text);
    }
    QStringList tab;
    QTest::keyClick(window, Qt::Key_Tab); // on from the control that has the focus, or to the first one
    while (window->focusWidget() && !tab.contains(window->focusWidget()->objectName())) {
        tab << window->focusWidget()->objectName();
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
    }
    return QStringList("title " + window->windowTitle()) + texts.values() +
           QStringList("Tab order: " + tab.join(' '));
}

// Whether a window's labels stand out from its background, in the colours the skin gives them: a contrast
// of 3 to 1 at least, what is asked of large text.
static QString readability(QWidget* window)
{
    const auto luminance = [](const QColor& c) {
        return 0.2126 * std::pow(c.redF(), 2.2) + 0.7152 * std::pow(c.greenF(), 2.2) +
               0.0722 * std::pow(c.blueF(), 2.2) + 0.05;
    };
    const double ground = luminance(window->palette().color(window->backgroundRole()));
    QStringList hard;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        const double text = luminance(label->palette().color(label->foregroundRole()));
        if (label->isVisible() && !label->text().isEmpty() &&
            std::max(text, ground) / std::min(text, ground) < 3)
            hard << label->text();
    }
    return hard.isEmpty() ? "readable" : "hard to read: " + hard.join(", ");
}

// "✓" before a ticked item, "—" for a separator, "greyed" after one that cannot be chosen, a submenu's items
// in brackets after its name.
static QString menuItems(const QMenu* menu)
{
    QStringList items;
    for (const QAction* a : menu->actions())
        items << QString(a->isChecked() ? "✓" : "") + (a->isSeparator() ? "—" : a->text()) +
                     (a->isEnabled() ? "" : " greyed") +
                     (a->menu() ? '(' + menuItems(a->menu()) + ')' : QString());
    return items.join(", ");
}

// Typed into the add dialog: what a number or a nickname should never break, and a nickname of 10,000
// characters besides.
static const QString oddNumber = QString(" \"1\"\r\n[MEUserData]\t\\u0041 ;#'😀\u202Eم\u2028") + QChar(0);
static const QString oddNickname = oddNumber + QString(10000, u'好');

// Each scenario row is a list file (none where empty), its steps, in the words of what the user does and
// looks at (the buttons by their captions), and what was seen meanwhile, each step and each sighting a string
// of its own; a failing row names the first sighting that differs. A step "during query 2: …" is taken when
// the second presence query arrives, inside the check run. "press X then A, B" answers the window that the
// press opens with A, then B: "type …", a key (Tab, Enter, Esc), "press" a button, or "wait 3 minutes"; a box
// that opens otherwise gets its default button. Besides what a step looks at, each box is seen with the
// button that answered it, each close of the window with its exit code, and at the end what the desktop
// showed. In a sighting, "<time>" and "<date>" stand for what the clock gives, "<200 × 长>" for as many of
// the character. An unknown step fails its row by name.
class TestApp : public QObject
{
    Q_OBJECT

    using Step = std::pair<QString, std::function<void(const QStringList& words)>>; // pattern, action
    QList<Step> m_steps;
    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath("QQlist.cfg");
    FakePresenceService m_service;
    qsizetype m_queriesSeen = 0;
    QStringList m_seen;
    QStringList m_skins;  // applied since they were last looked at
    QStringList m_answer; // for the window that opens next
    QStringList m_alerts; // the window asking for attention, or the tray's message

    // The desktop, stood in for: its tray, the notices it shows, and where 开机自动启动 writes. It is ready
    // for a row with startDesktop(); desktopSeen() tells what it showed during the row.
#ifdef Q_OS_WIN
    RegistrySandbox m_registry;

    void setTray(bool present)
    {
        WindowsTray::available = present;
    }
    bool startDesktop()
    {
        WindowsTray::available = true;
        WindowsTray::messages.clear();
        m_registry.unlockAll();
        return m_registry.redirected();
    }
    QStringList desktopSeen() const
    {
        QStringList seen;
        for (const QString& message : std::as_const(WindowsTray::messages))
            seen << QString("notification %1: %2").arg(seen.size() + 1).arg(message);
        return seen;
    }
    // How the autostart entry starts the program; empty while there is none.
    static QString autostartEntry()
    {
        const QString run = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
        return QSettings(run, QSettings::NativeFormat).value("Fernwatch").toString();
    }
    QList<Step> desktopSteps(Form1&)
    {
        return {
            {"click the tray icon", [](auto) { emit WindowsTray::shown->activated(WindowsTray::Trigger); }},
            {"click the notification", [](auto) { emit WindowsTray::shown->messageClicked(); }},
            {"the autostart entry cannot be written", // its key is locked
             [&](auto) { QVERIFY(m_registry.lock("Software\\Microsoft\\Windows\\CurrentVersion\\Run")); }},
            {"the desktop has neither tray nor notification service", [&](auto) { setTray(false); }},
        };
    }
#else
    NotificationService m_notifications;
    StatusNotifierWatcher m_tray; // up before Qt first looks for a tray, which it does once a run
    QList<NotificationService::Notice> m_notices; // what the desktop was sent during the row

    void setTray(bool present)
    {
        present ? void(m_tray.start()) : m_tray.stop();
    }
    bool startDesktop()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path())); // the user's, beside the list
        m_notifications.takeNotices();
        m_notifications.setCapabilities({});
        m_notices.clear();
        return m_notifications.start() && m_tray.start();
    }
    QStringList desktopSeen()
    {
        // Whatever was sent on the bus has arrived, and the answers too.
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            "org.freedesktop.Notifications", "/", "org.freedesktop.DBus.Peer", "Ping"));
        QStringList seen;
        // Numbered from the row's first.
        for (const NotificationService::Notice& n : m_notices += m_notifications.takeNotices())
            seen << QString("notification %1%2: %3 / %4%5")
                        .arg(n.id - m_notices[0].id + 1)
                        .arg(n.replacesId ? " updated" : "", n.summary, n.body,
                             n.actions.contains("default") ? ", clickable" : "");
        return seen;
    }
    static QString autostartEntry()
    {
        const QByteArray entry = fileBytes(AutostartEntry::location());
        return entry.isEmpty() ? QString() : QString(entry.mid(entry.indexOf("Exec=") + 5)).trimmed();
    }
    QList<Step> desktopSteps(Form1& form)
    {
        return {
            {"click the tray icon",
             [&](auto) {
                 m_tray.callItem("org.kde.StatusNotifierItem", "Activate", {0, 0});
             }},
            {"the notification service offers (.*)",
             [&](auto w) { m_notifications.setCapabilities(w[1].split(", ")); }},
            {"click the first notification",
             [&](auto) {
                 m_notices += m_notifications.takeNotices();
                 QSignalSpy chosen(form.findChild<ReminderNotifier*>(), &ReminderNotifier::friendChosen);
                 m_notifications.click(m_notices.value(0).id);
                 QVERIFY(chosen.wait());
             }},
            {"look at the notification's details",
             [&](auto) {
                 const NotificationService::Notice n = (m_notices += m_notifications.takeNotices()).last();
                 m_seen << QString("from %1, icon %2, category %3, desktop entry %4, urgency %5")
                               .arg(n.app, n.icon, n.hints["category"].toString(),
                                    n.hints["desktop-entry"].toString())
                               .arg(n.hints["urgency"].toInt());
             }},
            {"the autostart entry cannot be written", // a file is where its folder should be
             [&](auto) {
                 const QString folder = m_dir.filePath("autostart");
                 QVERIFY(QDir(folder).removeRecursively() && writeFileBytes(folder, "not a folder"));
             }},
            {"the notification service leaves", [&](auto) { m_notifications.stop(); }},
            {"the desktop has neither tray nor notification service",
             [&](auto) {
                 m_notifications.stop();
                 setTray(false);
             }},
        };
    }
#endif

    // Each test starts from an empty folder and a desktop that has shown nothing.
    void startRow()
    {
        QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(m_dir.path())); // what a row left
        QVERIFY2(startDesktop(), "no desktop: on Linux, dbus-daemon could not be started (package dbus)");
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (auto* window = qobject_cast<QDialog*>(object); window && event->type() == QEvent::Show)
            QTimer::singleShot(0, window, [this, window] { answer(window, std::exchange(m_answer, {})); });
        return false;
    }
    void answer(QDialog* window, QStringList actions)
    {
        if (actions.value(0) == "read it")
            m_seen << window->windowTitle() + ": " + readability(window), actions.removeFirst();
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            const QString choice = actions.isEmpty() ? box->defaultButton()->text() : actions[0].mid(6);
            m_seen << QString(box->textFormat() == Qt::PlainText ? "box " : "rich box ") + box->text() +
                          " → " + choice;
            if (!click(box, choice))
                box->reject();
            return;
        }
        if (auto* files = qobject_cast<QFileDialog*>(window);
            files && actions.value(0).startsWith("save as ")) {
            files->selectFile(
                m_dir.filePath(actions[0].section(' ', 2))); // "save as <file>", beside the list
            m_answer = actions.mid(1); // for a box that asks before the file is replaced
            return static_cast<QDialog*>(files)->accept();
        }
        while (!actions.isEmpty()) {
            const QString action = actions.takeFirst(), words = action.section(' ', 1);
            if (action.startsWith("wait ")) // "wait 3 minutes", the user's time
                return QTimer::singleShot(minute * words.section(' ', 0, 0).toInt(), window,
                                          [=] { answer(window, actions); });
            if (action.startsWith("type ")) { // as a person types into the control that has the focus
                QGuiApplication::clipboard()->setText(
                    QString(words).replace("<odd number>", oddNumber).replace("<odd nickname>", oddNickname));
                QTest::keyClick(window->focusWidget(), Qt::Key_V, Qt::ControlModifier);
            } else if (action.startsWith("press "))
                click(window, words);
            else if (QStringList{"Tab", "Enter", "Esc"}.contains(action))
                QTest::keySequence(window->focusWidget(), QKeySequence(action));
            else
                m_seen << "unknown answer: " + action;
        }
        if (window->isVisible()) {
            m_seen << window->windowTitle() + " left open";
            window->close();
        }
    }
    // Clicks a button of `window` by its caption, as the user finds it.
    bool click(QWidget* window, const QString& caption)
    {
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
            if (button->text() == caption)
                return button->click(), true;
        m_seen << "no button: " + caption;
        return false;
    }
    // Presses a button of the main window, or of the history window, answering what it opens with `answer`.
    void press(QWidget* window, const QString& caption, const QString& answer = {})
    {
        m_answer = answer.isEmpty() ? QStringList() : answer.split(", ");
        click(window, caption);
        if (!std::exchange(m_answer, {}).isEmpty())
            m_seen << "nothing opened to answer";
    }

    void defineSteps(Form1& form)
    {
        auto* view = form.findChild<FriendListView*>();
        m_steps = {
            {"start( minimised)?",
             [&](auto w) {
                 form.setStartMinimized(!w.value(1).isEmpty());
                 form.load();
             }},
            {"look at the tray",
             [&](auto) {
                 QCoreApplication::processEvents(); // as a desktop reads it, after the program has updated it
                 const QSystemTrayIcon* icon = form.findChild<TrayIcon*>()->systemTrayIcon();
                 m_seen << "tray: " + trayPicture(*icon) + ", " + icon->toolTip();
             }},
            {"the (desktop has no tray|tray goes|tray comes)", // and the program has seen it
             [&](auto w) {
                 QSignalSpy changed(form.findChild<TrayIcon*>(), &TrayIcon::trayChanged);
                 setTray(w[1] == "tray comes");
                 QVERIFY(changed.wait());
             }},
            {"minimise the window",
             [&](auto) {
                 form.setWindowState(Qt::WindowMinimized);
                 QCoreApplication::processEvents();
             }},
            {"close the window", [&](auto) { form.close(); }},
            {"press (.+?)(?: then (.*))?", [&](auto w) { press(&form, w[1], w.value(2)); }},
            {"in the history window, press (.+?)(?: (\\d+) times)?(?: then (.*))?",
             [&](auto w) {
                 for (int time = 0; time < std::max(1, w.value(2).toInt()); ++time)
                     press(form.findChild<HistoryWindow*>(), w[1], w.value(3));
             }},
            {"select row (\\d+)", [=](auto w) { view->selectPosition(w[1].toInt()); }},
            {"add friend (\\S+) with a nickname of (\\d+) (.)",
             [&](auto w) { form.friendList().addFriend(w[1], QString(w[2].toInt(), w[3][0])); }},
            {"add friend (\\S+) (.*)", [&](auto w) { form.friendList().addFriend(w[1], w[2]); }},
            {"look at the list", [&](auto) { m_seen << "list: " + rows(form.friendList()); }},
            {"look at the queries",
             [&](auto) {
                 m_seen << "queried " + m_service.queriedNumbers().mid(m_queriesSeen).join(", ");
                 m_queriesSeen = m_service.queriedNumbers().size();
             }},
            {"look at the skins applied", [&](auto) { m_seen << "skins applied: " + m_skins.join(", "); }},
            {"look whether the window is shown",
             [&](auto) {
                 m_seen << "window " + QString(!form.isVisible()    ? "hidden"
                                               : form.isMinimized() ? "minimised"
                                                                    : "shown");
             }},
            {"look at the selected row",
             [=](auto) { m_seen << QString("row %1 selected").arg(view->selectedPosition()); }},
            {"look at the autostart entry",
             [&](auto) {
                 m_seen << (autostartEntry().isEmpty() ? "no autostart entry"
                                                       : "autostart " + autostartEntry());
             }},
            {"(a minute lasts a second|minutes last a minute)",
             [&](auto w) { form.findChild<AutoRefresh*>()->setSpeedUp(w[1].startsWith('a') ? 60 : 1); }},
            {"look at when the next check is due",
             [&](auto) {
                 const auto due = form.findChild<AutoRefresh*>()->nextRun();
                 // In whole minutes: the moments since the check ended are not the program's to keep.
                 m_seen << QString("next check in %1 min")
                               .arg(due ? qRound(QDateTime::currentDateTime().msecsTo(*due) / 60000.0) : -1);
             }},
            {"an hour lasts a moment", [&](auto) { form.findChild<ReminderPause*>()->setHourLength(10ms); }},
            {"look at the list file",
             [&](auto) {
                 m_seen << "list file: " + QString(fileBytes(m_path)).replace('\n', ' ').trimmed();
             }},
            {"look at the saved friends",
             [&](auto) { m_seen << "saved " + savedFriends(m_path).join(", "); }},
            {"attach skin (.*)",
             [&](auto w) { SkinH_AttachEx(qPrintable(QString(w[1]).replace("<list file>", m_path)), ""); }},
            {"look at the style sheet",
             [&](auto) {
                 m_seen << (qApp->styleSheet() == "* {}" ? "style sheet: none usable"
                                                         : "style sheet: the skin's");
             }},
            {"every shipped skin gives a style sheet",
             [&](auto) {
                 for (const SkinChoice& skin : skinChoices)
                     for (const char* file : {skin.clickFile, skin.dialogFile}) {
                         SkinH_AttachEx(qPrintable(QString(FERNWATCH_SKIN_DIR) + file), "");
                         if (qApp->styleSheet() == "* {}")
                             m_seen << QString("no style sheet from ") + file;
                     }
             }},
            {"(\\S+) leads to a full disk",
             [&](auto w) { QVERIFY(QFile::link("/dev/full", m_dir.filePath(w[1]))); }},
            {"remove the list's folder",
             [&](auto) { QVERIFY(QFile::rename(m_dir.path(), m_dir.path() + '~')); }},
            {"put the list's folder back",
             [&](auto) { QVERIFY(QFile::rename(m_dir.path() + '~', m_dir.path())); }},
            {"(\\S+) is (online|offline|unreachable)", // as FakePresenceService::Answer begins
             [&](auto w) {
                 const int answer = QStringList{"online", "offline", "unreachable"}.indexOf(w[2]);
                 m_service.setAnswer(w[1], {FakePresenceService::Answer(answer)});
             }},
            {"look at the rows' tool tips",
             [&](auto) {
                 QStringList tips;
                 for (int row = 0; row < form.friendList().count(); ++row)
                     tips << form.friendList().index(row, 0).data(Qt::ToolTipRole).toString();
                 m_seen << "tips: " + tips.join(" / ");
             }},
            {"the history file is damaged",
             [&](auto) { QVERIFY(writeFileBytes(m_dir.filePath("QQlist.sqlite"), QByteArray(4096, 'x'))); }},
            {"another program writes the history",
             [&](auto) {
                 QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
                 other.setDatabaseName(m_dir.filePath("QQlist.sqlite"));
                 QVERIFY(other.open() && QSqlQuery(other).exec("BEGIN IMMEDIATE"));
             }},
            {"the other program ends", [&](auto) { QSqlDatabase::removeDatabase("other"); }},
            {"look at the status line",
             [&](auto) {
                 const QLabel* line = form.findChild<QStatusBar*>()->findChild<QLabel*>();
                 const int width = line->contentsRect().width();
                 const bool cut = (line->sizeHint().width() > width && !line->wordWrap()) ||
                                  line->heightForWidth(width) > line->height();
                 m_seen << "status line: " + line->text() + (cut ? " (cut off)" : "");
             }},
            {"the history holds (\\S+) (在线|离线) (\\d+) days ago", // at noon, by a Fernwatch before
             [&](auto w) {
                 HistoryStore before;
                 const QDateTime noon(QDate::currentDate().addDays(-w[3].toInt()), QTime(12, 0));
                 QVERIFY(before.open(HistoryStore::pathFor(m_path)) &&
                         before.record(w[1], w[1], PresenceState(w[2] == "在线" ? 1 : 2),
                                       noon.toMSecsSinceEpoch()));
             }},
            // The bands with a record, by their place from the top, and the buttons greyed out.
            {"look at the history window",
             [&](auto) {
                 QStringList seen, bands = form.findChild<HistoryWindow*>()
                                               ->findChild<PresenceChart*>()
                                               ->accessibleDescription()
                                               .split('\n');
                 for (int band = 0; band < bands.size(); ++band)
                     if (!bands[band].endsWith("没有记录。"))
                         seen << QString("band %1: %2").arg(band + 1).arg(bands[band].section("：", 1));
                 for (const QPushButton* button :
                      form.findChild<HistoryWindow*>()->findChildren<QPushButton*>())
                     if (!button->isEnabled())
                         seen << "greyed " + button->text();
                 m_seen << QString("history window: %1, %2 %3")
                               .arg(
                                   form.findChild<HistoryWindow*>()->windowTitle(), seen.join(" | "),
                                   form.findChild<HistoryWindow*>()->findChild<QLabel*>("StatusLine")->text())
                               .trimmed();
             }},
            {"look at the exported file (.*)",
             [&](auto w) {
                 QStringList rows =
                     QString(fileBytes(m_dir.filePath(w[1]))).split("\r\n", Qt::SkipEmptyParts);
                 for (QString& row : rows)
                     row = row.section(',', 0, 2);
                 m_seen << w[1] + ": " + rows.join(" / ");
             }},
            {"in each skin, read the history window's dialogs",
             [&](auto) {
                 for (const SkinChoice& skin : skinChoices) {
                     SkinH_AttachEx(qPrintable(QString(FERNWATCH_SKIN_DIR) + skin.clickFile), "");
                     press(form.findChild<HistoryWindow*>(), "导出…", "read it, Esc");
                     press(form.findChild<HistoryWindow*>(), "清除记录", "read it, press 否(&N)");
                 }
             }},
            {"wait for the check to end",
             [&](auto) { QVERIFY(QSignalSpy(form.findChild<CheckRun*>(), &CheckRun::runEnded).wait()); }},
            {"open the menu (on row (\\d+)|below the friends|by its key)",
             [&, view](auto w) {
                 const QRect place = view->visualRect(form.friendList().index(w.value(2).toInt() - 1, 0));
                 const QPoint at =
                     place.isValid() ? place.center() : QPoint(2, view->viewport()->height() - 2);
                 QContextMenuEvent click(w[1] == "by its key" ? QContextMenuEvent::Keyboard
                                                              : QContextMenuEvent::Mouse,
                                         at, view->viewport()->mapToGlobal(at));
                 QApplication::sendEvent(view->viewport(), &click);
             }},
            {"look at the menu", [&](auto) { m_seen << "menu: " + menuItems(form.findChild<ListMenu*>()); }},
            {"(in the tray's menu, |in the history window, )?choose (.*)",
             [&](auto w) {
                 if (w[1] == "in the history window, ")
                     return form.findChild<HistoryWindow*>()->findChild<QComboBox*>()->setCurrentText(w[2]);
                 QMenu* menu = w[1].isEmpty() ? form.findChild<ListMenu*>()
                                              : form.findChild<QSystemTrayIcon*>()->contextMenu();
                 for (QAction* action : menu->findChildren<QAction*>())
                     if (action->text() == w[2])
                         action->trigger();
                 if (w[1].isEmpty())
                     delete menu;
                 QCoreApplication::processEvents(); // what the choice does once the menu is gone
             }},
            {"no web browser",
             [&](auto) { QDesktopServices::unsetUrlHandler("https"); }}, // nor has headless Qt
        };
        m_steps += desktopSteps(form);
    }

    // Takes the steps meant for `query` (0: the row's own); fails the row at an unknown one.
    bool run(const QStringList& steps, int query, bool dryRun = false)
    {
        const auto whole = [](const QString& pattern) {
            return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                                      QRegularExpression::DotMatchesEverythingOption);
        };
        for (QString step : steps) {
            const QRegularExpressionMatch phase = whole("during query (\\d+): (.*)").match(step);
            step = phase.hasMatch() ? phase.captured(2) : step;
            QRegularExpressionMatch words;
            const auto known = std::find_if(m_steps.cbegin(), m_steps.cend(), [&](const Step& s) {
                return (words = whole(s.first).match(step)).hasMatch();
            });
            if (known == m_steps.cend()) {
                QTest::qFail(qPrintable("unknown step: " + step), __FILE__, __LINE__);
                return false;
            }
            if (!dryRun && phase.captured(1).toInt() == query)
                known->second(words.capturedTexts());
        }
        return true;
    }

    // What differs from run to run: the row's folder (as the program shows it on Windows too), the clock;
    // and what a line cannot hold.
    QString plain(QString seen) const
    {
        seen.replace(oddNickname, "<odd nickname>")
            .replace(oddNumber, "<odd number>")
            .replace(QDir::toNativeSeparators(qApp->applicationFilePath()), "<this program>")
            .replace(m_path, "<list file>")
            .replace(QDir::toNativeSeparators(m_path), "<list file>")
            .replace(m_dir.path(), "<folder>")
            .replace(QDir::toNativeSeparators(m_dir.path() + '/'), "<folder>/")
            .replace(QRegularExpression("\\d\\d:\\d\\d"), "<time>")
            .replace(QRegularExpression("\\d{8}-\\d{6}"), "<date>");
        for (QRegularExpressionMatch run; (run = QRegularExpression("(.)\\1{19,}").match(seen)).hasMatch();)
            seen.replace(run.capturedStart(), run.capturedLength(),
                         QString("<%1 × %2>").arg(run.capturedLength()).arg(run.captured(1)));
        return seen;
    }
    // Compares what was seen with what was expected, naming the first sighting that differs.
    void compareSeen(QStringList seen, const QStringList& expected)
    {
        for (QString& sight : seen)
            sight = plain(sight);
        qsizetype same = 0;
        while (same < expected.size() && seen.value(same) == expected[same])
            ++same;
        QVERIFY2(same == seen.size() && same == expected.size(),
                 qPrintable(QString("sighting %1 differs:\n   seen: %2\n   expected: %3")
                                .arg(same + 1)
                                .arg(seen.value(same, "<nothing>"), expected.value(same, "<nothing>"))));
    }

public slots:
    void recordOpenedUrl(const QUrl& url)
    {
        m_seen << "browser opens " + url.toString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_service.start());
        QVERIFY(installQtChinese(*qApp));
        qApp->installEventFilter(this);
        for (const char* online : {"10001", "1", "3"})
            m_service.setAnswer(online, {FakePresenceService::Answer::Online});
        m_service.setAnswer("2", {FakePresenceService::Answer::Offline, 50}); // comes after an edit
        connect(&SkinEngine::instance(), &SkinEngine::attachRequested, this, [this](const QByteArray& path) {
            m_skins << QString(path).remove(qApp->applicationDirPath());
            qApp->setStyleSheet("* {}"); // a skin that cannot be used leaves this
        });
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("https");
    }

    void scenario_data()
    {
        QTest::addColumn<QString>("listFile");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("seen");
        const auto row = [](const char* name, const QString& listFile, const QStringList& steps,
                            const QStringList& seen) { QTest::newRow(name) << listFile << steps << seen; };
        const QString threeFriends =
            "[MEUserData]\nIncout=3\n[1]\nImis1=10001\nImis2=小明\n[2]\nImis1=10002\n"
            "Imis2=Alice\n[3]\nImis1=abc 12\nImis2=老王\n";
        row("start-up", threeFriends,
            {"start", "during query 1: look whether the window is shown", "during query 1: look at the list",
             "look at the queries", "press 添加QQ then Esc", "look at the skins applied", "close the window",
             "look at the saved friends"},
            {"window shown",
             "list: 正在检测|10001|小明|blue arrow, 正在检测|10002|Alice|blue arrow, 正在检测|abc "
             "12|老王|blue arrow",
             "queried 10001, 10002, abc 12", "skins applied: /qq2009.she", "exit code 0",
             "saved 10001|小明, 10002|Alice, abc 12|老王"});
        // The system's own words follow the program's where they are Chinese; Wine's are English.
#ifdef Q_OS_WIN
        const QString noFolder = "文件夹不存在", unwritable =
                                                     "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                                                     "CurrentVersion\\Run\\Fernwatch\n没有修改注册表的权限";
#else
        const QString noFolder = "文件夹不存在（此文件或目录不存在）",
                      unwritable = "<folder>/autostart/fernwatch.desktop\n文件夹不存在";
#endif
        row("exit in the run, folder gone", threeFriends,
            {"start", "during query 1: add friend 40004 新朋友", "during query 1: select row 1",
             "during query 1: press 删除QQ", "during query 1: remove the list's folder",
             "during query 1: press 退出程序", "look whether the window is shown",
             "put the list's folder back", "look at the saved friends"},
            {"box 真的需要删除 【小明】 这个吗？ → 是(&Y)",
             "box 无法保存好友名单，本次的修改没有写入文件：\n<list file>\n" + noFolder + " → 确定",
             "exit code 1", "window hidden", "saved 10001|小明, 10002|Alice, abc 12|老王"});
        row("add", "",
            {"start", "press 添加QQ then type <odd number>, Tab, type <odd nickname>, Enter",
             "press 添加QQ then Tab, type 小明, Enter", "press 添加QQ then type 20002, Tab, press 确定",
             "press 添加QQ then type 20002, Tab, type 小明, press 放弃",
             "press 添加QQ then type 20002, Tab, type 小明, Esc",
             "press 添加QQ then type  , Tab, type    , Enter",
             "press 添加QQ then type 20002, Tab, type 小明 , Enter", "close the window",
             "look at the saved friends"},
            {"Tamsk.Fernwatch【添加QQ】 left open", "Tamsk.Fernwatch【添加QQ】 left open", "exit code 0",
             "saved <odd number>|<odd nickname>,  |   , 20002|小明 "});
        // Nothing selected; the long-named friend kept; the second of two alike deleted.
        row("delete", "",
            {"add friend 1 <b>x</b>", "add friend 2 <b>x</b>", "add friend 3 with a nickname of 300 长",
             "press 删除QQ", "select row 3", "press 删除QQ then press 否(&N)", "select row 2",
             "press 删除QQ then press 是(&Y)", "look at the list"},
            {"box 真的需要删除 【<200 × 长>…】 这个吗？ → 否(&N)",
             "box 真的需要删除 【<b>x</b>】 这个吗？ → 是(&Y)",
             "list: <b>x</b>|1|<b>x</b>|grey penguin, <200 × 长>…|3|<200 × 长>…|grey penguin"});
        // While 乙 is checked: a friend before it or it is deleted, or refresh is pressed again.
        row("check, friend before deleted", "",
            {"add friend 1 甲", "add friend 2 乙", "add friend 3 丙", "press 刷新列表",
             "during query 2: select row 1", "during query 2: press 删除QQ", "look at the queries",
             "look at the list"},
            {"box 真的需要删除 【甲】 这个吗？ → 是(&Y)", "queried 1, 2, 3",
             "list: 乙|2|乙|grey penguin, 丙|3|丙|penguin in colour"});
        row("check, friend checked deleted", "",
            {"add friend 1 甲", "add friend 2 乙", "add friend 3 丙", "press 刷新列表",
             "during query 2: select row 2", "during query 2: press 删除QQ", "look at the queries",
             "look at the list"},
            {"box 真的需要删除 【乙】 这个吗？ → 是(&Y)", "queried 1, 2, 3",
             "list: 甲|1|甲|penguin in colour, 丙|3|丙|penguin in colour"});
        row("check, refresh again", "",
            {"add friend 1 甲", "add friend 2 乙", "add friend 3 丙", "press 刷新列表",
             "during query 2: look at the list", "during query 2: press 刷新列表", "look at the queries",
             "look at the list"},
            {"list: 甲|1|甲|penguin in colour, 正在检测|2|乙|blue arrow, 正在检测|3|丙|blue arrow",
             "queried 1, 2, 1, 2, 3, 3",
             "list: 甲|1|甲|penguin in colour, 乙|2|乙|grey penguin, 丙|3|丙|penguin in colour"});
        // Each option's skin file, then the add dialog's with it selected; the maker's page, and where no
        // browser opens it.
        row("skin options", "",
            {"start", "press 黑色超酷皮肤", "press 添加QQ then Esc", "press 中国祥云皮肤",
             "press 添加QQ then Esc", "press MSN皮肤", "press 添加QQ then Esc", "press QQ影音皮肤",
             "press 添加QQ then Esc", "press 恢复默认皮肤", "press 添加QQ then Esc",
             "look at the skins applied", "press 访问Sabo博客", "no web browser", "press 访问Sabo博客"},
            {"skins applied: /qq2009.she, /skinh.she, /black.she, /china.she, /china.she, /msn.she, "
             "/msn.she, /QQreal.she, /qqreal.she, /qq2009.she, /qq2009.she",
             "browser opens https://github.com/tamsk/fernwatch",
             "box 无法启动网页浏览器。请把下面的网址复制到浏览器中打开：\nhttps://github.com/tamsk/fernwatch "
             "→ 确定"});
        // A skin that is missing or that Qt cannot read leaves the look as it was; the window closed before
        // its list was read leaves the file as it was.
        row("skin files", "QLabel { color: red; ",
            {"every shipped skin gives a style sheet", "attach skin missing.she", "look at the style sheet",
             "attach skin <list file>", "look at the style sheet", "close the window",
             "look at the list file"},
            {"style sheet: none usable", "style sheet: none usable", "exit code 0",
             "list file: QLabel { color: red;"});

        // 上线提醒 and 下线提醒: what the desktop showed. Kim is marked, comes online, goes and comes back,
        // while the desktop's notification service goes away.
#ifndef Q_OS_WIN // Windows has no notification service apart from the tray
        row("reminder",
            "[MEUserData]\nIncout=2\n[1]\nImis1=50&05\nImis2=Kim\nImis3=1\n[2]\nImis1=1\nImis2=Lee\n",
            {"50&05 is online", "start", "50&05 is offline", "press 刷新列表", "50&05 is online",
             "the notification service leaves", "press 刷新列表"},
            {"notification 1: Kim 上线了 / QQ 50&05", "the tray shows a message"});
#endif
        // A refresh in a run's last wait nests a run in it: each run's news is its own notice.
        row("reminder, refresh in the run's last wait",
            "[MEUserData]\nIncout=2\n[1]\nImis1=70007\nImis2=阿甲\nImis3=1\n[2]\nImis1=2\nImis2=乙\n",
            {"70007 is online", "start", "during query 2: 70007 is offline", "during query 2: press 刷新列表",
             "during query 4: 70007 is online", "during query 4: press 刷新列表"},
            {"notification 1: 阿甲 上线了 / QQ 70007", "notification 2: 阿甲 上线了 / QQ 70007"});
        // 丁 is marked for 下线提醒, 戊 only for 上线提醒; a failed check is no news.
        row("reminder when offline",
            "[MEUserData]\nIncout=2\n[1]\nImis1=70009\nImis2=丁\nImis4=1\n[2]\nImis1=70010\nImis2=戊\nImis3="
            "1\n",
            {"70009 is online", "70010 is online", "start", "70009 is unreachable", "70010 is offline",
             "press 刷新列表", "70009 is offline", "press 刷新列表"},
            {"notification 1: 戊 上线了 / QQ 70010", "notification 2: 丁 下线了 / QQ 70009"});
        // Paused, 己 comes online and 庚 goes offline and comes back: only 己's news is told, once resumed.
        // Then paused for an hour, which ends by itself.
        row("reminders paused",
            "[MEUserData]\nIncout=2\n[1]\nImis1=70011\nImis2=己\nImis3=1\n[2]\nImis1=70012\nImis2=庚\nImis4="
            "1\n",
            {"70012 is online", "start", "in the tray's menu, choose 直到明天", "70011 is online",
             "70012 is offline", "press 刷新列表", "70012 is online", "press 刷新列表",
             "in the tray's menu, choose 恢复提醒", "an hour lasts a moment",
             "in the tray's menu, choose 1 小时", "70012 is offline", "press 刷新列表", "press 刷新列表"},
            {"notification 1: 己 上线了 / QQ 70011", "notification 2: 庚 下线了 / QQ 70012"});
        // The menu's choices are kept in the list file; the menu opened on a friend selects it.
        row("menu, kept in the file",
            "[MEUserData]\nIncout=4\nInauto=60\n[1]\nImis1=1\nImis2=a\nImis3=1\nImis4=1\n[2]\nImis1=2\nImis2="
            "b\n"
            "[3]\nImis1=3\nImis2=c\n[4]\nImis1=4\nImis2=d\n",
            {"start", "select row 3", "open the menu by its key", "choose 上线提醒",
             "open the menu by its key", "choose 下线提醒", "open the menu below the friends", "choose 关闭",
             "open the menu on row 1", "press 删除QQ", "close the window", "look at the list file"},
            {"box 真的需要删除 【a】 这个吗？ → 是(&Y)", "exit code 0",
             "list file: [MEUserData] Incout=3 Inauto=0 [1] Imis1=2 Imis2=b Imis3=0 Imis4=0 [2] Imis1=3 "
             "Imis2=c Imis3=1 Imis4=1 [3] Imis1=4 Imis2=d [4] Imis1=4 Imis2=d",
             "notification 1: a 上线了 / QQ 1"});
        // A minute lasts less than a run of two friends; the user takes three to fill in the dialog. Then the
        // minutes are the clock's again: the next check is due a whole one after the last.
        row("automatic checks", "[MEUserData]\nIncout=1\nInauto=1\n[1]\nImis1=10001\nImis2=Ann\n",
            {"start", "wait for the check to end",
             "press 添加QQ then wait 3 minutes, type 20002, Tab, type Bob, press 确定",
             "minutes last a minute", "wait for the check to end", "look at the queries",
             "look at when the next check is due"},
            {"queried 10001, 10001, 10001, 20002", "next check in 1 min"});
        // Started in the tray, the window shown by a click on the icon and hidden there by minimising; the
        // tray's tool tip while the first check runs and after it.
        const QString twoFriends = "[MEUserData]\nIncout=2\nInauto=60\n[1]\nImis1=10001\nImis2=甲\nImis3=1\n"
                                   "[2]\nImis1=10002\nImis2=乙\n";
        row("tray", twoFriends,
            {"10001 is online", "a minute lasts a second", "start minimised",
             "during query 1: look at the tray", "look whether the window is shown", "look at the tray",
             "click the tray icon", "look whether the window is shown", "minimise the window",
             "look whether the window is shown", "in the tray's menu, choose 刷新列表", "look at the queries",
             "in the tray's menu, choose 退出程序"},
            {"tray: grey icon, 在线 0/2", "window hidden",
             "tray: icon in colour, 在线 1/2：甲\n下次检测 <time>", "window shown", "window hidden",
             "queried 10001, 10002, 10001, 10002", "exit code 0", "notification 1: 甲 上线了 / QQ 10001"});
        // A tray that comes after the program, one that goes and comes back. Without a tray the window
        // starts and stays minimised, and asks for attention.
        const QString twoUnmarked = "[MEUserData]\nIncout=2\n[1]\nImis1=10001\nImis2=甲\n[2]\nImis1=10002\n"
                                    "Imis2=乙\n";
        row("tray comes late, goes and comes back", twoUnmarked,
            {"the desktop has no tray", "start minimised", "look whether the window is shown",
             "the tray comes", "look whether the window is shown", "click the tray icon",
             "look whether the window is shown", "minimise the window", "the tray goes",
             "look whether the window is shown", "the tray comes", "click the tray icon",
             "minimise the window", "look whether the window is shown"},
            {"window minimised", "window hidden", "window shown", "window minimised", "window hidden"});
        row("no tray", twoFriends,
            {"10001 is online", "the desktop has neither tray nor notification service", "start minimised",
             "minimise the window", "look whether the window is shown"},
            {"window minimised", "window asks for attention"});
        // Marked friends who come online in one check share a notification, a later check starts another;
        // a click on the first shows the window from the tray with the first friend it names. Windows shows
        // the tray's message in place of the one before, as plain text.
        const QString threeMarked =
            "[MEUserData]\nIncout=3\n[1]\nImis1=30003\nImis2=丙\nImis3=1\n[2]\n"
            "Imis1=10001\nImis2=甲\nImis3=1\n[3]\nImis1=<1&2>\nImis2=<b>乙</b>\nImis3=1\n";
#ifdef Q_OS_WIN
        row("notifications", threeMarked,
            {"<1&2> is online", "start minimised", "click the notification",
             "look whether the window is shown", "look at the selected row"},
            {"window shown", "row 2 selected", "notification 1: 甲 上线了 / QQ 10001",
             "notification 2: 甲、<b>乙</b> 上线了 / QQ 10001、QQ <1&2>"});
#else
        row("notifications", threeMarked,
            {"the notification service offers actions, body-markup", "<1&2> is online", "start minimised",
             "30003 is online", "press 刷新列表", "look at the notification's details",
             "click the first notification", "look whether the window is shown", "look at the selected row"},
            {"from Fernwatch, icon fernwatch, category presence.online, desktop entry fernwatch, urgency 1",
             "window shown", "row 2 selected", "notification 1: 甲 上线了 / QQ 10001, clickable",
             "notification 1 updated: 甲、<b>乙</b> 上线了 / QQ 10001、QQ &lt;1&amp;2&gt;, clickable",
             "notification 2: 丙 上线了 / QQ 30003, clickable"});
#endif
        // 开机自动启动 ticked from the menu, where it shows ticked, then unticked; ticked again where the
        // entry cannot be written.
        row("autostart", "",
            {"start", "open the menu below the friends", "choose 开机自动启动",
             "open the menu below the friends", "look at the menu", "choose 开机自动启动",
             "look at the autostart entry", "the autostart entry cannot be written",
             "open the menu below the friends", "choose 开机自动启动"},
            {"menu: 自动刷新(✓关闭, 每 1 分钟, 每 5 分钟, 每 15 分钟, 每 60 分钟), 暂停提醒(1 小时, "
             "直到明天, 恢复提醒 "
             "greyed), ✓开机自动启动",
             "no autostart entry", "box 无法写入开机自动启动项：\n" + unwritable + " → 确定"});
        // 在线记录: 甲 is found online, 乙's check fails; 甲 deleted and added again is still known; 乙's
        // history exported, 甲's cleared.
        const QString pair = "[MEUserData]\nIncout=2\n[1]\nImis1=1\nImis2=甲\n[2]\nImis1=2\nImis2=乙\n";
        row("history", pair,
            {"1 is online",
             "2 is unreachable",
             "start",
             "look at the rows' tool tips",
             "select row 1",
             "press 删除QQ",
             "add friend 1 甲",
             "look at the rows' tool tips",
             "open the menu on row 2",
             "choose 在线记录",
             "look at the history window",
             "in the history window, choose 乙（2）",
             "in the history window, press 导出… then save as 乙.csv",
             "look at the history window",
             "look at the exported file 乙.csv",
             "in the history window, choose 甲（1）",
             "in the history window, press 清除记录 then press 否(&N)",
             "in the history window, press 清除记录 then press 是(&Y)",
             "look at the history window",
             "look at the rows' tool tips"},
            {"tips: 在线，最后在线 今天 <time> / 离线（检测失败），从未在线",
             "box 真的需要删除 【甲】 这个吗？ → 是(&Y)",
             "tips: 离线（检测失败），从未在线 / 离线，最后在线 今天 <time>",
             "history window: 在线记录 - 甲, band 7: 在线 0 分，<time> 在线。 | greyed 下一周",
             "history window: 在线记录 - 乙, band 7: 在线 0 分，<time> 检测失败。 | greyed 下一周 已导出到 "
             "<folder>/乙.csv",
             "乙.csv: 号码,昵称,状态 / 2,乙,未知", "box 真的要清除 【甲】 的全部在线记录吗？ → 否(&N)",
             "box 真的要清除 【甲】 的全部在线记录吗？ → 是(&Y)",
             "history window: 在线记录 - 甲, greyed 下一周 已清除 【甲】 的在线记录",
             "tips: 离线（检测失败），从未在线 / 离线，从未在线"});
#ifndef Q_OS_WIN // Windows has no full disk to stand for
        row("history exported to a full disk", pair,
            {"1 is online", "start", "full.csv leads to a full disk", "open the menu on row 1",
             "choose 在线记录", "in the history window, press 导出… then save as full.csv, press 是(&Y)",
             "look at the history window"},
            {"rich box full.csv 已存在。\n您想要替换它吗？ → 是(&Y)",
             "history window: 在线记录 - 甲, band 7: 在线 0 分，<time> 在线。 | greyed 下一周 "
             "无法导出：设备中已没有剩余空间"});
#endif
        // A damaged history is set aside and the window says so; the checks go on. Then another program
        // holds the new one a while: the checks wait, and are written once it ends.
        row("history damaged, then held", pair,
            {"1 is online", "2 is unreachable", "the history file is damaged", "start",
             "look at the status line", "another program writes the history", "press 刷新列表",
             "look at the status line", "the other program ends", "press 刷新列表", "look at the status line",
             "look at the rows' tool tips"},
            {"status line: 记录文件已损坏，已改名为 QQlist.damaged-<date>.sqlite 保留",
             "status line: 在线记录暂停写入：记录文件正被另一个程序使用",
             "status line: Fernwatch 好友在线监视 · 名单保存在程序所在的文件夹",
             "tips: 在线，最后在线 今天 <time> / 离线（检测失败），从未在线"});
        // Back through the kept year, a week at a time, to the week that holds its first day.
        const QString one = "[MEUserData]\nIncout=1\n[1]\nImis1=1\nImis2=甲\n";
        row("history, weeks back", one,
            {"the history holds 1 在线 9 days ago", "the history holds 1 离线 364 days ago", "start",
             "open the menu on row 1", "choose 在线记录", "in the history window, press 上一周",
             "look at the history window", "in the history window, press 上一周 51 times",
             "look at the history window"},
            {"history window: 在线记录 - 甲, band 5: 在线 0 分，<time> 在线。",
             "history window: 在线记录 - 甲, band 7: 在线 0 分，<time> 离线。 | greyed 上一周"});
        row("history, one day of the whole list", pair,
            {"1 is online", "2 is unreachable", "start", "open the menu on row 1", "choose 在线记录",
             "in the history window, press 全部好友的一天", "look at the history window"},
            {"history window: 在线记录 - 全部好友, band 1: 在线 0 分，<time> 在线。 | band 2: 在线 0 "
             "分，<time> 检测失败。 | greyed 后一天"});
        row("history of a deleted friend", pair,
            {"1 is online", "2 is unreachable", "start", "select row 1", "press 删除QQ",
             "open the menu on row 1", "choose 在线记录", "in the history window, choose 甲（1）",
             "look at the history window", "in the history window, press 清除记录 then press 是(&Y)",
             "in the history window, choose 甲（1）", "look at the history window"},
            {"box 真的需要删除 【甲】 这个吗？ → 是(&Y)",
             "history window: 在线记录 - 甲, band 7: 在线 0 分，<time> 在线。 | greyed 下一周",
             "box 真的要清除 【甲】 的全部在线记录吗？ → 是(&Y)",
             "history window: 在线记录 - 乙, band 7: 在线 0 分，<time> 检测失败。 | greyed 下一周 已清除 "
             "【甲】 的在线记录"});
        // The file dialog and the message box of the history window, in the five skins in their order.
        QStringList read;
        for (int skin = 0; skin < int(std::size(skinChoices)); ++skin)
            read << "导出在线记录: readable"
                 << "在线记录 - 甲: readable"
                 << "box 真的要清除 【甲】 的全部在线记录吗？ → 否(&N)";
        row("dialogs in every skin", one,
            {"start", "open the menu on row 1", "choose 在线记录",
             "in each skin, read the history window's dialogs"},
            read);
    }
    void scenario()
    {
        QFETCH(QString, listFile);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, seen);
        startRow();
        if (!listFile.isEmpty())
            QVERIFY(writeFileBytes(m_path, listFile.toUtf8()));
        m_seen.clear();
        m_skins.clear();
        m_alerts.clear();
        m_queriesSeen = m_service.queriedNumbers().size();
        QDesktopServices::setUrlHandler("https", this, "recordOpenedUrl");
        Form1 form(m_path);
        defineSteps(form);
        if (!run(steps, 0, true))
            return;
        form.findChild<CheckRun*>()->setWaitSlice(20ms);
        form.findChild<AutoRefresh*>()->setSpeedUp(int(1min / minute));
        connect(form.findChild<ReminderNotifier*>(), &ReminderNotifier::alerted, [&](bool inTray) {
            m_alerts << (inTray ? "the tray shows a message" : "window asks for attention");
        });
        const QMetaObject::Connection closed =
            connect(&form, &Form1::closed, [&](int code) { m_seen << "exit code " + QString::number(code); });
        std::function<void(int)> atQuery = [&](int n) {
            m_service.onNextQuery(&form, [&, n] {
                atQuery(n + 1);
                QTimer::singleShot(0, &form, [&, n] { run(steps, n); });
            });
        };
        atQuery(1);

        run(steps, 0);
        const QStringList desktop = desktopSeen();
        QCoreApplication::sendPostedEvents();
        disconnect(closed);
        if (form.isVisible())
            form.close();
        compareSeen(m_seen << desktop << m_alerts, seen);
    }

    // The windows as they open: what a person reads in them, and the way Tab takes.
    void windowLook_data()
    {
        QTest::addColumn<QStringList>("seen");
        QTest::newRow("main window") << QStringList(
            {"title Tamsk.Fernwatch [QQ:2653079661]", "Frame1 已存在的QQ名单：", "ListView1 已存在的QQ名单",
             "Frame2 更换皮肤", "Option1 黑色超酷皮肤", "Option2 中国祥云皮肤", "Option4 MSN皮肤",
             "Option5 QQ影音皮肤", "Option3 恢复默认皮肤", "Frame3 操作项", "Command2 添加QQ",
             "Command3 删除QQ", "Command1 刷新列表", "Command4 访问Sabo博客", "Command5 退出程序",
             "StatusBar1 Fernwatch 好友在线监视 · 名单保存在程序所在的文件夹",
             "Tab order: ListView1 Command1 Command2 Command3 Command4 Command5 Option1 "
             "Option2 Option3 Option4 Option5"});
        QTest::newRow("add dialog") << QStringList(
            {"title Tamsk.Fernwatch【添加QQ】", "Label1 好友号码：", "Command1 确定", "Label2 好友昵称：",
             "Command2 放弃", "StatusBar1 PellSabo提示：号码只能为数字，否则程序将出错!",
             "Tab order: Text2 Command1 Command2 Text1"});
    }
    void windowLook()
    {
        QFETCH(QStringList, seen);
        startRow();
        Form1 form(m_path);
        form.load();
        Form2 dialog(&form);
        qApp->removeEventFilter(this); // the dialog stays open to be read
        QWidget* window = &form;
        if (QTest::currentDataTag() == QByteArray("add dialog"))
            dialog.show(), window = &dialog;
        const QStringList read = look(window);
        qApp->installEventFilter(this);
        compareSeen(read, seen);
    }

    // The list's menu, opened on a friend with its marks or below the friends, with 自动刷新's choice, the
    // autostart entry, and reminders paused or not.
    void listMenu_data()
    {
        QTest::addColumn<QString>("openedOn");
        QTest::addColumn<int>("refreshMinutes");
        QTest::addColumn<bool>("autostart");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("items");
        QTest::newRow("friend marked for both, reminders paused")
            << "a friend marked for both" << 0 << false << true
            << "✓上线提醒, ✓下线提醒, 在线记录, —, 自动刷新(✓关闭, 每 1 分钟, 每 5 分钟, 每 15 分钟, 每 60 "
               "分钟), "
               "暂停提醒(1 小时, 直到明天, 恢复提醒), 开机自动启动";
        QTest::newRow("friend marked for 上线提醒, checks every 5 minutes")
            << "a friend marked for 上线提醒" << 5 << false << false
            << "✓上线提醒, 下线提醒, 在线记录, —, 自动刷新(关闭, 每 1 分钟, ✓每 5 分钟, 每 15 分钟, 每 60 "
               "分钟), "
               "暂停提醒(1 小时, 直到明天, 恢复提醒 greyed), 开机自动启动";
        QTest::newRow("below the friends, started at login")
            << "no friend" << 15 << true << false
            << "自动刷新(关闭, 每 1 分钟, 每 5 分钟, ✓每 15 分钟, 每 60 分钟), 暂停提醒(1 小时, 直到明天, "
               "恢复提醒 "
               "greyed), ✓开机自动启动";
    }
    void listMenu()
    {
        QFETCH(QString, openedOn);
        QFETCH(int, refreshMinutes);
        QFETCH(bool, autostart);
        QFETCH(bool, paused);
        QFETCH(QString, items);
        const QMap<QString, std::optional<ListMenu::Marks>> marks = {
            {"a friend marked for both", ListMenu::Marks{true, true}},
            {"a friend marked for 上线提醒", ListMenu::Marks{true, false}},
            {"no friend", std::nullopt}};
        QVERIFY2(marks.contains(openedOn), qPrintable("unknown: " + openedOn));
        ReminderPause pause;
        if (paused)
            pause.pauseForAnHour();
        QWidget window;
        QCOMPARE(menuItems(new ListMenu(marks[openedOn], refreshMinutes, autostart, pause, &window)), items);
    }

    // The tray's picture and tool tip for the friends' states ("nickname online", "… offline"), with
    // automatic checks and reminders paused or not.
    void trayToolTip_data()
    {
        QTest::addColumn<QString>("friends");
        QTest::addColumn<int>("refreshMinutes");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QStringList>("seen");
        // The last friend of the list is online too.
        QTest::newRow("six online") << "a online, b online, c offline, d online, e online, f online, g online"
                                    << 0 << false
                                    << QStringList({"icon in colour", "在线 6/7：a、b、d、e、f等"});
        QTest::newRow("checks every 5 minutes, reminders paused")
            << "甲 online" << 5 << true
            << QStringList({"icon in colour", "在线 1/1：甲", "下次检测 <time>", "提醒已暂停至 <time>"});
    }
    void trayToolTip()
    {
        QFETCH(QString, friends);
        QFETCH(int, refreshMinutes);
        QFETCH(bool, paused);
        QFETCH(QStringList, seen);
        startRow();
        FriendListModel list;
        WebBrowser browser;
        CheckRun run(list, browser);
        QWidget window;
        AutoRefresh autoRefresh(run, &window);
        ReminderPause pause;
        TrayIcon tray(list, autoRefresh, pause, nullptr);
        tray.show();
        const QSystemTrayIcon* icon = nullptr;
        QTRY_VERIFY((icon = tray.systemTrayIcon()));
        for (const QString& one : friends.split(", ")) {
            QVERIFY2(one.endsWith(" online") || one.endsWith(" offline"), qPrintable(one));
            list.endQuery(list.addFriend("1", one.section(' ', 0, 0)),
                          one.endsWith("online") ? PresenceState::Online : PresenceState::Offline);
        }
        autoRefresh.setMinutes(refreshMinutes);
        if (paused)
            pause.pauseUntilTomorrow();
        QCoreApplication::processEvents(); // the tray is updated once the changes are in
        compareSeen(QStringList(trayPicture(*icon)) + icon->toolTip().split('\n'), seen);
    }

    // The autostart entry, for this program and for one in a folder since moved: how it starts the program,
    // and whether 开机自动启动 counts it as ticked. Linux quotes the program as a
    // desktop entry's Exec key does.
    void autostart_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("this program")
            << qApp->applicationFilePath() << "\"<this program>\" --minimized" << true;
#ifdef Q_OS_WIN
        QTest::newRow("a program since moved")
            << "C:/moved/My $programs/Fernwatch.exe"
            << "\"C:\\moved\\My $programs\\Fernwatch.exe\" --minimized" << false;
#else
        QTest::newRow("a program since moved")
            << "/moved/My $programs/Fernwatch"
            << "\"/moved/My \\\\$programs/Fernwatch\" --minimized" << false;
#endif
    }
    void autostart()
    {
        QFETCH(QString, program);
        QFETCH(QString, entry);
        QFETCH(bool, ticked);
        startRow();
        AutostartEntry written(program);
        QVERIFY(!written.setOn(true));
        QCOMPARE(plain(autostartEntry()), entry);
        QCOMPARE(AutostartEntry().isOn(), ticked);
    }

    // A known week painted at scale factor 2: how the bands look at a few moments ("month-day time look"),
    // what pointing at a moment tells, and what a screen reader is told. Periods are "state from to", times
    // of 2026 in local time.
    void weekChart()
    {
        const QString periods =
            "在线 12-01 08:00 12-01 12:30, 离线 12-01 12:45 12-01 18:00, 未知 12-02 09:00 12-02 11:00, "
            "在线 12-03 22:00 12-04 02:15, 离线 12-06 10:00 12-06 10:00, 在线 12-07 14:05 12-07 17:17, "
            "在线 12-07 19:00 12-07 19:00";
        const QString seen =
            "12-01 10:30 warm, 12-01 12:38 pale, 12-01 16:30 grey, 12-02 10:30 hatched, 12-02 16:30 empty, "
            "12-04 01:30 warm, 12-05 13:30 empty, 12-07 16:30 warm, 12-07 19:00 warm, 12-07 20:30 empty";
        const QString tips =
            "12-03 23:00 在线 12月3日 22:00 – 12月4日 02:15（4 小时 15 分）, 12-06 10:00 离线 10:00（0 分）, "
            "12-01 12:40 两次检测之间 12:30 – 12:45（15 分）";
        const QString told =
            "12月1日 周二：在线 4 小时 30 分，08:00–12:30 在线，12:30–12:45 两次检测之间，12:45–18:00 "
            "离线。\n"
            "12月2日 周三：在线 0 分，09:00–11:00 检测失败。\n12月3日 周四：在线 2 小时，22:00–24:00 在线。\n"
            "12月4日 周五：在线 2 小时 15 分，00:00–02:15 在线。\n12月5日 周六：没有记录。\n"
            "12月6日 周日：在线 0 分，10:00 离线。\n12月7日 周一：在线 3 小时 12 分，14:05–17:17 在线，19:00 "
            "在线。";
        const auto at = [](const QString& time) {
            return QDateTime::fromString("2026-" + time, "yyyy-MM-dd HH:mm").toMSecsSinceEpoch();
        };
        const QStringList states = {"", "在线", "离线", "未知"};
        QVector<PresencePeriod> week;
        for (const QString& p : periods.split(", "))
            week.append({PresenceState(states.indexOf(p.section(' ', 0, 0))), at(p.section(' ', 1, 2)),
                         at(p.section(' ', 3, 4)), QString()});
        PresenceChart chart;
        chart.setWeek(week, QDate(2026, 12, 7), at("12-07 19:00")); // now
        chart.resize(chart.sizeHint());
        QImage picture(chart.size() * 2, QImage::Format_RGB32);
        picture.setDevicePixelRatio(2);
        chart.render(&picture);

        QStringList looks;
        for (const QString& sight : seen.split(", ")) {
            const QString moment = sight.section(' ', 0, 1);
            const QPoint point = (chart.pointAt(at(moment)) * 2).toPoint();
            // Hatching shows its dark lines somewhere along a stretch as long as it repeats; anything else
            // is told by the moment's own pixel, which may be a single check's.
            bool hatched = false;
            for (int x = 0; x < 8; ++x)
                hatched |= QColor(picture.pixel(point + QPoint(x, 0))).lightness() < 110;
            looks << moment + ' ' + (hatched ? "hatched" : colourName(picture.pixel(point)));
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
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
