#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "ephemeris/coord.hpp"
#include "state/store.hpp"

namespace r7 {
namespace {

constexpr double rad = 0.017453292519943295;
using Points = std::array<double, 9>;

void set_re(const std::array<double, 9>& v)
{
    for (int i = 0; i < 9; ++i) base.re(i + 1) = v[static_cast<std::size_t>(i)];
}

std::array<double, 3> lbr_of(double x, double y, double z)
{
    std::array<double, 3> out{};
    kugelko(x, y, z, out);
    return out;
}

void expect_points_near(const Points& a, const Points& b, double tol)
{
    for (std::size_t i = 0; i < 9; ++i) EXPECT_NEAR(a[i], b[i], tol) << "slot " << i;
}

TEST(Kartko, LongitudeOrigins)
{
    set_re({30.0, 60.0, 1.0, 90.0, 0.0, 2.0, 200.0, -10.0, 0.5});
    kartko(0);
    EXPECT_NEAR(base.xyr(1), 0.5 * std::sqrt(3.0) / 2.0, 1e-15);
    EXPECT_NEAR(base.xyr(2), 0.25, 1e-15);
    EXPECT_NEAR(base.xyr(3), std::sqrt(3.0) / 2.0, 1e-15);
    EXPECT_NEAR(base.xyr(4), 0.0, 1e-15);
    EXPECT_NEAR(base.xyr(5), 2.0, 1e-15);
    EXPECT_NEAR(base.xyr(6), 0.0, 1e-15);
    const double rc = 0.5 * std::cos(10.0 * rad);
    EXPECT_NEAR(base.xyr(7), rc * std::cos(200.0 * rad), 1e-15);
    EXPECT_NEAR(base.xyr(8), rc * std::sin(200.0 * rad), 1e-15);
    EXPECT_NEAR(base.xyr(9), -0.5 * std::sin(10.0 * rad), 1e-15);

    // Origin 1 (and any other code): the first planet on the positive x-z half-plane.
    for (int origin : {1, 3, -1}) {
        kartko(origin);
        EXPECT_NEAR(base.xyr(1), 0.5, 1e-15);
        EXPECT_NEAR(base.xyr(2), 0.0, 1e-15);
        EXPECT_NEAR(base.xyr(4), 2.0 * std::cos(60.0 * rad), 1e-14); // 90 - 30 deg
        EXPECT_NEAR(base.xyr(5), 2.0 * std::sin(60.0 * rad), 1e-14);
    }
    // Origin 2: the second planet on the positive x axis.
    kartko(2);
    EXPECT_NEAR(base.xyr(4), 2.0, 1e-15);
    EXPECT_NEAR(base.xyr(5), 0.0, 1e-15);
    EXPECT_NEAR(base.xyr(2), 0.5 * std::sin(-60.0 * rad), 1e-15); // 30 - 90 deg

    set_re({0.0, 5.0, 1.0, 0.0, -7.0, 2.0, 0.0, 0.0, 3.0});
    kartko(0);
    for (int j : {2, 5, 8}) EXPECT_EQ(base.xyr(j), 0.0);
    // The rest of xyr is left alone.
    base.xyr(10) = 123.0;
    kartko(1);
    EXPECT_EQ(base.xyr(10), 123.0);
}

TEST(Kugelko, QuadrantsAndAxes)
{
    EXPECT_NEAR(lbr_of(-1, 0, 0)[0], 180.0, 1e-12);
    EXPECT_NEAR(lbr_of(0, -1, 0)[0], 270.0, 1e-12);
    EXPECT_NEAR(lbr_of(1, -1, 0)[0], 315.0, 1e-12);
    EXPECT_NEAR(lbr_of(-1, -1, 0)[0], 225.0, 1e-12);
    EXPECT_NEAR(lbr_of(-1, 1, 0)[0], 135.0, 1e-12);
    EXPECT_NEAR(lbr_of(0, 1, 0)[0], 90.0, 1e-12);
    // A negative zero x does not flip the quadrant.
    EXPECT_NEAR(lbr_of(-0.0, 1, 0)[0], 90.0, 1e-12);
    EXPECT_NEAR(lbr_of(-1, -0.0, 0)[0], 180.0, 1e-12);
    // A tiny negative longitude stays below 360.
    const double l = lbr_of(1.0, -1e-300, 0)[0];
    EXPECT_GE(l, 0.0);
    EXPECT_LT(l, 360.0);

    const auto p = lbr_of(3, 4, 12);
    EXPECT_NEAR(p[1], std::atan(12.0 / 5.0) / rad, 1e-12);
    EXPECT_NEAR(p[2], 13.0, 1e-14);
}

TEST(Kugelko, PointsOnTheZAxisAndTheOrigin)
{
    auto n = lbr_of(0, 0, 5);
    EXPECT_EQ(n[0], 0.0);
    EXPECT_EQ(n[1], 90.0);
    EXPECT_EQ(n[2], 5.0);
    auto s = lbr_of(0, 0, -2);
    EXPECT_EQ(s[0], 0.0);
    EXPECT_EQ(s[1], -90.0);
    EXPECT_EQ(s[2], 2.0);
    auto o = lbr_of(0, 0, 0);
    EXPECT_EQ(o[0], 0.0);
    EXPECT_EQ(o[1], 0.0);
    EXPECT_EQ(o[2], 0.0);
}

TEST(Kugelko, RoundTripWithKartko)
{
    std::mt19937_64 rng(4);
    std::uniform_real_distribution<double> lon(0.0, 360.0), lat(-89.9, 89.9), r(0.3, 31.0);
    for (int n = 0; n < 2000; ++n) {
        std::array<double, 9> v{};
        for (int j = 0; j < 3; ++j) {
            v[3 * j] = lon(rng);
            v[3 * j + 1] = lat(rng);
            v[3 * j + 2] = r(rng);
        }
        set_re(v);
        kartko(0);
        for (int j = 0; j < 3; ++j) {
            const auto back = lbr_of(base.xyr(3 * j + 1), base.xyr(3 * j + 2), base.xyr(3 * j + 3));
            double dl = std::abs(back[0] - v[3 * j]);
            dl = std::min(dl, 360.0 - dl);
            ASSERT_LT(dl, 1e-9);
            ASSERT_GE(back[0], 0.0);
            ASSERT_LT(back[0], 360.0);
            ASSERT_NEAR(back[1], v[3 * j + 1], 1e-9);
            ASSERT_NEAR(back[2], v[3 * j + 2], 1e-12 * v[3 * j + 2]);
        }
    }
}

TEST(Rotmat, ZeroAnglesLeaveThePointsAlone)
{
    const Points p0{1, 2, 3, -4, 5, -6, 0.5, 0.25, -0.125};
    for (int mode : {-1, 0, 1, 2, 3, 4, 5, 6}) {
        Points p = p0;
        rotmat(mode, 0.0, 0.0, 0.0, p);
        EXPECT_EQ(p, p0) << mode;
    }
}

TEST(Rotmat, QuarterTurnsAboutEachAxis)
{
    const double q = 90.0 * rad;
    Points p{1, 0, 0, 0, 1, 0, 0, 0, 1};
    rotmat(3, q, 0, 0, p);
    expect_points_near(p, {0, -1, 0, 1, 0, 0, 0, 0, 1}, 1e-15);
    p = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    rotmat(2, q, 0, 0, p);
    expect_points_near(p, {0, 0, -1, 0, 1, 0, 1, 0, 0}, 1e-15);
    p = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    rotmat(1, q, 0, 0, p);
    expect_points_near(p, {1, 0, 0, 0, 0, -1, 0, 1, 0}, 1e-15);
    // Codes below 1 act as 3.
    for (int mode : {0, -5}) {
        p = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        rotmat(mode, q, 7.0, 9.0, p);
        expect_points_near(p, {0, -1, 0, 1, 0, 0, 0, 0, 1}, 1e-15);
    }
    // Single-axis modes ignore a2 and a3.
    Points a{0.3, -0.2, 0.9, 1, 1, 1, -2, 0, 5}, b = a;
    rotmat(1, 0.4, 0.0, 0.0, a);
    rotmat(1, 0.4, 1.1, -2.0, b);
    EXPECT_EQ(a, b);
}

TEST(Rotmat, EulerAnglesComposeFromSingleTurns)
{
    const Points p0{0.3, -0.2, 0.9, 1.5, 1.0, -1.0, -2.0, 0.1, 5.0};
    for (auto [a1, a2, a3] : {std::array<double, 3>{0.3, 1.1, -0.7}, {2.5, -0.4, 4.0}, {-1.0, 3.0, 0.2}}) {
        Points euler = p0;
        rotmat(5, a1, a2, a3, euler);
        Points steps = p0;
        rotmat(3, a1, 0, 0, steps);
        rotmat(1, a2, 0, 0, steps);
        rotmat(3, a3, 0, 0, steps);
        expect_points_near(euler, steps, 1e-14);
        Points six = p0;
        rotmat(6, a1, a2, a3, six);
        EXPECT_EQ(six, euler);

        // The node-line turn is the Euler rotation (a1, a2, -a1).
        Points node = p0;
        rotmat(4, a1, a2, 99.0, node);
        Points euler2 = p0;
        rotmat(5, a1, a2, -a1, euler2);
        expect_points_near(node, euler2, 1e-14);
    }
}

TEST(Rotmat, NodeLineTurnKeepsTheNodeLineAndLengths)
{
    const double a1 = 0.8, a2 = 0.35;
    Points p{std::cos(a1), std::sin(a1), 0, 0, 0, 1, 1, 2, 3};
    const double len3 = std::sqrt(14.0);
    rotmat(4, a1, a2, 0, p);
    EXPECT_NEAR(p[0], std::cos(a1), 1e-15);
    EXPECT_NEAR(p[1], std::sin(a1), 1e-15);
    EXPECT_NEAR(p[2], 0.0, 1e-15);
    // The pole is tilted by the inclination a2.
    EXPECT_NEAR(p[5], std::cos(a2), 1e-15);
    EXPECT_NEAR(std::hypot(p[6], p[7], p[8]), len3, 1e-14);
}

TEST(Translat, ShiftsEveryPoint)
{
    Points p{1, 2, 3, 4, 5, 6, 7, 8, 9};
    translat(0.5, -1.0, 2.0, p);
    EXPECT_EQ(p, (Points{1.5, 1, 5, 4.5, 4, 8, 7.5, 7, 11}));
}

TEST(Geokar, EllipsoidPoints)
{
    double rho = 0, zeta = 0;
    geokar(0.0, rho, zeta);
    EXPECT_EQ(rho, 6378136.6);
    EXPECT_EQ(zeta, 0.0);
    geokar(90.0, rho, zeta);
    EXPECT_NEAR(rho, 0.0, 1e-6);
    EXPECT_NEAR(zeta, 6356751.9, 1e-6);
    // The point lies on the ellipse, and the south gives the same (positive) height.
    geokar(-45.0, rho, zeta);
    EXPECT_GT(zeta, 0.0);
    EXPECT_NEAR(std::pow(rho / 6378136.6, 2) + std::pow(zeta / 6356751.9, 2), 1.0, 1e-14);
    double rho2 = 0, zeta2 = 0;
    geokar(45.0, rho2, zeta2);
    EXPECT_EQ(rho2, rho);
    EXPECT_EQ(zeta2, zeta);
    // The stored reference values of the two sites are what geokar yields.
    geokar(29.972529, rho, zeta);
    EXPECT_NEAR(rho, 5529778.274126531, 1e-6);
    EXPECT_NEAR(zeta, 3167735.919378566, 1e-6);
    geokar(29.979197, rho, zeta);
    EXPECT_NEAR(rho, 5529408.963165131, 1e-6);
    EXPECT_NEAR(zeta, 3168376.207500632, 1e-6);
}

TEST(Geoko, ReferencePoints)
{
    int latd = 0, lond = 0;
    double latm = 0, lonm = 0;
    geoko(0.001, 0.0, 1, latd, latm, lond, lonm);
    EXPECT_EQ(latd, 29);
    EXPECT_NEAR(latm, 58.35174, 5e-6);
    EXPECT_EQ(lond, 31);
    EXPECT_NEAR(lonm, 7.69458, 5e-6);
    // Zero offset: the reference point itself, no division by the zero chord.
    for (int site : {1, 2, 7}) {
        geoko(0.0, 0.0, site, latd, latm, lond, lonm);
        const double lat0 = site == 1 ? 29.972529 : 29.979197;
        const double lon0 = site == 1 ? 31.128243 : 31.134275;
        EXPECT_FALSE(std::isnan(latm));
        EXPECT_NEAR(latd + latm / 60.0, lat0, 1e-12) << site;
        EXPECT_NEAR(lond + lonm / 60.0, lon0, 1e-12) << site;
    }
    // A vanishing offset stays finite as well.
    geoko(1e-300, 0.0, 1, latd, latm, lond, lonm);
    EXPECT_TRUE(std::isfinite(latm));
    EXPECT_NEAR(latd + latm / 60.0, 29.972529, 1e-12);
}

TEST(Geoko, OffsetsAreMetresOnTheEllipsoid)
{
    int latd = 0, lond = 0;
    double latm = 0, lonm = 0;
    for (double xn : {1000.0, -2500.0, 30.0}) {
        geoko(xn, 0.0, 1, latd, latm, lond, lonm);
        const double phi = latd + latm / 60.0;
        double rho = 0, zeta = 0;
        geokar(phi, rho, zeta);
        const double chord = std::hypot(rho - 5529778.274126531, zeta - 3167735.919378566);
        EXPECT_NEAR(chord, std::abs(xn), 1e-4) << xn;
        EXPECT_EQ(phi > 29.972529, xn > 0) << xn;
        EXPECT_NEAR(lond + lonm / 60.0, 31.128243, 1e-12);
    }
    // East along the parallel: an arc of ye metres at the distance from the axis.
    geoko(0.0, 1000.0, 2, latd, latm, lond, lonm);
    const double dlon = (lond + lonm / 60.0 - 31.134275) * rad;
    EXPECT_NEAR(dlon * 5529408.963165131, 1000.0, 1e-6);
}

TEST(Geoko, SouthAndWestTruncateTowardZero)
{
    int latd = 0, lond = 0;
    double latm = 0, lonm = 0;
    const double deg_east = 5529778.274126531 * rad; // metres per degree of longitude
    geoko(0.0, -(31.128243 + 0.5) * deg_east, 1, latd, latm, lond, lonm);
    EXPECT_EQ(lond, 0);
    EXPECT_NEAR(lonm, -30.0, 1e-6);
    geoko(0.0, -(31.128243 + 1.25) * deg_east, 1, latd, latm, lond, lonm);
    EXPECT_EQ(lond, -1);
    EXPECT_NEAR(lonm, -15.0, 1e-6);
    // West of the reference but still east of Greenwich: positive minutes.
    geoko(0.0, -0.2 * deg_east, 1, latd, latm, lond, lonm);
    EXPECT_EQ(lond, 30);
    EXPECT_NEAR(lonm, (0.928243) * 60.0, 1e-6);
    // South of the reference point.
    geoko(-1000.0, 0.0, 1, latd, latm, lond, lonm);
    EXPECT_EQ(latd, 29);
    EXPECT_GT(latm, 0.0);
    EXPECT_LT(latm, 58.35174);
}

} // namespace
} // namespace r7
