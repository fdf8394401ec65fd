#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "ephemeris/coord.hpp"

namespace r7 {
namespace {

constexpr double rad = 0.017453292519943295;
using Points = std::array<double, 9>;

std::array<double, 3> lbr_of(double x, double y, double z)
{
    std::array<double, 3> out{};
    kugelko(x, y, z, out);
    return out;
}

TEST(Kugelko, RoundTripWithKartkoAndTheZAxis)
{
    // Every quadrant, both hemispheres, close to the poles; longitudes come back
    // in [0, 360).
    for (double l : {0.0, 45.0, 135.0, 200.0, 315.0, 359.9}) {
        for (double b : {-89.9, -30.0, 0.0, 60.0, 89.9}) {
            const Xyz p = kartko(0, {Lbr{l, b, 1.7}, Lbr{}, Lbr{}})[0];
            const auto back = lbr_of(p.x, p.y, p.z);
            EXPECT_NEAR(back[0], l, 1e-9) << l << " " << b;
            EXPECT_NEAR(back[1], b, 1e-9) << l << " " << b;
            EXPECT_NEAR(back[2], 1.7, 1e-12 * 1.7) << l << " " << b;
        }
    }
    // The origin of the longitudes: place 1 for most codes, place 2 for code 2.
    const std::array<Lbr, 3> tri{Lbr{30.0, 0.0, 1.0}, Lbr{120.0, 0.0, 2.0}, Lbr{75.0, 0.0, 1.0}};
    const Triangle from1 = kartko(5, tri), from2 = kartko(2, tri);
    EXPECT_NEAR(from1[0].x, 1.0, 1e-15);
    EXPECT_NEAR(from1[1].y, 2.0, 1e-15); // 90 degrees on from place 1
    EXPECT_NEAR(from2[1].x, 2.0, 1e-15);
    EXPECT_NEAR(from2[2].y, -std::sqrt(0.5), 1e-15); // 45 degrees back from place 2
    // On the z axis (and at the origin) the longitude is 0, not NaN.
    EXPECT_EQ(lbr_of(0, 0, 5), (std::array<double, 3>{0.0, 90.0, 5.0}));
    EXPECT_EQ(lbr_of(0, 0, -2), (std::array<double, 3>{0.0, -90.0, 2.0}));
    EXPECT_EQ(lbr_of(0, 0, 0), (std::array<double, 3>{0.0, 0.0, 0.0}));
}

TEST(Rotmat, OneQuarterTurnCasePerMode)
{
    const double q = 90.0 * rad;
    struct Case {
        int mode;
        double a1, a2, a3;
        Points expected;
    };
    // The unit vectors, turned by quarter turns and worked out by hand. Codes
    // below 1 act as 3; the single-axis modes ignore a2 and a3; mode 4 turns
    // about the line of nodes (here the y axis) and equals Euler (a1, a2, -a1).
    const Case cases[] = {{3, q, 0, 0, {0, -1, 0, 1, 0, 0, 0, 0, 1}}, {-5, q, 7, 9, {0, -1, 0, 1, 0, 0, 0, 0, 1}},
                          {2, q, 0, 0, {0, 0, -1, 0, 1, 0, 1, 0, 0}}, {1, q, 1, 2, {1, 0, 0, 0, 0, -1, 0, 1, 0}},
                          {4, q, q, 0, {0, 0, 1, 0, 1, 0, -1, 0, 0}}, {5, q, q, 0, {0, 0, 1, 1, 0, 0, 0, 1, 0}},
                          {6, q, q, q, {0, 0, 1, 0, -1, 0, 1, 0, 0}}};
    for (const Case& c : cases) {
        Points p{1, 0, 0, 0, 1, 0, 0, 0, 1};
        rotmat(c.mode, c.a1, c.a2, c.a3, p);
        for (std::size_t i = 0; i < 9; ++i) EXPECT_NEAR(p[i], c.expected[i], 1e-15) << c.mode << " slot " << i;
    }
}

TEST(Geoko, ZeroNorthOffsetGivesTheReferencePoint)
{
    // No division by the zero chord, for either site.
    for (int site : {1, 2}) {
        const GeoPlace g = geoko(0.0, 0.0, site);
        EXPECT_NEAR(g.latdeg + g.latmin / 60.0, site == 1 ? 29.972529 : 29.979197, 1e-12) << site;
        EXPECT_NEAR(g.londeg + g.lonmin / 60.0, site == 1 ? 31.128243 : 31.134275, 1e-12) << site;
    }
}

} // namespace
} // namespace r7
