#include "VaultImport.h"

#include "Base.h"
#include "Exception.h"
#include "FileDialogs.h"
#include "Icons.h"
#include "Log.h"
#include "Logger.h"
#include "MessageBoxes.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordField.h"
#include "Rack.h"
#include "RackModel.h"
#include "SlotGuard.h"
#include "StrengthBar.h"
#include "UiVaultImport.h"
#include "VaultExchange.h"
#include "WipeOnExit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QtDebug>

namespace {
const QString Module = QStringLiteral("VaultImport");
// The text the definition gives for anything but an Exception in both operations.
const QString GuardContext = QStringLiteral("void Base::onLookingForVaultFile() -> ");

QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

enum Result { Valid = 0, Refused = 1, Closing = 2 };
} // namespace

VaultImport::VaultImport(Base* parent) : QDialog(parent), _ui(std::make_unique<UiVaultImport>()), _base(parent)
{
    _ui->setupUi(this);
    loadTexts();
    connectCommon();
    connect(_ui->_pCsvFileBrowsing, &QPushButton::clicked, this, &VaultImport::onLookingForCsvFile);
    connect(_ui->_pImportButton, &QPushButton::clicked, this, &VaultImport::onImportRunning);
}

VaultImport::VaultImport(bool create, Base* parent)
    : QDialog(parent), _ui(std::make_unique<UiVaultImport>()), _base(parent)
{
    _ui->setupUi(this);
    loadTexts();
    connectCommon();
    if (create) {
        _ui->_pCsvFileLabel->hide();
        _ui->_pCsvFileInput->hide();
        _ui->_pCsvFileBrowsing->hide();
        _ui->_pImportButton->setText(text("Create"));
        const QIcon plus = Icons::getInstance().icon(QStringLiteral("plus"));
        _ui->_pImportButton->setIcon(plus);
        setWindowIcon(plus);
        setWindowTitle(text("NewVault"));
        connect(_ui->_pImportButton, &QPushButton::clicked, this, &VaultImport::onVaultCreating);
    } else {
        connect(_ui->_pCsvFileBrowsing, &QPushButton::clicked, this, &VaultImport::onLookingForCsvFile);
        connect(_ui->_pImportButton, &QPushButton::clicked, this, &VaultImport::onImportRunning);
    }
}

VaultImport::~VaultImport()
{
    try {
        wipePasswords();
    } catch (...) {
        // Nothing may leave a destructor.
    }
}

void VaultImport::connectCommon()
{
    for (auto [field, bar] : {std::pair<QLineEdit*, StrengthBar*>{_ui->_pPwdInput, _ui->_pPwdStrength},
                              {_ui->_pPwd2Input, _ui->_pPwd2Strength}}) {
        connect(field, &QLineEdit::textChanged, bar, [this, field, bar] {
            SlotGuard::run(this, QStringLiteral("void VaultImport::onPasswordTyped() -> "), Log::getInstance().log(),
                           [field, bar] {
                               QString password = field->text();
                               const WipeOnExit wipePassword(password);
                               bar->setPassword(password);
                           });
        });
    }
    connect(_ui->_pVaultFileBrowsing, &QPushButton::clicked, this, &VaultImport::onLookingForVaultFile);
    connect(_ui->_pCancelButton, &QPushButton::clicked, this, &VaultImport::onCanceling);
}

void VaultImport::loadTexts()
{
    _lang = ModuleTexts::load(Module);
    const auto moduleText = [](const QString& key) { return ModuleTexts::text(key, Module); };
    setWindowTitle(moduleText(QStringLiteral("windowTitle")));
    const QList<QWidget*> widgets{_ui->_pCsvFileLabel,    _ui->_pCsvFileBrowsing, _ui->_pVaultFileLabel,
                                  _ui->_pVaultFileBrowsing, _ui->_pPwdLabel,      _ui->_pPwd2Label,
                                  _ui->_pImportButton,    _ui->_pCancelButton};
    for (QWidget* widget : widgets) {
        const QString name = widget->objectName();
        widget->setToolTip(moduleText(name + QStringLiteral(".tooltip")));
        if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(moduleText(name + QStringLiteral(".text")));
        else if (auto* button = qobject_cast<QPushButton*>(widget))
            button->setText(moduleText(name + QStringLiteral(".text")));
    }
    // Each field is named by its label (without the colon the label ends with).
    for (QLabel* label : {_ui->_pCsvFileLabel, _ui->_pVaultFileLabel, _ui->_pPwdLabel, _ui->_pPwd2Label}) {
        QString name = label->text().trimmed();
        if (name.endsWith(QLatin1Char(':')))
            name = name.chopped(1).trimmed();
        label->buddy()->setAccessibleName(name);
    }
}

