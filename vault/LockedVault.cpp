#include "LockedVault.h"

#include "AesPair.h"
#include "Crypt.h"
#include "Exception.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "RackModel.h"
#include "VaultText.h"
#include "WipeOnExit.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <array>

namespace {
const QString OpenContext = QStringLiteral("LockedVault::Opened LockedVault::open(const QString&, QTabWidget*) -> ");

// Sealed text: 16 random bytes (the key pair's IV is fixed, so a known first
// block would always give the same cipher block), this mark, the vault text's
// length on 8 bytes, the vault text, the state. A wrong key decrypts the mark
// into noise, which the padding check alone would miss once in 256 tries.
constexpr std::array<char, 16> Mark = {'K', 'o', 'v', 'r', 'i', 'n', ' ', 'l', 'o', 'c', 'k', 'e', 'd', ' ', 'v', '1'};
constexpr qsizetype RandomSize = 16;
constexpr qsizetype HeaderSize = RandomSize + qsizetype(Mark.size()) + 8;
} // namespace

LockedVault::LockedVault(const Model& model, const QByteArray& state)
    : _fileName(model._fileName), _modified(model._modified), _logger(model._logger), _files(model._files),
      _onDiskExists(model._onDisk.exists), _onDiskSize(model._onDisk.size), _onDiskModified(model._onDisk.modified),
      _onDiskTaken(model._onDisk.taken), _onDiskDigest(model._onDisk.digest)
{
    // The vault's text is written straight after the header, in one
    // allocation of the right size: no copy of it to wipe.
    qsizetype room = 0;
    for (const RackModel* rack : *model._racks)
        room += qsizetype(VaultText::segmentSize(rack->name(), rack->entries()));
    QByteArray plain;
    WipeOnExit plainGuard(plain);
    plain.reserve(HeaderSize + room + state.size());
    std::array<quint32, RandomSize / 4> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    plain.append(reinterpret_cast<const char*>(random.data()), RandomSize);
    plain.append(Mark.data(), qsizetype(Mark.size()));
    plain.append(8, '\0'); // the text's length, known once written
    for (const RackModel* rack : *model._racks)
        VaultText::appendSegment(plain, rack->name(), rack->entries());
    qToBigEndian(quint64(plain.size() - HeaderSize), plain.data() + RandomSize + Mark.size());
    plain.append(state);
    Crypt::getInstance().encryptAES256CBC(*model._key, plain, _sealed);
}

LockedVault::~LockedVault() = default;

LockedVault::Opened LockedVault::open(const QString& password, QTabWidget* tabs) const
{
    const auto wrong = [] { return Exception(OpenContext + ModuleTexts::text(QStringLiteral("WrongPassword"))); };
    const std::unique_ptr<AesPair> key = Model::keyFromPassword(password);
    QByteArray plain;
    WipeOnExit plainGuard(plain);
    try {
        Crypt::getInstance().decryptAES256CBC(*key, _sealed, plain);
    } catch (const Exception&) {
        throw wrong();
    }
    if (plain.size() < HeaderSize || QByteArrayView(plain).sliced(RandomSize, qsizetype(Mark.size()))
                                         != QByteArrayView(Mark.data(), qsizetype(Mark.size())))
        throw wrong();
    const quint64 length = qFromBigEndian<quint64>(plain.constData() + RandomSize + Mark.size());
    if (length > quint64(plain.size() - HeaderSize))
        throw wrong();

    Opened opened;
    opened.state = plain.sliced(HeaderSize + qsizetype(length));
    QByteArray text = plain.sliced(HeaderSize, qsizetype(length));
    WipeOnExit textGuard(text);
    WipeOnExit::wipe(plain);
    plain = QByteArray();
    opened.model = Model::fromPlainText(text, _fileName, *key, tabs, _logger);
    Model& model = *opened.model;
    // As it was at lock: whatever the text's reading would have decided.
    model._modified = _modified;
    model._files = _files;
    model._onDisk = {_onDiskExists, _onDiskSize, _onDiskModified, _onDiskTaken, _onDiskDigest};
    return opened;
}
