// Feeds arbitrary bytes, cut into arguments at NUL bytes, to the command-line
// reading of the start-up. Option names never hold "=", the last value given
// for a name wins, the clipboard timeout lies within its bounds and comes with
// a message exactly when a given value was refused, the language chosen (from
// "--lang", else the first argument read as LANG) is one the resources hold,
// and the vault file named is an existing file given by its absolute path.
#include "FuzzEnvironment.h"
#include "Startup.h"

#include <QFileInfo>
#include <QStringList>

#include <cstddef>
#include <cstdint>

KOVRIN_FUZZ_ENVIRONMENT(Core)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QStringList languages = Startup::availableLanguages();
    QStringList arguments;
    for (const QByteArray& part : QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0'))
        arguments.append(QString::fromUtf8(part));

    const Startup::Options options = Startup::parseOptions(arguments);
    for (auto it = options.begin(); it != options.end(); ++it)
        if (it.key().contains(QLatin1Char('=')))
            __builtin_trap();
    // The last argument that is an option (one not starting with "=") sets its name's value.
    for (auto it = arguments.crbegin(); it != arguments.crend(); ++it) {
        const qsizetype at = it->indexOf(QLatin1Char('='));
        if (at == 0)
            continue;
        const QString name = at < 0 ? *it : it->left(at);
        if (!options.contains(name) || options.value(name) != (at < 0 ? QString() : it->mid(at + 1)))
            __builtin_trap();
        break;
    }

    QString error;
    const int seconds = Startup::clipboardTimeout(options, &error);
    const bool given = options.contains(QStringLiteral("--clipboard-timeout"));
    if (seconds < 0 || seconds > Startup::maxClipboardTimeout || (!given && (seconds != 0 || !error.isEmpty()))
        || (given && (seconds == 0) == error.isEmpty()))
        __builtin_trap();
    Startup::filterAsYouType(options);

    const QString language =
        Startup::chooseLanguage(options.value(QStringLiteral("--lang")), arguments.first(), QStringLiteral("en_US"), languages);
    if (!languages.contains(language))
        __builtin_trap();

    const QString vault = Startup::vaultFileArgument(arguments);
    if (!vault.isEmpty() && (!QFileInfo(vault).isAbsolute() || !QFileInfo(vault).isFile()))
        __builtin_trap();
    return 0;
}
