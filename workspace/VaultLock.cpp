#include "VaultLock.h"

#include "Base.h"
#include "Exception.h"
#include "LockGate.h"
#include "LockedVault.h"
#include "MessageBoxes.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordField.h"
#include "VaultSaver.h"
#include "WipeOnExit.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>

namespace {
QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}
} // namespace

VaultLock::VaultLock(Base* base) : QObject(base), _base(base) {}

VaultLock::~VaultLock() = default;

QString VaultLock::fileName() const
{
    return _locked ? _locked->fileName() : QString();
}

void VaultLock::lock()
{
    if (_locked || !_base->model())
        return;
    QPointer<VaultLock> self(this);
    LockGate::request([self] {
        if (self)
            self->lockNow();
    });
}

void VaultLock::lockNow()
{
    // The vault may have gone, or been locked, while the boxes closed.
    if (_locked || !_base->model())
        return;
    std::unique_ptr<LockedVault> locked = _base->sealVault(&_undoLost);
    if (!locked)
        return;
    _locked = std::move(locked);
    _base->showLocked(_locked->fileName(), true);
    emit lockedChanged(true);
}

bool VaultLock::unlock(const QString& password)
{
    if (!_locked)
        return true;
    try {
        _base->unsealVault(*_locked, password);
    } catch (const Exception&) {
        return false;
    }
    _locked.reset();
    emit lockedChanged(false);
    if (_undoLost) {
        _undoLost = false;
        MessageBoxes::information(_base, text("UndoLostByLock"));
    }
    return true;
}

QString VaultLock::askPassword()
{
    QInputDialog dialog(_base);
    dialog.setWindowTitle(text("LockedVaultPasswordTitle"));
    dialog.setLabelText(text("LockedVaultPassword").arg(_locked->fileName()));
    dialog.setTextEchoMode(QLineEdit::Password);
    auto* field = dialog.findChild<QLineEdit*>();
    if (field)
        field->setAccessibleName(text("LockedVaultPasswordField"));
    const bool accepted = LockGate::exec(dialog) == QDialog::Accepted;
    QString password = field ? PasswordField::take(*field) : dialog.textValue();
    dialog.setTextValue(QString());
    if (!accepted)
        WipeOnExit::wipe(password);
    return accepted ? password : QString();
}

bool VaultLock::releaseForClosing()
{
    if (!_locked)
        return true;
    if (_locked->isModified()) {
        const QMessageBox::StandardButton answer =
            MessageBoxes::ask(_base, text("VaultUpdated").arg(_locked->fileName()), text("RequestForSaving"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer == QMessageBox::NoButton)
            return false;
        if (answer == QMessageBox::Yes) {
            QString password = askPassword();
            const WipeOnExit wipePassword(password);
            if (password.isEmpty())
                return false;
            LockedVault::Opened opened;
            try {
                opened = _locked->open(password, _base);
            } catch (const Exception&) {
                MessageBoxes::warning(_base, text("WrongPassword"));
                return false;
            }
            WipeOnExit::wipe(opened.state);
            // Written as the workspace would have; held back or failed, the
            // window stays and the vault stays locked.
            if (!VaultSaver::save(_base, *opened.model, true))
                return false;
        }
    }
    _locked.reset();
    _undoLost = false;
    emit lockedChanged(false);
    return true;
}
