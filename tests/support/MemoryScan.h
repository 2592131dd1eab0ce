#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Finds secrets in the process's own readable memory (/proc/self/maps and
// /proc/self/mem), in UTF-8 and UTF-16LE. The scan must not find its own key:
// it keeps only the first half of each canary as it is, the rest masked, so the
// whole canary exists in memory only where the code under test put it.
class MemoryScan
{
public:
    struct Hit
    {
        int canary;          // index in the order of add()
        bool utf16;          // found as UTF-16LE, else as UTF-8
        quintptr address;
        QString mapping;     // the mapping's path or [heap], [stack], empty for anonymous
    };

    // A random ASCII canary in a buffer of its own, assembled at run time so that
    // no constant data of the program holds it.
    static QString canary(const QString& prefix, int length = 24);

    // canary must be ASCII and at least 8 characters.
    void add(QStringView canary);
    QList<Hit> find() const;
    // The hits as "canary 0 UTF-16 in [heap]" lines, for a failure's message.
    static QString describe(const QList<Hit>& hits);

private:
    struct Key
    {
        QByteArray head;       // first half, as it is
        QByteArray maskedTail; // the rest, every byte xor Mask
    };
    static constexpr char Mask = char(0x5A);
    static Key key(QStringView canary, bool utf16);
    QList<Key> _keys; // two per canary: UTF-8, UTF-16LE
};
