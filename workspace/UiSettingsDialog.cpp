#include "UiSettingsDialog.h"

#include "NamedWidget.h"
#include "Settings.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QIcon>

#include <initializer_list>

void UiSettingsDialog::setupUi(QDialog* dialog)
{
    using NamedWidget::make;
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("SettingsDialog"));
    dialog->setModal(true);
    dialog->setWindowIcon(QIcon(QStringLiteral(":/images/key.png")));

    _gridLayout = new QGridLayout(dialog);
    _gridLayout->setObjectName(QStringLiteral("_gridLayout"));

    _lblClipboardTimeout = make<QLabel>(dialog, "_lblClipboardTimeout");
    _sbxClipboardTimeout = make<QSpinBox>(dialog, "_sbxClipboardTimeout");
    _sbxClipboardTimeout->setRange(0, Settings::MaxClipboardTimeout);
    _lblClipboardTimeout->setBuddy(_sbxClipboardTimeout);
    _lblLockIdle = make<QLabel>(dialog, "_lblLockIdle");
    _sbxLockIdle = make<QSpinBox>(dialog, "_sbxLockIdle");
    _sbxLockIdle->setRange(0, Settings::MaxLockIdleMinutes);
    _lblLockIdle->setBuddy(_sbxLockIdle);
    _chkLockOnScreenLock = make<QCheckBox>(dialog, "_chkLockOnScreenLock");
    _chkFilterAsYouType = make<QCheckBox>(dialog, "_chkFilterAsYouType");
    _chkHidePasswords = make<QCheckBox>(dialog, "_chkHidePasswords");
    _btnOk = make<QPushButton>(dialog, "_btnOk");
    _btnOk->setDefault(true);
    _btnCancel = make<QPushButton>(dialog, "_btnCancel");

    _gridLayout->addWidget(_lblClipboardTimeout, 0, 0);
    _gridLayout->addWidget(_sbxClipboardTimeout, 0, 1);
    _gridLayout->addWidget(_lblLockIdle, 1, 0);
    _gridLayout->addWidget(_sbxLockIdle, 1, 1);
    _gridLayout->addWidget(_chkLockOnScreenLock, 2, 0, 1, 2);
    _gridLayout->addWidget(_chkFilterAsYouType, 3, 0, 1, 2);
    _gridLayout->addWidget(_chkHidePasswords, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(_btnOk);
    buttons->addWidget(_btnCancel);
    _gridLayout->addLayout(buttons, 5, 0, 1, 2);
}
