// The lock on real widgets: locking takes the racks away (title, lamp and
// Vault page say so), unlocking with the vault's password brings the same
// racks back in the same order with their filters, sort, current tab and
// unsaved changes; a wrong password changes nothing; a box or dialog open when
// the lock comes is closed as if cancelled, nothing half-applied; quitting
// while locked offers the save and asks for the password.
#include "Base.h"
#include "IdleWatcher.h"
#include "LockListener.h"
#include "ScreenLockWatcher.h"
#include "Settings.h"
#include "ClipboardGuard.h"
#include "LockGate.h"
#include "MainWindow.h"
#include "MessageBoxAnswerer.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "Rack.h"
#include "RackModel.h"
#include "Startup.h"
#include "TestMain.h"
#include "VaultImport.h"
#include "VaultLock.h"
#include "WorkspaceFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace WorkspaceFixture;

class TestLock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lockedShowsNothingOfTheVault();
    void unlockPutsEverythingBack();
    void wrongPasswordChangesNothing();
    void lockWithoutVaultDoesNothing();
    void undoHistoryDroppedIsSaid();
    void openBoxIsCancelled_data();
    void openBoxIsCancelled();
    void closingQuestionKeepsTheVault();
    void fullImportDialogIsClosed();
    void renameEditorIsDropped();
    void triggersLock_data();
    void triggersLock();
    void triggersFollowSettings();
    void quitWhileLocked_data();
    void quitWhileLocked();

private:
    bool open();
    bool lockNow();
    // Locks from within the nested loop of the next modal window T, as a
    // screen lock would while it is on screen.
    template <typename T>
    void lockWhenShown();
    Rack* rack(int tab) const { return _window->base()->rackAt(tab); }
    QStringList tabNames() const;
    void unlockWith(const QString& password);

    std::unique_ptr<MainWindow> _window;
    QString _file;
};

namespace {
const QList<RackContent> Racks{{QStringLiteral("Alpha"), 3}, {QStringLiteral("Beta"), 12}, {QStringLiteral("Gamma"), 2}};

QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

// Answers the locked vault's password dialog when it comes.
class PasswordAnswerer : public QObject
{
public:
    explicit PasswordAnswerer(QString password) : _password(std::move(password))
    {
        connect(&_timer, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++_asked;
            accessibleName = dialog->findChild<QLineEdit*>()->accessibleName();
            echo = dialog->textEchoMode();
            if (_password.isNull()) {
                dialog->reject();
                return;
            }
            QTest::keyClicks(dialog->findChild<QLineEdit*>(), _password);
            dialog->accept();
        });
        _timer.start(10);
    }
    int asked() const { return _asked; }
    QString accessibleName;
    QLineEdit::EchoMode echo = QLineEdit::Normal;

private:
    QString _password;
    QTimer _timer;
    int _asked = 0;
};
} // namespace

void TestLock::initTestCase()
{
    Startup::setupLanguage(QStringLiteral("en_US"));
    captureDefaultLog();
}

void TestLock::init()
{
    _file = TestEnvironment::freshDir(QStringLiteral("lock")) + QStringLiteral("/vault.kovrin");
    QVERIFY(writeVault(_file, Racks));
}

void TestLock::cleanup()
{
    if (_window) {
        MessageBoxAnswerer discard({QMessageBox::No});
        PasswordAnswerer cancel{QString()};
        _window->base()->vaultLock()->releaseForClosing();
        _window->base()->releaseVault();
    }
    _window.reset();
    QTRY_VERIFY(!LockGate::isClosing());
}

bool TestLock::open()
{
    _window = showMainWindow();
    typeAndLoad(*_window->base(), _file, Password);
    return _window->base()->model() && _window->base()->count() == 2 + int(Racks.size());
}

bool TestLock::lockNow()
{
    _window->actLock()->trigger();
    return QTest::qWaitFor([this] { return _window->base()->vaultLock()->isLocked(); });
}

template <typename T>
void TestLock::lockWhenShown()
{
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        if (!qobject_cast<T*>(QApplication::activeModalWidget()))
            return;
        poll->deleteLater();
        poll->stop();
        _window->actLock()->trigger();
    });
    poll->start(10);
}

