#pragma once

class QDialog;
class QPushButton;
class QTextBrowser;

// The legal notice dialog's form: a text browser and an OK button.
class UiHelp
{
public:
    void setupUi(QDialog* dialog);

    QTextBrowser* _tbw = nullptr;
    QPushButton* _btnOk = nullptr;
};
