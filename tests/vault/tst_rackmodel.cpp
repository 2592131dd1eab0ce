#include "AesPair.h"
#include "ColorScheme.h"
#include "Exception.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "RackModel.h"
#include "ModuleTexts.h"
#include "TestMain.h"
#include "VaultEntry.h"

#include <QBrush>
#include <QFont>
#include <QSignalSpy>
#include <QTabWidget>
#include <QAbstractItemModelTester>
#include <QTest>

class TestRackModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ModuleTexts::setLanguage(QStringLiteral("en_US")); }
    void init();
    void cleanup();

    void data_data();
    void data();
    void headerData_data();
    void headerData();
    void setData_data();
    void setData();
    void setDataOutsideTheTable();
    void setTabIndexAcceptsOnlyRackTabs();
    void setNameRefusesNamesInUseAndLineFeeds();
    void setEntriesReplacesAndDeletes();
    void rowsAreInsertedBlankAndRemoved();
    void entriesAreTakenAndPutBack();
    void entriesAreAppendedInOneInsertion();

private:
    VaultEntry& entry(int row) { return *_rack->entries().at(row); }

    std::unique_ptr<QTabWidget> _tabs;
    std::shared_ptr<Model> _model;
    RackModel* _rack = nullptr;
};

void TestRackModel::init()
{
    _tabs = std::make_unique<QTabWidget>();
    _model = std::make_shared<Model>(nullptr, QStringLiteral("unused.kovrin"), Model::keyFromPassword(QStringLiteral("pw")),
                                     _tabs.get());
    _rack = new RackModel(_model, QStringLiteral("Rack"));
    QVERIFY(_model->addRackModel(_rack));
    _rack->appendEntry(new VaultEntry(QStringLiteral("mail"), QStringLiteral("bob"), QStringLiteral("secret"),
                                      QStringLiteral("note")));
    _rack->appendEntry(new VaultEntry(QStringLiteral("bank"), QStringLiteral("alice"), QStringLiteral("1234"), QString()));
    ColorScheme::setDark(false);
}

void TestRackModel::cleanup()
{
    _rack = nullptr;
    _model.reset();
    _tabs.reset();
    ColorScheme::setDark(false);
}

void TestRackModel::data_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("name") << 0 << int(Qt::DisplayRole) << false << QVariant(QStringLiteral("mail"));
    QTest::newRow("user, edit role") << 1 << int(Qt::EditRole) << false << QVariant(QStringLiteral("bob"));
    QTest::newRow("password") << 2 << int(Qt::DisplayRole) << false << QVariant(QStringLiteral("secret"));
    QTest::newRow("comment") << 3 << int(Qt::DisplayRole) << false << QVariant(QStringLiteral("note"));
    QTest::newRow("no font for the name") << 0 << int(Qt::FontRole) << false << QVariant();
    QTest::newRow("account colour") << 1 << int(Qt::ForegroundRole) << false << QVariant(QBrush(QColor(13, 0, 235)));
    QTest::newRow("account colour, dark") << 1 << int(Qt::ForegroundRole) << true << QVariant(QBrush(QColor(0, 255, 235)));
    QTest::newRow("password colour") << 2 << int(Qt::ForegroundRole) << false << QVariant(QBrush(QColor(0, 133, 0)));
    QTest::newRow("password colour, dark") << 2 << int(Qt::ForegroundRole) << true << QVariant(QBrush(QColor(0, 255, 0)));
    QTest::newRow("no colour for the comment") << 3 << int(Qt::ForegroundRole) << false << QVariant();
    QTest::newRow("tool tip") << 0 << int(Qt::ToolTipRole) << false << QVariant();
}

void TestRackModel::data()
{
    QFETCH(int, column);
    QFETCH(int, role);
    QFETCH(bool, dark);
    QFETCH(QVariant, expected);
    ColorScheme::setDark(dark);
    QCOMPARE(_rack->data(_rack->index(0, column), role), expected);
}

