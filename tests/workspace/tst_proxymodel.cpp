#include "FilterRule.h"
#include "FilterRules.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "ProxyModel.h"
#include "RackModel.h"
#include "TestMain.h"
#include "VaultEntry.h"

#include <QAbstractItemModelTester>
#include <QSortFilterProxyModel>
#include <QTabWidget>

namespace {
QStringList column(const QAbstractItemModel& model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.index(row, column).data().toString());
    return texts;
}
} // namespace

class TestProxyModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModuleTexts::setLanguage(QStringLiteral("en_US")); }
    void init();
    void cleanup();

    void ruleMatches_data();
    void ruleMatches();
    void rulesOfAnEntry();
    void sortsAsTheDefaultProxy_data();
    void sortsAsTheDefaultProxy();
    void followsTheRackModel();

private:
    std::unique_ptr<QTabWidget> _tabs;
    std::shared_ptr<Model> _model;
    RackModel* _rack = nullptr;
};

void TestProxyModel::init()
{
    _tabs = std::make_unique<QTabWidget>();
    _model = std::make_shared<Model>(nullptr, QStringLiteral("unused.kovrin"), Model::keyFromPassword(QStringLiteral("pw")),
                                     _tabs.get());
    _rack = new RackModel(_model, QStringLiteral("Rack"));
    QVERIFY(_model->addRackModel(_rack));
    const QList<QStringList> rows = {
        {"beta", "Zoe", "b", ""},     {"Alpha", "adam", "B", "x"}, {"alpha", "Adam", "a", "x"},
        {"Éclair", "eve", "c", "y"},  {"echo", "Eve", "C", ""},    {"10", "", "", "y"},
        {"9", "zed", "", "x"},        {"beta2", "zoe", "b", "x"},
    };
    for (const QStringList& row : rows)
        _rack->appendEntry(new VaultEntry(row.at(0), row.at(1), row.at(2), row.at(3)));
}

void TestProxyModel::cleanup()
{
    _model.reset();
    _tabs.reset();
}

void TestProxyModel::ruleMatches_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");
    QTest::newRow("anywhere in the text") << "ob" << false << "Bob" << true;
    QTest::newRow("exact case refused") << "bob" << false << "Bob" << false;
    QTest::newRow("any case") << "bob" << true << "BOB" << true;
    QTest::newRow("anchored") << "^o" << true << "Bob" << false;
    QTest::newRow("empty text, empty pattern") << "" << false << "" << true;
    QTest::newRow("empty text, ^$") << "^$" << false << "" << true;
    QTest::newRow("empty text, letter") << "a" << true << "" << false;
    QTest::newRow("invalid expression matches all") << "(" << false << "anything" << true;
}

void TestProxyModel::ruleMatches()
{
    QFETCH(QString, pattern);
    QFETCH(bool, caseInsensitive);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    const FilterRule rule(2, QRegularExpression(pattern), caseInsensitive);
    QCOMPARE(rule.field(), 2);
    QCOMPARE(rule.matches(text), matches);
    const FilterRule copy(rule);
    QCOMPARE(copy.matches(text), matches);
}

void TestProxyModel::rulesOfAnEntry()
{
    FilterRules rules;
    QVERIFY(rules.isEmpty());
    QVERIFY(!rules.accepts(nullptr));
    const VaultEntry entry(QStringLiteral("mail"), QStringLiteral("bob"), QStringLiteral("Secret"), QString());
    QVERIFY(rules.accepts(&entry));

    rules.add(1, QRegularExpression(QStringLiteral("^b")), false);
    rules.add(3, QRegularExpression(QStringLiteral("^$")), false);
    rules.add(1, QRegularExpression(QStringLiteral("B$")), true);
    QCOMPARE(rules.rulesFor(1).size(), 2);
    QCOMPARE(rules.rulesFor(1).last()->expression().pattern(), QStringLiteral("B$"));
    QVERIFY(rules.rulesFor(0).isEmpty());
    QVERIFY(rules.matchField(0, u"anything"));
    QVERIFY(rules.accepts(&entry));

    rules.add(2, QRegularExpression(QStringLiteral("secret")), false);
    QVERIFY(!rules.accepts(&entry));
    rules.clear();
    QVERIFY(rules.isEmpty());
    QVERIFY(rules.accepts(&entry));
}

