#include "FilterMatcher.h"
#include "FilterRule.h"
#include "FilterRules.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "ProxyModel.h"
#include "RackModel.h"
#include "TestMain.h"
#include "VaultEntry.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTabWidget>

#include <vector>

namespace {
QStringList column(const QAbstractItemModel& model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.index(row, column).data().toString());
    return texts;
}

// What the rules accept, row by row, as FilterRules says.
std::vector<char> acceptedByRules(const FilterRules& rules, const RackModel& rack)
{
    std::vector<char> accepted;
    for (const VaultEntry* entry : rack.entries())
        accepted.push_back(rules.accepts(entry) ? 1 : 0);
    return accepted;
}

// Shows on the proxy the result of the rules over the whole rack.
bool applyRules(ProxyModel& proxy, const FilterRules& rules, const RackModel& rack)
{
    return proxy.setFilterResult(acceptedByRules(rules, rack), std::make_shared<const FilterMatcher>(rules));
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
    void matcherAcceptsAsTheRules_data();
    void matcherAcceptsAsTheRules();
    void resultMustFitTheRows();
    void manyChangedRowsAskForARun();
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

void TestProxyModel::matcherAcceptsAsTheRules_data()
{
    // Rules as field, pattern, case-insensitive.
    using Rule = std::tuple<int, QString, bool>;
    QTest::addColumn<QList<Rule>>("rules");
    QTest::newRow("none") << QList<Rule>{};
    QTest::newRow("name") << QList<Rule>{{0, "a", true}};
    QTest::newRow("name, exact case") << QList<Rule>{{0, "A", false}};
    QTest::newRow("comment empty") << QList<Rule>{{3, "^$", false}};
    QTest::newRow("password, the last field but one") << QList<Rule>{{2, "^b$", true}};
    QTest::newRow("fields out of order") << QList<Rule>{{3, "x", false}, {1, "^a", true}, {0, "a", false}};
    QTest::newRow("two rules on one field") << QList<Rule>{{1, "e", true}, {1, "^E", false}};
    QTest::newRow("empty pattern") << QList<Rule>{{1, "", false}};
    QTest::newRow("an empty account") << QList<Rule>{{1, "^$", false}, {0, "\\d", false}};
    QTest::newRow("accents, any case") << QList<Rule>{{0, "éclair", true}};
    QTest::newRow("invalid expression matches all") << QList<Rule>{{0, "(", false}, {3, "y", false}};
}

// The matcher that runs off the GUI thread accepts what the rules accept.
void TestProxyModel::matcherAcceptsAsTheRules()
{
    using Rule = std::tuple<int, QString, bool>;
    QFETCH(QList<Rule>, rules);
    FilterRules filterRules;
    for (const auto& [field, pattern, caseInsensitive] : rules)
        filterRules.add(field, QRegularExpression(pattern), caseInsensitive);
    const FilterMatcher matcher(filterRules);
    QCOMPARE(matcher.isEmpty(), rules.isEmpty());
    for (const VaultEntry* entry : _rack->entries())
        QCOMPARE(matcher.accepts(entry->textView()), filterRules.accepts(entry));
}

// A result is for the rows it was made for, one flag each.
void TestProxyModel::resultMustFitTheRows()
{
    ProxyModel proxy;
    proxy.setSourceModel(_rack);
    FilterRules rules;
    rules.add(0, QRegularExpression(QStringLiteral("^beta")), false);
    auto matcher = std::make_shared<const FilterMatcher>(rules);
    std::vector<char> accepted = acceptedByRules(rules, *_rack);
    QVERIFY(!accepted.empty());
    const std::vector<char> fewer(accepted.begin(), accepted.begin() + qsizetype(accepted.size()) - 1);
    QVERIFY(!proxy.setFilterResult(fewer, matcher));
    QCOMPARE(proxy.rowCount(), 8);
    QVERIFY(!proxy.matcher());
    QVERIFY(proxy.setFilterResult(accepted, matcher));
    QCOMPARE(proxy.rowCount(), 2);
    proxy.clearFilter();
    QCOMPARE(proxy.rowCount(), 8);
    QVERIFY(!proxy.matcher());
}

// Rows inserted beyond what is checked at once are shown until the filter
// has run again, and the proxy asks for that run.
void TestProxyModel::manyChangedRowsAskForARun()
{
    ProxyModel proxy;
    proxy.setSourceModel(_rack);
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    FilterRules rules;
    rules.add(0, QRegularExpression(QStringLiteral("^beta")), false);
    QVERIFY(applyRules(proxy, rules, *_rack));
    QSignalSpy outdated(&proxy, &ProxyModel::filterOutdated);

    QList<VaultEntry*> few;
    for (int i = 0; i < ProxyModel::RecheckLimit; ++i)
        few.append(new VaultEntry(QStringLiteral("few%1").arg(i), QString(), QString(), QString()));
    _rack->appendEntries(few);
    QCOMPARE(proxy.rowCount(), 2);
    QCOMPARE(outdated.size(), 0);

    QList<VaultEntry*> many;
    for (int i = 0; i <= ProxyModel::RecheckLimit; ++i)
        many.append(new VaultEntry(QStringLiteral("many%1").arg(i), QString(), QString(), QString()));
    _rack->appendEntries(many);
    QCOMPARE(proxy.rowCount(), 2 + ProxyModel::RecheckLimit + 1);
    QCOMPARE(outdated.size(), 1);
    QVERIFY(applyRules(proxy, rules, *_rack));
    QCOMPARE(proxy.rowCount(), 2);
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
    ProxyModel proxy;
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
    ProxyModel proxy;
    proxy.setSourceModel(_rack);
    QAbstractItemModelTester rackTester(_rack, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.sort(0);

    rules.add(0, QRegularExpression(QStringLiteral("a")), true);
    QVERIFY(applyRules(proxy, rules, *_rack));
    QCOMPARE(column(proxy, 0), QStringList({"Alpha", "alpha", "beta", "beta2", "Éclair"}));

    _rack->appendEntry(new VaultEntry(QStringLiteral("gamma"), QString(), QString(), QString()));
    _rack->appendEntry(new VaultEntry(QStringLiteral("other"), QString(), QString(), QString()));
    QCOMPARE(column(proxy, 0), QStringList({"Alpha", "alpha", "beta", "beta2", "gamma", "Éclair"}));

    // The rows the rack changes are checked against the rules of the result
    // shown: an edit that they no longer accept hides the row; a renamed row moves.
    QVERIFY(proxy.setData(proxy.index(0, 0), QStringLiteral("Omicron")));
    QCOMPARE(column(proxy, 0), QStringList({"alpha", "beta", "beta2", "gamma", "Éclair"}));
    QVERIFY(proxy.setData(proxy.index(0, 0), QStringLiteral("zeta")));
    QCOMPARE(column(proxy, 0), QStringList({"beta", "beta2", "gamma", "zeta", "Éclair"}));

    std::unique_ptr<VaultEntry> taken = _rack->takeEntry(0); // "beta"
    QCOMPARE(column(proxy, 0), QStringList({"beta2", "gamma", "zeta", "Éclair"}));
    _rack->insertEntry(0, taken.release());
    QVERIFY(_rack->removeRows(2, 2)); // "zeta" (was alpha) and "Éclair"
    QCOMPARE(column(proxy, 0), QStringList({"beta", "beta2", "gamma"}));

    proxy.clearFilter();
    QCOMPARE(proxy.rowCount(), _rack->rowCount());
}

KOVRIN_TEST_MAIN(TestProxyModel)
#include "tst_proxymodel.moc"
