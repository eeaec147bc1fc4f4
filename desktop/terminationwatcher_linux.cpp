#include "terminationwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalSockets[2] = {-1, -1};
constexpr int watchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

void handleSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Nothing can be done about a failed write inside a signal handler.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

} // namespace

// The handler only writes to a socket pair; everything else happens outside signal context.
class TerminationWatcher::Platform
{
public:
    explicit Platform(TerminationWatcher& watcher)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSockets) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(signalSockets[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &watcher, [&watcher] {
            unsigned char byte = 0;
            if (::read(signalSockets[1], &byte, 1) == 1)
                emit watcher.terminationRequested();
        });

        struct sigaction action = {};
        action.sa_handler = handleSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signalNumber : watchedSignals)
            ::sigaction(signalNumber, &action, nullptr);
    }
    ~Platform()
    {
        for (int signalNumber : watchedSignals)
            ::signal(signalNumber, SIG_DFL);
        m_notifier.reset();
        for (int& socket : signalSockets) {
            if (socket >= 0)
                ::close(socket);
            socket = -1;
        }
    }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

TerminationWatcher::TerminationWatcher(QObject* parent)
    : QObject(parent)
    , m_platform(std::make_unique<Platform>(*this))
{}

TerminationWatcher::~TerminationWatcher() = default;
