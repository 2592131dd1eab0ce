// The workspace and the main window on real widgets: opening, editing, saving
// and closing vaults, the saving question, the lamp, the theme and the fields'
// accessible names.
#include "Base.h"
#include "ClipboardGuard.h"
#include "ColorScheme.h"
#include "FileDialogs.h"
#include "FilePermissions.h"
#include "FixtureFiles.h"
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
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

using namespace WorkspaceFixture;

namespace {
using FixtureFiles::readAll;

const QString DemoPassword = QStringLiteral("Kovrin-Demo-1");

QString vaultUpdated(const QString& fileName)
{
    return QStringLiteral("The vault {%1] has been modified.").arg(fileName);
}

const QFile::Permissions ReadWrite = QFile::ReadOwner | QFile::WriteOwner;
const QFile::Permissions ReadOnlyFolder = QFile::ReadOwner | QFile::ExeOwner;
const QFile::Permissions OpenFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
} // namespace

class TestBase : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void wholeRoadOnDemoVault();
    void fileChecks_data();
    void fileChecks();
    void vaultWithoutRackClosesSilently();
    void vaultFileBrowser();

    void savingQuestionOnLoad_data();
    void savingQuestionOnLoad();
    void savingQuestionOnClose_data();
    void savingQuestionOnClose();
    void saveAction_data();
    void saveAction();
    void failedSaveKeepsTheChanges_data();
    void failedSaveKeepsTheChanges();
    void fileChangedOnDisk_data();
    void fileChangedOnDisk();
    void oversizedVaultIsNeverWritten();
    void closingTheVaultClearsItsCopy_data();
    void closingTheVaultClearsItsCopy();

    void themeSwitchesBackAndForth();
    void everyFieldIsNamed();
    void exchangeGroupFollowsTheVault();
    void generatorSettings();

private:
    QLineEdit* field(const char* name) const { return lineEdit(*_base, name); }
    // A vault of one rack "A" with two entries, opened in the window.
    QString openSmallVault(const QString& folderName);
    // A real change: a new rack through the main window's action.
    void makeChange();

    std::unique_ptr<MainWindow> _window;
    Base* _base = nullptr;
    QString _lockedFolder;
};

void TestBase::initTestCase()
{
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    QVERIFY(dropPermissionOverride());
    captureDefaultLog();
}

void TestBase::init()
{
    _window = showMainWindow();
    _base = _window->base();
    QVERIFY(_base);
    takeLogLines();
}

void TestBase::cleanup()
{
    if (!_lockedFolder.isEmpty())
        QFile::setPermissions(_lockedFolder, OpenFolder);
    _lockedFolder.clear();
    FileDialogs::setChooser({});
    MessageBoxAnswerer discard({QMessageBox::No});
    _window.reset();
    _base = nullptr;
}

QString TestBase::openSmallVault(const QString& folderName)
{
    const QString fileName = TestEnvironment::freshDir(folderName) + QStringLiteral("/small.kovrin");
    if (!writeVault(fileName, {{QStringLiteral("A"), 2}}))
        return {};
    typeAndLoad(*_base, fileName, Password);
    return _base->model() ? fileName : QString();
}

void TestBase::makeChange()
{
    _window->actNewRack()->trigger();
}

