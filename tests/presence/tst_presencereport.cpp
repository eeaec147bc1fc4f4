#include "friendlistmodel.h"
#include "presenceaddress.h"
#include "presencereport.h"

#include <QTest>

namespace {

const QString online = QStringLiteral("http://pub.idqqimg.com/qq_online.gif");

// Three friends, all being checked, as a check run leaves them before their answers come in.
void fillChecking(FriendListModel& list)
{
    for (const char* nickname : {"小明", "Alice", "老王"}) {
        const int position = list.addFriend(QString(), QString::fromUtf8(nickname));
        list.setText(position, QStringLiteral("正在检测"));
        list.setStatus(position, FriendStatus::Checking);
    }
}

QString rowsOf(const FriendListModel& list)
{
    QStringList rows;
    for (int position = 1; position <= list.count(); ++position)
        rows << QStringLiteral("%1:%2").arg(list.text(position)).arg(int(list.status(position)));
    return rows.join(QLatin1Char(' '));
}

} // namespace

class TestPresenceReport : public QObject
{
    Q_OBJECT

private slots:
    void queryAddressKeepsTheNumberInsideTheQuery_data();
    void queryAddressKeepsTheNumberInsideTheQuery();

    void reportDecidesTheOutcome_data();
    void reportDecidesTheOutcome();
    void laterReportOverwritesEarlierOne();
};

void TestPresenceReport::queryAddressKeepsTheNumberInsideTheQuery_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("address");
    QTest::newRow("digits") << "10001"
                            << "http://wpa.qq.com/pa?p=1:10001:1";
    QTest::newRow("letters as typed") << "abc12XY"
                                      << "http://wpa.qq.com/pa?p=1:abc12XY:1";
    QTest::newRow("blanks") << " 1 2 "
                            << "http://wpa.qq.com/pa?p=1:%201%202%20:1";
    QTest::newRow("structure characters") << "1#2?3&4%5/6"
                                          << "http://wpa.qq.com/pa?p=1:1%232%3F3%264%255%2F6:1";
    QTest::newRow("line break") << "1\r\nHost: x"
                                << "http://wpa.qq.com/pa?p=1:1%0D%0AHost%3A%20x:1";
    QTest::newRow("chinese") << "号"
                             << "http://wpa.qq.com/pa?p=1:%E5%8F%B7:1";
    QTest::newRow("emoji") << "😀"
                           << "http://wpa.qq.com/pa?p=1:%F0%9F%98%80:1";
    QTest::newRow("empty") << ""
                           << "http://wpa.qq.com/pa?p=1::1";
}

void TestPresenceReport::queryAddressKeepsTheNumberInsideTheQuery()
{
    QFETCH(QString, number);
    QFETCH(QString, address);
    QCOMPARE(PresenceAddress::queryAddress(number), address);
    QCOMPARE(PresenceAddress::onlineImageAddress(), online);
}

void TestPresenceReport::reportDecidesTheOutcome_data()
{
    QTest::addColumn<int>("position"); // what CurrentIndex names when the report comes
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("rows");
    const QString untouched = QStringLiteral("正在检测:3 正在检测:3 正在检测:3");
    const QString offline = QStringLiteral("正在检测:3 Alice:2 正在检测:3");
    QTest::newRow("online image") << 2 << online << "正在检测:3 Alice:1 正在检测:3";
    QTest::newRow("offline image") << 2 << "http://pub.idqqimg.com/qq_offline.gif" << offline;
    QTest::newRow("start address") << 2 << "http:///" << untouched;
    QTest::newRow("upper case") << 2 << "http://pub.idqqimg.com/QQ_ONLINE.GIF" << offline;
    QTest::newRow("trailing slash") << 2 << online + "/" << offline;
    QTest::newRow("query string") << 2 << online + "?v=1" << offline;
    QTest::newRow("https") << 2 << "https://pub.idqqimg.com/qq_online.gif" << offline;
    QTest::newRow("browser error page") << 2 << "about:neterror" << offline;
    QTest::newRow("empty") << 2 << "" << offline;
    QTest::newRow("no friend waiting") << 0 << online << untouched;
}

void TestPresenceReport::reportDecidesTheOutcome()
{
    QFETCH(int, position);
    QFETCH(QString, address);
    QFETCH(QString, rows);
    FriendListModel list;
    fillChecking(list);
    applyPresenceReport(list, position, address);
    QCOMPARE(rowsOf(list), rows);
}

void TestPresenceReport::laterReportOverwritesEarlierOne()
{
    FriendListModel list;
    fillChecking(list);
    applyPresenceReport(list, 1, online);
    applyPresenceReport(list, 1, QStringLiteral("http://pub.idqqimg.com/qq_offline.gif"));
    applyPresenceReport(list, 1, QStringLiteral("http:///"));
    QCOMPARE(rowsOf(list), QStringLiteral("小明:2 正在检测:3 正在检测:3"));
}

QTEST_GUILESS_MAIN(TestPresenceReport)
#include "tst_presencereport.moc"
