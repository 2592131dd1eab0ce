#pragma once

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

class QDialog;

// The settings dialog's form, with the object names the language bundle keys
// are built from.
class UiSettingsDialog
{
public:
    void setupUi(QDialog* dialog);

    QGridLayout* _gridLayout = nullptr;
    QLabel* _lblClipboardTimeout = nullptr;
    QSpinBox* _sbxClipboardTimeout = nullptr;
    QLabel* _lblLockIdle = nullptr;
    QSpinBox* _sbxLockIdle = nullptr;
    QCheckBox* _chkLockOnScreenLock = nullptr;
    QCheckBox* _chkFilterAsYouType = nullptr;
    QCheckBox* _chkHidePasswords = nullptr;
    QPushButton* _btnOk = nullptr;
    QPushButton* _btnCancel = nullptr;
};
