// Feeds arbitrary bytes to the reader of the full-vault exchange text. Every
// line it gives lies within the input and holds no line feed; and whatever it
// reads that the export could have written (rack names a vault can hold, any
// entry) is written again and must read back the same.
#include "ExchangeText.h"
#include "Exception.h"
#include "VaultEntry.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {
struct Rack
{
    QString name;
    std::vector<std::unique_ptr<VaultEntry>> entries;
};

bool writable(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('\n'));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ExchangeText::Read read = ExchangeText::read(bytes);

    std::vector<Rack> kept;
    for (const ExchangeText::Block& block : read.blocks) {
        Rack rack{block.name, {}};
        for (const QByteArrayView line : block.lines) {
            if (line.data() < bytes.constData() || line.data() + line.size() > bytes.constData() + bytes.size()
                || line.contains('\n'))
                __builtin_trap();
            try {
                rack.entries.push_back(VaultEntry::fromBytes(line));
            } catch (const Exception&) {
            }
        }
        if (writable(rack.name))
            kept.push_back(std::move(rack));
    }

    QString text;
    for (const Rack& rack : kept) {
        QList<VaultEntry*> entries;
        for (const auto& entry : rack.entries)
            entries.append(entry.get());
        ExchangeText::appendRack(text, rack.name, entries);
    }
    const QByteArray written = text.toUtf8();
    const ExchangeText::Read again = ExchangeText::read(written);
    if (again.blocks.size() != qsizetype(kept.size()) || again.skippedAtEnd)
        __builtin_trap();
    for (size_t i = 0; i < kept.size(); ++i) {
        const ExchangeText::Block& block = again.blocks[qsizetype(i)];
        if (block.name != kept[i].name || block.skippedBefore
            || block.lines.size() != qsizetype(kept[i].entries.size()))
            __builtin_trap();
        for (size_t j = 0; j < kept[i].entries.size(); ++j)
            if (!(*VaultEntry::fromBytes(block.lines[qsizetype(j)]) == *kept[i].entries[j]))
                __builtin_trap();
    }
    return 0;
}
