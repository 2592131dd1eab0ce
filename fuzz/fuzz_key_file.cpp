// Feeds arbitrary bytes, as the file, to the reading of a key file. It opens
// exactly when the file is an IV and a 128- or 256-bit key (32 or 48 bytes),
// gives those bytes back, and reads back the same after being saved.
#include "AesPair.h"
#include "Exception.h"
#include "FuzzEnvironment.h"

#include <cstddef>
#include <cstdint>

KOVRIN_FUZZ_ENVIRONMENT(Core)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString fileName = FuzzEnvironment::writeFile(QStringLiteral("key"), bytes);
    const bool valid = size == 32 || size == 48;
    AesPair pair;
    try {
        pair = AesPair(fileName);
    } catch (const Exception&) {
        if (valid)
            __builtin_trap();
        return 0;
    }
    if (!valid || pair.toBuffer() != bytes || !pair.isAesCompliant(quint16(size - 16)))
        __builtin_trap();
    const QString saved = FuzzEnvironment::folder() + QStringLiteral("/saved.key");
    pair.save(saved);
    if (AesPair(saved) != pair)
        __builtin_trap();
    return 0;
}