void TestRackModel::headerData_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("entry") << 0 << int(Qt::DisplayRole) << false << QVariant(QStringLiteral("Entry"));
    QTest::newRow("account") << 1 << int(Qt::DisplayRole) << false << QVariant(QStringLiteral("Account"));
    QTest::newRow("password") << 2 << int(Qt::DisplayRole) << false << QVariant(QStringLiteral("Password"));
    QTest::newRow("comment") << 3 << int(Qt::DisplayRole) << false << QVariant(QStringLiteral("Comment"));
    QTest::newRow("text") << 0 << int(Qt::ForegroundRole) << false << QVariant(QBrush(QColor(QStringLiteral("black"))));
    QTest::newRow("text, dark") << 0 << int(Qt::ForegroundRole) << true << QVariant(QBrush(QColor(QStringLiteral("white"))));
    QTest::newRow("background") << 2 << int(Qt::BackgroundRole) << false << QVariant(QBrush(QColor(QStringLiteral("silver"))));
    QTest::newRow("background, dark") << 2 << int(Qt::BackgroundRole) << true << QVariant(QBrush(QColor(68, 14, 3)));
}

void TestRackModel::headerData()
{
    QFETCH(int, section);
    QFETCH(int, role);
    QFETCH(bool, dark);
    QFETCH(QVariant, expected);
    ColorScheme::setDark(dark);
    QCOMPARE(_rack->headerData(section, Qt::Horizontal, role), expected);
    QCOMPARE(_rack->headerData(section, Qt::Vertical, role), QVariant());
}

void TestRackModel::setData_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("stored");   // the field afterwards
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("completions");  // editCompleted emitted
    QTest::addColumn<QString>("warning");  // text of the warning box, empty: none

    const QString forbidden = QStringLiteral("A vault entry cannot hold a tab or a line feed: remove them from the text.");
    QTest::newRow("display role does nothing") << 2 << int(Qt::DisplayRole) << "other" << true << "secret" << false << 0 << "";
    QTest::newRow("same name") << 0 << int(Qt::EditRole) << "mail" << true << "mail" << false << 1 << "";
    QTest::newRow("new name") << 0 << int(Qt::EditRole) << "webmail" << true << "webmail" << true << 1 << "";
    QTest::newRow("empty name") << 0 << int(Qt::EditRole) << "" << false << "mail" << false << 0
                                << "The name of the entry must be provided.";
    QTest::newRow("role of the other entry") << 0 << int(Qt::EditRole) << "bank" << false << "mail" << false << 0
                                             << "The entry with the role [bank] already exists.";
    QTest::newRow("role differing in case only") << 0 << int(Qt::EditRole) << "Bank" << true << "Bank" << true << 1
                                                 << "";
    QTest::newRow("name with tab") << 0 << int(Qt::EditRole) << "a\tb" << false << "mail" << false << 0
                                   << "void VaultEntry::setName(const QString&) -> " + forbidden;
    QTest::newRow("user emptied") << 1 << int(Qt::EditRole) << "" << true << "" << true << 1 << "";
    QTest::newRow("user 129") << 1 << int(Qt::EditRole) << QString(129, u'u') << false << "bob" << false << 0
                              << "void VaultEntry::setUser(const QString&) -> String too long (greater than 128)";
    QTest::newRow("user 128") << 1 << int(Qt::EditRole) << QString(128, u'u') << true << QString(128, u'u') << true << 1 << "";
    QTest::newRow("password with line feed") << 2 << int(Qt::EditRole) << "a\nb" << false << "secret" << false << 0
                                             << "void VaultEntry::setPassword(const QString&) -> " + forbidden;
    QTest::newRow("same password") << 2 << int(Qt::EditRole) << "secret" << true << "secret" << false << 1 << "";
    QTest::newRow("comment") << 3 << int(Qt::EditRole) << "new note" << true << "new note" << true << 1 << "";
    QTest::newRow("comment 513") << 3 << int(Qt::EditRole) << QString(513, u'c') << false << "note" << false << 0
                                 << "void VaultEntry::setPassword(const QString&) -> String too long (greater than 512)";
}

