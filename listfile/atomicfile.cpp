#include "atomicfile.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>

const QString AtomicFile::temporaryTag = QStringLiteral(".saving-");

namespace {

constexpr int randomLength = 6;
constexpr char randomCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// The file a save replaces: a symbolic link is followed to the file it stands for.
QString targetOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical; // dangling: made where it points
}

} // namespace

bool AtomicFile::write(const QString& path, const QByteArray& bytes, QString* errorString, int* errorNumber)
{
    return replace(QFileInfo(targetOf(path)), bytes, errorString, errorNumber);
}

QString AtomicFile::temporaryName(const QString& prefix)
{
    QString name = prefix;
    for (int i = 0; i < randomLength; ++i)
        name += QLatin1Char(
            randomCharacters[QRandomGenerator::global()->bounded(int(sizeof(randomCharacters) - 1))]);
    return name;
}

bool AtomicFile::isTemporaryName(const QString& name, const QString& prefix)
{
    if (name.size() != prefix.size() + randomLength || !name.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

QString AtomicFile::failureReason(int errorNumber, const QString& errorString)
{
    const QString detail = systemWords(errorString);
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限") + detail;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("磁盘空间不足") + detail;
    case EROFS:
        return QStringLiteral("文件系统为只读") + detail;
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件夹不存在") + detail;
    case EBUSY:
        return QStringLiteral("文件正被另一个程序使用") + detail;
    case EFBIG:
        return QStringLiteral("文件过大") + detail;
    case 0: // the system gave words, and no number of errno's
        return errorString.isEmpty() ? QString() : QStringLiteral("系统错误") + detail;
    default:
        return QStringLiteral("系统错误 %1").arg(errorNumber) + detail;
    }
}

QString AtomicFile::systemWords(const QString& errorString)
{
    const bool english =
        std::all_of(errorString.cbegin(), errorString.cend(), [](QChar c) { return c.unicode() < 0x80; });
    return english ? QString() : QStringLiteral("（%1）").arg(errorString);
}
