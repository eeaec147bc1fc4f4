#include "atomicfile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#define NOMINMAX
#include <windows.h>

namespace {

std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// The reasons the list file tells of are errno's; the system's own words go with them.
int errnoFor(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_FAULT:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return EBUSY;
    default:
        return 0;
    }
}

// Replacing a file that another program holds open without sharing is refused as access denied; the
// file itself tells whether that is what happened.
DWORD refinedError(DWORD error, const std::wstring& target)
{
    if (error != ERROR_ACCESS_DENIED)
        return error;
    const HANDLE probe =
        CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return error;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION ? ERROR_SHARING_VIOLATION : error;
}

// A save holds its temporary open without sharing its deletion: the temporaries that can be deleted
// belong to no save still running.
void removeStaleTemporaries(const QString& folder, const QString& prefix)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (AtomicFile::isTemporaryName(name, prefix))
            DeleteFileW(nativePath(dir.filePath(name)).c_str());
    }
}

HANDLE createTemporary(const QString& prefix, std::wstring* name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = nativePath(AtomicFile::temporaryName(prefix));
        const HANDLE file =
            CreateFileW(name->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE file, const QByteArray& bytes)
{
    // WriteFile takes at most a DWORD at a time.
    constexpr qsizetype chunk = 1 << 30;
    for (qsizetype done = 0; done < bytes.size();) {
        DWORD written = 0;
        const DWORD size = DWORD(std::min(chunk, bytes.size() - done));
        if (!WriteFile(file, bytes.constData() + done, size, &written, nullptr))
            return false;
        done += written;
    }
    return true;
}

} // namespace

int AtomicFile::readErrorNumber(const QString& path)
{
    const HANDLE file = CreateFileW(nativePath(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return errnoFor(GetLastError());
    CloseHandle(file);
    return 0;
}

// Windows tells a read-only medium only when it is written.
int AtomicFile::writeErrorNumber(const QString&)
{
    return EACCES;
}

Failure AtomicFile::replace(const QFileInfo& target, const QByteArray& bytes)
{
    const QString folder = target.absolutePath();
    const QString prefix = target.fileName() + temporaryTag;
    const std::wstring targetName = nativePath(target.absoluteFilePath());
    removeStaleTemporaries(folder, prefix);

    std::wstring temporary;
    const HANDLE file = createTemporary(folder + QLatin1Char('/') + prefix, &temporary);
    DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (file != INVALID_HANDLE_VALUE) {
        if (!writeAll(file, bytes))
            error = GetLastError();
        // On the disk before it takes the file's place, so that a power cut cannot leave an empty file.
        if (!error && !FlushFileBuffers(file))
            error = GetLastError();
        CloseHandle(file);
    }
    // The file keeps its attributes (hidden, say); read-only ones are never replaced.
    const DWORD attributes = GetFileAttributesW(targetName.c_str());
    if (!error && attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(temporary.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    // One rename, written through: the old file or the new one, whenever the process is stopped.
    if (!error && !MoveFileExW(temporary.c_str(), targetName.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = refinedError(GetLastError(), targetName);
    if (error) {
        if (file != INVALID_HANDLE_VALUE)
            DeleteFileW(temporary.c_str());
        return {Failure::What::Write, errnoFor(error), qt_error_string(int(error))};
    }
    return {};
}
