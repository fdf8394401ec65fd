// The Kepler orbits: Meeus' example of Mercury's elements, the reduction of
// the angles, Kepler's equation, an impossible element.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "ephemeris/kepler.hpp"
#include "io/error.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

constexpr double rad = 0.017453292519943295;
using Rows = std::array<std::array<double, 4>, 6>; // L, a, e, i, node, pi: c0 + c1 T + c2 T^2 + c3 T^3

const KeplerTable& published() { return test::ephemerides().kepler(); }

// Planet j of frame s with the element polynomials of the rows, evaluated at T.
KeplerElements with_rows(int j, int s, const Rows& rows, double T)
{
    KeplerTable table = published();
    for (int m = 1; m <= 6; ++m)
        for (int n = 1; n <= 4; ++n) table(n, m, j, s) = rows[m - 1][n - 1];
    const KeplerPlace kp = vsop3(table, s, j, T, 6);
    EXPECT_EQ(kp.ke, 0);
    return kp.el;
}

// Meeus, Astronomical Algorithms, example 31.a: Mercury on 24 June 2065, frame of the date.
TEST(Kepler, MercuryIn2065InTheFrameOfTheDate)
{
    const double T = (2475460.5 - 2451545.0) / 36525.0;
    const KeplerPlace kp = vsop3(published(), 1, 1, T, 6);
    EXPECT_EQ(kp.ke, 0);
    const double want[6][2] = {{203.494701, 1e-6}, {0.387098310, 1e-9}, {0.20564510, 1e-8},
                               {7.006171, 1e-6},   {49.107650, 1e-6},   {78.475382, 1e-6}};
    for (int m = 1; m <= 6; ++m) EXPECT_NEAR(kp.el(m), want[m - 1][0], want[m - 1][1]) << "element " << m;
    // The place on the orbit: the radius from the eccentric anomaly, the latitude within the inclination.
    const KeplerOrbit o = kepler_orbit(published(), 1, 1, T, 6);
    EXPECT_NEAR(o.place.r, kp.el(2) * (1.0 - kp.el(3) * std::cos(kp.el(9) * rad)), 1e-15);
    EXPECT_LE(std::abs(o.place.b), kp.el(4) + 1e-12);
    EXPECT_GE(o.place.l, 0.0);
    EXPECT_LT(o.place.l, 360.0);
}

TEST(Kepler, AnglesAreReducedIntoTheCircleAfterEveryTerm)
{
    for (auto [in, out] : {std::array{-10.0, 350.0}, {370.0, 10.0}, {-370.0, 350.0}, {725.0, 5.0},
                           {360.0, 360.0}, {-360.0, 0.0}, {0.0, 0.0}, {-0.5, 359.5}}) {
        EXPECT_DOUBLE_EQ(reduce_element_angle(in), out) << in;
    }
    // L: 350 + 20 T passes 360 within one term. Node: -10 becomes 350 first.
    // pi: 100 - 460 = -360 -> 0; 0 + 1080 = 1080 -> 0.
    const auto el = with_rows(5, 2, {{{350.0, 20.0, 0.0, 0.0}, {5.2, 0, 0, 0}, {0.05, 0, 0, 0}, {1.3, 0, 0, 0},
                                      {-10.0, 5.0, 0.0, 0.0}, {100.0, -460.0, 0.0, 1080.0}}}, 1.0);
    EXPECT_NEAR(el(1), 10.0, 1e-12);
    EXPECT_NEAR(el(5), 355.0, 1e-12);
    EXPECT_NEAR(el(6), 0.0, 1e-12);
    EXPECT_NEAR(el(7), 10.0, 1e-12); // M = L - pi
    EXPECT_NEAR(el(8), 5.0, 1e-12);  // omega = pi - node + 360
}

TEST(Kepler, NewtonConvergesAtHighEccentricity)
{
    for (double e : {0.9, 0.97, 0.995}) {
        for (double M : {0.5, 5.0, 90.0, 179.0, 181.0, 300.0, 359.9}) {
            const auto el = with_rows(6, 1, {{{M + 10.0, 0, 0, 0}, {9.5, 0, 0, 0}, {e, 0, 0, 0}, {2.5, 0, 0, 0},
                                              {113.0, 0, 0, 0}, {10.0, 0, 0, 0}}}, 0.0);
            const double E = el(9) * rad;
            EXPECT_NEAR(E - e * std::sin(E), M * rad, 1e-12) << e << " " << M;
            // Same half of the orbit for E and nu, and the anomaly relation.
            EXPECT_EQ(el(10) < 180.0, el(9) < 180.0) << e << " " << M;
            EXPECT_NEAR(std::cos(el(10) * rad), (std::cos(E) - e) / (1.0 - e * std::cos(E)), 1e-9);
        }
    }
}

// An eccentricity impossible for an ellipse reads as a number but is refused
// with its line. (Lines that cannot be read at all are the damaged-data test's.)
TEST(Kepler, ImpossibleElementNamesTheLine)
{
    test::ScratchDir dir;
    test::replace_line("invsop3.t", 8, "  1.20563175  0.0  0.0  0.0"); // Mercury's eccentricity in the first frame
    try {
        (void)load_kepler();
        ADD_FAILURE() << "an eccentricity above 1 was accepted";
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), "invsop3.t");
        EXPECT_EQ(e.kind(), DataError::Kind::invalid) << e.what();
        EXPECT_EQ(e.line(), 8) << e.what();
    }
}

} // namespace
} // namespace r7
