#include "UiHelp.h"

#include <QDialog>
#include <QPushButton>
#include <QTextBrowser>

void UiHelp::setupUi(QDialog* dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QStringLiteral("Help"));
    dialog->resize(900, 800);
    dialog->setMinimumSize(400, 300);
    dialog->setWindowTitle(QStringLiteral("Dialog"));
    _tbw = new QTextBrowser(dialog);
    _tbw->setObjectName(QStringLiteral("_tbw"));
    _tbw->setGeometry(10, 10, 880, 740);
    _btnOk = new QPushButton(dialog);
    _btnOk->setObjectName(QStringLiteral("_btnOk"));
    _btnOk->setGeometry(770, 760, 102, 32);
    _btnOk->setDefault(true);
    _btnOk->setText(QStringLiteral("Ok"));
}
