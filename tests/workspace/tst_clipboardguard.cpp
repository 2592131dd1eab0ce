#include "ClipboardGuard.h"
#include "RackFixture.h"
#include "RackModel.h"
#include "TestMain.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSignalSpy>
#include <QTableView>

#include <memory>

// What the user or another program does to the clipboard after a field was copied.
enum class Then { Nothing, OtherText, SecondCopy };
Q_DECLARE_METATYPE(Then)

class TestClipboardGuard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void afterTimeout_data();
    void afterTimeout();
    void atQuit_data();
    void atQuit();
    void withoutTimeout();
    void withoutGuard();
    void rackCopy();
};

static QClipboard* clipboard()
{
    return QGuiApplication::clipboard();
}

void TestClipboardGuard::init()
{
    clipboard()->setText(QStringLiteral("before"));
}

void TestClipboardGuard::afterTimeout_data()
{
    QTest::addColumn<Then>("then");
    QTest::addColumn<QString>("expected");
    QTest::newRow("untouched: removed") << Then::Nothing << "";
    QTest::newRow("replaced by the user: kept") << Then::OtherText << "typed elsewhere";
    QTest::newRow("second copy: removed too") << Then::SecondCopy << "";
}

void TestClipboardGuard::afterTimeout()
{
    QFETCH(Then, then);
    QFETCH(QString, expected);
    ClipboardGuard guard(1);
    QCOMPARE(ClipboardGuard::current(), &guard);
    QSignalSpy expired(&guard, &ClipboardGuard::expired);
    ClipboardGuard::copy(QStringLiteral("s3cret-Pass"));
    QCOMPARE(clipboard()->text(), QStringLiteral("s3cret-Pass"));
    QVERIFY(guard.isPending());
    if (then == Then::OtherText)
        clipboard()->setText(QStringLiteral("typed elsewhere"));
    if (then == Then::SecondCopy) {
        QTest::qWait(600);
        ClipboardGuard::copy(QStringLiteral("account"));
        // The second copy starts the time again.
        QTest::qWait(600);
        QCOMPARE(clipboard()->text(), QStringLiteral("account"));
    }
    QVERIFY(expired.wait(3000));
    QCOMPARE(expired.count(), 1);
    QCOMPARE(expired.first().first().toBool(), expected.isEmpty());
    QCOMPARE(clipboard()->text(), expected);
    QVERIFY(!guard.isPending());
}

void TestClipboardGuard::atQuit_data()
{
    QTest::addColumn<bool>("replaced");
    QTest::newRow("still ours: removed") << false;
    QTest::newRow("replaced: kept") << true;
}

void TestClipboardGuard::atQuit()
{
    QFETCH(bool, replaced);
    auto guard = std::make_unique<ClipboardGuard>(3600);
    ClipboardGuard::copy(QStringLiteral("s3cret-Pass"));
    if (replaced)
        clipboard()->setText(QStringLiteral("typed elsewhere"));
    guard.reset(); // the program's end
    QCOMPARE(ClipboardGuard::current(), nullptr);
    QCOMPARE(clipboard()->text(), replaced ? QStringLiteral("typed elsewhere") : QString());
}

void TestClipboardGuard::withoutTimeout()
{
    // Option absent: copied fields stay, during the run and after it.
    {
        ClipboardGuard guard(0);
        QSignalSpy expired(&guard, &ClipboardGuard::expired);
        ClipboardGuard::copy(QStringLiteral("s3cret-Pass"));
        QVERIFY(!guard.isPending());
        QVERIFY(!expired.wait(1500));
    }
    QCOMPARE(clipboard()->text(), QStringLiteral("s3cret-Pass"));
}

void TestClipboardGuard::withoutGuard()
{
    QCOMPARE(ClipboardGuard::current(), nullptr);
    ClipboardGuard::copy(QStringLiteral("plain copy"));
    QCOMPARE(clipboard()->text(), QStringLiteral("plain copy"));
}

void TestClipboardGuard::rackCopy()
{
    // The rack view's field copy goes through the guard: the password keeps
    // its secret hint while it is there, and is gone after the timeout.
    RackFixture f({{"mail", "bob", "Tr4ck-Me!", "note"}});
    ClipboardGuard guard(1);
    QSignalSpy expired(&guard, &ClipboardGuard::expired);
    QTableView* table = f.table();
    const QPoint cell = table->visualRect(table->model()->index(f.viewRow(QStringLiteral("mail")),
                                                                RackModel::PasswordColumn))
                            .center();
    f.clickMenu(f.openMenu(cell), "_actCopy");
    QCOMPARE(clipboard()->text(), QStringLiteral("Tr4ck-Me!"));
    QCOMPARE(clipboard()->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    QVERIFY(guard.isPending());
    QVERIFY(expired.wait(3000));
    QCOMPARE(clipboard()->text(), QString());
}

KOVRIN_TEST_MAIN(TestClipboardGuard)
#include "tst_clipboardguard.moc"
