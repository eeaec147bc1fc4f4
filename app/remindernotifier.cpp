#include "remindernotifier.h"

#include "appicon.h"
#include "desktopnotice.h"
#include "displaytext.h"
#include "friendlistmodel.h"
#include "reminderpause.h"
#include "trayicon.h"

#include <QApplication>
#include <QWidget>

namespace {

// Between the friends a notice names.
const QString listSeparator = QStringLiteral("、");
// What a notice says of its friends, by Reminder.
const QString saying[] = {QStringLiteral(" 上线了"), QStringLiteral(" 下线了")};

} // namespace

ReminderNotifier::ReminderNotifier(const FriendListModel& friends, TrayIcon& tray, const ReminderPause& pause,
                                   QWidget* window)
    : QObject(window)
    , m_friends(friends)
    , m_tray(tray)
    , m_pause(pause)
    , m_window(window)
    , m_notices{makeNotice(QStringLiteral("presence.online")), makeNotice(QStringLiteral("presence.offline"))}
{
    connect(&pause, &ReminderPause::resumed, this, &ReminderNotifier::tellHeld);
}

ReminderNotifier::Notice ReminderNotifier::makeNotice(const QString& category)
{
    auto* desktop = new DesktopNotice(fernwatchIcon(), category, this);
    desktop->setTray(m_tray.systemTrayIcon());
    connect(&m_tray, &TrayIcon::trayChanged, desktop,
            [this, desktop] { desktop->setTray(m_tray.systemTrayIcon()); });
    connect(desktop, &DesktopNotice::clicked, this,
            [this](const QVariant& tag) { emit friendChosen(tag.value<QPersistentModelIndex>()); });
    connect(desktop, &DesktopNotice::failed, this, &ReminderNotifier::fallBack);
    return {desktop, {}};
}

void ReminderNotifier::tell(const QModelIndex& friendIndex, Reminder news)
{
    if (m_pause.isPaused())
        hold(news, friendIndex);
    else if (m_friends.reminder(friendIndex, news))
        add(news, friendIndex);
}

void ReminderNotifier::add(Reminder news, const QPersistentModelIndex& friendIndex)
{
    Notice& notice = m_notices[int(news)];
    if (notice.friends.contains(friendIndex))
        return;
    notice.friends << friendIndex;
    QStringList nicknames, numbers;
    for (const QPersistentModelIndex& named : std::as_const(notice.friends)) {
        if (!named.isValid())
            continue; // deleted since
        nicknames << displayText(m_friends.nickname(named));
        numbers << QStringLiteral("QQ ") + displayText(m_friends.number(named));
    }
    notice.desktop->show(nicknames.join(listSeparator) + saying[int(news)], numbers.join(listSeparator),
                         QVariant::fromValue(notice.friends.first()));
}

void ReminderNotifier::hold(Reminder news, const QPersistentModelIndex& friendIndex)
{
    // A friend's news alternates between online and offline: news that undoes what waits leaves nothing.
    for (qsizetype i = 0; i < m_held.size(); ++i)
        if (m_held[i].second == friendIndex)
            return m_held.removeAt(i);
    m_held.append({news, friendIndex});
}

void ReminderNotifier::tellHeld()
{
    // The pause's news is told apart from a run's.
    endNotices();
    for (const auto& [news, friendIndex] : std::exchange(m_held, {}))
        if (m_friends.reminder(friendIndex, news))
            add(news, friendIndex);
    endNotices();
}

void ReminderNotifier::endNotices()
{
    for (Notice& notice : m_notices) {
        notice.friends.clear();
        notice.desktop->finish();
    }
}

void ReminderNotifier::fallBack(const QString& summary, const QString& body)
{
    const bool inTray = m_tray.isInTray();
    if (inTray)
        m_tray.showMessage(summary, body);
    else
        QApplication::alert(m_window);
    emit alerted(inTray);
}
