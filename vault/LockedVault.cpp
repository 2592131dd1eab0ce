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
#include <QtConcurrent/QtConcurrentMap>
#include <QtEndian>

#include <array>
#include <vector>

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
    // The racks' texts are written side by side on every core, then joined:
    // a lock should cost little more than the encryption.
    struct Part {
        const RackModel* rack;
        QByteArray text;
    };
    std::vector<Part> parts;
    parts.reserve(size_t(model._racks->size()));
    for (const RackModel* rack : *model._racks)
        parts.push_back({rack, {}});
    QtConcurrent::blockingMap(parts, [](Part& part) {
        part.text.reserve(qsizetype(VaultText::segmentSize(part.rack->name(), part.rack->entries())));
        VaultText::appendSegment(part.text, part.rack->name(), part.rack->entries());
    });
    qsizetype textSize = 0;
    for (const Part& part : parts)
        textSize += part.text.size();
    QByteArray plain;
    WipeOnExit plainGuard(plain);
    plain.reserve(HeaderSize + textSize + state.size());
    std::array<quint32, RandomSize / 4> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    plain.append(reinterpret_cast<const char*>(random.data()), RandomSize);
    plain.append(Mark.data(), qsizetype(Mark.size()));
    std::array<char, 8> length{};
    qToBigEndian(quint64(textSize), length.data());
    plain.append(length.data(), qsizetype(length.size()));
    for (const Part& part : parts)
        plain.append(part.text);
    QtConcurrent::blockingMap(parts, [](Part& part) { WipeOnExit::wipe(part.text); });
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
