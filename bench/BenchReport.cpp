#include "BenchReport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

qsizetype BenchReport::splitIntoStrings(const QByteArray& text, QList<QString>& fields)
{
    const char* const data = text.constData();
    const char* const end = data + text.size();
    for (const char* line = data; line < end;) {
        const char* lineEnd = static_cast<const char*>(std::memchr(line, '\n', size_t(end - line)));
        if (!lineEnd)
            lineEnd = end;
        for (const char* field = line; field <= lineEnd;) {
            const char* tab = static_cast<const char*>(std::memchr(field, '\t', size_t(lineEnd - field)));
            const char* fieldEnd = tab ? tab : lineEnd;
            if (fieldEnd > field)
                fields.append(QString::fromUtf8(field, fieldEnd - field));
            field = fieldEnd + 1;
        }
        line = lineEnd + 1;
    }
    return fields.size();
}

void BenchReport::ratio(int width, const char* what, double ms, double baseMs, double target)
{
    const double ratio = ms / baseMs;
    std::printf("%-*s %9.2f ms  baseline %8.2f ms  ratio %5.2f  %s\n", width, what, ms, baseMs, ratio,
                target <= 0 ? "" : (ratio <= target ? "(within target)" : "(OVER TARGET)"));
}

void BenchReport::ratio(int width, const char* what, BenchClock::Timing timing, BenchClock::Timing base, double target)
{
    const double ratio = timing.fastest / base.fastest;
    std::printf("%-*s %7.2f ms  baseline %6.2f ms  ratio %5.2f  %-16s (medians %.2f / %.2f ms)\n", width, what,
                timing.fastest, base.fastest, ratio,
                target <= 0 ? "" : (ratio <= target ? "(within target)" : "(OVER TARGET)"), timing.median,
                base.median);
}

void BenchReport::onOff(int width, const char* what, int repeats, const std::function<void(bool)>& setOn,
                        const std::function<void()>& prepare, const std::function<void()>& run, double target)
{
    std::vector<double> times[2]; // off, on
    for (int i = 0; i < repeats; ++i)
        for (const bool on : {true, false}) {
            if (prepare)
                prepare();
            setOn(on);
            const double start = BenchClock::threadMs();
            run();
            times[on].push_back(BenchClock::threadMs() - start);
        }
    setOn(true);
    const auto timing = [](std::vector<double>& t) {
        std::sort(t.begin(), t.end());
        return BenchClock::Timing{t.front(), t[t.size() / 2]};
    };
    ratio(width, what, timing(times[1]), timing(times[0]), target);
}
