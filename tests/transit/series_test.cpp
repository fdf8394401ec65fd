// The numbering of transits by series: the table alone outside the building
// run (which the series run -804 checks end to end), and the numbers used up.
#include <gtest/gtest.h>

#include "test_support.hpp"
#include "transit/series.hpp"

namespace r7 {
namespace {

TEST(Tserie, EveryRunButTheBuildingOneNumbersByTheTableAlone)
{
    // Mercury series 0 begins at j0; series 2 two cycles and 3 days later (its transits fit
    // series 0 as well); series 1 in between, series 3 is empty. Venus: -1 and a sentinel 19.
    const double c = 16802.2, j0 = 2400000.0;
    SeriesTable table{};
    table(0, 1) = j0;
    table(1, 1) = j0 + 5000.0;
    table(2, 1) = j0 + 2.0 * c + 3.0;
    table(-1, 2) = 2400000.0;
    table(19, 2) = 1e12;
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
    // The same numbers in time order and backwards: nothing the run met before counts.
    for (const bool backwards : {false, true}) {
        TransitSeries series(table);
        for (std::size_t k = 0; k < std::size(steps); ++k) {
            const Step& st = steps[backwards ? std::size(steps) - 1 - k : k];
            EXPECT_EQ(series.tserie(st.planet, st.jde, 0), st.expected) << st.what;
            EXPECT_EQ(series.series_by_date(st.planet, st.jde), st.expected) << st.what;
        }
        for (int p = 1; p <= 2; ++p) {
            for (int s = -180; s <= 170; ++s) EXPECT_EQ(series.table()(s, p), table(s, p)) << "series " << s;
        }
        EXPECT_EQ(series.highest(), series_max_unset);
    }
}

TEST(Tserie, NumbersUsedUpGive999AndOneMessage)
{
    test::Terminal term;
    TransitSeries series;
    // Transits 50 days apart, within one cycle: each fits no series before it
    // and opens the next one, up to the last valid number 154.
    for (int n = -150; n <= 154; ++n) {
        ASSERT_EQ(series.tserie(1, 5000.0 + 50.0 * (n + 150), series_build_run), n);
    }
    const double next = 5000.0 + 50.0 * 305;
    EXPECT_EQ(series.tserie(1, next, series_build_run), no_series);
    EXPECT_EQ(series.tserie(1, next + 33.0, series_build_run), no_series);
    EXPECT_EQ(series.highest(), 154);
    EXPECT_EQ(series.table()(155, 1), 0.0);
    EXPECT_EQ(term.text(), "\n  ---->  Mercury series numbers -150 to 154 are used up: new series from JDE 20250.0 on "
                          "get 999.\n\n");
}

} // namespace
} // namespace r7
