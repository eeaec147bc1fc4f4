#pragma once

#include <QIODevice>
#include <memory>

// Standard output or standard error, for the command line's commands (--export-history). On Windows the
// program has no console of its own: it writes where the stream was redirected, or else to the console it
// was started from, so that Chinese shows there too, whatever the console's code page.
class ConsoleStream : public QIODevice
{
public:
    enum Stream
    {
        Output,
        Error
    };

    // Open for writing, unless the stream leads nowhere.
    explicit ConsoleStream(Stream stream);
    ~ConsoleStream() override;

    bool isSequential() const override { return true; }
    // Hands on what is still held back in memory; false when any write failed (a full disk, a closed pipe).
    bool finish();
    // errno's number for the first write that failed; 0 while none has.
    int errorNumber() const;
    // A line of text on standard error.
    static void printError(const QString& line);

protected:
    // UTF-8 bytes: a file or a pipe gets them as they are.
    qint64 writeData(const char* data, qint64 size) override;
    qint64 readData(char*, qint64) override { return -1; }

private:
    class Platform;
    std::unique_ptr<Platform> m_platform;
};
