// Rack tabs on real widgets: creating with the next free name, deleting,
// renaming by double click, reordering by dragging, and the delete action.
// After every step the rack list and the tabs must agree.
#include "Base.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "Rack.h"
#include "RackModel.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "WorkspaceFixture.h"

#include <QAction>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTabBar>
#include <QTableView>
#include <QTest>

#include <algorithm>

using namespace WorkspaceFixture;

class TestRackTabs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void nextFreeName_data();
    void nextFreeName();
    void refusedRackModel();
    void deleting_data();
    void deleting();
    void renamingByDoubleClick_data();
    void renamingByDoubleClick();
    void renameFollowsItsTab_data();
    void renameFollowsItsTab();
    void noEditorOnFixedTabs_data();
    void noEditorOnFixedTabs();
    void draggingReordersTheVault();
    void fixedTabsNeverMove_data();
    void fixedTabsNeverMove();
    void deleteActionState_data();
    void deleteActionState();
    void racksBehindShowAsTheFirst();

private:
    // Opens a vault of these racks in a new main window.
    bool open(const QList<RackContent>& racks);
    QStringList tabNames() const;
    void drag(int fromTab, QPoint to);

    std::unique_ptr<MainWindow> _window;
    Base* _base = nullptr;
    QString _fileName;
};

void TestRackTabs::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
}

void TestRackTabs::cleanup()
{
    MessageBoxAnswerer discard({QMessageBox::No});
    _window.reset();
    _base = nullptr;
}

bool TestRackTabs::open(const QList<RackContent>& racks)
{
    _fileName = TestEnvironment::freshDir(QStringLiteral("racks")) + QStringLiteral("/vault.kovrin");
    if (!writeVault(_fileName, racks))
        return false;
    _window = showMainWindow();
    _base = _window->base();
    typeAndLoad(*_base, _fileName, Password);
    return _base->model() && _base->model()->rackCount() == racks.size();
}

QStringList TestRackTabs::tabNames() const
{
    QStringList names;
    for (int i = 2; i < _base->count(); ++i)
        names.append(_base->tabText(i));
    return names;
}

// Presses on a tab and moves the mouse, with the button held, to a point of
// the tab bar in small steps, as a hand does.
void TestRackTabs::drag(int fromTab, QPoint to)
{
    QTabBar* bar = _base->tabBar();
    const QPoint start = bar->tabRect(fromTab).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    const int steps = 20;
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = start + (to - start) * i / steps;
        QMouseEvent move(QEvent::MouseMove, at, bar->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
    }
    QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
    QTest::qWait(300); // the dragged tab's slide back into place
}

void TestRackTabs::nextFreeName_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first") << QStringList{QStringLiteral("Alpha")} << QStringLiteral("Rack 1");
    QTest::newRow("gap") << QStringList{QStringLiteral("Rack 1"), QStringLiteral("Rack 3")} << QStringLiteral("Rack 2");
    QTest::newRow("after") << QStringList{QStringLiteral("Rack 2"), QStringLiteral("Rack 1")} << QStringLiteral("Rack 3");
    QTest::newRow("case differs") << QStringList{QStringLiteral("rack 1")} << QStringLiteral("Rack 1");
    QTest::newRow("no space") << QStringList{QStringLiteral("Rack1")} << QStringLiteral("Rack 1");
}

// Alt+R adds the rack with the first free default name as the last tab, makes
// it current and marks the vault modified.
void TestRackTabs::nextFreeName()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    QList<RackContent> racks;
    for (const QString& name : existing)
        racks.append({name, 1});
    QVERIFY(open(racks));
    QCOMPARE(_base->nextRackName(), expected);

    QTest::keyClick(_window.get(), Qt::Key_R, Qt::AltModifier);
    QCOMPARE(tabNames(), existing + QStringList{expected});
    QCOMPARE(_base->currentIndex(), _base->count() - 1);
    QVERIFY(_base->model()->isModified());
    QVERIFY(_window->actSave()->isEnabled());
    CHECK_RACK_TABS(*_base);

    // And the next press takes the next free name.
    _window->actNewRack()->trigger();
    QCOMPARE(_base->tabText(_base->count() - 1), _base->model()->rackNames().constLast());
    QVERIFY(_base->tabText(_base->count() - 1) != expected);
    CHECK_RACK_TABS(*_base);
}

