#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One running program per list file. The first start takes a lock beside the list and listens on a
// local socket named after the list's folder; a later start for that folder finds the lock held, asks
// the first one to bring its window forward and ends without reading or writing the list. Two windows
// over one file would each save the list they read, and the last to close would undo the other.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Claim
    {
        Keeper,    // this program keeps the list (also where no lock can be had: it runs as ever)
        Forwarded, // the program keeping the list has been asked to show its window
        Unanswered // a running program keeps the list but does not answer
    };

    // What the user is told when the program keeping the list does not answer.
    static const QString unansweredText;

    explicit SingleInstance(const QString& listFilePath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the list, or asks the program that has it to show its window.
    Claim claim();

public slots:
    // The list is saved and this program is ending: from now on another start may take the list.
    void release();

signals:
    // A later start asks for this program's window.
    void showRequested();

private:
    bool takeLock();
    void removeTakeoverLeftovers();
    void listen();
    void answerRequests();
    bool askKeeperToShow() const;
    static QString serverNameFor(const QString& listFilePath);

    QLockFile m_lock;
    QString m_serverName;
    QLocalServer* m_server = nullptr;
};
