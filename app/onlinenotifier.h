#pragma once

#include <QObject>

class QWidget;

// Tells the user that a friend has come online: a desktop notification through the notification
// service on the session bus, or, where no such service answers, the main window asks for attention.
// Nothing waits for the bus: the notification is sent and the answer handled when it comes.
class OnlineNotifier : public QObject
{
    Q_OBJECT

public:
    explicit OnlineNotifier(QWidget* window);

    void notify(const QString& nickname, const QString& number);

signals:
    // No notification service answered, and the window has asked for attention instead.
    void alerted();

private:
    void alert();

    QWidget* m_window;
};
