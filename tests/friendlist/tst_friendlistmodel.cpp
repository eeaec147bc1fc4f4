#include "friendlistmodel.h"
#include "friendlistview.h"

#include <QSignalSpy>
#include <QtTest>
#include <climits>

class TestFriendListModel : public QObject
{
    Q_OBJECT

    static QImage shownIcon(const FriendListModel& model, int column = FriendListModel::TextColumn)
    {
        const QVariant icon = model.data(model.index(0, column), Qt::DecorationRole);
        return icon.value<QIcon>().pixmap(StatusImageList::imageSize()).toImage();
    }

private slots:
    void appendAndRemove()
    {
        FriendListModel model;
        FriendListView view;
        view.setFriendList(&model);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(view.selectedPosition(), 0);

        for (const QString name : {"甲", "乙", "丙"})
            model.addFriend(name == "丙" ? "30003" : "10001", QString());
        // The same number twice is two friends, not one.
        QCOMPARE(model.count(), 3);
        QCOMPARE(model.number(2), "10001");
        QCOMPARE(model.status(2), FriendStatus::Offline);
        QVERIFY(model.nickname(2).isEmpty());

        view.selectPosition(3);
        model.remove(2);
        QCOMPARE(model.count(), 2);
        QCOMPARE(model.number(2), "30003");
        QCOMPARE(model.number(1), "10001");
        QCOMPARE(view.selectedPosition(), 2);
    }

    void outOfRangeIsHarmless_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -1;
        QTest::newRow("one past the end") << 3;
        QTest::newRow("INT_MAX") << INT_MAX;
        QTest::newRow("INT_MIN") << INT_MIN;
    }
    void outOfRangeIsHarmless()
    {
        QFETCH(int, position);
        FriendListModel model;
        model.addFriend("", "a");
        model.addFriend("", "b");
        QSignalSpy changed(&model, &FriendListModel::dataChanged);
        QVERIFY(model.text(position).isEmpty() && model.number(position).isEmpty());
        QVERIFY(model.nickname(position).isEmpty());
        QCOMPARE(model.status(position), FriendStatus::None);

        model.setText(position, "x");
        model.setStatus(position, FriendStatus::Online);
        model.remove(position);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(model.count(), 2);
        QCOMPARE(model.text(1) + model.text(2) + model.number(2), "ab");
        QCOMPARE(model.status(2), FriendStatus::Offline);
    }

    void statusShowsItsIcon()
    {
        FriendListModel model;
        model.addFriend("1", "a");
        const QImage appended = shownIcon(model);
        QVector<QImage> images;
        QStringList said; // what the icon cell's tool tip and accessible text say
        for (FriendStatus status : {FriendStatus::Online, FriendStatus::Offline, FriendStatus::Checking}) {
            model.setStatus(1, status);
            QCOMPARE(model.status(1), status);
            for (int role : {Qt::ToolTipRole, Qt::AccessibleTextRole})
                said << model.data(model.index(0, 0), role).toString() +
                            model.index(0, 1).data(role).toString();
            images << shownIcon(model);
            QVERIFY(!images.last().isNull());
            QVERIFY(shownIcon(model, FriendListModel::NumberColumn).isNull());
        }
        QVERIFY(images[0] != images[1] && images[1] != images[2] && images[0] != images[2]);
        QCOMPARE(appended, images[1]); // offline until checked
        QCOMPARE(said, QStringList({"在线", "在线", "离线", "离线", "正在检测", "正在检测"}));
    }

    void columnsAndHeaders_data()
    {
        QTest::addColumn<QString>("nickname");
        QTest::addColumn<QString>("shown");
        const QString x200(200, u'x');
        QTest::newRow("short") << "王"
                               << "王";
        QTest::newRow("200 characters") << x200 << x200;
        QTest::newRow("201 characters") << x200 + "y" << x200 + "…";
        QTest::newRow("cut before a pair") << x200.left(199) + "🐧" << x200.left(199) + "…";
        QTest::newRow("20 million characters") << QString(20000000, u'长') << QString(200, u'长') + "…";
    }
    void columnsAndHeaders()
    {
        QFETCH(QString, nickname);
        QFETCH(QString, shown);
        FriendListModel model;
        model.addFriend(nickname, nickname);
        QStringList shownColumns;
        QStringList headers;
        for (int column = 0; column < model.columnCount(); ++column) {
            shownColumns << model.data(model.index(0, column)).toString();
            headers << model.headerData(column, Qt::Horizontal).toString();
        }
        QCOMPARE(shownColumns, QStringList({shown, shown, shown}));
        QCOMPARE(headers, QStringList({"标题", "号码", "昵称"}));
        // Only what is shown is cut.
        QVERIFY(model.text(1) == nickname && model.number(1) == nickname && model.nickname(1) == nickname);
    }

    void longListInView()
    {
        constexpr int rows = 32767;
        FriendListModel model;
        for (int i = 1; i <= rows; ++i)
            model.addFriend(QString::number(100000 + i), QString::number(i));
        FriendListView view;
        view.setFriendList(&model);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        view.selectPosition(rows);
        view.scrollToBottom();
        const QModelIndex last = model.index(rows - 1, FriendListModel::NumberColumn);
        QCOMPARE(view.model()->rowCount(), rows);
        QVERIFY(view.viewport()->rect().contains(view.visualRect(last)));
        QCOMPARE(last.data().toString(), QString::number(100000 + rows));
        QCOMPARE(view.selectedPosition(), rows);
    }
};

QTEST_MAIN(TestFriendListModel)
#include "tst_friendlistmodel.moc"
