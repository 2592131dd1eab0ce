// The gate a lock passes: it runs from the event loop, never inside the
// caller's frame nor while one of our nested loops is open; a dialog open at
// the request is closed as if cancelled, and a dialog asked for meanwhile does
// not open.
#include "LockGate.h"
#include "TestMain.h"

#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>

class TestLockGate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void runsFromTheEventLoop();
    void waitsForTheLastHold();
    void laterRequestReplacesEarlier();
    void openDialogIsCancelled();
    void noDialogOpensWhileClosing();
};

void TestLockGate::runsFromTheEventLoop()
{
    int runs = 0;
    LockGate::request([&runs] { ++runs; });
    QCOMPARE(runs, 0);
    QVERIFY(LockGate::isClosing());
    QTRY_COMPARE(runs, 1);
    QVERIFY(!LockGate::isClosing());
    QCoreApplication::processEvents();
    QCOMPARE(runs, 1);
}

void TestLockGate::waitsForTheLastHold()
{
    int runs = 0;
    {
        const LockGate::Hold outer;
        {
            const LockGate::Hold inner;
            LockGate::request([&runs] { ++runs; });
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        QCOMPARE(runs, 0);
        QCOMPARE(LockGate::holds(), 1);
    }
    QCOMPARE(runs, 0); // not within the frame that let the last hold go
    QTRY_COMPARE(runs, 1);
}

void TestLockGate::laterRequestReplacesEarlier()
{
    QStringList ran;
    LockGate::request([&ran] { ran << "first"; });
    LockGate::request([&ran] { ran << "second"; });
    QTRY_VERIFY(!LockGate::isClosing());
    QCoreApplication::processEvents();
    QCOMPARE(ran, QStringList{"second"});
}

void TestLockGate::openDialogIsCancelled()
{
    QDialog dialog;
    int runs = 0;
    int runsWhenReturned = -1;
    QTimer::singleShot(0, this, [&] {
        QVERIFY(dialog.isVisible());
        LockGate::request([&runs] { ++runs; });
    });
    const int result = LockGate::exec(dialog);
    runsWhenReturned = runs;
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(runsWhenReturned, 0);
    QTRY_COMPARE(runs, 1);
}

void TestLockGate::noDialogOpensWhileClosing()
{
    int runs = 0;
    QDialog dialog;
    bool shown = false;
    QTimer::singleShot(0, this, [&] { shown = dialog.isVisible(); });
    {
        const LockGate::Hold hold;
        LockGate::request([&runs] { ++runs; });
        QCOMPARE(LockGate::exec(dialog), int(QDialog::Rejected));
    }
    QCoreApplication::processEvents();
    QVERIFY(!shown);
    QTRY_COMPARE(runs, 1);
    // Once the lock ran, dialogs open again.
    QTimer::singleShot(0, &dialog, &QDialog::accept);
    QCOMPARE(LockGate::exec(dialog), int(QDialog::Accepted));
}

KOVRIN_TEST_MAIN(TestLockGate)
#include "tst_lockgate.moc"
