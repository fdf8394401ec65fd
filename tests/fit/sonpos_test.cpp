#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <iostream>
#include <sstream>
#include <vector>

#include "fit/fitex.hpp"
#include "fit/sonpos.hpp"
#include "fit/triangle.hpp"
#include "io/units.hpp"
#include "state/store.hpp"

namespace r7 {
namespace {

constexpr double au = 149597870700.0;
using Vec = std::array<double, 3>;

struct Terminal {
    std::ostringstream out;
    Terminal() { io::units().set_terminal(&out); }
    ~Terminal() { io::units().set_terminal(nullptr); }
};

// The fit vectors of one sonpos call.
struct FitVectors {
    std::vector<int> iw = std::vector<int>(fitex_iwsize(8));
    int ind = 0;
    std::vector<double> r = std::vector<double>(9), x = std::vector<double>(7), step = std::vector<double>(7, 1.0);
    std::vector<double> w = std::vector<double>(fitex_wsize(9, 7, 8)), y = std::vector<double>(9),
                        target = std::vector<double>(9);
};

void call(int mode, int view, int unit, const Vec& shift, const Vec& ref, double r0, int trace, FitVectors& f)
{
    sonpos(mode, view, unit, shift[0], shift[1], shift[2], ref, r0, trace, f.iw, f.ind, 9, 7, f.r, f.x, f.step, f.w,
           f.y, f.target);
}

void set_planets(const std::array<Vec, 3>& p)
{
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c) base.xyr(3 * k + c + 1) = p[k][c];
    base.pyr(24) = base.pyr(25) = base.pyr(26) = base.pyr(27) = 1.0;
    int o = 1, o2 = 0;
    relpos(1, 4, 7, o, o2, 1); // difference vectors, components and lengths
}

Vec sun_point() { return {base.xyr(31), base.xyr(32), base.xyr(33)}; }

// Frame rotation by z-x-z Euler angles, from single turns.
std::array<double, 9> euler(double a1, double a2, double a3)
{
    auto mul = [](const std::array<double, 9>& p, const std::array<double, 9>& q) {
        std::array<double, 9> o{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k) o[3 * i + j] += p[3 * i + k] * q[3 * k + j];
        return o;
    };
    auto rz = [](double a) { return std::array<double, 9>{std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a), 0, 0, 0, 1}; };
    auto rx = [](double a) { return std::array<double, 9>{1, 0, 0, 0, std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a)}; };
    return mul(rz(a3), mul(rx(a2), rz(a1)));
}

Vec apply(const std::array<double, 9>& m, double scale, const Vec& v)
{
    Vec o{};
    for (int i = 0; i < 3; ++i) o[i] = scale * (m[3 * i] * v[0] + m[3 * i + 1] * v[1] + m[3 * i + 2] * v[2]);
    return o;
}

