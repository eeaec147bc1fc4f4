#include "historyexport.h"

#include "historycsv.h"
#include "historystore.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

int exportHistory(const QString& databasePath)
{
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 1;
    HistoryStore store;
    if (!QFileInfo::exists(databasePath)) {
        if (out.write(HistoryCsv::header) == HistoryCsv::header.size())
            return 0;
    } else if (store.open(databasePath, HistoryStore::Access::ReadOnly) && store.exportCsv(out)) {
        return 0;
    }
    const QString reason =
        store.failureReason().isEmpty() ? QStringLiteral("无法写入标准输出") : store.failureReason();
    std::fputs(QStringLiteral("Fernwatch：无法导出在线记录：%1\n").arg(reason).toLocal8Bit().constData(),
               stderr);
    return 1;
}
