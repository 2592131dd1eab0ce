#include "ModuleTexts.h"

#include "Exception.h"
#include "LangBundle.h"
#include "Translator.h"

#include <QtDebug>

QString ModuleTexts::load(const QString& module)
{
    Translator& translator = Translator::getInstance();
    const QString lang = translator.defaultLang();
    const QString path = QStringLiteral(":resources/lang");
    if (translator.bundle(module, lang))
        return lang;
    try {
        translator.insertBundle(LangBundle::load(path, module, lang));
    } catch (const Exception& e) {
        qCritical().noquote() << QStringLiteral("Erreur de chargement du module de langue %1 pour la langue %2 depuis le chemin %3")
                                     .arg(module, lang, path);
        qCritical().noquote() << e.detail();
    }
    return lang;
}

void ModuleTexts::setLanguage(const QString& lang)
{
    Translator& translator = Translator::getInstance();
    if (translator.defaultLang() != lang)
        translator.setDefaultLang(lang);
    load(QStringLiteral("kovrin"));
}

QString ModuleTexts::text(const QString& key)
{
    return Translator::getInstance().string(key);
}

QString ModuleTexts::text(const QString& key, const QString& module)
{
    return Translator::getInstance().string(key, module);
}
