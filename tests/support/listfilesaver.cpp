// Saves the friend list through the program's own store, alternating between the old list and the
// new one: forever, for a test to kill it at some moment, or a given number of times.
//
//     listfilesaver PATH COUNT [SAVES]
//
// Says "saving" on standard output when its loop begins. With SAVES it exits 0 once every save has
// succeeded, 1 at the first one that fails.

#include "friendlistfile.h"
#include "friendlistmodel.h"
#include "savekillstress.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    // The list's status images need a GUI application; nothing is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        std::fputs("usage: listfilesaver PATH COUNT [SAVES]\n", stderr);
        return 2;
    }
    const int count = arguments.at(2).toInt();
    const int saves = arguments.size() > 3 ? arguments.at(3).toInt() : -1;
    FriendListModel lists[2];
    SaveKillStress::fill(lists[0], count, false);
    SaveKillStress::fill(lists[1], count, true);

    FriendListFile file;
    file.open(arguments.at(1));
    std::puts("saving");
    std::fflush(stdout);
    for (int i = 0; saves < 0 || i < saves; ++i) {
        if (!file.save(lists[(i + 1) % 2])) {
            std::fprintf(stderr, "listfilesaver: %s\n", qPrintable(file.errorString()));
            return 1;
        }
    }
    return 0;
}
