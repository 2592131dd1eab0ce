#include "LogCapture.h"

namespace {
QList<LogCapture::Line> s_lines;

void keep(LoggerLevel::LogLevel level, const QString& message, QString& output)
{
    s_lines.append({level, message});
    output = message;
}
} // namespace

LogCapture::LogCapture() : _logger(std::make_shared<Logger>())
{
    s_lines.clear();
    _logger->setFormatter(&keep);
    _logger->disableTee();
}

LogCapture::~LogCapture()
{
    s_lines.clear();
}

QList<LogCapture::Line> LogCapture::lines() const
{
    return s_lines;
}

QStringList LogCapture::messages(LoggerLevel::LogLevel level) const
{
    QStringList out;
    for (const Line& line : s_lines)
        if (line.first == level)
            out.append(line.second);
    return out;
}
