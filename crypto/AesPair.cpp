#include "AesPair.h"

#include "CipherError.h"
#include "Cleanse.h"
#include "Crypt.h"

#include <QFile>

namespace {
constexpr qsizetype IvSize = 16;
constexpr qsizetype MinBufferSize = 32;

bool isKeySize(qsizetype size)
{
    return size == 16 || size == 32;
}
} // namespace

AesPair::AesPair() = default;

AesPair::AesPair(const QByteArray& iv, const QByteArray& key) : _iv(iv), _key(key)
{
    validate(QStringLiteral("AesPair::AesPair(const QByteArray&, const QByteArray&, QObject*) -> "));
}

AesPair::AesPair(const QString& ivHex, const QString& keyHex)
    : _iv(QByteArray::fromHex(ivHex.toUtf8())), _key(QByteArray::fromHex(keyHex.toUtf8()))
{
    validate(QStringLiteral("AesPair::AesPair(const QString&, const QString&, QObject*) -> "));
}

AesPair::AesPair(const QByteArray& buffer)
{
    if (buffer.size() < MinBufferSize)
        CipherError::raise(QStringLiteral("AesPair::AesPair(const QByteArray&, QObject*) -> "),
                           CipherError::text(QStringLiteral("IllegalBuffer")));
    _iv = buffer.left(IvSize);
    _key = buffer.mid(IvSize);
}

AesPair::AesPair(const QString& fileName)
{
    const QString context = QStringLiteral("AesPair::AesPair(const QString&, QObject*) -> ");
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        CipherError::raise(context, CipherError::text(QStringLiteral("FileNotOpened"), QStringLiteral("zemb")).arg(fileName)
                                        + QStringLiteral(", ") + file.errorString());
    const QString noKeyFile = CipherError::text(QStringLiteral("NoKeyFile")).arg(fileName);
    if (file.size() < MinBufferSize)
        CipherError::raise(context, noKeyFile);
    QByteArray content = file.readAll();
    Cleanse guard(content);
    _iv = content.left(IvSize);
    _key = content.mid(IvSize);
    // A short read leaves a key of the wrong size, which is refused below.
    if (_iv.size() != IvSize || !isKeySize(_key.size())) {
        clear();
        CipherError::raise(context, noKeyFile);
    }
}

AesPair::AesPair(const AesPair& other) = default;

AesPair& AesPair::operator=(const AesPair& other)
{
    if (this != &other) {
        clear();
        _iv = other._iv;
        _key = other._key;
    }
    return *this;
}

AesPair::~AesPair()
{
    clear();
}

void AesPair::validate(const QString& context)
{
    if (_iv.size() != IvSize) {
        _iv.clear();
        CipherError::raise(context, CipherError::text(QStringLiteral("IllegalBuffer")));
    }
    if (!isKeySize(_key.size())) {
        clear();
        CipherError::raise(context, CipherError::text(QStringLiteral("IllegalBuffer")));
    }
}

void AesPair::clear()
{
    Cleanse::wipe(_iv);
    Cleanse::wipe(_key);
    _iv.clear();
    _key.clear();
}

AesPair AesPair::fromBuffer(const QByteArray& buffer)
{
    return AesPair(buffer);
}

AesPair AesPair::newKey(quint16 bits)
{
    if (bits != 128 && bits != 256)
        throw Exception(CipherError::text(QStringLiteral("MandatoryKeySize")));
    QByteArray iv;
    QByteArray key;
    Crypt::getInstance().buildKey(iv, unsigned(IvSize));
    Crypt::getInstance().buildKey(key, bits / 8u);
    AesPair pair(iv, key);
    Cleanse::wipe(iv);
    Cleanse::wipe(key);
    return pair;
}

const QByteArray AesPair::toBuffer() const
{
    return _iv + _key;
}

void AesPair::save(const QString& fileName) const
{
    const QString context = QStringLiteral("void AesPair::save(const QString& ) -> ");
    if (QFile::exists(fileName) && !QFile::remove(fileName))
        CipherError::raise(context, CipherError::text(QStringLiteral("CannotDeleteFile"), QStringLiteral("zemb")).arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        CipherError::raise(context,
                           CipherError::text(QStringLiteral("FileCreatingFailure"), QStringLiteral("zemb")).arg(fileName));
    QByteArray buffer = toBuffer();
    Cleanse guard(buffer);
    // A key file cut short would be refused when read back: report it now.
    if (file.write(buffer) != buffer.size() || !file.flush())
        CipherError::raise(context, CipherError::text(QStringLiteral("FileWriteFailure")).arg(fileName) + QStringLiteral(", ")
                                        + file.errorString());
    file.close();
}

bool AesPair::isAesCompliant(quint16 keyBytes) const
{
    return _iv.size() == IvSize && isKeySize(keyBytes) && _key.size() == keyBytes;
}

bool AesPair::isNull() const
{
    return !isAesCompliant(32);
}

quint16 AesPair::keyLength() const
{
    return quint16(_key.size() * 8);
}

QString AesPair::toString() const
{
    return CipherError::text(QStringLiteral("KeySize")).arg(keyLength());
}

bool AesPair::operator==(const AesPair& other) const
{
    return _iv == other._iv && _key == other._key;
}

bool AesPair::operator!=(const AesPair& other) const
{
    return !(*this == other);
}
