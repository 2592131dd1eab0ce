#include "LangBundle.h"

#include "Exception.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString loadContext =
    QStringLiteral("shared_ptr<LangBundle> LangBundle::load(const QString&, const QString&, const QString&) -> ");
}

LangBundle::LangBundle(const QString& path, const QString& module, const QString& lang)
    : _path(path), _module(module), _lang(lang)
{
}

LangBundle::~LangBundle() = default;

QString LangBundle::bundleFileName(const QString& path, const QString& module, const QString& lang)
{
    return QStringLiteral("%1/%2_%3.lang").arg(path, module, lang);
}

QString LangBundle::bundleFileName() const
{
    return bundleFileName(_path, _module, _lang);
}

bool LangBundle::contains(const QString& key) const
{
    return _texts.contains(key);
}

QString LangBundle::text(const QString& key) const
{
    const auto it = _texts.constFind(key);
    return it != _texts.cend() ? it.value() : QLatin1Char('[') + key + QLatin1Char(']');
}

void LangBundle::insert(const QString& key, const QString& text)
{
    _texts.insert(key, text);
}

std::shared_ptr<LangBundle> LangBundle::load(const QString& path, const QString& module, const QString& lang)
{
    const QString fileName = bundleFileName(path, module, lang);
    const QString notReadable =
        QStringLiteral("Le fichier du module de traduction [%1] n'existe pas ou ne peut pas être lu").arg(fileName);

    const QFileInfo info(fileName);
    if (!info.exists() || !info.isFile() || !info.isReadable())
        throw Exception(loadContext + notReadable);

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Exception(loadContext + notReadable + QStringLiteral(" - ") + file.errorString());

    // Header: exactly one "module" part and one "lang" part, in either order.
    const QStringList parts =
        QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QString readModule;
    QString readLang;
    bool headerValid = parts.size() == 2;
    for (const QString& part : parts) {
        const qsizetype at = part.lastIndexOf(QLatin1Char('='));
        const QString name = at > 0 ? part.left(at) : QString();
        const QString value = part.mid(at + 1);
        if (name == QLatin1String("module") && readModule.isNull())
            readModule = value;
        else if (name == QLatin1String("lang") && readLang.isNull())
            readLang = value;
        else
            headerValid = false;
    }
    if (!headerValid)
        throw Exception(loadContext
                        + QStringLiteral("En-tête de la ressource de langue [%1] invalide").arg(fileName)
                        + QStringLiteral(" - ") + file.errorString());
    if (readModule != module)
        throw Exception(loadContext
                        + QStringLiteral("Nom de module attendu %1, lu dans le fichier : %2").arg(module, readModule));
    if (readLang != lang)
        throw Exception(loadContext
                        + QStringLiteral("Nom de langue attendu %1, lu dans le fichier : %2").arg(lang, readLang));

    auto bundle = std::make_shared<LangBundle>(path, module, lang);
    for (QByteArray raw = file.readLine(); !raw.isEmpty(); raw = file.readLine()) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype at = line.indexOf(QLatin1Char('='));
        if (at <= 0)
            continue;
        bundle->insert(line.left(at), line.mid(at + 1));
    }
    file.close();
    return bundle;
}
