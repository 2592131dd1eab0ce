// Feeds arbitrary bytes, as the file, to the configuration reader. What it
// reads holds no line feed and no comment key, always a version (the file's,
// even empty), the one asked for when one is; and a configuration the logger's
// checks accept builds its file logger (pointed into the private folder, never
// where the input says).
#include "Configuration.h"
#include "Exception.h"
#include "FuzzEnvironment.h"
#include "Logger.h"
#include "LoggerConfigController.h"

#include <cstddef>
#include <cstdint>

KOVRIN_FUZZ_ENVIRONMENT(Core)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString fileName = FuzzEnvironment::writeFile(
        QStringLiteral("kovrin.conf"), QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const auto read = Configuration::load(fileName, QString());
    const auto versioned = Configuration::load(fileName, QStringLiteral("2.0.0"));
    const QString versionKey = QStringLiteral("app.version");
    if (!read->existsKey(versionKey) || versioned->value(versionKey) != QLatin1String("2.0.0")
        || read->properties().size() != versioned->properties().size())
        __builtin_trap();
    for (auto it = read->properties().begin(); it != read->properties().end(); ++it) {
        if (it.key().contains(QLatin1Char('\n')) || it.value().contains(QLatin1Char('\n'))
            || it.key().startsWith(QLatin1Char('#')))
            __builtin_trap();
        if (it.key() != versionKey && versioned->value(it.key()) != it.value())
            __builtin_trap();
    }
    if (read->logBannerTitle().trimmed().isEmpty())
        __builtin_trap();
    read->displayPropertiesWithinBanner();

    LoggerConfigController controller;
    if (!read->isLegalConfiguration(controller))
        return 0;
    Properties properties = read->properties();
    properties.insert(QStringLiteral("log.filename"), FuzzEnvironment::folder() + QStringLiteral("/kovrin"), true);
    const auto redirected = Configuration::load(properties, QString());
    try {
        Configuration::buildFileSystemLogger(*redirected)->close();
    } catch (const Exception&) {
        __builtin_trap();
    }
    return 0;
}