void TestRackModel::setData()
{
    QFETCH(int, column);
    QFETCH(int, role);
    QFETCH(QString, value);
    QFETCH(bool, result);
    QFETCH(QString, stored);
    QFETCH(bool, modified);
    QFETCH(int, completions);
    QFETCH(QString, warning);

    QSignalSpy completed(_rack, &RackModel::editCompleted);
    QSignalSpy status(_model.get(), &Model::vaultStatusUpdated);
    QSignalSpy changed(_rack, &QAbstractItemModel::dataChanged);
    MessageBoxAnswerer answerer;
    const QModelIndex index = _rack->index(0, column);

    QCOMPARE(_rack->setData(index, value, role), result);
    QCOMPARE(_rack->data(index, Qt::EditRole).toString(), stored);
    QCOMPARE(_model->isModified(), modified);
    QCOMPARE(status.size(), modified ? 1 : 0);
    QCOMPARE(changed.size(), modified ? 1 : 0);
    QCOMPARE(completed.size(), completions);
    if (completions)
        QCOMPARE(completed.first().first().toString(), value);
    if (warning.isEmpty()) {
        QCOMPARE(answerer.count(), 0);
    } else {
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().icon, QMessageBox::Warning);
        QCOMPARE(answerer.last().text, warning);
    }
    // The other row is never touched.
    QCOMPARE(entry(1), VaultEntry(QStringLiteral("bank"), QStringLiteral("alice"), QStringLiteral("1234"), QString()));
}

void TestRackModel::setDataOutsideTheTable()
{
    MessageBoxAnswerer answerer;
    QVERIFY(!_rack->setData(_rack->index(5, 0), QStringLiteral("x"), Qt::EditRole));
    QVERIFY(!_rack->setData(QModelIndex(), QStringLiteral("x"), Qt::EditRole));
    QCOMPARE(answerer.count(), 0);
    QVERIFY(!_model->isModified());
    // The empty-name box carries the hint as its second text.
    QVERIFY(!_rack->setData(_rack->index(1, 0), QString(), Qt::EditRole));
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().informativeText, QStringLiteral("Please enter the purpose or description of the entry."));
}

void TestRackModel::setTabIndexAcceptsOnlyRackTabs()
{
    QVERIFY(_model->addRackModel(new RackModel(_model, QStringLiteral("Second"))));
    QVERIFY(_model->addRackModel(new RackModel(_model, QStringLiteral("Third"))));
    QCOMPARE(_rack->tabIndex(), -1);
    for (const auto& [index, accepted] : {std::pair{1, false}, {2, true}, {3, true}, {4, true}, {5, false}, {-1, false}}) {
        const int before = _rack->tabIndex();
        QCOMPARE(_rack->setTabIndex(index), accepted);
        QCOMPARE(_rack->tabIndex(), accepted ? index : before);
    }
}

void TestRackModel::setNameRefusesNamesInUseAndLineFeeds()
{
    QVERIFY(_model->addRackModel(new RackModel(_model, QStringLiteral("Other"))));
    const QString context = QStringLiteral("void RackModel::setName(const QString&) -> ");
    const QList<std::pair<QString, QString>> refused = {
        {QStringLiteral("Other"), context + QStringLiteral("Rack name [Other] already exists")},
        {QStringLiteral("Rack"), context + QStringLiteral("Rack name [Rack] already exists")},
        {QStringLiteral("Two\nlines"), context + QStringLiteral("A rack name cannot hold a line feed.")},
    };
    for (const auto& [name, detail] : refused) {
        try {
            _rack->setName(name);
            QFAIL(qPrintable(QStringLiteral("accepted ") + name));
        } catch (const Exception& e) {
            QCOMPARE(e.detail(), detail);
        }
        QCOMPARE(_rack->name(), QStringLiteral("Rack"));
    }
    _rack->setName(QStringLiteral("Bank: main"));
    QCOMPARE(_model->rackNames(), QStringList({"Bank: main", "Other"}));
}

