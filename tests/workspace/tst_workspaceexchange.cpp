// The password page, the exchange group and the full vault import / new vault
// dialog, driven through the real widgets of the main window's workspace.
#include "Base.h"
#include "FileDialogs.h"
#include "FilePermissions.h"
#include "FixtureFiles.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "Rack.h"
#include "RackModel.h"
#include "TestEnvironment.h"
#include "TestMain.h"
#include "VaultEntry.h"
#include "VaultImport.h"
#include "WorkspaceFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QScopeGuard>
#include <QTimer>

#include <sys/stat.h>

namespace {
using FixtureFiles::readAll;
using FixtureFiles::writeFile;

const QString Password = QStringLiteral("Work-Pw1!");
const QString NewPassword = QStringLiteral("aaaaB1#");

using Racks = QList<QPair<QString, QStringList>>;

// Writes a vault with the project's own writer.
void writeVault(const QString& fileName, const Racks& racks)
{
    QTabWidget tabs;
    auto model = std::make_shared<Model>(nullptr, fileName, Model::keyFromPassword(Password), &tabs);
    for (const auto& [name, lines] : racks) {
        auto* rack = new RackModel(model, name);
        for (const QString& line : lines)
            rack->appendEntry(VaultEntry::fromBytes(line.toUtf8()).release());
        if (!model->addRackModel(rack))
            qFatal("rack refused");
    }
    model->saveVault(true);
}

QStringList describe(const Model& model)
{
    QStringList out;
    for (const RackModel* rack : *model.racks()) {
        QStringList parts{rack->name()};
        for (const VaultEntry* entry : rack->entries())
            parts.append(entry->toString());
        out.append(parts.join(QLatin1Char('|')));
    }
    return out;
}

QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

using WorkspaceFixture::child;
using WorkspaceFixture::clickRadio;

bool isSymbol(QChar c)
{
    return !c.isLetterOrNumber();
}

// Shows the dialog with its fields filled, ready for its Import button.
void fill(VaultImport& dialog, const QString& vault, const QString& csv, const QString& password = NewPassword,
          const QString& confirmation = NewPassword)
{
    dialog.show();
    child<QLineEdit>(&dialog, "_pPwdInput")->setText(password);
    child<QLineEdit>(&dialog, "_pPwd2Input")->setText(confirmation);
    child<QLineEdit>(&dialog, "_pVaultFileInput")->setText(vault);
    child<QLineEdit>(&dialog, "_pCsvFileInput")->setText(csv);
}

// The rack tabs follow the vault's rack list, and each rack model knows its tab.
bool racksMatchTabs(const Base& base)
{
    const auto model = base.model();
    if (!model)
        return base.count() == RackModel::FirstRackTab;
    const auto racks = model->racks();
    if (base.count() != racks->size() + RackModel::FirstRackTab)
        return false;
    for (int i = 0; i < racks->size(); ++i) {
        const int tab = i + RackModel::FirstRackTab;
        const auto* view = qobject_cast<const Rack*>(base.widget(tab));
        if (!view || view->rackModel() != racks->at(i) || racks->at(i)->tabIndex() != tab
            || base.tabText(tab) != racks->at(i)->name())
            return false;
    }
    return true;
}
} // namespace

class TestWorkspaceExchange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void generatorPanel_data();
    void generatorPanel();
    void symbolCountFollowsLength();

    void exchangeModes();
    void exchangeFileBrowser();
    void exportFromTheVaultPage();
    void rackImportFromTheVaultPage();
    void rackImportCreatesTheRackOnRequest();

    void dialogTextsAndNames();
    void dialogChecksInOrder_data();
    void dialogChecksInOrder();
    void dialogBrowserRefusesTheOpenVault();
    void onlyFilesAreReplaced_data();
    void onlyFilesAreReplaced();
    void importsReadOnlyBoundedFiles_data();
    void importsReadOnlyBoundedFiles();
    void fullImportRefusesMoreRacksThanAVaultHolds();
    void fullImportBuildsTheVault_data();
    void fullImportBuildsTheVault();
    void failedFullImportKeepsWhatCameIn();
    void oversizedFullImportSaysSoAtOnce();
    void fullImportWithoutHeaderLeavesAnEmptyVault();
    void createdVaultOpensAgain_data();
    void createdVaultOpensAgain();

    void exportThenFullImportGivesTheSameVault();

private:
    void openVault(const QString& fileName, const QString& password);
    QStringList generated() const;

    std::unique_ptr<MainWindow> _window;
    Base* _base = nullptr;
    QString _folder;
    QString _vaultFile;
};

void TestWorkspaceExchange::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    QVERIFY(dropPermissionOverride());
}

void TestWorkspaceExchange::init()
{
    _folder = TestEnvironment::freshDir(QStringLiteral("workspace"));
    _vaultFile = _folder + QStringLiteral("/vault.kovrin");
    QDir(TestEnvironment::trash()).removeRecursively();
    _window = std::make_unique<MainWindow>();
    _base = _window->base();
    _window->show();
    QVERIFY(QTest::qWaitForWindowExposed(_window.get()));
}

void TestWorkspaceExchange::cleanup()
{
    FileDialogs::setChooser({});
    if (_base && _base->model())
        _base->model()->resetModified(); // no saving question when the window goes
    _window.reset();
    _base = nullptr;
}

void TestWorkspaceExchange::openVault(const QString& fileName, const QString& password)
{
    child<QLineEdit>(_base, "_tbxVaultFile")->setText(fileName);
    child<QLineEdit>(_base, "_tbxPassword")->setText(password);
    QTest::mouseClick(child<QPushButton>(_base, "_btnVaultOpening"), Qt::LeftButton);
    // Opening shows the first rack; the exchange group is on the Vault page.
    _base->setCurrentIndex(0);
}

QStringList TestWorkspaceExchange::generated() const
{
    const QString shown = child<QTextEdit>(_base, "_tbxPasswords")->toPlainText();
    return shown.isEmpty() ? QStringList() : shown.split(QLatin1Char('\n'));
}

