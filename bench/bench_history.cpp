// The online history, each figure beside its reference in one run:
// (a) check runs of 100 friends against the local presence service, recording every outcome and writing
//     it at the run's end, alternated with the same runs without recording: wall and processor time of
//     the whole process, and the processor time of record() and flush() themselves;
// (b) start-up, opening the database and reading when each of 1,000 friends was last online, with a year
//     of history (3 million periods) beside an empty database;
// (c) the CSV export of that year, into nothing and into a file;
// (d) the size of that year's database.
// The year is generated in time order, friends interleaved as the checks come, so that its pages fill as
// the program's would.

#include "checkrun.h"
#include "fakepresenceservice.h"
#include "friendlistmodel.h"
#include "historystore.h"
#include "samplelists.h"
#include "webbrowser.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int yearFriends = 1000;
constexpr int periodsPerFriend = 3000; // a change every 2.9 hours
constexpr qint64 hourMs = 3600 * 1000;
constexpr int runFriends = 100;
// Shortened from two seconds: a run's processor time is in its queries and answers, not in its waits.
// The local service answers well within it.
constexpr std::chrono::milliseconds runSlice(40);
// Runs with and without recording, in turns whose order swaps each time so that neither side is always
// the one after the other.
constexpr int runPairs = 8;
constexpr int repeats = 3;