// Open the sample vault, change a password in the table, save with Ctrl+S,
// then open it again with a wrong and with the right password.
void TestBase::wholeRoadOnDemoVault()
{
    const QString fileName = copyDemoVault(TestEnvironment::freshDir(QStringLiteral("road")));
    QVERIFY(!fileName.isEmpty());
    QLabel* lamp = _window->statusLed();

    typeAndLoad(*_base, fileName, DemoPassword);
    QVERIFY(_base->model());
    QCOMPARE(_base->currentIndex(), 2);
    QCOMPARE(_base->tabText(2), QStringLiteral("Personal"));
    QCOMPARE(_base->tabText(3), QStringLiteral("Work"));
    CHECK_RACK_TABS(*_base);
    QVERIFY(field("_tbxVaultFile")->text().isEmpty());
    QVERIFY(field("_tbxPassword")->text().isEmpty());
    QCOMPARE(lamp->accessibleName(), QStringLiteral("Saved"));
    QVERIFY(!_window->actSave()->isEnabled());
    QVERIFY(_window->actNewRack()->isVisible());

    Rack* rack = _base->rackAt(2);
    QTableView* view = rack->tableView();
    QAbstractItemModel* shown = view->model();
    const QModelIndexList found = shown->match(shown->index(0, RackModel::NameColumn), Qt::DisplayRole,
                                               QStringLiteral("Mail"), 1, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    const QModelIndex cell = shown->index(found.first().row(), RackModel::PasswordColumn);
    view->scrollTo(cell);
    view->edit(cell);
    auto* editor = view->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Changed-Pass-7"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(_base->model()->isModified()); // the view commits on its next turn
    QCOMPARE(cell.data().toString(), QStringLiteral("Changed-Pass-7"));
    QCOMPARE(lamp->accessibleName(), QStringLiteral("Unsaved changes"));
    QVERIFY(_window->actSave()->isEnabled());

    const QByteArray before = readAll(fileName);
    {
        MessageBoxAnswerer answerer({QMessageBox::Save});
        QTest::keyClick(_window.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().text, vaultUpdated(fileName));
        QCOMPARE(answerer.last().informativeText, QStringLiteral("Do you want to save it?"));
        QCOMPARE(answerer.last().buttons, QMessageBox::Save | QMessageBox::Discard);
        QCOMPARE(answerer.last().defaultButton, QMessageBox::Save);
    }
    QVERIFY(readAll(fileName) != before);
    QCOMPARE(readAll(fileName + QLatin1Char('~')), before);
    QVERIFY(!_base->model()->isModified());
    QCOMPARE(lamp->accessibleName(), QStringLiteral("Saved"));
    QVERIFY(!_window->actSave()->isEnabled());

    {
        MessageBoxAnswerer answerer;
        typeAndLoad(*_base, fileName, QStringLiteral("Wrong-Pass-1"));
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().icon, QMessageBox::Critical);
        QCOMPARE(answerer.last().text, QStringLiteral("Error encountered"));
        QVERIFY(!answerer.last().detailedText.isEmpty());
    }
    QVERIFY(!_base->model());
    CHECK_RACK_TABS(*_base);
    QVERIFY(field("_tbxVaultFile")->text().isEmpty());
    QVERIFY(field("_tbxPassword")->text().isEmpty());

    typeAndLoad(*_base, fileName, DemoPassword);
    QVERIFY(_base->model());
    const RackModel* personal = _base->model()->rackModel(QStringLiteral("Personal"));
    QVERIFY(personal);
    bool changed = false;
    for (const VaultEntry* entry : personal->entries())
        if (entry->name() == QStringLiteral("Mail"))
            changed = entry->password() == QStringLiteral("Changed-Pass-7");
    QVERIFY(changed);
}

void TestBase::fileChecks_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("read-only") << QStringLiteral("read-only");
    QTest::newRow("unreadable") << QStringLiteral("unreadable");
}

// A refused file closes the vault open before, shows the box and puts the file
// name back for correction.
void TestBase::fileChecks()
{
    QFETCH(QString, kind);
    QVERIFY(!openSmallVault(QStringLiteral("checks-open")).isEmpty());

    const QString folder = TestEnvironment::freshDir(QStringLiteral("checks"));
    QString fileName = folder + QStringLiteral("/vault.kovrin");
    if (kind == QLatin1String("folder")) {
        fileName = folder;
    } else if (kind != QLatin1String("missing")) {
        QVERIFY(writeVault(fileName, {{QStringLiteral("R"), 1}}));
        QVERIFY(QFile::setPermissions(fileName, kind == QLatin1String("read-only") ? QFile::ReadOwner
                                                                                   : QFile::WriteOwner));
    }

    MessageBoxAnswerer answerer;
    typeAndLoad(*_base, fileName, Password);
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().icon, QMessageBox::Warning);
    QCOMPARE(answerer.last().text, QStringLiteral("File [%1] isn't readable").arg(fileName));
    QCOMPARE(answerer.last().detailedText,
             QStringLiteral("The \"vault\" file does not exist, cannot be read, or cannot be modified."));
    QCOMPARE(field("_tbxVaultFile")->text(), fileName);
    QCOMPARE(_window->focusWidget(), field("_tbxVaultFile"));
    QVERIFY(field("_tbxPassword")->text().isEmpty());
    QVERIFY(!_base->model());
    CHECK_RACK_TABS(*_base);
    QFile::setPermissions(fileName, ReadWrite);
}

