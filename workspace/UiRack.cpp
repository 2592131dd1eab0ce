#include "UiRack.h"

#include "NamedWidget.h"
#include "StrengthBar.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
using NamedWidget::make;

QLabel* formLabel(QWidget* parent, const char* name)
{
    auto* label = make<QLabel>(parent, name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}
} // namespace

void UiRack::setupUi(QWidget* rack)
{
    if (rack->objectName().isEmpty())
        rack->setObjectName(QStringLiteral("Rack"));
    rack->resize(924, 716);
    verticalLayout = new QVBoxLayout(rack);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));

    _gbxInsert = make<QGroupBox>(rack, "_gbxInsert");
    _gbxInsert->setMinimumHeight(80);
    _gbxInsert->setMaximumHeight(220);
    _gbxInsert->setAlignment(Qt::AlignCenter);
    verticalLayout->addWidget(_gbxInsert);

    gridLayout = new QGridLayout();
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    _lblEntriesCaption = formLabel(rack, "_lblEntriesCaption");
    QFont bold = _lblEntriesCaption->font();
    bold.setBold(true);
    _lblEntriesCaption->setFont(bold);
    _lblEntries = make<QLabel>(rack, "_lblEntries");
    QFont counter = _lblEntries->font();
    counter.setPointSize(14);
    counter.setBold(true);
    _lblEntries->setFont(counter);
    // Orange text through the palette: a style sheet would give every rack's
    // counter a style of its own to build.
    QPalette orange; // only the text colour set: the rest follows the theme
    orange.setColor(QPalette::WindowText, QColor(0xff, 0xa5, 0x00));
    _lblEntries->setPalette(orange);
    _lblEntries->setText(QStringLiteral("0"));
    _lblSearch = make<QLabel>(rack, "_lblSearch");
    _tbxSearch = make<QLineEdit>(rack, "_tbxSearch");
    QFont search = _tbxSearch->font();
    search.setWeight(QFont::Bold);
    _tbxSearch->setFont(search);
    _lblSearch->setBuddy(_tbxSearch);
    _btnSearch = make<QPushButton>(rack, "_btnSearch");
    gridLayout->addWidget(_lblEntriesCaption, 1, 1);
    gridLayout->addWidget(_lblEntries, 1, 2);
    gridLayout->addWidget(_lblSearch, 2, 0);
    gridLayout->addWidget(_tbxSearch, 2, 1);
    gridLayout->addWidget(_btnSearch, 2, 2);
    verticalLayout->addLayout(gridLayout);

    _tvwEntries = make<QTableView>(rack, "_tvwEntries");
    _tvwEntries->setSizeAdjustPolicy(QAbstractScrollArea::AdjustIgnored);
    _tvwEntries->setDragDropOverwriteMode(false);
    _tvwEntries->setAlternatingRowColors(true);
    _tvwEntries->setSelectionBehavior(QAbstractItemView::SelectRows);
    _tvwEntries->setSelectionMode(QAbstractItemView::MultiSelection);
    // Sorted by name. The rack turns sorting on once it has its model and is
    // first shown, so that its rows are sorted once.
    _tvwEntries->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    _tvwEntries->setContextMenuPolicy(Qt::CustomContextMenu);
    verticalLayout->addWidget(_tvwEntries);
}

void UiRack::setupInsertionForm()
{
    gridLayout_2 = new QGridLayout(_gbxInsert);
    gridLayout_2->setObjectName(QStringLiteral("gridLayout_2"));
    _lblName = formLabel(_gbxInsert, "_lblName");
    _tbxName = make<QLineEdit>(_gbxInsert, "_tbxName");
    _lblUser = formLabel(_gbxInsert, "_lblUser");
    _tbxUse = make<QLineEdit>(_gbxInsert, "_tbxUse");
    _lblPassword = formLabel(_gbxInsert, "_lblPassword");
    _cbxPassword = make<QComboBox>(_gbxInsert, "_cbxPassword");
    // Editable through its own line edit: setEditable() would also build the
    // proposals' popup at once, which the combo box otherwise builds when first
    // opened; the box is the same either way.
    _cbxPassword->setLineEdit(new QLineEdit(_cbxPassword));
    // Proposals are chosen from the list, never added to it by typing.
    _cbxPassword->setInsertPolicy(QComboBox::NoInsert);
    _btnGenerator = make<QPushButton>(_gbxInsert, "_btnGenerator");
    _stbPassword = make<StrengthBar>(_gbxInsert, "_stbPassword");
    _lblComment = formLabel(_gbxInsert, "_lblComment");
    _tbxComment = make<QLineEdit>(_gbxInsert, "_tbxComment");
    _btnInsert = make<QPushButton>(_gbxInsert, "_btnInsert");
    gridLayout_2->addWidget(_lblName, 0, 0);
    gridLayout_2->addWidget(_tbxName, 0, 1);
    gridLayout_2->addWidget(_lblUser, 1, 0);
    gridLayout_2->addWidget(_tbxUse, 1, 1);
    gridLayout_2->addWidget(_lblPassword, 2, 0);
    gridLayout_2->addWidget(_cbxPassword, 2, 1);
    gridLayout_2->addWidget(_btnGenerator, 2, 2);
    gridLayout_2->addWidget(_stbPassword, 3, 1);
    gridLayout_2->addWidget(_lblComment, 4, 0);
    gridLayout_2->addWidget(_tbxComment, 4, 1);
    gridLayout_2->addWidget(_btnInsert, 5, 1);
    _lblName->setBuddy(_tbxName);
    _lblUser->setBuddy(_tbxUse);
    _lblPassword->setBuddy(_cbxPassword);
    _lblComment->setBuddy(_tbxComment);
}
