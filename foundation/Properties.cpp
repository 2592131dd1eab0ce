#include "Properties.h"

#include "Exception.h"
#include "Translator.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>
#include <QTextStream>

#include <utility>

namespace {

const QString loadContext = QStringLiteral("Properties Properties::loadProperties(const QString&) -> ");
const QString saveContext =
    QStringLiteral("void Properties::saveProperties(const QString&, QMap<QString,QString>&, bool) -> ");
const QString insertContext = QStringLiteral("void Properties::insert(const QString&, const QString&) -> ");

QString zemb(const char* key)
{
    return Translator::getInstance().string(QLatin1String(key), QStringLiteral("zemb"));
}

Exception notFound(const char* context, const QString& key)
{
    return Exception(QLatin1String(context) + QStringLiteral(" -> ") + zemb("PropertyNotFound").arg(key));
}

// Whether "key=value" reads back as the same entry: the reader trims the line,
// skips "#" lines and splits at the first "=", and a line break would start a
// new entry.
bool readsBack(const QString& key, const QString& value)
{
    const QString line = key + QLatin1Char('=') + value;
    return !key.contains(QLatin1Char('=')) && !line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r'))
           && !line.startsWith(QLatin1Char('#')) && line.trimmed() == line;
}

} // namespace

Properties::Properties() : _spMap(std::make_shared<Map>())
{
}

Properties::Properties(const Map& map) : _spMap(std::make_shared<Map>(map))
{
}

Properties::Properties(const Properties& other) : _spMap(std::make_shared<Map>(*other._spMap))
{
}

Properties& Properties::operator=(const Properties& other)
{
    if (this != &other)
        _spMap = std::make_shared<Map>(*other._spMap);
    return *this;
}

Properties::~Properties() = default;

std::shared_ptr<Properties> Properties::loadProperties(const QString& fileName, qint64 maxLineLength)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        throw Exception(loadContext + zemb("FileDoesntExist").arg(fileName));
    if (!info.isReadable())
        throw Exception(loadContext + zemb("FileNotReadable").arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(loadContext + zemb("FileNotReadable").arg(fileName));

    auto properties = std::make_shared<Properties>();
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    const qint64 pieceLength = qMax<qint64>(0, maxLineLength);
    while (!in.atEnd()) {
        QString piece = in.readLine(pieceLength);
        // A piece never ends inside a character: its second UTF-16 half joins it.
        if (!piece.isEmpty() && piece.back().isHighSurrogate() && !in.atEnd())
            piece += in.read(1);
        const QString line = piece.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype at = line.indexOf(QLatin1Char('='));
        if (at < 0)
            continue;
        const QString key = line.left(at);
        if (properties->contains(key))
            throw Exception(loadContext + zemb("DuplicateProperty").arg(key));
        properties->_spMap->insert(key, line.mid(at + 1));
    }
    file.close();
    return properties;
}

void Properties::saveProperties(const QString& fileName, bool overwrite) const
{
    saveProperties(fileName, *_spMap, overwrite);
}

void Properties::saveProperties(const QString& fileName, const Map& map, bool overwrite)
{
    saveProperties(fileName, map, overwrite, {});
}

void Properties::saveProperties(const QString& fileName, const Map& map, bool overwrite,
                                QFileDevice::Permissions permissions)
{
    const bool exists = QFileInfo::exists(fileName);
    if (exists && !overwrite)
        throw Exception(saveContext + zemb("FileAlreadyExists").arg(fileName));
    // Refused before anything is written: such an entry would come back
    // changed, or inject other entries.
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (!readsBack(it.key(), it.value()))
            throw Exception(saveContext + zemb("PropertyNotWritable").arg(it.key()));

    // The new content goes to a temporary file that replaces the old one only
    // once complete: a failure never leaves a half-written file behind.
    const auto replaceFailure = [&] {
        return Exception(saveContext + zemb(exists ? "CannotDeleteFile" : "FileCreatingFailure").arg(fileName));
    };
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw replaceFailure();
    if (permissions && !file.setPermissions(permissions)) {
        file.cancelWriting();
        throw replaceFailure();
    }
    // The reader drops a byte order mark at the start of the file: a first key
    // that begins with that character keeps it behind a mark of its own.
    if (!map.isEmpty() && map.firstKey().startsWith(QChar(0xfeff)))
        file.write("\xef\xbb\xbf");
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString line = it.key() + QLatin1Char('=') + it.value();
        const QByteArray bytes = line.toUtf8() + '\n';
        if (file.write(bytes) != bytes.size()) {
            file.cancelWriting();
            throw Exception(saveContext + zemb("CannotWriteLine").arg(line));
        }
    }
    if (!file.commit())
        throw replaceFailure();
}

void Properties::insert(const QString& key, const QString& value, bool replace)
{
    if (!replace && _spMap->contains(key))
        throw Exception(insertContext + zemb("DuplicateProperty").arg(key));
    _spMap->insert(key, value);
}

void Properties::insert(const Map& map, bool replace)
{
    // All or nothing: a duplicate leaves the properties as they were.
    if (!replace)
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            if (_spMap->contains(it.key()))
                throw Exception(insertContext + zemb("DuplicateProperty").arg(it.key()));
    _spMap->insert(map);
}

QString Properties::value(const QString& key) const
{
    const auto it = _spMap->constFind(key);
    if (it == _spMap->cend())
        throw notFound("QString Properties::value(const QString&)", key);
    return it.value();
}

QString Properties::setValue(const QString& key, const QString& value)
{
    const auto it = _spMap->find(key);
    if (it == _spMap->end())
        throw notFound("QString Properties::setValue(const QString&, const QString&)", key);
    return std::exchange(it.value(), value);
}

QString Properties::remove(const QString& key)
{
    if (!_spMap->contains(key))
        throw notFound("QString Properties::remove(const QString&)", key);
    return _spMap->take(key);
}

std::shared_ptr<Properties> Properties::toProperties(const Map& map)
{
    return std::make_shared<Properties>(map);
}

std::optional<quint64> Properties::decimal(const QString& text, quint64 max)
{
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const quint64 number = text.toULongLong(&ok, 10);
    if (!ok || number > max)
        return std::nullopt;
    return number;
}