Vec sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double norm(const Vec& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

// Planets in the plane and a monument that is their image under a turn by phi,
// the scale k and (view 2) the reflection y -> -y, with planet 1 on the anchor.
void plane_case(double phi, double k, bool mirrored, Vec& expected)
{
    const std::array<Vec, 3> p{{{0.35, 0.05, 0.0}, {0.72, 0.20, 0.0}, {0.55, 0.62, 0.0}}};
    set_planets(p);
    const std::array<double, 9> turn{std::cos(phi), -std::sin(phi), 0, std::sin(phi), std::cos(phi), 0, 0, 0, 1};
    auto image = [&](const Vec& v) {
        Vec q = apply(turn, k, v);
        if (mirrored) q[1] = -q[1];
        return q;
    };
    const Vec a = image(sub(p[1], p[0])), b = image(sub(p[2], p[0])), c = sub(b, a);
    auto& pyr = base.pyr;
    pyr(31) = -std::atan(a[1] / a[0]);
    pyr(32) = -std::atan(b[1] / b[0]);
    pyr(33) = -std::atan(c[1] / c[0]);
    pyr(34) = a[0] / 2;
    pyr(35) = a[1] / 2;
    pyr(36) = b[0] / 2;
    pyr(37) = b[1] / 2;
    pyr(38) = (a[0] + b[0]) / 2;
    pyr(39) = (a[1] + b[1]) / 2;
    pyr(21) = norm(a);
    pyr(22) = norm(b);
    pyr(23) = norm(c);
    pyr(11) = a[0];
    pyr(14) = a[1];
    pyr(12) = b[0];
    pyr(15) = b[1];
    expected = image({-p[0][0], -p[0][1], 0.0});
}

TEST(Sonpos, PlaneConstruction)
{
    FitVectors f;
    for (int view : {1, 2}) {
        Vec expected{};
        plane_case(0.3, 1500.0, view == 2, expected);
        base.xyr(36) = 2.0;
        call(3, view, 6, {1000.0, 2000.0, 3000.0}, {10.0, 20.0, 0.0}, 1e6, 0, f);
        const Vec s = sun_point();
        EXPECT_NEAR(s[0], expected[0], 1e-9) << "view " << view;
        EXPECT_NEAR(s[1], expected[1], 1e-9) << "view " << view; // no anchor shift in 2D
        EXPECT_EQ(s[2], 0.0);
        // radius unsoftened although r0 is large
        EXPECT_NEAR(base.xyr(34), std::hypot(s[0] - 10.0, s[1] - 20.0) * 0.02, 1e-9);
    }
    Vec expected{};
    plane_case(0.0, 1500.0, false, expected);
    call(2, 1, 6, {0, 0, 0}, {0, 0, 0}, 0.0, 0, f);
    EXPECT_NEAR(base.xyr(35), au / 1500.0, 1e-6);
}

struct SpaceCase {
    std::array<Vec, 3> p{{{0.31, -0.22, 0.05}, {-0.48, 0.61, -0.02}, {0.93, 0.79, 0.03}}};
    std::array<double, 3> angles{0.7, 0.4, -1.1};
    double scale = 1500.0;
    Vec anchor{1000.0, -500.0, 20.0};
    Vec a, b; // monument sides from the anchor
    Vec sun;  // expected Sun point in site coordinates

    SpaceCase()
    {
        set_planets(p);
        const auto rot = euler(angles[0], angles[1], angles[2]);
        a = apply(rot, scale, sub(p[1], p[0]));
        b = apply(rot, scale, sub(p[2], p[0]));
        const Vec n{b[1] * a[2] - b[2] * a[1], b[2] * a[0] - b[0] * a[2], b[0] * a[1] - b[1] * a[0]};
        const double f = (norm(a) + norm(b)) / 2 / norm(n);
        auto& pyr = base.pyr;
        pyr(11) = a[0]; pyr(14) = a[1]; pyr(17) = a[2];
        pyr(12) = b[0]; pyr(15) = b[1]; pyr(18) = b[2];
        pyr(7) = n[0] * f; pyr(8) = n[1] * f; pyr(9) = n[2] * f;
        const Vec s = apply(rot, scale, {-p[0][0], -p[0][1], -p[0][2]});
        sun = {s[0] + anchor[0], s[1] + anchor[1], s[2] + anchor[2]};
        base.xyr(36) = 3.0;
    }
};

TEST(Sonpos, LinearSystemInSpace)
{
    SpaceCase c;
    FitVectors f;
    call(4, 1, 6, c.anchor, {0, 0, 0}, 10.0, 0, f);
    const Vec s = sun_point();
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(s[i], c.sun[i], 1e-8);
    EXPECT_NEAR(base.xyr(35), au / c.scale, 1e-3);
    EXPECT_NEAR(base.xyr(34), norm(c.sun) * 0.03, 1e-9);

    // softened radius: r0 / 2 at the reference point, r0 at distance r0
    call(4, 1, 6, c.anchor, c.sun, 50.0, 0, f);
    EXPECT_NEAR(base.xyr(34), 25.0 * 0.03, 1e-9);
    call(4, 1, 6, c.anchor, {c.sun[0] + 50.0, c.sun[1], c.sun[2]}, 50.0, 0, f);
    EXPECT_NEAR(base.xyr(34), 50.0 * 0.03, 1e-9);
}

TEST(Sonpos, SingularMatrixIsReported)
{
    Terminal term;
    const Vec p1{0.31, -0.22, 0.05}, p2{-0.48, 0.61, -0.02};
    set_planets({p1, p2, {2 * p2[0] - p1[0], 2 * p2[1] - p1[1], 2 * p2[2] - p1[2]}}); // A parallel to B
    base.pyr(12) = base.pyr(15) = base.pyr(18) = 100.0;
    FitVectors f;
    call(4, 1, 6, {1000.0, -500.0, 20.0}, {0, 0, 0}, 10.0, 0, f);
    EXPECT_NE(term.out.str().find("In SONPOS: singular matrix"), std::string::npos);
    EXPECT_EQ(sun_point(), (Vec{1000.0, -500.0, 20.0}));
    EXPECT_EQ(base.xyr(34), 0.0);
    EXPECT_EQ(base.xyr(35), 0.0);
}

TEST(Sonpos, SimilarityFitWithTrace)
{
    SpaceCase c;
    FitVectors f;
    for (int i = 0; i < 3; ++i) {
        f.target[3 + i] = c.a[i];
        f.target[6 + i] = c.b[i];
    }
    f.x = {-c.p[0][0] + 1e-3, -c.p[0][1] - 2e-3, -c.p[0][2] + 1e-3, 0.71, 0.39, -1.09, c.scale * 1.01};
    f.step = {1e-9, 1e-9, 1e-9, 1e-9, 1e-9, 1e-9, 1e-6};
    f.iw[1] = 2000;
    f.w[0] = 1e6;
    Terminal term;
    call(5, 1, 6, c.anchor, {0, 0, 0}, 10.0, 1, f);
    EXPECT_EQ(f.ind, 0);
    EXPECT_NEAR(f.x[3], 0.7, 1e-7);
    EXPECT_NEAR(f.x[4], 0.4, 1e-7);
    EXPECT_NEAR(f.x[5], -1.1, 1e-7);
    EXPECT_NEAR(f.x[6], c.scale, 1e-6 * c.scale);
    const Vec s = sun_point();
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(s[i], c.sun[i], 1e-3);
    EXPECT_NEAR(base.xyr(35), au / c.scale, 1e-6 * au / c.scale);
    EXPECT_NEAR(base.xyr(34), norm(c.sun) * 0.03, 1e-5);

    // one line per evaluation between the opening empty line and the summary
    const std::string out = term.out.str();
    const auto lines = static_cast<int>(std::count(out.begin(), out.end(), '\n'));
    EXPECT_EQ(lines, 1 + f.iw[2] + 11);
    EXPECT_NE(out.find("  start   x(1..7):"), std::string::npos);
    EXPECT_NE(out.find("     \"    y(1..9):"), std::string::npos);
    EXPECT_NE(out.find("       40.680"), std::string::npos); // start angle 0.71 rad in degrees
    if (::testing::Test::HasFailure() || std::getenv("R7_SHOW_TRACE")) std::cout << out;

    // without the trace flag nothing is printed
    Terminal quiet;
    f.x = {-c.p[0][0], -c.p[0][1], -c.p[0][2], 0.7, 0.4, -1.1, c.scale};
    call(5, 1, 6, c.anchor, {0, 0, 0}, 10.0, 0, f);
    EXPECT_TRUE(quiet.out.str().empty());
}

TEST(Sonpos, OtherCodesOnlyShiftAndRedoTheRadius)
{
    FitVectors f;
    base.xyr(31) = 1.0;
    base.xyr(32) = 2.0;
    base.xyr(33) = 3.0;
    base.xyr(35) = 42.0;
    base.xyr(36) = 10.0;
    call(6, 1, 6, {10.0, 20.0, 30.0}, {0, 0, 0}, 0.0, 0, f);
    EXPECT_EQ(sun_point(), (Vec{11.0, 22.0, 33.0}));
    EXPECT_NEAR(base.xyr(34), norm({11.0, 22.0, 33.0}) * 0.1, 1e-12);
    EXPECT_EQ(base.xyr(35), 42.0);
}

} // namespace
} // namespace r7
