#include "Digest.h"

#include "CipherError.h"

#include <QFile>

#include <openssl/evp.h>

#include <functional>
#include <memory>

namespace {
const QString DataContext = QStringLiteral("QByteArray Digest::digest(const QString&, const QByteArray&) -> ");
const QString FileContext = QStringLiteral("QByteArray Digest::digest(const QString&, QFile*) -> ");
const QString Md5 = QStringLiteral("MD5");
constexpr qint64 ReadSize = 8192;

struct ContextFree
{
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct MdFree
{
    void operator()(EVP_MD* md) const { EVP_MD_free(md); }
};

[[noreturn]] void hashFailure(const QString& context, const QString& reason)
{
    CipherError::raise(context, CipherError::text(QStringLiteral("HashCodeFailure")).arg(reason));
}

// Fetches the algorithm, lets feed pass the data through update (false on a
// failure it reports itself) and returns the digest.
QByteArray run(const QString& context, const QString& algorithm, const std::function<bool(EVP_MD_CTX*)>& feed)
{
    std::unique_ptr<EVP_MD_CTX, ContextFree> ctx(EVP_MD_CTX_new());
    if (!ctx)
        hashFailure(context, CipherError::openssl());
    std::unique_ptr<EVP_MD, MdFree> md(EVP_MD_fetch(nullptr, algorithm.toUtf8().constData(), nullptr));
    if (!md || EVP_DigestInit_ex(ctx.get(), md.get(), nullptr) != 1 || !feed(ctx.get()))
        hashFailure(context, CipherError::openssl());
    const int size = EVP_MD_get_size(md.get());
    if (size <= 0)
        hashFailure(context, CipherError::openssl());
    QByteArray result(size, Qt::Uninitialized);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(result.data()), &length) != 1)
        hashFailure(context, CipherError::openssl());
    result.resize(qsizetype(length));
    return result;
}
} // namespace

Digest::Digest() = default;

Digest::~Digest() = default;

QByteArray Digest::digest(const QString& algorithm, const QByteArray& data)
{
    return run(DataContext, algorithm, [&data](EVP_MD_CTX* ctx) {
        return EVP_DigestUpdate(ctx, data.constData(), size_t(data.size())) == 1;
    });
}

QByteArray Digest::digest(const QString& algorithm, QFile* file)
{
    if (!file)
        hashFailure(FileContext, CipherError::text(QStringLiteral("FileReadFailure")).arg(QString()));
    return run(FileContext, algorithm, [file](EVP_MD_CTX* ctx) {
        char buffer[ReadSize];
        qint64 count = 0;
        do {
            count = file->read(buffer, ReadSize);
            // A digest of part of the file would pass for the file's own.
            if (count < 0)
                hashFailure(FileContext, file->errorString());
            if (EVP_DigestUpdate(ctx, buffer, size_t(count)) != 1)
                return false;
        } while (count == ReadSize);
        return true;
    });
}

QByteArray Digest::md5(const QByteArray& data)
{
    return digest(Md5, data);
}

QByteArray Digest::md5(const QString& text)
{
    return digest(Md5, text.toUtf8());
}

QByteArray Digest::md5(QFile* file)
{
    return digest(Md5, file);
}

QString Digest::md5ToString(const QByteArray& data)
{
    return QString::fromLatin1(md5(data).toHex());
}

QString Digest::md5ToString(const QString& text)
{
    return QString::fromLatin1(md5(text).toHex());
}

QString Digest::md5ToString(QFile* file)
{
    return QString::fromLatin1(md5(file).toHex());
}