QStringList TestLock::tabNames() const
{
    QStringList names;
    for (int i = 2; i < _window->base()->count(); ++i)
        names << _window->base()->tabText(i);
    return names;
}

void TestLock::unlockWith(const QString& password)
{
    Base* base = _window->base();
    QLineEdit* field = lineEdit(*base, "_tbxPassword");
    QTest::keyClicks(field, password);
    QTest::keyClick(field, Qt::Key_Return);
}

void TestLock::lockedShowsNothingOfTheVault()
{
    QVERIFY(open());
    Base* base = _window->base();
    const QString title = _window->windowTitle();
    QVERIFY(_window->actLock()->isEnabled());
    QCOMPARE(_window->actLock()->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    // A field of ours on the clipboard leaves it.
    ClipboardGuard guard(0);
    base->setCurrentIndex(3);
    QVERIFY(QTest::qWaitForWindowExposed(rack(3)->tableView()));
    rack(3)->onCopying();
    const QString copied = QGuiApplication::clipboard()->text();
    QVERIFY(!copied.isEmpty());

    QVERIFY(lockNow());
    QCOMPARE(base->count(), 2);
    QVERIFY(!base->model());
    QCOMPARE(base->currentIndex(), 0);
    QVERIFY(_window->windowTitle() != title);
    QVERIFY(_window->windowTitle().contains(QStringLiteral("vault.kovrin")));
    QVERIFY(_window->windowTitle().contains(QStringLiteral("locked")));
    QCOMPARE(_window->statusLed()->accessibleName(), text("VaultStatusLocked"));
    QLineEdit* file = lineEdit(*base, "_tbxVaultFile");
    QCOMPARE(file->text(), _file);
    QVERIFY(file->isReadOnly());
    QVERIFY(lineEdit(*base, "_tbxPassword")->text().isEmpty());
    QCOMPARE(child<QPushButton>(base, "_btnVaultOpening")->text(), ModuleTexts::text(QStringLiteral("Unlock"), QStringLiteral("Base")));
    QVERIFY(QGuiApplication::clipboard()->text() != copied);
    for (QAction* action : {_window->actLock(), _window->actSave(), _window->actDelRack(), _window->actFullImport()})
        QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    QVERIFY(!_window->actNewRack()->isVisible());

    // Unlocked: everything as it was.
    unlockWith(Password);
    QVERIFY(!base->vaultLock()->isLocked());
    QCOMPARE(_window->windowTitle(), title);
    QCOMPARE(_window->statusLed()->accessibleName(), text("VaultStatusSaved"));
    QVERIFY(!file->isReadOnly());
    QVERIFY(_window->actLock()->isEnabled());
    QVERIFY(_window->actNewRack()->isVisible());
}

void TestLock::unlockPutsEverythingBack()
{
    QVERIFY(open());
    Base* base = _window->base();
    // Gamma dragged in front, Beta current, filtered and sorted by account
    // descending, one entry edited.
    base->tabBar()->moveTab(4, 2);
    QCOMPARE(tabNames(), (QStringList{"Gamma", "Alpha", "Beta"}));
    Rack* beta = rack(4);
    base->setCurrentIndex(4);
    auto* search = child<QLineEdit>(beta, "_tbxSearch");
    QTest::keyClicks(search, QStringLiteral("role 1"));
    QTest::keyClick(search, Qt::Key_Return);
    QTRY_VERIFY(!beta->isFiltering());
    QTableView* table = beta->tableView();
    const int shown = table->model()->rowCount();
    QVERIFY(shown > 0 && shown < 12);
    table->sortByColumn(RackModel::UserColumn, Qt::DescendingOrder);
    QVERIFY(beta->rackModel()->setData(beta->rackModel()->index(0, RackModel::CommentColumn), QStringLiteral("edited")));
    QVERIFY(base->model()->isModified());
    // A search typed but not applied comes back as typed.
    search->setText(QStringLiteral("half typed"));
    const QString counter = child<QLabel>(beta, "_lblEntries")->text();

    QVERIFY(lockNow());
    unlockWith(Password);
    QVERIFY(!base->vaultLock()->isLocked());
    CHECK_RACK_TABS(*base);
    QCOMPARE(tabNames(), (QStringList{"Gamma", "Alpha", "Beta"}));
    QCOMPARE(base->currentIndex(), 4);
    beta = rack(4);
    QTRY_VERIFY(!beta->isFiltering());
    table = beta->tableView();
    QCOMPARE(table->model()->rowCount(), shown);
    QCOMPARE(table->horizontalHeader()->sortIndicatorSection(), int(RackModel::UserColumn));
    QCOMPARE(table->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(child<QLineEdit>(beta, "_tbxSearch")->text(), QStringLiteral("half typed"));
    QCOMPARE(child<QLabel>(beta, "_lblEntries")->text(), counter);
    QCOMPARE(beta->rackModel()->index(0, RackModel::CommentColumn).data().toString(), QStringLiteral("edited"));
    QVERIFY(base->model()->isModified());
    QVERIFY(_window->actSave()->isEnabled());
    QCOMPARE(_window->statusLed()->accessibleName(), text("VaultStatusUnsaved"));
    // The other racks as they were.
    QCOMPARE(rack(2)->rackModel()->entryCount(), 2);
    QCOMPARE(rack(3)->rackModel()->entryCount(), 3);

    // Saved after unlock: the file has the change, the order and no lock left in it.
    MessageBoxAnswerer save({QMessageBox::Save});
    _window->actSave()->trigger();
    QVERIFY(!base->model()->isModified());
    QCOMPARE(rackNamesOf(_file), (QStringList{"Gamma", "Alpha", "Beta"}));
}

void TestLock::wrongPasswordChangesNothing()
{
    QVERIFY(open());
    Base* base = _window->base();
    QVERIFY(rack(2)->rackModel()->setData(rack(2)->rackModel()->index(1, RackModel::CommentColumn), QStringLiteral("x")));
    QVERIFY(lockNow());
    {
        MessageBoxAnswerer answerer;
        unlockWith(QStringLiteral("Not-The-Password-1"));
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.last().text, text("WrongPassword"));
    }
    QVERIFY(base->vaultLock()->isLocked());
    QCOMPARE(base->count(), 2);
    QVERIFY(!base->model());
    QCOMPARE(lineEdit(*base, "_tbxVaultFile")->text(), _file);
    QVERIFY(lineEdit(*base, "_tbxPassword")->text().isEmpty());
    // The right one still opens it, changes included.
    unlockWith(Password);
    QVERIFY(!base->vaultLock()->isLocked());
    QCOMPARE(rack(2)->rackModel()->index(1, RackModel::CommentColumn).data().toString(), QStringLiteral("x"));
    QVERIFY(base->model()->isModified());
}

void TestLock::lockWithoutVaultDoesNothing()
{
    _window = showMainWindow();
    QVERIFY(!_window->actLock()->isEnabled());
    _window->onLocking();
    QCoreApplication::processEvents();
    QVERIFY(!_window->base()->vaultLock()->isLocked());
    QCOMPARE(child<QPushButton>(_window->base(), "_btnVaultOpening")->text(),
             ModuleTexts::text(QStringLiteral("_btnVaultOpening.text"), QStringLiteral("Base")));
}

void TestLock::undoHistoryDroppedIsSaid()
{
    QVERIFY(open());
    Rack* beta = rack(3);
    _window->base()->setCurrentIndex(3);
    beta->tableView()->selectRow(0);
    {
        MessageBoxAnswerer yes({QMessageBox::Yes});
        beta->onEntriesDeleting();
    }
    QVERIFY(beta->canUndoDeletion());
    QVERIFY(lockNow());
    MessageBoxAnswerer answerer;
    unlockWith(Password);
    QCOMPARE(answerer.count(), 1);
    QCOMPARE(answerer.last().text, text("UndoLostByLock"));
    QCOMPARE(rack(3)->rackModel()->entryCount(), 11);
    QVERIFY(!rack(3)->canUndoDeletion());
}

void TestLock::openBoxIsCancelled_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("rack deletion") << "rack";
    QTest::newRow("entry deletion") << "entry";
    QTest::newRow("save question") << "save";
}

