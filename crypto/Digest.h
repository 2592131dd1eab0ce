#pragma once

#include "Velk2Export.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QFile;

// Message digests of any algorithm OpenSSL can fetch by name ("MD5", "SHA256",
// "SHA3-256", ...), with MD5 shortcuts.
class VELK2_EXPORT Digest : public QObject
{
    Q_OBJECT
public:
    Digest();
    ~Digest() override;

    static QByteArray digest(const QString& algorithm, const QByteArray& data);
    // Hashes from the file's current position to its end; the caller opens the
    // file for reading and keeps it.
    static QByteArray digest(const QString& algorithm, QFile* file);

    static QByteArray md5(const QByteArray& data);
    static QByteArray md5(const QString& text);
    static QByteArray md5(QFile* file);
    static QString md5ToString(const QByteArray& data);
    static QString md5ToString(const QString& text);
    static QString md5ToString(QFile* file);
};
