#include "fakepresenceservice.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <iterator>
#include <memory>

namespace {

const QByteArray queryPrefix = "http://wpa.qq.com/pa?p=1:";
const QByteArray querySuffix = ":1";
const QByteArray imagePrefix = "http://pub.idqqimg.com/"; // every path there is an image

QByteArray redirectTo(const QByteArray& location)
{
    return "HTTP/1.1 302 Found\r\nLocation: " + location +
           "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

} // namespace

const QByteArray FakePresenceService::offlineImageAddress = "http://pub.idqqimg.com/qq_offline.gif";

qint64 FakePresenceService::now()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

FakePresenceService::FakePresenceService(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &FakePresenceService::accept);
}

bool FakePresenceService::start()
{
    return m_server->listen(QHostAddress::LocalHost);
}

QByteArray FakePresenceService::proxyUrl() const
{
    return "http://127.0.0.1:" + QByteArray::number(m_server->serverPort());
}

void FakePresenceService::useAsProxy() const
{
    qputenv("http_proxy", proxyUrl());
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");
}

QProcessEnvironment FakePresenceService::programEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("http_proxy"), QString::fromLatin1(proxyUrl()));
    env.remove(QStringLiteral("no_proxy"));
    env.remove(QStringLiteral("NO_PROXY"));
    return env;
}

void FakePresenceService::onNextQuery(const QObject* context, const std::function<void()>& action)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(this, &FakePresenceService::queryReceived, context, [connection, action] {
        disconnect(*connection);
        action();
    });
}

QList<FakePresenceService::Request> FakePresenceService::queries() const
{
    QList<Request> queries;
    std::copy_if(m_requests.cbegin(), m_requests.cend(), std::back_inserter(queries),
                 [](const Request& request) { return request.target.startsWith(queryPrefix); });
    return queries;
}

QStringList FakePresenceService::queriedNumbers() const
{
    QStringList numbers;
    for (const Request& query : queries())
        numbers << numberOfQuery(query.target);
    return numbers;
}

QString FakePresenceService::numberOfQuery(const QByteArray& target)
{
    QByteArray number = target.mid(queryPrefix.size());
    if (number.endsWith(querySuffix))
        number.chop(querySuffix.size());
    return QString::fromUtf8(QByteArray::fromPercentEncoding(number));
}

void FakePresenceService::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
            const bool headerWasComplete = received->contains("\r\n\r\n");
            received->append(socket->readAll());
            if (headerWasComplete || !received->contains("\r\n\r\n"))
                return;
            handleRequest(socket, received->left(received->indexOf("\r\n")));
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FakePresenceService::handleRequest(QTcpSocket* socket, const QByteArray& requestLine)
{
    const QList<QByteArray> parts = requestLine.split(' ');
    const QByteArray target = parts.value(1);
    m_requests.append({target, now()});

    if (target.startsWith(queryPrefix)) {
        const QString number = numberOfQuery(target);
        emit queryReceived(number);
        answerQuery(socket, m_answers.value(number, m_defaultAnswer));
    } else if (target == imagePrefix + "endless.gif") {
        // A gigabyte announced, 128 KiB sent, then nothing: only a reader that stops early gets done.
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\nContent-Length: 1073741824\r\n\r\n" +
                      QByteArray(128 * 1024, 'G'));
    } else if (target.startsWith(imagePrefix)) {
        const QByteArray gif = "GIF89a\x01\x00\x01\x00\x00\x00\x00;";
        respond(socket, "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\nContent-Length: " +
                            QByteArray::number(gif.size()) + "\r\nConnection: close\r\n\r\n" + gif);
    } else {
        respond(socket, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    }
}

void FakePresenceService::answerQuery(QTcpSocket* socket, const Behaviour& behaviour)
{
    QByteArray response;
    switch (behaviour.answer) {
    case Answer::Online:
        response = redirectTo("http://pub.idqqimg.com/qq_online.gif");
        break;
    case Answer::Offline:
        response = redirectTo(offlineImageAddress);
        break;
    case Answer::Redirect:
        response = redirectTo(behaviour.location);
        break;
    case Answer::ErrorStatus:
        response =
            "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\nConnection: close\r\n\r\nerror";
        break;
    case Answer::DropConnection:
        socket->abort();
        return;
    case Answer::NoAnswer:
        return;
    }
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(behaviour.delayMs, Qt::PreciseTimer, this, [guarded, response] {
        if (guarded)
            respond(guarded, response);
    });
}

void FakePresenceService::respond(QTcpSocket* socket, const QByteArray& response)
{
    socket->write(response);
    socket->disconnectFromHost();
}
