#pragma once

#include "GeneratorSettings.h"

#include <QStringList>
#include <QPointer>
#include <QTabWidget>

#include <functional>

#include <memory>

class LockedVault;
class MainWindow;
class Model;
class Rack;
class TabRenamer;
class UiBase;
class VaultLock;
class QCheckBox;

// The workspace: the Vault page (open a vault, exchange), the Passwords page
// (generator) and one tab per rack of the open vault. It alone keeps the rack
// tabs and the vault's rack list in step: the rack at list position i is shown
// in tab i + 2 and its rack model records that index.
class Base : public QTabWidget, public GeneratorSettings
{
    Q_OBJECT
public:
    explicit Base(MainWindow* mainWindow);
    ~Base() override;

    std::shared_ptr<Model> model() const { return _model; }
    void setModel(std::shared_ptr<Model> model);
    QString vaultFile() const { return _vaultFile; }
    void setVaultFile(const QString& fileName) { _vaultFile = fileName; }
    // A vault file handed to the program (command line, file manager): the Vault
    // page shows it in the vault-file field, with the focus in the password field.
    void offerVaultFile(const QString& fileName);
    MainWindow* mainWindow() const { return _mainWindow; }

    // The lock of the open vault (its state and transitions).
    VaultLock* vaultLock() const { return _lock; }
    // Everything the workspace shows of the open vault, sealed under the
    // vault's key pair: the racks in tab order with each rack's sort, filter
    // and search line, and the current tab. Editors and the new-entry forms
    // are dropped unapplied, then the racks and the vault model go without a
    // question. undoLost tells whether deletions could still be undone.
    std::unique_ptr<LockedVault> sealVault(bool* undoLost = nullptr);
    // Shows again the vault sealed in locked, opened with password, as it was
    // sealed; raises WrongPassword, changing nothing, for another password.
    void unsealVault(const LockedVault& locked, const QString& password);
    // The Vault page of a locked vault: its file name, fixed, an empty
    // password field with the focus, and "Unlock"; or back to opening.
    void showLocked(const QString& fileName, bool locked);

    // Makes tab index current, held within the existing tabs.
    void selectTab(int index);

    // Offers to save a modified vault. False when the user chose to save and
    // the save failed (the error was shown) or was held back because the file
    // changed on disk: the caller must keep the vault.
    bool askForSaving(bool closing);
    // False when the vault stays open because saving it failed.
    bool closeVault();
    bool releaseVault();
    // The window's close: the saving question (when closing) and, unless the
    // vault has to stay because its save failed or was held back, the vault
    // released without a second question. False when the window must stay.
    bool releaseForClosing();
    void openVault(const QString& fileName, const QString& password);

    void hideExchange();
    void showExportMode();
    void showImportMode();
    void fillRackNames();
    void launchVaultImport();
    // The exchange group's two operations, on the file named in its field.
    void exportVault();
    void importRack(const QString& rackName);

    // Adds or removes many tabs at once. Qt lays every tab of a shown bar out
    // again for each tab added or removed, which makes a vault of thousands of
    // racks take minutes: while a batch lives the bar is hidden, and it is
    // laid out once when the outermost batch ends.
    class TabBatch
    {
    public:
        explicit TabBatch(Base* base);
        ~TabBatch();
        TabBatch(const TabBatch&) = delete;
        TabBatch& operator=(const TabBatch&) = delete;

    private:
        QPointer<Base> _base;
        bool _hid = false;
    };

    // Rack tabs. Every operation that adds, removes or moves a rack goes
    // through these, so that list order and tab order stay the same.
    QString nextRackName() const;
    // Shows a rack model already in the vault model as the last tab.
    Rack* showRack(const QString& name);
    // Adds a new empty rack to the vault model and shows it; nullptr (after
    // the error box) when the vault model refuses it.
    Rack* createRack(const QString& name);
    Rack* rackAt(int tabIndex) const;
    Rack* rackNamed(const QString& name) const;

    // The password page's settings.
    int charsCount() const override;
    int passwordsCount() const override;
    bool isLowerCaseChecked() const override;
    bool isUpperCaseChecked() const override;
    bool isNumberChecked() const override;
    bool isSymbolChecked() const override;

private Q_SLOTS:
    void onHelpShowing();
    void onTabNameChanged(int index, const QString& oldTabName, const QString& newTabName);
    void onLookingForVaultFile();
    void onLookingForVaultImportExportFile();
    void onVaultInitializing();
    void onToggledImport(bool checked);
    void onToggledExport(bool checked);
    void onPasswordsBuilding();
    void onPasswordsDisplayChanged(Qt::CheckState state);
    void onSymbolsCheckerChanged(Qt::CheckState state);
    void onImportExport(bool checked = false);
    void onTabCurrentChanged(int index);
    void onPasswordSizeChanged(int value);

Q_SIGNALS:
    // A vault came or went (not while it is only being reopened by an unlock).
    void vaultPresenceChanged(bool open);

public Q_SLOTS:
    void onRackCreating(bool checked = false);
    void onRackDeleting(bool checked = false);
    void onVaultStatusUpdated(bool updated);

private:
    // Runs a slot body with the uniform error box.
    bool guarded(const char* context, const std::function<void()>& body);
    void onTabMoved(int from, int to);
    // Puts the fixed pages back in front and the vault's rack list in tab order.
    void syncRacksWithTabs();
    void removeAllRacks();
    void forgetLastLaidOutCell();
    // Removes the racks and lets the vault go, without any question.
    void dropVault();
    bool saveAfterQuestion(bool closing);
    void displayPasswords();
    // The exchange group in export mode, or in import mode.
    void showExchange(bool exporting);
    static void connectCheckState(QCheckBox* box, Base* base, void (Base::*slot)(Qt::CheckState));

    QString _lang;
    bool _exporting = false;
    std::unique_ptr<UiBase> _ui;
    MainWindow* _mainWindow;
    QString _vaultFile;
    std::shared_ptr<Model> _model;
    int _tabBatches = 0;   // TabBatch objects alive
    int _racksInBatch = 0; // racks shown since the first of them
    TabRenamer* _tabRenamer = nullptr;
    VaultLock* _lock = nullptr;
    QStringList _passwords;
    bool _syncing = false;
};
