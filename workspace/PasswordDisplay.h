#pragma once

#include <QString>
#include <QStringList>

// How the password page shows the passwords it generated: one per line,
// optionally cut into groups of three by spaces that exist only on screen.
class PasswordDisplay
{
public:
    // A space before the characters at positions 3, 6, 9, ...: never a space
    // at either end.
    static QString spaced(const QString& password);
    // The passwords joined by line feeds, each spaced when asked.
    static QString text(const QStringList& passwords, bool spaced);
};