// Settings of the page, then what the generation shows.
void TestWorkspaceExchange::generatorPanel_data()
{
    QTest::addColumn<int>("chars");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("classes"); // l lower, u upper, n number, s symbol
    QTest::addColumn<bool>("spaced");
    QTest::addColumn<QList<int>>("groups"); // lengths of the space-separated groups; empty: not spaced

    QTest::newRow("defaults") << 11 << 20 << "luns" << false << QList<int>();
    QTest::newRow("count 0") << 11 << 0 << "luns" << false << QList<int>();
    QTest::newRow("only symbols") << 11 << 5 << "s" << false << QList<int>();
    QTest::newRow("symbols unchecked") << 16 << 10 << "lun" << false << QList<int>();
    QTest::newRow("spaced, 3 characters") << 3 << 4 << "luns" << true << QList<int>{3};
    QTest::newRow("spaced, 8 characters") << 8 << 4 << "luns" << true << QList<int>{3, 3, 2};
    QTest::newRow("spaced, 11 characters") << 11 << 4 << "luns" << true << QList<int>{3, 3, 3, 2};
    QTest::newRow("no class") << 11 << 20 << "" << false << QList<int>();
}

void TestWorkspaceExchange::generatorPanel()
{
    QFETCH(int, chars);
    QFETCH(int, count);
    QFETCH(QString, classes);
    QFETCH(bool, spaced);
    QFETCH(QList<int>, groups);

    auto* symbols = child<QSpinBox>(_base, "_sbxSymbols");
    // Something on display first: a generation replaces it, a refusal keeps it.
    child<QSpinBox>(_base, "_sbxPasswords")->setValue(2);
    QTest::mouseClick(child<QPushButton>(_base, "_btnPasswords"), Qt::LeftButton);
    const QStringList before = generated();
    QCOMPARE(before.size(), 2);

    child<QSpinBox>(_base, "_sbxChars")->setValue(chars);
    child<QSpinBox>(_base, "_sbxPasswords")->setValue(count);
    child<QCheckBox>(_base, "_chkLowerCase")->setChecked(classes.contains(QLatin1Char('l')));
    child<QCheckBox>(_base, "_chkUppserCase")->setChecked(classes.contains(QLatin1Char('u')));
    child<QCheckBox>(_base, "_chkNumber")->setChecked(classes.contains(QLatin1Char('n')));
    child<QCheckBox>(_base, "_chkSymbol")->setChecked(classes.contains(QLatin1Char('s')));
    child<QCheckBox>(_base, "_chkSpace")->setChecked(spaced);
    QCOMPARE(!symbols->isHidden(), classes.contains(QLatin1Char('s')));

    MessageBoxAnswerer answerer;
    QTest::mouseClick(child<QPushButton>(_base, "_btnPasswords"), Qt::LeftButton);
    if (classes.isEmpty()) {
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().icon, QMessageBox::Warning);
        QCOMPARE(answerer.last().text, text("NoCharDefined"));
        QCOMPARE(answerer.last().detailedText, text("CheckOneSymbol"));
        QCOMPARE(generated(), before);
        return;
    }
    QCOMPARE(answerer.count(), 0);
    const QStringList shown = generated();
    QCOMPARE(shown.size(), count);
    for (const QString& line : shown) {
        QString password = line;
        if (spaced) {
            QList<int> sizes;
            for (const QString& group : line.split(QLatin1Char(' ')))
                sizes.append(int(group.size()));
            QCOMPARE(sizes, groups);
            password.remove(QLatin1Char(' '));
        }
        QCOMPARE(password.size(), chars);
        for (const QChar c : password) {
            QVERIFY2(!isSymbol(c) || classes.contains(QLatin1Char('s')), qPrintable(password));
            if (classes == QLatin1String("s"))
                QVERIFY2(isSymbol(c), qPrintable(password));
        }
    }
    // The spaces exist on screen only: unchecking shows the same passwords without them.
    if (spaced) {
        child<QCheckBox>(_base, "_chkSpace")->setChecked(false);
        QStringList plain = shown;
        plain.replaceInStrings(QStringLiteral(" "), QString());
        QCOMPARE(generated(), plain);
    }
}

void TestWorkspaceExchange::symbolCountFollowsLength()
{
    auto* chars = child<QSpinBox>(_base, "_sbxChars");
    auto* symbols = child<QSpinBox>(_base, "_sbxSymbols");
    QCOMPARE(chars->value(), 11);
    QCOMPARE(symbols->value(), 3);
    QCOMPARE(symbols->maximum(), 11);
    chars->setValue(2);
    QCOMPARE(symbols->maximum(), 2);
    QCOMPARE(symbols->value(), 2);
    chars->setValue(20);
    QCOMPARE(symbols->maximum(), 20);
    QCOMPARE(symbols->value(), 2);
}

void TestWorkspaceExchange::exchangeModes()
{
    writeVault(_vaultFile, {{"Mail", {}}, {"Bank", {}}});
    openVault(_vaultFile, Password);
    QVERIFY(_base->model());
    auto* exportButton = child<QRadioButton>(_base, "_rbnExport");
    auto* importButton = child<QRadioButton>(_base, "_rbnImport");
    auto* names = child<QComboBox>(_base, "_cbxTabName");
    auto* run = child<QPushButton>(_base, "_btnExport");
    auto* file = child<QLineEdit>(_base, "_tbxImportFile");
    QVERIFY(exportButton->isChecked());
    QVERIFY(!names->isVisibleTo(_base));
    QCOMPARE(run->text(), text("ToExport"));

    file->setText(QStringLiteral("kept.csv"));
    clickRadio(importButton);
    QVERIFY(importButton->isChecked() && !exportButton->isChecked());
    QVERIFY(names->isVisibleTo(_base));
    QCOMPARE(names->count(), 2);
    QCOMPARE(names->itemText(0), QStringLiteral("Mail"));
    QCOMPARE(names->itemText(1), QStringLiteral("Bank"));
    QCOMPARE(run->text(), text("ToImport"));
    QCOMPARE(child<QLabel>(_base, "_lblImportFile")->text(), text("ImportFileLabel"));
    QVERIFY(!child<QLabel>(_base, "_lblImportFile")->toolTip().startsWith(QLatin1Char('[')));
    QCOMPARE(file->text(), QStringLiteral("kept.csv"));

    clickRadio(exportButton);
    QVERIFY(!names->isVisibleTo(_base));
    QCOMPARE(run->text(), text("ToExport"));
    QCOMPARE(child<QLabel>(_base, "_lblImportFile")->text(), text("ExportFileLabel"));
    QCOMPARE(file->text(), QStringLiteral("kept.csv"));
}

