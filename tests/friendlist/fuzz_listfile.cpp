// libFuzzer target for the list-file reader: the input is the content of QQlist.cfg.
// Loading must never crash or hang, whatever loads must come back unchanged from a save, and a second
// save must leave the file as the first one wrote it.

#include "friendlistfile.h"
#include "friendlistmodel.h"
#include "inidocument.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

using Friends = std::vector<std::pair<QString, QString>>; // number, nickname

// A list longer than this is a valid input, but loading, saving and loading it again costs this build
// seconds (a million friends, about a minute), while faults are in the text more than in the count.
// Mutations that make one are made again, except one after firstLongList mutations (half a minute or
// so) and then one every longListEvery (a few minutes), so that a run of a minute tries one too.
constexpr int longList = 1000;
constexpr unsigned long firstLongList = 100000;
constexpr unsigned long longListEvery = 500000;

// Made once and never destroyed: Qt's own globals may be gone by the time exit() runs destructors.
QGuiApplication* app = nullptr;
QTemporaryDir* dir = nullptr;
// The lists are kept from one input to the next and emptied, as each new list would load its icons.
FriendListModel* loadedList = nullptr;
FriendListModel* reloadedList = nullptr;

// Empties both lists when an input is done, so that a run frees all it allocates: libFuzzer runs an
// input a second time to look for leaks whenever it does not.
struct ClearLists
{
    ~ClearLists()
    {
        for (FriendListModel* list : {loadedList, reloadedList}) {
            for (int position = list->count(); position >= 1; --position)
                list->remove(position);
        }
    }
};

Friends friendsOf(const FriendListModel& model)
{
    Friends friends;
    friends.reserve(static_cast<size_t>(model.count()));
    for (int i = 1; i <= model.count(); ++i)
        friends.emplace_back(model.number(i), model.nickname(i));
    return friends;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_listfile: %s\n", what);
    dir->remove(); // abort() skips the atexit handlers; libFuzzer keeps its own copy of the input
    std::abort();
}

// The count the list file holds, read as the store reads it.
int storedCount(const uint8_t* data, size_t size)
{
    const auto bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const IniDocument document = IniDocument::parse(bytes);
    return FriendListFile::countFromText(document.value(u"MEUserData", u"Incout").value_or(QString()));
}

} // namespace

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

// libFuzzer's own mutations, but few long lists (see longList).
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int)
{
    static unsigned long mutations = 0;
    static unsigned long nextLongList = firstLongList;
    const std::vector<uint8_t> original(data, data + size);
    for (int attempt = 0; attempt < 100; ++attempt) {
        ++mutations;
        const size_t mutated = LLVMFuzzerMutate(data, size, maxSize);
        if (storedCount(data, mutated) <= longList)
            return mutated;
        if (mutations >= nextLongList) {
            nextLongList = mutations + longListEvery;
            return mutated;
        }
        std::copy(original.begin(), original.end(), data);
    }
    return 0; // an empty file, which loads nothing: this input keeps making long lists
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The list's icons are images, which need a GUI application; none has a screen here.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QGuiApplication(*argc, *argv);
    // Every save syncs the file to disk; in memory that costs nothing.
    const QString inMemory = QStringLiteral("/dev/shm");
    dir = QFileInfo(inMemory).isWritable()
              ? new QTemporaryDir(inMemory + QStringLiteral("/fuzz_listfile-XXXXXX"))
              : new QTemporaryDir;
    if (!dir->isValid())
        fail("no temporary folder");
    std::atexit([] { dir->remove(); });
    loadedList = new FriendListModel;
    reloadedList = new FriendListModel;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = dir->filePath(QStringLiteral("QQlist.cfg"));
    {
        QFile file(path);
        const auto length = static_cast<qint64>(size);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), length) != length)
            fail("cannot write the list file");
    }

    // What the program does at start-up, then at close with the list unchanged.
    const ClearLists clearLists;
    FriendListFile file;
    file.open(path);
    if (!file.load(*loadedList))
        return 0;
    const Friends loaded = friendsOf(*loadedList);
    if (!file.save(*loadedList))
        fail("save failed");

    FriendListFile again;
    again.open(path);
    if (!again.load(*reloadedList))
        fail("the saved file holds no count");
    const Friends friends = friendsOf(*reloadedList);
    if (friends.size() != loaded.size())
        fail("save then load changed the number of friends");
    for (size_t i = 0; i < loaded.size(); ++i) {
        if (friends[i] != loaded[i]) {
            std::fprintf(stderr, "fuzz_listfile: friend %zu was \"%s\":\"%s\", came back \"%s\":\"%s\"\n",
                         i + 1, qUtf8Printable(loaded[i].first), qUtf8Printable(loaded[i].second),
                         qUtf8Printable(friends[i].first), qUtf8Printable(friends[i].second));
            fail("save then load changed a friend");
        }
    }

    // The saved file is the store's own writing: saving the same list over it again changes nothing.
    const QByteArray saved = contents(path);
    if (!again.save(*reloadedList))
        fail("second save failed");
    if (contents(path) != saved)
        fail("a second save changed the file");
    return 0;
}
