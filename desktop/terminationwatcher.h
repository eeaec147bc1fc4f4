#pragma once

#include <QObject>
#include <memory>

// Tells when the system asks the program to end, so that it can end the way closing its window does.
// On Linux: SIGTERM, SIGINT or SIGHUP, delivered on the event loop. On Windows: the session ending (log-off,
// shut-down) and being asked to close (taskkill, an installer), delivered while the system waits, since
// the process may be ended as soon as the system's message has been answered.
class TerminationWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

signals:
    void terminationRequested();

private:
    class Platform;
    std::unique_ptr<Platform> m_platform;
};
