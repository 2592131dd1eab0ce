#pragma once

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

class QDialog;

// The password report's form, with the object names the language bundle keys
// are built from.
class UiPasswordReport
{
public:
    void setupUi(QDialog* dialog);

    QVBoxLayout* _layout = nullptr;
    QLabel* _lblSummary = nullptr;
    QLabel* _lblFinding = nullptr;
    QComboBox* _cbxFinding = nullptr;
    QTableView* _tvwFindings = nullptr;
    QProgressBar* _pgbRun = nullptr;
    QPushButton* _btnRefresh = nullptr;
    QPushButton* _btnCancel = nullptr;
    QPushButton* _btnClose = nullptr;
};
