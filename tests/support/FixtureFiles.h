#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

// Whole-file reads and writes of the tests' fixture files.
namespace FixtureFiles {

// The file's bytes; empty when it cannot be read.
inline QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes bytes in place of the file's content; a fixture that cannot be
// written stops the test program.
inline void writeFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write the fixture");
}

// Entry lines of the exchange text (role, user, a 128-character password and a
// 512-character comment, the longest an entry takes), more than bytes of them.
inline QByteArray longEntryLines(qsizetype bytes)
{
    const QByteArray fields = "\tuser\t" + QByteArray(128, 'p') + '\t' + QByteArray(512, 'c') + '\n';
    QByteArray lines;
    for (int i = 0; lines.size() <= bytes; ++i)
        lines += "entry " + QByteArray::number(i) + fields;
    return lines;
}

} // namespace FixtureFiles
