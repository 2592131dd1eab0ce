#pragma once

#include "LoggerLevel.h"
#include "Zemb1Export.h"

#include <QMap>
#include <QString>

#include <memory>

class QFile;
class QJsonDocument;
class QJsonObject;
class QMutex;
class Properties;

// Writes levelled lines to a set of rotating files (name-0.log .. name-k.log,
// the highest index being the current one) and, with "tee", to the Qt message
// log. Copies share the file, the name pattern and the mutex.
class ZEMB1_EXPORT Logger
{
public:
    Logger();
    Logger(const QString& fileName, quint64 maxSize, quint32 kept, quint32 timeout, LoggerLevel::LogLevel filter,
           LogFormatter formatter = nullptr);
    Logger(const Logger&) = default;
    Logger& operator=(const Logger&) = default;
    virtual ~Logger();

    void debug(const QString& message);
    void info(const QString& message);
    void warning(const QString& message);
    void critical(const QString& message);
    void fatal(const QString& message);
    void writeTrace(LoggerLevel::LogLevel level, const QString& message);

    LoggerLevel::LogLevel filter() const { return _filter; }
    LoggerLevel::LogLevel setFilter(LoggerLevel::LogLevel filter);
    static void formatter(LoggerLevel::LogLevel level, const QString& message, QString& output);
    LogFormatter setFormatter(LogFormatter formatter);
    LogFormatter currentFormatter() const { return _formatter; }
    void enableTee() { _tee = true; }
    void disableTee() { _tee = false; }
    bool isTeeEnabled() const { return _tee; }
    QString bannerTitle() const { return _bannerTitle; }
    bool recordConfigurationData() const { return _recordConfigurationData; }
    void close();

    bool needsRotate() const;
    bool needsRotate(const QString& line) const;
    // Index of the current file, or a negative rotation error.
    qint32 last() const { return _last; }
    // Name of the file of the given index; empty for a console-only logger.
    QString fileName(qint32 index) const;

    void logBanner(const QString& title, const QString& version, const QJsonDocument* configuration);
    void logBanner(const QString& title, const QString& version, const QMap<QString, QString>* configuration);

    static std::shared_ptr<Logger> buildLog(const QJsonObject& config);

    // Configuration-file forms: banner listing the properties, logger built
    // from the "log." and "banner." keys, level of a "log.filter" value.
    void logBanner(const QString& title, const QString& version, const Properties* configuration);
    static std::shared_ptr<Logger> buildLog(const Properties& properties);
    static LoggerLevel::LogLevel levelFromName(const QString& name);

    QString toString() const;

    // The fixed notice line every banner carries.
    static QString bannerNotice();

protected:
    qint32 rotation(qint32 index);

private:
    qint32 lookForLastFile();
    bool createFile(qint32 index);
    void writeConsole(LoggerLevel::LogLevel level, const QString& text) const;
    void writeBanner(const QString& title, const QString& version, const QStringList& extraLines);

    LogFormatter _formatter = &Logger::formatter;
    std::shared_ptr<QFile> _spFile;
    std::shared_ptr<QString> _spFileName;
    quint64 _maxSize = 1048576;
    quint32 _timeout = 7;
    quint32 _kept = 5;
    qint32 _last = 0;
    bool _tee = true;
    LoggerLevel::LogLevel _filter = LoggerLevel::Debug;
    std::shared_ptr<QMutex> _spMutex;
    QString _bannerTitle;
    bool _recordConfigurationData = false;
};
