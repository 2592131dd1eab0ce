// The rack's filter runs off the GUI thread: the same rows as the plain
// filter, a counter that says it runs, stopping it, a rack that changes or
// goes while it runs, a window that stays responsive, filtering as typed.
#include "FilterRules.h"
#include "MessageBoxAnswerer.h"
#include "ModuleTexts.h"
#include "OffThreadWork.h"
#include "ProxyModel.h"
#include "Rack.h"
#include "RackFilter.h"
#include "RackFixture.h"
#include "RackModel.h"
#include "Settings.h"
#include "TestMain.h"
#include "VaultEntry.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>

namespace {
#if defined(__SANITIZE_ADDRESS__)
constexpr bool SanitizedBuild = true;
#else
constexpr bool SanitizedBuild = false;
#endif

// Backtracks until the match limit on a text of words with no closing
// non-word character (about 10 ms a row), matches at once on "x!".
const QString Pathological = QStringLiteral("^(\\w+\\s?)+\\W$");

// count entries, the even rows slow to refuse, the odd ones quickly accepted
// by the pathological expression.
QList<RackFixture::Row> slowRows(int count)
{
    QList<RackFixture::Row> rows;
    for (int i = 0; i < count; ++i) {
        const QString name = i % 2 == 0 ? QStringLiteral("Forum of the local climbing club %1").arg(i)
                                        : QStringLiteral("x%1!").arg(i);
        rows.append({name, QStringLiteral("user%1").arg(i), QStringLiteral("pw%1").arg(i), QString()});
    }
    return rows;
}

// Realistic entries of every kind, enough for the rack to be cut in chunks.
QList<RackFixture::Row> variedRows(int count)
{
    const QStringList names = {"bank", "Bank of Mars", "mail", "MAIL box", "forum", "shop", "Pierre", "pizza", "Éclair"};
    const QStringList users = {"bob@example.org", "alice", "", "BOB", "carol@mail.net", "dave.org"};
    const QStringList comments = {"", "note", "Champ de blé", "champ", "x y", "2019"};
    QList<RackFixture::Row> rows;
    for (int i = 0; i < count; ++i)
        rows.append({QStringLiteral("%1 %2").arg(names.at(i % names.size())).arg(i), users.at(i % users.size()),
                     QStringLiteral("P%1w").arg(i * 7919 % 1000), comments.at(i / 3 % comments.size())});
    return rows;
}

// The filter as it was, on the GUI thread: the rack's rules tested row by row
// in the proxy, sorted by name as the table is.
class PlainFilter : public QSortFilterProxyModel
{
public:
    PlainFilter(RackModel* rack, const FilterRules& rules) : _rack(rack), _rules(rules)
    {
        setSourceModel(rack);
        sort(0);
    }
    QStringList names() const
    {
        QStringList shown;
        for (int row = 0; row < rowCount(); ++row)
            shown.append(index(row, 0).data().toString());
        return shown;
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override
    {
        return _rules.isEmpty() || _rules.accepts(_rack->entries().at(row));
    }

private:
    RackModel* _rack;
    const FilterRules& _rules;
};

QStringList expectedNames(RackFixture& f)
{
    const auto* rules = f.rack()->findChild<FilterRules*>();
    return PlainFilter(f.rackModel(), *rules).names();
}

QLineEdit* searchLine(RackFixture& f)
{
    return f.child<QLineEdit>("_tbxSearch");
}

// Types text and Enter in the search line, without waiting for the result.
void enter(RackFixture& f, const QString& text)
{
    QLineEdit* line = searchLine(f);
    line->setText(text);
    QTest::keyClick(line, Qt::Key_Return);
}

bool waitForFilter(RackFixture& f)
{
    return QTest::qWaitFor([&] { return !f.rack()->isFiltering(); }, 20000);
}

// The chunks of a stopped run end at their next row: the thread pool is soon
// idle, and whatever was to be delivered has been.
bool drain()
{
    const bool idle = OffThreadWork::pool()->waitForDone(2000);
    QCoreApplication::processEvents();
    return idle;
}
} // namespace

class TestRackFilter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModuleTexts::setLanguage(QStringLiteral("en_US")); }
    void cleanup() { QVERIFY(drain()); }

    void sameRowsAsThePlainFilter_data();
    void sameRowsAsThePlainFilter();
    void counterWhileFiltering_data();
    void counterWhileFiltering();
    void stopLeavesThePreviousView_data();
    void stopLeavesThePreviousView();
    void newExpressionCancelsTheRunning();
    void rackChangedDuringRun_data();
    void rackChangedDuringRun();
    void rackDestroyedDuringRun();
    void windowStaysResponsive();
    void filterAsYouType_data();
    void filterAsYouType();
    void filterAsYouTypeWaitsForAPause();
};

