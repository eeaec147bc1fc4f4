#include "consolestream.h"

#include <cstdio>

class ConsoleStream::Platform
{
public:
    std::FILE* file;
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
    return std::fwrite(data, 1, size_t(size), m_platform->file) == size_t(size) ? size : -1;
}

void ConsoleStream::printError(const QString& line)
{
    std::fputs((line + u'\n').toLocal8Bit().constData(), stderr);
}
