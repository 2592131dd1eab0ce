#include "Base.h"

#include "AesPair.h"
#include "ClipboardGuard.h"
#include "Crypt.h"
#include "CustomTabBar.h"
#include "Exception.h"
#include "FileDialogs.h"
#include "Help.h"
#include "Icons.h"
#include "LockGate.h"
#include "LockedVault.h"
#include "Logger.h"
#include "MainWindow.h"
#include "MessageBoxes.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordDisplay.h"
#include "PasswordField.h"
#include "Rack.h"
#include "RackModel.h"
#include "SlotGuard.h"
#include "StrengthBar.h"
#include "TabRenamer.h"
#include "UiBase.h"
#include "VaultExchange.h"
#include "VaultImport.h"
#include "VaultLock.h"
#include "VaultSaver.h"
#include "WipeOnExit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTextEdit>

namespace {
QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

constexpr int FirstRackTab = RackModel::FirstRackTab;
} // namespace

Base::Base(MainWindow* mainWindow)
    : QTabWidget(mainWindow), _ui(std::make_unique<UiBase>()), _mainWindow(mainWindow)
{
    _ui->setupUi(this);
    _lang = ModuleTexts::load(QStringLiteral("Base"));
    _ui->retranslateUi(this);

    _ui->_rbnImport->setChecked(true);
    hideExchange();
    _ui->_sbxSymbols->setMaximum(_ui->_sbxChars->value());

    setTabBar(new CustomTabBar(this));
    addTab(_ui->_tabFiles, text("Vault"));
    addTab(_ui->_tabPasswords, text("Passwords"));
    setMovable(true);

    connect(tabBar(), &QTabBar::tabMoved, this, &Base::onTabMoved);
    _tabRenamer = new TabRenamer(this);
    _lock = new VaultLock(this);
    connect(_tabRenamer, &TabRenamer::tabNameChanged, this, &Base::onTabNameChanged);
    connect(_ui->_btnHelp, &QPushButton::clicked, this, &Base::onHelpShowing);
    connect(_ui->_btnVaultFileBrowser, &QPushButton::clicked, this, &Base::onLookingForVaultFile);
    connect(_ui->_btnExportFileBrowser, &QPushButton::clicked, this, &Base::onLookingForVaultImportExportFile);
    connect(_ui->_btnVaultOpening, &QPushButton::clicked, this, &Base::onVaultInitializing);
    connect(_ui->_tbxPassword, &QLineEdit::returnPressed, this, &Base::onVaultInitializing);
    connect(_ui->_rbnImport, &QRadioButton::toggled, this, &Base::onToggledImport);
    connect(_ui->_rbnExport, &QRadioButton::toggled, this, &Base::onToggledExport);
    connect(_ui->_btnPasswords, &QPushButton::clicked, this, &Base::onPasswordsBuilding);
    connectCheckState(_ui->_chkSpace, this, &Base::onPasswordsDisplayChanged);
    connectCheckState(_ui->_chkSymbol, this, &Base::onSymbolsCheckerChanged);
    connect(_ui->_btnExport, &QPushButton::clicked, this, &Base::onImportExport);
    connect(this, &QTabWidget::currentChanged, this, &Base::onTabCurrentChanged);
    connect(_ui->_sbxChars, &QSpinBox::valueChanged, this, &Base::onPasswordSizeChanged);

    setCurrentIndex(0);
}

Base::~Base()
{
    disconnect(this, &QTabWidget::currentChanged, this, &Base::onTabCurrentChanged);
    try {
        PasswordField::wipe(*_ui->_tbxPassword);
        releaseVault();
    } catch (...) {
        // Nothing may leave a destructor; the vault was offered for saving.
    }
    dropVault();
}

void Base::connectCheckState(QCheckBox* box, Base* base, void (Base::*slot)(Qt::CheckState))
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    connect(box, &QCheckBox::checkStateChanged, base, slot);
#else
    connect(box, &QCheckBox::stateChanged, base, [base, slot](int state) { (base->*slot)(Qt::CheckState(state)); });
#endif
}

bool Base::guarded(const char* context, const std::function<void()>& body)
{
    const std::shared_ptr<Logger> log = _model ? _model->logger() : nullptr;
    return SlotGuard::run(this, QLatin1String(context), log, body, [this] { _exporting = false; });
}

