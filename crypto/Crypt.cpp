#include "Crypt.h"

#include "AesPair.h"
#include "CipherError.h"
#include "Cleanse.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
constexpr qsizetype BlockSize = 16;
constexpr qint64 PlainChunk = 8192;
constexpr qint64 CipherChunk = PlainChunk + BlockSize;

const QString EncryptContext = QStringLiteral("void Crypto::encryptAES256CBC(const AesPair&, const QByteArray&, QByteArray&) -> ");
const QString DecryptContext = QStringLiteral("void Crypt::decryptAES256CBC(const AesPair&, const QByteArray&, QByteArray&) -> ");
const QString EncryptFileContext = QStringLiteral("void Crypt::encryptAES256CBC(const AesPair&, const AString&, const QString&) -> ");
const QString DecryptFileContext = QStringLiteral("void Crypt::decryptAES256CBC(const AesPair&, const QString&, const QString&) -> ");

struct ContextFree
{
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

[[noreturn]] void cipheringFailure(const QString& context)
{
    CipherError::raise(context, CipherError::text(QStringLiteral("CipheringFailure")).arg(CipherError::openssl()));
}

// One CBC run over the whole input. The result goes to out only on success, so
// a failed call leaves out as it was.
void runCipher(const AesPair& pair, const QByteArray& iv, const QByteArray& key, const QByteArray& in, QByteArray& out,
               bool encrypting, const QString& context)
{
    if (!pair.isAesCompliant(32))
        CipherError::raise(context, CipherError::text(QStringLiteral("IllegalKeySize")));

    std::unique_ptr<EVP_CIPHER_CTX, ContextFree> ctx(EVP_CIPHER_CTX_new());
    if (!ctx
        || EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, reinterpret_cast<const unsigned char*>(key.constData()),
                             reinterpret_cast<const unsigned char*>(iv.constData()), encrypting ? 1 : 0)
               != 1)
        cipheringFailure(context);

    // OpenSSL asks for room for one block beyond the input in either direction.
    QByteArray result(in.size() + BlockSize, Qt::Uninitialized);
    Cleanse guard(result);
    auto* const target = reinterpret_cast<unsigned char*>(result.data());
    const auto* const source = reinterpret_cast<const unsigned char*>(in.constData());
    qsizetype written = 0;
    // The update call takes an int length: feed larger inputs in pieces.
    constexpr qsizetype MaxPiece = qsizetype(1) << 30;
    for (qsizetype done = 0; done < in.size();) {
        const int piece = int(std::min(in.size() - done, MaxPiece));
        int len = 0;
        if (EVP_CipherUpdate(ctx.get(), target + written, &len, source + done, piece) != 1)
            cipheringFailure(context);
        written += len;
        done += piece;
    }
    int len = 0;
    if (EVP_CipherFinal_ex(ctx.get(), target + written, &len) != 1)
        cipheringFailure(context);
    written += len;
    // When decrypting, the bytes past the plaintext held part of its last block.
    if (!encrypting)
        OPENSSL_cleanse(target + written, size_t(result.size() - written));
    result.resize(written);
    out.swap(result);
    // The caller's previous bytes are released as they were, not wiped by the guard.
    result.clear();
}

[[noreturn]] void fileFailure(const QString& context, const QString& key, const QString& module, const QFile& file)
{
    CipherError::raise(context, CipherError::text(key, module).arg(file.fileName()));
}

[[noreturn]] void ioFailure(const QString& context, const QString& key, const QFile& file)
{
    CipherError::raise(context, CipherError::text(key).arg(file.fileName()) + QStringLiteral(", ") + file.errorString());
}
} // namespace

Crypt::Crypt() : _generator(quint32(QDateTime::currentMSecsSinceEpoch())) {}

Crypt::~Crypt() = default;

Crypt& Crypt::getInstance()
{
    static Crypt instance;
    return instance;
}

void Crypt::buildKey(QByteArray& out, unsigned int length)
{
    // Key bytes come from the operating system's generator: the clock-seeded
    // generator below would make them predictable.
    out.clear();
    out.reserve(qsizetype(length));
    for (unsigned int i = 0; i < length; ++i) {
        const quint64 v = QRandomGenerator::system()->generate();
        out.append(char((v * 255u) >> 32));
    }
}

void Crypt::encryptAES256CBC(const AesPair& pair, const QByteArray& in, QByteArray& out) const
{
    runCipher(pair, pair.iv(), pair.key(), in, out, true, EncryptContext);
}

