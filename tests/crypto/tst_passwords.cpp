#include "Crypt.h"
#include "TestMain.h"

#include <QSet>

namespace {
const QString Upper = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString Lower = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
const QString Digits = QStringLiteral("0123456789");
// Codes 33-46, 58-64, 91, 93, 95 and 123-126: printable punctuation without
// the solidus, reverse solidus, circumflex and grave accent.
const QString Symbols = QStringLiteral("!\"#$%&'()*+,-.:;<=>?@[]_{|}~");

struct Switches
{
    bool letters;
    bool digits;
    bool lower;
    bool upper;
};

QString allowed(const Switches& s, bool symbols)
{
    QString set;
    if (s.letters && s.upper)
        set += Upper;
    if (s.letters && s.lower)
        set += Lower;
    if (s.digits)
        set += Digits;
    if (symbols)
        set += Symbols;
    return set;
}

int symbolCount(const QString& password)
{
    int n = 0;
    for (const QChar c : password)
        n += Symbols.contains(c) ? 1 : 0;
    return n;
}
} // namespace

Q_DECLARE_METATYPE(Switches)

class TestPasswords : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void classesAndQuota_data();
    void classesAndQuota();
    void everyAllowedCharacterReachable_data();
    void everyAllowedCharacterReachable();
    void emptyResults_data();
    void emptyResults();
    void passwordsDiffer();
};

void TestPasswords::classesAndQuota_data()
{
    QTest::addColumn<Switches>("switches");
    QTest::addColumn<int>("quota");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("maxSymbols"); // the most any password may hold
    QTest::addColumn<bool>("quotaReached"); // some password of the batch holds exactly maxSymbols
    QTest::newRow("digits, quota 0") << Switches{false, true, false, false} << 0 << 40 << 0 << true;
    QTest::newRow("digits, quota 2") << Switches{false, true, false, false} << 2 << 40 << 2 << true;
    QTest::newRow("letters, quota 3") << Switches{true, false, true, true} << 3 << 256 << 3 << true;
    QTest::newRow("letters, quota 1") << Switches{true, false, true, true} << 1 << 30 << 1 << true;
    QTest::newRow("lower only") << Switches{true, false, true, false} << 0 << 20 << 0 << true;
    QTest::newRow("upper and digits, quota 5") << Switches{true, true, false, true} << 5 << 64 << 5 << true;
    QTest::newRow("everything, quota 256") << Switches{true, true, true, true} << 256 << 256 << 256 << false;
    QTest::newRow("all off, quota 0: all symbols") << Switches{false, false, false, false} << 0 << 12 << 12 << true;
    QTest::newRow("all off, quota 3: all symbols") << Switches{false, false, false, false} << 3 << 12 << 12 << true;
    QTest::newRow("only symbols, quota = length") << Switches{true, false, false, false} << 9 << 9 << 9 << true;
    QTest::newRow("negative quota") << Switches{true, true, true, true} << -4 << 50 << 0 << true;
}

void TestPasswords::classesAndQuota()
{
    QFETCH(Switches, switches);
    QFETCH(int, quota);
    QFETCH(int, length);
    QFETCH(int, maxSymbols);
    QFETCH(bool, quotaReached);
    const QString set = allowed(switches, maxSymbols > 0);
    const QList<QString> list = Crypt::passwords(99, quota, length, switches.letters, switches.digits, switches.lower,
                                                 switches.upper);
    QCOMPARE(list.size(), 99);
    int most = 0;
    for (const QString& password : list) {
        QCOMPARE(password.size(), length);
        for (const QChar c : password)
            QVERIFY2(set.contains(c), qPrintable(QStringLiteral("'%1' in %2").arg(c).arg(password)));
        const int symbols = symbolCount(password);
        QVERIFY2(symbols <= maxSymbols, qPrintable(password));
        most = std::max(most, symbols);
    }
    if (quotaReached)
        QCOMPARE(most, maxSymbols);
}

void TestPasswords::everyAllowedCharacterReachable_data()
{
    QTest::addColumn<Switches>("switches");
    QTest::addColumn<int>("quota");
    QTest::newRow("upper") << Switches{true, false, false, true} << 0;
    QTest::newRow("lower and digits") << Switches{true, true, true, false} << 0;
    QTest::newRow("symbols only") << Switches{false, false, false, false} << 0;
    QTest::newRow("everything") << Switches{true, true, true, true} << 256;
}

void TestPasswords::everyAllowedCharacterReachable()
{
    QFETCH(Switches, switches);
    QFETCH(int, quota);
    const QString set = allowed(switches, quota > 0 || !(switches.letters || switches.digits));
    const QList<QString> list = Crypt::passwords(99, quota, 256, switches.letters, switches.digits, switches.lower,
                                                 switches.upper);
    QHash<QChar, int> counts;
    for (const QString& password : list)
        for (const QChar c : password)
            ++counts[c];
    // Every accepted character is equally likely: none may fall far below its share.
    const int share = 99 * 256 / int(set.size());
    for (const QChar c : set)
        QVERIFY2(counts.value(c) > share / 2,
                 qPrintable(QStringLiteral("'%1' drawn %2 times, share %3").arg(c).arg(counts.value(c)).arg(share)));
    QCOMPARE(counts.size(), set.size());
}

void TestPasswords::emptyResults_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("quota");
    QTest::addColumn<int>("length");
    QTest::addColumn<Switches>("switches");
    QTest::addColumn<int>("expected"); // number of empty strings
    QTest::newRow("count 0") << 0 << 2 << 10 << Switches{true, true, true, true} << 0;
    QTest::newRow("count -3") << -3 << 2 << 10 << Switches{true, true, true, true} << 0;
    QTest::newRow("length 0") << 4 << 2 << 0 << Switches{true, true, true, true} << 4;
    QTest::newRow("length -1") << 3 << 0 << -1 << Switches{false, false, false, false} << 3;
    // No class can take a code: returns instead of drawing for ever.
    QTest::newRow("letters without case") << 5 << 0 << 10 << Switches{true, false, false, false} << 5;
    QTest::newRow("case without letters") << 2 << 0 << 10 << Switches{false, false, true, true} << 2;
    QTest::newRow("symbols cannot fill") << 3 << 2 << 10 << Switches{true, false, false, false} << 3;
}

void TestPasswords::emptyResults()
{
    QFETCH(int, count);
    QFETCH(int, quota);
    QFETCH(int, length);
    QFETCH(Switches, switches);
    QFETCH(int, expected);
    const QList<QString> list = Crypt::passwords(count, quota, length, switches.letters, switches.digits,
                                                 switches.lower, switches.upper);
    QCOMPARE(list, QList<QString>(expected));
}

void TestPasswords::passwordsDiffer()
{
    const QList<QString> list = Crypt::passwords(20, 2, 16, true, true, true, true);
    QCOMPARE(QSet<QString>(list.cbegin(), list.cend()).size(), 20);
}

KOVRIN_TEST_MAIN(TestPasswords)
#include "tst_passwords.moc"
