// Pictures of the main window in each skin, for the README: skinscreenshots <folder>.
// It stands beside the skins in the build's bin folder and applies them as the program does.

#include "applyskin.h"
#include "form1.h"
#include "friendlistview.h"
#include "skinchoice.h"

#include <QApplication>
#include <QDir>
#include <QRadioButton>
#include <cstdio>

namespace {

struct Shot
{
    const char* option; // the skin option clicked; none for the default skin
    const char* picture;
};

const Shot shots[] = {
    {nullptr, "fernwatch.png"},  {"Option1", "skin-black.png"},  {"Option2", "skin-china.png"},
    {"Option4", "skin-msn.png"}, {"Option5", "skin-qqreal.png"},
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
        if (!form.grab().save(path)) {
            std::fprintf(stderr, "skinscreenshots: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
