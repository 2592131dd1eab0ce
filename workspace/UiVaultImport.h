#pragma once

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class QDialog;
class StrengthBar;

// The full vault import dialog's form, with the object names the language
// bundle keys are built from.
class UiVaultImport
{
public:
    void setupUi(QDialog* dialog);

    QGridLayout* gridLayout = nullptr;
    QLabel* _pCsvFileLabel = nullptr;
    QLineEdit* _pCsvFileInput = nullptr;
    QPushButton* _pCsvFileBrowsing = nullptr;
    QLabel* _pVaultFileLabel = nullptr;
    QLineEdit* _pVaultFileInput = nullptr;
    QPushButton* _pVaultFileBrowsing = nullptr;
    QLabel* _pPwdLabel = nullptr;
    QLineEdit* _pPwdInput = nullptr;
    StrengthBar* _pPwdStrength = nullptr;
    QLabel* _pPwd2Label = nullptr;
    QLineEdit* _pPwd2Input = nullptr;
    StrengthBar* _pPwd2Strength = nullptr;
    QPushButton* _pImportButton = nullptr;
    QPushButton* _pCancelButton = nullptr;
};
