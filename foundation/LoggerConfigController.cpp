#include "LoggerConfigController.h"

#include "Properties.h"
#include "Translator.h"

#include <QStringList>

namespace {

QString zemb(const char* key)
{
    return Translator::getInstance().string(QLatin1String(key), QStringLiteral("zemb"));
}

bool isPositiveDecimal(const QString& value)
{
    const auto number = Properties::decimal(value);
    return number && *number > 0;
}

bool isBoolean(const QString& value)
{
    static const QStringList forms{QStringLiteral("true"), QStringLiteral("false"), QStringLiteral("1"),
                                   QStringLiteral("0")};
    return forms.contains(value.trimmed().toLower());
}

bool isLevelName(const QString& value)
{
    static const QStringList names{QStringLiteral("debug"), QStringLiteral("info"), QStringLiteral("warning"),
                                   QStringLiteral("error"), QStringLiteral("fatal")};
    return names.contains(value.toLower());
}

bool hasVersionMark(const QString& value)
{
    return value.contains(QLatin1String("%1"));
}

} // namespace

LoggerConfigController::LoggerConfigController(QObject* parent) : IConfigController(parent)
{
}

LoggerConfigController::~LoggerConfigController() = default;

bool LoggerConfigController::isLegalConfiguration(const Properties* properties)
{
    clearErrors();
    if (!properties) {
        insertError(zemb("UndefinedConfig"));
        return false;
    }
    bool legal = true;
    const auto refuse = [&](const QString& key, const QString& value, const QString& reason = QString()) {
        // One-pass arg: a value holding "%1" or "%2" stays as it is.
        insertError(zemb("InvalidParameter").arg(key, value) + reason);
        legal = false;
    };

    const QString fileNameKey = QStringLiteral("log.filename");
    if (!properties->contains(fileNameKey))
        refuse(fileNameKey, QString());
    else if (properties->value(fileNameKey).trimmed().isEmpty())
        refuse(fileNameKey, properties->value(fileNameKey));

    struct Check
    {
        const char* key;
        bool (*accepts)(const QString&);
        const char* reason;
    };
    static const Check checks[] = {
        {"log.maxsize", &isPositiveDecimal, ""},
        {"log.kept", &isPositiveDecimal, ""},
        {"log.timeout", &isPositiveDecimal, ""},
        {"log.tee", &isBoolean, ""},
        {"log.banner.properties", &isBoolean, ""},
        {"log.banner.title", &hasVersionMark, " -> %1 = version"},
        {"log.filter", &isLevelName, ""},
    };
    for (const Check& check : checks) {
        const QString key = QLatin1String(check.key);
        if (!properties->contains(key))
            continue;
        const QString value = properties->value(key);
        if (!check.accepts(value))
            refuse(key, value, QLatin1String(check.reason));
    }
    return legal;
}
