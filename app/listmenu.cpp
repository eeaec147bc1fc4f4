#include "listmenu.h"

#include "autorefresh.h"
#include "pausemenu.h"

#include <QActionGroup>

ListMenu::ListMenu(std::optional<Marks> marks, int refreshMinutes, bool autostart, ReminderPause& pause,
                   QWidget* parent)
    : QMenu(parent)
{
    // Deleted later, as the chosen item is triggered only after the menu has begun to hide.
    connect(this, &QMenu::aboutToHide, this, &QObject::deleteLater);
    if (marks) {
        connect(addTick(QStringLiteral("上线提醒"), marks->online), &QAction::toggled, this,
                &ListMenu::reminderToggled);
        connect(addTick(QStringLiteral("下线提醒"), marks->offline), &QAction::toggled, this,
                &ListMenu::offlineReminderToggled);
        connect(addAction(QStringLiteral("在线记录")), &QAction::triggered, this, &ListMenu::historyChosen);
        addSeparator();
    }
    QMenu* refresh = addMenu(QStringLiteral("自动刷新"));
    auto* oneChoice = new QActionGroup(refresh);
    for (int minutes : AutoRefresh::choices) {
        QAction* choice =
            refresh->addAction(minutes ? QStringLiteral("每 %1 分钟").arg(minutes) : QStringLiteral("关闭"));
        choice->setCheckable(true);
        choice->setChecked(minutes == refreshMinutes);
        oneChoice->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, minutes] { emit refreshChosen(minutes); });
    }
    addMenu(new PauseMenu(pause, this));
    connect(addTick(QStringLiteral("开机自动启动"), autostart), &QAction::toggled, this,
            &ListMenu::autostartToggled);
}

QAction* ListMenu::addTick(const QString& text, bool ticked)
{
    QAction* item = addAction(text);
    item->setCheckable(true);
    item->setChecked(ticked);
    return item;
}
