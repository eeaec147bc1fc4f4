#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An exclusive lock on a folder while it lives. Another save holds it for a few milliseconds at most;
// one that keeps it longer is stopped or hung, and then this save goes on without it.
class FolderLock
{
public:
    explicit FolderLock(const QString& folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        for (int attempt = 0; m_fd >= 0 && attempt < 200; ++attempt) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
                m_held = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR)
                return; // no locks on this file system
            ::usleep(10000);
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // drops the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return m_held; }
    // Puts the folder's entries on the disk: a rename is durable only then.
    void sync() const
    {
        if (m_fd >= 0)
            ::fsync(m_fd);
    }

private:
    int m_fd;
    bool m_held = false;
};

// Only while holding the folder's lock: then no save that is still running has a temporary there.
void removeStaleTemporaries(const QString& folder, const QString& prefix)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        if (AtomicFile::isTemporaryName(name, prefix))
            ::unlink(QFile::encodeName(dir.filePath(name)).constData());
    }
}

// Opens a new file named `prefix` and six random characters; -1 with errno set when none can be made.
int createTemporary(const QString& prefix, mode_t mode, QByteArray* name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = QFile::encodeName(AtomicFile::temporaryName(prefix));
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

int AtomicFile::readErrorNumber(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

int AtomicFile::writeErrorNumber(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0 ? EACCES : errno;
}

Failure AtomicFile::replace(const QFileInfo& target, const QByteArray& bytes)
{
    const QString folder = target.absolutePath();
    const QString prefix = target.fileName() + temporaryTag;
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());

    const FolderLock lock(folder);
    if (lock.held())
        removeStaleTemporaries(folder, prefix);

    // An existing file keeps its permissions; a new one gets the usual ones, less the umask.
    struct stat existing = {};
    const bool exists = ::stat(targetName.constData(), &existing) == 0;
    QByteArray temporaryName;
    const int fd = createTemporary(folder + QLatin1Char('/') + prefix, exists ? 0600 : 0666, &temporaryName);
    if (fd < 0) {
        const int error = errno;
        return {Failure::What::Write, error, qt_error_string(error)};
    }
    int error = 0;
    if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0)
        error = errno;
    if (!error && !writeAll(fd, bytes))
        error = errno;
    // On the disk before it takes the file's place, so that a power cut cannot leave an empty file.
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporaryName.constData(), targetName.constData()) != 0)
        error = errno;
    if (!error)
        lock.sync(); // or a power cut could bring the old file back after the save has returned
    if (error) {
        ::unlink(temporaryName.constData());
        return {Failure::What::Write, error, qt_error_string(error)};
    }
    return {};
}
