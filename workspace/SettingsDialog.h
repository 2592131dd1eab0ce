#pragma once

#include "Settings.h"

#include <QDialog>

#include <memory>

class Logger;
class UiSettingsDialog;

// Shows the settings in effect; OK makes the user's choice lasting and
// applies it at once, Cancel leaves everything as it was.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    SettingsDialog(Settings& settings, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    // What the fields say now.
    Settings::Values values() const;

public Q_SLOTS:
    void onAccepting(bool checked = false);

private:
    void loadTexts();

    Settings& _settings;
    std::unique_ptr<UiSettingsDialog> _ui;
    std::shared_ptr<Logger> _log;
};
