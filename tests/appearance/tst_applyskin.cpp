#include "applyskin.h"
#include "skinengine.h"
#include "skinh.h"
#include "windowsxpc.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

class TestApplySkin : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void pathIsTheExecutableFolderFollowedByTheName();
    void readableSkinRestylesTheApplication();
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

void TestApplySkin::readableSkinRestylesTheApplication()
{
    const QString name = QStringLiteral("/tst-skin-%1.she").arg(QCoreApplication::applicationPid());
    QFile file(skinFile(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("QPushButton { color: #123456; } /* 皮肤 */").toUtf8());
    file.close();
    m_written << file.fileName();

    QWidget window;
    ApplySkin(name);
    QVERIFY(qApp->styleSheet().contains(QStringLiteral("#123456")));
    QVERIFY(qApp->styleSheet().contains(QStringLiteral("皮肤")));
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
    QCOMPARE(control->colorScheme, 2);

    QWidget bare;
    StartVisualStyle(&bare); // a window without the control is left as it is
}

QTEST_MAIN(TestApplySkin)
#include "tst_applyskin.moc"
