// libFuzzer target for the list-file reader: the input is the content of QQlist.cfg. Loading must never
// crash or hang, whatever loads must come back unchanged from a save, and a second save must change nothing.

#include "inidocument.h"
#include "listfixtures.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir* dir = nullptr; // never destroyed: Qt's own globals may be gone when exit() runs destructors
StoredList list;

// Loads the file into the list: "number|nickname" for each friend. A file without a count loads nothing,
// and the save then writes a count of 0, which loads the same.
QStringList load(const QString& path)
{
    FriendListFile file;
    file.open(path);
    file.load(&list);
    return friendTexts(list);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    new QCoreApplication(*argc, *argv);
    // Every save syncs the file to disk; in memory that costs nothing.
    dir = new QTemporaryDir(QFileInfo::exists("/dev/shm") ? "/dev/shm/fuzz_listfile-XXXXXX" : QString());
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
    const auto count = IniDocument::parse(bytes).valueOf(u"MEUserData", u"Incout");
    const bool longList = FriendListFile::countFromText(count.value_or(QString())) > 1000;
    if (++inputs < nextLongList && longList)
        return 0;
    if (longList)
        nextLongList = inputs + 500000;

    // What the program does at start-up, then at close with the list unchanged.
    const QString path = dir->filePath(QStringLiteral("QQlist.cfg"));
    const bool written = writeFileBytes(path, bytes);
    FriendListFile file;
    file.open(path);
    const QStringList loaded = load(path);
    const bool savedOnce = file.save(list);
    const QByteArray saved = fileBytes(path);
    if (!written || !savedOnce || load(path) != loaded || !file.save(list) || fileBytes(path) != saved) {
        std::fprintf(stderr, "fuzz_listfile: a save failed, changed the friends, or a second one the file\n");
        dir->remove(); // abort() skips the atexit handlers; libFuzzer keeps its own copy of the input
        std::abort();
    }
    list = StoredList(); // an input that frees less than it allocates is run again for leaks
    return 0;
}
