#include "singleinstancesystem.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <unistd.h>

QByteArray SingleInstanceSystem::userKey()
{
    return QByteArray::number(::getuid());
}

QString SingleInstanceSystem::processName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

void SingleInstanceSystem::letComeForward(qint64) {}
