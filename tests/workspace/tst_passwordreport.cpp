// The password report on real widgets over a small vault: weak passwords, one
// password in three entries of two racks, one weak and reused, an empty one
// and strong unique ones that have no row. Strengths are compared with what
// PasswordStrength says of the same password, never with fixed scores.
#include "Base.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "OffThreadWork.h"
#include "PasswordReport.h"
#include "PasswordReportModel.h"
#include "PasswordStrength.h"
#include "Rack.h"
#include "RackModel.h"
#include "TestEnvironment.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "VaultLock.h"
#include "WorkspaceFixture.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <QThreadPool>

#include <algorithm>

using namespace WorkspaceFixture;

namespace {
struct Entry {
    const char* rack;
    const char* role;
    const char* account;
    const char* password;
};

const QString Shared = QStringLiteral("Shared-Horse-Battery-77!");
const QString Twin = QStringLiteral("Pair-Of-Twins-31#Q");

// In vault order; the first entry of a password gives the words it is estimated with.
const QList<Entry> Entries = {
    {"Mail", "webmail", "alice", "password"},
    {"Mail", "backup", "alice", "Shared-Horse-Battery-77!"},
    {"Mail", "blank", "bob", ""},
    {"Mail", "notes", "carol", "kq7#Vb2!xLm9@Wp4zR"},
    {"Bank", "bank", "alice", "Shared-Horse-Battery-77!"},
    {"Bank", "savings", "dave", "Shared-Horse-Battery-77!"},
    {"Bank", "card", "eve", "123456"},
    {"Bank", "broker", "frank", "Tz8$pLq3&Nw6!Hd1Ke"},
    {"Bank", "legacy", "ivan", "letmein"},
    {"Work", "vpn", "gina", "Qw9^mZ2*Rt5%Yb8&Lp"},
    {"Work", "wiki", "hank", "Pair-Of-Twins-31#Q"},
    {"Work", "git", "hank", "Pair-Of-Twins-31#Q"},
    {"Work", "old", "ivan", "letmein"},
};
const QStringList RackNames = {"Mail", "Bank", "Work"};

// What the report must say of each role with a finding, by the fixture's intent.
const QHash<QString, QString> ExpectedFindings = {
    {"webmail", "weak"},       {"backup", "reused (3)"},        {"bank", "reused (3)"},
    {"savings", "reused (3)"}, {"blank", "empty"},              {"card", "weak"},
    {"legacy", "weak, reused (2)"}, {"old", "weak, reused (2)"}, {"wiki", "reused (2)"},
    {"git", "reused (2)"},
};
const QString ExpectedSummary = QStringLiteral("13 entries checked, 4 weak, 3 reused groups, 1 empty");

const Entry& entryOf(const QString& role)
{
    for (const Entry& entry : Entries)
        if (role == QLatin1String(entry.role))
            return entry;
    qFatal("no entry %s", qPrintable(role));
}

// The score the report must find for a role: the estimate of its password
// with the words of the first entry holding it.
int expectedScore(const QString& role)
{
    const QString password = QString::fromUtf8(entryOf(role).password);
    for (const Entry& entry : Entries)
        if (password == QString::fromUtf8(entry.password))
            return PasswordStrength::estimate(password, {QString::fromUtf8(entry.role), QString::fromUtf8(entry.account)})
                .score;
    return -1;
}

QString expectedStrength(const QString& role)
{
    return PasswordStrength::word(expectedScore(role));
}

bool writeReportVault(const QString& fileName)
{
    QTabWidget tabs;
    auto model = std::make_shared<Model>(nullptr, fileName, Model::keyFromPassword(Password), &tabs);
    for (const QString& name : RackNames)
        if (!model->addRackModel(new RackModel(model, name)))
            return false;
    for (const Entry& entry : Entries)
        model->rackModel(QString::fromUtf8(entry.rack))
            ->appendEntry(new VaultEntry(QString::fromUtf8(entry.role), QString::fromUtf8(entry.account),
                                         QString::fromUtf8(entry.password), QString()));
    model->saveVault(true);
    return QFile::exists(fileName);
}
} // namespace

class TestPasswordReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void fixtureHasWhatItClaims();
    void rowsAndFindings();
    void summaryInBothLanguages_data();
    void summaryInBothLanguages();
    void filterByFinding_data();
    void filterByFinding();
    void sorting();
    void goesToEntryHiddenByFilter_data();
    void goesToEntryHiddenByFilter();
    void changedEntryIsSaid_data();
    void changedEntryIsSaid();
    void cancelKeepsPreviousRows();
    void refreshAfterEdits();
    void vaultGoing_data();
    void vaultGoing();
    void modelContract();

private:
    bool open();
    PasswordReport* openReport();
    QTableView* table() const { return child<QTableView>(_window->passwordReport(), "_tvwFindings"); }
    QString summary() const { return child<QLabel>(_window->passwordReport(), "_lblSummary")->text(); }
    // Column texts of the rows as the table shows them, in view order.
    QStringList column(int column) const;
    QModelIndex viewIndexOf(const QString& role) const;
    // A double-click as the user makes it: the first press selects the row.
    void doubleClick(const QModelIndex& index) const
    {
        const QPoint at = table()->visualRect(index).center();
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, at);
    }
    Rack* rack(const char* name) const { return _window->base()->rackNamed(QLatin1String(name)); }

    std::unique_ptr<MainWindow> _window;
    QString _file;
};

void TestPasswordReport::initTestCase()
{
    captureDefaultLog();
}

void TestPasswordReport::init()
{
    _file = TestEnvironment::freshDir(QStringLiteral("report")) + QStringLiteral("/vault.kovrin");
    QVERIFY(writeReportVault(_file));
}

void TestPasswordReport::cleanup()
{
    if (_window) {
        MessageBoxAnswerer discard({QMessageBox::No});
        _window->base()->releaseVault();
    }
    _window.reset();
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
}

bool TestPasswordReport::open()
{
    _window = showMainWindow();
    if (_window->actPasswordReport()->isEnabled())
        return false; // no vault yet
    typeAndLoad(*_window->base(), _file, Password);
    return _window->base()->model() && _window->base()->count() == 2 + int(RackNames.size());
}

PasswordReport* TestPasswordReport::openReport()
{
    _window->actPasswordReport()->trigger();
    PasswordReport* report = _window->passwordReport();
    if (!report || !report->isVisible())
        return nullptr;
    if (!QTest::qWaitFor([report] { return report->reportModel()->hasResult() && !report->reportModel()->isRunning(); }))
        return nullptr;
    return report;
}

QStringList TestPasswordReport::column(int column) const
{
    QStringList texts;
    const QAbstractItemModel* shown = table()->model();
    for (int row = 0; row < shown->rowCount(); ++row)
        texts.append(shown->index(row, column).data().toString());
    return texts;
}

QModelIndex TestPasswordReport::viewIndexOf(const QString& role) const
{
    const QAbstractItemModel* shown = table()->model();
    for (int row = 0; row < shown->rowCount(); ++row)
        if (shown->index(row, PasswordReportModel::RoleColumn).data().toString() == role)
            return shown->index(row, PasswordReportModel::RoleColumn);
    return {};
}

void TestPasswordReport::fixtureHasWhatItClaims()
{
    // The strong passwords are strong to zxcvbn, the weak ones weak: otherwise
    // the other tests would check nothing of the weak finding.
    for (const Entry& entry : Entries) {
        const QString role = QString::fromUtf8(entry.role);
        const QString password = QString::fromUtf8(entry.password);
        if (password.isEmpty())
            continue;
        const int score = expectedScore(role);
        QVERIFY2(ExpectedFindings.value(role).contains(QLatin1String("weak")) == (score <= 1), entry.role);
    }
}

