#include "Exception.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "Rack.h"
#include "RackFixture.h"
#include "RackModel.h"
#include "TestMain.h"
#include "TestEnvironment.h"
#include "VaultEntry.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGraphicsDropShadowEffect>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>

#include <tuple>

namespace {
const QString EditContext = QStringLiteral("void Rack::connectToSignals() -> ");

// Shown sorted by name (case-sensitive): Bobby, Pierre, Pirate, a{13}, bob,
// mailbox, pizza, space here.
const QList<RackFixture::Row> FilterRows = {
    {"bob", "root", "pw1", ""},
    {"Bobby", "alice", "pw2", "note"},
    {"mailbox", "BOB", "pw3", ""},
    {"Pierre", "pierre", "P4ss", "Champ de blé"},
    {"Pirate", "jack", "pw5", "champ"},
    {"pizza", "", "pw6", "four"},
    {"a{13}", "", "", ""},
    {"space here", "x", "y", "z"},
};

// e9, e8, ... e0 in the rack model: the table shows them the other way round.
QList<RackFixture::Row> descendingRows(int count)
{
    QList<RackFixture::Row> rows;
    for (int i = count - 1; i >= 0; --i)
        rows.append({QStringLiteral("e%1").arg(i), QStringLiteral("user%1").arg(i), QStringLiteral("pw%1").arg(i), {}});
    return rows;
}

// The filter runs off the GUI thread: waits for its result in the table.
void waitForFilter(RackFixture& f)
{
    QTRY_VERIFY(!f.rack()->isFiltering());
}

void search(RackFixture& f, const QString& text)
{
    auto* line = f.child<QLineEdit>("_tbxSearch");
    line->clear();
    QTest::keyClicks(line, text);
    QTest::keyClick(line, Qt::Key_Return);
    waitForFilter(f);
}

void clickRow(RackFixture& f, const QString& role)
{
    const int row = f.viewRow(role);
    QVERIFY2(row >= 0, qPrintable(role));
    QTableView* table = f.table();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(row, 0)).center());
}

QPoint cellCentre(RackFixture& f, const QString& role, int column)
{
    QTableView* table = f.table();
    return table->visualRect(table->model()->index(f.viewRow(role), column)).center();
}

// Opens the cell's editor by a double click: press, release, double click,
// release. The selection is left as it was (each press toggles a row, and
// Qt versions differ in the presses their double click sends).
void doubleClick(RackFixture& f, const QString& role, int column)
{
    QWidget* viewport = f.table()->viewport();
    const QItemSelection selection = f.table()->selectionModel()->selection();
    const QPoint pos = cellCentre(f, role, column);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
    f.table()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

QStringList without(QStringList names, const QStringList& removed)
{
    for (const QString& name : removed)
        names.removeOne(name);
    return names;
}
} // namespace

class TestRack : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ModuleTexts::setLanguage(QStringLiteral("en_US")); }

    void texts_data();
    void texts();
    void contextMenu();
    void filter_data();
    void filter();
    void searchAgainAndCancel();
    void deleteWhileSortedAndFiltered();
    void deletionRefusedOrDisabled();
    void undoEndsWhenSaved();
    void undoRefusedForRoleTakenAgain();
    void insertionRefused_data();
    void insertionRefused();
    void insertionAccepted_data();
    void insertionAccepted();
    void counterUnderFilter();
    void fieldCopy();
    void editLogging_data();
    void editLogging();
    void refusedEditKeepsValue_data();
    void refusedEditKeepsValue();
    void generator_data();
    void generator();
    void generatorWithoutSettings();
    void failingSlotIsReported();
    void nameAndTabIndex();
    void destructionRemovesRack();
    void rackModelDeletedElsewhere();
    void wholeTask();
};

void TestRack::texts_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("noFilter");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("helpExample");
    QTest::newRow("en_US") << "en_US" << "New entry" << "No filter." << "Field copy"
                           << "Example: 'role-:^Pi.*,comment:[c|C]champ'";
    QTest::newRow("fr_FR") << "fr_FR" << "Nouvelle entrée" << "Aucun filtre." << "Copie du champ"
                           << "Exemple : 'role-:^Pi.*,comment:[c|C]hamp'";
}

