// Pictures of the main window in each skin, and of the list's menu, for the README:
// skinscreenshots <folder>.
// It stands beside the skins in the build's bin folder and applies them as the program does.

#include "applyskin.h"
#include "autorefresh.h"
#include "form1.h"
#include "friendlistview.h"
#include "listmenu.h"
#include "skinchoice.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QPainter>
#include <QRadioButton>
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
    form.friendList().setReminder(1, true);
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
    return 0;
}
