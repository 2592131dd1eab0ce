#pragma once

#include "ExchangeText.h"
#include "VaultExchange.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class Base;
class QFile;
class UiVaultImport;

// The dialog that makes a new vault file: in import mode from a text file in
// the full-vault form (the vault is written when the user saves it), in create
// mode with one empty rack, written at once. Either way the vault open in the
// workspace is closed first and the new one takes its place.
class VaultImport : public QDialog
{
    Q_OBJECT
public:
    // Import mode.
    explicit VaultImport(Base* parent);
    VaultImport(bool create, Base* parent);
    ~VaultImport() override;

    // Checks the inputs in order and opens the text file: 0 when all is valid
    // (the vault file is named, not yet written, and an existing file of that
    // name is in the trash), 1 when an input was refused (the dialog stays), 2
    // when the user refused to replace an existing vault file or it could not
    // be removed (the dialog closes). The files made are the caller's.
    int inputsValid(bool create, std::unique_ptr<QFile>& vaultFile, QByteArray& csvBytes, ExchangeText::Read* read);

    // Import mode: builds the new vault from the text file.
    void importVault();
    // Create mode: a new vault with one empty rack, saved at once.
    void createVault();

    // How the import makes the racks of the workspace's vault model.
    static VaultExchange::RackMaker workspaceRacks(Base* base);

    // Empties both password fields whenever the dialog ends.
    void done(int result) override;

private slots:
    void onLookingForVaultFile();
    void onLookingForCsvFile();
    void onCanceling();
    void onImportRunning();
    void onVaultCreating();

private:
    void loadTexts();
    // Empties both password fields and overwrites what they held.
    void wipePasswords();
    void connectCommon();
    // The common start of both operations: the new vault model, with these
    // empty racks, written to its file and shown in the workspace. False when
    // the dialog has to stay (or closed already).
    bool startNewVault(bool create, std::unique_ptr<QFile>& vaultFile, QByteArray& csvBytes, ExchangeText::Read* read,
                       const QStringList& rackNames = {});
    // The overwrite question for an existing vault file, as a result of inputsValid.
    int makeRoomForVault(const QString& vaultName);
    QString startFolder() const;
    // Shows why name cannot be the new vault (it is the open vault or its
    // backup) and returns true; false when it can.
    bool refusedAsNewVault(const QString& name);
    void runGuarded(void (VaultImport::*operation)());

    std::unique_ptr<UiVaultImport> _ui;
    Base* _base = nullptr;
    QString _lang;
};
