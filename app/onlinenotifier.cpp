#include "onlinenotifier.h"

#include "appicon.h"
#include "desktopnotice.h"
#include "displaytext.h"
#include "friendlistmodel.h"
#include "trayicon.h"

#include <QApplication>
#include <QWidget>

namespace {

// Between the friends a notice names.
const QString listSeparator = QStringLiteral("、");

} // namespace

OnlineNotifier::OnlineNotifier(const FriendListModel& friends, TrayIcon& tray, QWidget* window)
    : QObject(window)
    , m_friends(friends)
    , m_tray(tray)
    , m_window(window)
    , m_notice(new DesktopNotice(fernwatchIcon(), this))
{
    connect(&tray, &TrayIcon::trayChanged, this, [this] { m_notice->setTray(m_tray.systemTrayIcon()); });
    connect(m_notice, &DesktopNotice::clicked, this, [this](const QVariant& tag) {
        const QPersistentModelIndex first = tag.value<QPersistentModelIndex>();
        emit friendChosen(first.isValid() ? first.row() + 1 : 0);
    });
    connect(m_notice, &DesktopNotice::failed, this, &OnlineNotifier::fallBack);
}

void OnlineNotifier::notify(int position)
{
    if (m_nicknames.isEmpty())
        m_first = m_friends.index(position - 1, 0);
    m_nicknames << displayText(m_friends.nickname(position));
    m_numbers << QStringLiteral("QQ ") + displayText(m_friends.number(position));
    m_notice->show(m_nicknames.join(listSeparator) + QStringLiteral(" 上线了"), m_numbers.join(listSeparator),
                   QVariant::fromValue(m_first));
}

void OnlineNotifier::endRun()
{
    m_nicknames.clear();
    m_numbers.clear();
    m_notice->finish();
}

void OnlineNotifier::fallBack(const QString& summary, const QString& body)
{
    const bool inTray = m_tray.isInTray();
    if (inTray)
        m_tray.showMessage(summary, body);
    else
        QApplication::alert(m_window);
    emit alerted(inTray);
}