void TestRack::texts()
{
    QFETCH(QString, lang);
    QFETCH(QString, title);
    QFETCH(QString, noFilter);
    QFETCH(QString, copy);
    QFETCH(QString, helpExample);
    ModuleTexts::setLanguage(lang);
    {
        RackFixture f({});
        QCOMPARE(f.child<QGroupBox>("_gbxInsert")->title(), title);
        QCOMPARE(f.table()->toolTip(), noFilter);
        QCOMPARE(f.menuAction("_actCopy")->text(), copy);
        QCOMPARE(f.rack()->windowTitle(), QStringLiteral("Form"));
        // The help reads as five lines.
        const QStringList help = f.child<QLabel>("_lblSearch")->toolTip().split(QLatin1Char('\n'));
        QCOMPARE(help.size(), 5);
        QVERIFY(help.last().startsWith(helpExample));
        QVERIFY(!f.child<QLabel>("_lblSearch")->toolTip().contains(QStringLiteral("\\n")));
        // Fields are named by their labels.
        QCOMPARE(f.child<QLabel>("_lblUser")->buddy(), f.child<QLineEdit>("_tbxUse"));
        QCOMPARE(f.counter(), QStringLiteral("0/0"));
    }
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
}

void TestRack::contextMenu()
{
    RackFixture f(FilterRows);
    QMenu* menu = f.openMenu(cellCentre(f, "bob", 0));
    QVERIFY(menu && menu->isVisible());
    QStringList order;
    for (QAction* action : menu->actions())
        order.append(action->objectName());
    QCOMPARE(order, QStringList({"_actCopy", "_actDelete", "_actSearchCanceling", "_actShowHide", "_actUndoDeletion"}));
    QStringList texts;
    for (QAction* action : menu->actions())
        texts.append(action->text());
    QCOMPARE(texts, QStringList({"Field copy", "Deleting the selected entries...", "Cancel search filtering",
                                 "Display the input controls for a new entry", "Undo deletion"}));
    auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(menu->graphicsEffect());
    QVERIFY(shadow);
    QCOMPARE(shadow->offset(), QPointF(16.0, 16.0));
    QCOMPARE(shadow->color(), QColor(255, 255, 255, 180));
    QCOMPARE(shadow->blurRadius(), 5.0);

    // The new-entry group starts hidden; the menu shows and hides it.
    auto* group = f.child<QGroupBox>("_gbxInsert");
    QVERIFY(!group->isVisible());
    f.clickMenu(menu, "_actShowHide");
    QVERIFY(group->isVisible());
    QCOMPARE(f.menuAction("_actShowHide")->text(), QStringLiteral("Hide the input controls for a new entry"));
    menu = f.openMenu(cellCentre(f, "bob", 0));
    f.clickMenu(menu, "_actShowHide");
    QVERIFY(!group->isVisible());
    QCOMPARE(f.menuAction("_actShowHide")->text(), QStringLiteral("Display the input controls for a new entry"));
}

void TestRack::filter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("searchAfter");
    QTest::addColumn<QString>("boxText");

    const QStringList all = {"Bobby", "Pierre", "Pirate", "a{13}", "bob", "mailbox", "pizza", "space here"};
    QTest::newRow("empty") << "" << "" << all << "" << "";
    QTest::newRow("name, any case") << "bob" << "role+:bob" << QStringList{"Bobby", "bob"} << "role+:bob" << "";
    QTest::newRow("sign alone") << "-:bob" << "role-:bob" << QStringList{"bob"} << "role-:bob" << "";
    QTest::newRow("role, exact case") << "role-:bob" << "role-:bob" << QStringList{"bob"} << "role-:bob" << "";
    QTest::newRow("prefix lower-cased") << "USER:bob" << "user+:bob" << QStringList{"mailbox"} << "user+:bob" << "";
    QTest::newRow("space before sign") << "user -:bob" << "role-:bob" << QStringList{"bob"} << "role-:bob" << "";
    QTest::newRow("unknown prefix") << "foo:bar" << "role+:bar" << QStringList{} << "role+:bar" << "";
    QTest::newRow("unknown prefix, a name found") << "foo:piz" << "role+:piz" << QStringList{"pizza"} << "role+:piz"
                                                  << "";
    QTest::newRow("empty part") << "a,,b" << "role+:a AND role+: AND role+:b" << QStringList{"mailbox"}
                                << "role+:a AND role+: AND role+:b" << "";
    QTest::newRow("comma splits a quantifier") << "a{1,3}" << "role+:a{1 AND role+:3}" << QStringList{"a{13}"}
                                               << "role+:a{1 AND role+:3}" << "";
    QTest::newRow("two fields") << "Role-:^Pi.*, comment:[cC]hamp" << "role-:^Pi.* AND comment+:[cC]hamp"
                                << QStringList{"Pierre", "Pirate"} << "role-:^Pi.* AND comment+:[cC]hamp" << "";
    QTest::newRow("empty comment") << "comment:^$" << "comment+:^$" << QStringList{"a{13}", "bob", "mailbox"}
                                   << "comment+:^$" << "";
    QTest::newRow("empty pattern") << "user:" << "user+:" << all << "user+:" << "";
    QTest::newRow("one space") << " " << "role+: " << QStringList{"space here"} << "role+: " << "";
    QTest::newRow("password, exact case") << "password-:^P" << "password-:^P" << QStringList{"Pierre"}
                                          << "password-:^P" << "";
    QTest::newRow("second expression invalid")
        << "user:bob,comment:(" << "" << QStringList{"mailbox"} << "user+:bob"
        << "The search expression [comment+:(] is not a valid regular expression: the rules before it stay in "
           "force, the rest of the search is ignored.";
    QTest::newRow("first expression invalid")
        << "-:a[" << "" << all << "-:a["
        << "The search expression [role-:a[] is not a valid regular expression: the rules before it stay in force, "
           "the rest of the search is ignored.";
}

