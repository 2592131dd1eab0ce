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
#include "UiVaultImport.h"
#include "VaultExchange.h"
#include "WipeOnExit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
                       const auto model = _base ? _base->model() : nullptr;
                       if (model && !name.isEmpty() && VaultExchange::isSameFile(name, model->fileName())) {
                           MessageBoxes::critical(this, text("ActualAndNewVaultHaveSameFilename"));
                           _ui->_pVaultFileBrowsing->setFocus();
                           return;
                       }
                       if (_base)
                           _base->setVaultFile(name);
                       _ui->_pVaultFileInput->setText(name);
                   });
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

int VaultImport::inputsValid(bool create, std::unique_ptr<QFile>& vaultFile, std::unique_ptr<QFile>& csvFile)
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
    // Typed by hand as well as chosen: the open vault is never the new one, or
    // the overwrite question below would send it to the trash.
    const auto open = _base ? _base->model() : nullptr;
    if (open && VaultExchange::isSameFile(vaultName, open->fileName())) {
        MessageBoxes::critical(this, text("ActualAndNewVaultHaveSameFilename"));
        _ui->_pVaultFileInput->setFocus();
        return Refused;
    }
    if (!VaultExchange::makeRoomFor(this, vaultName))
        return Closing;
    vaultFile = std::make_unique<QFile>(vaultName);
    if (!vaultFile->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        MessageBoxes::critical(this, text("FileNotOpened").arg(vaultName), vaultFile->errorString());
        return Refused;
    }
    if (create)
        return Valid;

    const QString csvName = _ui->_pCsvFileInput->text();
    if (csvName.isEmpty()) {
        MessageBoxes::warning(this, text("ImportFileMustBeDefined"));
        _ui->_pCsvFileInput->setFocus();
        return Refused;
    }
    csvFile = std::make_unique<QFile>(csvName);
    if (!csvFile->open(QIODevice::ReadOnly | QIODevice::Text | QIODevice::ExistingOnly)) {
        MessageBoxes::warning(this, text("FileNotReadable").arg(csvName), csvFile->errorString());
        _ui->_pCsvFileInput->setFocus();
        return Refused;
    }
    return Valid;
}

bool VaultImport::startNewVault(bool create, std::unique_ptr<QFile>& vaultFile, std::unique_ptr<QFile>& csvFile)
{
    const int result = inputsValid(create, vaultFile, csvFile);
    if (result != Valid) {
        vaultFile.reset();
        csvFile.reset();
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
    // Used now: out of the fields, and the copy above is the last one.
    wipePasswords();
    // The workspace connects the new model's status signal to its lamp.
    _base->setModel(std::make_shared<Model>(Log::getInstance().log(), vaultFile->fileName(),
                                            Model::keyFromPassword(password), _base));
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
    std::unique_ptr<QFile> csvFile;
    if (!startNewVault(true, vaultFile, csvFile))
        return;
    const QString name = text("NewRackName") + QStringLiteral(" 1");
    if (!_base->createRack(name))
        throw Exception(QStringLiteral("void VaultImport::onVaultCreating() -> ") + text("RackNotCreated").arg(name));
    const QString fileName = vaultFile->fileName();
    vaultFile.reset();
    csvFile.reset();
    _base->showExportMode();
    const auto model = _base->model();
    model->saveVault(false);
    model->resetModified();
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
    std::unique_ptr<QFile> csvFile;
    if (!startNewVault(false, vaultFile, csvFile))
        return;
    const auto model = _base->model();
    const QByteArray bytes = csvFile->readAll();
    const VaultExchange::RackMaker racks = workspaceRacks(_base);
    int made = 0;
    const VaultExchange::Counts counts =
        VaultExchange::importFullVault(bytes, *model, racks, model->logger().get(), &made);
    vaultFile.reset();
    csvFile.reset();
    if (made > 0) {
        _base->showExportMode();
        model->setModified();
        MessageBoxes::information(this, text("ImportResult").arg(counts.added).arg(counts.rejected), text("LookLog"));
        _base->selectTab(RackModel::FirstRackTab);
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
