#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of this start. QApplication takes Qt's own options (-platform, -style, …)
// out of the arguments before they are read for a start of the window; a command reads them all.
struct StartOptions
{
    enum Command
    {
        ShowWindow,
        ExportHistory, // --export-history: the history as CSV on standard output
        Help,          // --help, -h
        Version,       // --version
    };

    Command command = ShowWindow;
    bool minimized = false; // --minimized: start in the tray, or minimised where there is none
    QString unknown;        // the first argument that is none of ours; empty when every one is known

    // `arguments` as QCoreApplication::arguments() gives them, the program first.
    static StartOptions parse(const QStringList& arguments);
    // Whether the arguments ask for a command, which needs no display and claims no list.
    static bool asksForCommand(int argc, const char* const argv[]);
    // The line for standard error about the unknown argument.
    QString unknownText() const;
    // What --help prints: how to start the program, and its options.
    static QString usageText();
};
