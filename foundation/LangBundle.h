#pragma once

#include "Zemb1Export.h"

#include <QMap>
#include <QString>

#include <memory>

// One language module ("MainWindow", "zemb", ...) in one language, read from a
// ".lang" resource: a header line "module=...;lang=..." then key=value lines.
class ZEMB1_EXPORT LangBundle
{
public:
    using Texts = QMap<QString, QString>;

    LangBundle(const QString& path, const QString& module, const QString& lang);
    virtual ~LangBundle();

    static std::shared_ptr<LangBundle> load(const QString& path, const QString& module, const QString& lang);
    static QString bundleFileName(const QString& path, const QString& module, const QString& lang);

    QString bundleFileName() const;
    bool contains(const QString& key) const;
    QString text(const QString& key) const;
    void insert(const QString& key, const QString& text);

    QString path() const { return _path; }
    QString lang() const { return _lang; }
    QString module() const { return _module; }
    int size() const { return int(_texts.size()); }

    Texts::const_iterator begin() const { return _texts.cbegin(); }
    Texts::const_iterator end() const { return _texts.cend(); }
    Texts::const_key_value_iterator keyValueBegin() const { return _texts.constKeyValueBegin(); }
    Texts::const_key_value_iterator keyValueEnd() const { return _texts.constKeyValueEnd(); }
    Texts::key_iterator keyBegin() const { return _texts.keyBegin(); }
    Texts::key_iterator keyEnd() const { return _texts.keyEnd(); }

private:
    QString _path;
    QString _module;
    QString _lang;
    Texts _texts;
};
