// Secret bytes are overwritten while their buffer is still alive, so the test
// reads the very memory the wipe wrote; a buffer shared with another copy is
// still in use and keeps its bytes.
#include "TestMain.h"
#include "WipeOnExit.h"

#include <QTest>

class TestWipeOnExit : public QObject
{
    Q_OBJECT
private slots:
    void wipesOnlyWhatNobodyElseHolds_data();
    void wipesOnlyWhatNobodyElseHolds();
};

void TestWipeOnExit::wipesOnlyWhatNobodyElseHolds_data()
{
    QTest::addColumn<bool>("text");   // a QString, else a QByteArray
    QTest::addColumn<bool>("shared"); // another copy holds the buffer
    QTest::addColumn<bool>("guard");  // through the guard at scope exit, else wipe()
    for (const bool text : {false, true})
        for (const bool shared : {false, true})
            for (const bool guard : {false, true})
                QTest::addRow("%s, %s, %s", text ? "text" : "bytes", shared ? "shared" : "own",
                              guard ? "guard" : "wipe")
                    << text << shared << guard;
}

void TestWipeOnExit::wipesOnlyWhatNobodyElseHolds()
{
    QFETCH(bool, text);
    QFETCH(bool, shared);
    QFETCH(bool, guard);
    const QString secret = QStringLiteral("S3cret-p@ss");
    if (text) {
        QString value(secret.constData(), secret.size()); // a buffer of its own, not the literal's
        QString other = shared ? value : QString();
        if (guard) {
            const WipeOnExit wipe(value);
        } else {
            WipeOnExit::wipe(value);
        }
        QCOMPARE(value.size(), secret.size());
        QCOMPARE(value, shared ? secret : QString(secret.size(), QChar(0)));
    } else {
        QByteArray value = secret.toUtf8();
        QByteArray other = shared ? value : QByteArray();
        if (guard) {
            const WipeOnExit wipe(value);
        } else {
            WipeOnExit::wipe(value);
        }
        QCOMPARE(value.size(), secret.toUtf8().size());
        QCOMPARE(value, shared ? secret.toUtf8() : QByteArray(value.size(), '\0'));
    }
}

KOVRIN_TEST_MAIN(TestWipeOnExit)
#include "tst_wipeonexit.moc"
