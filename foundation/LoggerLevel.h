#pragma once

#include "Zemb1Export.h"

class QString;

namespace LoggerLevel {
// A line is written when its level is at least the logger's filter.
enum LogLevel { Debug = 0, Info = 1, Warning = 2, Critical = 3, Fatal = 4 };
}

using LogLevel = LoggerLevel::LogLevel;

// Writes the finished line for (level, message) into the output string.
using LogFormatter = void (*)(LoggerLevel::LogLevel level, const QString& message, QString& output);
