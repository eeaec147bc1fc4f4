#include "savekillstress.h"

#include "friendlistfile.h"
#include "friendlistmodel.h"
#include "listfixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <limits>
#include <memory>
#include <thread>

namespace {

// The first place where two lists differ, or an empty text when they are the same.
QString difference(const FriendListModel& loaded, const FriendListModel& expected)
{
    if (loaded.count() != expected.count())
        return QStringLiteral("%1 friends instead of %2").arg(loaded.count()).arg(expected.count());
    for (int i = 1; i <= loaded.count(); ++i) {
        if (loaded.number(i) != expected.number(i) || loaded.nickname(i) != expected.nickname(i))
            return QStringLiteral("friend %1 is %2|%3").arg(i).arg(loaded.number(i), loaded.nickname(i));
    }
    return {};
}

} // namespace

void SaveKillStress::fill(FriendListModel& list, int count, bool newList)
{
    for (int i = 1; i <= count; ++i) {
        QString nickname = sampleNickname(i);
        if (newList)
            nickname += QStringLiteral(" (new)");
        list.addFriend(QString::number((newList ? 200000 : 100000) + i), nickname);
    }
}

SaveKillStress::SaveKillStress(const QString& saverExecutable, int friendCount)
    : m_saver(saverExecutable)
    , m_friendCount(friendCount)
{
    fill(m_lists[0], friendCount, false);
    fill(m_lists[1], friendCount, true);
}

bool SaveKillStress::prepare()
{
    if (!m_dir.isValid())
        return false;
    // The best of three, so that the kills are spread over what a save takes, not over a hiccup.
    m_saveMs = std::numeric_limits<double>::max();
    for (int i = 0; i < 3; ++i) {
        FriendListFile file;
        file.open(listPath());
        QElapsedTimer timer;
        timer.start();
        if (!file.save(m_lists[0]))
            return false;
        m_saveMs = std::min(m_saveMs, timer.nsecsElapsed() / 1e6);
    }
    return listState() == QLatin1String("intact") && strays().isEmpty();
}

QString SaveKillStress::listState() const
{
    if (!QFile::exists(listPath()))
        return QStringLiteral("missing");
    FriendListModel loaded;
    FriendListFile file;
    file.open(listPath());
    if (!file.load(loaded))
        return QStringLiteral("torn: no count stored");
    for (const FriendListModel& list : m_lists) {
        if (difference(loaded, list).isEmpty())
            return QStringLiteral("intact");
    }
    const bool nearerOld = loaded.number(1) == m_lists[0].number(1);
    return QStringLiteral("torn: ") + difference(loaded, m_lists[nearerOld ? 0 : 1]);
}

QStringList SaveKillStress::strays() const
{
    QStringList names = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeOne(QStringLiteral("QQlist.cfg"));
    return names;
}

SaveKillStress::Figures SaveKillStress::run(int kills)
{
    Figures figures;
    figures.saveMs = m_saveMs;
    const auto fault = [&figures](const QString& what) {
        if (figures.firstFault.isEmpty())
            figures.firstFault = what;
    };
    // The saver's first three saves or so; it says when its loop begins.
    const auto spreadUs = std::max<qint64>(1000, qint64(m_saveMs * 3000));
    for (int round = 1; round <= kills; ++round) {
        QProcess saver;
        saver.start(m_saver, {listPath(), QString::number(m_friendCount)});
        if (!saver.waitForStarted() || !saver.waitForReadyRead(30000)) {
            fault(QStringLiteral("the saver did not start: ") + saver.errorString());
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(QRandomGenerator::global()->bounded(spreadUs)));
        // Process id 0 would signal this whole process group.
        if (saver.state() == QProcess::Running && saver.processId() > 0)
            ::kill(pid_t(saver.processId()), SIGKILL);
        saver.waitForFinished();
        if (saver.exitStatus() != QProcess::CrashExit) {
            fault(QStringLiteral("the saver ended by itself: ") +
                  QString::fromLocal8Bit(saver.readAllStandardError()));
            break;
        }
        ++figures.kills;

        const QString state = listState();
        if (state == QLatin1String("intact")) {
            ++figures.intact;
        } else {
            ++figures.torn;
            fault(QStringLiteral("kill %1: %2").arg(round).arg(state));
        }
        if (!strays().isEmpty())
            ++figures.midWrite;

        // The next save, as the program's next close would make it: it must clear what the kill left.
        FriendListFile file;
        file.open(listPath());
        if (!file.save(m_lists[round % 2]))
            fault(QStringLiteral("the save after kill %1 failed: %2").arg(round).arg(file.errorString()));
        const QStringList left = strays();
        figures.strays += int(left.size());
        if (!left.isEmpty()) {
            fault(QStringLiteral("after kill %1 the next save left %2")
                      .arg(round)
                      .arg(left.join(QLatin1String(", "))));
            for (const QString& name : left)
                QFile::remove(m_dir.filePath(name)); // each round counts only its own
        }
    }
    return figures;
}

QString SaveKillStress::saveConcurrently(int savers, int saves)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < savers; ++i) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(m_saver,
                                {listPath(), QString::number(m_friendCount), QString::number(saves)});
    }
    QString failure;
    for (const auto& process : processes) {
        const bool saved = process->waitForFinished(120000) &&
                           process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        if (!saved && failure.isEmpty())
            failure =
                QStringLiteral("a saver failed: ") + QString::fromLocal8Bit(process->readAllStandardError());
    }
    return failure;
}

QString SaveKillStress::summary(const Figures& figures)
{
    return QStringLiteral("%1 kills, %2 intact, %3 torn, %4 stray temporaries")
        .arg(figures.kills)
        .arg(figures.intact)
        .arg(figures.torn)
        .arg(figures.strays);
}
