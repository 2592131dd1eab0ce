#pragma once

#include "Zemb1Export.h"

#include <QMap>
#include <QString>

#include <memory>

class LangBundle;

// Process-wide registry of the loaded language bundles, keyed "module.lang".
class ZEMB1_EXPORT Translator
{
public:
    using Bundles = QMap<QString, std::shared_ptr<LangBundle>>;

    static Translator& getInstance();

    QString defaultLang() const { return _defaultLang; }
    void setDefaultLang(const QString& lang);
    void setDefaultBundleKey(const QString& module, const QString& lang);
    QString defaultBundleKey() const;
    std::shared_ptr<LangBundle> defaultBundle() const;

    std::shared_ptr<LangBundle> bundle(const QString& module, const QString& lang) const;

    bool insertBundle(const std::shared_ptr<LangBundle>& bundle);
    bool insertBundle(const QString& path, const QString& module, const QString& lang);

    void changeLang(const QString& module, const QString& fromLang, const QString& toLang);
    void changeLang(const QString& module, const QString& toLang);

    bool contains(const QString& key) const;
    bool contains(const QString& key, const QString& module, const QString& lang) const;

    QString string(const QString& key) const;
    QString string(const QString& key, const QString& module) const;
    QString string(const QString& key, const QString& module, const QString& lang) const;

    QString toString() const;
    int size() const { return int(_bundles.size()); }
    Bundles::const_iterator begin() const { return _bundles.cbegin(); }
    Bundles::const_iterator end() const { return _bundles.cend(); }
    Bundles::key_iterator keyBegin() const { return _bundles.keyBegin(); }
    Bundles::key_iterator keyEnd() const { return _bundles.keyEnd(); }

protected:
    Translator();
    std::shared_ptr<LangBundle> bundle(const QString& key) const;

private:
    static QString bundleKey(const QString& module, const QString& lang);
    static QString missing(const QString& key);

    QString _defaultModule;
    QString _defaultLang;
    Bundles _bundles;
};
