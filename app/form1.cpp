#include "form1.h"

#include "appicon.h"
#include "applyskin.h"
#include "autorefresh.h"
#include "autostartentry.h"
#include "checkrun.h"
#include "consolestream.h"
#include "displaytext.h"
#include "failuretext.h"
#include "form2.h"
#include "formlayout.h"
#include "friendlistview.h"
#include "historyrecorder.h"
#include "historywindow.h"
#include "listmenu.h"
#include "plaintextbox.h"
#include "remindernotifier.h"
#include "reminderpause.h"
#include "skinchoice.h"
#include "trayicon.h"
#include "webbrowser.h"
#include "windowsxpc.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>
#include <iterator>

const QString Form1::makerQqNumber = QStringLiteral("2653079661");
const QString Form1::makerWebPage = QStringLiteral("https://github.com/tamsk/fernwatch");
const QString Form1::statusBarText = QStringLiteral("Fernwatch 好友在线监视 · 名单保存在程序所在的文件夹");

Form1::Form1(const QString& listFilePath, QWidget* parent)
    : QWidget(parent, Qt::Window | fixedCloseOnlyFrame)
    , m_listFilePath(listFilePath)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(windowTitleText());
    setWindowIcon(fernwatchIcon());
    useCaptionFont(this);
    setFixedSize(twips(0, 0, 7575, 5985).size());

    createControls();
    setTabOrder();
    connectSkinOptions();
    connectPresenceChecking();
    connectCommands();
    connectReminders();
    connectTray();
    connectHistory();
}

QString Form1::windowTitleText()
{
    return QStringLiteral("Tamsk.Fernwatch [QQ:") + makerQqNumber + QLatin1Char(']');
}

void Form1::createControls()
{
    // The frames come first so that they lie beneath the controls drawn inside them; every control
    // is the window's own child, which also makes the five skin options one exclusive group.
    m_frame1 = captioned<QGroupBox>(this, "Frame1", "已存在的QQ名单：", twips(120, 240, 7215, 3495));
    m_frame2 = captioned<QGroupBox>(this, "Frame2", "更换皮肤", twips(120, 3840, 7215, 615));
    m_frame3 = captioned<QGroupBox>(this, "Frame3", "操作项", twips(120, 4560, 7215, 855));

    m_listView1 = place(new FriendListView(this), "ListView1", twips(240, 480, 6975, 3135));
    m_listView1->setFriendList(&m_friendList);
    // A screen reader names the list after its frame, as the eye reads it.
    m_listView1->setAccessibleName(m_frame1->title().chopped(1)); // without the caption's colon

    // Left to right in the skin table's order; each option lies over the edge of the one before.
    const QRect optionPlaces[] = {twips(240, 4080, 1695, 255), twips(1680, 4080, 1455, 255),
                                  twips(3240, 4080, 1335, 255), twips(4320, 4080, 1455, 255),
                                  twips(5760, 4080, 1455, 255)};
    static_assert(std::size(optionPlaces) == std::size(skinChoices));
    for (std::size_t i = 0; i < std::size(skinChoices); ++i)
        m_skinOptions << captioned<QRadioButton>(this, skinChoices[i].option, skinChoices[i].caption,
                                                 optionPlaces[i]);

    m_command2 = captioned<QPushButton>(this, "Command2", "添加QQ", twips(240, 4800, 1335, 435));
    m_command3 = captioned<QPushButton>(this, "Command3", "删除QQ", twips(1680, 4800, 1335, 435));
    m_command1 = captioned<QPushButton>(this, "Command1", "刷新列表", twips(3120, 4800, 1215, 435));
    m_command4 = captioned<QPushButton>(this, "Command4", "访问Sabo博客", twips(4440, 4800, 1335, 435));
    m_command5 = captioned<QPushButton>(this, "Command5", "退出程序", twips(5880, 4800, 1335, 435));

    m_statusBar1 = statusBarWithPanel(this, twips(0, 5490, 7575, 495), 7545, statusBarText);

    m_windowsXPC1 = new WindowsXPC(this);

    // Below the bottom edge of the window: it works, but is never seen.
    m_webBr = place(new WebBrowser(this), "WebBr", twips(4200, 6060, 1755, 255));
}

