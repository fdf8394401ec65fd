#include "run/runutil.hpp"

#include <chrono>
#include <cmath>
#include <ctime>

#include "state/constants.hpp"


namespace r7 {

namespace {
constexpr std::array<const char*, 15> tkon{"  ", " 1", " 2", " 3", " 4", " 5", " 6", " 7",
                                           " 8", " 9", "10", "11", "12", "13", "14"};
}

void konst(int k, std::string& label)
{
    label = "  ";
    for (int c = 1; c <= 14; ++c) {
        const double d1 = std::abs(k - akon(c));
        const double d2 = std::abs(k - (akon(c) - 1.0));
        if (d1 < 10.0 || d2 < 10.0) label = "->";
        if (d1 < 0.6 || d2 < 0.6) label = tkon[c];
    }
}

void comtime(int kind, double t_start, double t_end, const ClockValues& v_start, const ClockValues& v_end,
             int& hours, int& minutes, double& seconds)
{
    double d;
    if (kind == 1) {
        d = t_end - t_start;
    } else {
        auto secs = [](const ClockValues& v) {
            return v[0] * 3600.0 + v[1] * 60.0 + v[2] + v[3] * 0.001;
        };
        d = secs(v_end) - secs(v_start);
    }
    if (d < 0.0) d += seconds_per_day; // the clock passed midnight
    hours = static_cast<int>(d / 3600.0);
    const double m = (d - hours * 3600.0) / 60.0;
    minutes = static_cast<int>(m);
    seconds = (m - minutes) * 60.0;
}

double cpu_seconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

ClockValues wall_clock()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return {tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms)};
}

} // namespace r7
