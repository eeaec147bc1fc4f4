#pragma once

#include <QObject>

// A window's visual-style control: gives the window the application's themed look, so that skins
// draw the same on every desktop. Configured by its stored settings only.
class WindowsXPC : public QObject
{
    Q_OBJECT

public:
    explicit WindowsXPC(QObject* parent = nullptr);

    void start();
    int startCount() const { return m_startCount; }

signals:
    void started();

private:
    int m_startCount = 0;
};
