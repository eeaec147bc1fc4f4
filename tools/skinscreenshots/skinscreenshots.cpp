// Pictures of the main window in each skin, of the list's menu and of the 在线记录 window, for the README:
// skinscreenshots <folder>.
// It stands beside the skins in the build's bin folder and applies them as the program does.

#include "applyskin.h"
#include "autorefresh.h"
#include "failuretext.h"
#include "form1.h"
#include "friendlistview.h"
#include "historystore.h"
#include "historywindow.h"
#include "listmenu.h"
#include "skinchoice.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

struct Shot
{
    const char* option; // the skin option clicked; none for the default skin
    const char* picture;
    bool listMenu = false; // with the list's menu open
};

const Shot shots[] = {
    {nullptr, "fernwatch.png"},    {nullptr, "menu.png", true}, {"Option1", "skin-black.png"},
    {"Option2", "skin-china.png"}, {"Option4", "skin-msn.png"}, {"Option5", "skin-qqreal.png"},
};

// One friend in each state, the one offline selected.
void showThreeFriends(Form1& form)
{
    FriendListModel& friends = form.friendList();
    const struct
    {
        const char* text;
        const char* number;
        const char* nickname;
        FriendStatus status;
    } rows[] = {{"小明", "10001", "小明", FriendStatus::Online},
                {"Alice", "10002", "Alice", FriendStatus::Offline},
                {"正在检测", "30003", "老王", FriendStatus::Checking}};
    for (const auto& row : rows) {
        const int position =
            friends.addFriend(QString::fromUtf8(row.number), QString::fromUtf8(row.nickname));
        friends.setText(position, QString::fromUtf8(row.text));
        friends.setStatus(position, row.status);
    }
    auto* list = form.findChild<FriendListView*>();
    list->selectPosition(2);
    list->setFocus();
}

// The window with the list's menu open on a marked friend, and its 自动刷新 choices open beside it.
QPixmap withListMenu(Form1& form)
{
    form.friendList().setReminder(1, Reminder::Online, true);
    form.findChild<AutoRefresh*>()->setMinutes(5);
    auto* list = form.findChild<FriendListView*>();
    const QPoint onFirst = list->visualRect(form.friendList().index(0, 0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, onFirst, list->viewport()->mapToGlobal(onFirst));
    QApplication::sendEvent(list->viewport(), &click);
    auto* menu = form.findChild<ListMenu*>();
    const QList<QAction*> items = menu->actions();
    QAction* refresh = *std::find_if(items.begin(), items.end(), [](QAction* item) { return item->menu(); });
    menu->setActiveAction(refresh);
    refresh->menu()->popup(menu->mapToGlobal(menu->actionGeometry(refresh).topRight()));
    QApplication::processEvents();
    QPixmap picture = form.grab();
    QPainter painter(&picture);
    for (QMenu* shown : {static_cast<QMenu*>(menu), refresh->menu()})
        painter.drawPixmap(form.mapFromGlobal(shown->pos()), shown->grab());
    return picture;
}

// What the made-up week's check `minute` minutes after 8 o'clock, `daysAgo` days ago, found of 小明: online
// at lunch and in the evenings, and not at all for an hour of the day before yesterday, when the network was
// down.
PresenceState madeUpCheck(int daysAgo, int minute)
{
    const int hour = 8 + minute / 60;
    if (daysAgo == 2 && hour == 15)
        return PresenceState::Unknown;
    const bool online = hour == 12 || (hour >= 19 + daysAgo % 3 && hour < 23) || (daysAgo == 5 && hour < 11);
    return online ? PresenceState::Online : PresenceState::Offline;
}

// Fernwatch checking every five minutes from 8 o'clock to half past 23, up to now, but not running at all
// four days ago.
void recordMadeUpWeek(HistoryStore& store)
{
    const QDate today = QDate::currentDate();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int daysAgo = 6; daysAgo >= 0; --daysAgo) {
        const QDateTime morning(today.addDays(-daysAgo), QTime(8, 0));
        for (int minute = 0; daysAgo != 4 && minute <= 15 * 60 + 30; minute += 5) {
            const qint64 at = morning.addSecs(minute * 60).toMSecsSinceEpoch();
            if (at <= now)
                store.record(QStringLiteral("10001"), QStringLiteral("小明"), madeUpCheck(daysAgo, minute),
                             at);
        }
    }
}

// The 在线记录 window on 小明, in the default skin.
bool saveHistoryWindow(const QString& path)
{
    QTemporaryDir folder;
    HistoryStore store;
    if (!store.open(HistoryStore::pathFor(folder.filePath(QStringLiteral("QQlist.cfg"))))) {
        std::fprintf(stderr, "skinscreenshots: %s\n", qPrintable(FailureText::ofHistory(store.failure())));
        return false;
    }
    recordMadeUpWeek(store);
    ApplySkin(defaultSkinFile);
    HistoryWindow window(store,
                         {{QStringLiteral("10001"), QStringLiteral("小明")},
                          {QStringLiteral("10002"), QStringLiteral("Alice")}},
                         QStringLiteral("10001"));
    window.resize(
        window.sizeHint()); // as on a screen larger than the stand-in one, which a window may fill 2/3 of
    window.show();
    QApplication::processEvents();
    return window.grab().save(path);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QDir folder(QString::fromLocal8Bit(argc > 1 ? argv[1] : "."));
    for (const Shot& shot : shots) {
        // No list file: nothing is read, and nothing is written when the window goes.
        Form1 form{QString()};
        // As the program's load does: the default skin, then the window's visual style.
        ApplySkin(defaultSkinFile);
        StartVisualStyle(&form);
        if (shot.option)
            form.findChild<QRadioButton*>(QLatin1String(shot.option))->click();
        showThreeFriends(form);
        form.show();
        form.activateWindow();
        QApplication::processEvents();
        const QString path = folder.filePath(QLatin1String(shot.picture));
        if (!(shot.listMenu ? withListMenu(form) : form.grab()).save(path)) {
            std::fprintf(stderr, "skinscreenshots: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    const QString history = folder.filePath(QStringLiteral("history.png"));
    if (!saveHistoryWindow(history)) {
        std::fprintf(stderr, "skinscreenshots: cannot write %s\n", qPrintable(history));
        return 1;
    }
    std::printf("%s\n", qPrintable(history));
    return 0;
}
