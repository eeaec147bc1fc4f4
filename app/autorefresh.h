#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

class CheckRun;
class QWidget;

// Asks for a check run a chosen number of minutes after the previous run ended. None is asked for
// while a run is going (its end counts the next interval), nor while a dialog or a message box waits
// for the user: a run that falls due then is asked for when they close.
class AutoRefresh : public QObject
{
    Q_OBJECT

public:
    static constexpr int choices[] = {0, 1, 5, 15, 60}; // minutes; 0 is off

    // `window` is the main window: it is unblocked when the last dialog over it closes.
    AutoRefresh(CheckRun& run, QWidget* window);

    int minutes() const { return m_minutes; }
    // One of the choices; anything else is off.
    void setMinutes(int minutes);
    // The intervals pass `times` times faster (1: as the clock does).
    void setSpeedUp(int times);
    // No run is asked for any more: the program is going away.
    void stop();
    // When the next run is due; none while automatic checks are off or a run is going (its end counts
    // the next interval).
    std::optional<QDateTime> nextRun() const;

signals:
    void refreshDue();
    // The next run's time has changed.
    void rescheduled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void schedule();
    void startWhenFree();

    CheckRun& m_run;
    QTimer m_timer;
    QElapsedTimer m_sinceRun; // since the previous run ended; invalid before the first one
    int m_speedUp = 1;
    int m_minutes = 0;
    bool m_due = false;
    bool m_stopped = false;
};
