#include "PasswordDisplay.h"

QString PasswordDisplay::spaced(const QString& password)
{
    QString out;
    out.reserve(password.size() + password.size() / 3);
    for (qsizetype i = 0; i < password.size(); ++i) {
        if (i > 0 && i % 3 == 0)
            out.append(QLatin1Char(' '));
        out.append(password.at(i));
    }
    return out;
}

QString PasswordDisplay::text(const QStringList& passwords, bool spacedForm)
{
    QString out;
    for (const QString& password : passwords) {
        if (!out.isEmpty())
            out.append(QLatin1Char('\n'));
        out.append(spacedForm ? spaced(password) : password);
    }
    return out;
}
