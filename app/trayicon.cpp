#include "trayicon.h"

#include "appicon.h"
#include "autorefresh.h"
#include "friendlistmodel.h"
#include "pausemenu.h"
#include "reminderpause.h"

#include <QMenu>
#include <QSystemTrayIcon>

TrayIcon::TrayIcon(const FriendListModel& friends, const AutoRefresh& autoRefresh, ReminderPause& pause,
                   QObject* parent)
    : QObject(parent)
    , m_friends(friends)
    , m_autoRefresh(autoRefresh)
    , m_pause(pause)
{
    m_recount.setSingleShot(true);
    m_recount.setInterval(0);
    connect(&m_recount, &QTimer::timeout, this, &TrayIcon::updateToolTip);
    const auto recount = [this] { m_recount.start(); };
    connect(&friends, &FriendListModel::dataChanged, this, recount);
    connect(&friends, &FriendListModel::rowsInserted, this, recount);
    connect(&friends, &FriendListModel::rowsRemoved, this, recount);
    connect(&autoRefresh, &AutoRefresh::rescheduled, this, recount);
    connect(&pause, &ReminderPause::changed, this, recount);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;

    m_icon = new QSystemTrayIcon(fernwatchIcon(), this);
    auto* menu = new QMenu;
    connect(this, &QObject::destroyed, menu, &QObject::deleteLater); // a menu has no parent to go with
    connect(menu->addAction(QStringLiteral("显示窗口")), &QAction::triggered, this, &TrayIcon::showRequested);
    connect(menu->addAction(QStringLiteral("刷新列表")), &QAction::triggered, this,
            &TrayIcon::refreshRequested);
    menu->addMenu(new PauseMenu(pause, menu));
    connect(menu->addAction(QStringLiteral("退出程序")), &QAction::triggered, this, &TrayIcon::exitRequested);
    m_icon->setContextMenu(menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit showRequested();
    });
    connect(m_icon, &QSystemTrayIcon::messageClicked, this, &TrayIcon::showRequested);
    updateToolTip();
    m_icon->show();
}

bool TrayIcon::isInTray() const
{
    // The tray may have gone since the icon was put there (the desktop's panel ended).
    return m_icon && m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::showMessage(const QString& title, const QString& text)
{
    if (m_icon)
        m_icon->showMessage(title, text, fernwatchIcon());
}

void TrayIcon::remove()
{
    m_recount.stop();
    if (m_icon)
        m_icon->hide();
}

QString TrayIcon::toolTip() const
{
    int online = 0;
    for (int position = 1; position <= m_friends.count(); ++position)
        online += m_friends.status(position) == FriendStatus::Online;
    QString tip = QStringLiteral("在线 %1/%2").arg(online).arg(m_friends.count());
    if (const std::optional<QDateTime> next = m_autoRefresh.nextRun())
        tip += QStringLiteral("\n下次检测 ") + next->toString(QStringLiteral("HH:mm"));
    if (const std::optional<QDateTime> until = m_pause.until())
        tip += QStringLiteral("\n提醒已暂停至 ") + until->toString(QStringLiteral("HH:mm"));
    return tip;
}

void TrayIcon::updateToolTip()
{
    if (m_icon)
        m_icon->setToolTip(toolTip());
}