void TestRack::filter()
{
    QFETCH(QString, typed);
    QFETCH(QString, description);
    QFETCH(QStringList, shown);
    QFETCH(QString, searchAfter);
    QFETCH(QString, boxText);

    RackFixture f(FilterRows);
    MessageBoxAnswerer answerer;
    search(f, typed);
    QCOMPARE(f.shownNames(), shown);
    QCOMPARE(f.table()->toolTip(), description);
    QCOMPARE(f.child<QLineEdit>("_tbxSearch")->text(), searchAfter);
    QCOMPARE(f.counter(), QStringLiteral("%1/8").arg(shown.size()));
    if (boxText.isEmpty()) {
        QCOMPARE(answerer.count(), 0);
        return;
    }
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Critical);
    QCOMPARE(answerer.last().text, boxText);
    QVERIFY(!answerer.last().detailedText.isEmpty());
    QCOMPARE(f.focused(), f.child<QLineEdit>("_tbxSearch"));
}

void TestRack::searchAgainAndCancel()
{
    RackFixture f(FilterRows);
    search(f, QStringLiteral("Role-:^Pi.*, comment:[cC]hamp"));
    QCOMPARE(f.shownNames(), QStringList({"Pierre", "Pirate"}));

    // The description joins the rules with AND, not commas: read again it is
    // one case-sensitive rule on the name, which nothing matches.
    QTest::mouseClick(f.child<QPushButton>("_btnSearch"), Qt::LeftButton);
    waitForFilter(f);
    QCOMPARE(f.child<QLineEdit>("_tbxSearch")->text(), QStringLiteral("role-:^Pi.* AND comment+:[cC]hamp"));
    QCOMPARE(f.shownNames(), QStringList());
    QCOMPARE(f.counter(), QStringLiteral("0/8"));

    QMenu* menu = f.openMenu(QPoint(5, 5));
    f.clickMenu(menu, "_actSearchCanceling");
    QCOMPARE(f.child<QLineEdit>("_tbxSearch")->text(), QString());
    QCOMPARE(f.table()->toolTip(), QStringLiteral("No filter."));
    QCOMPARE(f.shownNames().size(), 8);
    QCOMPARE(f.counter(), QStringLiteral("8/8"));
}

