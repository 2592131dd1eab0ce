#include "UiBase.h"

#include "Icons.h"
#include "ModuleTexts.h"
#include "NamedWidget.h"
#include "StrengthBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
using NamedWidget::make;

QLabel* label(QWidget* parent, const char* name, QWidget* buddy)
{
    auto* result = make<QLabel>(parent, name);
    result->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    result->setBuddy(buddy);
    return result;
}

QString text(const QString& key)
{
    return ModuleTexts::text(key, QStringLiteral("Base"));
}

// The key of a widget's property: object name, a point and the property.
void setTexts(QWidget* widget, bool withText, bool withTooltip = true)
{
    const QString name = widget->objectName();
    if (withText) {
        const QString value = text(name + QStringLiteral(".text"));
        if (auto* l = qobject_cast<QLabel*>(widget))
            l->setText(value);
        else if (auto* b = qobject_cast<QAbstractButton*>(widget))
            b->setText(value);
    }
    if (withTooltip)
        widget->setToolTip(text(name + QStringLiteral(".tooltip")));
}

// A field without a label of its own still needs a name a screen reader can say.
void nameAfter(QWidget* field, const QLabel* label)
{
    QString name = label->text();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    field->setAccessibleName(name.trimmed());
    field->setAccessibleDescription(label->toolTip());
}
} // namespace

void UiBase::setupUi(QWidget* base)
{
    if (base->objectName().isEmpty())
        base->setObjectName(QStringLiteral("_base"));
    base->resize(710, 594);
    base->setMinimumSize(710, 450);
    base->setWindowIcon(Icons::fromResource(QStringLiteral(":/images/key.png")));

    // Vault page: help button, file and password fields, exchange group.
    _tabFiles = make<QWidget>(base, "_tabFiles");
    auto* filesLayout = new QVBoxLayout(_tabFiles);
    auto* helpRow = new QHBoxLayout();
    helpRow->addStretch(1);
    _btnHelp = make<QPushButton>(_tabFiles, "_btnHelp");
    _btnHelp->setFixedSize(48, 48);
    _btnHelp->setIcon(Icons::fromResource(QStringLiteral(":/images/help.png")));
    _btnHelp->setIconSize(QSize(40, 40));
    helpRow->addWidget(_btnHelp, 0, Qt::AlignRight);
    filesLayout->addLayout(helpRow);

    auto* fields = new QGridLayout();
    _tbxVaultFile = make<QLineEdit>(_tabFiles, "_tbxVaultFile");
    _lblVaultFile = label(_tabFiles, "_lblVaultFile", _tbxVaultFile);
    _btnVaultFileBrowser = make<QPushButton>(_tabFiles, "_btnVaultFileBrowser");
    _tbxPassword = make<QLineEdit>(_tabFiles, "_tbxPassword");
    _tbxPassword->setEchoMode(QLineEdit::Password);
    _tbxPassword->setMaxLength(256);
    _tbxPassword->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoAutoUppercase
                                      | Qt::ImhNoPredictiveText);
    _tbxPassword->setMaximumWidth(400);
    _lblPassword = label(_tabFiles, "_lblPassword", _tbxPassword);
    _btnVaultOpening = make<QPushButton>(_tabFiles, "_btnVaultOpening");
    fields->addWidget(_lblVaultFile, 0, 0);
    fields->addWidget(_tbxVaultFile, 0, 1);
    fields->addWidget(_btnVaultFileBrowser, 0, 2);
    fields->addWidget(_lblPassword, 1, 0);
    fields->addWidget(_tbxPassword, 1, 1);
    fields->addWidget(_btnVaultOpening, 1, 2);
    filesLayout->addLayout(fields);

    _gbxExchange = make<QGroupBox>(_tabFiles, "_gbxExchange");
    auto* exchange = new QGridLayout(_gbxExchange);
    _rbnImport = make<QRadioButton>(_gbxExchange, "_rbnImport");
    _rbnExport = make<QRadioButton>(_gbxExchange, "_rbnExport");
    _cbxTabName = make<QComboBox>(_gbxExchange, "_cbxTabName");
    _cbxTabName->setEditable(false);
    _lblTabName = label(_gbxExchange, "_lblTabName", _cbxTabName);
    _tbxImportFile = make<QLineEdit>(_gbxExchange, "_tbxImportFile");
    _lblImportFile = label(_gbxExchange, "_lblImportFile", _tbxImportFile);
    _btnExportFileBrowser = make<QPushButton>(_gbxExchange, "_btnExportFileBrowser");
    _btnExport = make<QPushButton>(_gbxExchange, "_btnExport");
    exchange->addWidget(_rbnImport, 0, 1);
    exchange->addWidget(_rbnExport, 0, 2);
    exchange->addWidget(_lblTabName, 1, 0);
    exchange->addWidget(_cbxTabName, 1, 1, 1, 2);
    exchange->addWidget(_lblImportFile, 2, 0);
    exchange->addWidget(_tbxImportFile, 2, 1);
    exchange->addWidget(_btnExportFileBrowser, 2, 2);
    exchange->addWidget(_btnExport, 3, 2);
    exchange->setColumnStretch(1, 1);
    filesLayout->addWidget(_gbxExchange);
    filesLayout->addStretch(1);

    // Passwords page: settings in the head frame, the generated list below.
    _tabPasswords = make<QWidget>(base, "_tabPasswords");
    auto* passwordsLayout = new QVBoxLayout(_tabPasswords);
    _frmHead = make<QFrame>(_tabPasswords, "_frmHead");
    _frmHead->setFixedHeight(300);
    auto* head = new QHBoxLayout(_frmHead);
    head->setContentsMargins(0, 0, 0, 0); // the group is as high as the frame
    _flt2 = new QFormLayout();
    _flt2->setObjectName(QStringLiteral("_flt2"));
    _flt2->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    _sbxChars = make<QSpinBox>(_frmHead, "_sbxChars");
    _sbxChars->setRange(1, 256);
    _sbxChars->setValue(11);
    _lblChars = label(_frmHead, "_lblChars", _sbxChars);
    _sbxSymbols = make<QSpinBox>(_frmHead, "_sbxSymbols");
    _sbxSymbols->setRange(0, 11);
    _sbxSymbols->setValue(3);
    _lblSymbols = label(_frmHead, "_lblSymbols", _sbxSymbols);
    _sbxPasswords = make<QSpinBox>(_frmHead, "_sbxPasswords");
    _sbxPasswords->setRange(0, 99);
    _sbxPasswords->setValue(20);
    _lblPasswords = label(_frmHead, "_lblPasswords", _sbxPasswords);
    _flt2->addRow(_lblChars, _sbxChars);
    _flt2->addRow(_lblSymbols, _sbxSymbols);
    _flt2->addRow(_lblPasswords, _sbxPasswords);
    head->addLayout(_flt2);

    _gbxPasswords = make<QGroupBox>(_frmHead, "_gbxPasswords");
    _gbxPasswords->setFixedHeight(300);
    auto* classes = new QVBoxLayout(_gbxPasswords);
    _spl1 = make<QSplitter>(_gbxPasswords, "_spl1");
    _spl1->setOrientation(Qt::Vertical);
    _chkLowerCase = make<QCheckBox>(_spl1, "_chkLowerCase");
    _chkUppserCase = make<QCheckBox>(_spl1, "_chkUppserCase");
    _chkNumber = make<QCheckBox>(_spl1, "_chkNumber");
    _chkSymbol = make<QCheckBox>(_spl1, "_chkSymbol");
    for (QCheckBox* box : {_chkLowerCase, _chkUppserCase, _chkNumber, _chkSymbol}) {
        box->setChecked(true);
        _spl1->addWidget(box);
    }
    classes->addWidget(_spl1);
    _chkSpace = make<QCheckBox>(_gbxPasswords, "_chkSpace");
    _chkSpace->setChecked(false);
    classes->addWidget(_chkSpace);
    _btnPasswords = make<QPushButton>(_gbxPasswords, "_btnPasswords");
    classes->addWidget(_btnPasswords);
    head->addWidget(_gbxPasswords);
    passwordsLayout->addWidget(_frmHead);

    // The first password's strength, or the weakest one's when there are several.
    _stbPasswords = make<StrengthBar>(_tabPasswords, "_stbPasswords");
    passwordsLayout->addWidget(_stbPasswords);

    _tbxPasswords = make<QTextEdit>(_tabPasswords, "_tbxPasswords");
    _tbxPasswords->setReadOnly(true);
    _tbxPasswords->setAcceptDrops(false);
    _tbxPasswords->setFont(QFont(QStringLiteral("Hack"), 16));
    passwordsLayout->addWidget(_tbxPasswords, 1);
}

