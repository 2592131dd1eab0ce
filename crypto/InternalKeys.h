#pragma once

#include "AesPair.h"
#include "Velk2Export.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

// Holds one AES-256 pair, by default the library's built-in one, and encrypts
// bytes, or text as Base64, with it.
class VELK2_EXPORT InternalKeys : public QObject
{
    Q_OBJECT
public:
    explicit InternalKeys(const AesPair& pair, QObject* parent = nullptr);
    InternalKeys(const QByteArray& iv, const QByteArray& key, QObject* parent = nullptr);
    explicit InternalKeys(QObject* parent = nullptr);
    ~InternalKeys() override;

    AesPair& key();
    std::shared_ptr<AesPair> keyPtr() const;

    void encrypt(const QByteArray& in, QByteArray& out);
    void decrypt(const QByteArray& in, QByteArray& out);
    void encrypt(const QString& in, QString& out);
    void decrypt(const QString& in, QString& out);

private:
    const AesPair& checkedKey(const QString& context) const;

    std::shared_ptr<AesPair> _key;
};
