#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

// The window's browser: it fetches an address, follows the server's redirects and reports where the
// navigation ended. It shows nothing; the main window keeps it out of sight.
//
// Every navigation ends with exactly one NavigateComplete2, delivered from the event loop, never from
// inside Navigate. A failure (network error, HTTP error status, no complete answer in time) ends at
// errorAddress. Starting a navigation abandons the one before, which then reports nothing.
class WebBrowser : public QWidget
{
    Q_OBJECT

public:
    static const QString errorAddress;
    static constexpr std::chrono::milliseconds defaultNavigationTimeout{10000};
    // The body is never looked at; past this many bytes the rest is not even read.
    static constexpr qint64 bodyReadLimit = 64 * 1024;
    static constexpr int maximumRedirects = 20;

    explicit WebBrowser(QWidget* parent = nullptr);
    ~WebBrowser() override;

    void Navigate(const QString& address);

    void setNavigationTimeout(std::chrono::milliseconds timeout) { m_deadline.setInterval(timeout); }

signals:
    void NavigateComplete2(QObject* browser, const QString& finalAddress);

private:
    void onFinished();
    void onReadyRead();
    void onDeadline();
    void complete(const QString& finalAddress);
    // Where a navigation whose last answer is `reply` ends: its address, or errorAddress on a failure.
    static QString endOf(const QNetworkReply& reply);
    void abandonNavigation();

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    qint64 m_bodyBytes = 0;
};
