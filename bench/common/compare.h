#pragma once

// Every benchmark times Quindle against a bare baseline doing the same work, in turns, each
// run on fresh files, and prints the medians and the median of the per-round ratios with
// their spread, so that one noisy run on a shared machine decides nothing.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline double seconds(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

struct Figures
{
    double ours = 0;     // median seconds
    double baseline = 0; // median seconds
    double ratio = 0;    // median of ours / baseline per round
    double lowest = 0;   // spread of the ratios
    double highest = 0;
};

// prepare runs before each timed run and is not timed; its writes are on the disk before
// the clock starts. The order of the pair alternates from round to round.
inline Figures compare(const char *what, int rounds, const std::function<void()> &prepare,
                       const std::function<void()> &ours, const std::function<void()> &baseline,
                       double perUnit = 1, const char *unit = "s")
{
    std::vector<double> a, b, ratios;
    for (int round = 0; round < rounds; ++round) {
        double times[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const int which = (round + k) % 2;
            prepare();
            ::sync();
            times[which] = seconds(which == 0 ? ours : baseline);
        }
        a.push_back(times[0]);
        b.push_back(times[1]);
        ratios.push_back(times[0] / times[1]);
    }
    Figures f{median(a), median(b), median(ratios), *std::min_element(ratios.begin(), ratios.end()),
              *std::max_element(ratios.begin(), ratios.end())};
    std::printf("%-58s ours %10.3f %-2s  baseline %10.3f %-2s  ratio %5.2f  (%.2f to %.2f, %d rounds)\n", what,
                f.ours / perUnit, unit, f.baseline / perUnit, unit, f.ratio, f.lowest, f.highest, rounds);
    std::fflush(stdout);
    return f;
}

inline void check(bool ok, const char *what)
{
    if (!ok) {
        std::perror(what);
        std::exit(1);
    }
}

// A baseline's copy of a file: read and write in blocks of the size the program copies in.
inline void bareCopy(const std::string &from, const std::string &to)
{
    static char buffer[8048];
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(in >= 0 && out >= 0, "open");
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        check(got >= 0, "read");
        if (got == 0)
            break;
        check(::write(out, buffer, static_cast<std::size_t>(got)) == got, "write");
    }
    check(::close(in) == 0 && ::close(out) == 0, "close");
}

} // namespace bench
