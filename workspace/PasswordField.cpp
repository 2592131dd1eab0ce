#include "PasswordField.h"

#include "WipeOnExit.h"

#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>

QString PasswordField::take(QLineEdit& field)
{
    QString text = field.text();
    // setText, unlike clear(), also drops the edit history.
    field.setText(QString());
    return text;
}

void PasswordField::wipe(QLineEdit& field)
{
    QString text = take(field);
    WipeOnExit::wipe(text);
}

void PasswordField::wipe(QComboBox& box)
{
    // The edit field's completer keeps the current proposal as its prefix.
    if (QCompleter* completer = box.completer())
        completer->setCompletionPrefix(QString());
    for (int i = 0; i < box.count(); ++i) {
        QString text = box.itemText(i);
        // The item lets its copy go: this one is the last, and can be overwritten.
        box.setItemText(i, QString());
        WipeOnExit::wipe(text);
    }
    box.clear();
    if (QLineEdit* field = box.lineEdit())
        wipe(*field);
}