void TestWorkspaceExchange::exchangeFileBrowser()
{
    writeVault(_vaultFile, {{"Mail", {}}});
    openVault(_vaultFile, Password);
    _base->setVaultFile(_vaultFile);
    struct Call
    {
        FileDialogs::Mode mode;
        QString caption;
        QString dir;
        QString filter;
    };
    QList<Call> calls;
    QString answer = QStringLiteral("/tmp/chosen.csv");
    FileDialogs::setChooser([&](FileDialogs::Mode mode, QWidget* parent, const QString& caption, const QString& dir,
                                const QString& filter) {
        if (parent != _base)
            qFatal("file dialog without the workspace as parent");
        calls.append({mode, caption, dir, filter});
        return answer;
    });
    auto* browse = child<QPushButton>(_base, "_btnExportFileBrowser");
    auto* file = child<QLineEdit>(_base, "_tbxImportFile");
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(file->text(), answer);
    clickRadio(child<QRadioButton>(_base, "_rbnImport"));
    answer.clear(); // cancelled
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(file->text(), QString());

    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0].mode, FileDialogs::Mode::Save);
    QCOMPARE(calls[0].caption, text("VaultFileExport"));
    QCOMPARE(calls[0].dir, _vaultFile);
    QCOMPARE(calls[0].filter, text("VaultFileExportExtensions"));
    QCOMPARE(calls[1].mode, FileDialogs::Mode::Open);
    QCOMPARE(calls[1].caption, text("VaultFileImport"));
    QCOMPARE(calls[1].dir, QDir::homePath());
}

void TestWorkspaceExchange::exportFromTheVaultPage()
{
    writeVault(_vaultFile, {{"A", {"r1\tu1\tp1\tcafé"}}, {"B", {}}});
    openVault(_vaultFile, Password);
    auto* password = child<QLineEdit>(_base, "_tbxPassword");
    auto* file = child<QLineEdit>(_base, "_tbxImportFile");
    auto* run = child<QPushButton>(_base, "_btnExport");
    const QByteArray vault = readAll(_vaultFile);

    // The open vault is never the target, whatever the answer would be.
    password->setText(Password);
    file->setText(_vaultFile);
    {
        MessageBoxAnswerer answerer({QMessageBox::Yes});
        QTest::mouseClick(run, Qt::LeftButton);
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().icon, QMessageBox::Warning);
        QCOMPARE(answerer.last().text, text("ExportOverVault").arg(_vaultFile));
    }
    QCOMPARE(readAll(_vaultFile), vault);
    QVERIFY(password->text().isEmpty());

    const QString target = _folder + QStringLiteral("/out.csv");
    password->setText(Password);
    file->setText(target);
    MessageBoxAnswerer answerer;
    QTest::mouseClick(run, Qt::LeftButton);
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().text, text("VaultExported").arg(target));
    QCOMPARE(readAll(target), QByteArray("\n\nrack:A\n\nr1\tu1\tp1\tcaf\xc3\xa9\n\n\nrack:B\n\n"));
    struct stat info{};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 0777), 0600);
    // The export is over: loading works again.
    QVERIFY(password->text().isEmpty());
    openVault(_vaultFile, Password);
    QCOMPARE(describe(*_base->model()), (QStringList{"A|r1\tu1\tp1\tcafé", "B"}));
}

void TestWorkspaceExchange::rackImportFromTheVaultPage()
{
    writeVault(_vaultFile, {{"Mail", {"old\tu\tp\t"}}, {"Bank", {}}});
    openVault(_vaultFile, Password);
    const QString csv = _folder + QStringLiteral("/in.csv");
    writeFile(csv, "a\tu\tp\tc\r\nb\tu\tp\t\n\nc\tu\n");
    clickRadio(child<QRadioButton>(_base, "_rbnImport"));
    child<QComboBox>(_base, "_cbxTabName")->setCurrentText(QStringLiteral("Bank"));
    child<QLineEdit>(_base, "_tbxImportFile")->setText(csv);
    MessageBoxAnswerer answerer;
    QTest::mouseClick(child<QPushButton>(_base, "_btnExport"), Qt::LeftButton);
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().text, text("ImportResult").arg(2).arg(2));
    QCOMPARE(describe(*_base->model()), (QStringList{"Mail|old\tu\tp\t", "Bank|a\tu\tp\tc|b\tu\tp\t"}));
    QCOMPARE(_base->currentIndex(), 3);
    QCOMPARE(child<QLabel>(_base->widget(3), "_lblEntries")->text(), QStringLiteral("2/2"));
    QVERIFY(_base->model()->isModified());
    QVERIFY(_window->actSave()->isEnabled());
}

// A stale rack list can name a rack the vault no longer has.
void TestWorkspaceExchange::rackImportCreatesTheRackOnRequest()
{
    writeVault(_vaultFile, {{"Mail", {}}});
    openVault(_vaultFile, Password);
    const QString csv = _folder + QStringLiteral("/in.csv");
    writeFile(csv, "not an entry\n");
    child<QLineEdit>(_base, "_tbxImportFile")->setText(csv);
    MessageBoxAnswerer answerer({QMessageBox::Yes, QMessageBox::Ok});
    _base->importRack(QStringLiteral("Travel"));
    QCOMPARE(answerer.count(), 2);
    QCOMPARE(answerer.seen()[0].text, text("RequestForRackCreation").arg(QStringLiteral("Travel")));
    QCOMPARE(answerer.seen()[0].defaultButton, QMessageBox::No);
    QCOMPARE(answerer.last().text, text("ImportResult").arg(0).arg(1));
    QCOMPARE(_base->model()->rackNames(), (QStringList{"Mail", "Travel"}));
    QVERIFY(racksMatchTabs(*_base));
    QCOMPARE(_base->tabText(_base->currentIndex()), QStringLiteral("Travel"));
    // The new rack is a change like Alt+R, without any entry.
    QVERIFY(_base->model()->isModified());
    QVERIFY(_window->actSave()->isEnabled());
}

