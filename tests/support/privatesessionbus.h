#pragma once

#include <QByteArray>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// A session bus of the test's own: a dbus-daemon child, whose address the test and the programs it starts
// find in DBUS_SESSION_BUS_ADDRESS. A test defines one at file scope, so that it is up before the
// application object and any use of the bus, whether or not the desktop has a bus, and whatever else is on
// it: each test owns the names it stands in for. It ends with the test, or when the test dies.
class PrivateSessionBus
{
public:
    PrivateSessionBus()
    {
        int out[2];
        if (pipe(out) != 0 || (m_daemon = fork()) < 0)
            return;
        if (m_daemon == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(out[1], STDOUT_FILENO);
            execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address", nullptr);
            _exit(127);
        }
        close(out[1]);
        char address[1024]; // one line, written at once
        const ssize_t length = read(out[0], address, sizeof address);
        close(out[0]);
        // Without it, QtDBus finds no session bus, and the test says so.
        setenv("DBUS_SESSION_BUS_ADDRESS", QByteArray(address, std::max<ssize_t>(length, 0)).trimmed(), 1);
    }
    ~PrivateSessionBus()
    {
        if (m_daemon > 0 && kill(m_daemon, SIGTERM) == 0)
            waitpid(m_daemon, nullptr, 0);
    }

private:
    pid_t m_daemon = -1;
};
