#pragma once

#include "Zemb1Export.h"

#include <QString>
#include <QStringList>

// The language rules shared by the libraries' start-up routines and the program.
class ZEMB1_EXPORT StartupLanguage
{
public:
    // "LANG" cut before its last "." (a value without "." is taken whole).
    static QString fromLangVariable(const QString& langValue);

    // The environment's language: "LANG" when set and non-empty, else the
    // system locale name; "en_US" when it is not among the available ones.
    static QString choose(const QString& langValue, const QString& systemLocaleName, const QStringList& available);

    // choose() with the real environment.
    static QString fromEnvironment(const QStringList& available);

    static QString fallback() { return QStringLiteral("en_US"); }
};