void TestRackTabs::refusedRackModel()
{
    QVERIFY(open({{QStringLiteral("A"), 0}}));
    MessageBoxAnswerer answerer;
    QVERIFY(!_base->createRack(QStringLiteral("A")));
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Critical);
    QCOMPARE(answerer.last().text, QStringLiteral("Failure to add the compartment model [A] to the global model."));
    QVERIFY(!_base->model()->isModified());
    CHECK_RACK_TABS(*_base);
}

void TestRackTabs::deleting_data()
{
    QTest::addColumn<QStringList>("racks");
    QTest::addColumn<int>("entries"); // of every rack
    QTest::addColumn<int>("tab");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("boxes");

    const QStringList abc{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    QTest::newRow("only rack refused") << QStringList{QStringLiteral("A")} << 0 << 2 << QMessageBox::Ok
                                       << QStringList{QStringLiteral("A")} << 2 << 1;
    QTest::newRow("last empty rack, previous current")
        << abc << 0 << 4 << QMessageBox::Ok << QStringList{QStringLiteral("A"), QStringLiteral("B")} << 3 << 0;
    QTest::newRow("middle empty rack, following current")
        << abc << 0 << 3 << QMessageBox::Ok << QStringList{QStringLiteral("A"), QStringLiteral("C")} << 3 << 0;
    QTest::newRow("first empty rack") << abc << 0 << 2 << QMessageBox::Ok
                                      << QStringList{QStringLiteral("B"), QStringLiteral("C")} << 2 << 0;
    QTest::newRow("rack with entries, confirmed")
        << abc << 2 << 3 << QMessageBox::Yes << QStringList{QStringLiteral("A"), QStringLiteral("C")} << 3 << 1;
    QTest::newRow("rack with entries, kept") << abc << 2 << 3 << QMessageBox::No << abc << 3 << 1;
    QTest::newRow("fixed page") << abc << 0 << 1 << QMessageBox::Ok << abc << 1 << 0;
}

void TestRackTabs::deleting()
{
    QFETCH(QStringList, racks);
    QFETCH(int, entries);
    QFETCH(int, tab);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QStringList, left);
    QFETCH(int, current);
    QFETCH(int, boxes);
    QList<RackContent> contents;
    for (const QString& name : racks)
        contents.append({name, entries});
    QVERIFY(open(contents));
    _base->selectTab(tab);
    const QString victim = _base->tabText(tab);

    MessageBoxAnswerer answerer({answer});
    _base->onRackDeleting();
    QCOMPARE(answerer.count(), boxes);
    if (racks.size() == 1) {
        QCOMPARE(answerer.last().icon, QMessageBox::Warning);
        QVERIFY(!answerer.last().text.startsWith(QLatin1Char('['))); // a real text, not a missing key
    } else if (boxes == 1) {
        QCOMPARE(answerer.last().icon, QMessageBox::Question);
        QCOMPARE(answerer.last().defaultButton, QMessageBox::No);
        QCOMPARE(answerer.last().text,
                 QStringLiteral("The rack [%1] holds %2 entries. Delete it with all its entries?").arg(victim).arg(entries));
    }
    QCOMPARE(tabNames(), left);
    QCOMPARE(_base->model()->rackNames(), left);
    QCOMPARE(_base->currentIndex(), current);
    QCOMPARE(_base->model()->isModified(), left != racks);
    CHECK_RACK_TABS(*_base);
}

