#include "checkrun.h"
#include "fakepresenceservice.h"
#include "friendlistmodel.h"
#include "presencereport.h"
#include "webbrowser.h"

#include <QTest>

// A number with everything that must be percent-encoded to stay inside the query.
const QString typed = QStringLiteral(" 1#2?3&4/5%号😀\r\n\t");
const QString online = QStringLiteral("http://pub.idqqimg.com/qq_online.gif"),
              error = QStringLiteral("about:neterror");

class TestPresence : public QObject
{
    Q_OBJECT
    FakePresenceService m_service;

private slots:
    void initTestCase()
    {
        QVERIFY(m_service.start());
        m_service.setAnswer(typed, {FakePresenceService::Answer::Online});
        // Answered a few slices after its query.
        m_service.setAnswer("late", {FakePresenceService::Answer::Offline, 60});
        m_service.setAnswer("error", {FakePresenceService::Answer::ErrorStatus});
        m_service.setAnswer("silent", {FakePresenceService::Answer::NoAnswer});
        m_service.setAnswer("endless", {FakePresenceService::Answer::EndlessBody});
        m_service.setAnswer("refused", {FakePresenceService::Answer::Refused});
        m_service.setAnswer("loop", {FakePresenceService::Answer::Loop});
    }

    // The data tag is where a navigation ended; a friend being checked is given that outcome, which its
    // row's tool tip says.
    void reports_data()
    {
        QTest::addColumn<QString>("said");
        QTest::newRow("http://pub.idqqimg.com/qq_online.gif") << "在线";
        QTest::newRow("http://pub.idqqimg.com/QQ_online.gif") << "离线";
        QTest::newRow("http://pub.idqqimg.com/qq_online.gif/") << "离线";
        QTest::newRow("http://pub.idqqimg.com/qq_online.gif?v=1") << "离线";
        QTest::newRow("http://x/http://pub.idqqimg.com/qq_online.gif") << "离线";
        QTest::newRow("about:neterror") << "离线（检测失败）";
        QTest::newRow("http:///") << "正在检测"; // where the browser starts: no answer
    }
    void reports()
    {
        FriendListModel list;
        list.setStatus(list.addFriend("1", "n"), FriendStatus::Checking);
        applyPresenceReport(list, 1, QString::fromUtf8(QTest::currentDataTag()));
        QTEST(list.index(0, 0).data(Qt::ToolTipRole).toString(), "said");
    }

    // Check runs over the fake service; what the browser reported, in order, shows which friends were
    // checked and where each navigation ended.
    void checkRun_data()
    {
        QTest::addColumn<QStringList>("friends"); // numbers, also their nicknames
        QTest::addColumn<QStringList>("reports");
        const QString offline = QStringLiteral("http://pub.idqqimg.com/qq_offline.gif");
        QTest::newRow("every kind of answer, in turn")
            << QStringList{typed, "late", "error", "silent", "endless", "refused", "loop"}
            << QStringList{online, offline, error, error, "http://wpa.qq.com/pa?p=1:endless:1", error, error};
        QTest::newRow("no friends") << QStringList() << QStringList();
        QTest::newRow("deleted and added meanwhile")
            << QStringList{typed, "0", "late"} << QStringList{online, offline};
        QTest::newRow("stopped meanwhile") << QStringList{typed} << QStringList();
    }
    void checkRun()
    {
        QFETCH(QStringList, friends);
        FriendListModel list;
        WebBrowser browser;
        CheckRun run(list, browser);
        run.setWaitSlice(std::chrono::milliseconds(20));
        browser.setNavigationTimeout(std::chrono::milliseconds(500));
        for (const QString& number : friends)
            list.addFriend(number, number);
        const QByteArray row = QTest::currentDataTag();
        m_service.onNextQuery(&run, [&] {
            QCOMPARE(list.match(list.index(0, 0), 0, CheckRun::checkingText, -1).size(), list.count());
            if (row == "deleted and added meanwhile") { // the deleted one is skipped, the added one waits
                list.remove(2);
                list.addFriend("new", "new");
            }
            if (row == "stopped meanwhile")
                run.stop();
        });
        QStringList reports;
        connect(&browser, &WebBrowser::NavigateComplete2, [&](QObject*, QString at) { reports << at; });
        // Refused at once, yet reported from the event loop only (and abandoned by the run's first query).
        browser.Navigate("http://127.0.0.1:1/");
        QCOMPARE(reports.size(), 0);
        const QDeadlineTimer soon(1000);
        for (const char* interval : {"0", "-1", "x"}) // no wait at all
            run.Timeout(interval);
        QVERIFY(!soon.hasExpired());
        run.refresh();
        QTEST(reports, "reports");
    }
};

QTEST_MAIN(TestPresence)
#include "tst_presence.moc"
