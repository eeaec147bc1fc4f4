#pragma once

#include <QMenu>

class ReminderPause;

// 暂停提醒, in the tray's menu and the list's: 1 小时, 直到明天, and 恢复提醒 while reminders are paused.
class PauseMenu : public QMenu
{
    Q_OBJECT

public:
    PauseMenu(ReminderPause& pause, QWidget* parent);
};
