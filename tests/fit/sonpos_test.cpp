// The Sun point of the linear system against a monument that is the planet
// triangle turned by a known rotation (the plane construction and the fit:
// the passage tests in tests/run, against a construction and the optimum).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "fit/fitex.hpp"
#include "fit/sonpos.hpp"
#include "fit/triangle.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

constexpr double au = 149597870700.0;
using Vec3 = std::array<double, 3>;
using Mat3 = std::array<double, 9>;

// A turn with rational elements: its rows orthonormal, its determinant 1.
constexpr Mat3 turn{2 / 3.0, -1 / 3.0, 2 / 3.0, 2 / 3.0, 2 / 3.0, -1 / 3.0, -1 / 3.0, 2 / 3.0, 2 / 3.0};

// scale * m * v
Vec3 apply(const Mat3& m, double scale, const Vec3& v)
{
    Vec3 o{};
    for (int i = 0; i < 3; ++i) o[i] = scale * (m[3 * i] * v[0] + m[3 * i + 1] * v[1] + m[3 * i + 2] * v[2]);
    return o;
}

// The fit vectors of one sonpos call.
struct FitVectors {
    using V = std::vector<double>;
    std::vector<int> iw = std::vector<int>(fitex_iwsize(8));
    V r = V(9), x = V(7), step = V(7, 1.0), w = V(fitex_wsize(9, 7, 8)), y = V(9);
};

SunPoint call(int mode, const TriangleFit& t, const SiteGeometry& g, FitVectors& f)
{
    SonposWork work{.iw = f.iw, .r = f.r, .x = f.x, .step = f.step, .w = f.w, .y = f.y};
    return sonpos({.sun_mode = mode}, t, g, work);
}

// The planets 1..3 at p as relpos compares them in space.
TriangleFit planets(const std::array<Vec3, 3>& p)
{
    SiteGeometry g;
    g.ratio = {1.0, 1.0, 1.0};
    return relpos(RunParams{.main_option = 1, .sun_mode = 4, .constellation = 7},
                  {Xyz{p[0][0], p[0][1], p[0][2]}, Xyz{p[1][0], p[1][1], p[1][2]}, Xyz{p[2][0], p[2][1], p[2][2]}}, g);
}

// The anchor at `anchor`, the reference point at the origin, a softening radius of 10 m.
SiteGeometry site_at(const Vec3& anchor)
{
    SiteGeometry g;
    g.point[2] = {anchor[0], anchor[1], anchor[2]};
    g.spread = 10.0;
    return g;
}

Vec3 sun_point(const SunPoint& s) { return {s.at.x, s.at.y, s.at.z}; }
Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double norm(const Vec3& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

TEST(Sonpos, LinearSystemInSpace)
{
    // A monument: the planet triangle turned and scaled,
    // planet 1 at the anchor; sides a and b from the anchor, the Sun point expected.
    const std::array<Vec3, 3> p{{{0.31, -0.22, 0.05}, {-0.48, 0.61, -0.02}, {0.93, 0.79, 0.03}}};
    const double scale = 1500.0;
    const Vec3 anchor{1000.0, -500.0, 20.0};
    const Vec3 a = apply(turn, scale, sub(p[1], p[0])), b = apply(turn, scale, sub(p[2], p[0]));
    const Vec3 n{b[1] * a[2] - b[2] * a[1], b[2] * a[0] - b[0] * a[2], b[0] * a[1] - b[1] * a[0]};
    const Vec3 s = apply(turn, scale, {-p[0][0], -p[0][1], -p[0][2]});
    const Vec3 sun{s[0] + anchor[0], s[1] + anchor[1], s[2] + anchor[2]};
    const TriangleFit tri = planets(p);
    SiteGeometry g = site_at(anchor);
    g.a = {a[0], a[1], a[2]};
    g.b = {b[0], b[1], b[2]};
    const double nf = (norm(a) + norm(b)) / 2 / norm(n);
    g.normal = {n[0] * nf, n[1] * nf, n[2] * nf};
    g.target = {0, 0, 0, a[0], a[1], a[2], b[0], b[1], b[2]};
    FitVectors f;
    const SunPoint sle = call(4, tri, g, f);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(sun_point(sle)[i], sun[i], 1e-8);
    EXPECT_NEAR(sle.length_ratio, au / scale, 1e-3);
}

TEST(Sonpos, SingularMatrixIsReported)
{
    test::Terminal term;
    const Vec3 p1{0.31, -0.22, 0.05}, p2{-0.48, 0.61, -0.02};
    const TriangleFit t = planets({p1, p2, {2 * p2[0] - p1[0], 2 * p2[1] - p1[1], 2 * p2[2] - p1[2]}}); // A parallel to B
    SiteGeometry g = site_at({1000.0, -500.0, 20.0});
    g.b = {100.0, 100.0, 100.0};
    FitVectors f;
    const SunPoint s = call(4, t, g, f);
    EXPECT_NE(term.text().find("In SONPOS: singular matrix"), std::string::npos);
    EXPECT_EQ(sun_point(s), (Vec3{1000.0, -500.0, 20.0}));
    EXPECT_EQ(s.dr, 0.0);
    EXPECT_EQ(s.length_ratio, 0.0);
}

} // namespace
} // namespace r7