void TestBase::vaultWithoutRackClosesSilently()
{
    const QString fileName = TestEnvironment::freshDir(QStringLiteral("norack")) + QStringLiteral("/empty.kovrin");
    QVERIFY(writeVault(fileName, {}));
    MessageBoxAnswerer answerer;
    typeAndLoad(*_base, fileName, Password);
    QCOMPARE(answerer.count(), 0);
    QVERIFY(!_base->model());
    CHECK_RACK_TABS(*_base);
}

void TestBase::vaultFileBrowser()
{
    QStringList starts;
    QString planned = QStringLiteral("/somewhere/chosen.kovrin");
    FileDialogs::setChooser([&](FileDialogs::Mode mode, QWidget* parent, const QString& caption, const QString& dir,
                                const QString& filter) {
        if (mode != FileDialogs::Mode::Open || parent != _base || caption != QStringLiteral("Vault file")
            || filter != QStringLiteral("Encrypted files (*.cph *.kovrin);;All files (*.*)"))
            return QStringLiteral("unexpected dialog");
        starts.append(dir);
        return planned;
    });
    auto* browse = _base->findChild<QPushButton*>(QStringLiteral("_btnVaultFileBrowser"));
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(field("_tbxVaultFile")->text(), planned);
    QCOMPARE(_base->vaultFile(), planned);

    planned.clear(); // cancelled
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(starts, QStringList({QDir::homePath(), QStringLiteral("/somewhere/chosen.kovrin")}));
    QVERIFY(field("_tbxVaultFile")->text().isEmpty());
    QVERIFY(_base->vaultFile().isEmpty());
}

void TestBase::savingQuestionOnLoad_data()
{
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("saved");
    QTest::newRow("yes saves, no second question") << QList<QMessageBox::StandardButton>{QMessageBox::Yes} << 1 << true;
    QTest::newRow("no, then no again on closing")
        << QList<QMessageBox::StandardButton>{QMessageBox::No, QMessageBox::No} << 2 << false;
}

// Loading another vault over a modified one: the new vault is loaded in every case.
void TestBase::savingQuestionOnLoad()
{
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(int, questions);
    QFETCH(bool, saved);
    const QString first = openSmallVault(QStringLiteral("load-first"));
    QVERIFY(!first.isEmpty());
    makeChange();
    const QString second = TestEnvironment::freshDir(QStringLiteral("load-second")) + QStringLiteral("/b.kovrin");
    QVERIFY(writeVault(second, {{QStringLiteral("B"), 1}}));

    MessageBoxAnswerer answerer(answers);
    typeAndLoad(*_base, second, Password);
    QCOMPARE(answerer.count(), questions);
    for (const MessageBoxAnswerer::Seen& seen : answerer.seen()) {
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.text, vaultUpdated(first));
        QCOMPARE(seen.informativeText, QStringLiteral("Do you want to save it?"));
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(seen.defaultButton, QMessageBox::Yes);
    }
    QCOMPARE(rackNamesOf(first).contains(QStringLiteral("Rack 1")), saved);
    QCOMPARE(_base->model()->fileName(), second);
    CHECK_RACK_TABS(*_base);
}

void TestBase::savingQuestionOnClose_data()
{
    QTest::addColumn<bool>("quit");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("close, yes") << false << QMessageBox::Yes;
    QTest::newRow("close, no") << false << QMessageBox::No;
    QTest::newRow("Alt+Q, yes") << true << QMessageBox::Yes;
    QTest::newRow("Alt+Q, no") << true << QMessageBox::No;
}

