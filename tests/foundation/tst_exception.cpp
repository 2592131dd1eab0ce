#include "Exception.h"
#include "TestMain.h"

class TestException : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void detailParentAndWhat();
    void raiseAndClone();
};

void TestException::detailParentAndWhat()
{
    const auto cause = std::make_shared<Exception>(QStringLiteral("cause"));
    const Exception e(QStringLiteral("void f() -> Clé invalide"), cause);
    QCOMPARE(e.detail(), QStringLiteral("void f() -> Clé invalide"));
    QCOMPARE(e.parent(), cause);
    QVERIFY(!cause->parent());
    QCOMPARE(QString::fromUtf8(e.what()), e.detail());

    Exception copy(QStringLiteral("other"));
    copy = e;
    QCOMPARE(copy.detail(), e.detail());
    QCOMPARE(copy.parent(), cause);
    // what() of the copy stays valid after the original is gone.
    const char* what = nullptr;
    {
        const Exception temporary(QStringLiteral("short-lived"));
        copy = temporary;
        what = copy.what();
    }
    QCOMPARE(QByteArray(what), QByteArray("short-lived"));
}

void TestException::raiseAndClone()
{
    const Exception e(QStringLiteral("raised"));
    try {
        e.raise();
        QFAIL("raise must throw");
    } catch (const Exception& caught) {
        QCOMPARE(caught.detail(), QStringLiteral("raised"));
    }
    std::unique_ptr<QException> clone(e.clone());
    auto* typed = dynamic_cast<Exception*>(clone.get());
    QVERIFY(typed);
    QCOMPARE(typed->detail(), QStringLiteral("raised"));
}

KOVRIN_TEST_MAIN(TestException)
#include "tst_exception.moc"