void TestRackFilter::sameRowsAsThePlainFilter_data()
{
    QTest::addColumn<QString>("search");
    QTest::newRow("no rule") << "";
    QTest::newRow("name") << "bank";
    QTest::newRow("name, exact case") << "-:^B";
    QTest::newRow("two fields") << "bank, user:\\.org$";
    QTest::newRow("password") << "password-:^P[0-4]";
    QTest::newRow("empty comment") << "comment:^$";
    QTest::newRow("every field") << "a, user:o, password:w$, comment:[cC]hamp";
    QTest::newRow("two rules on the name") << "mail,box";
    QTest::newRow("accents") << "éclair";
    QTest::newRow("nothing") << "zzz";
    QTest::newRow("empty pattern") << "user:";
    QTest::newRow("an expression refused after one") << "shop,comment:(";
}

// The rows shown are those the rules accepted when they ran on the GUI
// thread, in the table's order, over a rack cut in many chunks.
void TestRackFilter::sameRowsAsThePlainFilter()
{
    QFETCH(QString, search);
    RackFixture f(variedRows(1500));
    MessageBoxAnswerer answerer;
    enter(f, search);
    QVERIFY(waitForFilter(f));
    const QStringList expected = expectedNames(f);
    QCOMPARE(f.shownNames(), expected);
    QCOMPARE(f.counter(), QStringLiteral("%1/1500").arg(expected.size()));
    QVERIFY(expected.size() < 1500 || search.isEmpty() || search == QLatin1String("user:"));
}

void TestRackFilter::counterWhileFiltering_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("running");
    QTest::newRow("en_US") << "en_US" << "100/100, filtering…";
    QTest::newRow("fr_FR") << "fr_FR" << "100/100, filtrage…";
}

void TestRackFilter::counterWhileFiltering()
{
    QFETCH(QString, lang);
    QFETCH(QString, running);
    ModuleTexts::setLanguage(lang);
    {
        RackFixture f(slowRows(100)); // a third of a second of work
        enter(f, Pathological);
        QVERIFY(f.rack()->isFiltering());
        // Said once the run has lasted a moment, not for a quick one.
        QCOMPARE(f.counter(), QStringLiteral("100/100"));
        QTRY_COMPARE(f.counter(), running);
        QVERIFY(waitForFilter(f));
        QCOMPARE(f.counter(), QStringLiteral("50/100"));
        QCOMPARE(f.table()->toolTip(), QStringLiteral("role+:") + Pathological);
    }
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
}

void TestRackFilter::stopLeavesThePreviousView_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape in the search line") << "escape-search";
    QTest::newRow("Escape in the table") << "escape-table";
    QTest::newRow("the menu's cancel item") << "menu";
}

void TestRackFilter::stopLeavesThePreviousView()
{
    QFETCH(QString, how);
    RackFixture f(slowRows(400));
    enter(f, QStringLiteral("club 1"));
    QVERIFY(waitForFilter(f));
    const QStringList before = f.shownNames();
    QCOMPARE(before, expectedNames(f));
    QCOMPARE(before.size(), 55); // clubs 10, 12 ... 18 and 100, 102 ... 198
    const QString counter = f.counter();
    const QString tooltip = f.table()->toolTip();

    enter(f, Pathological);
    QVERIFY(f.rack()->isFiltering());
    QTRY_COMPARE(OffThreadWork::pool()->activeThreadCount(), OffThreadWork::pool()->maxThreadCount());
    QVERIFY(f.activate());
    if (how == QLatin1String("escape-search")) {
        searchLine(f)->setFocus();
        QTest::keyClick(searchLine(f), Qt::Key_Escape);
    } else if (how == QLatin1String("escape-table")) {
        f.table()->setFocus();
        QTest::keyClick(f.table(), Qt::Key_Escape);
    } else {
        f.clickMenu(f.openMenu(QPoint(5, 5)), "_actSearchCanceling");
    }
    QVERIFY(!f.rack()->isFiltering());
    QCOMPARE(f.counter(), counter);
    QVERIFY(drain());
    QCOMPARE(f.shownNames(), before);
    QCOMPARE(f.counter(), counter);
    QCOMPARE(f.table()->toolTip(), tooltip);

    // Once stopped, the cancel item clears the filter as it always has, and
    // Escape means nothing to the rack.
    QTest::keyClick(f.table(), Qt::Key_Escape);
    QCOMPARE(f.shownNames(), before);
    f.clickMenu(f.openMenu(QPoint(5, 5)), "_actSearchCanceling");
    QCOMPARE(f.counter(), QStringLiteral("400/400"));
    QCOMPARE(searchLine(f)->text(), QString());
}

