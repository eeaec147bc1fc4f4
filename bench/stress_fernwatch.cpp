// The whole program killed at random moments. SIGKILL during start-up and the first check run must
// leave the list file byte for byte as it was, since only the close sequence writes it. SIGTERM at
// random moments must end the program through its close sequence: exit code 0, the list saved.
// The program runs copied into a folder of its own, against the local presence service; prints the
// figures and exits 1 on any fault.

#include "checkrun.h"
#include "fakepresenceservice.h"
#include "listfixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include <csignal>

namespace {

constexpr int killRuns = 50;
constexpr int termRuns = 50;

const QStringList friends = {QStringLiteral("10001|小明"), QStringLiteral("10002|老王")};

// As the old Windows program left it (Chinese code page, CRLF), so that a save shows in the bytes.
QByteArray legacyList()
{
    QStringEncoder gb18030("GB18030");
    return gb18030(QStringLiteral("[MEUserData]\r\nIncout=2\r\n[1]\r\nImis1=10001\r\nImis2=小明\r\n"
                                  "[2]\r\nImis1=10002\r\nImis2=老王\r\n"));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Lets `ms` pass with the event loop running, so that the presence service keeps answering.
void wait(qint64 ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(int(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool catchesSigterm(qint64 pid)
{
    const quint64 termBit = quint64(1) << (SIGTERM - 1);
    for (const QByteArray& line : readFile(QStringLiteral("/proc/%1/status").arg(pid)).split('\n')) {
        if (line.startsWith("SigCgt:"))
            return line.mid(7).trimmed().toULongLong(nullptr, 16) & termBit;
    }
    return false;
}

// Process id 0 would signal this whole process group: only a program still running is signalled.
void signalProgram(const QProcess& program, int signalNumber)
{
    if (program.state() == QProcess::Running && program.processId() > 0)
        ::kill(pid_t(program.processId()), signalNumber);
}

class Stress
{
public:
    bool setUp();
    // One run signalled at once when it reaches the end of its check run: when it catches SIGTERM,
    // when the check run begins and when it ends, in milliseconds from the start.
    bool measureTimeline();
    void killRun(int round);
    void termRun(int round);
    bool report() const;

private:
    void start();
    QStringList strayFiles() const;
    void fault(const QString& what);
    qint64 momentIn(int round, qint64 from) const;

    FakePresenceService m_service;
    QTemporaryDir m_dir;
    QProcess m_program;
    QElapsedTimer m_sinceStart;
    qint64 m_readyMs = 0;
    qint64 m_checkStartMs = 0;
    qint64 m_runEndMs = 0;

    int m_kills = 0;
    int m_untouched = 0;
    int m_terms = 0;
    int m_saved = 0;
    int m_rewritten = 0;
    int m_strays = 0;
    int m_faults = 0;
};

bool Stress::setUp()
{
    if (!m_service.start() || !m_dir.isValid())
        return false;
    return QFile::copy(QStringLiteral(FERNWATCH_EXECUTABLE), m_dir.filePath(QStringLiteral("Fernwatch")));
}

void Stress::start()
{
    QFile list(m_dir.filePath(QStringLiteral("QQlist.cfg")));
    if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        list.write(legacyList()) != legacyList().size())
        fault(QStringLiteral("cannot write the list file"));
    list.close();
    m_program.setProcessEnvironment(m_service.programEnvironment());
    m_program.setWorkingDirectory(QDir::tempPath());
    m_program.setProgram(m_dir.filePath(QStringLiteral("Fernwatch")));
    m_sinceStart.start();
    m_program.start();
    if (!m_program.waitForStarted())
        fault(QStringLiteral("the program did not start: ") + m_program.errorString());
}

QStringList Stress::strayFiles() const
{
    QStringList names = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeOne(QStringLiteral("Fernwatch"));
    names.removeOne(QStringLiteral("QQlist.cfg"));
    return names;
}

void Stress::fault(const QString& what)
{
    if (m_faults++ < 5)
        std::fprintf(stderr, "stress_fernwatch: %s\n", qPrintable(what));
}

bool Stress::measureTimeline()
{
    const qsizetype queriedBefore = m_service.queriedNumbers().size();
    start();
    while (!catchesSigterm(m_program.processId()) && m_sinceStart.elapsed() < 30000)
        wait(2);
    m_readyMs = m_sinceStart.elapsed();
    while (m_service.queriedNumbers().size() - queriedBefore < 1 && m_sinceStart.elapsed() < 30000)
        wait(2);
    m_checkStartMs = m_sinceStart.elapsed();
    while (m_service.queriedNumbers().size() - queriedBefore < friends.size() &&
           m_sinceStart.elapsed() < 30000)
        wait(2);
    // The last friend's query is followed by one wait slice before the run ends.
    m_runEndMs = m_sinceStart.elapsed() + CheckRun::waitSlice * 1000;
    wait(m_runEndMs - m_sinceStart.elapsed());
    signalProgram(m_program, SIGTERM);
    const bool ended = m_program.waitForFinished(15000) && m_program.exitStatus() == QProcess::NormalExit &&
                       m_program.exitCode() == 0;
    return ended && savedFriends(m_dir.filePath(QStringLiteral("QQlist.cfg"))) == friends &&
           m_service.queriedNumbers().size() - queriedBefore == friends.size();
}

// Even rounds fall in start-up, odd ones in the check run.
qint64 Stress::momentIn(int round, qint64 from) const
{
    const qint64 begin = round % 2 == 0 ? from : m_checkStartMs;
    const qint64 end = round % 2 == 0 ? m_checkStartMs : m_runEndMs;
    return begin + (end > begin ? QRandomGenerator::global()->bounded(end - begin) : 0);
}

void Stress::killRun(int round)
{
    start();
    wait(momentIn(round, 0) - m_sinceStart.elapsed());
    if (m_program.state() != QProcess::Running)
        fault(QStringLiteral("run %1 ended before the kill").arg(round));
    signalProgram(m_program, SIGKILL);
    m_program.waitForFinished();
    ++m_kills;
    if (readFile(m_dir.filePath(QStringLiteral("QQlist.cfg"))) == legacyList()) {
        ++m_untouched;
    } else {
        fault(QStringLiteral("kill %1 changed the list file").arg(round));
    }
    QStringList left = strayFiles();
    // A killed run's lock stays until the next start takes it over; a start killed while taking over
    // a lock may leave Qt's guard of that step, which the next takeover clears.
    left.removeOne(QStringLiteral("QQlist.cfg.lock"));
    left.removeOne(QStringLiteral("QQlist.cfg.lock.rmlock"));
    m_strays += int(left.size());
    for (const QString& name : left) {
        fault(QStringLiteral("kill %1 left %2").arg(round).arg(name));
        QFile::remove(m_dir.filePath(name));
    }
}

void Stress::termRun(int round)
{
    start();
    // Before it catches the signal the program cannot act on it, and the system ends it.
    while (!catchesSigterm(m_program.processId()) && m_program.state() == QProcess::Running &&
           m_sinceStart.elapsed() < 30000)
        wait(1);
    wait(momentIn(round, m_sinceStart.elapsed()) - m_sinceStart.elapsed());
    signalProgram(m_program, SIGTERM);
    const bool ended = m_program.waitForFinished(15000);
    ++m_terms;
    const QString listPath = m_dir.filePath(QStringLiteral("QQlist.cfg"));
    if (ended && m_program.exitStatus() == QProcess::NormalExit && m_program.exitCode() == 0 &&
        savedFriends(listPath) == friends) {
        ++m_saved;
    } else {
        fault(QStringLiteral("term %1: exit %2, friends %3")
                  .arg(round)
                  .arg(m_program.exitCode())
                  .arg(savedFriends(listPath).join(QLatin1String(", "))));
    }
    if (readFile(listPath) != legacyList())
        ++m_rewritten;
    const QStringList left = strayFiles();
    m_strays += int(left.size());
    for (const QString& name : left) {
        fault(QStringLiteral("term %1 left %2").arg(round).arg(name));
        QFile::remove(m_dir.filePath(name));
    }
    if (!ended) {
        m_program.kill();
        m_program.waitForFinished();
    }
}

bool Stress::report() const
{
    std::printf("%d kills, %d intact, %d changed, %d stray files\n", m_kills, m_untouched,
                m_kills - m_untouched, m_strays);
    std::printf("%d terms, %d saved, %d lost (%d written anew, %d closed before the list was read)\n",
                m_terms, m_saved, m_terms - m_saved, m_rewritten, m_terms - m_rewritten);
    std::printf("Moments: start-up 0-%lld ms (SIGTERM caught from %lld ms), check run %lld-%lld ms\n",
                static_cast<long long>(m_checkStartMs), static_cast<long long>(m_readyMs),
                static_cast<long long>(m_checkStartMs), static_cast<long long>(m_runEndMs));
    return m_faults == 0 && m_kills == killRuns && m_terms == termRuns;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QElapsedTimer total;
    total.start();
    Stress stress;
    if (!stress.setUp() || !stress.measureTimeline()) {
        std::fprintf(stderr, "stress_fernwatch: the program did not run and close normally once\n");
        return 1;
    }
    for (int round = 0; round < killRuns; ++round)
        stress.killRun(round);
    for (int round = 0; round < termRuns; ++round)
        stress.termRun(round);
    const bool passed = stress.report();
    std::printf("Run time %.1f s\n", total.elapsed() / 1000.0);
    return passed ? 0 : 1;
}
