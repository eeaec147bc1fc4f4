#pragma once

#include <QMenu>
#include <optional>

class ReminderPause;

// The list's right-click menu: 上线提醒 and 下线提醒 for the friend it was opened on, each ticked when that
// friend is so marked, and 在线记录, which opens the friend's online history; then 自动刷新 with its choices,
// the one in force ticked, 暂停提醒, and 开机自动启动, ticked while the desktop starts the program at login.
// Opened where there is no friend, it holds the last three alone. It deletes itself once closed.
class ListMenu : public QMenu
{
    Q_OBJECT

public:
    // A friend's marks: to be told when it comes online, and when it goes offline.
    struct Marks
    {
        bool online, offline;
    };

    // `marks` are the friend's, or none where the menu was opened on no friend.
    ListMenu(std::optional<Marks> marks, int refreshMinutes, bool autostart, ReminderPause& pause,
             QWidget* parent);

signals:
    void reminderToggled(bool reminder);
    void offlineReminderToggled(bool reminder);
    void historyChosen();
    void refreshChosen(int minutes);
    void autostartToggled(bool autostart);

private:
    // A checkable item, ticked or not.
    QAction* addTick(const QString& text, bool ticked);
};