void TestPasswordReport::rowsAndFindings()
{
    QVERIFY(open());
    takeLogLines();
    PasswordReport* report = openReport();
    QVERIFY(report);
    QCOMPARE(table()->model()->rowCount(), int(ExpectedFindings.size()));
    for (int row = 0; row < table()->model()->rowCount(); ++row) {
        const auto cell = [&](int column) { return table()->model()->index(row, column).data().toString(); };
        const QString role = cell(PasswordReportModel::RoleColumn);
        QVERIFY2(ExpectedFindings.contains(role), qPrintable(role));
        const Entry& entry = entryOf(role);
        QCOMPARE(cell(PasswordReportModel::RackColumn), QString::fromUtf8(entry.rack));
        QCOMPARE(cell(PasswordReportModel::AccountColumn), QString::fromUtf8(entry.account));
        QCOMPARE(cell(PasswordReportModel::FindingColumn), ExpectedFindings.value(role));
        QCOMPARE(cell(PasswordReportModel::StrengthColumn), expectedStrength(role));
    }
    QCOMPARE(summary(), ExpectedSummary);
    auto* progress = child<QProgressBar>(report, "_pgbRun");
    QCOMPARE(progress->value(), progress->maximum());

    // No password in any cell, tooltip or log line.
    QStringList seen = takeLogLines();
    seen << report->toolTip() << table()->toolTip();
    const QAbstractItemModel* shown = table()->model();
    for (int row = 0; row < shown->rowCount(); ++row)
        for (int column = 0; column < shown->columnCount(); ++column)
            for (int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole), int(Qt::StatusTipRole),
                             int(PasswordReportModel::SortRole), int(PasswordReportModel::FindingKeysRole)})
                seen << shown->index(row, column).data(role).toString();
    for (const Entry& entry : Entries) {
        const QString password = QString::fromUtf8(entry.password);
        if (!password.isEmpty())
            for (const QString& text : seen)
                QVERIFY2(!text.contains(password), entry.role);
    }
}

void TestPasswordReport::summaryInBothLanguages_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("reused");
    QTest::newRow("en_US") << "en_US" << ExpectedSummary << "reused (3)";
    QTest::newRow("fr_FR") << "fr_FR" << "13 entrées vérifiées, 4 faibles, 3 groupes réutilisés, 1 vides"
                           << "réutilisé (3)";
}

void TestPasswordReport::summaryInBothLanguages()
{
    QFETCH(QString, lang);
    QFETCH(QString, summary);
    QFETCH(QString, reused);
    ModuleTexts::setLanguage(lang);
    QVERIFY(open());
    QVERIFY(openReport());
    QCOMPARE(this->summary(), summary);
    const QModelIndex bank = viewIndexOf(QStringLiteral("bank"));
    QCOMPARE(bank.siblingAtColumn(PasswordReportModel::FindingColumn).data().toString(), reused);
    QCOMPARE(bank.siblingAtColumn(PasswordReportModel::StrengthColumn).data().toString(),
             expectedStrength(QStringLiteral("bank")));
}

void TestPasswordReport::filterByFinding_data()
{
    QTest::addColumn<int>("finding");
    QTest::addColumn<QStringList>("roles");
    QTest::newRow("all") << 0 << QStringList(ExpectedFindings.keys());
    QTest::newRow("weak") << int(PasswordReportModel::Weak) << QStringList{"webmail", "card", "legacy", "old"};
    QTest::newRow("reused") << int(PasswordReportModel::Reused)
                            << QStringList{"backup", "bank", "savings", "wiki", "git", "legacy", "old"};
    QTest::newRow("empty") << int(PasswordReportModel::Empty) << QStringList{"blank"};
}

void TestPasswordReport::filterByFinding()
{
    QFETCH(int, finding);
    QFETCH(QStringList, roles);
    QVERIFY(open());
    PasswordReport* report = openReport();
    QVERIFY(report);
    auto* combo = child<QComboBox>(report, "_cbxFinding");
    QCOMPARE(combo->count(), 4);
    // Away and back, so that "all" is a change too.
    combo->setCurrentIndex(combo->count() - 1 - combo->findData(finding));
    combo->setCurrentIndex(combo->findData(finding));
    QStringList shown = column(PasswordReportModel::RoleColumn);
    shown.sort();
    roles.sort();
    QCOMPARE(shown, roles);
    // The summary is of the whole report, whatever is shown.
    QCOMPARE(summary(), ExpectedSummary);
}

