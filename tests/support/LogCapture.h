#pragma once

#include "Logger.h"

#include <QList>
#include <QPair>
#include <QString>

#include <memory>

// A console logger whose lines are also kept, level and message, for the test
// to look at. One capture at a time per process.
class LogCapture
{
public:
    using Line = QPair<LoggerLevel::LogLevel, QString>;

    LogCapture();
    ~LogCapture();

    std::shared_ptr<Logger> logger() const { return _logger; }
    QList<Line> lines() const;
    QStringList messages(LoggerLevel::LogLevel level) const;

private:
    std::shared_ptr<Logger> _logger;
};
