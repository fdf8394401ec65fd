// The results recorder: what the studies hand over at their report rows.
#include <gtest/gtest.h>

#include <cmath>

#include "report/results.hpp"

namespace r7::results {
namespace {

// A Giza site and the fit's target relative to point 3 (Mercury on it, Venus on 2, Earth on 1).
SiteGeometry giza()
{
    SiteGeometry g;
    g.point = {Xyz{748.0, -466.0, 60.0}, Xyz{336.0, -201.0, 70.0}, Xyz{0.0, 0.0, 64.0}};
    g.height = {146.6, 143.5, 65.5};
    g.target = {0.0, 0.0, 0.0, 336.0, -201.0, 6.0, 748.0, -466.0, -4.0};
    return g;
}

TEST(Recorder, SiteRowPutsEachImageOnItsMonument)
{
    SunPoint sun;
    sun.at = {-646.9, 42.4, 366.5};
    sun.residual = {0.1, 0.2, 0.0, -1.0, 0.0, 0.0, 0.0, 3.0, 4.0}; // in the order of the target
    results::Run run;
    record_site_row(run, {.main_option = 1, .sun_mode = 5}, 3088.413, giza(), 0.25, sun, 1.0);
    record_site_row(run, {.main_option = 1, .sun_mode = 4}, 3088.413, giza(), 0.25, sun, 1.0);
    ASSERT_EQ(run.site_rows.size(), 2u);
    const SiteRow& fit = run.site_rows[0];
    struct Case { std::size_t point; SitePoint image; double residual; };
    for (const Case& c : {Case{2, {0.1, 0.2, 64.0}, std::hypot(0.1, 0.2)}, Case{1, {335.0, -201.0, 70.0}, 1.0},
                          Case{0, {748.0, -463.0, 64.0}, 5.0}}) {
        const SitePoint& got = fit.image[c.point];
        EXPECT_NEAR(std::hypot(got.x - c.image.x, got.y - c.image.y, got.z - c.image.z), 0.0, 1e-9) << c.point;
        EXPECT_NEAR(fit.residual[c.point], c.residual, 1e-9) << c.point;
    }
    // Without the similarity fit (SLE) there are no residuals: images on the targets.
    const SiteRow& sle = run.site_rows[1];
    EXPECT_DOUBLE_EQ(sle.residual[0], 0.0);
    EXPECT_DOUBLE_EQ(sle.image[1].x, 336.0);
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
