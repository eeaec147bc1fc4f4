#pragma once

#include "friendlistmodel.h"

#include <QStringList>

// The list as a person sees it: "text|number|nickname|status code" for each row, in list order.
inline QStringList shownRows(const FriendListModel& list)
{
    QStringList rows;
    for (int row = 0; row < list.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list.columnCount(); ++column)
            cells << list.index(row, column).data().toString();
        rows << cells.join(QLatin1Char('|')) + QStringLiteral("|%1").arg(int(list.status(row + 1)));
    }
    return rows;
}
