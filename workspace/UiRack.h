#pragma once

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QVBoxLayout;
class QWidget;
class StrengthBar;

// The rack view's form: the new-entry group, the counter and search line, and
// the entry table, with the object names its bundle keys are built from.
class UiRack
{
public:
    // Everything but the fields of the new-entry group, which
    // setupInsertionForm() puts into the (empty) group afterwards.
    void setupUi(QWidget* rack);
    void setupInsertionForm();

    QVBoxLayout* verticalLayout = nullptr;
    QGroupBox* _gbxInsert = nullptr;
    QGridLayout* gridLayout_2 = nullptr;
    QLabel* _lblName = nullptr;
    QLineEdit* _tbxName = nullptr;
    QLabel* _lblUser = nullptr;
    QLineEdit* _tbxUse = nullptr;
    QLabel* _lblPassword = nullptr;
    QComboBox* _cbxPassword = nullptr;
    QPushButton* _btnGenerator = nullptr;
    StrengthBar* _stbPassword = nullptr;
    QLabel* _lblComment = nullptr;
    QLineEdit* _tbxComment = nullptr;
    QPushButton* _btnInsert = nullptr;
    QGridLayout* gridLayout = nullptr;
    QLabel* _lblEntriesCaption = nullptr;
    QLabel* _lblEntries = nullptr;
    QLabel* _lblSearch = nullptr;
    QLineEdit* _tbxSearch = nullptr;
    QPushButton* _btnSearch = nullptr;
    QTableView* _tvwEntries = nullptr;
};
