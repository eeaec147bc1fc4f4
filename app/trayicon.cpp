#include "trayicon.h"

#include "appicon.h"
#include "autorefresh.h"
#include "displaytext.h"
#include "friendlistmodel.h"
#include "pausemenu.h"
#include "reminderpause.h"
#include "traywatcher.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace {

// The friends the tool tip names: a handful reads at a glance, and a tool tip is no list.
constexpr int namedOnline = 5;

} // namespace

TrayIcon::TrayIcon(const FriendListModel& friends, const AutoRefresh& autoRefresh, ReminderPause& pause,
                   QObject* parent)
    : QObject(parent)
    , m_friends(friends)
    , m_autoRefresh(autoRefresh)
    , m_pause(pause)
    , m_watcher(new TrayWatcher(this))
    , m_anyoneOnline(fernwatchIcon())
    , m_nobodyOnline(fernwatchIconNobodyOnline())
{
    m_recount.setSingleShot(true);
    m_recount.setInterval(0);
    connect(&m_recount, &QTimer::timeout, this, &TrayIcon::update);
    const auto recount = [this] { m_recount.start(); };
    connect(&friends, &FriendListModel::dataChanged, this, recount);
    connect(&friends, &FriendListModel::rowsInserted, this, recount);
    connect(&friends, &FriendListModel::rowsRemoved, this, recount);
    connect(&autoRefresh, &AutoRefresh::rescheduled, this, recount);
    connect(&pause, &ReminderPause::changed, this, recount);
    connect(m_watcher, &TrayWatcher::changed, this, [this] {
        place();
        emit trayChanged();
    });
}

void TrayIcon::show()
{
    m_shown = true;
    place();
}

void TrayIcon::place()
{
    // Qt tells once, at its first tray icon, whether it uses the tray on the bus: asked before that tray
    // is there, it never would. So Qt is not asked before the desktop has a tray.
    if (m_icon || !m_shown || !(m_tray = m_watcher->present()))
        return;
    m_icon = new QSystemTrayIcon(this);
    auto* menu = new QMenu;
    connect(this, &QObject::destroyed, menu, &QObject::deleteLater); // a menu has no parent to go with
    connect(menu->addAction(QStringLiteral("显示窗口")), &QAction::triggered, this, &TrayIcon::showRequested);
    connect(menu->addAction(QStringLiteral("刷新列表")), &QAction::triggered, this,
            &TrayIcon::refreshRequested);
    menu->addMenu(new PauseMenu(m_pause, menu));
    connect(menu->addAction(QStringLiteral("退出程序")), &QAction::triggered, this, &TrayIcon::exitRequested);
    m_icon->setContextMenu(menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit showRequested();
    });
    connect(m_icon, &QSystemTrayIcon::messageClicked, this, &TrayIcon::showRequested);
    update();
    m_icon->show();
    emit trayChanged();
}

bool TrayIcon::isInTray() const
{
    // The tray may have gone since the icon was put there (the desktop's panel ended), and another kind of
    // tray that came since holds no icon of Qt's.
    return m_icon && m_icon->isVisible() && m_watcher->has(*m_tray);
}

void TrayIcon::showMessage(const QString& title, const QString& text)
{
    if (m_icon)
        m_icon->showMessage(title, text, fernwatchIcon());
}

void TrayIcon::remove()
{
    m_recount.stop();
    m_shown = false;
    if (m_icon)
        m_icon->hide();
}

void TrayIcon::update()
{
    if (!m_icon)
        return;
    // Set only when it changes: each setting sends the picture to the tray anew.
    const QIcon& icon = onlineNicknames().isEmpty() ? m_nobodyOnline : m_anyoneOnline;
    if (m_icon->icon().cacheKey() != icon.cacheKey())
        m_icon->setIcon(icon);
    m_icon->setToolTip(toolTipLines().join(QLatin1Char('\n')));
}

QStringList TrayIcon::toolTipLines() const
{
    QStringList lines = {onlineLine(), nextCheckLine(), pauseLine()};
    lines.removeAll(QString());
    return lines;
}

QStringList TrayIcon::onlineNicknames() const
{
    QStringList online;
    for (int position = 1; position <= m_friends.count(); ++position)
        if (m_friends.status(position) == FriendStatus::Online)
            online << displayText(m_friends.nickname(position));
    return online;
}

QString TrayIcon::onlineLine() const
{
    const QStringList online = onlineNicknames();
    QString line = QStringLiteral("在线 %1/%2").arg(online.size()).arg(m_friends.count());
    if (!online.isEmpty())
        line += QStringLiteral("：") + online.mid(0, namedOnline).join(QStringLiteral("、")) +
                (online.size() > namedOnline ? QStringLiteral("等") : QString());
    return line;
}

QString TrayIcon::nextCheckLine() const
{
    const std::optional<QDateTime> next = m_autoRefresh.nextRun();
    return next ? QStringLiteral("下次检测 ") + next->toString(QStringLiteral("HH:mm")) : QString();
}

QString TrayIcon::pauseLine() const
{
    const std::optional<QDateTime> until = m_pause.until();
    return until ? QStringLiteral("提醒已暂停至 ") + until->toString(QStringLiteral("HH:mm")) : QString();
}
