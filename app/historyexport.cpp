#include "historyexport.h"

#include "consolestream.h"
#include "historycsv.h"
#include "historystore.h"

#include <QFileInfo>

int exportHistory(const QString& databasePath)
{
    ConsoleStream out(ConsoleStream::Output);
    if (!out.isOpen())
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
    ConsoleStream::printError(QStringLiteral("Fernwatch：无法导出在线记录：%1").arg(reason));
    return 1;
}
