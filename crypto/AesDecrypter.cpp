#include "AesDecrypter.h"

#include "CipherError.h"
#include "Crypt.h"
#include "TextCipher.h"

namespace {
const QString DecryptContext = QStringLiteral("void AesDecrypter::decrypt(const QByteArray&, QByteArray&) -> ");
// Byte-array encryption shares the text decryption's context text.
const QString DecryptTextContext = QStringLiteral("void AesDecrypter::decryptFromBase64(const QString&, QString&) -> ");
const QString EncryptTextContext = QStringLiteral("void AesDecrypter::encryptToBase64(const QString&, QString&) -> ");

void requireAes256(const AesPair& pair, const QString& context)
{
    if (!pair.isAesCompliant(32))
        CipherError::raise(context, CipherError::text(QStringLiteral("IllegalKeySize")));
}
} // namespace

AesDecrypter::AesDecrypter(const AesPair& pair, QObject* parent) : ICrypter(parent)
{
    requireAes256(pair, QStringLiteral("AesDecrypter::AesDecrypter(const AesPair&, QObject*) -> "));
    _key = std::make_shared<AesPair>(pair);
}

AesDecrypter::~AesDecrypter() = default;

std::shared_ptr<AesPair> AesDecrypter::key() const
{
    return _key;
}

const AesPair& AesDecrypter::checkedKey(const QString& context) const
{
    requireAes256(*_key, context);
    return *_key;
}

void AesDecrypter::decryptFromBase64(const QString& in, QString& out)
{
    TextCipher::decrypt(checkedKey(DecryptTextContext), in, out);
}

void AesDecrypter::encryptToBase64(const QString& in, QString& out)
{
    TextCipher::encrypt(checkedKey(EncryptTextContext), in, out);
}

void AesDecrypter::decrypt(const QByteArray& in, QByteArray& out)
{
    Crypt::getInstance().decryptAES256CBC(checkedKey(DecryptContext), in, out);
}

void AesDecrypter::encrypt(const QByteArray& in, QByteArray& out)
{
    Crypt::getInstance().encryptAES256CBC(checkedKey(DecryptTextContext), in, out);
}
