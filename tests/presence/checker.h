#pragma once

#include "checkrun.h"
#include "friendlistmodel.h"
#include "listfixtures.h"
#include "webbrowser.h"

#include <QElapsedTimer>
#include <QStringList>

// The pieces a check run works with, wired as the main window wires them.
struct Checker
{
    FriendListModel list;
    WebBrowser browser;
    CheckRun run{list, browser};

    Checker() {}

    void add(const QString& number, const QString& nickname) { list.addFriend(number, nickname); }

    // "text:status" of every row.
    QString rows() const
    {
        QStringList rows;
        for (int position = 1; position <= list.count(); ++position)
            rows << QStringLiteral("%1:%2").arg(list.text(position)).arg(int(list.status(position)));
        return rows.join(QLatin1Char(' '));
    }

    // Runs refresh to its end and returns how long it took, in milliseconds.
    qint64 timedRefresh()
    {
        QElapsedTimer clock;
        clock.start();
        run.refresh();
        return clock.elapsed();
    }
};