// The question is on screen when the lock comes: it goes as if nobody had
// answered, the operation does not happen, the vault locks and comes back whole.
void TestLock::openBoxIsCancelled()
{
    QFETCH(QString, operation);
    QVERIFY(open());
    Base* base = _window->base();
    base->setCurrentIndex(3);
    QVERIFY(rack(3)->rackModel()->setData(rack(3)->rackModel()->index(0, RackModel::CommentColumn), QStringLiteral("y")));
    rack(3)->tableView()->selectRow(0);
    lockWhenShown<QMessageBox>();
    if (operation == QLatin1String("rack"))
        base->onRackDeleting();
    else if (operation == QLatin1String("entry"))
        rack(3)->onEntriesDeleting();
    else
        _window->onSaving();
    QTRY_VERIFY(base->vaultLock()->isLocked());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(base->count(), 2);

    unlockWith(Password);
    QVERIFY(!base->vaultLock()->isLocked());
    QCOMPARE(tabNames(), (QStringList{"Alpha", "Beta", "Gamma"}));
    QCOMPARE(rack(3)->rackModel()->entryCount(), 12);
    QVERIFY(base->model()->isModified());
    QCOMPARE(QFileInfo(_file + QLatin1Char('~')).exists(), false); // nothing saved
}

void TestLock::closingQuestionKeepsTheVault()
{
    QVERIFY(open());
    Base* base = _window->base();
    QVERIFY(rack(2)->rackModel()->setData(rack(2)->rackModel()->index(0, RackModel::CommentColumn), QStringLiteral("z")));
    lockWhenShown<QMessageBox>();
    QVERIFY(!_window->close());
    QTRY_VERIFY(base->vaultLock()->isLocked());
    QVERIFY(!QApplication::activeModalWidget());
    // The window stays, the changes with it.
    QVERIFY(_window->isVisible());
    unlockWith(Password);
    QCOMPARE(rack(2)->rackModel()->index(0, RackModel::CommentColumn).data().toString(), QStringLiteral("z"));
    QVERIFY(base->model()->isModified());
}

