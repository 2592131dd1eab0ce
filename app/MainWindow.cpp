#include "MainWindow.h"

#include "Base.h"
#include "ColorScheme.h"
#include "Help.h"
#include "Icons.h"
#include "LockGate.h"
#include "Log.h"
#include "Logger.h"
#include "MessageBoxes.h"
#include "Model.h"
#include "PasswordReport.h"
#include "ModuleTexts.h"
#include "Settings.h"
#include "SettingsDialog.h"
#include "SlotGuard.h"
#include "UiMainWindow.h"
#include "VaultImport.h"
#include "VaultLock.h"
#include "VaultSaver.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>

namespace {
QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}
} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), _log(Log::getInstance().log()), _ui(std::make_unique<UiMainWindow>())
{
    _ui->setupUi(this);
    _lang = ModuleTexts::load(QStringLiteral("MainWindow"));
    loadTexts();

    _statusLed = new QLabel(this);
    _statusLed->setObjectName(QStringLiteral("_lblStatusLed"));
    _statusLed->setFixedSize(16, 16);
    _statusLed->setScaledContents(true);
    _ui->_status->addPermanentWidget(_statusLed);

    _ui->_actDelRack->setEnabled(false);
    _ui->_actSave->setEnabled(false);
    initActions();

    _base = new Base(this);
    setCentralWidget(_base);
    _ui->_centralWidget = nullptr; // replaced and deleted by setCentralWidget

    connect(_ui->_actNewVault, &QAction::triggered, this, &MainWindow::onNewVault);
    connect(_ui->_actFullImport, &QAction::triggered, this, &MainWindow::onFullImporting);
    connect(_ui->_actSave, &QAction::triggered, this, &MainWindow::onSaving);
    connect(_ui->_actTheme, &QAction::triggered, this, &MainWindow::onThemeSetup);
    connect(_ui->_actInfo, &QAction::triggered, this, &MainWindow::onInfo);
    connect(_ui->_actSettings, &QAction::triggered, this, &MainWindow::onSettings);
    connect(_ui->_actQuit, &QAction::triggered, this, &MainWindow::onQuit);
    connect(_ui->_actNewRack, &QAction::triggered, _base, &Base::onRackCreating);
    connect(_ui->_actDelRack, &QAction::triggered, _base, &Base::onRackDeleting);
    connect(_ui->_actLock, &QAction::triggered, this, &MainWindow::onLocking);
    connect(_ui->_actPasswordReport, &QAction::triggered, this, &MainWindow::onPasswordReport);
    connect(_base, &Base::vaultPresenceChanged, this, &MainWindow::showLockState);
    connect(_base->vaultLock(), &VaultLock::lockedChanged, this, &MainWindow::showLockState);
    showLockState();
}

MainWindow::~MainWindow()
{
    // The workspace goes first, while the actions and the lamp it drives still exist.
    delete _report;
    delete _base;
    _base = nullptr;
    if (_statusLed)
        _statusLed->deleteLater();
}

void MainWindow::loadTexts()
{
    const auto text = [](const char* key) {
        return ModuleTexts::text(QLatin1String(key), QStringLiteral("MainWindow"));
    };
    _ui->_mnuFile->setTitle(text("_mnuFile.title"));
    _ui->_mnuInfo->setTitle(text("_mnuInfo.title"));
    _ui->_actNewVault->setText(text("_actNewVault.text"));
    _ui->_actNewVault->setToolTip(text("_actNewVault.tooltip"));
    _ui->_actQuit->setText(text("_actQuit.text"));
    _ui->_actQuit->setToolTip(text("_actQuit.tooltip"));
    _ui->_actTheme->setToolTip(text("_actTheme.tooltip"));
    _ui->_actInfo->setText(text("_actInfo.text"));
    _ui->_actInfo->setToolTip(text("_actInfo.tooltip"));
    _ui->_actSave->setText(text("_actSave.text"));
    _ui->_actSave->setToolTip(text("_actSave.tooltip"));
    _ui->_actNewRack->setText(text("_actNewRack.text"));
    _ui->_actNewRack->setToolTip(text("_actNewRack.tooltip"));
    _ui->_actDelRack->setText(text("_actDelRack.text"));
    _ui->_actDelRack->setToolTip(text("_actDelRack.tooltip"));
    _ui->_actFullImport->setText(text("_actFullImport.text"));
    _ui->_actFullImport->setToolTip(text("_actFullImport.tooltip"));
    _ui->_actSettings->setText(text("_actSettings.text"));
    _ui->_actSettings->setToolTip(text("_actSettings.tooltip"));
    _ui->_actLock->setText(text("_actLock.text"));
    _ui->_actLock->setToolTip(text("_actLock.tooltip"));
    _ui->_actPasswordReport->setText(text("_actPasswordReport.text"));
    _ui->_actPasswordReport->setToolTip(text("_actPasswordReport.tooltip"));
}

