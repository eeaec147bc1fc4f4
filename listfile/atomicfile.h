#pragma once

#include "failure.h"

#include <QByteArray>
#include <QString>

class QFileInfo;

// Replaces a file's content in one step: the bytes go to a temporary file beside it, which is then
// renamed over the file. A kill or a crash at any moment leaves the old file or the new one, never a
// mix; a symbolic link is written through, and the file keeps its permissions.
//
// A process killed during a save leaves its temporary behind. On Unix every save holds a lock on the
// folder, which the system drops when a process ends however it ends; so the temporaries of this
// file's own naming that a save finds while holding the lock belong to no save still running, and it
// removes them. On Windows a save holds its temporary open without letting anyone delete it, so the
// temporaries that can be deleted are a killed save's. The name is the file's own followed by
// temporaryTag and six letters or digits.
//
// How a file is replaced is the system's own: atomicfile_unix.cpp and atomicfile_windows.cpp.
class AtomicFile
{
public:
    static const QString temporaryTag;

    // A Write failure when the file could not be replaced, and then the file is as it was; none otherwise.
    static Failure write(const QString& path, const QByteArray& bytes);

    // Why the file cannot be opened for reading, as errno's number (0: it can, or the system does not say).
    static int readErrorNumber(const QString& path);
    // Why the file may not be written, as errno's number: EROFS on a read-only mount, EACCES otherwise.
    static int writeErrorNumber(const QString& path);

    // A temporary's name: `prefix` (the file's name and temporaryTag) and six random letters or digits.
    static QString temporaryName(const QString& prefix);
    static bool isTemporaryName(const QString& name, const QString& prefix);

private:
    // `target` is the file itself, a link already followed. The error number is errno's; on Windows, the
    // one that the system's code stands for.
    static Failure replace(const QFileInfo& target, const QByteArray& bytes);
};