void TestRackTabs::renamingByDoubleClick_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("modified");
    QTest::newRow("same text") << QStringLiteral("B") << QStringLiteral("B") << false;
    QTest::newRow("existing rack") << QStringLiteral("A") << QStringLiteral("B") << false;
    QTest::newRow("empty") << QString() << QStringLiteral("B") << false;
    QTest::newRow("line feed") << QStringLiteral("two\nlines") << QStringLiteral("B") << false;
    QTest::newRow("real rename") << QStringLiteral("Bank cards") << QStringLiteral("Bank cards") << true;
}

void TestRackTabs::renamingByDoubleClick()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);
    QFETCH(bool, modified);
    QVERIFY(open({{QStringLiteral("A"), 1}, {QStringLiteral("B"), 1}}));
    QTabBar* bar = _base->tabBar();
    QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
    auto* editor = bar->findChild<QLineEdit*>();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("B"));
    QCOMPARE(editor->selectedText(), QStringLiteral("B"));
    if (typed.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    else if (typed.contains(QLatin1Char('\n')))
        editor->setText(typed); // as a paste would bring it
    else
        QTest::keyClicks(editor, typed);
    MessageBoxAnswerer answerer;
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!bar->findChild<QLineEdit*>());

    QCOMPARE(answerer.count(), 0); // a refused name is only logged
    QCOMPARE(_base->tabText(3), name);
    QCOMPARE(_base->model()->rackNames(), QStringList({QStringLiteral("A"), name}));
    QCOMPARE(_base->model()->isModified(), modified);
    CHECK_RACK_TABS(*_base);
}

void TestRackTabs::renameFollowsItsTab_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QStringList>("names"); // afterwards, in tab order
    QTest::newRow("its rack deleted with Alt+D") << "delete it" << QStringList{"A", "B"};
    QTest::newRow("an earlier rack deleted") << "delete A" << QStringList{"B", "New"};
    QTest::newRow("tabs moved") << "move it first" << QStringList{"New", "A", "B"};
}

// The editor serves the tab it was opened on, wherever that tab goes; every
// tab shows its own rack's name afterwards.
void TestRackTabs::renameFollowsItsTab()
{
    QFETCH(QString, meanwhile);
    QFETCH(QStringList, names);
    QVERIFY(open({{QStringLiteral("A"), 0}, {QStringLiteral("B"), 0}, {QStringLiteral("C"), 0}}));
    QTabBar* bar = _base->tabBar();
    _base->selectTab(4);
    QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->tabRect(4).center());
    QPointer<QLineEdit> editor = bar->findChild<QLineEdit*>();
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("New"));

    if (meanwhile == QLatin1String("delete it")) {
        QTest::keyClick(editor, Qt::Key_D, Qt::AltModifier);
        QCOMPARE(_base->model()->rackNames(), names);
        QTRY_VERIFY(!editor); // went with its tab, renaming nothing
    } else {
        if (meanwhile == QLatin1String("delete A")) {
            _base->selectTab(2);
            _base->onRackDeleting();
        } else {
            bar->moveTab(4, 3);
            bar->moveTab(3, 2);
            QCOMPARE(editor->geometry(), bar->tabRect(2));
        }
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!editor);
    }
    QCOMPARE(tabNames(), names);
    QCOMPARE(_base->model()->rackNames(), names);
    QVERIFY(_base->model()->isModified());
    CHECK_RACK_TABS(*_base);
}

void TestRackTabs::noEditorOnFixedTabs_data()
{
    QTest::addColumn<int>("tab");
    QTest::newRow("Vault") << 0;
    QTest::newRow("Passwords") << 1;
}

void TestRackTabs::noEditorOnFixedTabs()
{
    QFETCH(int, tab);
    QVERIFY(open({{QStringLiteral("A"), 1}}));
    QTabBar* bar = _base->tabBar();
    QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
    QVERIFY(!bar->findChild<QLineEdit*>());
}

