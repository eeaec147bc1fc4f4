#include "atomicfile.h"

#include <QFileInfo>
#include <QRandomGenerator>

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

Failure AtomicFile::write(const QString& path, const QByteArray& bytes)
{
    return replace(QFileInfo(targetOf(path)), bytes);
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