void Base::setModel(std::shared_ptr<Model> model)
{
    if (_model)
        disconnect(_model.get(), nullptr, this, nullptr);
    if (_model && _model != model) {
        // A field copied from the vault leaves with it (unless something
        // else has been copied since).
        if (ClipboardGuard* clipboard = ClipboardGuard::current())
            clipboard->clearIfOurs();
    }
    const bool wasOpen = bool(_model);
    _model = std::move(model);
    if (_model)
        connect(_model.get(), &Model::vaultStatusUpdated, this, &Base::onVaultStatusUpdated);
    if (wasOpen != bool(_model))
        emit vaultPresenceChanged(bool(_model));
}

void Base::selectTab(int index)
{
    setCurrentIndex(std::clamp(index, 0, std::max(0, count() - 1)));
}

// ---------------------------------------------------------------- opening and closing

void Base::offerVaultFile(const QString& fileName)
{
    setCurrentIndex(0);
    _vaultFile = fileName;
    _ui->_tbxVaultFile->setText(fileName);
    _ui->_tbxPassword->setFocus(Qt::OtherFocusReason);
}

void Base::onVaultInitializing()
{
    guarded("void Base::onVaultInitializing() -> ", [this] {
        if (_exporting)
            return;
        const QString fileName = _ui->_tbxVaultFile->text();
        QString password = PasswordField::take(*_ui->_tbxPassword);
        const WipeOnExit wipePassword(password);
        if (_lock->isLocked()) {
            if (!_lock->unlock(password)) {
                MessageBoxes::warning(this, text("WrongPassword"));
                _ui->_tbxPassword->setFocus(Qt::OtherFocusReason);
            }
            return;
        }
        _ui->_tbxVaultFile->clear();
        if (_model) {
            // A vault whose save failed stays open; the user may retry or save elsewhere.
            if ((_model->isModified() && !askForSaving(false)) || !closeVault()) {
                _ui->_tbxVaultFile->setText(fileName);
                return;
            }
        }
        openVault(fileName, password);
        if (QAction* action = _mainWindow ? _mainWindow->actNewRack() : nullptr)
            action->setVisible(true);
    });
}

void Base::openVault(const QString& fileName, const QString& password)
{
    const auto refuse = [this, &fileName](QMessageBox::Icon icon, const QString& detail) {
        MessageBoxes::show(icon, nullptr, text("FileNotReadable").arg(fileName), detail);
        _ui->_tbxVaultFile->setText(fileName);
        _ui->_tbxVaultFile->setFocus(Qt::OtherFocusReason);
    };
    const QFileInfo info(fileName);
    if (!info.exists() || !info.isFile() || !info.isReadable() || !info.isWritable()) {
        refuse(QMessageBox::Warning, text("IllegalVaultFile"));
        return;
    }
    QFile probe(fileName);
    if (!probe.open(QIODevice::ReadOnly | QIODevice::ExistingOnly)) {
        refuse(QMessageBox::Critical, text("FileRights"));
        return;
    }
    probe.close();

    if (!closeVault())
        return;
    try {
        std::unique_ptr<AesPair> key = Model::keyFromPassword(password);
        std::shared_ptr<Model> loaded =
            Model::loadVault(fileName, *key, this, _mainWindow ? _mainWindow->logger() : nullptr);
        key.reset();
        setModel(std::move(loaded));
        if (_model->isModified())
            _model->setModified();
        if (_model->rackCount() < 1) {
            closeVault();
            return;
        }
        showExportMode();
        const Model::RackList racks = *_model->racks();
        {
            const TabBatch batch(this);
            for (RackModel* rack : racks)
                showRack(rack->name());
        }
        selectTab(FirstRackTab);
    } catch (const Exception& e) {
        closeVault();
        MessageBoxes::critical(nullptr, text("ErrorEncounteredCaption"), e.detail());
    }
}