struct Usage
{
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template<typename Work>
Usage measure(Work work)
{
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    work();
    return {double(wall.nsecsElapsed()) / 1e9, cpuSeconds() - cpuBefore};
}

void fail(const char* what, const QString& why)
{
    std::fprintf(stderr, "bench_history: %s: %s\n", what, qPrintable(why));
    std::exit(1);
}

void fail(const char* what, const Failure& why)
{
    fail(what,
         QStringLiteral("failure %1, SQLite's code %2 %3").arg(int(why.what)).arg(why.code).arg(why.name));
}

// A year of 3,000 periods for each of 1,000 friends, in one transaction of prepared statements.
void generateYear(const QString& path)
{
    {
        HistoryStore schema;
        if (!schema.open(path))
            fail("cannot create the database", schema.failure());
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("year"));
        db.setDatabaseName(path);
        QSqlQuery query(db);
        const auto run = [&](const QString& statement, const QVariantList& values = {}) {
            if (!query.prepare(statement))
                fail("cannot prepare", query.lastError().text());
            for (const QVariant& value : values)
                query.addBindValue(value);
            if (!query.exec())
                fail("cannot generate", query.lastError().text());
        };
        if (!db.open())
            fail("cannot open", db.lastError().text());
        run(QStringLiteral("PRAGMA cache_size = -262144"));
        run(QStringLiteral("BEGIN"));
        for (int id = 1; id <= yearFriends; ++id) {
            run(QStringLiteral("INSERT INTO friend VALUES(?, ?)"), {id, QString::number(10000 + id)});
            run(QStringLiteral("INSERT INTO nickname VALUES(?, ?)"), {id, sampleNickname(id)});
        }
        const qint64 first = QDateTime::currentMSecsSinceEpoch() - HistoryStore::keptFor + hourMs;
        const qint64 spacing = (HistoryStore::keptFor - 2 * hourMs) / periodsPerFriend;
        // Period i of friend f starts up to a tenth of the spacing late and lasts one to nine tenths of it;
        // one in fifty is unknown, the others alternate online and offline.
        run(QStringLiteral(
                "INSERT INTO period WITH RECURSIVE k(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM k "
                "WHERE i < ? - 1), slot(f, i, start) AS (SELECT f.id, k.i, ? + k.i * ? + "
                "(f.id * 7919 + k.i * 104729) % (? / 10) FROM k CROSS JOIN friend f) "
                "SELECT f, start, start + ((f * 31 + i * 17) % 9 + 1) * (? / 10), "
                "CASE WHEN (f + i) % 50 = 0 THEN 3 ELSE 1 + (f + i) % 2 END, f FROM slot"),
            {periodsPerFriend, first, spacing, spacing, spacing});
        run(QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("year"));
}

// Milliseconds to open the database as the program does and read when each friend was last online.
double startUp(const QString& path)
{
    HistoryStore store;
    QElapsedTimer timer;
    timer.start();
    if (!store.open(path))
        fail("cannot open", store.failure());
    int seen = 0;
    for (int id = 1; id <= yearFriends; ++id)
        seen += store.lastOnline(QString::number(10000 + id)).has_value() ? 1 : 0;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return seen >= 0 ? ms : -1;
}

// The year as CSV into a file.
Usage exportYear(const QString& path, const QString& csvPath)
{
    HistoryStore store;
    if (!store.open(path, HistoryStore::Access::ReadOnly))
        fail("cannot open to export", store.failure());
    QFile csv(csvPath);
    if (!csv.open(QIODevice::WriteOnly))
        fail("cannot write", csvPath);
    return measure([&] {
        if (!store.exportCsv(csv))
            fail("cannot export", store.failure());
    });
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Recording
{
    HistoryStore* store = nullptr;
    int count = 0;
    double cpuSeconds = 0; // spent in record() and flush() themselves
};

// A check run, recording each answer when a store is given and writing them at its end, as the program
// does.
Usage checkRun(CheckRun& run, Recording* recording)
{
    const auto record = [&](const QString& number, PresenceState state) {
        const QString nickname = sampleNickname(number.toInt() - 10000); // friend 10000 + i's
        const double before = threadCpuSeconds();
        recording->count +=
            recording->store->record(number, nickname, state, QDateTime::currentMSecsSinceEpoch());
        recording->cpuSeconds += threadCpuSeconds() - before;
    };
    QMetaObject::Connection connection;
    if (recording)
        connection = QObject::connect(&run, &CheckRun::answered, record);
    const Usage usage = measure([&] {
        run.refresh();
        if (!recording)
            return;
        const double before = threadCpuSeconds();
        if (!recording->store->flush())
            fail("cannot flush", recording->store->failure());
        recording->cpuSeconds += threadCpuSeconds() - before;
    });
    QObject::disconnect(connection);
    return usage;
}

void printRatio(const char* what, double ours, double reference, const char* unit, const char* goal)
{
    std::printf("  %-14s %10.3f %s, without %10.3f %s, ratio %.4f (%s)\n", what, ours, unit, reference, unit,
                ours / reference, goal);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString year = dir.filePath(QStringLiteral("year.sqlite"));
    const QString empty = dir.filePath(QStringLiteral("empty.sqlite"));

    QElapsedTimer generating;
    generating.start();
    generateYear(year);
    const double generatedSeconds = double(generating.elapsed()) / 1000;
    const qint64 bytes = QFileInfo(year).size();
    std::printf("history: a year of %d periods for %d friends, generated in %.1f s\n",
                yearFriends * periodsPerFriend, yearFriends, generatedSeconds);
    std::printf("  (d) database   %10.1f MB (goal < 200 MB)\n", double(bytes) / 1e6);

    double withYear = 1e9, withoutYear = 1e9;
    for (int i = 0; i < repeats; ++i) {
        withoutYear = std::min(withoutYear, startUp(empty));
        withYear = std::min(withYear, startUp(year));
    }
    std::printf("  (b) start-up, open and last seen of %d friends, best of %d:\n", yearFriends, repeats);
    std::printf("      with the year %8.2f ms, empty %8.2f ms, %+.2f ms (goal within 50 ms)\n", withYear,
                withoutYear, withYear - withoutYear);

    // Into nothing, the program's own time; into a file, with this machine's disk.
    const Usage discarded = exportYear(year, QStringLiteral("/dev/null"));
    const QString csv = dir.filePath(QStringLiteral("year.csv"));
    const Usage filed = exportYear(year, csv);
    std::printf("  (c) export to /dev/null %.3f s wall, %.3f s processor (goal < 3 s)\n",
                discarded.wallSeconds, discarded.cpuSeconds);
    std::printf("      export to a file    %.3f s wall, %.3f s processor, %.1f MB of CSV\n",
                filed.wallSeconds, filed.cpuSeconds, double(QFileInfo(csv).size()) / 1e6);
    QFile::remove(csv);

    FakePresenceService service;
    if (!service.start())
        fail("cannot start the local presence service", QString());
    service.setDefaultAnswer({FakePresenceService::Answer::Online});
    FriendListModel list;
    WebBrowser browser;
    CheckRun run(list, browser);
    run.setWaitSlice(runSlice);
    for (int i = 1; i <= runFriends; ++i) {
        list.addFriend(QString::number(10000 + i), sampleNickname(i));
        if (i % 3 == 0)
            service.setAnswer(QString::number(10000 + i), {FakePresenceService::Answer::Offline});
    }
    HistoryStore store;
    if (!store.open(year))
        fail("cannot open to record", store.failure());
    Usage with, without;
    Recording recording{&store};
    checkRun(run, nullptr); // the first run also connects to the service
    const auto add = [](Usage& sum, const Usage& run) {
        sum = {sum.wallSeconds + run.wallSeconds, sum.cpuSeconds + run.cpuSeconds};
    };
    double firstRunCpuSeconds = 0;  // every friend starts a period: the store was just opened
    std::vector<double> pairRatios; // less swayed than the sums by one run that other processes slowed
    for (int i = 0; i < runPairs; ++i) {
        const bool recordedFirst = i % 2 == 1;
        const Usage recordedBefore = recordedFirst ? checkRun(run, &recording) : Usage();
        const Usage plain = checkRun(run, nullptr);
        const Usage recorded = recordedFirst ? recordedBefore : checkRun(run, &recording);
        add(with, recorded);
        add(without, plain);
        pairRatios.push_back(recorded.cpuSeconds / plain.cpuSeconds);
        if (i == 0)
            firstRunCpuSeconds = recording.cpuSeconds;
    }
    std::sort(pairRatios.begin(), pairRatios.end());
    std::printf("  (a) check runs of %d friends, %d of each, waits of %lld ms, %d outcomes recorded:\n",
                runFriends, runPairs, static_cast<long long>(runSlice.count()), recording.count);
    printRatio("wall time", with.wallSeconds, without.wallSeconds, "s", "goal: no measurable difference");
    printRatio("processor time", with.cpuSeconds, without.cpuSeconds, "s", "goal < 1.01");
    std::printf(
        "      processor time of a run with recording to the one beside it: median %.4f, from %.4f to "
        "%.4f\n",
        (pairRatios[(runPairs - 1) / 2] + pairRatios[runPairs / 2]) / 2, pairRatios.front(),
        pairRatios.back());
    // The whole runs' difference is within what other processes on the machine stir up; the time spent
    // in record() itself is not.
    const double runCpuSeconds = without.cpuSeconds / runPairs;
    const auto printOwn = [&](const char* which, double cpuSeconds, int runs) {
        std::printf("      record() and flush(), %-22s %6.1f us a check, ratio %.4f to a run without\n",
                    which, 1e6 * cpuSeconds / (runs * runFriends),
                    (runCpuSeconds + cpuSeconds / runs) / runCpuSeconds);
    };
    printOwn("every run:", recording.cpuSeconds, runPairs);
    printOwn("the first (new periods):", firstRunCpuSeconds, 1);
    printOwn("the later (extensions):", recording.cpuSeconds - firstRunCpuSeconds, runPairs - 1);
    return recording.count == runPairs * runFriends ? 0 : 1;
}
