// Start-up of the main window, from its creation until it is on the screen and has handled every
// pending event: a list whose first nickname is one line of 20 million characters (a damaged or
// hand-made file) against an ordinary list of the same count. Presence queries go to a local
// stand-in service, and the start-up check run is ended at its first wait, so no network is involved.

#include "fakepresenceservice.h"
#include "form1.h"
#include "friendlistfile.h"
#include "samplelists.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int friendCount = 3;
constexpr int hugeLength = 20000000;
constexpr int repeats = 3;

bool writeList(const QString& path, const QString& firstNickname)
{
    StoredList list = sampleList(friendCount);
    list.friends[0] = {QStringLiteral("10001"), firstNickname};
    FriendListFile file;
    file.open(path);
    return file.save(list);
}

QString hugeNickname()
{
    const QString piece = QStringLiteral("好友Friend🐧 ");
    QString text;
    text.reserve(hugeLength);
    while (text.size() + piece.size() <= hugeLength)
        text += piece;
    return text.leftJustified(hugeLength, u'x');
}

// Milliseconds from creating the window until it is exposed with its event queue drained.
double startUp(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    Form1 form(path);
    double shownMs = -1;
    // The first turn of the event loop comes in the start-up check run's first wait, after the show.
    QTimer::singleShot(0, &form, [&] {
        while (!form.windowHandle() || !form.windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
        shownMs = timer.nsecsElapsed() / 1e6;
        form.closeForSystem();
    });
    form.load();
    return shownMs;
}

double bestOf(const QString& path)
{
    double best = startUp(path);
    for (int i = 1; i < repeats; ++i)
        best = std::min(best, startUp(path));
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    FakePresenceService service;
    QTemporaryDir dir;
    const QString ordinary = dir.filePath(QStringLiteral("ordinary.cfg"));
    const QString huge = dir.filePath(QStringLiteral("huge.cfg"));
    if (!service.start() || !writeList(ordinary, sampleNickname(1)) || !writeList(huge, hugeNickname())) {
        std::fprintf(stderr, "bench_startup: cannot set up the service or the list files\n");
        return 1;
    }

    const double reference = bestOf(ordinary);
    const double ours = bestOf(huge);
    std::printf(
        "start-up to a shown window: %d friends, the first nickname %d characters long (best of %d)\n",
        friendCount, hugeLength, repeats);
    std::printf("  huge nickname %.1f ms, ordinary list %.1f ms, ratio huge/ordinary %.2f\n", ours, reference,
                ours / reference);
    return 0;
}