void TestRack::deleteWhileSortedAndFiltered()
{
    RackFixture f(descendingRows(10));
    const QStringList stored = f.storedNames();
    search(f, QStringLiteral("-:^e[^0]")); // hides e0, the last row of the rack model
    QCOMPARE(f.counter(), QStringLiteral("9/10"));
    // Rack-model rows 2, 5 and 3, picked in that order.
    const QStringList doomed = {stored.at(2), stored.at(5), stored.at(3)};
    QCOMPARE(doomed, QStringList({"e7", "e4", "e6"}));
    for (const QString& role : doomed)
        clickRow(f, role);
    QCOMPARE(f.table()->selectionModel()->selectedRows().size(), 3);

    QSignalSpy status(f.model().get(), &Model::vaultStatusUpdated);
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    QMenu* menu = f.openMenu(cellCentre(f, "e1", 0));
    QVERIFY(f.menuAction("_actDelete")->isEnabled());
    f.clickMenu(menu, "_actDelete");
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Question);
    QCOMPARE(answerer.last().text, QStringLiteral("Do you confirm the deletion of the [3] selected entries?"));
    QCOMPARE(answerer.last().detailedText,
             QStringLiteral("It is possible to undo this deletion (Ctrl-Z) as long as the vault has not been saved."));
    QCOMPARE(answerer.last().buttons, QMessageBox::Yes | QMessageBox::No);

    QCOMPARE(f.storedNames(), without(stored, doomed));
    QCOMPARE(f.counter(), QStringLiteral("6/7"));
    QVERIFY(f.model()->isModified());
    QCOMPARE(status.size(), 1);
    QVERIFY(f.menuAction("_actUndoDeletion")->isEnabled());

    // Ctrl+Z puts them back where they were.
    QVERIFY(f.activate());
    f.table()->setFocus();
    QTest::keyClick(f.table(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.storedNames(), stored);
    QCOMPARE(f.counter(), QStringLiteral("9/10"));
    QCOMPARE(status.size(), 2);
    QCOMPARE(status.last().first().toBool(), true);
    QVERIFY(!f.menuAction("_actUndoDeletion")->isEnabled());
    QTest::keyClick(f.table(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.storedNames(), stored);
}

void TestRack::deletionRefusedOrDisabled()
{
    RackFixture f(descendingRows(4));
    const QStringList stored = f.storedNames();
    MessageBoxAnswerer answerer({QMessageBox::No});
    QMenu* menu = f.openMenu(cellCentre(f, "e1", 0));
    QVERIFY(!f.menuAction("_actDelete")->isEnabled());
    f.clickMenu(menu, "_actDelete");
    menu->close();
    QCOMPARE(answerer.count(), 0);

    clickRow(f, QStringLiteral("e2"));
    menu = f.openMenu(cellCentre(f, "e1", 0));
    QVERIFY(f.menuAction("_actDelete")->isEnabled());
    f.clickMenu(menu, "_actDelete");
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(f.storedNames(), stored);
    QVERIFY(!f.model()->isModified());
    QVERIFY(!f.menuAction("_actUndoDeletion")->isEnabled());
}

void TestRack::undoEndsWhenSaved()
{
    RackFixture f(descendingRows(4));
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    clickRow(f, QStringLiteral("e2"));
    f.clickMenu(f.openMenu(cellCentre(f, "e2", 0)), "_actDelete");
    QCOMPARE(f.storedNames(), QStringList({"e3", "e1", "e0"}));
    QVERIFY(f.menuAction("_actUndoDeletion")->isEnabled());

    // What the workspace does once the vault is written.
    f.model()->resetModified();
    QVERIFY(!f.menuAction("_actUndoDeletion")->isEnabled());
    QVERIFY(f.activate());
    f.table()->setFocus();
    QTest::keyClick(f.table(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.storedNames(), QStringList({"e3", "e1", "e0"}));
    QVERIFY(!f.model()->isModified());
}

void TestRack::undoRefusedForRoleTakenAgain()
{
    RackFixture f(descendingRows(4));
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    clickRow(f, QStringLiteral("e2"));
    f.clickMenu(f.openMenu(cellCentre(f, "e2", 0)), "_actDelete");
    f.rackModel()->appendEntry(new VaultEntry(QStringLiteral("e2"), QStringLiteral("new"), QString(), QString()));

    f.clickMenu(f.openMenu(cellCentre(f, "e1", 0)), "_actUndoDeletion");
    QCOMPARE(answerer.count(), 2);
    QCOMPARE(answerer.last().icon, QMessageBox::Warning);
    QCOMPARE(answerer.last().text, QStringLiteral("The deletion cannot be undone: the rack holds an entry named [e2] "
                                                  "again. Rename or delete that entry first."));
    QCOMPARE(f.storedNames(), QStringList({"e3", "e1", "e0", "e2"}));
    QVERIFY(f.menuAction("_actUndoDeletion")->isEnabled());
}

void TestRack::insertionRefused_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("detailed");
    QTest::addColumn<QString>("focus");

    const QString forbidden = QStringLiteral("A vault entry cannot hold a tab or a line feed: remove them from the text.");
    QTest::newRow("empty name") << QStringList{"", "u", "p", "c"} << "Entry must have name (empty string forbidden)"
                                << "The entry name (role) must be defined within the rack." << "_tbxUse";
    QTest::newRow("duplicate") << QStringList{"e1", "u", "p", "c"} << "The entry with the role [e1] already exists."
                               << "The entry name (role) must be unique in this rack." << "_tbxUse";
    QTest::newRow("line feed in name") << QStringList{"two\nlines", "u", "p", "c"}
                                       << "The field [Name] holds a tab or a line feed." << forbidden << "_tbxName";
    QTest::newRow("tab in account") << QStringList{"new", "a\tb", "p", "c"}
                                    << "The field [Account] holds a tab or a line feed." << forbidden << "_tbxUse";
    QTest::newRow("tab in password") << QStringList{"new", "u", "p\tw", "c"}
                                     << "The field [Password] holds a tab or a line feed." << forbidden
                                     << "_cbxPassword";
    QTest::newRow("line feed in note") << QStringList{"new", "u", "p", "c\n"}
                                       << "The field [Note] holds a tab or a line feed." << forbidden << "_tbxComment";
}

void TestRack::insertionRefused()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, text);
    QFETCH(QString, detailed);
    QFETCH(QString, focus);

    RackFixture f(descendingRows(3));
    const QStringList stored = f.storedNames();
    f.child<QLineEdit>("_tbxName")->setText(fields.at(0));
    f.child<QLineEdit>("_tbxUse")->setText(fields.at(1));
    f.child<QComboBox>("_cbxPassword")->setEditText(fields.at(2));
    f.child<QLineEdit>("_tbxComment")->setText(fields.at(3));
    f.child<QLineEdit>("_tbxSearch")->setFocus();

    MessageBoxAnswerer answerer;
    f.rack()->onCollapseNewEntry();
    QTest::mouseClick(f.child<QPushButton>("_btnInsert"), Qt::LeftButton);
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Warning);
    QCOMPARE(answerer.last().text, text);
    QCOMPARE(answerer.last().detailedText, detailed);
    QCOMPARE(f.storedNames(), stored);
    QVERIFY(!f.model()->isModified());
    QWidget* expected = f.rack()->findChild<QWidget*>(focus);
    QWidget* focused = f.focused();
    QVERIFY2(focused == expected || expected->isAncestorOf(focused),
             qPrintable(focused ? focused->objectName() : QStringLiteral("none")));
}

