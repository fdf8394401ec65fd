#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>

#include "ephemeris/listing.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/units.hpp"
#include "state/codes.hpp"
#include "state/slots.hpp"
#include "state/constants.hpp"
#include "state/store.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

constexpr double rad = 0.017453292519943295;
const std::string eq(79, '='), dash(79, '-');

// Giza-like monument points (all x, all y, all z) and the fit's frame.
const std::array<double, 9> monument{739.19, 385.33, 0.0, -574.45, -240.03, 0.0, 60.4, 70.4, 64.0};
const std::array<double, 3> ref{374.84, -271.49, 64.93};
const std::array<double, 7> fit{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1000.0};

// Captures the terminal unit for the lifetime of the object.
struct Terminal {
    std::ostringstream os;
    Terminal() { io::units().set_terminal(&os); }
    ~Terminal() { io::units().set_terminal(nullptr); }
};

TEST(Listing, FittedGizaConstellationInBothFrames)
{
    test::ScratchDir dir;
    Terminal term;
    std::array<bool, max_body + 1> all{};
    all.fill(true);
    const FullSeries full = load_full_series(3, all);
    FArray<double, 1, 9> diff; // no target differences
    const double jde0 = 2849079.7633; // the pyramids' date of the site file
    const BodyPosition mercury = vsop2(full, jde0, 1, 6);
    ASSERT_EQ(mercury.ierr, 0);
    base.xyr(slot::f) = 2.0; // F in per cent
    SiteTable t;
    const std::array<double, 4> sun{-725.7, 1.5, 40.0, 12.25}; // the Sun point of the fit
    for (int c = 1; c <= 4; ++c) t(0, c) = sun[static_cast<std::size_t>(c - 1)];
    std::array<double, 9> p{};
    int tflag = 0;
    const std::array<double, 4> dates{};
    RunParams rp;
    rp.main_option = MainOption::giza;
    rp.constellation = 12;
    rp.sun_mode = SunMode::space_fitex;
    rp.vsop_variant = 3;
    const ListingInput in{0, 4519, jde0, mercury.lbr.l, 6, diff, SiteFit{fit, ref, 500.0}, monument, dates};
    plako(rp, in, full, tflag, p, t);
    EXPECT_EQ(tflag, 1);
    const auto out = test::lines_of(term.os.str());

    // Heliocentric block (13 lines), then the block in the site frame.
    ASSERT_EQ(out.size(), 13u + 4u + 8u);
    EXPECT_EQ(out[0], "");
    EXPECT_EQ(out[1], " " + eq);
    EXPECT_EQ(out[2], "pla.   x[AU]     y[AU]     z[AU]      L       B       r[AU]     Lm-L     dev.");
    EXPECT_EQ(out[3], " " + dash);
    EXPECT_EQ(out[4].substr(61), "   0.0000   0.0000"); // Mercury against itself
    EXPECT_EQ(out[12], " " + eq);
    EXPECT_EQ(out[13], "  Celestial pos. in Giza    body            x[m]      y[m]      z[m]    dr[m]");
    EXPECT_EQ(out[14], " " + dash);
    EXPECT_EQ(out[15], "  Local coordinates         Sun          -725.70      1.50     40.00    12.25");
    EXPECT_EQ(out[16].substr(0, 38), "  of the \"planets\"          Mercury   ");
    EXPECT_EQ(out[17].substr(0, 38), "  (pyramid positions)       Venus     ");
    EXPECT_EQ(out.back(), " " + eq);
    for (int j = 1; j <= 8; ++j) {
        SCOPED_TRACE(j);
        // No target difference for Mars, Uranus and Neptune.
        const std::string& helio = out[static_cast<std::size_t>(3 + j)];
        EXPECT_EQ(helio.substr(0, 4), " " + std::string(pla(j)));
        if (j == 4 || j == 7 || j == 8) EXPECT_EQ(helio.substr(70), "    --- ");
        else EXPECT_EQ(helio.size(), 79u);
        // Mercury, Venus and the Earth are the fitted points.
        const std::string& row = out[static_cast<std::size_t>(15 + j)];
        EXPECT_EQ(row.substr(28, 10), std::string(plan(j)));
        EXPECT_EQ(row.substr(77), j <= 3 ? " <" : "  ");
    }
    // Mercury itself lies on the x axis of the frame: on point 3's east-west line.
    EXPECT_NEAR(t(1, 2), monument[5], 1e-9);
}

} // namespace
} // namespace r7
