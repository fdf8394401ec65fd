// The progress line of the long scans: its text, and silence when standard
// error is not a terminal. That it appears on a terminal and is erased at the
// end is checked through the real program in tests/e2e/terminal_test.cpp.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "io/progress.hpp"
#include "test_support.hpp"

namespace {

constexpr double j2000 = 2451545.0;
constexpr double year = 365.25;

TEST(Progress, TextShowsSpanEventsAndElapsedTime)
{
    const double from = j2000 - 15000 * year, to = j2000 + 15000 * year;
    const struct {
        double at;
        int found;
        double elapsed;
        const char* text;
    } cases[] = {
        {from, 0, 1.2, "  Mercury transits  -13000 .. -13000 of  17000    0%   found     0   0:01"},
        {j2000, 1645, 7.9, "  Mercury transits  -13000 ..   2000 of  17000   50%   found  1645   0:07"},
        {j2000 + 0.5 * year, 3, 125.0, "  Mercury transits  -13000 ..   2000 of  17000   50%   found     3   2:05"},
        // A scan point behind the end (the last jump) shows the end.
        {to + 100.0, 4000, 3601.0, "  Mercury transits  -13000 ..  17000 of  17000  100%   found  4000   60:01"},
    };
    for (const auto& c : cases) {
        const std::string t = r7::io::progress_text("Mercury transits", from, to, c.at, c.found, c.elapsed);
        EXPECT_EQ(t, c.text);
        EXPECT_LE(t.size(), 79u);
    }
    // An empty interval counts as covered.
    EXPECT_NE(r7::io::progress_text("syzygies", j2000, j2000, j2000, 0, 0.0).find("100%"), std::string::npos);
}

TEST(Progress, NothingWhenStandardErrorIsNoTerminal)
{
    // Standard error into a file for the lifetime of the indicator.
    const auto file = std::filesystem::temp_directory_path() / ("r7progress-" + std::to_string(::getpid()));
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(::fileno(f), STDERR_FILENO);
    bool enabled = true;
    {
        r7::io::Progress p("syzygies", j2000, j2000 + 1000.0);
        enabled = p.enabled();
        // Past the first second of the process and a redraw interval.
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        for (int i = 0; i < 1000; ++i) p.update(j2000 + i, i);
    }
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::fclose(f);
    EXPECT_FALSE(enabled);
    EXPECT_FALSE(r7::io::progress_line_shared);
    EXPECT_EQ(r7::test::read_file(file), "");
    std::filesystem::remove(file);
}

} // namespace
