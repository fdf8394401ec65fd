#include "io/progress.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <unistd.h>

#include "io/epoch.hpp"
#include "io/units.hpp"

namespace r7::io {

namespace {

using Clock = std::chrono::steady_clock;

// The start of the process (near enough: static initialisation), so that the
// elapsed time is that of the whole run and the second pass of the series run
// shows its line at once.
const Clock::time_point program_start = Clock::now();

constexpr auto first_draw = std::chrono::seconds(1);
constexpr auto redraw = std::chrono::milliseconds(250);

// Decimal year of a JDE, good enough for a progress display.
double year_of_jde(double jde) { return 2000.0 + (jde - jd2000) / days_per_julian_year; }

void put_err(std::string_view text)
{
    // Standard error is unbuffered; a short write to a terminal is not retried.
    [[maybe_unused]] const auto n = ::write(STDERR_FILENO, text.data(), text.size());
}

} // namespace

std::string progress_text(std::string_view what, double from, double to, double at, int found, double elapsed_s)
{
    const double span = to - from;
    const double share = span > 0.0 ? std::clamp((at - from) / span, 0.0, 1.0) : 1.0;
    const auto whole = [](double y) { return static_cast<long>(std::floor(y)); };
    const long secs = static_cast<long>(std::max(0.0, elapsed_s));
    char buf[160];
    // The ends of the interval are whole years, less a rounding error.
    std::snprintf(buf, sizeof buf, "  %.*s  %6ld .. %6ld of %6ld  %3d%%   found %5d   %ld:%02ld",
                  static_cast<int>(std::min<std::size_t>(what.size(), 20)), what.data(), std::lround(year_of_jde(from)),
                  whole(year_of_jde(std::clamp(at, from, std::max(from, to)))), std::lround(year_of_jde(to)),
                  static_cast<int>(share * 100.0), found, secs / 60, secs % 60);
    return buf;
}

namespace {

std::string line_on_screen; // the text of the progress line shown, "" when none

void erase_line()
{
    put_err("\r\x1b[K");
}

} // namespace

void put_under_progress_line(std::ostream& os, std::string_view text)
{
    erase_line();
    os << text;
    os.flush();
    put_err("\r" + line_on_screen);
}

Progress::Progress(std::string_view what, double from, double to)
    : enabled_(::isatty(STDERR_FILENO) == 1), what_(what), from_(from), to_(to),
      next_(std::max(Clock::now(), program_start + first_draw))
{
}

Progress::~Progress()
{
    if (line_on_screen.empty()) return;
    erase_line();
    line_on_screen.clear();
    progress_line_shared = false;
}

void Progress::tick(double at, int found)
{
    const auto now = Clock::now();
    if (now < next_) return;
    next_ = now + redraw;
    const double elapsed = std::chrono::duration<double>(now - program_start).count();
    if (line_on_screen.empty()) {
        // The report lines written so far go out first, so that the line
        // stands below them.
        units().terminal().flush();
        progress_line_shared = ::isatty(STDOUT_FILENO) == 1;
    }
    line_on_screen = progress_text(what_, from_, to_, at, found, elapsed);
    put_err("\r" + line_on_screen + "\x1b[K");
}

} // namespace r7::io