void TestWorkspaceExchange::dialogTextsAndNames()
{
    VaultImport import(_base);
    VaultImport create(true, _base);
    QCOMPARE(import.windowTitle(), QStringLiteral("Importing a complete vault"));
    QCOMPARE(create.windowTitle(), text("NewVault"));
    QCOMPARE(child<QPushButton>(&import, "_pImportButton")->text(), QStringLiteral("Import"));
    QCOMPARE(child<QPushButton>(&create, "_pImportButton")->text(), text("Create"));
    QVERIFY(child<QLineEdit>(&create, "_pCsvFileInput")->isHidden());
    // Every field is named after its label, and every text comes from the bundle.
    for (VaultImport* dialog : {&import, &create}) {
        for (const QLineEdit* field : dialog->findChildren<QLineEdit*>())
            QVERIFY2(!field->accessibleName().isEmpty(), qPrintable(field->objectName()));
        for (const QWidget* widget : dialog->findChildren<QWidget*>())
            QVERIFY2(!widget->toolTip().startsWith(QLatin1Char('[')), qPrintable(widget->objectName()));
    }
    QCOMPARE(child<QLineEdit>(&import, "_pPwdInput")->accessibleName(), QStringLiteral("Password"));
}

// Each row fills the dialog and presses Import: the boxes in order, whether
// the dialog stays, which field is cleared, what is on disk.
void TestWorkspaceExchange::dialogChecksInOrder_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    // relative to the test folder; "" none; "open" the open vault, "backup" its backup
    QTest::addColumn<QString>("vault");
    QTest::addColumn<QString>("csv");   // relative to the test folder; "" none
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("icon"); // of the last box
    QTest::addColumn<bool>("stays");
    QTest::addColumn<bool>("passwordCleared");
    QTest::addColumn<QByteArray>("vaultAfter"); // "missing" when no file

    const QByteArray missing("missing");
    const int info = QMessageBox::Information, warning = QMessageBox::Warning, critical = QMessageBox::Critical;
    QTest::newRow("empty password") << "" << "" << "new.kovrin" << "in.csv" << QMessageBox::Ok
                                    << QStringList{"WaitingForPassword"} << info << true << true << missing;
    QTest::newRow("commercial at refused") << "aaaaB1@" << "aaaaB1@" << "new.kovrin" << "in.csv" << QMessageBox::Ok
                                           << QStringList{"IllegalPassword"} << critical << true << true << missing;
    QTest::newRow("no digit") << "aaaaBc#" << "aaaaBc#" << "new.kovrin" << "in.csv" << QMessageBox::Ok
                              << QStringList{"IllegalPassword"} << critical << true << true << missing;
    QTest::newRow("six characters") << "aaaB1#" << "aaaB1#" << "new.kovrin" << "in.csv" << QMessageBox::Ok
                                    << QStringList{"IllegalPassword"} << critical << true << true << missing;
    QTest::newRow("mismatch") << NewPassword << "aaaaB1$" << "new.kovrin" << "in.csv" << QMessageBox::Ok
                              << QStringList{"NoPwdConcordance"} << warning << true << false << missing;
    QTest::newRow("number sign accepted, no vault name") << NewPassword << NewPassword << "" << "in.csv"
                                                         << QMessageBox::Ok << QStringList{"UndefinedVaultFile"}
                                                         << warning << true << false << missing;
    QTest::newRow("the open vault typed by hand") << NewPassword << NewPassword << "open" << "in.csv"
                                                  << QMessageBox::Yes
                                                  << QStringList{"ActualAndNewVaultHaveSameFilename"} << critical
                                                  << true << false << QByteArray("open vault");
    QTest::newRow("the open vault's backup") << NewPassword << NewPassword << "backup" << "in.csv"
                                             << QMessageBox::Yes << QStringList{"NewVaultIsOpenVaultBackup"}
                                             << critical << true << false << QByteArray("backup");
    QTest::newRow("the text file imported") << NewPassword << NewPassword << "in.csv" << "in.csv"
                                            << QMessageBox::Yes << QStringList{"NewVaultIsImportFile"} << critical
                                            << true << false << QByteArray("\n\nrack:X\n\nx\tu\tp\tc\n");
    // The dialog closes, and its password fields with it.
    QTest::newRow("existing file, No") << NewPassword << NewPassword << "old.kovrin" << "in.csv" << QMessageBox::No
                                       << QStringList{"RequestForFileOverwriting"} << int(QMessageBox::Question)
                                       << false << true << QByteArray("old");
    // Refused before the overwrite question: the old file stays, no new one.
    QTest::newRow("existing file, no CSV name") << NewPassword << NewPassword << "old.kovrin" << "" << QMessageBox::Yes
                                                << QStringList{"ImportFileMustBeDefined"} << warning << true << false
                                                << QByteArray("old");
    QTest::newRow("existing file, CSV missing") << NewPassword << NewPassword << "old.kovrin" << "none.csv"
                                                << QMessageBox::Yes << QStringList{"FileNotReadable"} << warning
                                                << true << false << QByteArray("old");
    QTest::newRow("file not creatable") << NewPassword << NewPassword << "none/new.kovrin" << "in.csv"
                                        << QMessageBox::Ok << QStringList{"FileNotOpened"} << critical << true
                                        << false << missing;
    // No refusal leaves an empty file behind.
    QTest::newRow("no CSV name") << NewPassword << NewPassword << "new.kovrin" << "" << QMessageBox::Ok
                                 << QStringList{"ImportFileMustBeDefined"} << warning << true << false << missing;
    QTest::newRow("CSV missing") << NewPassword << NewPassword << "new.kovrin" << "none.csv" << QMessageBox::Ok
                                 << QStringList{"FileNotReadable"} << warning << true << false << missing;
}

