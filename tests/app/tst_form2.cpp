#include "appicon.h"
#include "fakepresenceservice.h"
#include "form1.h"
#include "listfixtures.h"
#include "skinengine.h"
#include "windowsxpc.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

QLineEdit* box(QDialog& dialog, const char* name)
{
    return dialog.findChild<QLineEdit*>(QLatin1String(name));
}

void click(QDialog& dialog, const char* name)
{
    dialog.findChild<QPushButton*>(QLatin1String(name))->click();
}

// Types as the input method does, which carries Chinese too (QTest::keyClicks is Latin-1 only).
void fill(QDialog& dialog, const QString& number, const QString& nickname)
{
    for (const auto& [name, text] : {std::pair("Text1", number), std::pair("Text2", nickname)}) {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(box(dialog, name), &commit);
    }
}

// Presses "添加QQ" and lets `use` work in the modal dialog it opens. A dialog that `use` leaves open
// is cancelled so that the test goes on; the result tells whether that was needed.
bool withAddDialog(Form1& form, const std::function<void(QDialog&)>& use)
{
    bool leftOpen = false;
    bool opened = false;
    QTimer::singleShot(0, &form, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        opened = true;
        use(*dialog);
        leftOpen = dialog->isVisible();
        if (leftOpen)
            dialog->reject();
    });
    form.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    if (!opened)
        QTest::qFail("no modal dialog opened", __FILE__, __LINE__);
    return leftOpen;
}

// Leaves the dialog by one of its buttons, by a key typed in the nickname box, or by the frame's close.
void leave(QDialog& dialog, const QString& way)
{
    if (way.startsWith(QLatin1String("Command")))
        click(dialog, qPrintable(way));
    else if (way == QLatin1String("frame"))
        dialog.close();
    else
        QTest::keyClick(box(dialog, "Text2"),
                        way == QLatin1String("Enter") ? Qt::Key_Return : Qt::Key_Escape);
}

QStringList rows(const FriendListModel& list)
{
    QStringList shown;
    for (int row = 0; row < list.rowCount(); ++row)
        shown << QStringList{list.index(row, 0).data().toString(), list.index(row, 1).data().toString(),
                             list.index(row, 2).data().toString()}
                     .join(QLatin1Char('|'));
    return shown;
}

} // namespace

class TestForm2 : public QObject
{
    Q_OBJECT

private slots:
    void dialogOpensAsDesigned_data();
    void dialogOpensAsDesigned();
    void onlyOkWithBothBoxesFilledAdds_data();
    void onlyOkWithBothBoxesFilledAdds();
    void exitSavesFriendsAddedWithTheSameNumber();
    void pastedTextComesBackAfterARestart_data();
    void pastedTextComesBackAfterARestart();
    void everyOpeningAppliesTheChosenSkinThenTheVisualStyle_data();
    void everyOpeningAppliesTheChosenSkinThenTheVisualStyle();
    void dialogOpenedDuringACheckHoldsTheRun();
};

void TestForm2::dialogOpensAsDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("Label1") << "Label1" << QRect(28, 28, 85, 17) << "好友号码：";
    QTest::newRow("Text1") << "Text1" << QRect(88, 27, 137, 18) << "";
    QTest::newRow("Label2") << "Label2" << QRect(28, 64, 93, 13) << "好友昵称：";
    QTest::newRow("Text2") << "Text2" << QRect(88, 60, 137, 18) << "";
    QTest::newRow("Command1") << "Command1" << QRect(244, 24, 81, 21) << "确定";
    QTest::newRow("Command2") << "Command2" << QRect(244, 60, 81, 21) << "放弃";
    QTest::newRow("StatusBar1") << "StatusBar1" << QRect(0, 113, 346, 33)
                                << "PellSabo提示：号码只能为数字，否则程序将出错!";
}

void TestForm2::dialogOpensAsDesigned()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    Form1 form{QString()};
    withAddDialog(form, [&](QDialog& dialog) {
        auto* control = dialog.findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        const QObject* panel = qobject_cast<QStatusBar*>(control) ? control->findChild<QLabel*>() : control;
        QCOMPARE(panel->property("text").toString(), text);

        QCOMPARE(dialog.windowTitle(), QStringLiteral("Tamsk.Fernwatch【添加QQ】"));
        QCOMPARE(dialog.size(), QSize(346, 146));
        QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(dialog.windowIcon().availableSizes(), fernwatchIcon().availableSizes());
        QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
        QCOMPARE(dialog.focusWidget(), box(dialog, "Text1"));
        QStringList chain;
        for (QWidget* w = box(dialog, "Text1"); chain.size() < 4; w = w->nextInFocusChain()) {
            if (w->focusPolicy() != Qt::NoFocus)
                chain << w->objectName();
        }
        QCOMPARE(chain, QStringList({"Text1", "Text2", "Command1", "Command2"}));
        QCOMPARE(dialog.findChild<WindowsXPC*>(QStringLiteral("WindowsXPC1"))->startCount(), 1);
    });
}

