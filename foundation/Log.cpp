#include "Log.h"

#include "Exception.h"
#include "Logger.h"
#include "Translator.h"

#include <QDir>

namespace {
Log* s_instance = nullptr;
// The instance created by getInstance/initInstance lives until process exit.
std::unique_ptr<Log> s_owned;
} // namespace

Log::Log(const Logger& defaultLogger) : _default(std::make_shared<Logger>(defaultLogger))
{
    s_instance = this;
}

Log::~Log()
{
    if (s_instance == this)
        s_instance = nullptr;
}

Log& Log::getInstance()
{
    if (!s_instance)
        s_owned = std::make_unique<Log>(Logger());
    return *s_instance;
}

Log& Log::initInstance(Logger& logger)
{
    if (!s_instance)
        s_owned = std::make_unique<Log>(logger);
    return *s_instance;
}

Log& Log::initInstance(const QString& fileName, bool tee, quint64 maxSize, quint32 kept, quint32 timeout,
                       LoggerLevel::LogLevel filter, LogFormatter formatter)
{
    if (!s_instance) {
        Logger logger(fileName, maxSize, kept, timeout, filter, formatter);
        if (tee)
            logger.enableTee();
        else
            logger.disableTee();
        s_owned = std::make_unique<Log>(logger);
    }
    return *s_instance;
}

std::shared_ptr<Logger> Log::logger(const QString& name) const
{
    return _loggers.value(name, _default);
}

bool Log::insertLoggger(const QString& name, const std::shared_ptr<Logger>& logger)
{
    if (name.isEmpty() || _loggers.contains(name))
        return false;
    _loggers.insert(name, logger);
    return true;
}

std::shared_ptr<Logger> Log::removeLogger(const QString& name)
{
    return _loggers.take(name);
}

bool Log::containsLogger(const QString& name) const
{
    return _loggers.contains(name);
}

Logger& Log::checked(const char* context) const
{
    if (!_default)
        throw Exception(QLatin1String(context) + QStringLiteral(" -> ")
                        + Translator::getInstance().string(QStringLiteral("LogNotInitialized"), QStringLiteral("zemb")));
    return *_default;
}

void Log::debug(const QString& message) { checked("void Log::debug(QString&)").debug(message); }
void Log::debug(const char* message) { checked("void Log::debug(const char*)").debug(QString::fromUtf8(message)); }
void Log::info(const QString& message) { checked("void Log::info(QString&)").info(message); }
void Log::info(const char* message) { checked("void Log::info(const char*)").info(QString::fromUtf8(message)); }
void Log::warning(const QString& message) { checked("void Log::warning(QString&)").warning(message); }
void Log::warning(const char* message)
{
    checked("void Log::warning(const char*)").warning(QString::fromUtf8(message));
}
void Log::critical(const QString& message) { checked("void Log::critical(QString&)").critical(message); }
void Log::critical(const char* message)
{
    checked("void Log::critical(const char*)").critical(QString::fromUtf8(message));
}
void Log::fatal(const QString& message) { checked("void Log::fatal(QString&)").fatal(message); }
void Log::fatal(const char* message) { checked("void Log::fatal(const char*)").fatal(QString::fromUtf8(message)); }

LoggerLevel::LogLevel Log::filter() const { return checked("LogLevel Log::filter()").filter(); }
LoggerLevel::LogLevel Log::setFilter(LoggerLevel::LogLevel filter)
{
    return checked("LogLevel Log::setFilter(LogLevel)").setFilter(filter);
}
LogFormatter Log::formatter() const { return checked("LogFormatter Log::formatter()").currentFormatter(); }
LogFormatter Log::setFormatter(LogFormatter formatter)
{
    return checked("LogFormatter Log::setFormatter(LogFormatter)").setFormatter(formatter);
}
void Log::enableTee() { checked("void Log::enableTee()").enableTee(); }
void Log::disableTee() { checked("void Log::disableTee()").disableTee(); }
bool Log::isTeeEnabled() const { return checked("bool Log::isTeeEnabled()").isTeeEnabled(); }

void Log::logBanner(const QString& title, const QString& version, QMap<QString, QString>* configuration)
{
    checked("void Log::logBanner(Logger&, const QString&, QMap<QString,QString>*)")
        .logBanner(title, version, configuration);
}

QStringList Log::languages()
{
    QStringList codes;
    const QStringList names =
        QDir(QStringLiteral(":resources/lang/")).entryList({QStringLiteral("*.lang")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString stem = name.left(name.lastIndexOf(QLatin1Char('.')));
        const qsizetype underscore = stem.indexOf(QLatin1Char('_'));
        if (underscore < 0)
            continue;
        const QString code = stem.mid(underscore + 1);
        if (!codes.contains(code))
            codes << code;
    }
    return codes;
}

// ---------------------------------------------------------------------------
// Configuration-file forms (Properties)
// ---------------------------------------------------------------------------

void Log::logBanner(const QString& title, const QString& version, const Properties* configuration)
{
    checked("void Log::logBanner(Logger&, const QString&, Properties*)").logBanner(title, version, configuration);
}
