#include "skinengine.h"

#include "skinh.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>
#include <QWidget>

namespace {

// Set while a style sheet is tried out: whether Qt complained about it.
bool styleSheetRefused = false;

void noteRefusal(QtMsgType type, const QMessageLogContext&, const QString&)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        styleSheetRefused = true;
}

} // namespace

SkinEngine& SkinEngine::instance()
{
    static SkinEngine engine;
    return engine;
}

bool SkinEngine::attach(const QByteArray& skinPath, const QByteArray& password)
{
    emit attachRequested(skinPath, password);
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    QFile file(QFile::decodeName(skinPath));
    if (!application || !file.open(QIODevice::ReadOnly))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString styleSheet = utf8(file.readAll());
    if (utf8.hasError() || !parsesAsStyleSheet(styleSheet))
        return false;
    application->setStyleSheet(styleSheet);
    return true;
}

bool SkinEngine::parsesAsStyleSheet(const QString& styleSheet)
{
    // Qt drops a sheet it cannot parse and says so only as a warning; on the whole application that
    // would strip the skin in use. So the sheet is tried on a window of its own first.
    styleSheetRefused = false;
    const QtMessageHandler previous = qInstallMessageHandler(noteRefusal);
    {
        QWidget probe;
        probe.setStyleSheet(styleSheet);
        probe.ensurePolished();
    }
    qInstallMessageHandler(previous);
    return !styleSheetRefused;
}

int SkinH_AttachEx(const char* skinPath, const char* password)
{
    const bool attached = SkinEngine::instance().attach(QByteArray(skinPath ? skinPath : ""),
                                                        QByteArray(password ? password : ""));
    return attached ? 0 : 1;
}
