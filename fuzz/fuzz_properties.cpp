// Feeds arbitrary bytes to the properties file reader. The first byte picks
// the maximum line length (0 = unlimited, else 1..15), the rest is the file.
// Whatever loads must obey the line rules and, once saved, load back the same.
#include "Exception.h"
#include "Properties.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The application object runs the library start-up: English message texts.
    static int argc = 1;
    static char name[] = "fuzz_properties";
    static char* argv[] = {name, nullptr};
    static const bool english = qputenv("LANG", "en_US.UTF-8");
    static QCoreApplication application(argc, argv);
    Q_UNUSED(english);
    static QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input.properties"));
    const QString output = dir.filePath(QStringLiteral("output.properties"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    file.close();

    std::shared_ptr<Properties> loaded;
    try {
        loaded = Properties::loadProperties(input, data[0] % 16);
    } catch (const Exception& e) {
        // Only a repeated key refuses a readable file.
        if (!e.detail().contains(QLatin1String("duplicate prohibited")))
            __builtin_trap();
        return 0;
    }

    bool hasCarriageReturn = false;
    for (auto it = loaded->begin(); it != loaded->end(); ++it) {
        const QString line = it.key() + QLatin1Char('=') + it.value();
        if (it.key().contains(QLatin1Char('=')) || line.contains(QLatin1Char('\n')) || line.trimmed() != line
            || line.startsWith(QLatin1Char('#')) || !line.isValidUtf16())
            __builtin_trap();
        hasCarriageReturn = hasCarriageReturn || line.contains(QLatin1Char('\r'));
    }

    try {
        loaded->saveProperties(output, true);
    } catch (const Exception&) {
        // The writer refuses only what would not read back.
        if (!hasCarriageReturn)
            __builtin_trap();
        return 0;
    }
    const auto reloaded = Properties::loadProperties(output, 0);
    if (*reloaded->toDictionnary() != *loaded->toDictionnary())
        __builtin_trap();
    return 0;
}
