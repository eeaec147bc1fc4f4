#include "singleinstancesystem.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <windows.h>

QByteArray SingleInstanceSystem::userKey()
{
    return qgetenv("USERNAME");
}

QString SingleInstanceSystem::processName()
{
    // QLockFile compares the executable's name without its extension: "Fernwatch" for Fernwatch.exe.
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void SingleInstanceSystem::letComeForward(qint64 processId)
{
    AllowSetForegroundWindow(DWORD(processId));
}