// A dragged rack tab changes places with its neighbours; the vault's rack list
// follows, and a save keeps the new order.
void TestRackTabs::draggingReordersTheVault()
{
    QVERIFY(open({{QStringLiteral("A"), 1}, {QStringLiteral("B"), 1}, {QStringLiteral("C"), 1}}));
    QTabBar* bar = _base->tabBar();
    drag(4, bar->tabRect(2).center());
    QCOMPARE(tabNames(), QStringList({QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("B")}));
    QCOMPARE(_base->model()->rackNames(), tabNames());
    QVERIFY(_base->model()->isModified());
    CHECK_RACK_TABS(*_base);

    drag(2, bar->tabRect(3).center());
    QCOMPARE(tabNames(), QStringList({QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("B")}));
    CHECK_RACK_TABS(*_base);

    MessageBoxAnswerer answerer({QMessageBox::Save});
    _window->actSave()->trigger();
    QCOMPARE(rackNamesOf(_fileName), QStringList({QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("B")}));
}

void TestRackTabs::fixedTabsNeverMove_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("Vault page dragged right") << 0 << 3;
    QTest::newRow("Passwords page dragged right") << 1 << 3;
    QTest::newRow("rack dragged onto the Vault page") << 3 << 0;
    QTest::newRow("rack dragged past the left end") << 2 << -1;
}

void TestRackTabs::fixedTabsNeverMove()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QVERIFY(open({{QStringLiteral("A"), 1}, {QStringLiteral("B"), 1}}));
    QTabBar* bar = _base->tabBar();
    const QPoint target = to >= 0 ? bar->tabRect(to).center() : QPoint(-50, bar->tabRect(0).center().y());
    drag(from, target);
    QCOMPARE(_base->widget(0)->objectName(), QStringLiteral("_tabFiles"));
    QCOMPARE(_base->widget(1)->objectName(), QStringLiteral("_tabPasswords"));
    QCOMPARE(_base->model()->rackNames(), tabNames());
    CHECK_RACK_TABS(*_base);
}

void TestRackTabs::deleteActionState_data()
{
    QTest::addColumn<int>("racks");
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("one rack, its tab") << 1 << 2 << false;
    QTest::newRow("one rack, Vault page") << 1 << 0 << false;
    QTest::newRow("two racks, first rack") << 2 << 2 << true;
    QTest::newRow("two racks, second rack") << 2 << 3 << true;
    QTest::newRow("two racks, Vault page") << 2 << 0 << false;
    QTest::newRow("two racks, Passwords page") << 2 << 1 << false;
}

void TestRackTabs::deleteActionState()
{
    QFETCH(int, racks);
    QFETCH(int, tab);
    QFETCH(bool, enabled);
    QList<RackContent> contents;
    for (int i = 0; i < racks; ++i)
        contents.append({QStringLiteral("R%1").arg(i), 1});
    QVERIFY(open(contents));
    _base->selectTab(tab);
    QCOMPARE(_window->actDelRack()->isEnabled(), enabled);
}