void TestRack::insertionAccepted_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("other letter case") << "E1";
    QTest::newRow("spaces only") << "   ";
    QTest::newRow("longer than the tooltip says") << QString(70, QLatin1Char('x'));
}

void TestRack::insertionAccepted()
{
    QFETCH(QString, name);
    RackFixture f(descendingRows(3));
    QSignalSpy status(f.model().get(), &Model::vaultStatusUpdated);
    f.rack()->onCollapseNewEntry();
    f.child<QLineEdit>("_tbxName")->setText(name);
    f.child<QLineEdit>("_tbxUse")->setText(QStringLiteral("account"));
    f.child<QComboBox>("_cbxPassword")->setEditText(QStringLiteral("s3cret"));
    MessageBoxAnswerer answerer;
    QTest::mouseClick(f.child<QPushButton>("_btnInsert"), Qt::LeftButton);
    QCOMPARE(answerer.count(), 0);
    QCOMPARE(f.rackModel()->entryCount(), 4);
    QCOMPARE(*f.rackModel()->entries().last(), VaultEntry(name, "account", "s3cret", ""));
    QVERIFY(f.shownNames().contains(name));
    QCOMPARE(f.counter(), QStringLiteral("4/4"));
    QVERIFY(f.model()->isModified());
    QCOMPARE(status.size(), 1);
    // The form keeps its contents.
    QCOMPARE(f.child<QLineEdit>("_tbxName")->text(), name);
}

void TestRack::counterUnderFilter()
{
    RackFixture f(descendingRows(9));
    search(f, QStringLiteral("-:^e[0-2]$"));
    QCOMPARE(f.counter(), QStringLiteral("3/9"));
    f.rack()->onCollapseNewEntry();
    f.child<QLineEdit>("_tbxName")->setText(QStringLiteral("zz"));
    QTest::mouseClick(f.child<QPushButton>("_btnInsert"), Qt::LeftButton);
    QCOMPARE(f.counter(), QStringLiteral("3/10"));
    QCOMPARE(f.shownNames(), QStringList({"e0", "e1", "e2"}));
}

void TestRack::fieldCopy()
{
    RackFixture f(FilterRows);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));

    // Right-clicking an empty area copies nothing.
    QWidget* viewport = f.table()->viewport();
    f.clickMenu(f.openMenu(QPoint(5, viewport->height() - 5)), "_actCopy");
    QCOMPARE(clipboard->text(), QStringLiteral("before"));

    // The right-clicked cell is copied, not the selected row.
    clickRow(f, QStringLiteral("bob"));
    f.clickMenu(f.openMenu(cellCentre(f, "Pierre", RackModel::PasswordColumn)), "_actCopy");
    QCOMPARE(clipboard->text(), QStringLiteral("P4ss"));
    const QMimeData* mime = clipboard->mimeData();
    QVERIFY(mime);
    QCOMPARE(mime->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));

    f.clickMenu(f.openMenu(cellCentre(f, "Bobby", RackModel::CommentColumn)), "_actCopy");
    QCOMPARE(clipboard->text(), QStringLiteral("note"));
}

void TestRack::editLogging_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("shownInEditor");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("lines");

    // "Pirate" is row 4 of the rack model (row 2 of the table).
    QTest::newRow("commit") << 1 << int(Qt::Key_Return) << "jack" << "jacques"
                            << QStringList{"Démarrage de l'édition de la cellule (4, 1)",
                                           "Validation de la modification du contenu de la cellule (4, 1)",
                                           "Fin de l'édition de la cellule (4, 1)"};
    QTest::newRow("escape on a password") << 2 << int(Qt::Key_Escape) << "pw5" << "pw5"
                                          << QStringList{"Démarrage de l'édition de la cellule (4, 2)",
                                                         "Fin de l'édition de la cellule (4, 2)",
                                                         "Modification abandonnée"};
}

