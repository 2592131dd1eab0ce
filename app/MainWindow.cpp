#include "MainWindow.h"

#include "ColorScheme.h"
#include "Log.h"
#include "Logger.h"
#include "ModuleTexts.h"
#include "UiMainWindow.h"

#include <QCoreApplication>
#include <QLabel>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), _log(Log::getInstance().log()), _ui(std::make_unique<UiMainWindow>())
{
    _ui->setupUi(this);
    _lang = ModuleTexts::load(QStringLiteral("MainWindow"));
    loadTexts();

    _statusLed = new QLabel(this);
    _statusLed->setFixedSize(16, 16);
    _statusLed->setScaledContents(true);
    _ui->_status->addPermanentWidget(_statusLed);

    _ui->_actDelRack->setEnabled(false);
    _ui->_actSave->setEnabled(false);
    initActions();

    connect(_ui->_actQuit, &QAction::triggered, this, &MainWindow::onQuit);
}

MainWindow::~MainWindow()
{
    if (_statusLed)
        _statusLed->deleteLater();
}

void MainWindow::loadTexts()
{
    const auto text = [](const char* key) { return ModuleTexts::text(QLatin1String(key)); };
    _ui->_mnuFile->setTitle(text("_mnuFile.title"));
    _ui->_mnuInfo->setTitle(text("_mnuInfo.title"));
    _ui->_actNewVault->setText(text("_actNewVault.text"));
    _ui->_actNewVault->setToolTip(text("_actNewVault.tooltip"));
    _ui->_actQuit->setText(text("_actQuit.text"));
    _ui->_actQuit->setToolTip(text("_actQuit.tooltip"));
    _ui->_actTheme->setToolTip(text("_actTheme.tooltip"));
    _ui->_actInfo->setText(text("_actInfo.text"));
    _ui->_actInfo->setToolTip(text("_actInfo.tooltip"));
    _ui->_actSave->setText(text("_actSave.text"));
    _ui->_actSave->setToolTip(text("_actSave.tooltip"));
    _ui->_actNewRack->setText(text("_actNewRack.text"));
    _ui->_actNewRack->setToolTip(text("_actNewRack.tooltip"));
    _ui->_actDelRack->setText(text("_actDelRack.text"));
    _ui->_actDelRack->setToolTip(text("_actDelRack.tooltip"));
    _ui->_actFullImport->setText(text("_actFullImport.text"));
}

void MainWindow::initActions()
{
    _ui->_actNewRack->setVisible(false);
    _ui->_actSave->setEnabled(false);
    _ui->_actNewVault->setVisible(true);
    _ui->_actQuit->setVisible(true);
    _ui->_actTheme->setVisible(true);
    _ui->_actTheme->setText(ModuleTexts::text(ColorScheme::isDark() ? QStringLiteral("ClearTheme") : QStringLiteral("DarkTheme")));
    _statusLed->setPixmap(QPixmap(QStringLiteral(":/images/greenLed.png")));
}

QAction* MainWindow::actSave() const { return _ui ? _ui->_actSave : nullptr; }
QAction* MainWindow::actNewRack() const { return _ui ? _ui->_actNewRack : nullptr; }
QAction* MainWindow::actDelRack() const { return _ui ? _ui->_actDelRack : nullptr; }
QAction* MainWindow::actFullImport() const { return _ui ? _ui->_actFullImport : nullptr; }

void MainWindow::onQuit(bool)
{
    QCoreApplication::quit();
}
