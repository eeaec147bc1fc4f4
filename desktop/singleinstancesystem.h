#pragma once

#include <QByteArray>
#include <QString>

// What keeping to one program per list asks of the system: whose programs they are, what name the system
// knows a program by, and letting the program that keeps the list bring its window forward.
class SingleInstanceSystem
{
public:
    // The user, as part of names that every user on the machine shares (local sockets, named pipes).
    static QByteArray userKey();
    // The name that QLockFile finds for this process when it asks the system whether a lock's owner is
    // still running: a lock recorded under another counts as stale.
    static QString processName();
    // Lets the program with the id `processId` take the foreground, which Windows keeps for the program
    // the user started last; Linux desktops leave that to the window manager.
    static void letComeForward(qint64 processId);
};
