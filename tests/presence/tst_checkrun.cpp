#include "checker.h"
#include "fakepresenceservice.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using Answer = FakePresenceService::Answer;
using namespace std::chrono_literals;

class TestCheckRun : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void emptyListReturnsAtOnce();
    void queriesInOrderAndNoticesOutcomesAtSliceEnds();
    void failedQueriesEndOffline();
    void friendAddedDuringTheRunWaitsForTheNext();
    void stopEndsTheRunAtOnce();

    void timeoutReadsTheNumberItsIntervalBeginsWith_data();
    void timeoutReadsTheNumberItsIntervalBeginsWith();

private:
    FakePresenceService* m_service = nullptr;
};

void TestCheckRun::init()
{
    // A fresh service for each case: no answers or records carried over.
    delete m_service;
    m_service = new FakePresenceService(this);
    QVERIFY(m_service->start());
    m_service->useAsProxy();
}

void TestCheckRun::emptyListReturnsAtOnce()
{
    Checker checker;
    QCOMPARE_LT(checker.timedRefresh(), 1000);
    QVERIFY(m_service->requests().isEmpty());
    QCOMPARE(checker.run.CurrentIndex(), 0);
}

void TestCheckRun::queriesInOrderAndNoticesOutcomesAtSliceEnds()
{
    m_service->setAnswer(QStringLiteral("10001"), {Answer::Online});
    m_service->setAnswer(QStringLiteral("10002"), {Answer::Offline, 3000});
    Checker checker;
    checker.add(QStringLiteral("10001"), QStringLiteral("小明"));
    checker.add(QStringLiteral("10002"), QStringLiteral("Alice"));
    QString rowsAtFirstQuery;
    m_service->onNextQuery(&checker.run, [&] { rowsAtFirstQuery = checker.rows(); });
    qint64 secondOutcomeAt = 0;
    connect(&checker.list, &FriendListModel::dataChanged, this, [&] {
        if (checker.list.status(2) == FriendStatus::Offline)
            secondOutcomeAt = FakePresenceService::now();
    });

    const qint64 took = checker.timedRefresh();

    QCOMPARE(rowsAtFirstQuery, QStringLiteral("正在检测:3 正在检测:3"));
    QCOMPARE(checker.rows(), QStringLiteral("小明:1 Alice:2"));
    QCOMPARE(m_service->queriedNumbers(), QStringList({"10001", "10002"}));
    QCOMPARE(checker.run.CurrentIndex(), 2);
    // The first friend costs one whole slice; the second, answered after 3 s, is shown at once but
    // the run moves on only at the end of its second slice.
    const qint64 firstQueryAt = m_service->queries().at(0).receivedAtMs;
    const qint64 secondQueryAt = m_service->queries().at(1).receivedAtMs;
    // The service's clock and ours are read a few milliseconds apart from the events they time.
    QCOMPARE_GE(secondQueryAt - firstQueryAt, 1950);
    QCOMPARE_GE(secondOutcomeAt - secondQueryAt, 2950);
    QCOMPARE_LT(secondOutcomeAt - secondQueryAt, 3900);
    QCOMPARE_GE(took, 6000);
}

void TestCheckRun::failedQueriesEndOffline()
{
    m_service->setAnswer(QStringLiteral("1"), {Answer::ErrorStatus});
    m_service->setAnswer(QStringLiteral("2"), {Answer::DropConnection});
    m_service->setAnswer(QStringLiteral("3"), {Answer::NoAnswer});
    Checker checker;
    checker.run.setWaitSlice(50ms);
    checker.browser.setNavigationTimeout(500ms);
    for (const char* number : {"1", "2", "3"})
        checker.add(QLatin1String(number), QStringLiteral("n") + QLatin1String(number));

    checker.timedRefresh();

    QCOMPARE(checker.rows(), QStringLiteral("n1:2 n2:2 n3:2"));
}

void TestCheckRun::friendAddedDuringTheRunWaitsForTheNext()
{
    Checker checker;
    checker.run.setWaitSlice(50ms);
    checker.add(QStringLiteral("10001"), QStringLiteral("小明"));
    m_service->onNextQuery(&checker.run,
                           [&] { checker.add(QStringLiteral("20002"), QStringLiteral("新朋友")); });

    checker.timedRefresh();

    QCOMPARE(m_service->queriedNumbers(), QStringList({"10001"}));
    QCOMPARE(checker.rows(), QStringLiteral("小明:2 新朋友:2"));
}

void TestCheckRun::stopEndsTheRunAtOnce()
{
    m_service->setDefaultAnswer({Answer::NoAnswer});
    Checker checker;
    checker.add(QStringLiteral("1"), QStringLiteral("n1"));
    checker.add(QStringLiteral("2"), QStringLiteral("n2"));
    // A second refresh inside the first, and the program ends while the inner one waits.
    m_service->onNextQuery(&checker.run, [&] {
        QTimer::singleShot(0, &checker.run, &CheckRun::refresh);
        m_service->onNextQuery(&checker.run, [&] { QTimer::singleShot(100, &checker.run, &CheckRun::stop); });
    });

    QCOMPARE_LT(checker.timedRefresh(), 1900);

    QCOMPARE(m_service->queriedNumbers(), QStringList({"1", "1"}));
    QCOMPARE(checker.rows(), QStringLiteral("正在检测:3 正在检测:3"));
    checker.list.setStatus(1, FriendStatus::Offline);
    QElapsedTimer clock;
    clock.start();
    checker.run.Timeout(2);
    checker.run.refresh();
    QCOMPARE_LT(clock.elapsed(), 1000);
    QCOMPARE(checker.list.status(1), FriendStatus::Offline); // a stopped run marks no one
}

void TestCheckRun::timeoutReadsTheNumberItsIntervalBeginsWith_data()
{
    QTest::addColumn<QVariant>("interval");
    QTest::addColumn<int>("waitMs");
    QTest::newRow("0") << QVariant(0) << 0;
    QTest::newRow("-1") << QVariant(-1) << 0;
    QTest::newRow("abc") << QVariant(QStringLiteral("abc")) << 0;
    QTest::newRow("empty text") << QVariant(QString()) << 0;
    QTest::newRow("text 2") << QVariant(QStringLiteral("2")) << 2000;
    QTest::newRow("number 2") << QVariant(qint16(2)) << 2000;
    QTest::newRow("blanks and a fraction") << QVariant(QStringLiteral("  0.5 s")) << 500;
}

void TestCheckRun::timeoutReadsTheNumberItsIntervalBeginsWith()
{
    QFETCH(QVariant, interval);
    QFETCH(int, waitMs);
    Checker checker;
    bool pumped = false;
    QTimer::singleShot(0, this, [&] { pumped = true; });
    QElapsedTimer clock;
    clock.start();

    checker.run.Timeout(interval);

    const qint64 waited = clock.elapsed();
    QCOMPARE(pumped, waitMs > 0);
    QCOMPARE_GE(waited, waitMs);
    QCOMPARE_LT(waited, waitMs + 900);
}

QTEST_MAIN(TestCheckRun)
#include "tst_checkrun.moc"
