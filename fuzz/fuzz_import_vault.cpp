// Feeds arbitrary bytes to the building of a vault from a full-vault text, with
// racks made as the workspace makes them (without their views). Whether or not
// a line stops it, the racks built have names a vault can hold, each role once
// per rack, and are reported as made and filled; their export reads back into
// a fresh vault as the same racks and entries, without a rejected line.
#include "Exception.h"
#include "FuzzEnvironment.h"
#include "FuzzVault.h"
#include "Model.h"
#include "RackModel.h"
#include "VaultEntry.h"
#include "VaultExchange.h"

#include <cstddef>
#include <cstdint>

namespace {
struct Built
{
    std::shared_ptr<Model> model;
    VaultExchange::Counts counts;
    int made = 0;
    int filled = 0;
    bool stopped = false;
};

Built build(const QByteArray& bytes)
{
    Built built;
    built.model = FuzzVault::newModel();
    Model& model = *built.model;
    VaultExchange::RackMaker racks;
    racks.create = [&built](const QString& name) -> RackModel* {
        auto rack = std::make_unique<RackModel>(built.model, name);
        return built.model->addRackModel(rack.get()) ? rack.release() : nullptr;
    };
    racks.freeName = [&model] {
        for (int n = 1;; ++n)
            if (const QString name = QStringLiteral("New rack %1").arg(n); !model.rackExists(name))
                return name;
    };
    racks.filled = [&built](RackModel&) { ++built.filled; };
    try {
        built.counts = VaultExchange::importFullVault(bytes, model, racks, FuzzVault::logger().get(), &built.made);
    } catch (const Exception&) {
        built.stopped = true;
    }
    return built;
}
} // namespace

KOVRIN_FUZZ_ENVIRONMENT(Widgets)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Built built = build(bytes);
    const Model& model = *built.model;

    if (built.made != model.rackCount() || built.filled < built.made)
        __builtin_trap();
    qsizetype entries = 0;
    for (const RackModel* rack : *model.racks()) {
        if (rack->name().isEmpty() || rack->name().contains(QLatin1Char('\n')))
            __builtin_trap();
        if (!FuzzVault::rolesUnique(*rack))
            __builtin_trap();
        entries += rack->entryCount();
    }
    if (!built.stopped && entries != built.counts.added)
        __builtin_trap();

    const Built again = build(VaultExchange::fullVaultText(model));
    if (again.stopped || again.counts.rejected != 0 || again.model->rackNames() != model.rackNames())
        __builtin_trap();
    for (qsizetype i = 0; i < model.rackCount(); ++i) {
        const QList<VaultEntry*>& a = model.racks()->at(i)->entries();
        const QList<VaultEntry*>& b = again.model->racks()->at(i)->entries();
        if (a.size() != b.size())
            __builtin_trap();
        for (qsizetype j = 0; j < a.size(); ++j)
            if (!(*a[j] == *b[j]))
                __builtin_trap();
    }
    return 0;
}