void TestRackModel::setEntriesReplacesAndDeletes()
{
    QSignalSpy reset(_rack, &QAbstractItemModel::modelReset);
    _rack->setEntries({new VaultEntry(QStringLiteral("only"), QString(), QString(), QString())});
    QCOMPARE(reset.size(), 1);
    QCOMPARE(_rack->rowCount(), 1);
    QCOMPARE(_rack->entryCount(), 1);
    QVERIFY(_rack->contains(QStringLiteral("only")));
    QVERIFY(!_rack->contains(QStringLiteral("mail")));
    QVERIFY(!_rack->contains(QStringLiteral("ONLY")));
    // A flat table: nothing under an entry.
    QCOMPARE(_rack->columnCount(_rack->index(0, 0)), 0);
    QCOMPARE(_rack->rowCount(_rack->index(0, 0)), 0);
    QCOMPARE(_rack->flags(QModelIndex()), Qt::NoItemFlags);
}

void TestRackModel::rowsAreInsertedBlankAndRemoved()
{
    QSignalSpy inserted(_rack, &QAbstractItemModel::rowsInserted);
    QVERIFY(_rack->insertRows(0, 2));
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 0);
    QCOMPARE(inserted.first().at(2).toInt(), 1);
    QCOMPARE(_rack->rowCount(), 4);
    QCOMPARE(entry(0), VaultEntry());
    QCOMPARE(entry(1), VaultEntry());
    QCOMPARE(entry(2).name(), QStringLiteral("mail"));
    QVERIFY(_rack->flags(_rack->index(0, 0)) & Qt::ItemIsEditable);

    QVERIFY(_rack->removeRows(1, 2));
    QCOMPARE(_rack->rowCount(), 2);
    QCOMPARE(entry(0), VaultEntry());
    QCOMPARE(entry(1).name(), QStringLiteral("bank"));
    QVERIFY(!_rack->removeRows(1, 2));
    QVERIFY(!_rack->insertRows(5, 1));
    QVERIFY(!_rack->insertRows(0, 1, _rack->index(0, 0)));
    QVERIFY(!_rack->removeRows(0, 1, _rack->index(0, 0)));
    QCOMPARE(_rack->rowCount(), 2);
}

void TestRackModel::entriesAreTakenAndPutBack()
{
    QSignalSpy removed(_rack, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(_rack, &QAbstractItemModel::rowsInserted);
    std::unique_ptr<VaultEntry> taken = _rack->takeEntry(0);
    QVERIFY(taken);
    QCOMPARE(taken->name(), QStringLiteral("mail"));
    QCOMPARE(removed.size(), 1);
    QCOMPARE(_rack->rowCount(), 1);
    QVERIFY(!_rack->takeEntry(1));
    QVERIFY(!_rack->takeEntry(-1));

    _rack->insertEntry(0, taken.release());
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.last().at(1).toInt(), 0);
    QCOMPARE(entry(0).name(), QStringLiteral("mail"));
    // A row past the end goes to the end.
    _rack->insertEntry(9, new VaultEntry(QStringLiteral("last"), QString(), QString(), QString()));
    QCOMPARE(inserted.last().at(1).toInt(), 2);
    QCOMPARE(entry(2).name(), QStringLiteral("last"));
}

void TestRackModel::entriesAreAppendedInOneInsertion()
{
    QAbstractItemModelTester tester(_rack, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(_rack, &QAbstractItemModel::rowsInserted);
    _rack->appendEntries({});
    QCOMPARE(inserted.size(), 0);
    _rack->appendEntries({new VaultEntry(QStringLiteral("a"), QString(), QString(), QString()),
                          new VaultEntry(QStringLiteral("b"), QString(), QString(), QString()),
                          new VaultEntry(QStringLiteral("c"), QString(), QString(), QString())});
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.last().at(1).toInt(), 2);
    QCOMPARE(inserted.last().at(2).toInt(), 4);
    QCOMPARE(_rack->rowCount(), 5);
    QCOMPARE(entry(4).name(), QStringLiteral("c"));
}

KOVRIN_TEST_MAIN(TestRackModel)
#include "tst_rackmodel.moc"
