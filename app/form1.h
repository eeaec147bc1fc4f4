#pragma once

#include "friendlistfile.h"
#include "friendlistmodel.h"
#include "historystore.h"

#include <QWidget>

class AutoRefresh;
class CheckRun;
class FriendListView;
class HistoryRecorder;
class HistoryWindow;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStatusBar;
class ReminderNotifier;
class ReminderPause;
class TrayIcon;
class WebBrowser;
class WindowsXPC;

// The main window: the friend list, the skin choice and the commands. It owns everything that
// lives as long as the program; its load runs the start-up sequence, its close saves the list.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(const QString& listFilePath = FriendListFile::defaultPath(), QWidget* parent = nullptr);

    static QString windowTitleText();
    static const QString makerQqNumber;
    static const QString makerWebPage;
    static const QString statusBarText;

    FriendListModel& friendList() { return m_friendList; }
    // The load leaves the window in the tray, or minimised where there is none, instead of showing it.
    void setStartMinimized(bool minimized) { m_startMinimized = minimized; }

public slots:
    // The start-up sequence: default skin, open the list file, visual style, load the friends and,
    // when a count was stored, show the window and press the refresh button.
    void load();
    // Closing by the system (the session ends, a termination signal): save, then end.
    void closeForSystem();
    // Another start, the tray or a notification asks for this window: show it from the tray, un-minimise,
    // raise and activate it, once the load has read the list.
    void bringForward();

signals:
    // The close sequence has run: the list is saved (exit code 0) or could not be (1); the program ends.
    void closed(int exitCode);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Minimised, the window goes to the tray where there is one.
    void changeEvent(QEvent* event) override;
    // Tells the user that the list could not be saved. A message box; tests answer it themselves.
    virtual void showSaveFailure(const QString& message);
    // Asks the delete question; true when the user answers Yes. A message box; tests answer it themselves.
    virtual bool confirmDeletion(const QString& question);

private slots:
    // The commands of "添加QQ", "删除QQ" and "访问Sabo博客"; "退出程序" closes the window.
    void openAddFriendDialog();
    void deleteSelectedFriend();
    void visitMakersPage();
    // The list's right-click menu: the reminder marks of the friend it names, and automatic checks.
    void openListMenu(const QModelIndex& named, const QPoint& globalPos);
    void setAutostart(bool on);
    void showFriend(const QModelIndex& friendIndex);
    void openHistory(const QString& number);
    // The tray has come or gone: the window goes into it, or out of it.
    void followTray();
    // Says in the status line how the online history is: off for this run, held by another program, or
    // on (what became of a damaged file, or the usual text).
    void showHistoryState();

private:
    enum class CloseReason
    {
        User,
        System
    };

    void createControls();
    void setTabOrder();
    void connectSkinOptions();
    void connectPresenceChecking();
    void connectCommands();
    void connectReminders();
    void connectTray();
    void connectHistory();
    void openHistoryStore();
    void presentAtStart();
    void showCentred();
    void closeSequence(CloseReason reason);
    QString saveFailureMessage() const;
    static QString deleteQuestion(const QString& nickname);

    FriendListModel m_friendList;
    FriendListFile m_listFile;
    HistoryStore m_history;
    QString m_listFilePath;
    bool m_closing = false;
    bool m_startMinimized = false;
    bool m_presented = false; // the load has shown the window, or left it in the tray or minimised
    bool m_placed = false;    // centred once; later shows keep where the user left it
    bool m_bringForwardOnShow = false;

    QGroupBox* m_frame1 = nullptr;
    FriendListView* m_listView1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QList<QRadioButton*> m_skinOptions; // Option1 to Option5 in the skin table's order
    QGroupBox* m_frame3 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_command3 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command4 = nullptr;
    QPushButton* m_command5 = nullptr;
    QStatusBar* m_statusBar1 = nullptr;
    WindowsXPC* m_windowsXPC1 = nullptr;
    WebBrowser* m_webBr = nullptr;
    CheckRun* m_checkRun = nullptr;
    AutoRefresh* m_autoRefresh = nullptr;
    ReminderPause* m_pause = nullptr;
    ReminderNotifier* m_notifier = nullptr;
    TrayIcon* m_tray = nullptr;
    HistoryRecorder* m_recorder = nullptr;
    HistoryWindow* m_historyWindow = nullptr; // made at its first opening
};