QString VaultImport::startFolder() const
{
    const QString last = _base ? _base->vaultFile() : QString();
    return last.isEmpty() ? QDir::homePath() : QFileInfo(last).absoluteFilePath();
}

void VaultImport::onLookingForVaultFile()
{
    SlotGuard::run(this, QStringLiteral("void VaultImport::onLookingForVaultFile() -> "),
                   Log::getInstance().log(), [this] {
                       const QString name = FileDialogs::saveFileName(this, text("VaultFile"), startFolder(),
                                                                      text("VaultFileExtensions"));
                       if (refusedAsNewVault(name)) {
                           _ui->_pVaultFileBrowsing->setFocus();
                           return;
                       }
                       if (_base)
                           _base->setVaultFile(name);
                       _ui->_pVaultFileInput->setText(name);
                   });
}

bool VaultImport::refusedAsNewVault(const QString& name)
{
    // The open vault and its backup are never the new one, or the overwrite
    // question would send them to the trash.
    const auto open = _base ? _base->model() : nullptr;
    if (!open || name.isEmpty())
        return false;
    if (VaultExchange::isSameFile(name, open->fileName())) {
        MessageBoxes::critical(this, text("ActualAndNewVaultHaveSameFilename"));
        return true;
    }
    if (VaultExchange::isSameFile(name, open->fileName() + QLatin1Char('~'))) {
        MessageBoxes::critical(this, text("NewVaultIsOpenVaultBackup").arg(name));
        return true;
    }
    return false;
}

void VaultImport::onLookingForCsvFile()
{
    SlotGuard::run(this, QStringLiteral("void VaultImport::onLookingForCsvFile() -> "), Log::getInstance().log(),
                   [this] {
                       const QString name = FileDialogs::openFileName(this, text("VaultFileImport"), startFolder(),
                                                                      text("VaultFileExportExtensions"));
                       if (_base)
                           _base->setVaultFile(name);
                       _ui->_pCsvFileInput->setText(name);
                   });
}

void VaultImport::onCanceling()
{
    close();
}

