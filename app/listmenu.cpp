#include "listmenu.h"

#include "autorefresh.h"

#include <QActionGroup>

ListMenu::ListMenu(std::optional<bool> reminder, int refreshMinutes, QWidget* parent)
    : QMenu(parent)
{
    // Deleted later, as the chosen item is triggered only after the menu has begun to hide.
    connect(this, &QMenu::aboutToHide, this, &QObject::deleteLater);
    if (reminder) {
        QAction* mark = addAction(QStringLiteral("上线提醒"));
        mark->setCheckable(true);
        mark->setChecked(*reminder);
        connect(mark, &QAction::toggled, this, &ListMenu::reminderToggled);
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
}