void TestRack::editLogging()
{
    QFETCH(int, column);
    QFETCH(int, key);
    QFETCH(QString, shownInEditor);
    QFETCH(QString, stored);
    QFETCH(QStringList, lines);

    RackFixture f(FilterRows);
    doubleClick(f, "Pirate", column);
    QLineEdit* editor = f.editor();
    QVERIFY(editor);
    QCOMPARE(editor->text(), shownInEditor);
    QCOMPARE(editor->echoMode(), QLineEdit::Normal);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("jacques"));
    QTest::keyClick(editor, Qt::Key(key));

    QStringList expected;
    for (const QString& line : lines)
        expected.append(EditContext + line);
    // Enter commits through a queued call of the delegate.
    QTRY_COMPARE(f.log().messages(LoggerLevel::Debug), expected);
    QCOMPARE(f.rackModel()->entries().at(4)->fieldView(column).toString(), stored);
    QCOMPARE(f.model()->isModified(), stored != shownInEditor);
}

void TestRack::refusedEditKeepsValue_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("detailed");
    QTest::newRow("empty role") << QString() << "The name of the entry must be provided."
                                << "";
    // The same box as the new-entry form's.
    QTest::newRow("role of another entry") << "pizza" << "The entry with the role [pizza] already exists."
                                           << "The entry name (role) must be unique in this rack.";
}

void TestRack::refusedEditKeepsValue()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QString, detailed);
    RackFixture f(FilterRows);
    MessageBoxAnswerer answerer;
    doubleClick(f, "Pirate", 0);
    QLineEdit* editor = f.editor();
    QVERIFY(editor);
    editor->setText(typed);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Warning);
    QCOMPARE(answerer.last().text, text);
    QCOMPARE(answerer.last().detailedText, detailed);
    QCOMPARE(f.rackModel()->entries().at(4)->name(), QStringLiteral("Pirate"));
    QCOMPARE(f.rackModel()->entries().at(5)->name(), QStringLiteral("pizza"));
    QCOMPARE(f.shownNames(), QStringList({"Bobby", "Pierre", "Pirate", "a{13}", "bob", "mailbox", "pizza", "space here"}));
    QVERIFY(f.log().messages(LoggerLevel::Debug)
                .contains(EditContext + "Validation de la modification du contenu de la cellule (4, 0)"));
    QVERIFY(!f.model()->isModified());

    // The table goes on editing.
    doubleClick(f, "Pirate", 0);
    editor = f.editor();
    QVERIFY(editor);
    editor->setText(QStringLiteral("Corsair"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f.rackModel()->entries().at(4)->name(), QStringLiteral("Corsair"));
    QCOMPARE(f.shownNames().first(), QStringLiteral("Bobby"));
    QCOMPARE(f.shownNames().at(1), QStringLiteral("Corsair"));
}

void TestRack::generator_data()
{
    QTest::addColumn<bool>("lower");
    QTest::addColumn<bool>("upper");
    QTest::addColumn<bool>("number");
    QTest::addColumn<bool>("symbol");
    QTest::addColumn<int>("chars");
    QTest::addColumn<int>("count");
    QTest::newRow("every class") << true << true << true << true << 16 << 20;
    QTest::newRow("no symbol") << true << true << true << false << 12 << 5;
    QTest::newRow("digits and a symbol") << false << false << true << true << 8 << 3;
    QTest::newRow("lower case only") << true << false << false << false << 30 << 2;
    QTest::newRow("no password") << true << true << true << true << 16 << 0;
}

void TestRack::generator()
{
    QFETCH(bool, lower);
    QFETCH(bool, upper);
    QFETCH(bool, number);
    QFETCH(bool, symbol);
    QFETCH(int, chars);
    QFETCH(int, count);

    auto* workspace = new FakeWorkspace;
    workspace->lower = lower;
    workspace->upper = upper;
    workspace->number = number;
    workspace->symbol = symbol;
    workspace->chars = chars;
    workspace->count = count;
    RackFixture f({}, workspace);
    auto* box = f.child<QComboBox>("_cbxPassword");
    box->addItem(QStringLiteral("old"));
    f.rack()->onCollapseNewEntry();
    QTest::mouseClick(f.child<QPushButton>("_btnGenerator"), Qt::LeftButton);

    QCOMPARE(box->count(), count);
    for (int i = 0; i < box->count(); ++i) {
        const QString password = box->itemText(i);
        QCOMPARE(password.size(), chars);
        int symbols = 0;
        for (const QChar c : password) {
            if (c.isDigit())
                QVERIFY(number);
            else if (c.isLower())
                QVERIFY(lower);
            else if (c.isUpper())
                QVERIFY(upper);
            else
                ++symbols;
        }
        QVERIFY2(symbols <= (symbol ? 1 : 0), qPrintable(password));
    }
    QCOMPARE(box->currentText(), count > 0 ? box->itemText(0) : QString());
}