void TestForm2::onlyOkWithBothBoxesFilledAdds_data()
{
    QTest::addColumn<QStringList>("typed"); // number, nickname
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("added");

    QTest::newRow("number empty") << QStringList{"", "小明"} << "Command1" << false;
    QTest::newRow("nickname empty") << QStringList{"20002", ""} << "Command1" << false;
    QTest::newRow("both empty") << QStringList{"", ""} << "Command1" << false;
    QTest::newRow("digits and Chinese") << QStringList{"20002", "小明"} << "Command1" << true;
    QTest::newRow("letters in the number") << QStringList{"qq20002x", "Alice"} << "Command1" << true;
    QTest::newRow("blanks kept as typed") << QStringList{" 20002 ", "   "} << "Command1" << true;
    QTest::newRow("Enter") << QStringList{"20002", "小明"} << "Enter" << true;
    QTest::newRow("放弃") << QStringList{"20002", "小明"} << "Command2" << false;
    QTest::newRow("Escape") << QStringList{"20002", "小明"} << "Escape" << false;
    QTest::newRow("frame close") << QStringList{"20002", "小明"} << "frame" << false;
}

void TestForm2::onlyOkWithBothBoxesFilledAdds()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, way);
    QFETCH(bool, added);
    const QString number = typed.at(0);
    const QString nickname = typed.at(1);
    Form1 form{QString()};
    form.friendList().addFriend(QStringLiteral("10001"), QStringLiteral("老王"));

    const bool leftOpen = withAddDialog(form, [&](QDialog& dialog) {
        fill(dialog, number, nickname);
        leave(dialog, way);
        if (dialog.isVisible())
            QCOMPARE(QStringList({box(dialog, "Text1")->text(), box(dialog, "Text2")->text()}), typed);
    });

    // Only a refused OK leaves the dialog open.
    QCOMPARE(leftOpen, way == QLatin1String("Command1") && !added);
    QStringList expected = {"老王|10001|老王"};
    if (added)
        expected << nickname + QLatin1Char('|') + number + QLatin1Char('|') + nickname;
    QCOMPARE(rows(form.friendList()), expected);
    QCOMPARE(form.friendList().status(2), added ? FriendStatus::Offline : FriendStatus::None);
    withAddDialog(form, [](QDialog& dialog) {
        QCOMPARE(box(dialog, "Text1")->text() + box(dialog, "Text2")->text(), QString());
    });
}

void TestForm2::exitSavesFriendsAddedWithTheSameNumber()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QQlist.cfg"));
    Form1 form(path);
    form.load();
    for (const char* nickname : {"新朋友", "Bob"}) {
        withAddDialog(form, [&](QDialog& dialog) {
            fill(dialog, QStringLiteral("40004"), QString::fromUtf8(nickname));
            click(dialog, "Command1");
        });
    }
    QSignalSpy closed(&form, &Form1::closed);

    form.findChild<QPushButton*>(QStringLiteral("Command5"))->click();

    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().first().toInt(), 0);
    QCOMPARE(savedFriends(path), QStringList({"40004|新朋友", "40004|Bob"}));
}

void TestForm2::pastedTextComesBackAfterARestart_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("nickname");

    QTest::newRow("10,000 characters") << QString(10000, u'9') << QString(10000, u'好');
    QTest::newRow("right to left") << QStringLiteral("١٢٣٤٥") << QStringLiteral("\u202Eمرحبا שלום\u200F abc");
    QTest::newRow("emoji and other non-BMP")
        << QStringLiteral("\U0001D7D9\U0001D7DA") << QStringLiteral("😀👨‍👩‍👧 𠀀");
    QTest::newRow("control characters") << QStringLiteral("1\t2\a3\x1b[31m4")
                                        << QStringLiteral("a") + QChar(0) + QStringLiteral("b\u2028c\u0085");
    QTest::newRow("line breaks") << QStringLiteral("1\r2\n3\r\n")
                                 << QStringLiteral("x\n[MEUserData]\nIncout=0\n");
    QTest::newRow("quotes, escapes and blanks at the ends")
        << QStringLiteral(" \"10001\" ") << QStringLiteral("'C:\\u0041\\' ;#");
}