void TestWorkspaceExchange::dialogChecksInOrder()
{
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(QString, vault);
    QFETCH(QString, csv);
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QStringList, keys);
    QFETCH(int, icon);
    QFETCH(bool, stays);
    QFETCH(bool, passwordCleared);
    QFETCH(QByteArray, vaultAfter);

    writeVault(_vaultFile, {{"Mail", {"a\tu\tp\tc"}}});
    openVault(_vaultFile, Password);
    QVERIFY(_base->model());
    const QByteArray openVaultBytes = readAll(_vaultFile);
    writeFile(_folder + QStringLiteral("/old.kovrin"), "old");
    writeFile(_vaultFile + QLatin1Char('~'), "backup");
    writeFile(_folder + QStringLiteral("/in.csv"), "\n\nrack:X\n\nx\tu\tp\tc\n");
    const QString vaultPath = vault == QLatin1String("open")     ? _vaultFile
                              : vault == QLatin1String("backup") ? _vaultFile + QLatin1Char('~')
                              : vault.isEmpty()                  ? QString()
                                                                 : _folder + QLatin1Char('/') + vault;
    if (vaultAfter == "open vault")
        vaultAfter = openVaultBytes;

    VaultImport dialog(_base);
    fill(dialog, vaultPath, csv.isEmpty() ? QString() : _folder + QLatin1Char('/') + csv, password, confirmation);
    MessageBoxAnswerer answerer({answer});
    QTest::mouseClick(child<QPushButton>(&dialog, "_pImportButton"), Qt::LeftButton);

    QCOMPARE(answerer.count(), keys.size());
    for (int i = 0; i < keys.size(); ++i) {
        const QString expected = text(qPrintable(keys[i]));
        const QString seen = answerer.seen()[i].text;
        QVERIFY2(seen.startsWith(expected.section(QLatin1Char('['), 0, 0).section(QLatin1Char('%'), 0, 0)),
                 qPrintable(seen));
    }
    QCOMPARE(int(answerer.last().icon), icon);
    if (keys.last() == QLatin1String("IllegalPassword"))
        QCOMPARE(answerer.last().detailedText, text("PasswordRule"));
    if (keys.last() == QLatin1String("NoPwdConcordance"))
        QCOMPARE(answerer.last().detailedText, text("PasswordsMustBeIdentical"));
    if (keys.last() == QLatin1String("FileNotOpened") || keys.last() == QLatin1String("FileNotReadable"))
        QVERIFY(!answerer.last().detailedText.isEmpty());
    if (keys.last() == QLatin1String("RequestForFileOverwriting"))
        QCOMPARE(answerer.last().defaultButton, QMessageBox::No);
    QCOMPARE(dialog.isVisible(), stays);
    QCOMPARE(child<QLineEdit>(&dialog, "_pPwdInput")->text().isEmpty(), passwordCleared || password.isEmpty());
    if (!vaultPath.isEmpty())
        QCOMPARE(QFileInfo::exists(vaultPath) ? readAll(vaultPath) : QByteArray("missing"), vaultAfter);
    // Nothing reached the workspace: the vault open before is still open.
    QCOMPARE(_base->model()->fileName(), _vaultFile);
    QCOMPARE(readAll(_vaultFile), openVaultBytes);
    QCOMPARE(readAll(_vaultFile + QLatin1Char('~')), QByteArray("backup"));
    QCOMPARE(QDir(TestEnvironment::trash() + QStringLiteral("/files")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());
}

void TestWorkspaceExchange::dialogBrowserRefusesTheOpenVault()
{
    writeVault(_vaultFile, {{"Mail", {}}});
    openVault(_vaultFile, Password);
    QString answer = _folder + QStringLiteral("/sub/../vault.kovrin");
    QVERIFY(QDir(_folder).mkdir(QStringLiteral("sub")));
    FileDialogs::setChooser([&](FileDialogs::Mode mode, QWidget*, const QString&, const QString&, const QString&) {
        return mode == FileDialogs::Mode::Save ? answer : QString();
    });
    VaultImport dialog(_base);
    dialog.show();
    auto* input = child<QLineEdit>(&dialog, "_pVaultFileInput");
    MessageBoxAnswerer answerer;
    QTest::mouseClick(child<QPushButton>(&dialog, "_pVaultFileBrowsing"), Qt::LeftButton);
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Critical);
    QCOMPARE(answerer.last().text, text("ActualAndNewVaultHaveSameFilename"));
    QVERIFY(input->text().isEmpty());
    answer = _folder + QStringLiteral("/new.kovrin");
    QTest::mouseClick(child<QPushButton>(&dialog, "_pVaultFileBrowsing"), Qt::LeftButton);
    QCOMPARE(input->text(), answer);
    QCOMPARE(_base->vaultFile(), answer);
}

void TestWorkspaceExchange::onlyFilesAreReplaced_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("exporting"); // else the new vault's name
    for (const char* kind : {"folder", "link to a folder", "pipe", "dangling link"})
        for (const bool exporting : {true, false})
            QTest::addRow("%s, %s", kind, exporting ? "export" : "new vault") << QString::fromLatin1(kind) << exporting;
}