void MainWindow::showLockState()
{
    const VaultLock* lock = _base ? _base->vaultLock() : nullptr;
    const bool locked = lock && lock->isLocked();
    _ui->_actLock->setEnabled(!locked && _base && _base->model());
    _ui->_actPasswordReport->setEnabled(_ui->_actLock->isEnabled());
    if (locked != _shownLocked) {
        // Nothing may replace or add to a locked vault before it is unlocked.
        _ui->_actNewVault->setEnabled(!locked);
        _ui->_actFullImport->setEnabled(!locked);
        if (locked) {
            _title = windowTitle();
            setWindowTitle(text("VaultLockedTitle").arg(_title, QFileInfo(lock->fileName()).fileName()));
        } else {
            setWindowTitle(_title);
        }
        _shownLocked = locked;
    }
    if (!locked) {
        const std::shared_ptr<Model> model = _base ? _base->model() : nullptr;
        showVaultStatus(model && model->isModified());
        return;
    }
    _ui->_actSave->setEnabled(false);
    _ui->_actDelRack->setEnabled(false);
    _ui->_actNewRack->setVisible(false);
    _statusLed->setPixmap(QPixmap(QStringLiteral(":/images/connection.png")));
    _statusLed->setAccessibleName(text("VaultStatusLocked"));
    _statusLed->setAccessibleDescription(text("VaultStatusLockedDetail"));
    _statusLed->setToolTip(_statusLed->accessibleDescription());
}

void MainWindow::initActions()
{
    _ui->_actNewRack->setVisible(false);
    _ui->_actNewVault->setVisible(true);
    _ui->_actQuit->setVisible(true);
    _ui->_actTheme->setVisible(true);
    _ui->_actTheme->setText(text(ColorScheme::isDark() ? "ClearTheme" : "DarkTheme"));
    showVaultStatus(false);
}

void MainWindow::showVaultStatus(bool modified)
{
    _ui->_actSave->setEnabled(modified);
    _statusLed->setPixmap(QPixmap(modified ? QStringLiteral(":/images/redLed.png")
                                           : QStringLiteral(":/images/greenLed.png")));
    _statusLed->setAccessibleName(text(modified ? "VaultStatusUnsaved" : "VaultStatusSaved"));
    _statusLed->setAccessibleDescription(text(modified ? "VaultStatusUnsavedDetail" : "VaultStatusSavedDetail"));
    _statusLed->setToolTip(_statusLed->accessibleDescription());
}

QAction* MainWindow::actSave() const { return _ui ? _ui->_actSave : nullptr; }
QAction* MainWindow::actNewRack() const { return _ui ? _ui->_actNewRack : nullptr; }
QAction* MainWindow::actDelRack() const { return _ui ? _ui->_actDelRack : nullptr; }
QAction* MainWindow::actFullImport() const { return _ui ? _ui->_actFullImport : nullptr; }
QAction* MainWindow::actSettings() const { return _ui ? _ui->_actSettings : nullptr; }
QAction* MainWindow::actLock() const { return _ui ? _ui->_actLock : nullptr; }
QAction* MainWindow::actPasswordReport() const { return _ui ? _ui->_actPasswordReport : nullptr; }
PasswordReport* MainWindow::passwordReport() const { return _report; }