void TestForm2::pastedTextComesBackAfterARestart()
{
    QFETCH(QString, number);
    QFETCH(QString, nickname);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QQlist.cfg"));
    Form1 form(path);
    form.load();
    QStringList held;
    withAddDialog(form, [&](QDialog& dialog) {
        for (const auto& [name, text] : {std::pair("Text1", number), std::pair("Text2", nickname)}) {
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(box(dialog, name), Qt::Key_V, Qt::ControlModifier);
            held << box(dialog, name)->text();
        }
        click(dialog, "Command1");
    });
    QCOMPARE(held, QStringList({number, nickname}));

    QElapsedTimer clock;
    clock.start();
    form.grab(); // the list draws the new row
    form.close();
    QCOMPARE(savedFriends(path), QStringList(held.join(QLatin1Char('|'))));
    QCOMPARE_LT(clock.elapsed(), 5000);
}

void TestForm2::everyOpeningAppliesTheChosenSkinThenTheVisualStyle_data()
{
    QTest::addColumn<QString>("option"); // clicked before the openings; empty: none
    QTest::addColumn<int>("openings");
    QTest::addColumn<QString>("dialogFile"); // empty: no skin applied

    QTest::newRow("none chosen") << "" << 2 << "";
    QTest::newRow("Option1") << "Option1" << 1 << "/black.she";
    QTest::newRow("Option2, three openings") << "Option2" << 3 << "/china.she";
    QTest::newRow("Option3") << "Option3" << 1 << "/qq2009.she";
    QTest::newRow("Option4") << "Option4" << 1 << "/msn.she";
    QTest::newRow("Option5") << "Option5" << 1 << "/qqreal.she";
}

void TestForm2::everyOpeningAppliesTheChosenSkinThenTheVisualStyle()
{
    QFETCH(QString, option);
    QFETCH(int, openings);
    QFETCH(QString, dialogFile);
    Form1 form{QString()};
    if (!option.isEmpty())
        form.findChild<QRadioButton*>(option)->click();
    QStringList applied;
    auto recording = connect(&SkinEngine::instance(), &SkinEngine::attachRequested, this,
                             [&](const QByteArray& path, const QByteArray& password) {
                                 // The dialog exists by now, its visual style not yet started.
                                 const WindowsXPC* style = nullptr;
                                 for (QWidget* window : QApplication::topLevelWidgets()) {
                                     if (window->objectName() == QLatin1String("Form2"))
                                         style = window->findChild<WindowsXPC*>();
                                 }
                                 applied
                                     << QFile::decodeName(path) + QLatin1Char('|') + password +
                                            QStringLiteral("|style %1").arg(style ? style->startCount() : -1);
                             });
    for (int opening = 0; opening < openings; ++opening) {
        withAddDialog(form, [](QDialog& dialog) {
            QCOMPARE(dialog.findChild<WindowsXPC*>(QStringLiteral("WindowsXPC1"))->startCount(), 1);
        });
    }
    disconnect(recording);

    const QString expected =
        QCoreApplication::applicationDirPath() + dialogFile + QStringLiteral("||style 0");
    QCOMPARE(applied, dialogFile.isEmpty() ? QStringList() : QStringList(QList<QString>(openings, expected)));
    for (auto* shown : form.findChildren<QRadioButton*>())
        QCOMPARE(shown->isChecked(), shown->objectName() == option); // opening changes no choice
}

void TestForm2::dialogOpenedDuringACheckHoldsTheRun()
{
    FakePresenceService service;
    QVERIFY(service.start());
    service.useAsProxy();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QQlist.cfg"));
    QVERIFY(writeFileBytes(
        path, "[MEUserData]\nIncout=2\n[1]\nImis1=10001\nImis2=n1\n[2]\nImis1=10002\nImis2=n2\n"));
    Form1 form(path);
    qsizetype queriesWhileOpen = -1;
    service.onNextQuery(&form, [&] {
        withAddDialog(form, [&](QDialog& dialog) {
            QTest::qWait(2500); // longer than a wait slice
            queriesWhileOpen = service.queriedNumbers().size();
            fill(dialog, QStringLiteral("30003"), QStringLiteral("新朋友"));
            click(dialog, "Command1");
        });
    });

    form.load();

    QCOMPARE(queriesWhileOpen, 1);
    QCOMPARE(service.queriedNumbers(), QStringList({"10001", "10002"}));
    QCOMPARE(rows(form.friendList()), QStringList({"n1|10001|n1", "n2|10002|n2", "新朋友|30003|新朋友"}));
    QCOMPARE(form.friendList().status(3), FriendStatus::Offline);
}

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