// A name that is not a regular file is refused with a warning before any
// question: nothing goes to the trash and nothing is written.
void TestWorkspaceExchange::onlyFilesAreReplaced()
{
    QFETCH(QString, kind);
    QFETCH(bool, exporting);
    writeVault(_vaultFile, {{"Mail", {"a\tu\tp\tc"}}});
    openVault(_vaultFile, Password);
    QVERIFY(_base->model());
    const QString target = _folder + QStringLiteral("/target");
    const QString folder = _folder + QStringLiteral("/folder");
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/inside")));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().rename(folder, target));
    else if (kind == QLatin1String("link to a folder"))
        QVERIFY(QFile::link(folder, target));
    else if (kind == QLatin1String("dangling link"))
        QVERIFY(QFile::link(_folder + QStringLiteral("/nothing"), target));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    const QFileInfo before(target);

    MessageBoxAnswerer answerer({QMessageBox::Yes});
    std::unique_ptr<VaultImport> dialog;
    if (exporting) {
        child<QLineEdit>(_base, "_tbxPassword")->setText(Password);
        child<QLineEdit>(_base, "_tbxImportFile")->setText(target);
        QTest::mouseClick(child<QPushButton>(_base, "_btnExport"), Qt::LeftButton);
    } else {
        writeFile(_folder + QStringLiteral("/in.csv"), "\n\nrack:X\n\nx\tu\tp\tc\n");
        dialog = std::make_unique<VaultImport>(_base);
        fill(*dialog, target, _folder + QStringLiteral("/in.csv"));
        QTest::mouseClick(child<QPushButton>(dialog.get(), "_pImportButton"), Qt::LeftButton);
        QVERIFY(dialog->isVisible());
    }
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Warning);
    QCOMPARE(answerer.last().text, text("NotARegularFile").arg(target));
    QCOMPARE(answerer.last().detailedText, text("ChooseAnotherName"));

    const QFileInfo after(target);
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(after.isDir(), before.isDir());
    QCOMPARE(after.symLinkTarget(), before.symLinkTarget());
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/inside")) || kind == QLatin1String("folder"));
    QVERIFY(QFileInfo::exists(target + QStringLiteral("/inside")) || !before.isDir());
    QCOMPARE(QDir(TestEnvironment::trash() + QStringLiteral("/files")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());
    QCOMPARE(_base->model()->fileName(), _vaultFile);
}

void TestWorkspaceExchange::importsReadOnlyBoundedFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("rackImport"); // else the full import
    for (const char* kind : {"folder", "pipe", "device", "too big", "grown past the limit", "missing"})
        for (const bool rackImport : {true, false})
            QTest::addRow("%s, %s", kind, rackImport ? "rack import" : "full import")
                << QString::fromLatin1(kind) << rackImport;
}

// Only a regular file of a size a vault could ever hold is read: a pipe or a
// device (which may never end, or block the open) and an oversized file are
// refused with one warning, before any question, and nothing is made.
void TestWorkspaceExchange::importsReadOnlyBoundedFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, rackImport);
    writeVault(_vaultFile, {{"Mail", {"a\tu\tp\tc"}}});
    openVault(_vaultFile, Password);
    const QString source = _folder + QStringLiteral("/source");
    QString expected;
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(source));
        expected = text("ImportNotARegularFile").arg(source);
    } else if (kind == QLatin1String("pipe")) {
        // Nobody ever writes to it: opening it to read would wait for ever.
        QCOMPARE(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
        expected = text("ImportNotARegularFile").arg(source);
    } else if (kind == QLatin1String("device")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), source)); // never ends
        expected = text("ImportNotARegularFile").arg(source);
    } else if (kind == QLatin1String("too big")) {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(VaultExchange::MaxImportSize + 1)); // sparse: no disk taken
        expected = text("ImportFileTooBig").arg(source).arg(VaultExchange::MaxImportSize + 1).arg(VaultExchange::MaxImportSize);
    } else if (kind == QLatin1String("missing")) {
        expected = text("FileNotReadable").arg(source);
    }
    if (kind == QLatin1String("grown past the limit")) {
        // Measured at the limit, it is read to one byte past it by a reader of
        // a file that grows: that is what tells it from one of the right size.
        QByteArray bytes;
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(VaultExchange::MaxImportSize));
        file.close();
        QString error;
        qint64 size = 0;
        QCOMPARE(VaultExchange::readImportFile(source, bytes, &error, &size), VaultExchange::Source::Read);
        QCOMPARE(bytes.size(), VaultExchange::MaxImportSize);
        QVERIFY(file.open(QIODevice::Append));
        QCOMPARE(file.write("x"), 1);
        file.close();
        QCOMPARE(VaultExchange::readImportFile(source, bytes, &error, &size), VaultExchange::Source::TooBig);
        QVERIFY(bytes.isEmpty());
        return;
    }

    const QStringList racksBefore = _base->model()->rackNames();
    const int tabsBefore = _base->count();
    const QString newVault = _folder + QStringLiteral("/new.kovrin");
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    std::unique_ptr<VaultImport> dialog;
    if (rackImport) {
        child<QLineEdit>(_base, "_tbxImportFile")->setText(source);
        _base->importRack(QStringLiteral("Travel")); // a rack to create: asked only after the file is read
    } else {
        dialog = std::make_unique<VaultImport>(_base);
        fill(*dialog, newVault, source);
        QTest::mouseClick(child<QPushButton>(dialog.get(), "_pImportButton"), Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        QVERIFY(!QFileInfo::exists(newVault));
    }
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Warning);
    QCOMPARE(answerer.last().text, expected);
    QCOMPARE(_base->model()->fileName(), _vaultFile);
    QCOMPARE(_base->model()->rackNames(), racksBefore);
    QCOMPARE(_base->count(), tabsBefore);
    QVERIFY(!_base->model()->isModified());
}

// Counted before anything is made: racks past what a vault file can hold
// would never be saved, and each costs a view and a tab.
void TestWorkspaceExchange::fullImportRefusesMoreRacksThanAVaultHolds()
{
    writeVault(_vaultFile, {{"Mail", {"a\tu\tp\tc"}}});
    openVault(_vaultFile, Password);
    const QString csvFile = _folder + QStringLiteral("/in.csv");
    QByteArray csv;
    for (qsizetype i = 0; i <= Model::MaxRackCount; ++i)
        csv += "rack:\n\n\n"; // header, separator, the empty line ending an empty block
    QVERIFY(csv.size() < VaultExchange::MaxImportSize);
    writeFile(csvFile, csv);
    const QString newVault = _folder + QStringLiteral("/new.kovrin");
    VaultImport dialog(_base);
    fill(dialog, newVault, csvFile);
    MessageBoxAnswerer answerer;
    QTest::mouseClick(child<QPushButton>(&dialog, "_pImportButton"), Qt::LeftButton);
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Warning);
    QCOMPARE(answerer.last().text,
             text("ImportTooManyRacks").arg(csvFile).arg(Model::MaxRackCount + 1).arg(Model::MaxRackCount));
    QVERIFY(dialog.isVisible());
    QVERIFY(!QFileInfo::exists(newVault));
    QCOMPARE(_base->model()->fileName(), _vaultFile);
    QCOMPARE(_base->model()->rackNames(), QStringList{QStringLiteral("Mail")});
}