int VaultImport::inputsValid(bool create, std::unique_ptr<QFile>& vaultFile, QByteArray& csvBytes,
                             ExchangeText::Read* read)
{
    // Shares the field's buffer, which is overwritten here once the field is emptied.
    QString password = _ui->_pPwdInput->text();
    const WipeOnExit wipePassword(password);
    if (password.isEmpty()) {
        MessageBoxes::information(this, text("WaitingForPassword"));
        PasswordField::wipe(*_ui->_pPwdInput);
        _ui->_pPwdInput->setFocus();
        return Refused;
    }
    if (!Model::isPasswordCompliant(password)) {
        MessageBoxes::critical(nullptr, text("IllegalPassword"), text("PasswordRule"));
        PasswordField::wipe(*_ui->_pPwdInput);
        _ui->_pPwdInput->setFocus();
        return Refused;
    }
    if (password != _ui->_pPwd2Input->text()) {
        MessageBoxes::warning(nullptr, text("NoPwdConcordance"), text("PasswordsMustBeIdentical"));
        _ui->_pPwdInput->setFocus();
        return Refused;
    }
    const QString vaultName = _ui->_pVaultFileInput->text();
    if (vaultName.isEmpty()) {
        MessageBoxes::warning(this, text("UndefinedVaultFile"));
        return Refused;
    }
    // Typed by hand as well as chosen.
    if (refusedAsNewVault(vaultName)) {
        _ui->_pVaultFileInput->setFocus();
        return Refused;
    }
    // The vault file is named here and written complete (an empty vault) once
    // the workspace has let the open vault go; nothing is on disk before.
    vaultFile = std::make_unique<QFile>(vaultName);
    if (create)
        return makeRoomForVault(vaultName);

    const QString csvName = _ui->_pCsvFileInput->text();
    if (csvName.isEmpty()) {
        MessageBoxes::warning(this, text("ImportFileMustBeDefined"));
        _ui->_pCsvFileInput->setFocus();
        return Refused;
    }
    if (VaultExchange::isSameFile(vaultName, csvName)) {
        MessageBoxes::critical(this, text("NewVaultIsImportFile").arg(vaultName));
        _ui->_pVaultFileInput->setFocus();
        return Refused;
    }
    // Read as bytes: the reader itself tells CR LF files from the writer's.
    QString error;
    qint64 size = 0;
    const VaultExchange::Source source = VaultExchange::readImportFile(csvName, csvBytes, &error, &size);
    if (source != VaultExchange::Source::Read) {
        VaultExchange::refuseImportFile(this, csvName, source, error, size);
        _ui->_pCsvFileInput->setFocus();
        return Refused;
    }
    // Counted before anything is made: a vault holds so many racks at most.
    *read = ExchangeText::read(csvBytes);
    if (const qsizetype headers = read->blocks.size(); headers > Model::MaxRackCount) {
        MessageBoxes::warning(this, text("ImportTooManyRacks").arg(csvName).arg(headers).arg(Model::MaxRackCount),
                              text("MoveEntriesToAnotherVault"));
        _ui->_pCsvFileInput->setFocus();
        return Refused;
    }
    return makeRoomForVault(vaultName);
}

// Last, once nothing else can refuse: the folder must take a new file (tried
// with a temporary one, which goes at once), and an existing file goes to the
// trash only for a vault that is really made.
int VaultImport::makeRoomForVault(const QString& vaultName)
{
    QTemporaryFile probe(QFileInfo(vaultName).absolutePath() + QStringLiteral("/.kovrin-XXXXXX"));
    if (!probe.open()) {
        MessageBoxes::critical(this, text("FileNotOpened").arg(vaultName), probe.errorString());
        _ui->_pVaultFileInput->setFocus();
        return Refused;
    }
    probe.close();
    switch (VaultExchange::makeRoomFor(this, vaultName)) {
    case VaultExchange::Room::Made: return Valid;
    case VaultExchange::Room::Kept: return Closing;
    case VaultExchange::Room::NotAFile: break;
    }
    _ui->_pVaultFileInput->setFocus();
    return Refused;
}

bool VaultImport::startNewVault(bool create, std::unique_ptr<QFile>& vaultFile, QByteArray& csvBytes,
                                ExchangeText::Read* read,
                                const QStringList& rackNames)
{
    const int result = inputsValid(create, vaultFile, csvBytes, read);
    if (result != Valid) {
        vaultFile.reset();
        if (result == Closing)
            close();
        return false;
    }
    QString password = _ui->_pPwdInput->text();
    const WipeOnExit wipePassword(password);
    // A vault whose saving was asked for and failed stays open (the error was
    // shown); the passwords stay for another try.
    if ((create || _base->model()) && !_base->closeVault())
        return false;
    const QString vaultName = vaultFile->fileName();
    auto model =
        std::make_shared<Model>(Log::getInstance().log(), vaultName, Model::keyFromPassword(password), _base);
    for (const QString& name : rackNames) {
        auto rack = std::make_unique<RackModel>(model, name);
        if (!model->addRackModel(rack.get()))
            throw Exception(QStringLiteral("void VaultImport::onVaultCreating() -> ")
                            + text("RackNotCreated").arg(name));
        (void)rack.release(); // the vault model's now
    }
    // Written by the vault's own writer at once: the file opens from the
    // start, and is never left empty by a step that fails later.
    try {
        model->saveVault(true);
    } catch (const Exception& e) {
        MessageBoxes::critical(this, text("FileNotOpened").arg(vaultName), e.detail());
        return false;
    }
    // Used now: out of the fields, and the copy above is the last one.
    wipePasswords();
    // The workspace connects the new model's status signal to its lamp.
    _base->setModel(std::move(model));
    for (const QString& name : rackNames)
        _base->showRack(name);
    return true;
}

