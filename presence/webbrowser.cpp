#include "webbrowser.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>

const QString WebBrowser::errorAddress = QStringLiteral("about:neterror");

QString WebBrowser::endOf(const QNetworkReply& reply)
{
    const int httpStatus = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool failed = reply.error() != QNetworkReply::NoError || httpStatus >= 400;
    return failed ? errorAddress : reply.url().toString(QUrl::FullyEncoded);
}

WebBrowser::WebBrowser(QWidget* parent)
    : QWidget(parent)
    , m_network(new QNetworkAccessManager(this))
{
    // Like any browser, go through the proxy the user has set up (on Linux: http_proxy and friends).
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    m_network->setAutoDeleteReplies(false);

    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    m_deadline.setInterval(defaultNavigationTimeout);
    connect(&m_deadline, &QTimer::timeout, this, &WebBrowser::onDeadline);

    // Nothing to see and nothing to type into.
    setFocusPolicy(Qt::NoFocus);
}

WebBrowser::~WebBrowser()
{
    abandonNavigation();
}

void WebBrowser::Navigate(const QString& address)
{
    abandonNavigation();

    QNetworkRequest request{QUrl(address)};
    request.setMaximumRedirectsAllowed(maximumRedirects);
    m_bodyBytes = 0;
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(bodyReadLimit);
    connect(m_reply, &QNetworkReply::readyRead, this, &WebBrowser::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &WebBrowser::onFinished);
    m_deadline.start();
}

void WebBrowser::onReadyRead()
{
    m_bodyBytes += m_reply->skip(m_reply->bytesAvailable());
    // The headers of the last answer are in: the navigation has arrived where it ends, and ends there
    // as it would with the whole body read, an error status included.
    if (m_bodyBytes > bodyReadLimit)
        complete(endOf(*m_reply));
}

void WebBrowser::onFinished()
{
    complete(endOf(*m_reply));
}

void WebBrowser::onDeadline()
{
    complete(errorAddress);
}

void WebBrowser::complete(const QString& finalAddress)
{
    abandonNavigation();
    emit NavigateComplete2(this, finalAddress);
}

void WebBrowser::abandonNavigation()
{
    m_deadline.stop();
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}
