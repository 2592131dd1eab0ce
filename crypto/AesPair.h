#pragma once

#include "Velk2Export.h"

#include <QByteArray>
#include <QString>

// The secret material of one AES setting: a 16-byte IV and a 16- or 32-byte
// key. Buffer and key-file form: the IV bytes immediately followed by the key.
class VELK2_EXPORT AesPair
{
public:
    AesPair();
    AesPair(const QByteArray& iv, const QByteArray& key);
    AesPair(const QString& ivHex, const QString& keyHex);
    explicit AesPair(const QByteArray& buffer);
    explicit AesPair(const QString& fileName);
    AesPair(const AesPair& other);
    AesPair& operator=(const AesPair& other);
    ~AesPair();

    static AesPair fromBuffer(const QByteArray& buffer);
    static AesPair newKey(quint16 bits);

    const QByteArray toBuffer() const;
    void save(const QString& fileName) const;

    bool isAesCompliant(quint16 keyBytes) const;
    bool isNull() const;
    quint16 keyLength() const;
    QString toString() const;

    bool operator==(const AesPair& other) const;
    bool operator!=(const AesPair& other) const;

private:
    friend class Crypt;
    friend class InternalKeys;
    friend class AesDecrypter;
    friend class SingleAesKey;

    QByteArray iv() const { return _iv; }
    QByteArray key() const { return _key; }

    void validate(const QString& context);
    void clear();

    QByteArray _iv;
    QByteArray _key;
};