void TestPasswordReport::sorting()
{
    QVERIFY(open());
    PasswordReport* report = openReport();
    QVERIFY(report);
    QHeaderView* header = table()->horizontalHeader();
    const auto click = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                 header->height() / 2));
    };
    // By score, not by the word's spelling: both orders.
    const auto scores = [this] {
        QList<int> list;
        for (const QString& role : column(PasswordReportModel::RoleColumn))
            list.append(expectedScore(role));
        return list;
    };
    for (int round = 0; round < 2; ++round) {
        click(PasswordReportModel::StrengthColumn);
        const Qt::SortOrder order = header->sortIndicatorOrder();
        QCOMPARE(header->sortIndicatorSection(), int(PasswordReportModel::StrengthColumn));
        QList<int> expected = scores();
        QList<int> sorted = expected;
        std::sort(sorted.begin(), sorted.end());
        if (order == Qt::DescendingOrder)
            std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(expected, sorted);
        // Each shown word is its row's score's.
        for (int row = 0; row < table()->model()->rowCount(); ++row) {
            const QString role =
                table()->model()->index(row, PasswordReportModel::RoleColumn).data().toString();
            QCOMPARE(table()->model()->index(row, PasswordReportModel::StrengthColumn).data().toString(),
                     expectedStrength(role));
        }
    }
    // Scores that differ, or the order would say nothing.
    QVERIFY(scores().first() != scores().last());

    click(PasswordReportModel::RoleColumn);
    QStringList roles = column(PasswordReportModel::RoleColumn);
    QStringList sorted = roles;
    sorted.sort(Qt::CaseInsensitive);
    if (header->sortIndicatorOrder() == Qt::DescendingOrder)
        std::reverse(sorted.begin(), sorted.end());
    QCOMPARE(roles, sorted);
}

void TestPasswordReport::goesToEntryHiddenByFilter_data()
{
    QTest::addColumn<bool>("enter");
    QTest::newRow("double-click") << false;
    QTest::newRow("Enter") << true;
}

void TestPasswordReport::goesToEntryHiddenByFilter()
{
    QFETCH(bool, enter);
    QVERIFY(open());
    Base* base = _window->base();
    Rack* bank = rack("Bank");
    QVERIFY(bank);
    // The Bank rack filtered down to "card", behind another tab.
    base->selectTab(bank->rackModel()->tabIndex());
    child<QLineEdit>(bank, "_tbxSearch")->setText(QStringLiteral("card"));
    bank->onSearching();
    QTRY_VERIFY(!bank->isFiltering());
    QCOMPARE(child<QLabel>(bank, "_lblEntries")->text(), QStringLiteral("1/5"));
    base->selectTab(rack("Mail")->rackModel()->tabIndex());

    PasswordReport* report = openReport();
    QVERIFY(report);
    const QModelIndex row = viewIndexOf(QStringLiteral("savings"));
    QVERIFY(row.isValid());
    if (enter) {
        table()->setFocus();
        table()->setCurrentIndex(row);
        QTest::keyClick(table(), Qt::Key_Return);
    } else {
        doubleClick(row);
    }
    QCOMPARE(base->currentIndex(), bank->rackModel()->tabIndex());
    QCOMPARE(child<QLineEdit>(bank, "_tbxSearch")->text(), QString());
    QCOMPARE(child<QLabel>(bank, "_lblEntries")->text(), QStringLiteral("5/5"));
    QTableView* entries = bank->tableView();
    const QModelIndexList selected = entries->selectionModel()->selectedRows(RackModel::NameColumn);
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().data().toString(), QStringLiteral("savings"));
    QCOMPARE(entries->currentIndex().row(), selected.first().row());
    // The report stays open for the next row.
    QVERIFY(report->isVisible());
}

void TestPasswordReport::changedEntryIsSaid_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("deleted") << "deleted";
    QTest::newRow("account edited") << "account";
    QTest::newRow("password edited") << "password";
    QTest::newRow("renamed") << "renamed";
}

