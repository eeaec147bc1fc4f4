#include "singleinstance.h"

#include "consolestream.h"
#include "singleinstancesystem.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QtNetwork/qtnetworkglobal.h>

#if QT_CONFIG(localserver)
#include <QLocalServer>
#include <QLocalSocket>
#endif

namespace {

const QByteArray showRequest = "show\n";
const QByteArray shownAnswer = "shown\n";
// A keeper that is starting or closing answers within moments; one that stays silent is stuck.
constexpr int answerWaitMs = 3000;
constexpr int retryPauseMs = 50;

} // namespace

const QString SingleInstance::unansweredText = QStringLiteral(
    "同一文件夹中另一个 Fernwatch 正在使用好友名单，但它没有回应。请等它结束，或结束它之后再启动。");

SingleInstance::SingleInstance(const QString& listFilePath, QObject* parent)
    : QObject(parent)
    , m_lock(listFilePath + QStringLiteral(".lock"))
    , m_serverName(serverNameFor(listFilePath))
{
    // Only a lock whose owner has died is stale, however long the owner has been running.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    release();
}

// Socket names are shared by every folder and user on the machine: the name is the folder's and the
// user's, hashed to a short fixed length.
QString SingleInstance::serverNameFor(const QString& listFilePath)
{
    const QByteArray folder = QFileInfo(listFilePath).absoluteDir().canonicalPath().toUtf8();
    const QByteArray hash =
        QCryptographicHash::hash(folder + '\n' + SingleInstanceSystem::userKey(), QCryptographicHash::Sha256);
    return QStringLiteral("Fernwatch-") + QString::fromLatin1(hash.toHex().left(32));
}

SingleInstance::Claim SingleInstance::claim()
{
#if QT_CONFIG(localserver)
    QElapsedTimer waited;
    waited.start();
    // The keeper may be between taking the lock and listening, or between its save and its end.
    while (!waited.hasExpired(answerWaitMs)) {
        if (takeLock()) {
            removeTakeoverLeftovers();
            listen();
            return Claim::Keeper;
        }
        // No lock to be had at all (a folder without write access): the program runs as it always did.
        if (m_lock.error() != QLockFile::LockFailedError)
            return Claim::Keeper;
        if (askKeeperToShow())
            return Claim::Forwarded;
        QThread::msleep(retryPauseMs);
    }
    ConsoleStream::printError(QStringLiteral("Fernwatch：") + unansweredText);
    return Claim::Unanswered;
#else
    return Claim::Keeper;
#endif
}

bool SingleInstance::takeLock()
{
    // The lock records the program's name, and a later start counts it stale unless a process of that
    // name owns it: record the name the system knows this process by, whatever the program calls itself.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(SingleInstanceSystem::processName());
    const bool taken = m_lock.tryLock(0);
    QCoreApplication::setApplicationName(name);
    return taken;
}

void SingleInstance::removeTakeoverLeftovers()
{
    // Qt guards the takeover of a dead keeper's lock with "<lock>.rmlock", and that one with
    // "<lock>.rmlock.rmlock" when a start was killed during a takeover. Holding the lock now, this
    // program is the only one that may take it over, so what such guards remain are left by the dead.
    const QFileInfo lock(m_lock.fileName());
    QDir folder = lock.absoluteDir();
    for (const QString& name : folder.entryList({lock.fileName() + QStringLiteral(".rmlock*")}, QDir::Files))
        folder.remove(name);
}

void SingleInstance::release()
{
#if QT_CONFIG(localserver)
    // Requests not yet answered go with the server: their senders try again and find the lock free.
    delete m_server;
    m_server = nullptr;
#endif
    m_lock.unlock();
}

void SingleInstance::listen()
{
#if QT_CONFIG(localserver)
    // Holding the lock, this program owns the name: a socket left by a killed keeper is removed.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answerRequests);
    if (!m_server->listen(m_serverName))
        ConsoleStream::printError(
            QStringLiteral("Fernwatch：无法接收其他启动的请求（%1）").arg(m_server->errorString()));
#endif
}

void SingleInstance::answerRequests()
{
#if QT_CONFIG(localserver)
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == showRequest) {
                emit showRequested();
                socket->write(shownAnswer);
            }
            socket->disconnectFromServer();
        });
    }
#endif
}

bool SingleInstance::askKeeperToShow() const
{
#if QT_CONFIG(localserver)
    // Windows gives the foreground only to the program the user started last, this one.
    if (qint64 keeper = 0; m_lock.getLockInfo(&keeper, nullptr, nullptr))
        SingleInstanceSystem::letComeForward(keeper);
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(answerWaitMs) || socket.write(showRequest) != showRequest.size())
        return false;
    while (!socket.canReadLine() && socket.waitForReadyRead(answerWaitMs)) {
    }
    return socket.readLine() == shownAnswer;
#else
    return false;
#endif
}
