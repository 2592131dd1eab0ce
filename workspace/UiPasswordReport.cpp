#include "UiPasswordReport.h"

#include "NamedWidget.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>

void UiPasswordReport::setupUi(QDialog* dialog)
{
    using NamedWidget::make;
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("PasswordReport"));
    // Not modal: the user fixes the entries it lists while it stays open.
    dialog->setModal(false);
    dialog->setWindowIcon(QIcon(QStringLiteral(":/images/key.png")));
    dialog->resize(720, 420);

    _layout = new QVBoxLayout(dialog);
    _layout->setObjectName(QStringLiteral("_layout"));

    _lblSummary = make<QLabel>(dialog, "_lblSummary");
    _lblFinding = make<QLabel>(dialog, "_lblFinding");
    _cbxFinding = make<QComboBox>(dialog, "_cbxFinding");
    _lblFinding->setBuddy(_cbxFinding);
    _tvwFindings = make<QTableView>(dialog, "_tvwFindings");
    _tvwFindings->setSelectionBehavior(QAbstractItemView::SelectRows);
    _tvwFindings->setSelectionMode(QAbstractItemView::SingleSelection);
    _tvwFindings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    _tvwFindings->setSortingEnabled(true);
    _tvwFindings->horizontalHeader()->setStretchLastSection(true);
    _tvwFindings->verticalHeader()->hide();
    _pgbRun = make<QProgressBar>(dialog, "_pgbRun");
    _btnRefresh = make<QPushButton>(dialog, "_btnRefresh");
    _btnCancel = make<QPushButton>(dialog, "_btnCancel");
    _btnClose = make<QPushButton>(dialog, "_btnClose");
    // Enter in the table goes to the entry, not to a default button.
    for (QPushButton* button : {_btnRefresh, _btnCancel, _btnClose}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* filter = new QHBoxLayout;
    filter->addWidget(_lblFinding);
    filter->addWidget(_cbxFinding);
    filter->addStretch();
    _layout->addWidget(_lblSummary);
    _layout->addLayout(filter);
    _layout->addWidget(_tvwFindings);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(_pgbRun, 1);
    buttons->addWidget(_btnRefresh);
    buttons->addWidget(_btnCancel);
    buttons->addWidget(_btnClose);
    _layout->addLayout(buttons);
}