// One question, one outcome: once the user answered at the close, the
// workspace going with the window asks nothing more (a second question would
// be answered Yes here, and would save).
void TestBase::savingQuestionOnClose()
{
    QFETCH(bool, quit);
    QFETCH(QMessageBox::StandardButton, answer);
    const QString fileName = openSmallVault(QStringLiteral("close"));
    QVERIFY(!fileName.isEmpty());
    makeChange();

    MessageBoxAnswerer answerer({answer, QMessageBox::Yes});
    if (quit)
        QTest::keyClick(_window.get(), Qt::Key_Q, Qt::AltModifier);
    else
        QVERIFY(_window->close());
    QVERIFY(!_window->isVisible());
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().text, vaultUpdated(fileName));
    QCOMPARE(answerer.last().buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(rackNamesOf(fileName).contains(QStringLiteral("Rack 1")), answer == QMessageBox::Yes);
    _window.reset();
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(rackNamesOf(fileName).contains(QStringLiteral("Rack 1")), answer == QMessageBox::Yes);
}

void TestBase::saveAction_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<bool>("saved");
    QTest::newRow("save") << QMessageBox::Save << true;
    QTest::newRow("discard") << QMessageBox::Discard << false;
}

void TestBase::saveAction()
{
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(bool, saved);
    const QString fileName = openSmallVault(QStringLiteral("save"));
    QVERIFY(!fileName.isEmpty());
    makeChange();
    takeLogLines();

    MessageBoxAnswerer answerer({answer});
    _window->actSave()->trigger();
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(rackNamesOf(fileName).contains(QStringLiteral("Rack 1")), saved);
    QCOMPARE(_base->model()->isModified(), !saved);
    QCOMPARE(_window->actSave()->isEnabled(), !saved);
    const bool logged = takeLogLines().filter(QStringLiteral("Saving vault changes abandoned.")).size() == 1;
    QCOMPARE(logged, !saved);
}

void TestBase::failedSaveKeepsTheChanges_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("closing the window") << QStringLiteral("close");
    QTest::newRow("Alt+Q") << QStringLiteral("quit");
    QTest::newRow("loading another vault") << QStringLiteral("load");
}

// A save that fails (here: the vault's folder turned read-only) shows the error
// and keeps the window and the modified vault, so that nothing is lost.
void TestBase::failedSaveKeepsTheChanges()
{
    QFETCH(QString, way);
    const QString fileName = openSmallVault(QStringLiteral("locked"));
    QVERIFY(!fileName.isEmpty());
    makeChange();
    const QString other = TestEnvironment::freshDir(QStringLiteral("other")) + QStringLiteral("/other.kovrin");
    QVERIFY(writeVault(other, {{QStringLiteral("O"), 1}}));
    _lockedFolder = QFileInfo(fileName).absolutePath();
    QVERIFY(QFile::setPermissions(_lockedFolder, ReadOnlyFolder));

    {
        MessageBoxAnswerer answerer({QMessageBox::Yes, QMessageBox::Ok});
        if (way == QLatin1String("close"))
            QVERIFY(!_window->close());
        else if (way == QLatin1String("quit"))
            QTest::keyClick(_window.get(), Qt::Key_Q, Qt::AltModifier);
        else
            typeAndLoad(*_base, other, Password);
        QCOMPARE(answerer.count(), 2);
        QCOMPARE(answerer.seen().at(0).icon, QMessageBox::Question);
        QCOMPARE(answerer.seen().at(1).icon, QMessageBox::Critical);
        QVERIFY(answerer.seen().at(1).text.startsWith(QStringLiteral("Error encountered - ")));
    }
    QVERIFY(_window->isVisible());
    QVERIFY(_base->model());
    QCOMPARE(_base->model()->fileName(), fileName);
    QVERIFY(_base->model()->isModified());
    QCOMPARE(_window->statusLed()->accessibleName(), QStringLiteral("Unsaved changes"));
    CHECK_RACK_TABS(*_base);
    if (way == QLatin1String("load"))
        QCOMPARE(field("_tbxVaultFile")->text(), other);

    // Once the folder is writable again, the same step saves.
    QVERIFY(QFile::setPermissions(_lockedFolder, OpenFolder));
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    QVERIFY(_window->close());
    QCOMPARE(answerer.count(), 1);
    QVERIFY(rackNamesOf(fileName).contains(QStringLiteral("Rack 1")));
}

