#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <functional>

class QTcpServer;
class QTcpSocket;

// A stand-in for the QQ presence service on 127.0.0.1, reached as an HTTP proxy so that the program's
// requests keep their real addresses. A query for a number is answered the way that number was set
// up to be answered: a redirect to the online or the offline image (maybe after a delay), an error
// status, a dropped connection, no answer at all, or the online redirect trickled a byte a second.
// Every request is recorded with its arrival time. The image "endless.gif" announces a gigabyte and
// streams it for as long as the reader takes it. An https address is reached through a tunnel
// (CONNECT) and sends the browser down to the online image over http, which a browser must refuse.
class FakePresenceService : public QObject
{
    Q_OBJECT

public:
    enum class Answer
    {
        Online,
        Offline,
        Redirect, // to `location`, given as raw header bytes
        ErrorStatus,
        DropConnection,
        NoAnswer,
        Trickle // the online redirect, a byte a second: only a deadline ends the wait
    };
    struct Behaviour
    {
        Answer answer = Answer::Offline;
        int delayMs = 0;
        QByteArray location = {};
    };
    struct Request
    {
        QByteArray target;   // as a proxy gets it; in a tunnel, "https://host" and the path
        qint64 receivedAtMs; // on the clock of now()
    };
    static const QByteArray offlineImageAddress;
    // Milliseconds on a monotonic clock, for timing what the service sees against what a test sees.
    static qint64 now();

    explicit FakePresenceService(QObject* parent = nullptr);

    bool start();
    QByteArray proxyUrl() const;
    // Points this process's proxy settings (http_proxy, https_proxy) at the service, and makes the
    // process trust the certificate of its https side.
    void useAsProxy() const;
    // This process's environment, for a program started from it that should use the service, headless.
    QProcessEnvironment programEnvironment() const;

    void setAnswer(const QString& number, const Behaviour& behaviour) { m_answers.insert(number, behaviour); }
    void setDefaultAnswer(const Behaviour& behaviour) { m_defaultAnswer = behaviour; }

    // Calls `action` once, when the next presence query arrives, unless `context` is gone by then.
    void onNextQuery(const QObject* context, const std::function<void()>& action);

    const QList<Request>& requests() const { return m_requests; }
    // The presence queries among the requests (the rest fetch images).
    QList<Request> queries() const;
    // The numbers of the presence queries received, decoded, in order of arrival.
    QStringList queriedNumbers() const;
    static QString numberOfQuery(const QByteArray& target);
    // The body bytes of "endless.gif" handed to the network so far, over all its readers.
    qint64 streamedBytes() const { return m_streamedBytes; }

signals:
    void queryReceived(const QString& number);

private:
    void accept();
    void handleRequest(QTcpSocket* socket, const QByteArray& target);
    void answerQuery(QTcpSocket* socket, const Behaviour& behaviour);
    void stream(QTcpSocket* socket);
    static void respond(QTcpSocket* socket, const QByteArray& response);
    static void trickle(QTcpSocket* socket, const QByteArray& response);

    QTcpServer* m_server = nullptr;
    QHash<QString, Behaviour> m_answers;
    Behaviour m_defaultAnswer;
    QList<Request> m_requests;
    qint64 m_streamedBytes = 0;
};
