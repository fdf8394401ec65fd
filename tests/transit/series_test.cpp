#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "io/units.hpp"
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

TEST(Tserie, RunKeepsTheNumbersOfTheTable)
{
    // Mercury series 0, 1, 2, 3 of the table begin at these JDEs; a run that
    // misses or adds transits must not hand out their numbers to other series.
    reset_series_state();
    const double c = 16802.2;
    astro.ser(0, 1) = 2400000.0;
    astro.ser(1, 1) = 2410000.0;
    astro.ser(2, 1) = 2420000.0;
    astro.ser(3, 1) = 2450000.0;
    struct Step {
        const char* what;
        double jde;
        int expected;
    };
    const Step steps[] = {
        {"first transit of series 0", 2400000.0, 0},
        // The run did not see the first transit of series 1.
        {"first transit of series 2", 2420000.0, 2},
        // Fits no series and series 3 begins later: no number.
        {"a transit the table does not know", 2425000.0, no_series},
        // Series 1 met one cycle after its (missed) first transit.
        {"second transit of series 1", 2410000.0 + c, 1},
        {"third transit of series 1", 2410000.0 + 2.0 * c, 1},
        {"first transit of series 3", 2450000.0, 3},
    };
    int iscur = 0, iser = 0;
    for (const auto& st : steps) {
        tserie(1, st.jde, iscur, 0, iser);
        EXPECT_EQ(iser, st.expected) << st.what;
    }
    // The table keeps its first transits.
    EXPECT_EQ(astro.ser(1, 1), 2410000.0);
    EXPECT_EQ(astro.ser(3, 1), 2450000.0);
}

TEST(Tserie, FirstSeriesOfARunAmongEmptySlots)
{
    struct Case {
        const char* what;
        int planet;
        int menu;
        double jde;
        int expected;
    };
    // Mercury series -99 and -98 start at -1000000.0 and -900000.0, all below -99
    // are empty; Venus series -6..0 start 300 days apart from 2451545.0, 1..18 are
    // empty and 19 holds the sentinel.
    const double c1 = 16802.2;
    const Case cases[] = {
        // Before JDE 0 the empty slots are no series beginning after the transit:
        // one cycle after series -99 the transit belongs to it.
        {"one cycle after -99", 1, 0, -1000000.0 + c1, -99},
        // After the last series that has begun a new one opens just above it.
        {"after the last Mercury series", 1, 0, -700000.0, -97},
        {"after the last Venus series", 2, 0, 2451545.0 + 5000.0, 1},
        // The run that builds the table numbers from the first valid number.
        {"build run, Mercury", 1, series_build_run, -3000000.0, -150},
        {"build run, Venus", 2, series_build_run, -3000000.0, -6},
    };
    for (const auto& c : cases) {
        reset_series_state();
        if (c.menu == 0) {
            astro.ser(-99, 1) = -1000000.0;
            astro.ser(-98, 1) = -900000.0;
            for (int s = -6; s <= 0; ++s) astro.ser(s, 2) = 2451545.0 + 300.0 * s;
            astro.ser(19, 2) = 1e12;
        }
        int iscur = 0, iser = 0;
        tserie(c.planet, c.jde, iscur, c.menu, iser);
        EXPECT_EQ(iser, c.expected) << c.what;
        EXPECT_EQ(astro.isflag, 1) << c.what;
        EXPECT_EQ(astro.ser(19, 2), c.menu == 0 ? 1e12 : 0.0) << c.what;
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
