#include "Translator.h"

#include "Exception.h"
#include "LangBundle.h"
#include "Log.h"
#include "Logger.h"

#include <QLocale>
#include <QtDebug>

Translator::Translator() : _defaultModule(QStringLiteral("zemb")), _defaultLang(QLocale::system().name())
{
}

Translator& Translator::getInstance()
{
    static Translator instance; // thread-safe initialisation
    return instance;
}

QString Translator::bundleKey(const QString& module, const QString& lang)
{
    return QStringLiteral("%1.%2").arg(module, lang);
}

QString Translator::missing(const QString& key)
{
    return QLatin1Char('[') + key + QLatin1Char(']');
}

void Translator::setDefaultBundleKey(const QString& module, const QString& lang)
{
    _defaultModule = module;
    _defaultLang = lang;
}

QString Translator::defaultBundleKey() const
{
    return bundleKey(_defaultModule, _defaultLang);
}

std::shared_ptr<LangBundle> Translator::defaultBundle() const
{
    return bundle(defaultBundleKey());
}

std::shared_ptr<LangBundle> Translator::bundle(const QString& module, const QString& lang) const
{
    return bundle(bundleKey(module, lang));
}

std::shared_ptr<LangBundle> Translator::bundle(const QString& key) const
{
    return _bundles.value(key);
}

bool Translator::insertBundle(const std::shared_ptr<LangBundle>& bundle)
{
    if (!bundle)
        return false;
    const QString key = bundleKey(bundle->module(), bundle->lang());
    if (_bundles.contains(key))
        return false;
    _bundles.insert(key, bundle);
    return true;
}

bool Translator::insertBundle(const QString& path, const QString& module, const QString& lang)
{
    if (_bundles.contains(bundleKey(module, lang)))
        return false;
    try {
        return insertBundle(LangBundle::load(path, module, lang));
    } catch (const Exception& e) {
        qCritical().noquote() << QStringLiteral("Echec de chargement du module %1 pour la langue %2 sur le chemin %3 - %4")
                                     .arg(module, lang, path, e.detail());
        return false;
    }
}

void Translator::changeLang(const QString& module, const QString& fromLang, const QString& toLang)
{
    const QString fromKey = bundleKey(module, fromLang);
    const auto current = bundle(fromKey);
    if (!current)
        throw Exception(QStringLiteral("void Translator::changeLang(const QString&, const QString&)")
                        + QStringLiteral("Le module de langue %1 n'est pas chargé").arg(fromKey));
    auto replacement = LangBundle::load(current->path(), module, toLang);
    _bundles.remove(fromKey);
    _bundles.insert(bundleKey(module, toLang), replacement);
}

void Translator::changeLang(const QString& module, const QString& toLang)
{
    changeLang(module, _defaultLang, toLang);
}

void Translator::setDefaultLang(const QString& lang)
{
    _defaultLang = lang;
    const auto logger = Log::getInstance().log();
    const QStringList keys = _bundles.keys();
    for (const QString& key : keys) {
        const auto current = bundle(key);
        if (!current)
            continue;
        try {
            changeLang(current->module(), current->lang(), lang);
        } catch (const Exception& e) {
            // The bundle that failed to load in the new language is dropped, so that
            // no text of the old language lingers.
            _bundles.remove(key);
            logger->critical(QStringLiteral("void Translator::setDefaultLang(const QString&) -> ") + e.detail());
        }
    }
}

bool Translator::contains(const QString& key) const
{
    for (const auto& b : _bundles)
        if (b->contains(key))
            return true;
    return false;
}

bool Translator::contains(const QString& key, const QString& module, const QString& lang) const
{
    const auto b = bundle(module, lang);
    return b && b->contains(key);
}

QString Translator::string(const QString& key) const
{
    for (const auto& b : _bundles)
        if (b->lang() == _defaultLang && b->contains(key))
            return b->text(key);
    return missing(key);
}

QString Translator::string(const QString& key, const QString& module) const
{
    return string(key, module, _defaultLang);
}

QString Translator::string(const QString& key, const QString& module, const QString& lang) const
{
    const auto b = bundle(module, lang);
    return b && b->contains(key) ? b->text(key) : missing(key);
}

QString Translator::toString() const
{
    QString out;
    for (auto it = _bundles.cbegin(); it != _bundles.cend(); ++it)
        out += QStringLiteral("%1 : %2\n").arg(it.key()).arg(it.value()->size());
    return out;
}