void Form1::setTabOrder()
{
    // The designed order; controls that take no focus (status bar, frames) are left out of the chain.
    QList<QWidget*> chain = {m_webBr,    m_listView1, m_command1, m_command2,
                             m_command3, m_command4,  m_command5};
    for (const char* option : {"Option1", "Option2", "Option3", "Option4", "Option5"})
        chain << findChild<QRadioButton*>(QLatin1String(option));
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void Form1::connectSkinOptions()
{
    for (std::size_t i = 0; i < std::size(skinChoices); ++i) {
        const QString clickFile = QString::fromLatin1(skinChoices[i].clickFile);
        connect(m_skinOptions[i], &QRadioButton::clicked, this, [clickFile](bool selected) {
            if (selected)
                ApplySkin(clickFile);
        });
    }
}

void Form1::connectPresenceChecking()
{
    m_checkRun = new CheckRun(m_friendList, *m_webBr, this);
    connect(m_command1, &QPushButton::clicked, m_checkRun, &CheckRun::refresh);
}

void Form1::connectCommands()
{
    connect(m_command2, &QPushButton::clicked, this, &Form1::openAddFriendDialog);
    connect(m_command3, &QPushButton::clicked, this, &Form1::deleteSelectedFriend);
    connect(m_command4, &QPushButton::clicked, this, &Form1::visitMakersPage);
    // Exiting is closing: the list is saved on the way out.
    connect(m_command5, &QPushButton::clicked, this, &Form1::close);
}

void Form1::connectReminders()
{
    m_autoRefresh = new AutoRefresh(*m_checkRun, this);
    // The very run that the refresh button starts.
    connect(m_autoRefresh, &AutoRefresh::refreshDue, m_command1, &QPushButton::click);
    m_pause = new ReminderPause(this);
    m_tray = new TrayIcon(m_friendList, *m_autoRefresh, *m_pause, this);
    m_notifier = new ReminderNotifier(m_friendList, *m_tray, *m_pause, this);
    connect(&m_friendList, &FriendListModel::news, m_notifier, &ReminderNotifier::tell);
    // A run's news is its own, also where another run nests in it.
    connect(m_checkRun, &CheckRun::runEntered, m_notifier, &ReminderNotifier::endNotices);
    connect(m_checkRun, &CheckRun::runEnded, m_notifier, &ReminderNotifier::endNotices);
    connect(m_notifier, &ReminderNotifier::friendChosen, this, &Form1::showFriend);
    connect(m_listView1, &FriendListView::menuRequested, this, &Form1::openListMenu);
}

void Form1::connectTray()
{
    connect(m_tray, &TrayIcon::showRequested, this, &Form1::bringForward);
    // The window's own buttons: refreshing and exiting from the tray are the very same.
    connect(m_tray, &TrayIcon::refreshRequested, m_command1, &QPushButton::click);
    connect(m_tray, &TrayIcon::exitRequested, m_command5, &QPushButton::click);
    connect(m_tray, &TrayIcon::trayChanged, this, &Form1::followTray);
}

void Form1::connectHistory()
{
    m_recorder = new HistoryRecorder(m_friendList, m_history, this);
    connect(m_recorder, &HistoryRecorder::storeChanged, this, &Form1::showHistoryState);
    connect(m_checkRun, &CheckRun::answered, m_recorder, &HistoryRecorder::record);
    // What a run's checks only extended is written when the run ends.
    connect(m_checkRun, &CheckRun::runEnded, m_recorder, &HistoryRecorder::flush);
}

void Form1::openHistoryStore()
{
    m_history.open(HistoryStore::pathFor(m_listFilePath));
    m_recorder->showLastSeen();
}

void Form1::showHistoryState()
{
    const QString reason = FailureText::ofHistory(m_history.failure());
    showWhole(m_statusBar1->findChild<QLabel*>(),
              !m_history.isOpen()  ? QStringLiteral("在线记录已关闭：") + reason
              : m_history.isHeld() ? QStringLiteral("在线记录暂停写入：") + reason
              : reason.isEmpty()   ? statusBarText
                                   : reason);
}

void Form1::openHistory(const QString& number)
{
    if (!m_historyWindow) {
        m_historyWindow = new HistoryWindow(m_history, m_friendList.storedFriends(), number, this);
        connect(m_historyWindow, &HistoryWindow::cleared, m_recorder, &HistoryRecorder::forget);
    } else {
        m_historyWindow->setFriends(m_friendList.storedFriends());
    }
    m_historyWindow->showFriend(number);
}

void Form1::openListMenu(const QModelIndex& named, const QPoint& globalPos)
{
    std::optional<ListMenu::Marks> marks;
    if (named.isValid())
        marks = {m_friendList.reminder(named, Reminder::Online),
                 m_friendList.reminder(named, Reminder::Offline)};
    auto* menu = new ListMenu(marks, m_autoRefresh->minutes(), AutostartEntry().isOn(), *m_pause, this);
    // The friend, wherever it stands when the choice is made.
    const QPersistentModelIndex marked = named;
    const auto markAs = [this, marked](Reminder news) {
        return [this, marked, news](bool on) { m_friendList.setReminder(marked, news, on); };
    };
    connect(menu, &ListMenu::reminderToggled, this, markAs(Reminder::Online));
    connect(menu, &ListMenu::offlineReminderToggled, this, markAs(Reminder::Offline));
    connect(menu, &ListMenu::historyChosen, this, [this, marked] {
        if (marked.isValid())
            openHistory(m_friendList.number(marked));
    });
    connect(menu, &ListMenu::refreshChosen, m_autoRefresh, &AutoRefresh::setMinutes);
    // Its message box opens once the menu has closed and gone.
    connect(menu, &ListMenu::autostartToggled, this, &Form1::setAutostart, Qt::QueuedConnection);
    menu->popup(globalPos);
}

void Form1::setAutostart(bool on)
{
    if (const Failure failure = AutostartEntry().setOn(on))
        PlainTextBox::tell(this, QMessageBox::Warning, QStringLiteral("开机自动启动"),
                           (on ? QStringLiteral("无法写入开机自动启动项：\n%1\n%2")
                               : QStringLiteral("无法删除开机自动启动项：\n%1\n%2"))
                               .arg(AutostartEntry::location(), FailureText::ofAutostart(failure)));
}

void Form1::showFriend(const QModelIndex& friendIndex)
{
    bringForward();
    m_listView1->selectFriend(friendIndex);
}

void Form1::openAddFriendDialog()
{
    // A new dialog at every opening, so that nothing typed before is shown again.
    Form2 dialog;
    ApplySelectedSkin(this, &dialog);
    if (dialog.exec() == QDialog::Accepted)
        m_friendList.addFriend(dialog.number(), dialog.nickname());
}

void Form1::deleteSelectedFriend()
{
    const int asked = m_listView1->selectedPosition();
    if (asked == 0)
        return;
    if (!confirmDeletion(deleteQuestion(m_friendList.nickname(asked))))
        return;
    // The selection may have moved while the question was open; the entry selected now goes.
    m_friendList.remove(m_listView1->selectedPosition());
}

QString Form1::deleteQuestion(const QString& nickname)
{
    return QStringLiteral("真的需要删除 【") + displayText(nickname) + QStringLiteral("】 这个吗？");
}

void Form1::visitMakersPage()
{
    if (!QDesktopServices::openUrl(QUrl(makerWebPage)))
        PlainTextBox::tell(this, QMessageBox::Warning, QStringLiteral("访问Sabo博客"),
                           QStringLiteral("无法启动网页浏览器。请把下面的网址复制到浏览器中打开：\n") +
                               makerWebPage);
}

void Form1::load()
{
    ApplySkin(defaultSkinFile);
    m_listFile.open(m_listFilePath);
    StartVisualStyle(this);
    StoredList stored;
    const bool counted = m_listFile.load(&stored);
    m_friendList.appendStored(stored.friends);
    m_autoRefresh->setMinutes(stored.refreshMinutes);
    openHistoryStore();
    m_tray->show();
    if (counted) {
        // The loaded list is on the screen before the first check run begins.
        presentAtStart();
        repaint();
        m_command1->click();
    }
    // The start-up run may have ended with the window closed; it stays closed.
    if (!m_closing)
        presentAtStart();
}

void Form1::presentAtStart()
{
    if (std::exchange(m_presented, true))
        return;
    if (m_bringForwardOnShow)
        return bringForward();
    if (m_startMinimized && m_tray->isInTray())
        return;
    showCentred();
    // Minimised once shown: set before, the state never reached the X11 window manager, and the window
    // came up normal.
    if (m_startMinimized)
        setWindowState(windowState() | Qt::WindowMinimized);
}

void Form1::showCentred()
{
    if (!std::exchange(m_placed, true))
        centreOnScreen(this);
    show();
}

void Form1::bringForward()
{
    if (m_closing)
        return;
    // Before the load has read the list, showing the window would show it empty.
    m_bringForwardOnShow = !m_presented;
    if (m_bringForwardOnShow)
        return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showCentred();
    raise();
    activateWindow();
}

void Form1::followTray()
{
    if (m_closing || !m_presented)
        return;
    // A window iconified for want of a tray goes to the one that came; one hidden in a tray that went comes
    // back iconified, where the taskbar shows it.
    if (m_tray->isInTray() && isMinimized())
        return hide();
    if (!m_tray->isInTray() && isHidden()) {
        showCentred();
        setWindowState(windowState() | Qt::WindowMinimized);
    }
}

void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Hidden once the state change is over: hiding within it would leave the desktop's record half-done.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_tray->isInTray())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closing cannot be refused.
    event->accept();
    closeSequence(CloseReason::User);
}

