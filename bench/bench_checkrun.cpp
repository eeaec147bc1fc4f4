// A check run over ten friends against a local presence service that answers at once. A run cannot
// be shorter than one two-second slice per friend; we print how close it comes to that floor, and
// the processor time it takes while it waits, against a wait that polls the event loop in a tight
// loop (which keeps a core busy for the whole run).

#include "checkrun.h"
#include "fakepresenceservice.h"
#include "friendlistmodel.h"
#include "webbrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <ctime>

namespace {

constexpr int friendCount = 10;

struct Usage
{
    double wallSeconds;
    double cpuSeconds;
    double coreShare() const { return cpuSeconds / wallSeconds; }
};

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

template<typename Work>
Usage measure(Work work)
{
    QElapsedTimer wall;
    const double cpuBefore = processCpuSeconds();
    wall.start();
    work();
    return {double(wall.nsecsElapsed()) / 1e9, processCpuSeconds() - cpuBefore};
}

// The wait as a tight loop of clock readings and event-loop turns.
void pollingWait(double seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (double(clock.nsecsElapsed()) / 1e9 < seconds)
        QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    FakePresenceService service;
    if (!service.start()) {
        std::fprintf(stderr, "bench_checkrun: cannot start the local presence service\n");
        return 1;
    }
    service.setDefaultAnswer({FakePresenceService::Answer::Online});

    FriendListModel list;
    WebBrowser browser;
    CheckRun run(list, browser);
    for (int i = 1; i <= friendCount; ++i) {
        list.addFriend(QString::number(10000 + i), QStringLiteral("好友%1").arg(i));
    }

    const Usage ours = measure([&] { run.refresh(); });
    const Usage polling = measure([] { pollingWait(CheckRun::waitSlice); });

    const double floor = double(friendCount * CheckRun::waitSlice);
    std::printf("check run, %d friends answered at once (floor %.0f s)\n", friendCount, floor);
    std::printf("  wall time      %8.3f s   ratio to floor %.4f (goal <= 1.02)\n", ours.wallSeconds,
                ours.wallSeconds / floor);
    std::printf("  cpu while run  %8.3f s   %.2f%% of one core (goal < 2%%)\n", ours.cpuSeconds,
                100 * ours.coreShare());
    std::printf("  polling wait   %8.3f s   %.2f%% of one core over one slice\n", polling.cpuSeconds,
                100 * polling.coreShare());
    std::printf("  core share ratio ours/polling %.4f\n", ours.coreShare() / polling.coreShare());
    return service.queriedNumbers().size() == friendCount ? 0 : 1;
}
