#include "applyskin.h"
#include "skinengine.h"
#include "skinh.h"
#include "windowsxpc.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

class TestApplySkin : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void pathIsTheExecutableFolderFollowedByTheName();
    void shippedSkinsRestyleTheWindows_data();
    void shippedSkinsRestyleTheWindows();
    void unusableSkinChangesNothing_data();
    void unusableSkinChangesNothing();
    void visualStyleStartsTheWindowsOwnControl();

private:
    QString skinFile(const QString& name) const { return QCoreApplication::applicationDirPath() + name; }
    QStringList m_written;
};

void TestApplySkin::cleanup()
{
    for (const QString& path : std::as_const(m_written))
        QFile::remove(path);
    m_written.clear();
    qApp->setStyleSheet(QString());
}

void TestApplySkin::pathIsTheExecutableFolderFollowedByTheName()
{
    QSignalSpy attached(&SkinEngine::instance(), &SkinEngine::attachRequested);
    ApplySkin(QStringLiteral("/china.she"));
    ApplySkin(QStringLiteral("/QQreal.she"));
    QCOMPARE(attached.count(), 2);
    QCOMPARE(attached.at(0).at(0).toByteArray(), skinFile(QStringLiteral("/china.she")).toLocal8Bit());
    QCOMPARE(attached.at(1).at(0).toByteArray(), skinFile(QStringLiteral("/QQreal.she")).toLocal8Bit());
    QCOMPARE(attached.at(1).at(1).toByteArray(), QByteArray(""));
}

void TestApplySkin::shippedSkinsRestyleTheWindows_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title"); // the skin's name in its first line
    QTest::newRow("qq2009") << "/qq2009.she"
                            << "QQ2009 默认皮肤";
    QTest::newRow("skinh") << "/skinh.she"
                           << "黑色超酷皮肤";
    QTest::newRow("black") << "/black.she"
                           << "黑色超酷皮肤";
    QTest::newRow("china") << "/china.she"
                           << "中国祥云皮肤";
    QTest::newRow("msn") << "/msn.she"
                         << "MSN皮肤";
    QTest::newRow("QQreal") << "/QQreal.she"
                            << "QQ影音皮肤";
    QTest::newRow("qqreal") << "/qqreal.she"
                            << "QQ影音皮肤";
}

void TestApplySkin::shippedSkinsRestyleTheWindows()
{
    QFETCH(QString, file);
    QFETCH(QString, title);
    QWidget window;
    window.setObjectName(QStringLiteral("Form1"));
    window.resize(120, 60);
    auto* button = new QPushButton(QStringLiteral("确定"), &window);
    button->setGeometry(10, 10, 80, 24);
    const QImage before = window.grab().toImage();

    const QByteArray path = (QStringLiteral(FERNWATCH_SKIN_DIR) + file).toLocal8Bit();
    QCOMPARE(SkinH_AttachEx(path.constData(), ""), 0);
    QVERIFY(qApp->styleSheet().startsWith(QStringLiteral("/* ") + title));

    // The window and its button are drawn in other colours, not merely a pixel here and there.
    const QImage after = window.grab().toImage();
    QCOMPARE(after.size(), before.size());
    qsizetype changed = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x)
            changed += before.pixel(x, y) != after.pixel(x, y);
    }
    QCOMPARE_GT(changed, before.width() * before.height() / 2);
}

void TestApplySkin::unusableSkinChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("create");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("not UTF-8") << QByteArray("QWidget { color: red; } \xff\xfe") << true;
    QTest::newRow("not a style sheet") << QByteArray("QWidget { color: red; ") << true;
}

void TestApplySkin::unusableSkinChangesNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    const QString name = QStringLiteral("/tst-bad-%1.she").arg(QCoreApplication::applicationPid());
    if (create) {
        QFile file(skinFile(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        m_written << file.fileName();
    }
    qApp->setStyleSheet(QStringLiteral("QLabel { color: green; }"));
    const QByteArray path = skinFile(name).toLocal8Bit();
    QVERIFY(SkinH_AttachEx(path.constData(), "") != 0);
    QCOMPARE(qApp->styleSheet(), QStringLiteral("QLabel { color: green; }"));
}

void TestApplySkin::visualStyleStartsTheWindowsOwnControl()
{
    QWidget window;
    QWidget other;
    auto* control = new WindowsXPC(&window);
    auto* otherControl = new WindowsXPC(&other);
    StartVisualStyle(&window);
    QCOMPARE(control->startCount(), 1);
    QCOMPARE(otherControl->startCount(), 0);

    QWidget bare;
    StartVisualStyle(&bare); // a window without the control is left as it is
}

QTEST_MAIN(TestApplySkin)
#include "tst_applyskin.moc"
