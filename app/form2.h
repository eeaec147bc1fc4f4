#pragma once

#include <QDialog>

class FriendListModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class WindowsXPC;

// The add-friend dialog: a QQ number and a nickname, appended to the main window's friend list on OK.
// It is made anew for every opening and destroyed when it closes.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    explicit Form2(FriendListModel& friendList, QWidget* parent = nullptr);

private slots:
    void addFriend();

private:
    void createControls();
    void setTabOrder();

    FriendListModel& m_friendList;

    QLabel* m_label1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QStatusBar* m_statusBar1 = nullptr;
    WindowsXPC* m_windowsXPC1 = nullptr;
};