namespace {
// Another program writing the vault file while it is open here: it loads the
// file, adds a rack and saves it with the vault's own writer.
bool writeAsAnotherProgram(const QString& fileName, const QString& rackName)
{
    QTabWidget tabs;
    try {
        const auto model = Model::loadVault(fileName, *Model::keyFromPassword(Password), &tabs, nullptr);
        if (!model->addRackModel(new RackModel(model, rackName)))
            return false;
        model->saveVault(true);
        return true;
    } catch (...) {
        return false;
    }
}

const QStringList ChangedHere{QStringLiteral("A"), QStringLiteral("Rack 1")};
const QStringList ChangedThere{QStringLiteral("A"), QStringLiteral("Elsewhere")};
} // namespace

void TestBase::fileChangedOnDisk_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    for (const char* way : {"save", "close", "load"}) {
        QTest::addRow("%s, overwrite", way) << QString::fromLatin1(way) << QMessageBox::Yes;
        QTest::addRow("%s, keep in memory", way) << QString::fromLatin1(way) << QMessageBox::Cancel;
    }
}

// Every save the user asks for checks the file first: changed by another
// program, it is overwritten only on Yes; Cancel writes nothing and keeps the
// vault open and modified.
void TestBase::fileChangedOnDisk()
{
    QFETCH(QString, way);
    QFETCH(QMessageBox::StandardButton, answer);
    const QString fileName = openSmallVault(QStringLiteral("changed"));
    QVERIFY(!fileName.isEmpty());
    makeChange();
    QVERIFY(writeAsAnotherProgram(fileName, QStringLiteral("Elsewhere")));
    const QString other = TestEnvironment::freshDir(QStringLiteral("changed-other")) + QStringLiteral("/o.kovrin");
    QVERIFY(writeVault(other, {{QStringLiteral("O"), 1}}));

    {
        MessageBoxAnswerer answerer({way == QLatin1String("save") ? QMessageBox::Save : QMessageBox::Yes, answer});
        if (way == QLatin1String("save"))
            _window->actSave()->trigger();
        else if (way == QLatin1String("close"))
            QCOMPARE(_window->close(), answer == QMessageBox::Yes);
        else
            typeAndLoad(*_base, other, Password);
        QCOMPARE(answerer.count(), 2);
        const MessageBoxAnswerer::Seen& question = answerer.last();
        QCOMPARE(question.icon, QMessageBox::Question);
        QCOMPARE(question.text, QStringLiteral("The vault file [%1] was changed by another program since the vault "
                                               "was opened or last saved. Overwrite it with the vault shown here?")
                                    .arg(fileName));
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::Cancel);
        QCOMPARE(question.defaultButton, QMessageBox::Cancel);
    }
    if (answer == QMessageBox::Yes) {
        QCOMPARE(rackNamesOf(fileName), ChangedHere);
        QCOMPARE(rackNamesOf(fileName + QLatin1Char('~')), ChangedThere); // as the question says
        QCOMPARE(_window->isVisible(), way != QLatin1String("close"));
        if (way == QLatin1String("load"))
            QCOMPARE(_base->model()->fileName(), other);
        return;
    }
    QCOMPARE(rackNamesOf(fileName), ChangedThere);
    QVERIFY(_window->isVisible());
    QCOMPARE(_base->model()->fileName(), fileName);
    QVERIFY(_base->model()->isModified());
    QVERIFY(_window->actSave()->isEnabled());
    CHECK_RACK_TABS(*_base);
}

