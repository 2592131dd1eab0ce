#pragma once

// File helpers shared by the properties and configuration tests.

#include "Properties.h"

#include <QFile>
#include <QStringList>
#include <QTest>

using Map = QMap<QString, QString>;

inline void writeFile(const QString& name, const QByteArray& content)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}

inline QByteArray readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// "[key]=[value]" per entry, in order: shows blanks and order in a failure.
inline QStringList entries(const Map& map)
{
    QStringList out;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        out << QStringLiteral("[%1]=[%2]").arg(it.key(), it.value());
    return out;
}

inline QStringList entries(const Properties& properties)
{
    return entries(*properties.toDictionnary());
}

// Messages of the lines of a log file, without date and level tag.
inline QStringList logMessages(const QString& fileName)
{
    QStringList messages;
    const QStringList lines = QString::fromUtf8(readFile(fileName)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines)
        messages << line.mid(line.indexOf(QLatin1String("> ")) + 2);
    return messages;
}
