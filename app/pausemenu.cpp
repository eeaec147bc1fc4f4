#include "pausemenu.h"

#include "reminderpause.h"

PauseMenu::PauseMenu(ReminderPause& pause, QWidget* parent)
    : QMenu(QStringLiteral("暂停提醒"), parent)
{
    connect(addAction(QStringLiteral("1 小时")), &QAction::triggered, &pause, &ReminderPause::pauseForAnHour);
    connect(addAction(QStringLiteral("直到明天")), &QAction::triggered, &pause,
            &ReminderPause::pauseUntilTomorrow);
    QAction* resume = addAction(QStringLiteral("恢复提醒"));
    connect(resume, &QAction::triggered, &pause, &ReminderPause::resume);
    const auto offerResume = [resume, &pause] { resume->setEnabled(pause.isPaused()); };
    offerResume();
    connect(&pause, &ReminderPause::changed, resume, offerResume);
}
