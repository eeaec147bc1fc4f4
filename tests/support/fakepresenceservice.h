#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

// A stand-in for the QQ presence service on 127.0.0.1, reached as an HTTP proxy so that the program's
// requests keep their real addresses. A query for a number is answered the way that number was set up
// to be answered, maybe after a delay; any other request (an image) gets an empty page.
class FakePresenceService
{
public:
    enum class Answer
    {
        Online,      // a redirect to the online image
        Offline,     // a redirect to the offline image
        ErrorStatus, // 400, with a page longer than a browser reads of it
        NoAnswer,
        EndlessBody, // 200, a gigabyte announced and a megabyte sent
        Loop,        // a redirect back to the same query
        Refused,     // a redirect to a port where nothing listens
    };
    struct Behaviour
    {
        Answer answer = Answer::Offline;
        int delayMs = 0;
    };

    // Listens, and points this process and the programs it starts (which inherit its environment) at
    // itself as their proxy.
    bool start()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    // Only the first line of a request matters.
                    while (socket->canReadLine())
                        if (const QList<QByteArray> words = socket->readLine().split(' '); words[0] == "GET")
                            respond(socket, words.value(1));
                });
        });
        m_clock.start();
        if (!m_server.listen(QHostAddress::LocalHost))
            return false;
        qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(m_server.serverPort()));
        qunsetenv("no_proxy");
        qunsetenv("NO_PROXY");
        return setWindowsProxy("127.0.0.1:" + QByteArray::number(m_server.serverPort()));
    }
    void setAnswer(const QString& number, const Behaviour& behaviour) { m_answers.insert(number, behaviour); }
    void setDefaultAnswer(const Behaviour& behaviour) { m_answers.insert(QString(), behaviour); }
    // Calls `action` once, when the next presence query arrives, unless `context` is gone by then.
    void onNextQuery(const QObject* context, std::function<void()> f) { m_next.append({context, f}); }
    // The numbers of the presence queries received, decoded, in order of arrival.
    const QStringList& queriedNumbers() const { return m_queried; }
    // When the first query for `number` arrived, in milliseconds since start(); -1 while none has.
    qint64 queriedAt(const QString& number) const { return m_queriedAt.value(m_queried.indexOf(number), -1); }
    // Milliseconds since start(), on the clock queriedAt() reads.
    qint64 now() const { return m_clock.elapsed(); }

private:
    // Windows programs take their proxy from the Internet settings, as the user's browser does, not from
    // the environment: the settings' binary form, which WinHTTP reads (and so Qt), names it.
    static bool setWindowsProxy([[maybe_unused]] const QByteArray& proxy)
    {
#ifdef Q_OS_WIN
        const auto number = [](quint32 value) { return QByteArray(reinterpret_cast<const char*>(&value), 4); };
        constexpr quint32 settingsVersion = 0x46, direct = 1, throughProxy = 2;
        const QByteArray settings = number(settingsVersion) + number(0) + number(direct | throughProxy) +
                                    number(quint32(proxy.size())) + proxy + number(0) /* bypass list */ +
                                    number(0) /* script address */ + QByteArray(32, '\0');
        return RegSetKeyValueW(HKEY_CURRENT_USER,
                               L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
                               L"DefaultConnectionSettings", REG_BINARY, settings.constData(),
                               DWORD(settings.size())) == ERROR_SUCCESS;
#else
        return true;
#endif
    }

    void respond(QTcpSocket* socket, const QByteArray& target)
    {
        // One answer a connection, closed once written: on connections kept open Qt was seen to send a
        // query twice.
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, &QTcpSocket::disconnectFromHost);
        const QByteArray prefix = "http://wpa.qq.com/pa?p=1:", redirect = "HTTP/1.1 302 Found\r\nLocation: ";
        if (!target.startsWith(prefix) || !target.mid(prefix.size()).endsWith(":1")) {
            m_pictureAskedAt = m_clock.elapsed();
            return (void)socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        }
        if (isResent(target))
            return;
        m_queried << QString::fromUtf8(QByteArray::fromPercentEncoding(target.mid(prefix.size()).chopped(2)));
        m_queriedAt << m_clock.elapsed();
        const auto [answer, delayMs] = m_answers.value(m_queried.last(), m_answers.value(QString()));
        for (const auto& [context, action] : std::exchange(m_next, {}))
            if (context)
                action();
        const QByteArray responses[] = {
            redirect + "http://pub.idqqimg.com/qq_online.gif\r\nContent-Length: 0\r\n\r\n",
            redirect + "http://pub.idqqimg.com/qq_offline.gif\r\nContent-Length: 0\r\n\r\n",
            "HTTP/1.1 400 Bad Request\r\nContent-Length: 100000\r\n\r\n" + QByteArray(100000, 'E'),
            {},
            "HTTP/1.1 200 OK\r\nContent-Length: 1000000000\r\n\r\n" + QByteArray(1000000, 'G'),
            redirect + target + "\r\nContent-Length: 0\r\n\r\n",
            redirect + "http://127.0.0.1:1/\r\nContent-Length: 0\r\n\r\n"};
        m_redirected = answer == Answer::Online || answer == Answer::Offline ? target : QByteArray();
        m_pictureAskedAt = -1;
        QTimer::singleShot(delayMs, socket, [this, socket, r = responses[int(answer)]] {
            socket->write(r);
            m_answeredAt = m_clock.elapsed();
        });
    }

    // Qt on Windows was seen to send a query once more as it followed the redirect of the answer to a status
    // picture, within moments of the answer: before it asked for the picture, or at the same moment, on a new
    // connection that it dropped at once. The program did not ask twice, and the copy is neither answered nor
    // counted. The program asks again only once it has read the picture, 10 ms later at the least under Wine,
    // or when it has been started anew, which takes far longer.
    bool isResent([[maybe_unused]] const QByteArray& target) const
    {
#ifdef Q_OS_WIN
        constexpr qint64 sameMomentMs = 3, momentsMs = 300;
        const qint64 now = m_clock.elapsed();
        return target == m_redirected && now - m_answeredAt < momentsMs &&
               (m_pictureAskedAt < 0 || now - m_pictureAskedAt < sameMomentMs);
#else
        return false;
#endif
    }

    QTcpServer m_server;
    QHash<QString, Behaviour> m_answers; // the default one under no number
    QStringList m_queried;
    QList<qint64> m_queriedAt;
    QElapsedTimer m_clock;
    QList<std::pair<QPointer<const QObject>, std::function<void()>>> m_next;
    QByteArray m_redirected;      // the query last answered with a redirect to a status picture
    qint64 m_answeredAt = 0;
    qint64 m_pictureAskedAt = -1; // when a picture was asked for since, if it was
};