void TestRack::generatorWithoutSettings()
{
    RackFixture f({}, new QWidget);
    auto* box = f.child<QComboBox>("_cbxPassword");
    box->addItem(QStringLiteral("old"));
    MessageBoxAnswerer answerer;
    f.rack()->onPasswordsGenerating();
    QCOMPARE(box->count(), 1);
    QCOMPARE(answerer.count(), 0);
}

void TestRack::failingSlotIsReported()
{
    auto* workspace = new FakeWorkspace;
    workspace->failing = true;
    RackFixture f({}, workspace);
    MessageBoxAnswerer answerer;
    f.rack()->onCollapseNewEntry();
    QTest::mouseClick(f.child<QPushButton>("_btnGenerator"), Qt::LeftButton);
    const QString message = QStringLiteral("Error encountered - int FakeWorkspace::charsCount() -> settings unavailable");
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Critical);
    QCOMPARE(answerer.last().text, message);
    QCOMPARE(f.log().messages(LoggerLevel::Critical), QStringList{message});

    // The rack stays usable.
    workspace->failing = false;
    QTest::mouseClick(f.child<QPushButton>("_btnGenerator"), Qt::LeftButton);
    QCOMPARE(f.child<QComboBox>("_cbxPassword")->count(), 20);
}

void TestRack::nameAndTabIndex()
{
    RackFixture f(descendingRows(2));
    f.model()->addRackModel(new RackModel(f.model(), QStringLiteral("Other")));
    try {
        f.rack()->setName(QStringLiteral("Other"));
        QFAIL("a name in use was accepted");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), QStringLiteral("void RackModel::setName(const QString&) -> Rack name [Other] already exists"));
    }
    QCOMPARE(f.rack()->name(), QStringLiteral("Rack"));
    QCOMPARE(f.rackModel()->name(), QStringLiteral("Rack"));

    QVERIFY(f.rack()->setName(QStringLiteral("Bank")));
    QCOMPARE(f.rack()->name(), QStringLiteral("Bank"));
    QCOMPARE(f.model()->rackNames(), QStringList({"Bank", "Other"}));
    f.rack()->setTabIndex(3);
    QCOMPARE(f.rackModel()->tabIndex(), 3);
}

void TestRack::destructionRemovesRack()
{
    QTabWidget tabs;
    LogCapture log;
    auto model = std::make_shared<Model>(log.logger(), QStringLiteral("unused.kovrin"),
                                         Model::keyFromPassword(QStringLiteral("pw")), &tabs);
    auto* rackModel = new RackModel(model, QStringLiteral("Kept"));
    model->addRackModel(rackModel);
    auto* gone = new RackModel(model, QStringLiteral("Gone"));
    model->addRackModel(gone);
    gone->appendEntry(new VaultEntry(QStringLiteral("a"), QString(), QString(), QString()));
    QWidget workspace;
    auto* kept = new Rack(model, QStringLiteral("Kept"), &workspace);
    auto* rack = new Rack(model, QStringLiteral("Gone"), &workspace);
    QCOMPARE(rack->rackModel(), gone);
    QCOMPARE(gone->rack(), rack);
    QPointer<RackModel> watch(gone);
    delete rack;
    QVERIFY(watch.isNull());
    QCOMPARE(model->rackNames(), QStringList({"Kept"}));
    QCOMPARE(kept->rackModel(), rackModel);
    QVERIFY(!model->toPlainText()->contains("Gone"));

    // A view is only made for a rack the vault holds.
    QVERIFY_THROWS_EXCEPTION(Exception, Rack(model, QStringLiteral("Missing"), &workspace));
}

// The vault may drop a rack model without its view: the view reports it
// instead of reaching a deleted object.
void TestRack::rackModelDeletedElsewhere()
{
    RackFixture f(descendingRows(3));
    delete f.rackModel();
    QVERIFY(!f.rack()->rackModel());
    QVERIFY(!f.model()->rackExists(QStringLiteral("Rack")));
    QCOMPARE(f.shownNames(), QStringList());
    QVERIFY(!f.rack()->setName(QStringLiteral("Renamed")));
    try {
        f.rack()->setTabIndex(2);
        QFAIL("no error without rack model");
    } catch (const Exception& e) {
        QCOMPARE(e.detail(), QStringLiteral("void Rack::setTabIndex(int) -> Undefined attribute\u00a0[_pRackModel] of class [Rack]"));
    }
    MessageBoxAnswerer answerer;
    f.child<QLineEdit>("_tbxName")->setText(QStringLiteral("new"));
    f.rack()->onEntryInserting();
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Critical);
    QCOMPARE(answerer.last().text, QStringLiteral("Error encountered - void Rack::onEntryInserting() -> Undefined "
                                                  "attribute\u00a0[_pRackModel] of class [Rack]"));
    f.rack()->updateEntriesCounter();
    QCOMPARE(f.counter(), QStringLiteral("0/0"));
}

