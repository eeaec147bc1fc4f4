#pragma once

#include <QMenu>
#include <optional>

// The list's right-click menu: 上线提醒 for the friend it was opened on, ticked when that friend is
// marked, and 在线记录, which opens the friend's online history; then 自动刷新 with its choices, the one in
// force ticked, and 开机自动启动, ticked while the desktop starts the program at login. Opened where there is
// no friend, it holds the last two alone. It deletes itself once closed.
class ListMenu : public QMenu
{
    Q_OBJECT

public:
    // `reminder` is the friend's mark, or none where the menu was opened on no friend.
    ListMenu(std::optional<bool> reminder, int refreshMinutes, bool autostart, QWidget* parent);

signals:
    void reminderToggled(bool reminder);
    void historyChosen();
    void refreshChosen(int minutes);
    void autostartToggled(bool autostart);

private:
    // A checkable item, ticked or not.
    QAction* addTick(const QString& text, bool ticked);
};
