// The numbers of the series used up in the building run. (The numbering by the
// table alone is held by run/series_runs_test against the table read independently,
// the building run end to end by the series run -804.)
#include <gtest/gtest.h>

#include "test_support.hpp"
#include "transit/series.hpp"

namespace r7 {
namespace {

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
