#pragma once

#include "Zemb1Export.h"

#include <QFileDevice>
#include <QMap>
#include <QString>

#include <limits>
#include <memory>
#include <optional>

// An ordered key=value map with strict insertion rules and a text file format:
// one "key=value" line per entry, "#" comments, keys unique.
class ZEMB1_EXPORT Properties
{
public:
    using Map = QMap<QString, QString>;

    Properties();
    explicit Properties(const Map& map);
    // Copies get their own map: a shared one would let a copy change the original.
    Properties(const Properties& other);
    Properties& operator=(const Properties& other);
    virtual ~Properties();

    // maxLineLength 0 reads lines whole; otherwise a longer line is read in
    // pieces of that many characters, each handled as a line of its own.
    static std::shared_ptr<Properties> loadProperties(const QString& fileName, qint64 maxLineLength = 0);
    void saveProperties(const QString& fileName, bool overwrite) const;
    static void saveProperties(const QString& fileName, const Map& map, bool overwrite);
    // The same, the file given these permissions before its first byte,
    // whatever the umask (an existing file is replaced by one that has them).
    static void saveProperties(const QString& fileName, const Map& map, bool overwrite,
                               QFileDevice::Permissions permissions);

    void insert(const QString& key, const QString& value, bool replace = false);
    void insert(const Map& map, bool replace = false);
    QString value(const QString& key) const;
    QString setValue(const QString& key, const QString& value);
    QString remove(const QString& key);

    bool contains(const QString& key) const { return _spMap->contains(key); }
    bool empty() const { return _spMap->isEmpty(); }
    qsizetype size() const { return _spMap->size(); }
    void clear() { _spMap->clear(); }
    Map::const_iterator begin() const { return _spMap->cbegin(); }
    Map::const_iterator end() const { return _spMap->cend(); }
    Map::key_iterator keyBegin() const { return _spMap->keyBegin(); }
    Map::key_iterator keyEnd() const { return _spMap->keyEnd(); }

    // The underlying map itself, shared: changes through it show here.
    std::shared_ptr<Map> toDictionnary() const { return _spMap; }
    static std::shared_ptr<Properties> toProperties(const Map& map);

    // The number written in a configuration value: a non-empty run of ASCII
    // digits (no sign, no blanks) not above max; nothing otherwise.
    static std::optional<quint64> decimal(const QString& text, quint64 max = std::numeric_limits<quint64>::max());

private:
    std::shared_ptr<Map> _spMap;
};