void TestLock::fullImportDialogIsClosed()
{
    QVERIFY(open());
    lockWhenShown<VaultImport>();
    _window->actFullImport()->trigger();
    QTRY_VERIFY(_window->base()->vaultLock()->isLocked());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(QApplication::topLevelWidgets().size() >= 1);
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<VaultImport*>(widget) || !widget->isVisible());
    unlockWith(Password);
    QCOMPARE(tabNames(), (QStringList{"Alpha", "Beta", "Gamma"}));
    QVERIFY(!_window->base()->model()->isModified());
}

// A tab being renamed when the lock comes keeps its name: the editor goes
// with the tabs, nothing typed in it is applied.
void TestLock::renameEditorIsDropped()
{
    QVERIFY(open());
    Base* base = _window->base();
    QTabBar* bar = base->tabBar();
    QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
    auto* editor = bar->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(QStringLiteral("Renamed"));
    QVERIFY(lockNow());
    QTRY_VERIFY(!bar->findChild<QLineEdit*>());
    unlockWith(Password);
    QCOMPARE(tabNames(), (QStringList{"Alpha", "Beta", "Gamma"}));
    QVERIFY(!base->model()->isModified());
    CHECK_RACK_TABS(*base);
}

void TestLock::triggersLock_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::newRow("screen lock") << "screen";
    QTest::newRow("idle time") << "idle";
    QTest::newRow("kovrin --lock") << "listener";
}

// The program's triggers reach the window's lock, as Startup::run connects them.
void TestLock::triggersLock()
{
    QFETCH(QString, trigger);
    QVERIFY(open());
    Settings settings(TestEnvironment::freshDir(QStringLiteral("settings")) + QStringLiteral("/kovrin.properties"));
    ScreenLockWatcher screen(QDBusConnection(QStringLiteral("none")), QDBusConnection(QStringLiteral("none")));
    IdleWatcher idle;
    const QString folder = TestEnvironment::freshDir(QStringLiteral("listeners"));
    QVERIFY(LockListener::prepareFolder(folder));
    LockListener listener(folder + QStringLiteral("/lock-test"));
    QVERIFY(listener.isListening());
    Startup::connectLockTriggers(*_window, settings, screen, idle, &listener);
    if (trigger == QLatin1String("screen"))
        emit screen.lockRequested();
    else if (trigger == QLatin1String("idle"))
        emit idle.lockRequested();
    else
        emit listener.lockRequested(); // the socket's own path: tst_locktriggers
    QTRY_VERIFY(_window->base()->vaultLock()->isLocked());
    // A second request while locked changes nothing.
    emit screen.lockRequested();
    QCoreApplication::processEvents();
    QVERIFY(_window->base()->vaultLock()->isLocked());
    unlockWith(Password);
    QCOMPARE(tabNames(), (QStringList{"Alpha", "Beta", "Gamma"}));
}

