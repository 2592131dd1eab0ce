#include "PasswordField.h"

#include "WipeOnExit.h"

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
