#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "fit/triangle.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

constexpr double pi = 3.141592653589793;

Triangle points(const std::array<double, 9>& p)
{
    return {Xyz{p[0], p[1], p[2]}, Xyz{p[3], p[4], p[5]}, Xyz{p[6], p[7], p[8]}};
}

RunParams compared(int main_option, int sun_mode, int constellation, int view = 1, int order = 1)
{
    return RunParams{.main_option = main_option, .planet_order = order, .sun_mode = sun_mode,
                     .constellation = constellation, .view = view};
}

TEST(Relpos, DeviationAgainstTheClosedFormAndTheOrientationDecided)
{
    // P1 -> P2 -> P3 counter-clockwise; ratios of the components as the monument's.
    const Triangle t = points({0.3, 0.1, 0.0, 0.8, 0.4, 0.0, 0.5, 0.9, 0.0});
    SiteGeometry g;
    g.ratio = {0.2 / 0.5, 0.8 / 0.3, 0.8 / 0.2};
    EXPECT_NEAR(relpos(compared(1, 2, 7), t, g).f, 0.0, 1e-12);
    g.ratio[0] *= 1.1; // one ratio 10 % off: F = 100 sqrt((1/11)^2 / 3)
    EXPECT_NEAR(relpos(compared(1, 2, 7), t, g).f, 100.0 * std::sqrt(1.0 / 121.0 / 3.0), 1e-10);
    // Seen from both sides the mirrored sense compares with the mirrored monument.
    g.ratio = {0.2 / 0.5, 0.8 / 0.3, -0.8 / 0.2};
    EXPECT_NEAR(relpos(compared(1, 2, 15, 3), t, g).f, 0.0, 1e-12);

    // Length mode: the length ratio |B|/|A| and the angle between A and B.
    g.ratio = {std::hypot(0.2, 0.8) / std::hypot(0.5, 0.3), 0.0, 0.0};
    g.angle[0] = std::acos((0.5 * 0.2 + 0.3 * 0.8) / (std::hypot(0.2, 0.8) * std::hypot(0.5, 0.3))) + 0.01;
    const TriangleFit lf = relpos(compared(1, 4, 7), t, g);
    EXPECT_NEAR(lf.f, 100.0 * std::sqrt(0.01 * 0.01 / 2.0), 1e-9);
    EXPECT_NEAR(lf.length[2], std::hypot(0.3, 0.5), 1e-15);

    // site, constellation, view, order -> view decided (Giza: ccw is the mirrored sense;
    // the chambers by the parity of the order; undecided: the run's view)
    const int cases[][5] = {{1, 0, 1, 1, 2}, {2, 15, 1, 1, 1}, {2, 15, 1, 2, 2}, {3, 0, 3, 1, 1}, {1, 7, 2, 1, 2},
                            {1, 7, 3, 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(relpos(compared(c[0], 4, c[1], c[2], c[3]), t, g).view, c[4])
            << c[0] << " " << c[1] << " " << c[2] << " " << c[3];
    }
}

TEST(Relpos, DegenerateTrianglesAreNoMatch)
{
    test::Terminal term;
    const Triangle same = points({0.3, 0.1, 0.0, 0.3, 0.1, 0.0, 0.5, 0.9, 0.0}); // P2 = P1: no side A
    SiteGeometry g;
    g.ratio = {1.0, 1.0, 1.0};
    g.angle[0] = 1.0;
    for (int sun_mode : {2, 4}) EXPECT_EQ(relpos(compared(1, sun_mode, 0), same, g).f, relpos_no_match) << sun_mode;
    EXPECT_NE(term.text().find("In RELPOS"), std::string::npos);

    // collinear points: the angle is 0 or pi, never NaN
    g.ratio[0] = 2.0;
    g.angle[0] = 0.0;
    for (int i = 1; i <= 50; ++i) {
        const double t = 0.37 * i, u = 1.0 / (i + 2.0);
        const TriangleFit r = relpos(compared(1, 4, 7),
                                     points({t, u, 0.1, t + 0.3 * u, u + 0.7 * u, 0.1 + 0.11 * u, t + 0.6 * u,
                                             u + 1.4 * u, 0.1 + 0.22 * u}),
                                     g);
        ASSERT_TRUE(std::isfinite(r.f)) << i;
        EXPECT_NEAR(r.angle, 0.0, 1e-6);
    }
}

TEST(Transfo, OneCasePerKindFamily)
{
    // Mercury frames (2, 3, 4): planet 1 on an orbit plane of inclination 7 deg
    // with its node at 40 deg lies in the new plane.
    const double om = 40.0 * pi / 180, inc = 7.0 * pi / 180, r = 0.39;
    const double u = std::atan2(-std::sin(om), std::cos(om) * std::cos(inc));
    const Triangle planets = points({r * (std::cos(om) * std::cos(u) - std::sin(om) * std::sin(u) * std::cos(inc)),
                                     0.0, r * std::sin(u) * std::sin(inc), -0.2, 0.65, 0.03, 0.4, -0.9, 0.0});
    for (int kind = 2; kind <= 4; ++kind) {
        const PlaneFrame f = transfo(kind, planets, {Lbr{0.0, 0.0, 0.0}, Lbr{}, Lbr{}}, 40.0, 0.0);
        EXPECT_NEAR(f.incl, inc, 1e-12);
        EXPECT_NEAR(f.places[0].b, 0.0, 1e-10) << kind;
        EXPECT_NEAR(f.places[0].r, 0.39, 1e-14);
    }

    // Venus frame: planet 1 on the x axis.
    const PlaneFrame venus = transfo(5, points({0.35, 0.1, 0.02, -0.5, 0.5, 0.03, 0.4, -0.9, 0.0}),
                                     {Lbr{15.9, 0.0, 0.0}, Lbr{135.0, 0.0, 0.0}, Lbr{}}, 0.0, 76.7);
    EXPECT_NEAR(venus.points[0].y, 0.0, 1e-15);
    EXPECT_NEAR(venus.places[0].r, std::sqrt(0.35 * 0.35 + 0.01 + 0.0004), 1e-14);

    // Other kinds only recompute the spherical coordinates.
    const PlaneFrame same = transfo(1, points({-1.0, 0.0, 0.0, 1.0, -1.0, 0.0, 0.0, 2.0, 1.0}), {}, 0.0, 0.0);
    EXPECT_EQ(same.points[0].x, -1.0);
    EXPECT_DOUBLE_EQ(same.places[0].l, 180.0);
    EXPECT_DOUBLE_EQ(same.places[1].l, 315.0);
    EXPECT_NEAR(same.places[2].b, std::atan(0.5) * 180 / pi, 1e-12);
    EXPECT_NEAR(same.places[2].r, std::sqrt(5.0), 1e-15);
}

TEST(Distance, AgreesWithLocalGeodesic)
{
    // Over a few km: the arc on the meridian and prime-vertical radii at the mean latitude (error < 1e-5).
    const std::array<std::array<double, 2>, 4> sites{{{19.6925, -98.8435}, {19.7010, -98.8440},
                                                      {19.6800, -98.8300}, {19.6990, -98.8120}}};
    auto geodesic = [](const std::array<double, 2>& p, const std::array<double, 2>& q) {
        const double a = 6378136.6, b = 6356751.9, e2 = 1 - b * b / (a * a);
        const double phi = (p[0] + q[0]) / 2 * pi / 180, w = 1 - e2 * std::sin(phi) * std::sin(phi);
        const double M = a * (1 - e2) / std::pow(w, 1.5), N = a / std::sqrt(w);
        return std::hypot(M * (q[0] - p[0]) * pi / 180, N * std::cos(phi) * (q[1] - p[1]) * pi / 180);
    };
    TeotiPoints table{};
    for (std::size_t i = 0; i < 4; ++i) {
        table[i].lat = sites[i][0];
        table[i].lon = sites[i][1];
    }
    EXPECT_EQ(distance(table, 2, 2), 0.0);
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j) {
            const double dij = distance(table, i, j);
            EXPECT_DOUBLE_EQ(dij, distance(table, j, i));
            const double g = geodesic(sites[i], sites[j]);
            EXPECT_GT(g, 900.0);
            EXPECT_NEAR(dij, g, 1e-3 * g) << i << " " << j;
        }
}

} // namespace
} // namespace r7