void TestRackFilter::newExpressionCancelsTheRunning()
{
    RackFixture f(slowRows(400));
    QSignalSpy runs(f.rack()->findChild<RackFilter*>(), &RackFilter::applied);
    enter(f, Pathological);
    QVERIFY(f.rack()->isFiltering());
    enter(f, QStringLiteral("-:^x1"));
    QVERIFY(waitForFilter(f));
    QVERIFY(drain());
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs.first().first().toString(), QStringLiteral("role-:^x1"));
    QCOMPARE(f.shownNames(), expectedNames(f));
    QCOMPARE(f.shownNames().size(), 56); // x1!, x11! ... x19!, x101! ... x199!
}

void TestRackFilter::rackChangedDuringRun_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("edit") << "edit";
    QTest::newRow("insert") << "insert";
    QTest::newRow("delete") << "delete";
    QTest::newRow("many inserted") << "many";
}

// The result is for the rack as it is when it comes: a run the rack changes
// under starts again; a stale result would show shifted rows.
void TestRackFilter::rackChangedDuringRun()
{
    QFETCH(QString, change);
    RackFixture f(slowRows(40));
    enter(f, Pathological);
    QVERIFY(f.rack()->isFiltering());
    RackModel* rack = f.rackModel();
    if (change == QLatin1String("edit")) {
        QVERIFY(rack->setData(rack->index(1, 0), QStringLiteral("x1 renamed")));
        QVERIFY(rack->setData(rack->index(2, 0), QStringLiteral("now!")));
    } else if (change == QLatin1String("insert")) {
        rack->insertEntry(0, new VaultEntry(QStringLiteral("first!"), QString(), QString(), QString()));
    } else if (change == QLatin1String("delete")) {
        std::unique_ptr<VaultEntry> taken = rack->takeEntry(0);
        taken = rack->takeEntry(0);
    } else {
        QList<VaultEntry*> added;
        for (int i = 0; i < 3 * ProxyModel::RecheckLimit; ++i)
            added.append(new VaultEntry(QStringLiteral("added %1%2").arg(i).arg(i % 2 ? "!" : ""), QString(),
                                        QString(), QString()));
        rack->appendEntries(added);
    }
    QVERIFY(f.rack()->isFiltering());
    QVERIFY(waitForFilter(f));
    const QStringList expected = expectedNames(f);
    QCOMPARE(f.shownNames(), expected);
    QCOMPARE(f.counter(), QStringLiteral("%1/%2").arg(expected.size()).arg(rack->entryCount()));
    if (change == QLatin1String("edit")) {
        QVERIFY(!expected.contains(QStringLiteral("x1 renamed")));
        QVERIFY(expected.contains(QStringLiteral("now!")));
    }
}

// A rack closed while its filter runs: the run stops and its result goes
// nowhere.
void TestRackFilter::rackDestroyedDuringRun()
{
    QPointer<RackFilter> filter;
    {
        RackFixture f(slowRows(400));
        filter = f.rack()->findChild<RackFilter*>();
        enter(f, Pathological);
        QVERIFY(f.rack()->isFiltering());
        // Closed with its chunks in hand, not before they begin.
        QTRY_COMPARE(OffThreadWork::pool()->activeThreadCount(), OffThreadWork::pool()->maxThreadCount());
    }
    QVERIFY(filter.isNull());
    // The chunks stop at their next row (a match lasts about 10 ms); running
    // on to their ends would take a third of a second or more.
    QElapsedTimer stopping;
    stopping.start();
    QVERIFY(drain());
    QVERIFY2(stopping.elapsed() < 150, qPrintable(QStringLiteral("%1 ms").arg(stopping.elapsed())));
}

