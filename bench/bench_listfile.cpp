// Times saving and loading the friend list through FriendListFile against the same content through
// QSettings' INI format. Prints the figures; never fails on them, as timings vary from run to run.

#include "friendlistfile.h"
#include "samplelists.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>

namespace {

constexpr int runs = 5;

// The best of `runs` timings in milliseconds; `prepare` runs untimed before each run and gives the
// file that run uses, so that no run finds another's file in a cache.
double bestOf(const std::function<QString()>& prepare, const std::function<void(const QString&)>& run)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        const QString path = prepare();
        QElapsedTimer timer;
        timer.start();
        run(path);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

bool oursSave(const StoredList& model, const QString& path)
{
    FriendListFile file;
    file.open(path);
    return file.save(model);
}

void settingsSave(const StoredList& model, const QString& path)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(QStringLiteral("MEUserData/Incout"), QString::number(model.friends.size()));
    for (int i = 1; i <= model.friends.size(); ++i) {
        const QString section = QString::number(i);
        settings.setValue(section + QStringLiteral("/Imis1"), model.friends[i - 1].number);
        settings.setValue(section + QStringLiteral("/Imis2"), model.friends[i - 1].nickname);
    }
    settings.sync();
}

void settingsLoad(StoredList& model, const QString& path)
{
    QSettings settings(path, QSettings::IniFormat);
    const int count =
        FriendListFile::countFromText(settings.value(QStringLiteral("MEUserData/Incout")).toString());
    for (int i = 1; i <= count; ++i) {
        const QString section = QString::number(i);
        const QString nickname = settings.value(section + QStringLiteral("/Imis2")).toString();
        model.friends.append({settings.value(section + QStringLiteral("/Imis1")).toString(), nickname});
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        out << "cannot create a temporary folder\n";
        return 1;
    }
    int serial = 0;
    const auto freshPath = [&] { return dir.filePath(QStringLiteral("run%1.cfg").arg(++serial)); };
    const auto copyOf = [&](const QString& source) {
        const QString path = freshPath();
        QFile::copy(source, path);
        return path;
    };

    out << "List file against QSettings (INI), best of " << runs << " runs, milliseconds\n";
    out << QStringLiteral("%1 | %2 %3 %4 | %5 %6 %7 | %8 %9 %10\n")
               .arg(QStringLiteral("N"), 6)
               .arg(QStringLiteral("save new"), 9)
               .arg(QStringLiteral("QSettings"), 9)
               .arg(QStringLiteral("ratio"), 6)
               .arg(QStringLiteral("save over"), 9)
               .arg(QStringLiteral("QSettings"), 9)
               .arg(QStringLiteral("ratio"), 6)
               .arg(QStringLiteral("load"), 9)
               .arg(QStringLiteral("QSettings"), 9)
               .arg(QStringLiteral("ratio"), 6)
        << Qt::flush;

    bool noSlower = true;
    bool allCorrect = true;
    double largeTotal = 0;
    for (const int count : {1000, 32767}) {
        const StoredList model = sampleList(count);
        const QString oursFile = freshPath();
        const QString settingsFile = freshPath();
        allCorrect = oursSave(model, oursFile) && allCorrect;
        settingsSave(model, settingsFile);

        const double oursNew = bestOf(freshPath, [&](const QString& path) { oursSave(model, path); });
        const double settingsNew = bestOf(freshPath, [&](const QString& path) { settingsSave(model, path); });
        const double oursOver =
            bestOf([&] { return copyOf(oursFile); }, [&](const QString& path) { oursSave(model, path); });
        const double settingsOver = bestOf([&] { return copyOf(settingsFile); },
                                           [&](const QString& path) { settingsSave(model, path); });
        // The loaded list outlives the timed run, so that freeing it is not timed; it is checked afterwards.
        std::unique_ptr<StoredList> loaded;
        const auto copyForLoad = [&](const QString& source) {
            loaded.reset();
            return copyOf(source);
        };
        const double oursLoad = bestOf([&] { return copyForLoad(oursFile); },
                                       [&](const QString& path) {
                                           loaded = std::make_unique<StoredList>();
                                           FriendListFile file;
                                           file.open(path);
                                           allCorrect = file.load(loaded.get()) && allCorrect;
                                       });
        allCorrect = model.friends == loaded->friends && allCorrect;
        const double settingsLoadMs = bestOf([&] { return copyForLoad(settingsFile); },
                                             [&](const QString& path) {
                                                 loaded = std::make_unique<StoredList>();
                                                 settingsLoad(*loaded, path);
                                             });
        allCorrect = model.friends == loaded->friends && allCorrect;

        const auto ms = [](double value) { return QString::number(value, 'f', 2).rightJustified(9); };
        const auto ratio = [](double ours, double theirs) {
            return QString::number(ours / theirs, 'f', 2).rightJustified(6);
        };
        out << QString::number(count).rightJustified(6) << " | " << ms(oursNew) << ' ' << ms(settingsNew)
            << ' ' << ratio(oursNew, settingsNew) << " | " << ms(oursOver) << ' ' << ms(settingsOver) << ' '
            << ratio(oursOver, settingsOver) << " | " << ms(oursLoad) << ' ' << ms(settingsLoadMs) << ' '
            << ratio(oursLoad, settingsLoadMs) << Qt::endl; // shown as each size finishes
        noSlower =
            noSlower && oursNew <= settingsNew && oursOver <= settingsOver && oursLoad <= settingsLoadMs;
        if (count == 32767)
            largeTotal = oursOver + oursLoad;
    }

    out << "Ratio is ours / QSettings; below 1 means ours is faster.\n";
    out << "Lists read back intact: " << (allCorrect ? "yes" : "NO") << '\n';
    out << "Ours no slower than QSettings: " << (noSlower ? "yes" : "no")
        << "; 32,767 friends load + save: " << QString::number(largeTotal, 'f', 2) << " ms, "
        << (largeTotal < 100 ? "under" : "NOT under") << " 100 ms" << Qt::endl;
    return 0;
}