bool Base::askForSaving(bool closing)
{
    if (!_model || !_model->isModified())
        return true;
    const QMessageBox::StandardButton answer =
        MessageBoxes::ask(this, text("VaultUpdated").arg(_model->fileName()), text("RequestForSaving"),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    // No answer (a lock closed the box): nothing is decided, the vault stays.
    if (answer == QMessageBox::NoButton)
        return false;
    if (answer != QMessageBox::Yes)
        return true;
    return saveAfterQuestion(closing);
}

bool Base::saveAfterQuestion(bool closing)
{
    const std::shared_ptr<Model> model = _model;
    bool saved = false;
    const bool ran = SlotGuard::run(this, QStringLiteral("bool Base::askForSaving(bool) -> "), model->logger(), [&] {
        // When closing, the vault model stays silent: the lamp is about to go.
        saved = VaultSaver::save(this, *model, closing);
        if (saved && !closing)
            model->resetModified();
    });
    // Held back (the file changed on disk) or failed: the vault stays, modified.
    return ran && saved;
}

bool Base::releaseVault()
{
    if (!_model)
        return true;
    if (!askForSaving(false))
        return false;
    dropVault();
    return true;
}

bool Base::releaseForClosing()
{
    if (_lock->isLocked())
        return _lock->releaseForClosing();
    if (!askForSaving(true))
        return false;
    // The user has answered: one question, one outcome. The workspace going
    // with the window asks nothing more.
    dropVault();
    return true;
}

void Base::dropVault()
{
    if (!_model)
        return;
    removeAllRacks();
    setModel(nullptr);
    forgetLastLaidOutCell();
}

// Qt's common style keeps a copy of the last table cell it laid out, the
// cell's text with it, until it lays out another: a blank cell is laid out
// once the racks are gone, so that no entry text stays behind with the style.
void Base::forgetLastLaidOutCell()
{
    QStyleOptionViewItem blank;
    blank.initFrom(this);
    blank.features = QStyleOptionViewItem::HasDisplay;
    (void)style()->sizeFromContents(QStyle::CT_ItemViewItem, &blank, QSize(), this);
    (void)style()->subElementRect(QStyle::SE_ItemViewItemText, &blank, this);
}

// ---------------------------------------------------------------- locking

namespace {
// The workspace's part of a sealed vault: current tab, then each rack's view.
constexpr quint32 ViewStateVersion = 1;
} // namespace

std::unique_ptr<LockedVault> Base::sealVault(bool* undoLost)
{
    if (!_model)
        return nullptr;
    bool undo = false;
    QByteArray state;
    WipeOnExit stateGuard(state);
    {
        QDataStream out(&state, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_4);
        out << ViewStateVersion << qint32(currentIndex());
        const Model::RackList racks = *_model->racks();
        out << qint32(racks.size());
        for (RackModel* rackModel : racks) {
            Rack* rack = rackModel->rack();
            Rack::ViewState view;
            if (rack) {
                rack->abandonEditing();
                view = rack->viewState();
                undo = undo || rack->canUndoDeletion();
            }
            out << view.search << view.filter << view.arranged << qint32(view.sortColumn) << qint32(view.sortOrder);
        }
    }
    auto locked = std::make_unique<LockedVault>(*_model, state);
    if (undoLost)
        *undoLost = undo;
    dropVault();
    if (_mainWindow)
        _mainWindow->initActions();
    hideExchange();
    return locked;
}

void Base::unsealVault(const LockedVault& locked, const QString& password)
{
    LockedVault::Opened opened = locked.open(password, this);
    WipeOnExit stateGuard(opened.state);
    qint32 current = FirstRackTab;
    QList<Rack::ViewState> views;
    {
        QDataStream in(opened.state);
        in.setVersion(QDataStream::Qt_6_4);
        quint32 version = 0;
        qint32 count = 0;
        in >> version >> current >> count;
        for (qint32 i = 0; version == ViewStateVersion && i < count && in.status() == QDataStream::Ok; ++i) {
            Rack::ViewState view;
            qint32 column = 0;
            qint32 order = 0;
            in >> view.search >> view.filter >> view.arranged >> column >> order;
            view.sortColumn = column;
            view.sortOrder = order == qint32(Qt::DescendingOrder) ? Qt::DescendingOrder : Qt::AscendingOrder;
            views.append(view);
        }
    }
    const bool modified = opened.model->isModified();
    setModel(std::move(opened.model));
    showLocked(QString(), false);
    showExportMode();
    const Model::RackList racks = *_model->racks();
    {
        const TabBatch batch(this);
        for (RackModel* rack : racks)
            showRack(rack->name());
    }
    for (qsizetype i = 0; i < racks.size() && i < views.size(); ++i)
        if (Rack* rack = racks.at(i)->rack())
            rack->restoreViewState(views.at(i));
    for (Rack::ViewState& view : views) {
        WipeOnExit::wipe(view.search);
        WipeOnExit::wipe(view.filter);
    }
    if (_mainWindow) {
        if (QAction* action = _mainWindow->actNewRack())
            action->setVisible(true);
        _mainWindow->showVaultStatus(modified);
    }
    selectTab(current);
}

void Base::showLocked(const QString& fileName, bool locked)
{
    _ui->_tbxVaultFile->setReadOnly(locked);
    _ui->_btnVaultFileBrowser->setEnabled(!locked);
    _ui->_tbxVaultFile->setText(fileName);
    PasswordField::wipe(*_ui->_tbxPassword);
    const char* button = locked ? "Unlock" : "_btnVaultOpening.text";
    _ui->_btnVaultOpening->setText(ModuleTexts::text(QLatin1String(button), QStringLiteral("Base")));
    _ui->_btnVaultOpening->setToolTip(ModuleTexts::text(
        QLatin1String(locked ? "UnlockTooltip" : "_btnVaultOpening.tooltip"), QStringLiteral("Base")));
    if (locked) {
        hideExchange();
        setCurrentIndex(0);
        _ui->_tbxPassword->setFocus(Qt::OtherFocusReason);
    }
}

void Base::removeAllRacks()
{
    const TabBatch batch(this);
    const std::shared_ptr<Model::RackList> racks = _model->racks();
    while (racks && !racks->isEmpty()) {
        RackModel* last = racks->constLast();
        if (Rack* view = last->rack())
            delete view; // takes its tab and its rack model with it
        else
            (void)_model->removeRackModel(last->name());
        if (!racks->isEmpty() && racks->constLast() == last) // a view that left its model behind
            (void)_model->removeRackModel(last->name());
    }
}

bool Base::closeVault()
{
    if (!releaseVault())
        return false;
    if (_mainWindow)
        _mainWindow->initActions();
    hideExchange();
    _ui->_tbxVaultFile->clear();
    PasswordField::wipe(*_ui->_tbxPassword);
    return true;
}

void Base::onVaultStatusUpdated(bool updated)
{
    guarded("void Base::onVaultStatusUpdated(bool) -> ", [this, updated] {
        if (!_model || !_mainWindow)
            return;
        _mainWindow->showVaultStatus(updated);
    });
}

void Base::onLookingForVaultFile()
{
    guarded("void Base::onLookingForVaultFile() -> ", [this] {
        const QString start = _vaultFile.isEmpty() ? QDir::homePath() : _vaultFile;
        _vaultFile = FileDialogs::openFileName(this, text("VaultFile"), start, text("VaultFileExtensions"));
        _ui->_tbxVaultFile->setText(_vaultFile);
    });
}

void Base::onHelpShowing()
{
    guarded("void Base::onHelpShowing() -> ", [this] {
        Help help(_mainWindow ? _mainWindow->lang() : _lang, this);
        help.setWindowIcon(Icons::getInstance().icon(QStringLiteral("help")));
        help.loadContent();
        help.setModal(true);
        (void)LockGate::exec(help);
    });
}

void Base::launchVaultImport()
{
    QAction* action = _mainWindow ? _mainWindow->actFullImport() : nullptr;
    if (action)
        action->setEnabled(false);
    const auto enableAgain = qScopeGuard([this] {
        if (QAction* again = _mainWindow ? _mainWindow->actFullImport() : nullptr)
            again->setEnabled(true);
    });
    VaultImport dialog(this);
    (void)LockGate::exec(dialog);
}

// ---------------------------------------------------------------- exchange group

void Base::hideExchange()
{
    for (QWidget* widget : std::initializer_list<QWidget*>{_ui->_gbxExchange, _ui->_cbxTabName, _ui->_lblTabName,
                                                           _ui->_lblImportFile, _ui->_tbxImportFile,
                                                           _ui->_btnExportFileBrowser, _ui->_btnExport})
        widget->hide();
}

void Base::showExportMode()
{
    showExchange(true);
}

void Base::showImportMode()
{
    showExchange(false);
}

void Base::showExchange(bool exporting)
{
    _ui->_gbxExchange->show();
    {
        const QSignalBlocker blockImport(_ui->_rbnImport);
        const QSignalBlocker blockExport(_ui->_rbnExport);
        (exporting ? _ui->_rbnExport : _ui->_rbnImport)->setChecked(true);
        (exporting ? _ui->_rbnImport : _ui->_rbnExport)->setChecked(false);
    }
    _ui->_rbnImport->show();
    _ui->_rbnExport->show();
    if (exporting) {
        _ui->_cbxTabName->hide();
        _ui->_lblTabName->hide();
    } else {
        _ui->_cbxTabName->show();
        fillRackNames();
        _ui->_lblTabName->setToolTip(text("ImportRackTooltip"));
        _ui->_lblTabName->show();
    }
    _ui->_lblImportFile->setText(text(exporting ? "ExportFileLabel" : "ImportFileLabel"));
    _ui->_lblImportFile->setToolTip(text(exporting ? "ExportFileToolTip" : "ImportFileTooltip"));
    _ui->_lblImportFile->show();
    _ui->_tbxImportFile->setAccessibleName(_ui->_lblImportFile->text());
    _ui->_tbxImportFile->show();
    _ui->_btnExportFileBrowser->setText(text("Browse") + QStringLiteral("..."));
    _ui->_btnExportFileBrowser->setToolTip(text(exporting ? "BrowseExportTooltip" : "BrowseImportTooltip"));
    _ui->_btnExportFileBrowser->show();
    _ui->_btnExport->setText(text(exporting ? "ToExport" : "ToImport"));
    _ui->_btnExport->show();
}

void Base::fillRackNames()
{
    if (!_model)
        return;
    const QStringList names = _model->rackNames();
    if (!names.isEmpty()) {
        _ui->_cbxTabName->clear();
        _ui->_cbxTabName->addItems(names);
    }
    _ui->_cbxTabName->setCurrentIndex(0);
}

void Base::onLookingForVaultImportExportFile()
{
    guarded("void Base::onLookingForVaultExportFile() -> ", [this] {
        const QString filter = text("VaultFileExportExtensions");
        const QString name =
            _ui->_rbnExport->isChecked()
                ? FileDialogs::saveFileName(this, text("VaultFileExport"),
                                            _vaultFile.isEmpty() ? QDir::homePath() : _vaultFile, filter)
                : FileDialogs::openFileName(this, text("VaultFileImport"), QDir::homePath(), filter);
        _ui->_tbxImportFile->setText(name);
    });
}

void Base::onToggledImport(bool checked)
{
    guarded("void Base::onToggledImport(bool) -> ", [this, checked] {
        if (checked)
            showImportMode();
    });
}

void Base::onToggledExport(bool checked)
{
    guarded("void Base::onToggledExport(bool) -> ", [this, checked] {
        if (checked)
            showExportMode();
    });
}

void Base::onImportExport(bool)
{
    guarded("void Base::onImportExport(bool)", [this] {
        if (_ui->_rbnExport->isChecked())
            exportVault();
        else
            importRack(_ui->_cbxTabName->currentText());
    });
}

void Base::exportVault()
{
    _exporting = true;
    const auto done = qScopeGuard([this] { _exporting = false; });
    VaultExchange::exportVault(this, _model.get(), *_ui->_tbxPassword, _ui->_tbxImportFile->text());
}

void Base::importRack(const QString& rackName)
{
    VaultExchange::importRack(
        this, _model, *_ui->_tbxImportFile, rackName,
        [this](const QString& name) { return createRack(name) ? _model->rackModel(name) : nullptr; },
        [this](RackModel& rack) {
            selectTab(rack.tabIndex());
            if (Rack* view = rack.rack())
                view->updateEntriesCounter();
        });
}

// ---------------------------------------------------------------- password page

int Base::charsCount() const { return _ui->_sbxChars->value(); }
int Base::passwordsCount() const { return _ui->_sbxPasswords->value(); }
bool Base::isLowerCaseChecked() const { return _ui->_chkLowerCase->isChecked(); }
bool Base::isUpperCaseChecked() const { return _ui->_chkUppserCase->isChecked(); }
bool Base::isNumberChecked() const { return _ui->_chkNumber->isChecked(); }
bool Base::isSymbolChecked() const { return _ui->_chkSymbol->isChecked(); }

void Base::onPasswordSizeChanged(int value)
{
    _ui->_sbxSymbols->setMaximum(value);
}

void Base::onSymbolsCheckerChanged(Qt::CheckState state)
{
    guarded("void Base::onSymbolsCheckerChanged(Qt::CheckState state) -> ", [this, state] {
        const bool shown = state == Qt::Checked;
        _ui->_lblSymbols->setVisible(shown);
        _ui->_sbxSymbols->setVisible(shown);
    });
}

void Base::onPasswordsBuilding()
{
    guarded("void Base::onPasswordsBuilding() -> ", [this] {
        const bool lower = isLowerCaseChecked();
        const bool upper = isUpperCaseChecked();
        if (!isNumberChecked() && !lower && !upper && !isSymbolChecked()) {
            MessageBoxes::warning(nullptr, text("NoCharDefined"), text("CheckOneSymbol"));
            return;
        }
        const int quota = isSymbolChecked() ? _ui->_sbxSymbols->value() : 0;
        _passwords = Crypt::passwords(passwordsCount(), quota, charsCount(), lower || upper, isNumberChecked(), lower,
                                      upper);
        displayPasswords();
        _ui->_stbPasswords->setPasswords(_passwords);
    });
}

void Base::onPasswordsDisplayChanged(Qt::CheckState)
{
    guarded("void Base::onPasswordsDisplayChanged(Qt::CheckState) -> ", [this] { displayPasswords(); });
}

// Plain text: a generated password such as "<b>x" must not be taken for markup.
void Base::displayPasswords()
{
    _ui->_tbxPasswords->setPlainText(PasswordDisplay::text(_passwords, _ui->_chkSpace->isChecked()));
}

// ---------------------------------------------------------------- rack tabs

Base::TabBatch::TabBatch(Base* base) : _base(base)
{
    if (_base)
        ++_base->_tabBatches;
    if (_base && _base->tabBar()->isVisibleTo(_base)) {
        _base->tabBar()->hide();
        _hid = true;
    }
}

Base::TabBatch::~TabBatch()
{
    if (!_base)
        return;
    if (--_base->_tabBatches == 0)
        _base->_racksInBatch = 0;
    if (_hid)
        _base->tabBar()->show();
}

QString Base::nextRackName() const
{
    const QString base = text("NewRackName");
    return _model ? _model->firstFreeRackName(base) : base + QStringLiteral(" 1");
}

Rack* Base::showRack(const QString& name)
{
    auto* rack = new Rack(_model, name, this);
    rack->connectToSignals();
    rack->setTabIndex(addTab(rack, name));
    // Every new widget posts requests to the event loop (polish, layout),
    // and each new request is first compared with all those waiting: while
    // racks are made without a return to the loop, they are delivered now and
    // then, so that the thousandth rack costs what the first did.
    if (_tabBatches > 0 && ++_racksInBatch % 32 == 0) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::PolishRequest);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    return rack;
}