void UiBase::retranslateUi(QWidget* base)
{
    base->setWindowTitle(text(QStringLiteral("windowTitle")));
    _tabFiles->setWindowTitle(text(QStringLiteral("_tabFiles.title")));
    _tabPasswords->setWindowTitle(text(QStringLiteral("_tabPasswords.title")));

    setTexts(_btnHelp, false);
    _btnHelp->setAccessibleName(_btnHelp->toolTip());
    for (QWidget* w : std::initializer_list<QWidget*>{_lblPassword, _lblVaultFile, _btnVaultOpening,
                                                      _btnVaultFileBrowser, _rbnImport, _rbnExport, _lblImportFile,
                                                      _btnExportFileBrowser, _lblTabName, _btnExport, _lblChars,
                                                      _lblSymbols, _lblPasswords, _chkLowerCase, _chkNumber,
                                                      _chkSymbol, _chkSpace, _btnPasswords})
        setTexts(w, true);
    _gbxExchange->setTitle(text(QStringLiteral("_gbxExchange.title")));
    _gbxExchange->setToolTip(text(QStringLiteral("_gbxExchange.tooltip")));
    _gbxPasswords->setTitle(text(QStringLiteral("_gbxPasswords.title")));
    // This box's object name is misspelt; its texts are kept under the right word.
    _chkUppserCase->setText(text(QStringLiteral("_chkUpperCase.text")));
    _chkUppserCase->setToolTip(text(QStringLiteral("_chkUpperCase.tooltip")));

    // The spin boxes share their labels' tool tips and names.
    for (auto [field, lbl] : {std::pair<QWidget*, QLabel*>{_sbxChars, _lblChars}, {_sbxSymbols, _lblSymbols},
                              {_sbxPasswords, _lblPasswords}}) {
        field->setToolTip(lbl->toolTip());
        nameAfter(field, lbl);
    }
    nameAfter(_tbxVaultFile, _lblVaultFile);
    nameAfter(_tbxPassword, _lblPassword);
    nameAfter(_cbxTabName, _lblTabName);
    nameAfter(_tbxImportFile, _lblImportFile);
    _tbxPasswords->setAccessibleName(text(QStringLiteral("_tabPasswords.title")));
}
