#include "StartupLanguage.h"

#include <QLocale>

QString StartupLanguage::fromLangVariable(const QString& langValue)
{
    const qsizetype dot = langValue.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? langValue.left(dot) : langValue;
}

QString StartupLanguage::choose(const QString& langValue, const QString& systemLocaleName, const QStringList& available)
{
    const QString lang = langValue.isEmpty() ? systemLocaleName : fromLangVariable(langValue);
    return available.contains(lang) ? lang : fallback();
}

QString StartupLanguage::fromEnvironment(const QStringList& available)
{
    return choose(qEnvironmentVariable("LANG"), QLocale::system().name(), available);
}
