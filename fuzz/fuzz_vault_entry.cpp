// Feeds arbitrary bytes to the entry decoder and checks it against the plain
// definition of a line: decode the whole line as UTF-8, then cut it at the tabs.
#include "Exception.h"
#include "VaultEntry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray line(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList parts = QString::fromUtf8(line).split(QLatin1Char('\t'));
    const bool valid = (parts.size() == 3 || parts.size() == 4) && !parts[0].isEmpty() && !line.contains('\n');
    std::unique_ptr<VaultEntry> entry;
    try {
        entry = VaultEntry::fromBytes(line);
    } catch (const Exception&) {
        if (valid)
            __builtin_trap(); // refused a good line
        return 0;
    }
    if (!valid || entry->name() != parts[0] || entry->user() != parts[1] || entry->password() != parts[2]
        || entry->comment() != (parts.size() == 4 ? parts[3] : QString()))
        __builtin_trap();
    // What was read is written back as Qt's UTF-8 of its text, and reads back the same.
    const std::unique_ptr<QByteArray> bytes = entry->toBytes();
    if (*bytes != entry->toString().toUtf8())
        __builtin_trap();
    const auto again = VaultEntry::fromBytes(*bytes);
    if (!(*again == *entry))
        __builtin_trap();
    return 0;
}
