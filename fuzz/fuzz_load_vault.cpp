// Feeds arbitrary bytes to the opening of a vault file. The first byte chooses
// the file: even, the rest encrypted under the vault key of a fixed password,
// as a saved vault is, so that the reader of the plaintext is reached (and the
// vault must open); odd, the rest as it is, for the decryption's refusals.
// An open vault has racks of distinct names without a line feed, gives its
// plaintext back in a form that reads as the same racks, and predicts the size
// of its file from that plaintext. (The file's names and roles are otherwise
// taken as they are: an empty rack name, a role repeated in a rack.)
#include "Crypt.h"
#include "Exception.h"
#include "FuzzEnvironment.h"
#include "FuzzVault.h"
#include "Model.h"
#include "RackModel.h"
#include "VaultEntry.h"
#include "VaultText.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

KOVRIN_FUZZ_ENVIRONMENT(Widgets)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::unique_ptr<AesPair> key = Model::keyFromPassword(QStringLiteral("Fuzz-1!"));
    if (size == 0)
        return 0;
    const bool encrypted = data[0] % 2 == 0;
    const QByteArray input(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
    QByteArray file;
    if (encrypted)
        Crypt::getInstance().encryptAES256CBC(*key, input, file);
    else
        file = input;
    const QString fileName = FuzzEnvironment::writeFile(QStringLiteral("vault"), file);

    std::shared_ptr<Model> model;
    try {
        model = Model::loadVault(fileName, *key, &FuzzVault::tabs(), FuzzVault::logger());
    } catch (const Exception&) {
        if (encrypted)
            __builtin_trap();
        return 0;
    }

    QSet<QString> names;
    for (const RackModel* rack : *model->racks()) {
        if (rack->name().contains(QLatin1Char('\n')))
            __builtin_trap();
        names.insert(rack->name());
    }
    if (names.size() != model->rackCount())
        __builtin_trap();

    const std::unique_ptr<QByteArray> plain = model->toPlainText();
    if (model->savedSize() != (plain->size() / 16 + 1) * 16)
        __builtin_trap();
    const VaultText::Parsed again = VaultText::parse(*plain, nullptr);
    if (qsizetype(again.segments.size()) != model->rackCount() || (again.migrated && model->rackCount() > 0))
        __builtin_trap();
    for (qsizetype i = 0; i < model->rackCount(); ++i) {
        const RackModel& rack = *model->racks()->at(i);
        const VaultText::Segment& segment = again.segments[size_t(i)];
        if (segment.name != rack.name() || segment.entries.size() != rack.entryCount())
            __builtin_trap();
        for (qsizetype j = 0; j < rack.entryCount(); ++j)
            if (!(*segment.entries[j] == *rack.entries()[j]))
                __builtin_trap();
    }
    return 0;
}