void TestLock::triggersFollowSettings()
{
    _window = showMainWindow();
    Settings settings(TestEnvironment::freshDir(QStringLiteral("settings")) + QStringLiteral("/kovrin.properties"));
    ScreenLockWatcher screen(QDBusConnection(QStringLiteral("none")), QDBusConnection(QStringLiteral("none")));
    IdleWatcher idle;
    Startup::connectLockTriggers(*_window, settings, screen, idle, nullptr);
    QVERIFY(screen.isEnabled());
    QCOMPARE(idle.timeout(), std::chrono::milliseconds(0));
    Settings::Values values = settings.values();
    values.lockOnScreenLock = false;
    values.lockIdleMinutes = 5;
    settings.setForThisRun(values);
    QVERIFY(!screen.isEnabled());
    QCOMPARE(idle.timeout(), std::chrono::milliseconds(std::chrono::minutes(5)));
}

void TestLock::quitWhileLocked_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::addColumn<QString>("password"); // null: the dialog is cancelled
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");
    QTest::newRow("save, right password") << QMessageBox::Yes << Password << true << true;
    QTest::newRow("save, wrong password") << QMessageBox::Yes << QStringLiteral("Wrong-Pass-22") << false << false;
    QTest::newRow("save, password cancelled") << QMessageBox::Yes << QString() << false << false;
    QTest::newRow("do not save") << QMessageBox::No << QString() << true << false;
}

void TestLock::quitWhileLocked()
{
    QFETCH(QMessageBox::StandardButton, answer);
    QFETCH(QString, password);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    QVERIFY(open());
    Base* base = _window->base();
    QVERIFY(rack(4)->rackModel()->setData(rack(4)->rackModel()->index(0, RackModel::CommentColumn), QStringLiteral("kept")));
    QVERIFY(lockNow());

    bool wasClosed = false;
    {
        MessageBoxAnswerer answerer({answer, QMessageBox::Ok});
        PasswordAnswerer typing(password);
        wasClosed = _window->close();
        QCOMPARE(answerer.seen().first().text, text("VaultUpdated").arg(_file));
        QCOMPARE(typing.asked(), answer == QMessageBox::Yes ? 1 : 0);
        if (typing.asked()) {
            QCOMPARE(typing.echo, QLineEdit::Password);
            QVERIFY(!typing.accessibleName.isEmpty());
        }
        if (answer == QMessageBox::Yes && !password.isNull() && !saved)
            QCOMPARE(answerer.last().text, text("WrongPassword"));
    }
    QCOMPARE(wasClosed, closed);
    QCOMPARE(base->vaultLock()->isLocked(), !closed);
    // The file has the change only when saved; a backup was made then.
    QCOMPARE(QFileInfo::exists(_file + QLatin1Char('~')), saved);
    if (saved) {
        QCOMPARE(rackNamesOf(_file), (QStringList{"Alpha", "Beta", "Gamma"}));
        QTabWidget tabs;
        auto reopened = Model::loadVault(_file, *Model::keyFromPassword(Password), &tabs, nullptr);
        QCOMPARE(reopened->rackModel(QStringLiteral("Gamma"))->index(0, RackModel::CommentColumn).data().toString(),
                 QStringLiteral("kept"));
    }
    if (!closed) {
        // Still locked and whole.
        unlockWith(Password);
        QCOMPARE(rack(4)->rackModel()->index(0, RackModel::CommentColumn).data().toString(), QStringLiteral("kept"));
    }
}

KOVRIN_TEST_MAIN(TestLock)
#include "tst_lock.moc"
