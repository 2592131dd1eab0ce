#pragma once

#include "LoggerLevel.h"
#include "Zemb1Export.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class Logger;
class Properties;

// Process-wide registry of loggers: one default logger and named ones.
class ZEMB1_EXPORT Log : public QObject
{
    Q_OBJECT
public:
    explicit Log(const Logger& defaultLogger);
    ~Log() override;

    static Log& getInstance();
    static Log& initInstance(Logger& logger);
    static Log& initInstance(const QString& fileName, bool tee, quint64 maxSize, quint32 kept, quint32 timeout,
                             LoggerLevel::LogLevel filter, LogFormatter formatter = nullptr);

    std::shared_ptr<Logger> log() const { return _default; }
    std::shared_ptr<Logger> logger(const QString& name) const;
    bool insertLoggger(const QString& name, const std::shared_ptr<Logger>& logger);
    std::shared_ptr<Logger> removeLogger(const QString& name);
    bool containsLogger(const QString& name) const;

    void debug(const QString& message);
    void debug(const char* message);
    void info(const QString& message);
    void info(const char* message);
    void warning(const QString& message);
    void warning(const char* message);
    void critical(const QString& message);
    void critical(const char* message);
    void fatal(const QString& message);
    void fatal(const char* message);

    LoggerLevel::LogLevel filter() const;
    LoggerLevel::LogLevel setFilter(LoggerLevel::LogLevel filter);
    LogFormatter formatter() const;
    LogFormatter setFormatter(LogFormatter formatter);
    void enableTee();
    void disableTee();
    bool isTeeEnabled() const;

    void logBanner(const QString& title, const QString& version, QMap<QString, QString>* configuration);
    void logBanner(const QString& title, const QString& version, const Properties* configuration);

    // Language codes of every ".lang" resource under ":resources/lang/".
    static QStringList languages();

private:
    Logger& checked(const char* context) const;

    std::shared_ptr<Logger> _default;
    QMap<QString, std::shared_ptr<Logger>> _loggers;
};
