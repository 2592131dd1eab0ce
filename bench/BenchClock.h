#pragma once

#include <functional>

// Times of the benchmarks: the processor time of the calling thread, which
// other work on a shared machine does not lengthen as it does wall time.
// That work only ever adds time, so the fastest of several runs is the figure
// compared; the median is printed beside it.
namespace BenchClock {

double threadMs();
// Wall time, for work that other threads do for the caller.
double wallMs();

struct Timing {
    double fastest;
    double median;
};

// Runs run `repeats` times, prepare before each run outside the timing.
Timing measure(int repeats, const std::function<void()>& prepare, const std::function<void()>& run,
               double (*clock)() = threadMs);

} // namespace BenchClock
