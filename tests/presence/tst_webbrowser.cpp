#include "fakepresenceservice.h"
#include "presenceaddress.h"
#include "webbrowser.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using Answer = FakePresenceService::Answer;
using namespace std::chrono_literals;

class TestWebBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void navigationEndsWhereTheServiceSendsIt_data();
    void navigationEndsWhereTheServiceSendsIt();
    void reportComesFromTheEventLoopOnly();
    void silentServerEndsAtTheDeadline();
    void newNavigationAbandonsThePreviousOne();

private:
    // Navigates to the query address of `number` and returns the one address reported.
    QString finalAddressFor(WebBrowser& browser, const QString& number);

    FakePresenceService m_service;
};

void TestWebBrowser::initTestCase()
{
    QVERIFY(m_service.start());
    m_service.useAsProxy();
}

QString TestWebBrowser::finalAddressFor(WebBrowser& browser, const QString& number)
{
    QSignalSpy reports(&browser, &WebBrowser::NavigateComplete2);
    browser.Navigate(PresenceAddress::queryAddress(number));
    if (!reports.wait(15000))
        return QStringLiteral("<no report>");
    QTest::qWait(50); // a second report would show up here
    if (reports.size() != 1)
        return QStringLiteral("<%1 reports>").arg(reports.size());
    if (reports.first().first().value<QObject*>() != &browser)
        return QStringLiteral("<report names another browser>");
    return reports.first().at(1).toString();
}

void TestWebBrowser::navigationEndsWhereTheServiceSendsIt_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QString>("finalAddress");
    const QString online = PresenceAddress::onlineImageAddress();
    const QString error = WebBrowser::errorAddress;
    auto row = [](const char* name, Answer answer, const QByteArray& location, const QString& address) {
        QTest::newRow(name) << int(answer) << location << address;
    };
    row("online", Answer::Online, {}, online);
    row("offline", Answer::Offline, {}, QString::fromLatin1(FakePresenceService::offlineImageAddress));
    row("path in other case", Answer::Redirect, "http://pub.idqqimg.com/QQ_online.gif",
        "http://pub.idqqimg.com/QQ_online.gif");
    row("query string kept", Answer::Redirect, "http://pub.idqqimg.com/qq_online.gif?x=1", online + "?x=1");
    row("scheme relative redirect", Answer::Redirect, "//pub.idqqimg.com/qq_online.gif", online);
    row("redirect to a missing page", Answer::Redirect, "http://wpa.qq.com/missing", error);
    row("redirect loop", Answer::Redirect, PresenceAddress::queryAddress(QStringLiteral("loop")).toLatin1(),
        error);
    row("endless image, read no further than needed", Answer::Redirect, "http://pub.idqqimg.com/endless.gif",
        "http://pub.idqqimg.com/endless.gif");
    row("server error", Answer::ErrorStatus, {}, error);
    row("dropped connection", Answer::DropConnection, {}, error);
}

void TestWebBrowser::navigationEndsWhereTheServiceSendsIt()
{
    QFETCH(int, answer);
    QFETCH(QByteArray, location);
    QFETCH(QString, finalAddress);
    const QString number = QString::fromLatin1(QTest::currentDataTag()).remove(QLatin1Char(' '));
    m_service.setAnswer(number, {Answer(answer), 0, location});
    m_service.setAnswer(QStringLiteral("loop"), {Answer::Redirect, 0, location});

    WebBrowser browser;
    QCOMPARE(finalAddressFor(browser, number), finalAddress);
}

void TestWebBrowser::reportComesFromTheEventLoopOnly()
{
    WebBrowser browser;
    QSignalSpy reports(&browser, &WebBrowser::NavigateComplete2);
    browser.Navigate(QStringLiteral("not an address"));
    QCOMPARE(reports.size(), 0);
    QVERIFY(reports.wait(5000));
    QCOMPARE(reports.first().at(1).toString(), WebBrowser::errorAddress);
}

void TestWebBrowser::silentServerEndsAtTheDeadline()
{
    m_service.setAnswer(QStringLiteral("silent"), {Answer::NoAnswer});
    WebBrowser browser;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(finalAddressFor(browser, QStringLiteral("silent")), WebBrowser::errorAddress);
    QCOMPARE_GE(clock.elapsed(), 9900);

    browser.setNavigationTimeout(300ms);
    QCOMPARE(finalAddressFor(browser, QStringLiteral("silent")), WebBrowser::errorAddress);
}

void TestWebBrowser::newNavigationAbandonsThePreviousOne()
{
    m_service.setAnswer(QStringLiteral("slow"), {Answer::Online, 500});
    m_service.setAnswer(QStringLiteral("quick"), {Answer::Offline});
    WebBrowser browser;
    browser.setNavigationTimeout(700ms); // a deadline left running would report again within the wait
    QSignalSpy reports(&browser, &WebBrowser::NavigateComplete2);
    browser.Navigate(PresenceAddress::queryAddress(QStringLiteral("slow")));
    QTRY_COMPARE(m_service.queriedNumbers().count(QStringLiteral("slow")), 1);
    browser.Navigate(PresenceAddress::queryAddress(QStringLiteral("quick")));
    QTest::qWait(1000);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.first().at(1).toString(), QString::fromLatin1(FakePresenceService::offlineImageAddress));
}

QTEST_MAIN(TestWebBrowser)
#include "tst_webbrowser.moc"
