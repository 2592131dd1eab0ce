// Feeds arbitrary bytes to the vault plaintext reader. Whatever it reads must be
// written back in a form that reads back to the same racks and entries.
#include "VaultEntry.h"
#include "VaultText.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {
bool same(const VaultText::Parsed& a, const VaultText::Parsed& b)
{
    if (a.segments.size() != b.segments.size())
        return false;
    for (size_t i = 0; i < a.segments.size(); ++i) {
        const VaultText::Segment& x = a.segments[i];
        const VaultText::Segment& y = b.segments[i];
        if (x.name != y.name || x.entries.size() != y.entries.size())
            return false;
        for (qsizetype j = 0; j < x.entries.size(); ++j)
            if (!(*x.entries[j] == *y.entries[j]))
                return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray plain(reinterpret_cast<const char*>(data), qsizetype(size));
    const VaultText::Parsed parsed = VaultText::parse(plain, nullptr);
    QByteArray written;
    for (const VaultText::Segment& segment : parsed.segments)
        VaultText::appendSegment(written, segment.name, segment.entries);
    const VaultText::Parsed again = VaultText::parse(written, nullptr);
    if (!same(parsed, again) || again.migrated)
        __builtin_trap();
    return 0;
}
