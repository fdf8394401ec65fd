#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>

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

TEST(Relpos, KnownTriangleOrientationAndDeviation)
{
    // P1 -> P2 -> P3 counter-clockwise; ratios of the components as the monument's.
    set_planets({0.3, 0.1, 0.0, 0.8, 0.4, 0.0, 0.5, 0.9, 0.0});
    base.pyr(24) = 0.2 / 0.5;
    base.pyr(25) = 0.8 / 0.3;
    base.pyr(26) = 0.8 / 0.2;
    int o = 1, o2 = 0;
    relpos(1, 2, 7, o, o2, 1);
    EXPECT_NEAR(base.xyr(36), 0.0, 1e-12);
    base.pyr(24) *= 1.1; // one ratio 10 % off: (1/11)^2 / 3
    relpos(1, 2, 7, o, o2, 1);
    EXPECT_NEAR(base.xyr(36), 100.0 * std::sqrt(1.0 / 121.0 / 3.0), 1e-10);

    // selector, check, perm -> decided orientation (Giza: ccw is the mirrored sense)
    const int cases[][4] = {{1, 0, 1, 2}, {2, 15, 1, 1}, {2, 15, 2, 2}, {3, 0, 1, 1}};
    for (const auto& c : cases) {
        o = 1;
        relpos(c[0], 4, c[1], o, o2, c[2]);
        EXPECT_EQ(o, c[3]) << c[0] << " " << c[1] << " " << c[2];
    }
}

TEST(Relpos, DegenerateTrianglesAreNoMatch)
{
    std::ostringstream term;
    io::units().set_terminal(&term);
    set_planets({0.3, 0.1, 0.0, 0.3, 0.1, 0.0, 0.5, 0.9, 0.0}); // P2 = P1: no side A
    base.pyr(24) = base.pyr(25) = base.pyr(26) = base.pyr(27) = 1.0;
    int o = 1, o2 = 0;
    for (int dim_mode : {2, 4}) {
        relpos(1, dim_mode, 0, o, o2, 1);
        EXPECT_EQ(base.xyr(36), relpos_no_match) << dim_mode;
    }
    io::units().set_terminal(nullptr);
    EXPECT_NE(term.str().find("In RELPOS"), std::string::npos);

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

TEST(Transfo, OneCasePerKindFamily)
{
    // Mercury frames (2, 3, 4): planet 1 on an orbit plane of inclination 7 deg
    // with its node at 40 deg lies in the new plane.
    const double om = 40.0 * pi / 180, inc = 7.0 * pi / 180, r = 0.39;
    const double u = std::atan2(-std::sin(om), std::cos(om) * std::cos(inc));
    const std::array<double, 9> planets{r * (std::cos(om) * std::cos(u) - std::sin(om) * std::sin(u) * std::cos(inc)),
                                        0.0, r * std::sin(u) * std::sin(inc), -0.2, 0.65, 0.03, 0.4, -0.9, 0.0};
    for (int kind = 2; kind <= 4; ++kind) {
        set_planets(planets);
        const auto out = transfo(kind, {Lbr{0.0, 0.0, 0.0}, Lbr{}, Lbr{}}, 40.0, 0.0);
        EXPECT_NEAR(base.ai, inc, 1e-12);
        EXPECT_NEAR(out[0].b, 0.0, 1e-10) << kind;
        EXPECT_NEAR(out[0].r, 0.39, 1e-14);
    }

    // Venus frame: planet 1 on the x axis.
    set_planets({0.35, 0.1, 0.02, -0.5, 0.5, 0.03, 0.4, -0.9, 0.0});
    const auto venus = transfo(5, {Lbr{15.9, 0.0, 0.0}, Lbr{135.0, 0.0, 0.0}, Lbr{}}, 0.0, 76.7);
    EXPECT_NEAR(base.xyr(2), 0.0, 1e-15);
    EXPECT_NEAR(venus[0].r, std::sqrt(0.35 * 0.35 + 0.01 + 0.0004), 1e-14);

    // Other kinds only recompute the spherical coordinates.
    set_planets({-1.0, 0.0, 0.0, 1.0, -1.0, 0.0, 0.0, 2.0, 1.0});
    const auto same = transfo(1, {}, 0.0, 0.0);
    EXPECT_EQ(base.xyr(1), -1.0);
    EXPECT_DOUBLE_EQ(same[0].l, 180.0);
    EXPECT_DOUBLE_EQ(same[1].l, 315.0);
    EXPECT_NEAR(same[2].b, std::atan(0.5) * 180 / pi, 1e-12);
    EXPECT_NEAR(same[2].r, std::sqrt(5.0), 1e-15);
}

TEST(Distance, AgreesWithLocalGeodesic)
{
    // Over a few km the geodesic is the arc on the meridian and prime-vertical
    // radii of curvature at the mean latitude (relative error far below 1e-5).
    const std::array<std::array<double, 2>, 4> sites{{{19.6925, -98.8435}, {19.7010, -98.8440},
                                                      {19.6800, -98.8300}, {19.6990, -98.8120}}};
    auto geodesic = [](const std::array<double, 2>& p, const std::array<double, 2>& q) {
        const double a = 6378136.6, b = 6356751.9, e2 = 1 - b * b / (a * a);
        const double phi = (p[0] + q[0]) / 2 * pi / 180, w = 1 - e2 * std::sin(phi) * std::sin(phi);
        const double M = a * (1 - e2) / std::pow(w, 1.5), N = a / std::sqrt(w);
        return std::hypot(M * (q[0] - p[0]) * pi / 180, N * std::cos(phi) * (q[1] - p[1]) * pi / 180);
    };
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
            const double g = geodesic(sites[i], sites[j]);
            EXPECT_GT(g, 900.0);
            EXPECT_NEAR(dij, g, 1e-3 * g) << i << " " << j;
        }
    astro.teot = saved;
}

} // namespace
} // namespace r7
