// Feeds arbitrary bytes, as the file, to the rack import, into a rack that
// already holds two entries. Every line read is counted once, added or
// rejected; the rack keeps what it held, gains exactly the added entries, holds
// each role once, and every entry it gained reads back from its own bytes.
#include "FuzzEnvironment.h"
#include "FuzzVault.h"
#include "Model.h"
#include "RackModel.h"
#include "VaultEntry.h"
#include "VaultExchange.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

KOVRIN_FUZZ_ENVIRONMENT(Widgets)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype lines = bytes.count('\n') + (bytes.isEmpty() || bytes.endsWith('\n') ? 0 : 1);

    const auto model = FuzzVault::newModel();
    auto* rack = new RackModel(model, QStringLiteral("Rack"));
    if (!model->addRackModel(rack))
        __builtin_trap();
    rack->appendEntry(new VaultEntry(QStringLiteral("mail"), QStringLiteral("me"), QStringLiteral("pw"), QString()));
    rack->appendEntry(new VaultEntry(QStringLiteral("bank"), QString(), QStringLiteral("pin"), QStringLiteral("x")));
    const QString first = rack->entries()[0]->toString();
    const QString second = rack->entries()[1]->toString();

    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const VaultExchange::Counts counts = VaultExchange::importLines(file, *rack, FuzzVault::logger().get());

    if (counts.added + counts.rejected != lines || rack->entryCount() != 2 + counts.added)
        __builtin_trap();
    if (rack->entries()[0]->toString() != first || rack->entries()[1]->toString() != second)
        __builtin_trap();
    if (!FuzzVault::rolesUnique(*rack))
        __builtin_trap();
    for (qsizetype i = 2; i < rack->entryCount(); ++i) {
        const VaultEntry& entry = *rack->entries()[i];
        if (!(*VaultEntry::fromBytes(*entry.toBytes()) == entry))
            __builtin_trap();
    }
    return 0;
}