void TestPasswordReport::changedEntryIsSaid()
{
    QFETCH(QString, change);
    QVERIFY(open());
    Base* base = _window->base();
    PasswordReport* report = openReport();
    QVERIFY(report);

    RackModel* bank = rack("Bank")->rackModel();
    int entryRow = -1;
    for (int i = 0; i < bank->rowCount(); ++i)
        if (bank->index(i, RackModel::NameColumn).data().toString() == QLatin1String("bank"))
            entryRow = i;
    QVERIFY(entryRow >= 0);
    if (change == QLatin1String("deleted"))
        QVERIFY(bank->takeEntry(entryRow));
    else if (change == QLatin1String("account"))
        QVERIFY(bank->setData(bank->index(entryRow, RackModel::UserColumn), QStringLiteral("zed")));
    else if (change == QLatin1String("password"))
        QVERIFY(bank->setData(bank->index(entryRow, RackModel::PasswordColumn), QStringLiteral("Other-Pass-42!x")));
    else
        QVERIFY(bank->setData(bank->index(entryRow, RackModel::NameColumn), QStringLiteral("bank2")));
    // Another entry of that role would be a wrong row: none may be selected.
    if (change == QLatin1String("renamed"))
        bank->appendEntry(new VaultEntry(QStringLiteral("bank"), QStringLiteral("alice"), QStringLiteral("new one"),
                                         QString()));
    const int tabBefore = base->currentIndex();

    MessageBoxAnswerer answerer({QMessageBox::Ok});
    const QModelIndex row = viewIndexOf(QStringLiteral("bank"));
    QVERIFY(row.isValid());
    doubleClick(row);
    QCOMPARE(answerer.count(), 1);
    QVERIFY(answerer.last().text.contains(QLatin1String("\"bank\"")));
    QVERIFY(answerer.last().text.contains(QLatin1String("\"Bank\"")));
    QCOMPARE(base->currentIndex(), tabBefore);
    QVERIFY(!rack("Bank")->tableView()->selectionModel()->hasSelection());
}

void TestPasswordReport::cancelKeepsPreviousRows()
{
    QVERIFY(open());
    // The first run cancelled before its result: the table stays empty.
    _window->actPasswordReport()->trigger();
    PasswordReport* report = _window->passwordReport();
    QVERIFY(report);
    PasswordReportModel* model = report->reportModel();
    auto* cancel = child<QPushButton>(report, "_btnCancel");
    auto* refresh = child<QPushButton>(report, "_btnRefresh");
    QVERIFY(model->isRunning());
    QVERIFY(cancel->isEnabled());
    QVERIFY(!refresh->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!model->isRunning());
    QVERIFY(!cancel->isEnabled());
    QVERIFY(refresh->isEnabled());
    // Whatever the threads still finish is dropped.
    OffThreadWork::pool()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(table()->model()->rowCount(), 0);
    QVERIFY(!model->hasResult());
    QCOMPARE(summary(), QString());

    // A run to its end, then one cancelled: the rows of the first stay.
    QSignalSpy finished(model, &PasswordReportModel::finished);
    QTest::mouseClick(refresh, Qt::LeftButton);
    QVERIFY(finished.wait());
    QCOMPARE(table()->model()->rowCount(), int(ExpectedFindings.size()));
    QVERIFY(rack("Mail")->rackModel()->setData(
        rack("Mail")->rackModel()->index(0, RackModel::PasswordColumn), QStringLiteral("Vq3!zR8#mT5^wL2@")));
    QTest::mouseClick(refresh, Qt::LeftButton);
    QVERIFY(model->isRunning());
    QTest::mouseClick(cancel, Qt::LeftButton);
    OffThreadWork::pool()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(table()->model()->rowCount(), int(ExpectedFindings.size()));
    QVERIFY(viewIndexOf(QStringLiteral("webmail")).isValid());
    QCOMPARE(summary(), ExpectedSummary);
}

