#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>

#include "ephemeris/listing.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/units.hpp"
#include "state/codes.hpp"
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
    // Eight heliocentric rows, then the Sun point and the planets in the site frame.
    ASSERT_EQ(rows.size(), 8u + 9u);
    EXPECT_EQ(test::lines_of(term.str()).size(), 13u + 4u + 8u);
    for (int j = 1; j <= 8; ++j) {
        // No deviation for Mars, Uranus and Neptune; Mercury, Venus and the
        // Earth are the fitted points, their dr the distance from their
        // monument, the others' the distance from ref times F.
        EXPECT_EQ(rows[static_cast<std::size_t>(j - 1)].has_dev, !(j == 4 || j == 7 || j == 8)) << j;
        const Xyz& m = j <= 3 ? monument[static_cast<std::size_t>(3 - j)] : ref;
        const double d = std::hypot(t(j, 1) - m.x, t(j, 2) - m.y, t(j, 3) - m.z);
        EXPECT_NEAR(t(j, 4), j <= 3 ? d : 0.02 * d, 1e-6) << j;
    }
    // Mercury itself lies on the x axis of the frame (its longitude is the
    // origin), at 1000 m per AU of its radius from point 3.
    EXPECT_NEAR(t(1, 2), monument[2].y, 1e-9);
    EXPECT_NEAR(std::hypot(t(1, 1), t(1, 3) - 64.0), 1000.0 * mercury.lbr.r, 1e-6);
}

} // namespace
} // namespace r7