void Form1::closeForSystem()
{
    closeSequence(CloseReason::System);
}

void Form1::closeSequence(CloseReason reason)
{
    if (m_closing)
        return;
    m_closing = true;

    // Before the list has been read there is nothing to save, and a save would empty the file.
    const bool listRead = !m_listFile.filePath().isEmpty();
    m_autoRefresh->stop();
    m_recorder->flush();
    const bool saved = !listRead || m_listFile.save({m_friendList.storedFriends(), m_autoRefresh->minutes()});
    if (!saved) {
        // Nobody may be there to answer a box when the system ends the session.
        if (reason == CloseReason::User)
            showSaveFailure(saveFailureMessage());
        else
            ConsoleStream::printError(saveFailureMessage());
    }
    hide();
    m_tray->remove();
    // A check run in progress (the start-up one included) is abandoned where it stands.
    m_checkRun->stop();
    emit closed(saved ? 0 : 1);
}

QString Form1::saveFailureMessage() const
{
    return QStringLiteral("无法保存好友名单，本次的修改没有写入文件：\n%1\n%2")
        .arg(QDir::toNativeSeparators(m_listFile.filePath()), FailureText::ofListFile(m_listFile.failure()));
}

void Form1::showSaveFailure(const QString& message)
{
    PlainTextBox::tell(this, QMessageBox::Critical, QStringLiteral("保存失败"), message);
}

bool Form1::confirmDeletion(const QString& question)
{
    return PlainTextBox::ask(this, QMessageBox::Question, QStringLiteral("删除"), question,
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}
