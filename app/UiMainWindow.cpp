#include "UiMainWindow.h"

#include "Icons.h"

#include <QIcon>
#include <QMainWindow>

namespace {
QAction* makeAction(QMainWindow* window, const char* name, const char* icon, const char* shortcut)
{
    auto* action = new QAction(window);
    action->setObjectName(QLatin1String(name));
    action->setIcon(Icons::fromResource(QLatin1String(icon)));
    action->setShortcut(QKeySequence(QLatin1String(shortcut)));
    return action;
}
} // namespace

void UiMainWindow::setupUi(QMainWindow* window)
{
    window->setObjectName(QStringLiteral("_mainWindow"));
    window->resize(800, 600);
    window->setWindowIcon(Icons::fromResource(QStringLiteral(":/images/key.png")));

    _actNewVault = makeAction(window, "_actNewVault", ":/images/vault-32.png", "Ctrl+N");
    _actQuit = makeAction(window, "_actQuit", ":/images/error-32.png", "Alt+Q");
    _actQuit->setMenuRole(QAction::QuitRole);
    _actTheme = makeAction(window, "_actTheme", ":/images/colors-32.png", "Alt+T");
    _actInfo = makeAction(window, "_actInfo", ":/images/help.png", "Ctrl+H");
    _actInfo->setMenuRole(QAction::AboutRole);
    _actSave = makeAction(window, "_actSave", ":/images/diskette-32.png", "Ctrl+S");
    _actNewRack = makeAction(window, "_actNewRack", ":/images/insert-32.png", "Alt+R");
    _actFullImport = makeAction(window, "_actFullImport", ":/images/vault-32.png", "Ctrl+I");
    _actFullImport->setToolTip(QStringLiteral("Importer un coffre complet depuis un fichier texte"));
    _actDelRack = makeAction(window, "_actDelRack", ":/images/cancel-32.png", "Alt+D");
    _actSettings = makeAction(window, "_actSettings", ":/images/key.png", "Ctrl+,");
    _actSettings->setMenuRole(QAction::PreferencesRole);
    _actLock = makeAction(window, "_actLock", ":/images/connection.png", "Ctrl+L");
    _actPasswordReport = makeAction(window, "_actPasswordReport", ":/images/key.png", "");

    _centralWidget = new QWidget(window);
    _centralWidget->setObjectName(QStringLiteral("_centralWidget"));
    window->setCentralWidget(_centralWidget);

    _mbrMain = new QMenuBar(window);
    _mbrMain->setObjectName(QStringLiteral("_mbrMain"));
    _mbrMain->setGeometry(QRect(0, 0, 800, 27));
    _mnuFile = new QMenu(_mbrMain);
    _mnuFile->setObjectName(QStringLiteral("_mnuFile"));
    _mnuInfo = new QMenu(_mbrMain);
    _mnuInfo->setObjectName(QStringLiteral("_mnuInfo"));
    window->setMenuBar(_mbrMain);

    _status = new QStatusBar(window);
    _status->setObjectName(QStringLiteral("_status"));
    window->setStatusBar(_status);

    _mbrMain->addAction(_mnuFile->menuAction());
    _mbrMain->addAction(_mnuInfo->menuAction());
    _mnuFile->addAction(_actNewVault);
    _mnuFile->addSeparator();
    for (QAction* action : {_actFullImport, _actNewRack, _actDelRack, _actTheme, _actSettings, _actPasswordReport, _actSave, _actLock, _actQuit})
        _mnuFile->addAction(action);
    _mnuInfo->addAction(_actInfo);
}
