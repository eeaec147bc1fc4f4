#pragma once

#include <QByteArray>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

// A session bus of the test's own: a dbus-daemon child, whose address the test and the programs it starts
// find in DBUS_SESSION_BUS_ADDRESS. A test defines one at file scope, so that it is up before the
// application object and before any use of the bus, whether or not the desktop has a bus, and whatever else
// is on it: each test binary owns the service names it stands in for. It ends with the test.
class PrivateSessionBus
{
public:
    PrivateSessionBus()
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        m_daemon = fork();
        if (m_daemon == 0) {
#ifdef __linux__
            prctl(PR_SET_PDEATHSIG, SIGTERM); // a test that crashes leaves no bus behind
#endif
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address", nullptr);
            _exit(127);
        }
        close(out[1]);
        char line[512] = {};
        FILE* printed = fdopen(out[0], "r");
        if (m_daemon > 0 && fgets(line, sizeof line, printed))
            m_address = QByteArray(line).trimmed();
        fclose(printed);
        // Without one, QtDBus reports no session bus and the test says so.
        if (m_address.isEmpty())
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            setenv("DBUS_SESSION_BUS_ADDRESS", m_address.constData(), 1);
    }
    ~PrivateSessionBus()
    {
        if (m_daemon <= 0)
            return;
        kill(m_daemon, SIGTERM);
        waitpid(m_daemon, nullptr, 0);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when dbus-daemon could not be started (the package dbus provides it).
    const QByteArray& address() const
    {
        return m_address;
    }

private:
    pid_t m_daemon = -1;
    QByteArray m_address;
};