namespace {
// The table as it is on the screen, read without Rack::tableView(), which
// would first sort and size it.
const QTableView* tableOf(const Rack& rack)
{
    return rack.findChild<QTableView*>(QStringLiteral("_tvwEntries"));
}

// Roles in the table's order, and the columns' widths.
QStringList shownRoles(const QTableView* table)
{
    const QAbstractItemModel* model = table->model();
    QStringList roles;
    for (int row = 0; model && row < model->rowCount(); ++row)
        roles.append(model->index(row, 0).data().toString());
    return roles;
}

QList<int> columnWidths(const QTableView* table)
{
    QList<int> widths;
    for (int column = 0; column < 4; ++column)
        widths.append(table->horizontalHeader()->sectionSize(column));
    return widths;
}

// Object names of the rack's widgets Tab stops at, in focus-chain order (a
// combo box's line edit counts as the box).
QStringList tabStops(const Rack& rack)
{
    QStringList names;
    QWidget* window = rack.window();
    for (QWidget* widget = window->nextInFocusChain(); widget != window; widget = widget->nextInFocusChain()) {
        if (!rack.isAncestorOf(widget) || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        QString name = widget->objectName();
        if (name.isEmpty() && widget->parentWidget())
            name = widget->parentWidget()->objectName();
        if (names.isEmpty() || names.last() != name)
            names.append(name);
    }
    return names;
}

QString counter(const Rack& rack)
{
    return rack.findChild<QLabel*>(QStringLiteral("_lblEntries"))->text();
}
} // namespace

// The racks behind the first tab are sorted and measured only when first
// shown (or first read); they must then look exactly as the first rack, which
// was shown at once: same order, same sort indicator, same column widths, the
// comment column wide enough for a long comment that lies beyond the rows
// measured first, same tab order; and their counters are right before they
// are shown.
void TestRackTabs::racksBehindShowAsTheFirst()
{
    const QString longComment = QStringLiteral("A long comment, far wider than the column would be without it");
    // "role 50" comes 46th in name order, after the first screenful of rows.
    const QHash<int, QString> comments = {{50, longComment}, {7, QStringLiteral("short")}};
    QVERIFY(open({{QStringLiteral("First"), 60, comments},
                  {QStringLiteral("Behind"), 60, comments},
                  {QStringLiteral("Read"), 60, comments}}));
    Rack* first = _base->rackAt(2);
    Rack* behind = _base->rackAt(3);
    Rack* read = _base->rackAt(4);
    QVERIFY(first && behind && read);
    QVERIFY(first->isVisible());
    QVERIFY(!behind->isVisible());
    QCOMPARE(counter(*behind), QStringLiteral("60/60"));

    // Entries arriving while the rack is hidden, as an import brings them.
    for (Rack* rack : {first, behind, read}) {
        rack->rackModel()->appendEntry(new VaultEntry(QStringLiteral("role 05"), QStringLiteral("late"),
                                                      QStringLiteral("pw"), QString()));
        rack->updateEntriesCounter();
    }
    QCOMPARE(counter(*behind), QStringLiteral("61/61"));
    QVERIFY(!behind->isVisible());

    QStringList expected;
    for (const VaultEntry* entry : first->rackModel()->entries())
        expected.append(entry->name());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(shownRoles(tableOf(*first)), expected);
    const QList<int> widths = columnWidths(tableOf(*first));
    const int textWidth = QFontMetrics(tableOf(*first)->font()).horizontalAdvance(longComment);
    QVERIFY2(widths.at(3) >= textWidth, qPrintable(QStringLiteral("%1 < %2").arg(widths.at(3)).arg(textWidth)));

    // The new-entry fields come first when tabbing through a rack.
    const QStringList stops = {"_tbxName",   "_tbxUse",    "_cbxPassword", "_btnGenerator", "_tbxComment",
                               "_btnInsert", "_tbxSearch", "_btnSearch",   "_tvwEntries"};
    QCOMPARE(tabStops(*first), stops);

    // Read from outside before it is ever shown.
    QVERIFY(!read->isVisible());
    QCOMPARE(shownRoles(read->tableView()), expected);

    for (Rack* rack : {behind, read}) {
        _base->selectTab(_base->indexOf(rack));
        QVERIFY(rack->isVisible());
        const QTableView* table = tableOf(*rack);
        QCOMPARE(shownRoles(table), expected);
        QCOMPARE(columnWidths(table), widths);
        const QHeaderView* header = table->horizontalHeader();
        QVERIFY(table->isSortingEnabled());
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), 0);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(counter(*rack), QStringLiteral("61/61"));
        QCOMPARE(tabStops(*rack), stops);
    }
}

KOVRIN_TEST_MAIN(TestRackTabs)
#include "tst_racktabs.moc"
