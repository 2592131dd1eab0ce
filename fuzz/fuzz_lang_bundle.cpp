// Feeds arbitrary bytes to the ".lang" bundle reader. The first input line is
// used as-is, so most inputs exercise the header checks; inputs starting with a
// valid header reach the body rules.
#include "Exception.h"
#include "LangBundle.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.path();
    QFile file(LangBundle::bundleFileName(path, QStringLiteral("Fuzz"), QStringLiteral("en_US")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    try {
        const auto bundle = LangBundle::load(path, QStringLiteral("Fuzz"), QStringLiteral("en_US"));
        // Every stored key must be found again and give back its text.
        for (auto it = bundle->keyValueBegin(); it != bundle->keyValueEnd(); ++it) {
            if (!bundle->contains(it->first) || bundle->text(it->first) != it->second)
                __builtin_trap();
            if (it->first.isEmpty())
                __builtin_trap();
        }
    } catch (const Exception&) {
    }
    return 0;
}
