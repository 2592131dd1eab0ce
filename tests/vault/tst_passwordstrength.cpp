// The strength estimate: zxcvbn's own answer for a table of passwords, turned
// into score, guesses and time as the library's thresholds say; the cut at
// 256 characters; the entry's own words counted as guessable; the texts in
// both languages.
#include "ModuleTexts.h"
#include "PasswordStrength.h"
#include "TestMain.h"

#include <zxcvbn.h>

#include <QTest>

#include <cmath>

class TestPasswordStrength : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModuleTexts::setLanguage(QStringLiteral("en_US")); }
    void asZxcvbnSays_data();
    void asZxcvbnSays();
    void scoreThresholds_data();
    void scoreThresholds();
    void onlyTheFirst256Characters();
    void userWordsWeaken();
    void crackTime_data();
    void crackTime();
    void wordsInBothLanguages();
};

void TestPasswordStrength::asZxcvbnSays_data()
{
    QTest::addColumn<QString>("password");
    for (const char* password : {"", "a", "password", "123456", "qwertyuiop", "Tr0ub4dour&3", "correcthorsebatterystaple",
                                 "kQ7#vX!2pL@9mZ", "aaaaaaaaaaaaaaaa", "01/02/1990", "jane.doe@example.org"})
        QTest::newRow(password) << QString::fromUtf8(password);
    QTest::newRow("non-ASCII") << QStringLiteral("B\u00fccher&Tee-2024");
    QTest::newRow("emoji") << QStringLiteral("\U0001F512\U0001F511lock");
}

void TestPasswordStrength::asZxcvbnSays()
{
    QFETCH(QString, password);
    const QByteArray utf8 = password.toUtf8();
    const double bits = password.isEmpty() ? 0 : ZxcvbnMatch(utf8.constData(), nullptr, nullptr);
    const double log10 = bits * std::log10(2.0);
    const PasswordStrength::Estimate estimate = PasswordStrength::estimate(password);
    QVERIFY(std::abs(estimate.guessesLog10 - log10) < 1e-9);
    const double guesses = std::pow(10.0, log10);
    const int score = guesses < 1e3 ? 0 : guesses < 1e6 ? 1 : guesses < 1e8 ? 2 : guesses < 1e10 ? 3 : 4;
    QCOMPARE(estimate.score, score);
    QCOMPARE(estimate.crackTime, PasswordStrength::crackTimeText(log10));
    QVERIFY(PasswordStrength::description(estimate).contains(PasswordStrength::word(score)));
}

void TestPasswordStrength::scoreThresholds_data()
{
    QTest::addColumn<double>("log10");
    QTest::addColumn<int>("score");
    QTest::newRow("none") << 0.0 << 0;
    QTest::newRow("just under 10^3") << 2.999 << 0;
    QTest::newRow("10^3") << 3.0 << 1;
    QTest::newRow("10^6") << 6.0 << 2;
    QTest::newRow("10^8") << 8.0 << 3;
    QTest::newRow("just under 10^10") << 9.999 << 3;
    QTest::newRow("10^10") << 10.0 << 4;
    QTest::newRow("10^40") << 40.0 << 4;
}

void TestPasswordStrength::scoreThresholds()
{
    QFETCH(double, log10);
    QFETCH(int, score);
    QCOMPARE(PasswordStrength::scoreOf(log10), score);
}

void TestPasswordStrength::onlyTheFirst256Characters()
{
    QString password;
    for (int i = 0; password.size() < 400; ++i)
        password += QStringLiteral("Zq%1!x").arg(i * 7919 % 1000);
    const PasswordStrength::Estimate cut = PasswordStrength::estimate(password.left(PasswordStrength::MaxLength));
    QCOMPARE(PasswordStrength::estimate(password), cut);
    QCOMPARE(PasswordStrength::estimate(password + QStringLiteral("more")), cut);
    QCOMPARE(cut.score, 4);
}

void TestPasswordStrength::userWordsWeaken()
{
    const QString password = QStringLiteral("Quillfeather1987");
    const PasswordStrength::Estimate alone = PasswordStrength::estimate(password);
    const PasswordStrength::Estimate known =
        PasswordStrength::estimate(password, {QStringLiteral("library"), QStringLiteral("Quillfeather1987")});
    QVERIFY2(known.guessesLog10 < alone.guessesLog10 - 3,
             qPrintable(QStringLiteral("%1 vs %2").arg(known.guessesLog10).arg(alone.guessesLog10)));
    QVERIFY(known.score < alone.score);
    // Words that are not in it change nothing.
    QCOMPARE(PasswordStrength::estimate(password, {QStringLiteral("unrelated"), QString()}).guessesLog10,
             alone.guessesLog10);
}

void TestPasswordStrength::crackTime_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("instant") << 0.5 << "less than a second";
    QTest::newRow("one second") << 1.0 << "1 second";
    QTest::newRow("seconds") << 42.0 << "42 seconds";
    QTest::newRow("one minute") << 61.0 << "1 minute";
    QTest::newRow("hours") << 3 * 3600.0 + 5 << "3 hours";
    QTest::newRow("days") << 86400 * 2.5 << "2 days";
    QTest::newRow("months") << 86400 * 100.0 << "3 months";
    QTest::newRow("years") << 86400 * 365.25 * 20 << "20 years";
    QTest::newRow("centuries") << 86400 * 365.25 * 150 << "centuries";
}

void TestPasswordStrength::crackTime()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(PasswordStrength::crackTimeText(std::log10(seconds * PasswordStrength::GuessesPerSecond)), text);
}

void TestPasswordStrength::wordsInBothLanguages()
{
    const QStringList english{"very weak", "weak", "fair", "strong", "very strong"};
    for (int score = 0; score <= 4; ++score)
        QCOMPARE(PasswordStrength::word(score), english.at(score));
    ModuleTexts::setLanguage(QStringLiteral("fr_FR"));
    const QStringList french{QStringLiteral("tr\u00e8s faible"), "faible", "moyen", "fort",
                             QStringLiteral("tr\u00e8s fort")};
    for (int score = 0; score <= 4; ++score)
        QCOMPARE(PasswordStrength::word(score), french.at(score));
    QCOMPARE(PasswordStrength::crackTimeText(std::log10(3 * 3600.0 * PasswordStrength::GuessesPerSecond) + 0.001),
             QStringLiteral("3 heures"));
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
}

KOVRIN_TEST_MAIN(TestPasswordStrength)
#include "tst_passwordstrength.moc"
