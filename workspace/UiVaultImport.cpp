#include "UiVaultImport.h"

#include "NamedWidget.h"
#include "StrengthBar.h"

#include <QDialog>
#include <QIcon>
#include <QSpacerItem>

namespace {
using NamedWidget::make;

QPushButton* button(QDialog* dialog, const char* name, const char* icon)
{
    auto* result = make<QPushButton>(dialog, name);
    result->setIcon(QIcon(QLatin1String(icon)));
    result->setMinimumWidth(120);
    result->setMaximumWidth(120);
    return result;
}

QLineEdit* passwordInput(QDialog* dialog, const char* name)
{
    auto* input = make<QLineEdit>(dialog, name);
    input->setEchoMode(QLineEdit::Password);
    return input;
}
} // namespace

void UiVaultImport::setupUi(QDialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("VaultImport"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setModal(true);
    dialog->resize(626, 340);
    dialog->setMinimumSize(600, 340);
    dialog->setWindowIcon(QIcon(QStringLiteral(":/images/import-32.png")));
    dialog->setAutoFillBackground(true);
    dialog->setSizeGripEnabled(true);

    gridLayout = new QGridLayout(dialog);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));

    _pCsvFileLabel = make<QLabel>(dialog, "_pCsvFileLabel");
    _pCsvFileInput = make<QLineEdit>(dialog, "_pCsvFileInput");
    _pCsvFileBrowsing = button(dialog, "_pCsvFileBrowsing", ":/images/folder-32.png");
    _pVaultFileLabel = make<QLabel>(dialog, "_pVaultFileLabel");
    _pVaultFileInput = make<QLineEdit>(dialog, "_pVaultFileInput");
    _pVaultFileBrowsing = button(dialog, "_pVaultFileBrowsing", ":/images/folder-32.png");
    _pPwdLabel = make<QLabel>(dialog, "_pPwdLabel");
    _pPwdInput = passwordInput(dialog, "_pPwdInput");
    _pPwdInput->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoAutoUppercase
                                    | Qt::ImhNoPredictiveText);
    _pPwd2Label = make<QLabel>(dialog, "_pPwd2Label");
    _pPwd2Input = passwordInput(dialog, "_pPwd2Input");
    // They only inform: what the dialog accepts is the password rule's.
    _pPwdStrength = make<StrengthBar>(dialog, "_pPwdStrength");
    _pPwd2Strength = make<StrengthBar>(dialog, "_pPwd2Strength");
    _pImportButton = button(dialog, "_pImportButton", ":/images/import-32.png");
    _pImportButton->setDefault(true);
    _pCancelButton = button(dialog, "_pCancelButton", ":/images/cancel-32.png");
    _pCancelButton->setLayoutDirection(Qt::LeftToRight);

    _pCsvFileLabel->setBuddy(_pCsvFileInput);
    _pVaultFileLabel->setBuddy(_pVaultFileInput);
    _pPwdLabel->setBuddy(_pPwdInput);
    _pPwd2Label->setBuddy(_pPwd2Input);

    gridLayout->addWidget(_pCsvFileLabel, 0, 0);
    gridLayout->addWidget(_pCsvFileInput, 1, 0);
    gridLayout->addWidget(_pCsvFileBrowsing, 1, 1);
    gridLayout->addWidget(_pVaultFileLabel, 2, 0);
    gridLayout->addWidget(_pVaultFileInput, 3, 0);
    gridLayout->addWidget(_pVaultFileBrowsing, 3, 1);
    gridLayout->addWidget(_pPwdLabel, 4, 0);
    gridLayout->addWidget(_pPwdInput, 5, 0);
    gridLayout->addWidget(_pPwdStrength, 6, 0);
    gridLayout->addWidget(_pPwd2Label, 7, 0);
    gridLayout->addWidget(_pPwd2Input, 8, 0);
    gridLayout->addWidget(_pPwd2Strength, 9, 0);
    gridLayout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), 10, 0);
    gridLayout->addWidget(_pImportButton, 10, 1);
    gridLayout->addWidget(_pCancelButton, 11, 1);
}
