#include "checker.h"
#include "fakepresenceservice.h"
#include "presenceaddress.h"

#include <QTcpServer>
#include <QTest>
#include <algorithm>

using Answer = FakePresenceService::Answer;
using namespace std::chrono_literals;

class TestPresenceFaults : public QObject
{
    Q_OBJECT

private slots:
    void everyFaultEndsOfflineAndTheRunGoesOn();
};

void TestPresenceFaults::everyFaultEndsOfflineAndTheRunGoesOn()
{
    FakePresenceService service;
    QVERIFY(service.start());
    service.useAsProxy();
    // A port that was just given back: nothing listens there. Loopback addresses bypass the proxy.
    QTcpServer gone;
    QVERIFY(gone.listen(QHostAddress::LocalHost));
    const QByteArray refusingAddress = "http://127.0.0.1:" + QByteArray::number(gone.serverPort());
    gone.close();

    const struct
    {
        const char* number;
        FakePresenceService::Behaviour behaviour;
        FriendStatus outcome;
    } friends[] = {
        {"online", {Answer::Online}, FriendStatus::Online},
        {"loop",
         {Answer::Redirect, 0, PresenceAddress::queryAddress(u"loop").toLatin1()},
         FriendStatus::Offline},
        {"https", {Answer::Redirect, 0, "https://pub.idqqimg.com/qq_online.gif"}, FriendStatus::Offline},
        {"endless", {Answer::Redirect, 0, "http://pub.idqqimg.com/endless.gif"}, FriendStatus::Offline},
        {"trickle", {Answer::Trickle}, FriendStatus::Offline},
        {"malformed", {Answer::Redirect, 0, "http://[pub.idqqimg.com/qq_online.gif"}, FriendStatus::Offline},
        {"refused", {Answer::Redirect, 0, refusingAddress + "/qq_online.gif"}, FriendStatus::Offline},
        {"offline", {Answer::Offline}, FriendStatus::Offline},
    };
    Checker checker;
    checker.run.setWaitSlice(50ms);
    checker.browser.setNavigationTimeout(1500ms); // far shorter than the trickled answer takes
    QStringList expected;
    for (const auto& [number, behaviour, outcome] : friends) {
        service.setAnswer(QLatin1String(number), behaviour);
        checker.add(QLatin1String(number), QLatin1String(number));
        expected << QStringLiteral("%1:%2").arg(QLatin1String(number)).arg(int(outcome));
    }

    QCOMPARE_LT(checker.timedRefresh(), 60000);

    QCOMPARE(checker.rows(), expected.join(QLatin1Char(' ')));
    // The loop ends at the redirect limit, not at the deadline (Qt may send a request again when the
    // service closes the connection under it), and the endless body is let go of long before its end.
    const qsizetype loopQueries = service.queriedNumbers().count(QStringLiteral("loop"));
    QCOMPARE_GE(loopQueries, WebBrowser::maximumRedirects + 1);
    QCOMPARE_LE(loopQueries, WebBrowser::maximumRedirects + 3);
    QCOMPARE_LT(service.streamedBytes(), 64 * 1024 * 1024);
    // The https side was reached, so its way down to the online image over http was refused.
    QVERIFY(std::any_of(service.requests().cbegin(), service.requests().cend(), [](const auto& request) {
        return request.target == "https://pub.idqqimg.com/qq_online.gif";
    }));
}

QTEST_MAIN(TestPresenceFaults)
#include "tst_presencefaults.moc"
