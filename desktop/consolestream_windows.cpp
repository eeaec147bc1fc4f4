#include "consolestream.h"

#include <QStringDecoder>
#include <algorithm>
#include <cerrno>

#include <windows.h>

namespace {

// WriteConsoleW takes at most 64 KB at a time on older Windows.
constexpr qsizetype consoleChunk = 16384;

// A program of the Windows subsystem started from a console without a redirect has no standard handles:
// it writes to the console it was started from (none when started from Explorer).
HANDLE parentConsole()
{
    static const HANDLE console = [] {
        // Refused when this program is attached to a console already.
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
            return INVALID_HANDLE_VALUE;
        return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    }();
    return console;
}

// The handle inherited from whoever started the program (a redirect to a file, a pipe, a console), or the
// parent's console.
HANDLE streamHandle(ConsoleStream::Stream stream)
{
    const HANDLE handle =
        GetStdHandle(stream == ConsoleStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN)
        return handle;
    return parentConsole();
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode);
}

bool writeBytes(HANDLE handle, const char* data, qint64 size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, data, DWORD(std::min<qint64>(size, MAXDWORD)), &written, nullptr))
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// In UTF-16, which a console shows whatever its code page; a pair of surrogates is never split.
bool writeText(HANDLE handle, const QString& text)
{
    for (qsizetype from = 0; from < text.size();) {
        qsizetype length = std::min(consoleChunk, text.size() - from);
        if (length > 1 && text[from + length - 1].isHighSurrogate())
            --length;
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.utf16() + from, DWORD(length), &written, nullptr) || written == 0)
            return false;
        from += written;
    }
    return true;
}

} // namespace

class ConsoleStream::Platform
{
public:
    HANDLE handle;
    bool console;
    // A character's bytes may come in two writes.
    QStringDecoder decoder{QStringDecoder::Utf8};
    int errorNumber = 0;
};

ConsoleStream::ConsoleStream(Stream stream)
{
    const HANDLE handle = streamHandle(stream);
    m_platform.reset(new Platform{handle, isConsole(handle)});
    if (handle && handle != INVALID_HANDLE_VALUE)
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

ConsoleStream::~ConsoleStream() = default;

qint64 ConsoleStream::writeData(const char* data, qint64 size)
{
    const bool written =
        m_platform->console
            ? writeText(m_platform->handle, m_platform->decoder.decode(QByteArrayView(data, size)))
            : writeBytes(m_platform->handle, data, size);
    if (!written && m_platform->errorNumber == 0) {
        const DWORD error = GetLastError();
        m_platform->errorNumber = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? ENOSPC : EIO;
    }
    return written ? size : -1;
}

// Nothing is held back: every write goes to the system at once.
bool ConsoleStream::finish()
{
    return m_platform->errorNumber == 0;
}

int ConsoleStream::errorNumber() const
{
    return m_platform->errorNumber;
}

void ConsoleStream::printError(const QString& line)
{
    ConsoleStream stream(Error);
    stream.write((line + u'\n').toUtf8());
}
