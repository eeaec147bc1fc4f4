// libFuzzer target for the list-file reader: the input is the content of QQlist.cfg. Loading must never
// crash or hang, whatever loads must come back unchanged from a save, and a second save must change nothing.

#include "inidocument.h"
#include "listfixtures.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir* dir = nullptr; // never destroyed: Qt's own globals may be gone when exit() runs destructors

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_listfile: %s\n", what);
    dir->remove(); // abort() skips the atexit handlers; libFuzzer keeps its own copy of the input
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // the list's icons need a GUI application, without a screen
    new QGuiApplication(*argc, *argv);
    // Every save syncs the file to disk; in memory that costs nothing.
    dir = new QTemporaryDir((QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath()) +
                            "/fuzz_listfile-XXXXXX");
    if (!dir->isValid())
        fail("no temporary folder");
    std::atexit([] { dir->remove(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // A long list is a valid input, but costs this build seconds (a million friends, a minute), while faults
    // hide in the text more than in the count: one goes through half a minute or so in, then every 500000
    // inputs.
    static unsigned long inputs = 0, nextLongList = 100000;
    const auto count = IniDocument::parse(bytes).value(u"MEUserData", u"Incout");
    const bool longList = FriendListFile::countFromText(count.value_or(QString())) > 1000;
    if (++inputs < nextLongList && longList)
        return 0;
    if (longList)
        nextLongList = inputs + 500000;

    const QString path = dir->filePath(QStringLiteral("QQlist.cfg"));
    if (!writeFileBytes(path, bytes))
        fail("cannot write the list file");
    const QStringList loaded = savedFriends(path);
    // What the program does at start-up, then at close with the list unchanged.
    FriendListModel list;
    FriendListFile file;
    file.open(path);
    if (!file.load(list))
        return 0;
    if (!file.save(list) || savedFriends(path) != loaded)
        fail("save then load changed the friends");
    const QByteArray saved = fileBytes(path);
    if (!file.save(list) || fileBytes(path) != saved)
        fail("a second save changed the file");
    return 0;
}