void Crypt::decryptAES256CBC(const AesPair& pair, const QByteArray& in, QByteArray& out) const
{
    runCipher(pair, pair.iv(), pair.key(), in, out, false, DecryptContext);
}

void Crypt::encryptAES256CBC(const AesPair& pair, const QString& inFile, const QString& outFile) const
{
    transformFile(pair, inFile, outFile, true);
}

void Crypt::decryptAES256CBC(const AesPair& pair, const QString& inFile, const QString& outFile) const
{
    transformFile(pair, inFile, outFile, false);
}

// Each chunk is its own CBC run with the same pair, so a full plaintext chunk of
// 8192 bytes becomes 8208 bytes and decrypts on its own.
void Crypt::transformFile(const AesPair& pair, const QString& inFile, const QString& outFile, bool encrypting) const
{
    const QString& context = encrypting ? EncryptFileContext : DecryptFileContext;
    QFile input(inFile);
    if (!input.open(QIODevice::ReadOnly))
        fileFailure(context, QStringLiteral("FileNotOpened"), QStringLiteral("zemb"), input);
    QFile output(outFile);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fileFailure(context, QStringLiteral("FileCreatingFailure"), QStringLiteral("zemb"), output);

    const qint64 chunkSize = encrypting ? PlainChunk : CipherChunk;
    const qint64 total = input.size();
    QByteArray chunk;
    QByteArray result;
    Cleanse chunkGuard(chunk);
    Cleanse resultGuard(result);
    for (qint64 done = 0; done < total;) {
        const qint64 wanted = std::min(chunkSize, total - done);
        chunk.resize(qsizetype(wanted));
        if (input.read(chunk.data(), wanted) != wanted)
            ioFailure(context, QStringLiteral("FileReadFailure"), input);
        if (encrypting)
            encryptAES256CBC(pair, chunk, result);
        else
            decryptAES256CBC(pair, chunk, result);
        if (output.write(result) != result.size())
            ioFailure(context, QStringLiteral("FileWriteFailure"), output);
        Cleanse::wipe(result);
        done += wanted;
    }
    if (!output.flush())
        ioFailure(context, QStringLiteral("FileWriteFailure"), output);
    output.close();
}

void Crypt::dumpToStdout(const QByteArray& bytes)
{
    BIO_dump_fp(stdout, bytes.constData(), int(std::min<qsizetype>(bytes.size(), INT_MAX)));
    std::fflush(stdout);
}

QRandomGenerator64& Crypt::randomGenerator()
{
    return _generator;
}

namespace {
bool isSymbol(char16_t c)
{
    return (c >= 33 && c <= 46) || (c >= 58 && c <= 64) || c == 91 || c == 93 || c == 95 || (c >= 123 && c <= 126);
}

// Draws 32-bit values from the operating system's generator a block at a time,
// so a long password does not cost one system call per draw.
class Draws
{
public:
    char16_t next()
    {
        if (_next == Size) {
            QRandomGenerator::system()->fillRange(_values, Size);
            _next = 0;
        }
        const quint64 r = _values[_next++];
        return char16_t(33 + ((r * 94u) >> 32));
    }
    ~Draws() { OPENSSL_cleanse(_values, sizeof _values); }

private:
    static constexpr qsizetype Size = 256;
    quint32 _values[Size] = {};
    qsizetype _next = Size;
};
} // namespace

QList<QString> Crypt::passwords(int count, int symbols, int length, bool letters, bool digits, bool lower, bool upper)
{
    if (!letters && !upper && !lower && !digits)
        symbols = length;
    if (count < 1)
        return {};

    const bool takeUpper = letters && upper;
    const bool takeLower = letters && lower;
    QList<QString> result;
    result.reserve(count);
    // Without letters or digits only symbols can fill a password; if the quota
    // cannot fill it, no draw would ever finish it.
    if (length < 1 || (!takeUpper && !takeLower && !digits && symbols < length)) {
        for (int i = 0; i < count; ++i)
            result.append(QString());
        return result;
    }

    Draws draws;
    for (int i = 0; i < count; ++i) {
        QString password;
        password.reserve(length);
        int used = 0;
        while (password.size() < length) {
            const char16_t c = draws.next();
            if (c >= u'A' && c <= u'Z' && takeUpper)
                password.append(QChar(c));
            else if (c >= u'a' && c <= u'z' && takeLower)
                password.append(QChar(c));
            else if (c >= u'0' && c <= u'9' && digits)
                password.append(QChar(c));
            else if (symbols >= 1 && used < symbols && isSymbol(c)) {
                password.append(QChar(c));
                ++used;
            }
        }
        result.append(password);
    }
    return result;
}