void TestWorkspaceExchange::fullImportBuildsTheVault_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("racks");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("rejected");

    QTest::newRow("two racks, a repeated role")
        << QByteArray("\n\nrack:Mail\n\na\tu\tp\tc\nb\tu\tp\t\na\tv\tq\t\n\n\nrack:Bank\n\nc\tu\tp\tc\n")
        << QStringList{"Mail|a\tu\tp\tc|b\tu\tp\t", "Bank|c\tu\tp\tc"} << 3 << 1;
    QTest::newRow("CR LF") << QByteArray("\r\n\r\nrack:Mail\r\n\r\na\tu\tp\tc\r\n\r\n\r\nrack:Bank\r\n\r\n")
                           << QStringList{"Mail|a\tu\tp\tc", "Bank"} << 1 << 0;
    QTest::newRow("repeated and empty rack names")
        << QByteArray("\n\nrack:Mail\n\na\tu\tp\tc\n\n\nrack:\n\nb\tu\tp\tc\n\n\nrack:Mail\n\nc\tu\tp\tc\n")
        << QStringList{"Mail|a\tu\tp\tc|c\tu\tp\tc", "Rack 1|b\tu\tp\tc"} << 3 << 0;
}

void TestWorkspaceExchange::fullImportBuildsTheVault()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, racks);
    QFETCH(int, added);
    QFETCH(int, rejected);

    writeVault(_vaultFile, {{"Old", {}}});
    openVault(_vaultFile, Password);
    const QString csvFile = _folder + QStringLiteral("/in.csv");
    const QString newVault = _folder + QStringLiteral("/new.kovrin");
    writeFile(csvFile, csv);

    VaultImport dialog(_base);
    fill(dialog, newVault, csvFile);
    MessageBoxAnswerer answerer;
    QTest::mouseClick(child<QPushButton>(&dialog, "_pImportButton"), Qt::LeftButton);

    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Information);
    QCOMPARE(answerer.last().text, text("ImportResult").arg(added).arg(rejected));
    QCOMPARE(answerer.last().detailedText, text("LookLog"));
    QVERIFY(!dialog.isVisible());
    const auto model = _base->model();
    QCOMPARE(model->fileName(), newVault);
    QCOMPARE(describe(*model), racks);
    QVERIFY(racksMatchTabs(*_base));
    QCOMPARE(_base->currentIndex(), RackModel::FirstRackTab);
    QCOMPARE(child<QLabel>(_base->widget(2), "_lblEntries")->text(),
             QStringLiteral("%1/%1").arg(model->racks()->first()->entryCount()));
    QVERIFY(model->isModified());
    QVERIFY(_window->actSave()->isEnabled());
    QVERIFY(child<QRadioButton>(_base, "_rbnExport")->isChecked());
    // The new vault file is there at once, complete: an empty vault, which
    // opens; the imported racks are written when the user saves.
    QTabWidget tabs;
    QCOMPARE(Model::loadVault(newVault, *Model::keyFromPassword(NewPassword), &tabs, nullptr)->rackCount(), 0);
    QVERIFY(!QFileInfo::exists(newVault + QLatin1Char('~')));
}

// A line that is not an entry stops the import: what came in before stays, in
// a vault marked modified that saves, and the box says how much it is.
void TestWorkspaceExchange::failedFullImportKeepsWhatCameIn()
{
    const QString csvFile = _folder + QStringLiteral("/in.csv");
    const QString newVault = _folder + QStringLiteral("/new.kovrin");
    writeFile(csvFile, "\n\nrack:Mail\n\na\tu\tp\tc\nb\tu\tp\t\n\n\nrack:Bank\n\nc\tu\tp\tc\nnot an entry\nd\tu\tp\t\n");

    VaultImport dialog(_base);
    fill(dialog, newVault, csvFile);
    {
        MessageBoxAnswerer answerer;
        QTest::mouseClick(child<QPushButton>(&dialog, "_pImportButton"), Qt::LeftButton);
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().icon, QMessageBox::Critical);
        QVERIFY2(answerer.last().text.endsWith(text("ImportStoppedEarly").arg(3)), qPrintable(answerer.last().text));
    }
    QVERIFY(dialog.isVisible());
    const auto model = _base->model();
    QCOMPARE(model->fileName(), newVault);
    QCOMPARE(describe(*model), (QStringList{"Mail|a\tu\tp\tc|b\tu\tp\t", "Bank|c\tu\tp\tc"}));
    QVERIFY(racksMatchTabs(*_base));
    QVERIFY(model->isModified());
    QVERIFY(_window->actSave()->isEnabled());
    dialog.close();

    // Quitting asks; saving keeps it all.
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    QVERIFY(_window->close());
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Question);
    QTabWidget tabs;
    QCOMPARE(describe(*Model::loadVault(newVault, *Model::keyFromPassword(NewPassword), &tabs, nullptr)),
             (QStringList{"Mail|a\tu\tp\tc|b\tu\tp\t", "Bank|c\tu\tp\tc"}));
}

// The save question would fail later: the import tells at once.
void TestWorkspaceExchange::oversizedFullImportSaysSoAtOnce()
{
    const QString csvFile = _folder + QStringLiteral("/in.csv");
    writeFile(csvFile, "\n\nrack:Big\n\n" + FixtureFiles::longEntryLines(Model::MaxCipheredSize));
    VaultImport dialog(_base);
    fill(dialog, _folder + QStringLiteral("/new.kovrin"), csvFile);
    MessageBoxAnswerer answerer;
    QTest::mouseClick(child<QPushButton>(&dialog, "_pImportButton"), Qt::LeftButton);
    QCOMPARE(answerer.count(), 2);
    QCOMPARE(answerer.seen().first().icon, QMessageBox::Information);
    QCOMPARE(answerer.last().icon, QMessageBox::Warning);
    const qint64 size = _base->model()->savedSize();
    QVERIFY(size > Model::MaxCipheredSize);
    QCOMPARE(answerer.last().text, text("VaultTooBigAfterImport").arg(size).arg(Model::MaxCipheredSize));
    QCOMPARE(answerer.last().detailedText, text("MoveEntriesToAnotherVault"));
    QVERIFY(_base->model()->isModified());
}

