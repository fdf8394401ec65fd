#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "io/units.hpp"
#include "state/slots.hpp"
#include "state/store.hpp"
#include "test_support.hpp"
#include "transit/series.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

// Fills the table with distinct, recognisable JDEs (negative values included).
void fill_table()
{
    reset_series_state();
    for (int s = -150; s <= 154; ++s) astro.ser(s, 1) = 2451545.0 + 16802.2 * s + 0.123456 * (s % 7);
    for (int s = -10; s <= 18; ++s) astro.ser(s, 2) = 2451545.0 + 88756.13 * s - 0.5;
    astro.ser(-150, 1) = -1234567.5;
    astro.ser(-3, 2) = 0.0;
}

TEST(SeriesFile, WrittenFileReadsBackAsTheSameTable)
{
    ScratchDir dir(false);
    fill_table();
    save_ser();
    const auto written = astro.ser;
    astro.ser.fill(0.0);
    fs::copy_file("inser-2.t", "inserie.t");
    read_ser();
    for (int p = 1; p <= 2; ++p) {
        for (int s = -180; s <= 170; ++s) {
            EXPECT_NEAR(astro.ser(s, p), written(s, p), 5e-6) << "series " << s << " planet " << p;
        }
    }
}

TEST(Tserie, EveryRunButTheBuildingOneNumbersByTheTableAlone)
{
    // Mercury series 0 begins at j0; series 2 begins two cycles and 3 days
    // later, so its transits fit series 0 as well; series 1 begins in between,
    // series 3 is empty. Venus series -1 begins at 2400000.0, 19 holds the
    // sentinel.
    reset_series_state();
    const double c = 16802.2, j0 = 2400000.0;
    astro.ser(0, 1) = j0;
    astro.ser(1, 1) = j0 + 5000.0;
    astro.ser(2, 1) = j0 + 2.0 * c + 3.0;
    astro.ser(-1, 2) = 2400000.0;
    astro.ser(19, 2) = 1e12;
    const auto table = astro.ser;
    struct Step {
        const char* what;
        int planet;
        double jde;
        int expected;
    };
    const Step steps[] = {
        {"one cycle after the first transit of series 0", 1, j0 + c, 0},
        {"the first transit of series 2, also two cycles after series 0", 1, j0 + 2.0 * c + 3.0, 2},
        {"one cycle later: the newer series", 1, j0 + 3.0 * c + 2.0, 2},
        {"9.9 days from a whole number of cycles", 1, j0 + 5000.0 + 4.0 * c + 9.9, 1},
        {"10.1 days from it", 1, j0 + 5000.0 + 4.0 * c - 10.1, no_series},
        {"one cycle before the first transit of series 1", 1, j0 + 5000.0 - c, no_series},
        {"5 days before the first transit of series 1: that transit", 1, j0 + 5000.0 - 5.0, 1},
        {"before every series", 1, j0 - 3.0 * c, no_series},
        {"a Venus transit five cycles on", 2, 2400000.0 + 5.0 * 88756.13 - 1.0, -1},
        {"a Venus transit before its series", 2, 2400000.0 - 88756.13, no_series},
        {"after the end of the table", 1, 7930549.0, no_series},
        {"before its start", 1, -3027459.0, no_series},
    };
    // The same numbers in time order and backwards: nothing the run met before
    // counts.
    for (const bool backwards : {false, true}) {
        int iscur = 0, iser = 0;
        for (std::size_t k = 0; k < std::size(steps); ++k) {
            const Step& st = steps[backwards ? std::size(steps) - 1 - k : k];
            tserie(st.planet, st.jde, iscur, 0, iser);
            EXPECT_EQ(iser, st.expected) << st.what;
            EXPECT_EQ(series_by_date(st.planet, st.jde), st.expected) << st.what;
        }
    }
    for (int p = 1; p <= 2; ++p) {
        for (int s = -180; s <= 170; ++s) EXPECT_EQ(astro.ser(s, p), table(s, p)) << "series " << s;
    }
    EXPECT_EQ(astro.ismax, series_max_unset);
}

TEST(Tserie, BuildingRunNumbersFromTheFirstValidNumber)
{
    for (const int p : {1, 2}) {
        reset_series_state();
        int iscur = 0, iser = 0;
        tserie(p, -3000000.0, iscur, series_build_run, iser);
        EXPECT_EQ(iser, p == 1 ? -150 : -6);
        EXPECT_EQ(astro.ser(iser, p), -3000000.0);
        // One cycle later the transit continues that series; far off the cycle
        // it opens the next one.
        tserie(p, -3000000.0 + Astro::cc(p) + 1.0, iscur, series_build_run, iser);
        EXPECT_EQ(iser, p == 1 ? -150 : -6);
        tserie(p, -3000000.0 + 1.5 * Astro::cc(p), iscur, series_build_run, iser);
        EXPECT_EQ(iser, p == 1 ? -149 : -5);
        EXPECT_EQ(astro.ser(iser, p), -3000000.0 + 1.5 * Astro::cc(p));
    }
}

TEST(Tserie, NumbersUsedUpGive999AndOneMessage)
{
    std::ostringstream term;
    io::units().set_terminal(&term);
    reset_series_state();
    int iscur = 0, iser = 0;
    // The build run has opened Mercury series up to the last valid number 154.
    tserie(1, 5000.0, iscur, series_build_run, iser);
    ASSERT_EQ(iser, -150);
    astro.ismax = 154;
    iscur = 154;
    astro.ser(154, 1) = 6000.0;
    tserie(1, 6033.0, iscur, series_build_run, iser);
    EXPECT_EQ(iser, no_series);
    tserie(1, 6071.0, iscur, series_build_run, iser);
    EXPECT_EQ(iser, no_series);
    io::units().set_terminal(nullptr);
    EXPECT_EQ(astro.ismax, 154);
    EXPECT_EQ(astro.ser(155, 1), 0.0);
    EXPECT_EQ(term.str(), "\n  ---->  Mercury series numbers -150 to 154 are used up: new series from JDE 6033.0 on "
                          "get 999.\n\n");
}

} // namespace
} // namespace r7
