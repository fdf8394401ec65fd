#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>

#include "ephemeris/listing.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/units.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

TEST(Listing, FittedGizaConstellationInBothFrames)
{
    test::ScratchDir dir;
    std::ostringstream term;
    io::units().set_terminal(&term);
    std::array<bool, max_body + 1> all{};
    all.fill(true);
    const FullSeries full = load_full_series(3, all);
    // Giza-like monument points, the fit's frame: a pure scale of 1000 m/AU.
    const std::array<Xyz, 3> monument{Xyz{739.19, -574.45, 60.4}, Xyz{385.33, -240.03, 70.4}, Xyz{0.0, 0.0, 64.0}};
    const std::array<double, 7> fit{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1000.0};
    const Xyz ref{374.84, -271.49, 64.93};
    FArray<double, 1, 9> diff; // no target differences
    const double jde0 = 2849079.7633; // the pyramids' date of the site file
    const BodyPosition mercury = vsop2(full, jde0, 1, 6);
    ASSERT_EQ(mercury.ierr, 0);
    SiteTable t;
    int tflag = 0;
    const std::array<double, 4> dates{};
    const RunParams rp{.main_option = MainOption::giza, .vsop_variant = 3, .sun_mode = SunMode::space_fitex,
                       .constellation = 12};
    const ListingInput in{0, 4519, jde0, mercury.lbr.l, 6, diff, SiteFit{fit, ref, 500.0, 2.0}, monument, dates};
    const auto rows = plako(rp, in, full, tflag, t);
    io::units().set_terminal(nullptr);
    EXPECT_EQ(tflag, 1);
    const auto out = test::lines_of(term.str());

    // Heliocentric block (13 lines), then the block in the site frame.
    ASSERT_EQ(out.size(), 13u + 4u + 8u);
    EXPECT_EQ(out[4].substr(61), "   0.0000   0.0000"); // Mercury against itself
    EXPECT_EQ(rows.size(), 8u + 9u);
    for (int j = 1; j <= 8; ++j) {
        SCOPED_TRACE(j);
        // The heliocentric row is the place at the date (no dev. for Mars,
        // Uranus and Neptune); in the site frame Mercury, Venus and the Earth
        // are the fitted points, their dr the distance from their monument.
        const BodyPosition b = vsop2(full, jde0, j, 6);
        EXPECT_EQ(rows[static_cast<std::size_t>(j - 1)].xyz[0], b.xyz.x);
        EXPECT_EQ(rows[static_cast<std::size_t>(j - 1)].has_dev, !(j == 4 || j == 7 || j == 8));
        const std::string& row = out[static_cast<std::size_t>(15 + j)];
        EXPECT_EQ(row.substr(28, 10), std::string(plan(j)));
        EXPECT_EQ(row.substr(77), j <= 3 ? " <" : "  ");
        if (j <= 3) {
            const Xyz& m = monument[static_cast<std::size_t>(3 - j)];
            EXPECT_NEAR(t(j, 4), std::hypot(t(j, 1) - m.x, t(j, 2) - m.y, t(j, 3) - m.z), 1e-9);
        } else {
            // Far planets: the distance from the reference point times F = 2 %.
            EXPECT_NEAR(t(j, 4), 0.02 * std::hypot(t(j, 1) - ref.x, t(j, 2) - ref.y, t(j, 3) - ref.z), 1e-6);
        }
    }
    // Mercury itself lies on the x axis of the frame (its longitude is the
    // origin), at 1000 m per AU of its radius from point 3.
    EXPECT_NEAR(t(1, 2), monument[2].y, 1e-9);
    EXPECT_NEAR(std::hypot(t(1, 1), t(1, 3) - 64.0), 1000.0 * mercury.lbr.r, 1e-6);
}

} // namespace
} // namespace r7
