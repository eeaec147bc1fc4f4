#include "lastseentext.h"
#include "shownrows.h"

#include <QtTest>

class TestFriendList : public QObject
{
    Q_OBJECT

private slots:
    void model()
    {
        FriendListModel list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QString x199(199, u'x');
        for (const QString& name : {QString("甲"), x199 + "🐧y", QString("丙"), QString("丁")})
            list.addFriend(QString::number(list.count() + 1), name);
        list.remove(3);
        list.setStatus(1, FriendStatus::Online);
        list.setStatus(3, FriendStatus::Checking);
        list.setText(3, "正在检测");
        list.setReminder(1, Reminder::Online, true);
        list.setReminder(1, Reminder::Offline, true);
        // Only what is shown is cut, and never through an emoji.
        QCOMPARE(shownRows(list),
                 QStringList({"甲|1|甲|1", x199 + "…|2|" + x199 + "…|2", "正在检测|4|丁|3"}));
        const auto said = [&](int row) { return list.index(row, 0).data(Qt::ToolTipRole).toString(); };
        QCOMPARE(said(0) + said(1) + said(2), "在线，上线提醒，下线提醒离线正在检测");
        QCOMPARE(list.headerData(1, Qt::Horizontal).toString(), "号码");

        // Only an answered offline, or no answer since start-up, before an answered online is news, and only
        // an answered online before an answered offline.
        QStringList news;
        connect(&list, &FriendListModel::news, [&](const QModelIndex&, Reminder change) {
            news << (change == Reminder::Online ? "came online" : "went offline");
        });
        using S = PresenceState;
        for (const S found :
             {S::Offline, S::Unknown, S::Online, S::Unknown, S::Online, S::Offline, S::Unknown, S::Online}) {
            list.endQuery(2, found);
            news << said(1);
        }
        QCOMPARE(news.join(", "),
                 "离线, 离线（检测失败）, came online, 在线, 离线（检测失败）, 在线, went offline, 离线, "
                 "离线（检测失败）, came online, 在线");
    }

    // Read at 2026-12-07 00:30 local time.
    void lastSeen_data()
    {
        QTest::addColumn<QString>("seen"); // local time
        QTest::addColumn<QString>("text");
        QTest::newRow("a minute ago") << "2026-12-07 00:29"
                                      << "今天 00:29";
        QTest::newRow("before midnight") << "2026-12-06 23:59"
                                         << "昨天 23:59";
        QTest::newRow("two days ago") << "2026-12-05 21:30"
                                      << "12月5日";
        QTest::newRow("last year") << "2025-12-07 00:30"
                                   << "2025年12月7日";
    }
    void lastSeen()
    {
        QFETCH(QString, seen);
        QFETCH(QString, text);
        const auto local = [](const QString& t) { return QDateTime::fromString(t, "yyyy-MM-dd HH:mm"); };
        QCOMPARE(lastSeenText(local(seen).toUTC(), local("2026-12-07 00:30")), text);
    }
};

QTEST_MAIN(TestFriendList)
#include "tst_friendlist.moc"