// A vault grown past what a vault file can hold: the import says so at once;
// a save is refused before anything on disk moves, and the window stays.
void TestBase::oversizedVaultIsNeverWritten()
{
    const QString fileName = openSmallVault(QStringLiteral("oversized"));
    QVERIFY(!fileName.isEmpty());
    const QByteArray vaultBefore = readAll(fileName);
    const QString csv = TestEnvironment::freshDir(QStringLiteral("oversized-csv")) + QStringLiteral("/big.csv");
    FixtureFiles::writeFile(csv, FixtureFiles::longEntryLines(Model::MaxCipheredSize));
    field("_tbxImportFile")->setText(csv);
    {
        MessageBoxAnswerer answerer;
        _base->importRack(QStringLiteral("A"));
        QCOMPARE(answerer.count(), 2);
        QCOMPARE(answerer.last().icon, QMessageBox::Warning);
        QVERIFY2(answerer.last().text.contains(QString::number(Model::MaxCipheredSize)), qPrintable(answerer.last().text));
        QVERIFY(answerer.last().text.contains(QString::number(_base->model()->savedSize())));
    }
    QVERIFY(_base->model()->savedSize() > Model::MaxCipheredSize);
    const QStringList trashBefore = QDir(TestEnvironment::trash() + QStringLiteral("/files")).entryList(QDir::Files);

    for (const char* way : {"save", "close"}) {
        MessageBoxAnswerer answerer({QMessageBox::Save, QMessageBox::Yes, QMessageBox::Ok});
        if (way == QByteArrayView("save"))
            _window->actSave()->trigger();
        else
            QVERIFY(!_window->close());
        QCOMPARE(answerer.count(), 2);
        QCOMPARE(answerer.last().icon, QMessageBox::Critical);
        QVERIFY2(answerer.last().text.contains(QString::number(Model::MaxCipheredSize)), qPrintable(answerer.last().text));
        QVERIFY(_window->isVisible());
        QVERIFY(_base->model()->isModified());
        QVERIFY(_window->actSave()->isEnabled());
        QCOMPARE(readAll(fileName), vaultBefore);
        QVERIFY(!QFileInfo::exists(fileName + QLatin1Char('~')));
        QCOMPARE(QDir(TestEnvironment::trash() + QStringLiteral("/files")).entryList(QDir::Files), trashBefore);
    }
}

// Alt+T switches, twice returns to the start; the action always names the
// scheme the next press selects, and the palette visibly follows.
// How the vault leaves the workspace.
enum class Road { CloseVault, OpenAnother, CloseWindow };
Q_DECLARE_METATYPE(Road)

void TestBase::closingTheVaultClearsItsCopy_data()
{
    QTest::addColumn<Road>("road");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("closed: removed") << Road::CloseVault << false;
    QTest::newRow("closed, copied elsewhere since: kept") << Road::CloseVault << true;
    QTest::newRow("another vault opened: removed") << Road::OpenAnother << false;
    QTest::newRow("window closed: removed") << Road::CloseWindow << false;
    QTest::newRow("window closed, copied elsewhere since: kept") << Road::CloseWindow << true;
}

// Without a timeout a copied field would stay on the clipboard for good; the
// vault it came from takes it along when it goes, whichever way.
void TestBase::closingTheVaultClearsItsCopy()
{
    QFETCH(Road, road);
    QFETCH(bool, replaced);
    QClipboard* clipboard = QGuiApplication::clipboard();
    ClipboardGuard guard(0);
    const QString fileName = openSmallVault(QStringLiteral("clipboard"));
    QVERIFY(!fileName.isEmpty());
    ClipboardGuard::copy(QStringLiteral("C0pied-Pass"));
    QCOMPARE(clipboard->text(), QStringLiteral("C0pied-Pass"));
    if (replaced)
        clipboard->setText(QStringLiteral("typed elsewhere"));
    switch (road) {
    case Road::CloseVault: QVERIFY(_base->closeVault()); break;
    case Road::OpenAnother: typeAndLoad(*_base, fileName, Password); break;
    case Road::CloseWindow: QVERIFY(_window->close()); break;
    }
    QCOMPARE(clipboard->text(), replaced ? QStringLiteral("typed elsewhere") : QString());
    QCOMPARE(_base->model() != nullptr, road == Road::OpenAnother);
}

void TestBase::themeSwitchesBackAndForth()
{
    auto* theme = _window->findChild<QAction*>(QStringLiteral("_actTheme"));
    QVERIFY(theme);
    const bool start = ColorScheme::isDark();
    const auto expectedText = [](bool dark) { return dark ? QStringLiteral("Clear theme") : QStringLiteral("Dark theme"); };
    const auto lightness = [] { return QApplication::palette().color(QPalette::Window).lightness(); };
    QCOMPARE(theme->text(), expectedText(start));

    QTest::keyClick(_window.get(), Qt::Key_T, Qt::AltModifier);
    QCOMPARE(ColorScheme::isDark(), !start);
    QCOMPARE(theme->text(), expectedText(!start));
    QCOMPARE(lightness() < 128, !start);

    QTest::keyClick(_window.get(), Qt::Key_T, Qt::AltModifier);
    QCOMPARE(ColorScheme::isDark(), start);
    QCOMPARE(theme->text(), expectedText(start));
    QCOMPARE(lightness() < 128, start);
}