void MainWindow::onLocking(bool)
{
    SlotGuard::run(this, QStringLiteral("void MainWindow::onLocking(bool) -> "), _log, [this] {
        if (_base)
            _base->vaultLock()->lock();
    });
}

void MainWindow::onPasswordReport(bool)
{
    SlotGuard::run(this, QStringLiteral("void MainWindow::onPasswordReport(bool) -> "), _log, [this] {
        if (!_base || !_base->model())
            return;
        if (!_report)
            _report = new PasswordReport(_base, this);
        const bool wasVisible = _report->isVisible();
        _report->show();
        _report->raise();
        _report->activateWindow();
        if (!wasVisible)
            _report->onRefreshing();
    });
}

void MainWindow::onNewVault(bool)
{
    SlotGuard::run(this, QStringLiteral("void MainWindow::onNewVault(bool)"), _log, [this] {
        _ui->_actNewVault->setEnabled(false);
        const auto enableAgain = qScopeGuard([this] {
            if (_ui)
                _ui->_actNewVault->setEnabled(true);
        });
        VaultImport dialog(true, _base);
        (void)LockGate::exec(dialog);
    });
}

void MainWindow::onFullImporting(bool)
{
    SlotGuard::run(this, QStringLiteral("void MainWindow::onFullImporting(bool) -> "), _log,
                   [this] { _base->launchVaultImport(); });
}

void MainWindow::onSaving(bool)
{
    SlotGuard::run(this, QStringLiteral("void MainWindow::onSaving(bool) -> "), _log, [this] {
        const std::shared_ptr<Model> model = _base ? _base->model() : nullptr;
        if (!model || !model->isModified())
            return;
        const QMessageBox::StandardButton answer =
            MessageBoxes::ask(this, text("VaultUpdated").arg(model->fileName()), text("RequestForSaving"),
                              QMessageBox::Save | QMessageBox::Discard, QMessageBox::Save);
        // Held back when the file changed on disk: the changes stay in memory.
        if (answer == QMessageBox::Save && VaultSaver::save(this, *model, false))
            model->resetModified();
        else if (_log)
            _log->warning(text("SavingCanceled"));
    });
}

void MainWindow::onThemeSetup(bool)
{
    SlotGuard::run(this, QStringLiteral("void MainWindow::onThemeSetup(bool) -> "), _log, [this] {
        const bool dark = ColorScheme::isDark();
        _ui->_actTheme->setText(text(dark ? "DarkTheme" : "ClearTheme"));
        ColorScheme::setDark(!dark);
    });
}

void MainWindow::onInfo(bool)
{
    SlotGuard::run(this, QStringLiteral("void MainWindow::onInfo(bool) -> "), _log, [this] {
        Help help(_lang, this);
        help.setWindowTitle(text("LegalNotice"));
        help.setWindowIcon(Icons::getInstance().icon(QStringLiteral("help")));
        help.loadContent();
        help.setModal(true);
        (void)LockGate::exec(help);
    });
}

void MainWindow::onSettings(bool)
{
    SlotGuard::run(this, QStringLiteral("void MainWindow::onSettings(bool) -> "), _log, [this] {
        Settings* settings = Settings::current();
        if (!settings)
            return;
        SettingsDialog dialog(*settings, this);
        (void)LockGate::exec(dialog);
    });
}

void MainWindow::onQuit(bool)
{
    // Quitting goes through closeEvent, so that a modified vault is offered for saving.
    if (close())
        QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    bool keep = false;
    // A release that failed half-way keeps the window: the vault is still there.
    const bool ran = SlotGuard::run(this, QStringLiteral("void MainWindow::closeEvent(QCloseEvent*) -> "), _log,
                                    [this, &keep] { keep = _base && !_base->releaseForClosing(); });
    if (keep || !ran)
        event->ignore();
    else
        event->accept();
}
