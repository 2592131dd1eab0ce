#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>

class Logger;
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
    QLabel* statusLed() const { return _statusLed; }
    std::shared_ptr<Logger> logger() const { return _log; }
    QString lang() const { return _lang; }

    // Restores the initial state of the actions and the lamp.
    void initActions();

public Q_SLOTS:
    void onQuit(bool checked = false);

private:
    void loadTexts();

    std::shared_ptr<Logger> _log;
    QString _lang;
    std::unique_ptr<UiMainWindow> _ui;
    QLabel* _statusLed = nullptr;
};
