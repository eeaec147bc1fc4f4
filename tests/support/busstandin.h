#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QThread>

// A desktop service stood in for by the tests, on a connection and a thread of its own: the program (and Qt
// inside it) may call it and wait for the answer. What it keeps is read through inThread(), which also
// waits until the calls that arrived before have been handled.
class BusStandIn : public QObject
{
public:
    BusStandIn(const QString& service, const QString& path)
        : m_service(service)
        , m_path(path)
    {
        m_thread.start();
        moveToThread(&m_thread);
    }
    ~BusStandIn() override
    {
        QThread* owner = QThread::currentThread();
        inThread([this, owner] { // ended where it was made, and handed back to be destroyed here
            m_bus.unregisterObject(m_path);
            moveToThread(owner);
        });
        m_thread.quit();
        m_thread.wait();
    }

    // Takes the service's name; false without a session bus or when another owns it.
    bool start()
    {
        inThread([this] { // where QtDBus makes the object's helpers
            if (!m_bus.objectRegisteredAt(m_path))
                m_bus.registerObject(m_path, this, QDBusConnection::ExportAllContents);
        });
        return m_bus.objectRegisteredAt(m_path) == this && m_bus.registerService(m_service);
    }
    // Gives the name up: the program finds no such service.
    void stop() { m_bus.unregisterService(m_service); }

protected:
    QDBusConnection connection() const { return m_bus; }
    template<typename F>
    void inThread(F f) const
    {
        QMetaObject::invokeMethod(const_cast<BusStandIn*>(this), f, Qt::BlockingQueuedConnection);
    }

private:
    QThread m_thread;
    const QString m_service, m_path;
    QDBusConnection m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_service);
};