// Screen readers announce every field by its label.
void TestBase::everyFieldIsNamed()
{
    for (const char* page : {"_tabFiles", "_tabPasswords"}) {
        auto* widget = _base->findChild<QWidget*>(QLatin1String(page));
        QVERIFY(widget);
        for (QLabel* label : widget->findChildren<QLabel*>())
            if (label->objectName().startsWith(QStringLiteral("_lbl")))
                QVERIFY2(label->buddy(), qPrintable(label->objectName()));
        QList<QWidget*> fields;
        for (QWidget* child : widget->findChildren<QWidget*>())
            if (qobject_cast<QLineEdit*>(child) || qobject_cast<QSpinBox*>(child) || qobject_cast<QComboBox*>(child))
                if (child->objectName().startsWith(QLatin1Char('_')))
                    fields.append(child);
        QVERIFY(fields.size() >= 3);
        for (QWidget* child : fields) {
            QVERIFY2(!child->accessibleName().isEmpty(), qPrintable(child->objectName()));
            QVERIFY2(!child->accessibleName().startsWith(QLatin1Char('[')), qPrintable(child->objectName()));
        }
    }
    QCOMPARE(field("_tbxPassword")->accessibleName(), QStringLiteral("Password"));
    QCOMPARE(_window->statusLed()->accessibleName(), QStringLiteral("Saved"));
}

void TestBase::exchangeGroupFollowsTheVault()
{
    auto* group = _base->findChild<QGroupBox*>(QStringLiteral("_gbxExchange"));
    QVERIFY(group->isHidden());
    QVERIFY(!openSmallVault(QStringLiteral("exchange")).isEmpty());
    QVERIFY(!group->isHidden());
    QVERIFY(_base->findChild<QRadioButton*>(QStringLiteral("_rbnExport"))->isChecked());
    QVERIFY(_base->findChild<QComboBox*>(QStringLiteral("_cbxTabName"))->isHidden());
    _base->closeVault();
    QVERIFY(group->isHidden());
    QVERIFY(!_window->actNewRack()->isVisible());
}

// The password page's limits keep each other consistent, and the rack views
// read the page through the workspace's settings.
void TestBase::generatorSettings()
{
    auto* chars = _base->findChild<QSpinBox*>(QStringLiteral("_sbxChars"));
    auto* symbols = _base->findChild<QSpinBox*>(QStringLiteral("_sbxSymbols"));
    auto* count = _base->findChild<QSpinBox*>(QStringLiteral("_sbxPasswords"));
    auto* symbolBox = _base->findChild<QCheckBox*>(QStringLiteral("_chkSymbol"));
    QCOMPARE(chars->value(), 11);
    QCOMPARE(symbols->maximum(), 11);
    QCOMPARE(symbols->value(), 3);

    chars->setValue(2); // below the symbol quota: the quota follows
    QCOMPARE(symbols->maximum(), 2);
    QCOMPARE(symbols->value(), 2);
    chars->setValue(40); // raising moves the limit only
    QCOMPARE(symbols->maximum(), 40);
    QCOMPARE(symbols->value(), 2);

    _base->selectTab(1);
    QVERIFY(symbols->isVisible());
    QTest::keyClick(symbolBox, Qt::Key_Space);
    QVERIFY(!symbols->isVisible());
    QTest::keyClick(symbolBox, Qt::Key_Space);
    QVERIFY(symbols->isVisible());

    const GeneratorSettings* settings = dynamic_cast<const GeneratorSettings*>(static_cast<QWidget*>(_base));
    QVERIFY(settings);
    count->setValue(7);
    QTest::keyClick(_base->findChild<QCheckBox*>(QStringLiteral("_chkUppserCase")), Qt::Key_Space);
    QCOMPARE(settings->charsCount(), 40);
    QCOMPARE(settings->passwordsCount(), 7);
    QVERIFY(settings->isLowerCaseChecked());
    QVERIFY(!settings->isUpperCaseChecked());
    QVERIFY(settings->isNumberChecked());
    QVERIFY(settings->isSymbolChecked());
}

KOVRIN_TEST_MAIN(TestBase)
#include "tst_base.moc"
