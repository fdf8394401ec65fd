// The Sun point against constructions in closed form: the plane construction
// in every quadrant and both views, the linear system and the similarity fit
// of a monument that is the planet triangle turned by known Euler angles.
#include <gtest/gtest.h>

#include <algorithm>
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

// Reference z-x-z Euler turn, composed from the three single turns.
Mat3 euler(double a1, double a2, double a3)
{
    auto mul = [](const Mat3& p, const Mat3& q) {
        Mat3 o{};
        for (int i = 0; i < 9; ++i)
            for (int k = 0; k < 3; ++k) o[i] += p[i / 3 * 3 + k] * q[3 * k + i % 3];
        return o;
    };
    auto rz = [](double a) { return Mat3{std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a), 0, 0, 0, 1}; };
    auto rx = [](double a) { return Mat3{1, 0, 0, 0, std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a)}; };
    return mul(rz(a3), mul(rx(a2), rz(a1)));
}

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

// The planets 1..3 at p as relpos compares them (in space, seen in view).
TriangleFit planets(const std::array<Vec3, 3>& p, int view = 1)
{
    SiteGeometry g;
    g.ratio = {1.0, 1.0, 1.0};
    return relpos(RunParams{.main_option = 1, .sun_mode = 4, .constellation = 7, .view = view},
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

TEST(Sonpos, PlaneConstructionInBothViews)
{
    // The monument: the planet triangle turned (into every quadrant), scaled by 1500, in
    // view 2 mirrored, planet 1 on the anchor: every pair's estimate is the Sun's image.
    const std::array<Vec3, 3> p{{{-0.35, 0.05, 0.0}, {0.72, -0.20, 0.0}, {-0.55, -0.62, 0.0}}};
    FitVectors f;
    for (double turn_angle : {0.3, 2.5, -2.0, 3.1}) {
        const Mat3 turn{std::cos(turn_angle), -std::sin(turn_angle), 0, std::sin(turn_angle), std::cos(turn_angle), 0, 0, 0, 1};
        for (int view : {1, 2}) {
            auto image = [&](const Vec3& v) {
                Vec3 q = apply(turn, 1500.0, v);
                if (view == 2) q[1] = -q[1];
                return q;
            };
            const Vec3 a = image(sub(p[1], p[0])), b = image(sub(p[2], p[0])), c = sub(b, a);
            SiteGeometry g = site_at({1000.0, 2000.0, 3000.0});
            g.direction = {-std::atan2(a[1], a[0]), -std::atan2(b[1], b[0]), -std::atan2(c[1], c[0])};
            g.midpoint = {{{a[0] / 2, a[1] / 2}, {b[0] / 2, b[1] / 2}, {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2}}};
            g.length = {norm(a), norm(b), norm(c)};
            g.a = {a[0], a[1], 0.0};
            g.b = {b[0], b[1], 0.0};
            const Vec3 expected = image({-p[0][0], -p[0][1], 0.0});
            const SunPoint s = call(3, planets(p, view), g, f);
            EXPECT_NEAR(s.at.x, expected[0], 1e-9) << "turn " << turn_angle << ", view " << view;
            EXPECT_NEAR(s.at.y, expected[1], 1e-9) << "turn " << turn_angle << ", view " << view;
            EXPECT_EQ(s.at.z, 0.0);
        }
    }
}

TEST(Sonpos, LinearSystemAndSimilarityFitInSpace)
{
    // A monument: the planet triangle turned by known Euler angles and scaled,
    // planet 1 at the anchor; sides a and b from the anchor, the Sun point expected.
    const std::array<Vec3, 3> p{{{0.31, -0.22, 0.05}, {-0.48, 0.61, -0.02}, {0.93, 0.79, 0.03}}};
    const double scale = 1500.0;
    const Vec3 anchor{1000.0, -500.0, 20.0};
    const Mat3 rot = euler(0.7, 0.4, -1.1);
    const Vec3 a = apply(rot, scale, sub(p[1], p[0])), b = apply(rot, scale, sub(p[2], p[0]));
    const Vec3 n{b[1] * a[2] - b[2] * a[1], b[2] * a[0] - b[0] * a[2], b[0] * a[1] - b[1] * a[0]};
    const Vec3 s = apply(rot, scale, {-p[0][0], -p[0][1], -p[0][2]});
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

    // The fit from perturbed values: shift, Euler angles and scale back to 1e-6, F near 0.
    const std::vector<double> truth{-p[0][0], -p[0][1], -p[0][2], 0.7, 0.4, -1.1, scale};
    f.x = {truth[0] + 1e-3, truth[1] - 2e-3, truth[2] + 1e-3, 0.71, 0.39, -1.09, scale * 1.01};
    f.step = {1e-9, 1e-9, 1e-9, 1e-9, 1e-9, 1e-9, 1e-6};
    f.iw[1] = 2000;
    f.w[0] = 1e6;
    const SunPoint fit = call(5, tri, g, f);
    EXPECT_EQ(fit.status, 0); // converged in its first run
    for (int k = 0; k < 7; ++k)
        EXPECT_NEAR(fit.parameters[k], truth[k], 1e-6 * std::fabs(truth[k])) << "parameter " << k + 1;
    EXPECT_LT(f.w[3], 1e-9); // from F of order 1e3 at the start
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(sun_point(fit)[i], sun[i], 1e-3);
    EXPECT_NEAR(fit.length_ratio, au / scale, 1e-6 * au / scale);
    // The mirror Sun point: reflected through the plane of the monument points.
    const double h = ((sun[0] - anchor[0]) * n[0] + (sun[1] - anchor[1]) * n[1] + (sun[2] - anchor[2]) * n[2]) /
                     (norm(n) * norm(n));
    ASSERT_TRUE(fit.mirror.has_value());
    const Vec3 mirror{fit.mirror->x, fit.mirror->y, fit.mirror->z};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(mirror[i], sun[i] - 2.0 * h * n[i], 1e-3);
    EXPECT_GT(norm(sub(mirror, sun)), 80.0); // far from the plane: not the point itself

    // From far (scale 3 times too large, turned by 1 rad) 60 evaluations end at
    // the limit; the second run from the closed-form optimum ends there: status 2.
    f.x = {0.0, 0.0, 0.0, 0.7 + 1.0, 0.4, -1.1, scale * 3.0};
    std::fill(f.iw.begin(), f.iw.end(), 0);
    f.iw[1] = 60;
    f.w[0] = 1e6;
    f.w[1] = f.w[2] = 0.0;
    const SunPoint again = call(5, tri, g, f);
    EXPECT_EQ(again.status, fit_restarted);
    EXPECT_GT(again.evaluations, 60);
    EXPECT_LE(again.evaluations, 120);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(sun_point(again)[i], sun[i], 1e-3);
    EXPECT_NEAR(again.length_ratio, au / scale, 1e-6 * au / scale);
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
