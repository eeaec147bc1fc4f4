#include "webbrowser.h"

#include "presenceaddress.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>

const QString WebBrowser::errorAddress = QStringLiteral("about:neterror");

WebBrowser::WebBrowser(QWidget* parent)
    : QWidget(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_locationUrl(PresenceAddress::initialLocation)
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
    // The headers of the last answer are in: the navigation has arrived where it ends.
    if (m_bodyBytes > bodyReadLimit)
        complete(m_reply->url().toString(QUrl::FullyEncoded));
}

void WebBrowser::onFinished()
{
    const int httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool failed = m_reply->error() != QNetworkReply::NoError || httpStatus >= 400;
    complete(failed ? errorAddress : m_reply->url().toString(QUrl::FullyEncoded));
}

void WebBrowser::onDeadline()
{
    complete(errorAddress);
}

void WebBrowser::complete(const QString& finalAddress)
{
    abandonNavigation();
    m_locationUrl = finalAddress;
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