void VaultImport::wipePasswords()
{
    PasswordField::wipe(*_ui->_pPwdInput);
    PasswordField::wipe(*_ui->_pPwd2Input);
}

void VaultImport::done(int result)
{
    // However the dialog goes (a button, Escape, the window's close box), the
    // passwords do not stay behind in it.
    wipePasswords();
    QDialog::done(result);
}

void VaultImport::createVault()
{
    std::unique_ptr<QFile> vaultFile;
    QByteArray csvBytes;
    if (!startNewVault(true, vaultFile, csvBytes, nullptr, {text("NewRackName") + QStringLiteral(" 1")}))
        return;
    const QString fileName = vaultFile->fileName();
    vaultFile.reset();
    _base->showExportMode();
    MessageBoxes::information(this, text("VaultCreated").arg(fileName));
    _base->selectTab(RackModel::FirstRackTab);
    close();
}

VaultExchange::RackMaker VaultImport::workspaceRacks(Base* base)
{
    VaultExchange::RackMaker racks;
    // Each rack gets its view and tab at once, while it is still empty. The
    // views, behind the current tab, sort and size their tables only when
    // first shown, over the entries they have then.
    racks.create = [base](const QString& name) -> RackModel* {
        return base->createRack(name) ? base->model()->rackModel(name) : nullptr;
    };
    racks.freeName = [base] { return base->nextRackName(); };
    racks.filled = [](RackModel& rack) {
        if (Rack* view = rack.rack())
            view->updateEntriesCounter();
    };
    return racks;
}

void VaultImport::importVault()
{
    std::unique_ptr<QFile> vaultFile;
    QByteArray bytes;
    // The file's text holds every password it brings: overwritten once read.
    const WipeOnExit wipeBytes(bytes);
    ExchangeText::Read read;
    if (!startNewVault(false, vaultFile, bytes, &read))
        return;
    const auto model = _base->model();
    const VaultExchange::RackMaker racks = workspaceRacks(_base);
    // Racks made are a change, like Alt+R: the vault can be saved with them.
    const auto showImported = [this, &model] {
        _base->showExportMode();
        model->setModified();
    };
    VaultExchange::Counts counts;
    try {
        const Base::TabBatch batch(_base);
        counts = VaultExchange::importFullVault(read, *model, racks, model->logger().get(), nullptr);
    } catch (const Exception& e) {
        // What came in before the bad line stays, in a vault that can be saved;
        // the error box says how much it is (the new vault held nothing before).
        if (model->rackCount() > 0) {
            showImported();
            _base->selectTab(RackModel::FirstRackTab);
            VaultExchange::warnIfTooBigToSave(this, *model);
        }
        qsizetype entries = 0;
        for (const RackModel* rack : *model->racks())
            entries += rack->entryCount();
        throw Exception(e.detail() + QLatin1Char('\n') + text("ImportStoppedEarly").arg(entries),
                        std::make_shared<Exception>(e));
    }
    vaultFile.reset();
    if (model->rackCount() > 0) {
        showImported();
        MessageBoxes::information(this, text("ImportResult").arg(counts.added).arg(counts.rejected), text("LookLog"));
        _base->selectTab(RackModel::FirstRackTab);
        VaultExchange::warnIfTooBigToSave(this, *model);
    }
    close();
}

void VaultImport::runGuarded(void (VaultImport::*operation)())
{
    QString message;
    try {
        (this->*operation)();
        return;
    } catch (...) {
        message = SlotGuard::currentMessage(GuardContext);
    }
    // Logged where the vault model in place at that moment logs: the new one
    // once it has been built. Reporting must not throw either.
    try {
        const auto model = _base ? _base->model() : nullptr;
        if (model && model->logger())
            model->logger()->critical(message);
        MessageBoxes::critical(this, message);
    } catch (...) {
        qCritical().noquote() << message;
    }
}

void VaultImport::onImportRunning()
{
    runGuarded(&VaultImport::importVault);
}

void VaultImport::onVaultCreating()
{
    runGuarded(&VaultImport::createVault);
}