// A person's visit to a rack: open the vault, find an entry and change its
// password, add an entry with a proposed password, delete one (with a change
// of mind on the way), save, and find it all again in the file.
void TestRack::wholeTask()
{
    const QString file = TestEnvironment::freshDir(QStringLiteral("task")) + QStringLiteral("/vault.kovrin");
    const QString password = QStringLiteral("Kovrin-Test-1");
    QTabWidget tabs;
    {
        auto model = std::make_shared<Model>(nullptr, file, Model::keyFromPassword(password), &tabs);
        auto* bank = new RackModel(model, QStringLiteral("Bank"));
        QVERIFY(model->addRackModel(bank));
        for (const auto& [name, user, secret] : {std::tuple{"mail", "bob", "m41l"}, std::tuple{"bank", "alice", "0ld"},
                                                 std::tuple{"forum", "carol", "f0rum"}})
            bank->appendEntry(new VaultEntry(name, user, secret, QString()));
        model->saveVault();
    }
    auto model = Model::loadVault(file, *Model::keyFromPassword(password), &tabs, nullptr);
    QString proposed;
    {
        RackFixture f(model, QStringLiteral("Bank"));
        QCOMPARE(f.counter(), QStringLiteral("3/3"));

        search(f, QStringLiteral("user:alice"));
        QCOMPARE(f.shownNames(), QStringList{"bank"});
        doubleClick(f, QStringLiteral("bank"), RackModel::PasswordColumn);
        QLineEdit* editor = f.editor();
        QVERIFY(editor);
        editor->setText(QStringLiteral("N3w-s3cret"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(model->isModified());
        f.clickMenu(f.openMenu(QPoint(5, 5)), "_actSearchCanceling");
        QCOMPARE(f.counter(), QStringLiteral("3/3"));

        f.clickMenu(f.openMenu(QPoint(5, 5)), "_actShowHide");
        QTest::keyClicks(f.child<QLineEdit>("_tbxName"), QStringLiteral("shop"));
        QTest::keyClicks(f.child<QLineEdit>("_tbxUse"), QStringLiteral("dave"));
        QTest::mouseClick(f.child<QPushButton>("_btnGenerator"), Qt::LeftButton);
        proposed = f.child<QComboBox>("_cbxPassword")->currentText();
        QCOMPARE(proposed.size(), 16);
        QTest::mouseClick(f.child<QPushButton>("_btnInsert"), Qt::LeftButton);
        QCOMPARE(f.counter(), QStringLiteral("4/4"));

        MessageBoxAnswerer answerer({QMessageBox::Yes});
        clickRow(f, QStringLiteral("forum"));
        f.clickMenu(f.openMenu(cellCentre(f, "forum", 0)), "_actDelete");
        QCOMPARE(answerer.last().text, QStringLiteral("Do you confirm the deletion of the [1] selected entries?"));
        QCOMPARE(f.counter(), QStringLiteral("3/3"));
        QVERIFY(f.activate());
        f.table()->setFocus();
        QTest::keyClick(f.table(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.counter(), QStringLiteral("4/4"));
        QCOMPARE(f.shownNames(), QStringList({"bank", "forum", "mail", "shop"}));
        QCOMPARE(f.storedNames(), QStringList({"mail", "bank", "forum", "shop"}));
        clickRow(f, QStringLiteral("forum"));
        f.clickMenu(f.openMenu(cellCentre(f, "forum", 0)), "_actDelete");
        QCOMPARE(f.counter(), QStringLiteral("3/3"));

        model->saveVault();
        model->resetModified();
        QVERIFY(!f.menuAction("_actUndoDeletion")->isEnabled());
    }
    // Closing the view took its rack out of the vault; the file keeps it.
    QVERIFY(!model->rackExists(QStringLiteral("Bank")));
    model.reset();

    model = Model::loadVault(file, *Model::keyFromPassword(password), &tabs, nullptr);
    RackModel* bank = model->rackModel(QStringLiteral("Bank"));
    QVERIFY(bank);
    QList<VaultEntry> stored;
    for (const VaultEntry* entry : bank->entries())
        stored.append(*entry);
    QCOMPARE(stored, QList<VaultEntry>({VaultEntry("mail", "bob", "m41l", ""), VaultEntry("bank", "alice", "N3w-s3cret", ""),
                                        VaultEntry("shop", "dave", proposed, "")}));
}

KOVRIN_TEST_MAIN(TestRack)
#include "tst_rack.moc"
