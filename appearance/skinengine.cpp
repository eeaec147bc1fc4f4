#include "skinengine.h"

#include "skinh.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>

SkinEngine& SkinEngine::instance()
{
    static SkinEngine engine;
    return engine;
}

bool SkinEngine::attach(const QByteArray& skinPath, const QByteArray& password)
{
    emit attachRequested(skinPath, password);
    QFile file(QFile::decodeName(skinPath));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString styleSheet = utf8(file.readAll());
    if (utf8.hasError() || !qApp)
        return false;
    qApp->setStyleSheet(styleSheet);
    return true;
}

int SkinH_AttachEx(const char* skinPath, const char* password)
{
    const bool attached = SkinEngine::instance().attach(QByteArray(skinPath ? skinPath : ""),
                                                        QByteArray(password ? password : ""));
    return attached ? 0 : 1;
}
