#include "historyexport.h"

#include "consolestream.h"
#include "failuretext.h"
#include "historycsv.h"
#include "historystore.h"

#include <QFileInfo>

int exportHistory(const QString& databasePath)
{
    ConsoleStream out(ConsoleStream::Output);
    if (!out.isOpen())
        return 1;
    HistoryStore store;
    const bool exported =
        QFileInfo::exists(databasePath)
            ? store.open(databasePath, HistoryStore::Access::ReadOnly) && store.exportCsv(out)
            : out.write(HistoryCsv::header) == HistoryCsv::header.size();
    if (exported && out.finish())
        return 0;
    // errno's reason alone: the system's own words are English here, where Qt's translation is not loaded.
    const QString system = FailureText::ofWrite(out.errorNumber(), QString());
    const QString told = FailureText::ofHistory(store.failure());
    const QString reason = !told.isEmpty()    ? told
                           : system.isEmpty() ? QStringLiteral("无法写入标准输出")
                                              : QStringLiteral("无法写入标准输出：") + system;
    ConsoleStream::printError(QStringLiteral("Fernwatch：无法导出在线记录：%1").arg(reason));
    return 1;
}
