#include "autostartentry.h"

#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>

namespace {

const QByteArray execKey = "Exec=";

// What a menu entry says besides how to start the program; the desktop-entry script writes the same.
const QByteArray entryHead = "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Version=1.0\n"
                             "Name=Fernwatch\n"
                             "Name[zh_CN]=Fernwatch 好友在线监视\n"
                             "Comment=See which of your QQ friends are online\n"
                             "Comment[zh_CN]=查看QQ好友是否在线\n"
                             "Icon=fernwatch\n"
                             "Terminal=false\n";

// Why the entry could not be written or removed: the system's words are errno's in Qt's, which Qt's
// translation gives in Chinese, as the list file's are.
Failure failureFor(int errorNumber)
{
    return {Failure::What::Write, errorNumber, qt_error_string(errorNumber)};
}

} // namespace

AutostartEntry::AutostartEntry(const QString& program)
    : m_program(program)
{}

QString AutostartEntry::location()
{
    // The XDG base directories: a relative XDG_CONFIG_HOME is to be ignored.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/fernwatch.desktop");
}

QString AutostartEntry::command() const
{
    // As fernwatch-desktop-entry.sh quotes: inside double quotes, " ` $ and \ take a backslash and % is
    // doubled; the whole value then goes through the string escapes, which double every backslash once
    // more and write line breaks as \n.
    QString quoted;
    for (const QChar c : m_program) {
        if (QStringLiteral("\"`$\\").contains(c))
            quoted += u'\\';
        quoted += c == u'%' ? QStringLiteral("%%") : QString(c);
    }
    quoted.replace(u'\\', QLatin1String("\\\\")).replace(u'\n', QLatin1String("\\n"));
    return u'"' + quoted + QStringLiteral("\" --minimized");
}

bool AutostartEntry::isOn() const
{
    QFile entry(location());
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    // Only the entry this program writes counts: one for another program, or hidden by the desktop's
    // settings, does not start this one.
    const QList<QByteArray> lines = entry.readAll().split('\n');
    return lines.contains(execKey + command().toUtf8()) && !lines.contains("Hidden=true");
}

Failure AutostartEntry::setOn(bool on)
{
    const QString path = location();
    if (!on) {
        if (std::remove(QFile::encodeName(path).constData()) == 0 || errno == ENOENT)
            return {};
        return failureFor(errno);
    }
    // A file in the folder's place fails as "exists", which would read as if the entry were there.
    if (!QDir().mkpath(QFileInfo(path).path()))
        return failureFor(errno == EEXIST ? ENOTDIR : errno);
    return AtomicFile::write(path, entryHead + execKey + command().toUtf8() + '\n');
}
