#include "InternalKeys.h"

#include "CipherError.h"
#include "Cleanse.h"
#include "Crypt.h"
#include "TextCipher.h"

#include <array>

namespace {
// The built-in pair, kept out of plain sight in the binary: each byte is stored
// XORed with the stored byte before it, the first one with the seed.
constexpr unsigned char Seed = 0x21;
constexpr std::array<unsigned char, 16> StoredIv = {0x6e, 0x19, 0x21, 0xe5, 0x26, 0x55, 0x31, 0x7e,
                                                    0x4d, 0xfd, 0x5a, 0x39, 0x37, 0x30, 0xac, 0x17};
constexpr std::array<unsigned char, 32> StoredKey = {0x59, 0xbe, 0xf7, 0xc6, 0x3f, 0x5e, 0x93, 0x9e, 0x68, 0x22, 0x5f,
                                                     0x1a, 0x2f, 0x55, 0x20, 0x27, 0xcc, 0xdb, 0x27, 0x53, 0x2b, 0x39,
                                                     0x1c, 0x2b, 0xde, 0x32, 0x83, 0xe9, 0xd5, 0xfd, 0x31, 0x1e};

AesPair builtInPair()
{
    QByteArray iv(qsizetype(StoredIv.size()), Qt::Uninitialized);
    QByteArray key(qsizetype(StoredKey.size()), Qt::Uninitialized);
    unsigned char previous = Seed;
    for (std::size_t i = 0; i < StoredIv.size(); ++i) {
        iv[qsizetype(i)] = char(StoredIv[i] ^ previous);
        previous = StoredIv[i];
    }
    for (std::size_t i = 0; i < StoredKey.size(); ++i) {
        key[qsizetype(i)] = char(StoredKey[i] ^ previous);
        previous = StoredKey[i];
    }
    AesPair pair(iv, key);
    return pair;
}

const QString EncryptBytesContext = QStringLiteral("void encrypt(const QByteArray&, QByteArray&) -> ");
const QString DecryptBytesContext = QStringLiteral("void decrypt(const QByteArray&, QByteArray&) -> ");
const QString EncryptTextContext = QStringLiteral("void InternalKeys::encrypt(const QString&, QString&) -> ");
const QString DecryptTextContext = QStringLiteral("bool InternalKeys::decrypt(const string&, string&) -> ");
} // namespace

InternalKeys::InternalKeys(const AesPair& pair, QObject* parent) : QObject(parent), _key(std::make_shared<AesPair>(pair)) {}

InternalKeys::InternalKeys(const QByteArray& iv, const QByteArray& key, QObject* parent) : QObject(parent)
{
    if (iv.size() != 16 || key.size() != 32)
        throw Exception(CipherError::text(QStringLiteral("IllegalKeySize")));
    _key = std::make_shared<AesPair>(iv, key);
}

InternalKeys::InternalKeys(QObject* parent) : QObject(parent), _key(std::make_shared<AesPair>(builtInPair())) {}

InternalKeys::~InternalKeys() = default;

AesPair& InternalKeys::key()
{
    return *_key;
}

std::shared_ptr<AesPair> InternalKeys::keyPtr() const
{
    return _key;
}

const AesPair& InternalKeys::checkedKey(const QString& context) const
{
    if (!_key)
        CipherError::raise(context, CipherError::text(QStringLiteral("InternalKeyNotInitialized")));
    if (!_key->isAesCompliant(32))
        CipherError::raise(context, CipherError::text(QStringLiteral("IllegalKeySize")));
    return *_key;
}

void InternalKeys::encrypt(const QByteArray& in, QByteArray& out)
{
    Crypt::getInstance().encryptAES256CBC(checkedKey(EncryptBytesContext), in, out);
}

void InternalKeys::decrypt(const QByteArray& in, QByteArray& out)
{
    Crypt::getInstance().decryptAES256CBC(checkedKey(DecryptBytesContext), in, out);
}

void InternalKeys::encrypt(const QString& in, QString& out)
{
    TextCipher::encrypt(checkedKey(EncryptTextContext), in, out);
}

void InternalKeys::decrypt(const QString& in, QString& out)
{
    TextCipher::decrypt(checkedKey(DecryptTextContext), in, out);
}
