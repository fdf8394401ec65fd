// The results recorder: the planets' listing joined to the site row it follows
// (the rows' images and residuals: the passage tests in tests/run, on every
// fitted row against the least-squares optimum).
#include <gtest/gtest.h>

#include "report/results.hpp"

namespace r7::results {
namespace {

// The Giza points.
SiteGeometry giza()
{
    SiteGeometry g;
    g.point = {Xyz{748.0, -466.0, 60.0}, Xyz{336.0, -201.0, 70.0}, Xyz{0.0, 0.0, 64.0}};
    return g;
}

TEST(Recorder, SiteListingJoinsTheRowItFollows)
{
    // Planet j at (100 j, 100 j + 1, 100 j + 2) with dr j, rows 1 to 9.
    SiteTable table;
    for (int j = 1; j <= 9; ++j) {
        for (int c = 1; c <= 3; ++c) table(j, c) = 100.0 * j + (c - 1);
        table(j, 4) = j;
    }
    struct Case {
        const char* what;
        int mode, flag;
        double year;
        int variant;
        std::size_t listed; // planets joined to the row
    };
    for (const Case& c : {Case{"the listing after the row", 0, 1, 3088.413, 2, 8},
                          Case{"with the barycentre", 0, 1, 3088.413, 1, 9},
                          Case{"the dated listing", 1, 1, 3088.413, 2, 0},
                          Case{"positions not carried into the site", 0, 0, 3088.413, 2, 0},
                          Case{"after a row suppressed from the report", 0, 1, 3091.544, 2, 0}}) {
        SCOPED_TRACE(c.what);
        results::Run run;
        record_site_row(run, {.main_option = 1, .sun_mode = 5}, 3088.413, giza(), 0.25, SunPoint{}, 1.0);
        record_site_listing(run, c.mode, c.flag, c.year, table, c.variant);
        const auto& listed = run.site_rows.back().listed;
        ASSERT_EQ(listed.size(), c.listed);
        if (c.listed == 0) continue;
        EXPECT_EQ(listed[3].name, "Mars");
        EXPECT_EQ(listed[7].at.z, 802.0);
        EXPECT_EQ(listed[7].dr, 8.0);
        EXPECT_EQ(listed.back().name, c.listed == 9 ? "Earth-Moon" : "Neptune");
    }
}

} // namespace
} // namespace r7::results