Rack* Base::createRack(const QString& name)
{
    if (!_model)
        return nullptr;
    auto rackModel = std::make_unique<RackModel>(_model, name);
    if (!_model->addRackModel(rackModel.get())) {
        rackModel.reset();
        MessageBoxes::critical(nullptr, text("RackModelAddingFailure").arg(name));
        return nullptr;
    }
    (void)rackModel.release(); // the vault model owns it now
    return showRack(name);
}

Rack* Base::rackAt(int tabIndex) const
{
    return tabIndex >= FirstRackTab ? qobject_cast<Rack*>(widget(tabIndex)) : nullptr;
}

Rack* Base::rackNamed(const QString& name) const
{
    for (int index = FirstRackTab; index < count(); ++index) {
        Rack* rack = rackAt(index);
        if (rack && rack->name() == name)
            return rack;
    }
    return nullptr;
}

void Base::onRackCreating(bool)
{
    guarded("void Base::onRackCreating(bool) -> ", [this] {
        if (!_model)
            return;
        if (Rack* rack = createRack(nextRackName())) {
            selectTab(indexOf(rack));
            _model->setModified();
        }
    });
}

void Base::onRackDeleting(bool)
{
    guarded("void Base::onRackDeleting(int) -> ", [this] {
        const int index = currentIndex();
        if (!_model || index < FirstRackTab)
            return;
        if (count() <= FirstRackTab + 1) {
            MessageBoxes::warning(this, text("LastRackDeletionForbidden"));
            return;
        }
        Rack* rack = rackAt(index);
        if (!rack)
            return;
        // Entries are lost with their rack: ask first unless there is none.
        const RackModel* rackModel = rack->rackModel();
        const qsizetype entries = rackModel ? rackModel->entryCount() : 0;
        if (entries > 0
            && MessageBoxes::ask(this, text("RackDeletionRequest").arg(rack->name()).arg(entries),
                                 text("RackDeletionWarning"), QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                   != QMessageBox::Yes)
            return;
        removeTab(index);
        delete rack;
        const Model::RackList racks = *_model->racks();
        for (RackModel* remaining : racks)
            if (remaining->tabIndex() > index)
                remaining->setTabIndex(remaining->tabIndex() - 1);
        selectTab(index < count() ? index : index - 1);
        _model->setModified();
    });
}

void Base::onTabMoved(int, int)
{
    guarded("void Base::onTabMoved(int, int) -> ", [this] { syncRacksWithTabs(); });
}

void Base::syncRacksWithTabs()
{
    if (_syncing)
        return;
    _syncing = true;
    // The fixed pages never leave the front, whatever a drag did.
    if (indexOf(_ui->_tabFiles) != 0)
        tabBar()->moveTab(indexOf(_ui->_tabFiles), 0);
    if (indexOf(_ui->_tabPasswords) != 1)
        tabBar()->moveTab(indexOf(_ui->_tabPasswords), 1);
    _syncing = false;
    if (!_model)
        return;
    const std::shared_ptr<Model::RackList> racks = _model->racks();
    Model::RackList order;
    for (int index = FirstRackTab; index < count(); ++index)
        if (Rack* rack = rackAt(index))
            order.append(rack->rackModel());
    if (order == *racks || order.size() != racks->size())
        return;
    *racks = order;
    for (qsizetype position = 0; position < racks->size(); ++position)
        racks->at(position)->setTabIndex(int(position) + FirstRackTab);
    _model->setModified();
}

void Base::onTabNameChanged(int index, const QString& oldTabName, const QString& newTabName)
{
    static const QString context = QStringLiteral("void Base::onTabNameChanged(const QString&, const QString&) -> ");
    guarded("void Base::onTabNameChanged(const QString&, const QString&) -> ", [&] {
        if (oldTabName == newTabName || !_model)
            return;
        const std::shared_ptr<Logger> log = _model->logger();
        const auto warn = [&log](const QString& message) {
            if (log)
                log->warning(context + message);
        };
        if (_model->rackExists(newTabName)) {
            setTabText(index, oldTabName);
            warn(text("TabNameAlreadyExists").arg(newTabName));
            return;
        }
        if (newTabName.isEmpty()) {
            setTabText(index, oldTabName);
            warn(text("TabNameEmpty"));
            return;
        }
        // The vault file cannot hold it: refused like the other names, before
        // the rack model would raise.
        if (newTabName.contains(QLatin1Char('\n'))) {
            setTabText(index, oldTabName);
            warn(text("RackNameLineFeed"));
            return;
        }
        if (!_model->rackExists(oldTabName)) {
            // The tab shows no rack's name at all: it gets its old text back
            // rather than keep one that no rack has.
            setTabText(index, oldTabName);
            warn(text("TabNameNotFound").arg(oldTabName));
            return;
        }
        Rack* rack = rackNamed(oldTabName);
        if (rack && rack->rackModel()) {
            // Whatever refuses the name, the rack's tab shows the rack's name.
            const auto showName = qScopeGuard([this, rack] { setTabText(indexOf(rack), rack->name()); });
            if (rack->setName(newTabName))
                _model->setModified();
            return;
        }
        if (log)
            log->critical(rack ? QStringLiteral("Le modèle de l'onglet nommé [%1] n'existe pas").arg(oldTabName)
                               : QStringLiteral("Le widget de l'onglet nommé [%1] n'a pas été retrouvé").arg(oldTabName));
        setTabText(index, oldTabName);
    });
}

void Base::onTabCurrentChanged(int index)
{
    guarded("void Base::onTabCurrentChanged(int) -> ", [this, index] {
        if (QAction* action = _mainWindow ? _mainWindow->actDelRack() : nullptr)
            action->setEnabled(count() >= FirstRackTab + 2 && index >= FirstRackTab);
        if (index == 0)
            fillRackNames();
    });
}