// The pathological expression over the largest racks: the window repaints,
// takes keys and stops the run without a wait.
void TestRackFilter::windowStaysResponsive()
{
    RackFixture f(slowRows(45000));
    QTableView* table = f.table();
    enter(f, Pathological);
    QVERIFY(f.rack()->isFiltering());

    // A timer of the GUI thread ticks every 10 ms; the table is asked for a
    // repaint every 50 ms.
    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } painted;
    table->viewport()->installEventFilter(&painted);
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    int ticks = 0;
    int repaints = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &timer, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
        if (++ticks % 5 == 0) {
            ++repaints;
            table->viewport()->update();
        }
    });
    timer.start(10);
    // Keys typed meanwhile reach the search line.
    QTimer::singleShot(500, searchLine(f), [&] {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(searchLine(f), &key);
    });
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() > 1500, 5000);
    timer.stop();
    table->viewport()->removeEventFilter(&painted);

    qInfo("longest gap between ticks %lld ms, %d ticks, %d paints", longest, ticks, painted.paints);
    QVERIFY(f.rack()->isFiltering());
    // A blocked window would wait minutes; a build under the sanitizers
    // paints the table several times slower.
    QVERIFY2(longest < (SanitizedBuild ? 250 : 100), qPrintable(QStringLiteral("longest gap %1 ms").arg(longest)));
    QVERIFY2(ticks > (SanitizedBuild ? 15 : 75), qPrintable(QString::number(ticks)));
    QVERIFY2(painted.paints >= repaints / 2, qPrintable(QStringLiteral("%1 paints").arg(painted.paints)));
    QCOMPARE(searchLine(f)->text(), QStringLiteral("role+:") + Pathological + QLatin1Char('a'));

    QVERIFY(f.activate());
    QTest::keyClick(table, Qt::Key_Escape);
    QVERIFY(!f.rack()->isFiltering());
    QCOMPARE(f.counter(), QStringLiteral("45000/45000"));
}

void TestRackFilter::filterAsYouType_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

void TestRackFilter::filterAsYouType()
{
    QFETCH(bool, on);
    const QList<RackFixture::Row> rows = {{"bob", "", "", ""}, {"Bobby", "", "", ""}, {"mail", "", "", ""}};
    Settings settings;
    Settings::Values values = settings.values();
    values.filterAsYouType = on;
    settings.setForThisRun(values);
    RackFixture f(rows);
    QCOMPARE(f.rack()->filterAsYouType(), on);
    MessageBoxAnswerer answerer;
    QSignalSpy runs(f.rack()->findChild<RackFilter*>(), &RackFilter::runningChanged);

    QTest::keyClicks(searchLine(f), QStringLiteral("bob"));
    if (on) {
        QTRY_COMPARE(f.shownNames(), QStringList({"Bobby", "bob"}));
        // The line keeps what is typed; no box for an expression half typed.
        QCOMPARE(searchLine(f)->text(), QStringLiteral("bob"));
        QCOMPARE(f.table()->toolTip(), QStringLiteral("role+:bob"));
        QTest::keyClicks(searchLine(f), QStringLiteral(",user:["));
        QTest::qWait(2 * Rack::TypingPauseMs);
        QCOMPARE(answerer.count(), 0);
        QCOMPARE(f.shownNames(), QStringList({"Bobby", "bob"}));
        searchLine(f)->clear();
        QTest::keyClicks(searchLine(f), QStringLiteral("-:b"));
        QTRY_COMPARE(f.shownNames(), QStringList({"Bobby", "bob"}));
    } else {
        QTest::qWait(2 * Rack::TypingPauseMs);
        QCOMPARE(runs.size(), 0);
        QCOMPARE(f.shownNames(), QStringList({"Bobby", "bob", "mail"}));
    }

    // Enter keeps its meaning either way: at once, the line normalised.
    searchLine(f)->clear();
    QTest::keyClicks(searchLine(f), QStringLiteral("Bob"));
    QTest::keyClick(searchLine(f), Qt::Key_Return);
    QCOMPARE(searchLine(f)->text(), QStringLiteral("role+:Bob"));
    QVERIFY(waitForFilter(f));
    QCOMPARE(f.shownNames(), QStringList({"Bobby", "bob"}));
}

// Keys typed in a row give one run, a pause after the last one.
void TestRackFilter::filterAsYouTypeWaitsForAPause()
{
    RackFixture f(variedRows(50));
    f.rack()->setFilterAsYouType(true);
    QSignalSpy started(f.rack()->findChild<RackFilter*>(), &RackFilter::runningChanged);
    QElapsedTimer typing;
    typing.start();
    QTest::keyClicks(searchLine(f), QStringLiteral("mail"));
    QTRY_VERIFY(started.size() >= 2);
    QVERIFY(typing.elapsed() >= Rack::TypingPauseMs);
    QCOMPARE(started.size(), 2);
    QCOMPARE(started.first().first().toBool(), true);
    QCOMPARE(f.shownNames(), expectedNames(f));
}

KOVRIN_TEST_MAIN(TestRackFilter)
#include "tst_rackfilter.moc"
