#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of this start. QApplication takes Qt's own options (-platform, -style, …)
// out of the arguments before they are read here.
struct StartOptions
{
    bool minimized = false; // --minimized: start in the tray, or minimised where there is none
    QString unknown;        // the first argument that is none of ours; empty when every one is known

    // `arguments` as QCoreApplication::arguments() gives them, the program first.
    static StartOptions parse(const QStringList& arguments);
    // The line for standard error about the unknown argument.
    QString unknownText() const;
};