void TestProxyModel::sortsAsTheDefaultProxy_data()
{
    QTest::addColumn<int>("caseSensitivity");
    QTest::addColumn<bool>("localeAware");
    QTest::newRow("case-sensitive") << int(Qt::CaseSensitive) << false;
    QTest::newRow("case-insensitive") << int(Qt::CaseInsensitive) << false;
    QTest::newRow("locale-aware") << int(Qt::CaseSensitive) << true;
}

// The proxy reads the entries in place to sort: the order must stay the one
// Qt's own proxy gives, ties included.
void TestProxyModel::sortsAsTheDefaultProxy()
{
    QFETCH(int, caseSensitivity);
    QFETCH(bool, localeAware);
    const QList<QStringList> more = {
        // Texts alike over their first sixteen units, prefixes of each other,
        // and characters beyond the first plane next to the last of it.
        {"account-number-0001b", "x", "p", ""}, {"account-number-0001", "X", "P", ""},
        {"account-number-0001a", "y", "q", ""}, {"Account-number-0001", "y", "Q", ""},
        {QString::fromUtf8("\xF0\x9F\x98\x80 smile"), "\xEF\xBF\xBD", "", ""},
        {QString::fromUtf8("\xEF\xBF\xBD"), QString::fromUtf8("\xF0\x9F\x98\x80"), "", ""},
    };
    for (const QStringList& row : more)
        _rack->appendEntry(new VaultEntry(row.at(0), row.at(1), row.at(2), row.at(3)));
    FilterRules rules;
    ProxyModel proxy(&rules);
    QSortFilterProxyModel reference;
    for (QSortFilterProxyModel* model : {static_cast<QSortFilterProxyModel*>(&proxy), &reference}) {
        model->setSourceModel(_rack);
        model->setSortCaseSensitivity(Qt::CaseSensitivity(caseSensitivity));
        model->setSortLocaleAware(localeAware);
    }
    for (int col = 0; col < 4; ++col) {
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            proxy.sort(col, order);
            reference.sort(col, order);
            for (int shown = 0; shown < 4; ++shown)
                QCOMPARE(column(proxy, shown), column(reference, shown));
        }
    }
}

void TestProxyModel::followsTheRackModel()
{
    FilterRules rules;
    ProxyModel proxy(&rules);
    proxy.setSourceModel(_rack);
    QAbstractItemModelTester rackTester(_rack, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.sort(0);

    rules.add(0, QRegularExpression(QStringLiteral("a")), true);
    proxy.invalidate();
    QCOMPARE(column(proxy, 0), QStringList({"Alpha", "alpha", "beta", "beta2", "Éclair"}));

    _rack->appendEntry(new VaultEntry(QStringLiteral("gamma"), QString(), QString(), QString()));
    _rack->appendEntry(new VaultEntry(QStringLiteral("other"), QString(), QString(), QString()));
    QCOMPARE(column(proxy, 0), QStringList({"Alpha", "alpha", "beta", "beta2", "gamma", "Éclair"}));

    // An edit that the filter no longer accepts hides the row; a renamed row moves.
    QVERIFY(proxy.setData(proxy.index(0, 0), QStringLiteral("Omicron")));
    QCOMPARE(column(proxy, 0), QStringList({"alpha", "beta", "beta2", "gamma", "Éclair"}));
    QVERIFY(proxy.setData(proxy.index(0, 0), QStringLiteral("zeta")));
    QCOMPARE(column(proxy, 0), QStringList({"beta", "beta2", "gamma", "zeta", "Éclair"}));

    std::unique_ptr<VaultEntry> taken = _rack->takeEntry(0); // "beta"
    QCOMPARE(column(proxy, 0), QStringList({"beta2", "gamma", "zeta", "Éclair"}));
    _rack->insertEntry(0, taken.release());
    QVERIFY(_rack->removeRows(2, 2)); // "zeta" (was alpha) and "Éclair"
    QCOMPARE(column(proxy, 0), QStringList({"beta", "beta2", "gamma"}));

    rules.clear();
    proxy.invalidate();
    QCOMPARE(proxy.rowCount(), _rack->rowCount());
}

KOVRIN_TEST_MAIN(TestProxyModel)
#include "tst_proxymodel.moc"
