#include "consolestream.h"

#include <cerrno>
#include <cstdio>

class ConsoleStream::Platform
{
public:
    std::FILE* file;
    int errorNumber = 0;

    bool check(bool written)
    {
        if (!written && errorNumber == 0)
            errorNumber = errno;
        return written;
    }
};

ConsoleStream::ConsoleStream(Stream stream)
    : m_platform(new Platform{stream == Output ? stdout : stderr})
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

ConsoleStream::~ConsoleStream()
{
    std::fflush(m_platform->file);
}

qint64 ConsoleStream::writeData(const char* data, qint64 size)
{
    return m_platform->check(std::fwrite(data, 1, size_t(size), m_platform->file) == size_t(size)) ? size
                                                                                                   : -1;
}

bool ConsoleStream::finish()
{
    // The C library holds output back: a full disk is told only when it is handed on.
    return m_platform->check(std::fflush(m_platform->file) == 0) && m_platform->errorNumber == 0;
}

int ConsoleStream::errorNumber() const
{
    return m_platform->errorNumber;
}

void ConsoleStream::printError(const QString& line)
{
    std::fputs((line + u'\n').toLocal8Bit().constData(), stderr);
}
