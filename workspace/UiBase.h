#pragma once

class QCheckBox;
class QComboBox;
class QFormLayout;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QTextEdit;
class QWidget;
class StrengthBar;

// The workspace's two fixed pages, built in code with the object names the
// language bundle keys are made of. Widgets are created in the order of the
// layout, which is also the keyboard's tab order.
class UiBase
{
public:
    void setupUi(QWidget* base);
    // Texts, titles and tool tips from the "Base" bundle.
    void retranslateUi(QWidget* base);

    // Vault page
    QWidget* _tabFiles = nullptr;
    QPushButton* _btnHelp = nullptr;
    QLabel* _lblVaultFile = nullptr;
    QLineEdit* _tbxVaultFile = nullptr;
    QPushButton* _btnVaultFileBrowser = nullptr;
    QLabel* _lblPassword = nullptr;
    QLineEdit* _tbxPassword = nullptr;
    QPushButton* _btnVaultOpening = nullptr;
    QGroupBox* _gbxExchange = nullptr;
    QRadioButton* _rbnImport = nullptr;
    QRadioButton* _rbnExport = nullptr;
    QLabel* _lblTabName = nullptr;
    QComboBox* _cbxTabName = nullptr;
    QLabel* _lblImportFile = nullptr;
    QLineEdit* _tbxImportFile = nullptr;
    QPushButton* _btnExportFileBrowser = nullptr;
    QPushButton* _btnExport = nullptr;

    // Passwords page
    QWidget* _tabPasswords = nullptr;
    QFrame* _frmHead = nullptr;
    QFormLayout* _flt2 = nullptr;
    QLabel* _lblChars = nullptr;
    QSpinBox* _sbxChars = nullptr;
    QLabel* _lblSymbols = nullptr;
    QSpinBox* _sbxSymbols = nullptr;
    QLabel* _lblPasswords = nullptr;
    QSpinBox* _sbxPasswords = nullptr;
    QGroupBox* _gbxPasswords = nullptr;
    QSplitter* _spl1 = nullptr;
    QCheckBox* _chkLowerCase = nullptr;
    QCheckBox* _chkUppserCase = nullptr;
    QCheckBox* _chkNumber = nullptr;
    QCheckBox* _chkSymbol = nullptr;
    QCheckBox* _chkSpace = nullptr;
    QPushButton* _btnPasswords = nullptr;
    StrengthBar* _stbPasswords = nullptr;
    QTextEdit* _tbxPasswords = nullptr;
};
