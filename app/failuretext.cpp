#include "failuretext.h"

#include <algorithm>
#include <cerrno>

QString FailureText::ofListFile(const Failure& failure)
{
    const QString detail = systemWords(failure.words);
    switch (failure.what) {
    case Failure::What::None:
        return QString();
    case Failure::What::Unreadable:
        if (failure.code == EBUSY)
            return QStringLiteral("文件正被另一个程序使用，无法读取，保存会丢失其中的内容") + detail;
        return QStringLiteral("无法读取文件，保存会丢失其中的内容") + detail;
    case Failure::What::NotAFile:
        return QStringLiteral("无法读取：这不是一个普通文件");
    case Failure::What::ReadOnlyFile:
        return QStringLiteral("文件为只读");
    default:
        return ofWrite(failure.code, failure.words);
    }
}

QString FailureText::ofHistory(const Failure& failure)
{
    switch (failure.what) {
    case Failure::What::None:
        return QString();
    case Failure::What::NotAFile:
        return QStringLiteral("记录文件 %1 不是一个普通文件").arg(failure.name);
    case Failure::What::NoDriver:
        return QStringLiteral("缺少 Qt 的 SQLite 驱动（libqt6sql6-sqlite）");
    case Failure::What::Damaged:
        return failure.name.isEmpty() ? QStringLiteral("记录文件已损坏")
                                      : QStringLiteral("记录文件已损坏，已改名为 %1 保留").arg(failure.name);
    case Failure::What::DamagedStuck:
        return QStringLiteral("记录文件已损坏，也无法改名");
    case Failure::What::Locked:
        return QStringLiteral("记录文件正被另一个程序使用");
    case Failure::What::Full:
        return QStringLiteral("磁盘空间不足");
    case Failure::What::Unwritable:
        return QStringLiteral("记录文件所在的文件夹不能写入");
    case Failure::What::Unopenable:
        return QStringLiteral("无法打开记录文件");
    default:
        return QStringLiteral("无法读写记录文件（错误 %1）").arg(failure.code);
    }
}

QString FailureText::ofAutostart(const Failure& failure)
{
    if (failure.what != Failure::What::Registry)
        return ofWrite(failure.code, failure.words);
    return (failure.code == EACCES ? QStringLiteral("没有修改注册表的权限")
                                   : QStringLiteral("无法修改注册表")) +
           systemWords(failure.words);
}

QString FailureText::ofWrite(int errorNumber, const QString& words)
{
    const QString detail = systemWords(words);
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
        return words.isEmpty() ? QString() : QStringLiteral("系统错误") + detail;
    default:
        return QStringLiteral("系统错误 %1").arg(errorNumber) + detail;
    }
}

QString FailureText::systemWords(const QString& words)
{
    const bool english =
        std::all_of(words.cbegin(), words.cend(), [](QChar c) { return c.unicode() < 0x80; });
    return english ? QString() : QStringLiteral("（%1）").arg(words);
}
