#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <memory>

class Base;
class Logger;
class PasswordReport;
class QLabel;
class UiMainWindow;

// The program's only top-level window: menus, status lamp and the workspace.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    QAction* actSave() const;
    QAction* actNewRack() const;
    QAction* actDelRack() const;
    QAction* actFullImport() const;
    QAction* actSettings() const;
    QAction* actLock() const;
    QAction* actPasswordReport() const;
    // The password report, once opened (it stays until the window goes).
    PasswordReport* passwordReport() const;
    QLabel* statusLed() const { return _statusLed; }
    std::shared_ptr<Logger> logger() const { return _log; }
    QString lang() const { return _lang; }
    Base* base() const { return _base; }

    // Restores the initial state of the actions and the lamp.
    void initActions();
    // Red lamp and save enabled while the vault differs from its file.
    void showVaultStatus(bool modified);

public Q_SLOTS:
    void onNewVault(bool checked = false);
    void onFullImporting(bool checked = false);
    void onSaving(bool checked = false);
    void onThemeSetup(bool checked = false);
    void onInfo(bool checked = false);
    // The settings dialog over the Settings of this run (nothing without them).
    void onSettings(bool checked = false);
    void onQuit(bool checked = false);
    // Locks the open vault (the Lock action and every other trigger).
    void onLocking(bool checked = false);
    // Opens the password report (or brings it to the front) and runs it.
    void onPasswordReport(bool checked = false);

protected:
    // A modified vault is offered for saving; the window stays open when that
    // save fails, so that the changes are not lost.
    void closeEvent(QCloseEvent* event) override;

private:
    void loadTexts();
    // Title, lamp and actions as the lock of the vault now stands.
    void showLockState();

    std::shared_ptr<Logger> _log;
    QString _lang;
    std::unique_ptr<UiMainWindow> _ui;
    QLabel* _statusLed = nullptr;
    Base* _base = nullptr;
    QString _title; // the title before the vault locked
    bool _shownLocked = false;
    QPointer<PasswordReport> _report;
};
