#include "savekillstress.h"

#include <QtTest>

// A process killed in the middle of saving the list, at random moments: `make stress` does the same
// with many more kills and a longer list.
class TestSaveKill : public QObject
{
    Q_OBJECT

private slots:
    void killedSaveLeavesOldOrNewListAndNoTemporary()
    {
        SaveKillStress stress(QStringLiteral(LISTFILESAVER), 1000);
        QVERIFY(stress.prepare());
        const SaveKillStress::Figures figures = stress.run(20);
        QVERIFY2(figures.firstFault.isEmpty(), qPrintable(figures.firstFault));
        QCOMPARE(SaveKillStress::summary(figures), "20 kills, 20 intact, 0 torn, 0 stray temporaries");
    }

    // A save must never take another running save's temporary for a stale one.
    void concurrentSavesAllSucceed()
    {
        SaveKillStress stress(QStringLiteral(LISTFILESAVER), 1000);
        QVERIFY(stress.prepare());
        QCOMPARE(stress.saveConcurrently(3, 30), QString());
        QCOMPARE(stress.listState(), "intact");
        QCOMPARE(stress.strays(), QStringList());
    }
};

QTEST_MAIN(TestSaveKill)
#include "tst_savekill.moc"
