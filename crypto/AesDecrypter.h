#pragma once

#include "AesPair.h"
#include "ICrypter.h"
#include "Velk2Export.h"

#include <memory>

// The foundation library's crypter interface over one AES-256 pair.
class VELK2_EXPORT AesDecrypter : public ICrypter
{
    Q_OBJECT
public:
    explicit AesDecrypter(const AesPair& pair, QObject* parent = nullptr);
    ~AesDecrypter() override;

    std::shared_ptr<AesPair> key() const;

    void decryptFromBase64(const QString& in, QString& out) override;
    void encryptToBase64(const QString& in, QString& out) override;
    void decrypt(const QByteArray& in, QByteArray& out) override;
    void encrypt(const QByteArray& in, QByteArray& out) override;

private:
    // The held pair may have been changed through key(): check it at each call.
    const AesPair& checkedKey(const QString& context) const;

    std::shared_ptr<AesPair> _key;
};
