#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QWidget>

class QMainWindow;

// The main window's form: actions, menus, menu bar and status bar, with the
// object names the language bundle keys are built from.
class UiMainWindow
{
public:
    void setupUi(QMainWindow* window);

    QAction* _actNewVault = nullptr;
    QAction* _actQuit = nullptr;
    QAction* _actTheme = nullptr;
    QAction* _actInfo = nullptr;
    QAction* _actSave = nullptr;
    QAction* _actNewRack = nullptr;
    QAction* _actFullImport = nullptr;
    QAction* _actDelRack = nullptr;
    QAction* _actSettings = nullptr;
    QAction* _actLock = nullptr;
    QAction* _actPasswordReport = nullptr;
    QWidget* _centralWidget = nullptr;
    QMenuBar* _mbrMain = nullptr;
    QMenu* _mnuFile = nullptr;
    QMenu* _mnuInfo = nullptr;
    QStatusBar* _status = nullptr;
};
