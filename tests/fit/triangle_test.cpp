#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "fit/triangle.hpp"
#include "io/units.hpp"
#include "state/store.hpp"

namespace r7 {
namespace {

constexpr double pi = 3.141592653589793;

void set_planets(const std::array<double, 9>& p)
{
    for (int i = 0; i < 9; ++i) base.xyr(i + 1) = p[static_cast<std::size_t>(i)];
}

// Captures the terminal copy of the report for one test.
struct Terminal {
    std::ostringstream out;
    Terminal() { io::units().set_terminal(&out); }
    ~Terminal() { io::units().set_terminal(nullptr); }
};

TEST(Relpos, RatioModeDeviation)
{
    set_planets({0.3, 0.1, 0.0, 0.8, 0.4, 0.0, 0.5, 0.9, 0.0});
    const double r24 = 0.2 / 0.5, r25 = 0.8 / 0.3, r26 = 0.8 / 0.2;
    base.pyr(24) = r24;
    base.pyr(25) = r25;
    base.pyr(26) = r26;
    int o = 1, o2 = 0;
    relpos(1, 2, 7, o, o2, 1);
    EXPECT_NEAR(base.xyr(36), 0.0, 1e-12);
    EXPECT_EQ(base.xyr(11), 0.5);
    EXPECT_EQ(base.xyr(15), 0.8);
    EXPECT_NEAR(base.xyr(16), 0.5, 1e-15);

    base.pyr(24) = 1.1 * r24; // one ratio 10 % off: (1/11)^2 / 3
    relpos(1, 2, 7, o, o2, 1);
    EXPECT_NEAR(base.xyr(36), 100.0 * std::sqrt(1.0 / 121.0 / 3.0), 1e-10);
}

TEST(Relpos, OrientationDecision)
{
    // P1 -> P2 -> P3 counter-clockwise: cr > 0
    set_planets({0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0});
    base.pyr(24) = base.pyr(27) = 1.0;
    int o = 1, o2 = 0;
    relpos(1, 4, 0, o, o2, 1);
    EXPECT_EQ(o, 2); // Giza: counter-clockwise is the mirrored sense
    relpos(2, 4, 15, o, o2, 1);
    EXPECT_EQ(o, 1); // chambers, even permutation
    relpos(2, 4, 15, o, o2, 2);
    EXPECT_EQ(o, 2); // odd permutation
    o = 5;
    relpos(1, 4, 3, o, o2, 1);
    EXPECT_EQ(o, 5); // other check codes leave it alone
    relpos(3, 4, 0, o, o2, 1);
    EXPECT_EQ(o, 1); // other selectors are never mirrored

    // both views: the decision goes to orientation 2, orientation stays 3
    o = 3;
    relpos(1, 4, 0, o, o2, 1);
    EXPECT_EQ(o, 3);
    EXPECT_EQ(o2, 2);
    set_planets({0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 1.0, 0.0, 0.0}); // clockwise
    relpos(1, 4, 0, o, o2, 1);
    EXPECT_EQ(o, 3);
    EXPECT_EQ(o2, 1);
}

TEST(Relpos, MirroredViewFlipsThirdRatio)
{
    set_planets({0.3, 0.1, 0.0, 0.8, 0.4, 0.0, 0.5, 0.9, 0.0}); // cr > 0: mirrored for Giza
    base.pyr(24) = 0.2 / 0.5;
    base.pyr(25) = 0.8 / 0.3;
    base.pyr(26) = -(0.8 / 0.2);
    int o = 3, o2 = 0;
    relpos(1, 2, 0, o, o2, 1);
    EXPECT_EQ(o2, 2);
    EXPECT_NEAR(base.xyr(36), 0.0, 1e-12);
}

TEST(Relpos, LengthModes)
{
    set_planets({0.3, 0.1, 0.2, 0.8, 0.4, -0.1, 0.5, 0.9, 0.05});
    // space lengths
    const double la = std::sqrt(0.25 + 0.09 + 0.09), lb = std::sqrt(0.04 + 0.64 + 0.0225);
    const double g = std::acos((0.5 * 0.2 + 0.3 * 0.8 + (-0.3) * (-0.15)) / (la * lb));
    base.pyr(24) = lb / la;
    base.pyr(27) = g;
    int o = 1, o2 = 0;
    relpos(1, 4, 7, o, o2, 1);
    EXPECT_NEAR(base.xyr(21), la, 1e-15);
    EXPECT_NEAR(base.xyr(27), g, 1e-15);
    EXPECT_NEAR(base.xyr(36), 0.0, 1e-12);
    EXPECT_NEAR(base.az, -0.3, 1e-15);

    // plane lengths: the z components vanish from the lengths, the stored
    // differences keep them
    base.pyr(27) = g + 0.01; // 0.01 rad enters unscaled
    relpos(1, 3, 7, o, o2, 1);
    EXPECT_NEAR(base.xyr(21), std::sqrt(0.25 + 0.09), 1e-15);
    EXPECT_EQ(base.az, 0.0);
    EXPECT_EQ(base.cz, 0.0);
    EXPECT_NEAR(base.xyr(17), -0.3, 1e-15);
    EXPECT_NEAR(base.xyr(19), 0.15, 1e-15);
    EXPECT_GT(base.xyr(36), 0.0);
}

TEST(Relpos, DegenerateTrianglesAreNoMatch)
{
    Terminal term;
    // P2 = P1: no side A
    set_planets({0.3, 0.1, 0.0, 0.3, 0.1, 0.0, 0.5, 0.9, 0.0});
    base.pyr(24) = base.pyr(25) = base.pyr(26) = base.pyr(27) = 1.0;
    int o = 1, o2 = 0;
    relpos(1, 2, 0, o, o2, 1);
    EXPECT_EQ(base.xyr(36), relpos_no_match);
    relpos(1, 4, 0, o, o2, 1);
    EXPECT_EQ(base.xyr(36), relpos_no_match);
    EXPECT_NE(term.out.str().find("In RELPOS"), std::string::npos);

    // a monument ratio of zero
    set_planets({0.3, 0.1, 0.0, 0.8, 0.4, 0.0, 0.5, 0.9, 0.0});
    base.pyr(25) = 0.0;
    relpos(1, 2, 0, o, o2, 1);
    EXPECT_EQ(base.xyr(36), relpos_no_match);

    // collinear points: the angle is 0 or pi, never NaN
    base.pyr(24) = 2.0;
    base.pyr(27) = 0.0;
    for (int i = 1; i <= 50; ++i) {
        const double t = 0.37 * i, u = 1.0 / (i + 2.0);
        set_planets({t, u, 0.1, t + 0.3 * u, u + 0.7 * u, 0.1 + 0.11 * u, t + 0.6 * u, u + 1.4 * u, 0.1 + 0.22 * u});
        relpos(1, 4, 7, o, o2, 1);
        ASSERT_TRUE(std::isfinite(base.xyr(36))) << i;
        EXPECT_NEAR(base.xyr(27), 0.0, 1e-6);
    }
}

// Planet 1 on an orbit plane of inclination i whose node lies at longitude
// `node` (planet 1 at longitude 0, as after turning the origin onto it).
std::array<double, 3> on_plane(double node_deg, double inc_deg, double r)
{
    const double om = node_deg * pi / 180, inc = inc_deg * pi / 180;
    const double u = std::atan2(-std::sin(om), std::cos(om) * std::cos(inc));
    return {r * (std::cos(om) * std::cos(u) - std::sin(om) * std::sin(u) * std::cos(inc)),
            r * (std::sin(om) * std::cos(u) + std::cos(om) * std::sin(u) * std::cos(inc)),
            r * std::sin(u) * std::sin(inc)};
}

TEST(Transfo, MercuryFramesAgreeAndContainPlanetOne)
{
    const auto p1 = on_plane(40.0, 7.0, 0.39);
    ASSERT_GT(p1[0], 0.0);
    ASSERT_NEAR(p1[1], 0.0, 1e-15);
    const std::array<double, 9> planets{p1[0], p1[1], p1[2], -0.2, 0.65, 0.03, 0.4, -0.9, 0.0};
    std::array<std::array<double, 9>, 3> result{};
    for (int kind = 2; kind <= 4; ++kind) {
        set_planets(planets);
        base.re(1) = 0.0;
        base.re(34) = 40.0;
        std::array<double, 3> out{};
        transfo(kind, out);
        EXPECT_NEAR(base.ai, 7.0 * pi / 180, 1e-12);
        EXPECT_NEAR(base.ao, 40.0 * pi / 180, 1e-15);
        EXPECT_NEAR(base.re(2), 0.0, 1e-10) << kind; // planet 1 lies in the new plane
        EXPECT_NEAR(base.re(3), 0.39, 1e-14);
        EXPECT_NEAR(base.re(6), std::sqrt(0.04 + 0.4225 + 0.0009), 1e-14);
        EXPECT_EQ(out[2], base.re(9));
        for (int i = 0; i < 9; ++i) result[kind - 2][i] = base.xyr(i + 1);
    }
    // node, inclination, argument as one Euler turn or as single turns
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(result[0][i], result[2][i], 1e-14);
        EXPECT_NEAR(result[1][i], result[2][i], 1e-14);
    }
}

TEST(Transfo, VenusFramePutsPlanetOneOnTheAxis)
{
    set_planets({0.35, 0.1, 0.02, -0.5, 0.5, 0.03, 0.4, -0.9, 0.0});
    base.re(1) = 15.9;
    base.re(4) = 135.0;
    base.re(40) = 76.7;
    std::array<double, 3> out{};
    transfo(5, out);
    EXPECT_NEAR(base.xyr(2), 0.0, 1e-15);
    const double lon = base.re(1);
    EXPECT_TRUE(lon < 1e-9 || std::fabs(lon - 180.0) < 1e-9 || lon > 360.0 - 1e-9) << lon;
    EXPECT_NEAR(base.re(3), std::sqrt(0.35 * 0.35 + 0.01 + 0.0004), 1e-14);
}

TEST(Transfo, OtherKindsOnlyRecomputeSphericalCoordinates)
{
    // negative x axis, fourth quadrant, positive y axis
    set_planets({-1.0, 0.0, 0.0, 1.0, -1.0, 0.0, 0.0, 2.0, 1.0});
    base.re(1) = 100.0;
    base.re(4) = 0.0;
    base.re(40) = 30.0;
    std::array<double, 3> out{};
    transfo(1, out);
    EXPECT_NEAR(base.ao, (30.0 - 100.0 + 360.0) * pi / 180, 1e-14);
    EXPECT_EQ(base.xyr(1), -1.0);
    EXPECT_DOUBLE_EQ(base.re(1), 180.0);
    EXPECT_DOUBLE_EQ(base.re(4), 315.0);
    EXPECT_DOUBLE_EQ(base.re(7), 90.0);
    EXPECT_NEAR(base.re(8), std::atan(0.5) * 180 / pi, 1e-12);
    EXPECT_NEAR(out[2], std::sqrt(5.0), 1e-15);
    for (double v : {base.ao, base.ai, base.at}) EXPECT_TRUE(std::isfinite(v));
}

TEST(Chambers, Permutations)
{
    auto apply = [](int k) {
        std::array<double, 12> p{};
        for (int i = 0; i < 12; ++i) p[i] = i % 3 + 1 + 10 * (i / 3);
        chambers(k, p);
        return p;
    };
    const std::array<std::array<double, 3>, 8> expect{{{1, 2, 3}, {1, 2, 3}, {1, 3, 2}, {2, 1, 3},
                                                        {3, 1, 2}, {2, 3, 1}, {3, 2, 1}, {1, 2, 3}}};
    for (int k = 1; k <= 7; ++k) {
        const auto p = apply(k);
        for (int g = 0; g < 4; ++g)
            for (int i = 0; i < 3; ++i) EXPECT_EQ(p[3 * g + i], expect[k][i] + 10 * g) << "k " << k;
    }
    // 4 and 5 undo each other
    std::array<double, 12> p{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    chambers(4, p);
    chambers(5, p);
    EXPECT_EQ(p, (std::array<double, 12>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

// Geodesic distance on the ellipsoid (Vincenty's inverse method).
double vincenty(double lat1, double lon1, double lat2, double lon2)
{
    const double a = 6378136.6, b = 6356751.9, f = (a - b) / a;
    const double L = (lon2 - lon1) * pi / 180;
    const double U1 = std::atan((1 - f) * std::tan(lat1 * pi / 180));
    const double U2 = std::atan((1 - f) * std::tan(lat2 * pi / 180));
    const double sU1 = std::sin(U1), cU1 = std::cos(U1), sU2 = std::sin(U2), cU2 = std::cos(U2);
    double lam = L, sig = 0, ss = 0, cs = 0, ca2 = 0, c2sm = 0;
    for (int it = 0; it < 200; ++it) {
        const double sl = std::sin(lam), cl = std::cos(lam);
        ss = std::sqrt(std::pow(cU2 * sl, 2) + std::pow(cU1 * sU2 - sU1 * cU2 * cl, 2));
        if (ss == 0) return 0;
        cs = sU1 * sU2 + cU1 * cU2 * cl;
        sig = std::atan2(ss, cs);
        const double sa = cU1 * cU2 * sl / ss;
        ca2 = 1 - sa * sa;
        c2sm = cs - 2 * sU1 * sU2 / ca2;
        const double C = f / 16 * ca2 * (4 + f * (4 - 3 * ca2));
        const double prev = lam;
        lam = L + (1 - C) * f * sa * (sig + C * ss * (c2sm + C * cs * (-1 + 2 * c2sm * c2sm)));
        if (std::fabs(lam - prev) < 1e-13) break;
    }
    const double u2 = ca2 * (a * a - b * b) / (b * b);
    const double A = 1 + u2 / 16384 * (4096 + u2 * (-768 + u2 * (320 - 175 * u2)));
    const double B = u2 / 1024 * (256 + u2 * (-128 + u2 * (74 - 47 * u2)));
    const double ds = B * ss * (c2sm + B / 4 * (cs * (-1 + 2 * c2sm * c2sm) -
                                                B / 6 * c2sm * (-3 + 4 * ss * ss) * (-3 + 4 * c2sm * c2sm)));
    return b * A * (sig - ds);
}

TEST(Distance, AgreesWithGeodesic)
{
    const std::array<std::array<double, 2>, 4> sites{{{19.6925, -98.8435}, {19.7010, -98.8440},
                                                      {19.6800, -98.8300}, {19.6990, -98.8120}}};
    const auto saved = astro.teot; // the shared table is left as found
    for (int i = 0; i < 4; ++i) {
        astro.teot(i + 1, 1) = sites[i][0];
        astro.teot(i + 1, 2) = sites[i][1];
    }
    double d = -1;
    distance(2, 2, d);
    EXPECT_EQ(d, 0.0);
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j) {
            double dij = 0, dji = 0;
            distance(i, j, dij);
            distance(j, i, dji);
            EXPECT_DOUBLE_EQ(dij, dji);
            const double g = vincenty(sites[i][0], sites[i][1], sites[j][0], sites[j][1]);
            EXPECT_GT(g, 900.0);
            EXPECT_NEAR(dij, g, 1e-3 * g) << i << " " << j;
        }
    EXPECT_THROW(distance(0, 18, d), std::out_of_range);
    astro.teot = saved;
}

} // namespace
} // namespace r7