void TestWorkspaceExchange::fullImportWithoutHeaderLeavesAnEmptyVault()
{
    const QString csvFile = _folder + QStringLiteral("/in.csv");
    writeFile(csvFile, "a\tu\tp\tc\n");
    VaultImport dialog(_base);
    fill(dialog, _folder + QStringLiteral("/new.kovrin"), csvFile);
    MessageBoxAnswerer answerer;
    QTest::mouseClick(child<QPushButton>(&dialog, "_pImportButton"), Qt::LeftButton);
    QCOMPARE(answerer.count(), 0);
    QVERIFY(!dialog.isVisible());
    QVERIFY(_base->model());
    QCOMPARE(_base->model()->rackCount(), 0);
    QVERIFY(!_base->model()->isModified());
    QCOMPARE(_base->count(), RackModel::FirstRackTab);
}

void TestWorkspaceExchange::createdVaultOpensAgain_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("rack");
    QTest::newRow("en_US") << "en_US" << "Rack 1";
    QTest::newRow("fr_FR") << "fr_FR" << "Compartiment 1";
}

void TestWorkspaceExchange::createdVaultOpensAgain()
{
    QFETCH(QString, lang);
    QFETCH(QString, rack);
    ModuleTexts::setLanguage(lang);
    const auto restore = qScopeGuard([] { ModuleTexts::setLanguage(QStringLiteral("en_US")); });
    _window = std::make_unique<MainWindow>();
    _base = _window->base();

    const QString newVault = _folder + QStringLiteral("/created.kovrin");
    // Through the main window's action, which runs the dialog modally.
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<VaultImport*>(QApplication::activeModalWidget());
        if (!dialog)
            qFatal("the new vault dialog is not shown");
        if (child<QLineEdit>(dialog, "_pCsvFileInput")->isVisibleTo(dialog))
            qFatal("the CSV field shows in create mode");
        child<QLineEdit>(dialog, "_pPwdInput")->setText(NewPassword);
        child<QLineEdit>(dialog, "_pPwd2Input")->setText(NewPassword);
        child<QLineEdit>(dialog, "_pVaultFileInput")->setText(newVault);
        QTest::mouseClick(child<QPushButton>(dialog, "_pImportButton"), Qt::LeftButton);
    });
    MessageBoxAnswerer answerer;
    auto* action = _window->findChild<QAction*>(QStringLiteral("_actNewVault"));
    QVERIFY(action && action->isEnabled());
    action->trigger();
    QVERIFY(action->isEnabled());

    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().text, text("VaultCreated").arg(newVault));
    QCOMPARE(_base->model()->rackNames(), QStringList{rack});
    QVERIFY(!_base->model()->isModified());
    QCOMPARE(_base->tabText(_base->currentIndex()), rack);
    QVERIFY(racksMatchTabs(*_base));

    QTabWidget tabs;
    const auto loaded = Model::loadVault(newVault, *Model::keyFromPassword(NewPassword), &tabs, nullptr);
    QCOMPARE(describe(*loaded), QStringList{rack});
    QVERIFY(!QFileInfo::exists(newVault + QLatin1Char('~')));
}

// A person's whole task: export the open vault, build a new vault from the
// export, save it, open it again.
void TestWorkspaceExchange::exportThenFullImportGivesTheSameVault()
{
    Racks racks{{"Mail", {}}, {"Bank: main", {}}, {"Empty", {}}, {"Ünïcode ✓", {}}};
    for (int i = 0; i < 30; ++i) {
        racks[i % 2].second.append(QStringLiteral("role %1\tuser%1@example.com\tP@ss-%1\t").arg(i));
        racks[3].second.append(QStringLiteral("rôle %1\t\tmot de passe\tcommentaire « %1 »").arg(i));
    }
    writeVault(_vaultFile, racks);
    openVault(_vaultFile, Password);
    const QStringList original = describe(*_base->model());
    QCOMPARE(original.size(), 4);

    const QString csv = _folder + QStringLiteral("/export.csv");
    child<QLineEdit>(_base, "_tbxPassword")->setText(Password);
    child<QLineEdit>(_base, "_tbxImportFile")->setText(csv);
    {
        MessageBoxAnswerer answerer;
        QTest::mouseClick(child<QPushButton>(_base, "_btnExport"), Qt::LeftButton);
        QCOMPARE(answerer.last().text, text("VaultExported").arg(csv));
    }

    const QString copy = _folder + QStringLiteral("/copy.kovrin");
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<VaultImport*>(QApplication::activeModalWidget());
        if (!dialog)
            qFatal("the import dialog is not shown");
        child<QLineEdit>(dialog, "_pPwdInput")->setText(NewPassword);
        child<QLineEdit>(dialog, "_pPwd2Input")->setText(NewPassword);
        child<QLineEdit>(dialog, "_pVaultFileInput")->setText(copy);
        child<QLineEdit>(dialog, "_pCsvFileInput")->setText(csv);
        QTest::mouseClick(child<QPushButton>(dialog, "_pImportButton"), Qt::LeftButton);
    });
    {
        MessageBoxAnswerer answerer;
        auto* action = _window->actFullImport();
        QVERIFY(action->isEnabled());
        action->trigger();
        QVERIFY(action->isEnabled());
        QCOMPARE(answerer.last().text, text("ImportResult").arg(60).arg(0));
    }
    QCOMPARE(_base->model()->fileName(), copy);
    {
        MessageBoxAnswerer answerer({QMessageBox::Save});
        _window->actSave()->trigger();
        QCOMPARE(answerer.count(), 1);
    }
    QVERIFY(!_base->model()->isModified());

    openVault(copy, NewPassword);
    QVERIFY(_base->model());
    QCOMPARE(_base->model()->fileName(), copy);
    QCOMPARE(describe(*_base->model()), original);
    QVERIFY(racksMatchTabs(*_base));
}

KOVRIN_TEST_MAIN(TestWorkspaceExchange)
#include "tst_workspaceexchange.moc"
