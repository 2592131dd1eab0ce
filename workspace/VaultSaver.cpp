#include "VaultSaver.h"

#include "MessageBoxes.h"
#include "Model.h"
#include "ModuleTexts.h"

bool VaultSaver::save(QWidget* parent, Model& model, bool silent)
{
    Model::DiskChange onChange = Model::DiskChange::Refuse;
    if (model.isChangedOnDisk()) {
        const QMessageBox::StandardButton answer = MessageBoxes::ask(
            parent, ModuleTexts::text(QStringLiteral("VaultChangedByOtherProgram")).arg(model.fileName()),
            ModuleTexts::text(QStringLiteral("OverwriteOrKeepInMemory")), QMessageBox::Yes | QMessageBox::Cancel,
            QMessageBox::Cancel);
        if (answer != QMessageBox::Yes)
            return false;
        onChange = Model::DiskChange::Overwrite;
    }
    model.saveVault(silent, onChange);
    return true;
}
