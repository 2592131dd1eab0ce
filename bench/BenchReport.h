#pragma once

#include "BenchClock.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// What the vault and exchange benchmarks share: the plain baseline of reading
// a tab-separated text, and the line that reports a measurement against it.
namespace BenchReport {

// The unavoidable part of reading: every field of every line as a QString.
qsizetype splitIntoStrings(const QByteArray& text, QList<QString>& fields);

// One line "what  ms  baseline  ratio  verdict"; a target of 0 prints no verdict.
void ratio(int width, const char* what, double ms, double baseMs, double target);
// The same for two timings: their fastest runs compared, their medians beside.
void ratio(int width, const char* what, BenchClock::Timing timing, BenchClock::Timing base, double target);

// The same work with a switch on and off in turns (setOn(true), run, setOn(false),
// run, ...), reported as on against off; the switch is left on.
void onOff(int width, const char* what, int repeats, const std::function<void(bool)>& setOn,
           const std::function<void()>& prepare, const std::function<void()>& run, double target);

} // namespace BenchReport