void TestPasswordReport::refreshAfterEdits()
{
    QVERIFY(open());
    PasswordReport* report = openReport();
    QVERIFY(report);
    QVERIFY(viewIndexOf(QStringLiteral("webmail")).isValid());
    QVERIFY(viewIndexOf(QStringLiteral("wiki")).isValid());
    // The weak password fixed, one twin given its own: both rows go.
    RackModel* mail = rack("Mail")->rackModel();
    QVERIFY(mail->setData(mail->index(0, RackModel::PasswordColumn), QStringLiteral("Vq3!zR8#mT5^wL2@")));
    RackModel* work = rack("Work")->rackModel();
    QCOMPARE(work->index(2, RackModel::NameColumn).data().toString(), QStringLiteral("git"));
    QVERIFY(work->setData(work->index(2, RackModel::PasswordColumn), QStringLiteral("Jh4&uX7!cN2*eB9#")));
    QVERIFY2(PasswordStrength::estimate(QStringLiteral("Vq3!zR8#mT5^wL2@"), {}).score >= 2, "not strong");

    QSignalSpy finished(report->reportModel(), &PasswordReportModel::finished);
    QTest::mouseClick(child<QPushButton>(report, "_btnRefresh"), Qt::LeftButton);
    QVERIFY(finished.wait());
    QVERIFY(!viewIndexOf(QStringLiteral("webmail")).isValid());
    QVERIFY(!viewIndexOf(QStringLiteral("wiki")).isValid());
    QVERIFY(!viewIndexOf(QStringLiteral("git")).isValid());
    QCOMPARE(table()->model()->rowCount(), int(ExpectedFindings.size()) - 3);
    QCOMPARE(summary(), QStringLiteral("13 entries checked, 3 weak, 2 reused groups, 1 empty"));
}

void TestPasswordReport::vaultGoing_data()
{
    QTest::addColumn<bool>("lock");
    QTest::newRow("locked") << true;
    QTest::newRow("closed") << false;
}

void TestPasswordReport::vaultGoing()
{
    QFETCH(bool, lock);
    QVERIFY(open());
    QVERIFY(_window->actPasswordReport()->isEnabled());
    PasswordReport* report = openReport();
    QVERIFY(report);
    QVERIFY(table()->model()->rowCount() > 0);
    // Going while a run is on: nothing of it arrives afterwards.
    QTest::mouseClick(child<QPushButton>(report, "_btnRefresh"), Qt::LeftButton);
    QVERIFY(report->reportModel()->isRunning());
    if (lock) {
        _window->actLock()->trigger();
        QTRY_VERIFY(_window->base()->vaultLock()->isLocked());
    } else {
        QVERIFY(_window->base()->closeVault());
    }
    QVERIFY(!report->isVisible());
    QVERIFY(!report->reportModel()->isRunning());
    OffThreadWork::pool()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(table()->model()->rowCount(), 0);
    QCOMPARE(report->reportModel()->rowCount(), 0);
    QCOMPARE(summary(), QString());
    QVERIFY(!_window->actPasswordReport()->isEnabled());
    if (lock) {
        QVERIFY(_window->base()->vaultLock()->unlock(Password));
        QVERIFY(_window->actPasswordReport()->isEnabled());
        QVERIFY(openReport());
        QCOMPARE(table()->model()->rowCount(), int(ExpectedFindings.size()));
    }
}

void TestPasswordReport::modelContract()
{
    QVERIFY(open());
    PasswordReportModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setFilterRole(PasswordReportModel::FindingKeysRole);
    QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy finished(&model, &PasswordReportModel::finished);
    for (int round = 0; round < 2; ++round) {
        model.run(*_window->base()->model());
        QVERIFY(finished.wait());
        QCOMPARE(model.rowCount(), int(ExpectedFindings.size()));
        QCOMPARE(model.columnCount(), int(PasswordReportModel::ColumnCount));
        proxy.setFilterFixedString(QStringLiteral("|weak|"));
        QCOMPARE(proxy.rowCount(), 4);
        proxy.sort(PasswordReportModel::StrengthColumn);
        proxy.setFilterFixedString(QString());
    }
    QCOMPARE(model.headerData(PasswordReportModel::StrengthColumn, Qt::Horizontal).toString(),
             QStringLiteral("Strength"));
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.hasResult());
}

KOVRIN_TEST_MAIN(TestPasswordReport)
#include "tst_passwordreport.moc"
