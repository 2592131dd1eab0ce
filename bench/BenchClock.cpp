#include "BenchClock.h"

#include <algorithm>
#include <vector>

#include <time.h>

namespace BenchClock {

double threadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double wallMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

Timing measure(int repeats, const std::function<void()>& prepare, const std::function<void()>& run,
               double (*clock)())
{
    std::vector<double> times;
    for (int i = 0; i < std::max(1, repeats); ++i) {
        if (prepare)
            prepare();
        const double start = clock();
        run();
        times.push_back(clock() - start);
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

} // namespace BenchClock
