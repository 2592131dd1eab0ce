#include "SettingsDialog.h"

#include "Log.h"
#include "ModuleTexts.h"
#include "SlotGuard.h"
#include "UiSettingsDialog.h"

namespace {
const QString Module = QStringLiteral("SettingsDialog");
} // namespace

SettingsDialog::SettingsDialog(Settings& settings, QWidget* parent)
    : QDialog(parent), _settings(settings), _ui(std::make_unique<UiSettingsDialog>()), _log(Log::getInstance().log())
{
    _ui->setupUi(this);
    loadTexts();

    const Settings::Values& values = _settings.values();
    _ui->_sbxClipboardTimeout->setValue(values.clipboardTimeout);
    _ui->_sbxLockIdle->setValue(values.lockIdleMinutes);
    _ui->_chkLockOnScreenLock->setChecked(values.lockOnScreenLock);
    _ui->_chkFilterAsYouType->setChecked(values.filterAsYouType);
    _ui->_chkHidePasswords->setChecked(values.hidePasswords);

    connect(_ui->_btnOk, &QPushButton::clicked, this, &SettingsDialog::onAccepting);
    connect(_ui->_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::loadTexts()
{
    ModuleTexts::load(Module);
    const auto text = [](const QString& key) { return ModuleTexts::text(key, Module); };
    setWindowTitle(text(QStringLiteral("windowTitle")));
    const QList<QWidget*> widgets{_ui->_lblClipboardTimeout, _ui->_sbxClipboardTimeout, _ui->_lblLockIdle,
                                  _ui->_sbxLockIdle,         _ui->_chkLockOnScreenLock, _ui->_chkFilterAsYouType,
                                  _ui->_chkHidePasswords,    _ui->_btnOk,               _ui->_btnCancel};
    for (QWidget* widget : widgets) {
        const QString name = widget->objectName();
        widget->setToolTip(text(name + QStringLiteral(".tooltip")));
        if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(text(name + QStringLiteral(".text")));
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(text(name + QStringLiteral(".text")));
        if (!qobject_cast<QLabel*>(widget))
            widget->setAccessibleName(text(name + QStringLiteral(".accessibleName")));
    }
    // 0 is "off" for both numbers.
    _ui->_sbxClipboardTimeout->setSpecialValueText(text(QStringLiteral("Off")));
    _ui->_sbxClipboardTimeout->setSuffix(text(QStringLiteral("_sbxClipboardTimeout.suffix")));
    _ui->_sbxLockIdle->setSpecialValueText(text(QStringLiteral("Off")));
    _ui->_sbxLockIdle->setSuffix(text(QStringLiteral("_sbxLockIdle.suffix")));
}

Settings::Values SettingsDialog::values() const
{
    Settings::Values values;
    values.clipboardTimeout = _ui->_sbxClipboardTimeout->value();
    values.lockIdleMinutes = _ui->_sbxLockIdle->value();
    values.lockOnScreenLock = _ui->_chkLockOnScreenLock->isChecked();
    values.filterAsYouType = _ui->_chkFilterAsYouType->isChecked();
    values.hidePasswords = _ui->_chkHidePasswords->isChecked();
    return values;
}

void SettingsDialog::onAccepting(bool)
{
    // A file that cannot be written is shown and the dialog stays open.
    if (SlotGuard::run(this, QStringLiteral("void SettingsDialog::onAccepting(bool) -> "), _log,
                       [this] { _settings.choose(values()); }))
        accept();
}
