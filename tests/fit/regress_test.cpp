#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "fit/regress.hpp"
#include "io/units.hpp"
#include "state/store.hpp"

namespace r7 {
namespace {

struct Terminal {
    std::ostringstream text;
    Terminal() { io::units().set_terminal(&text); }
    ~Terminal() { io::units().set_terminal(nullptr); }
};

// R^2 and adjusted R^2 from the residuals of the least-squares line, computed
// independently of the correlation formula.
std::pair<double, double> r2_by_residuals(const std::vector<double>& x, const std::vector<double>& y)
{
    const double n = static_cast<double>(x.size());
    long double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    const long double den = n * sxx - sx * sx;
    const long double u = (n * sxy - sx * sy) / den, v = (sy * sxx - sx * sxy) / den;
    long double ssr = 0, sst = 0;
    const long double ym = sy / n;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const long double r = y[i] - (u * x[i] + v);
        ssr += r * r;
        sst += (y[i] - ym) * (y[i] - ym);
    }
    const double r2 = static_cast<double>(1.0L - ssr / sst);
    return {r2, 1.0 - (1.0 - r2) * (n - 1.0) / (n - 2.0)};
}

TEST(Rcoef2, ExactlyLinearDataGiveOne)
{
    for (int i = 1; i <= 9; ++i) {
        astro.comp(i, 1) = 0.3 * i + 1.0;
        astro.comp(i, 2) = 2.5 * astro.comp(i, 1) - 4.0;
        astro.comp(i, 3) = -0.7 * astro.comp(i, 1) + 9.0; // falling line: r = -1
    }
    FArray<double, 1, 6> out;
    rcoef2(1, 9, out);
    rcoef2(2, 9, out);
    EXPECT_NEAR(out(1), 1.0, 1e-12);
    EXPECT_NEAR(out(2), 1.0, 1e-12);
    EXPECT_NEAR(out(3), 1.0, 1e-12);
    EXPECT_NEAR(out(4), 1.0, 1e-12);
    EXPECT_EQ(out(5), 0.0); // series 3 not asked for
}

TEST(Rcoef2, AgreesWithResidualsOnNoisyData)
{
    std::mt19937 gen(7);
    std::normal_distribution<double> noise(0.0, 0.4);
    for (int n : {9, 5, 3}) {
        std::vector<double> x, y;
        for (int i = 1; i <= 9; ++i) {
            astro.comp(i, 1) = std::log(1.0 + 3.0 * i);
            astro.comp(i, 4) = 1.7 * astro.comp(i, 1) + 0.2 + noise(gen);
        }
        for (int i = 1; i <= n; ++i) {
            x.push_back(astro.comp(i, 1));
            y.push_back(astro.comp(i, 4));
        }
        FArray<double, 1, 6> out;
        rcoef2(3, n, out);
        const auto [r2, adj] = r2_by_residuals(x, y);
        EXPECT_NEAR(out(5), r2, 1e-12) << n;
        EXPECT_NEAR(out(6), adj, 1e-12) << n;
        EXPECT_LT(out(6), out(5)) << n;
    }
}

TEST(Rcoef2, DegenerateDataGiveNumbersNotNaN)
{
    for (int i = 1; i <= 9; ++i) {
        astro.comp(i, 1) = i;
        astro.comp(i, 2) = 4.0; // constant series
    }
    FArray<double, 1, 6> out;
    rcoef2(1, 9, out);
    EXPECT_EQ(out(1), 0.0);
    EXPECT_TRUE(std::isfinite(out(2)));
    astro.comp(1, 2) = 1.0;
    rcoef2(1, 2, out); // two points always lie on a line
    EXPECT_NEAR(out(1), 1.0, 1e-12);
    EXPECT_NEAR(out(2), 1.0, 1e-12);
}

// Drives ringfit from a first guess; records the statuses of all calls.
struct Ring {
    double xa = 0, xb = 0, xc = 0, fa = 0, fb = 0, fc = 0;
    int count = 0, ke = 0;
    std::vector<int> status;
    void run(const std::function<double(double)>& f, double x, double tol = 1e-6, double step = 0.01,
             int maxcount = 50)
    {
        xb = x;
        fb = f(x);
        count = 0;
        ke = 0;
        for (int calls = 0; calls < 200; ++calls) {
            ringfit(xa, xb, xc, fa, fb, fc, tol, step, count, maxcount, 6, ke);
            status.push_back(ke);
            if (ke != 1 && ke != 5) return;
            fb = f(xb);
        }
    }
};

TEST(Ringfit, FindsRootsOfSmoothFunctions)
{
    Ring r;
    r.run([](double x) { return std::sin(x); }, 3.0);
    EXPECT_EQ(r.ke, 0);
    EXPECT_NEAR(r.xb, M_PI, 1e-9);

    // A Julian-day sized abscissa: the circle is built relative to b.
    const double t0 = 2460000.123456;
    Ring j;
    j.run([t0](double t) { return 0.4 * (t - t0) - 0.05 * (t - t0) * (t - t0); }, t0 - 0.7);
    EXPECT_EQ(j.ke, 0);
    EXPECT_NEAR(j.xb, t0, 1e-7);
}

TEST(Ringfit, CollinearPointsSwitchToSecantAndStayThere)
{
    Ring r;
    r.run([](double x) { return 2.0 * x - 1.0; }, 0.0);
    ASSERT_GE(r.status.size(), 3u);
    EXPECT_EQ(r.status[2], 5);
    EXPECT_EQ(r.ke, 0);
    EXPECT_NEAR(r.xb, 0.5, 1e-12);

    // A convex function turns the other way: D < 0 on every triple, and after
    // the switch every call reports 5 until the secant search ends.
    Ring c;
    c.run([](double x) { return std::exp(x) - 3.0; }, 0.0);
    EXPECT_EQ(c.ke, 0);
    EXPECT_NEAR(c.xb, std::log(3.0), 1e-9);
    ASSERT_GE(c.status.size(), 4u);
    for (std::size_t i = 2; i + 1 < c.status.size(); ++i) EXPECT_EQ(c.status[i], 5) << i;
}

TEST(Ringfit, CoincidentPointsMoveBByOne)
{
    Ring r;
    r.count = 2;
    r.ke = 1;
    r.xa = 10.0;
    r.xb = 10.0;
    r.xc = 12.0;
    r.fa = r.fb = 1.0;
    r.fc = 3.0;
    ringfit(r.xa, r.xb, r.xc, r.fa, r.fb, r.fc, 1e-6, 0.01, r.count, 50, 6, r.ke);
    EXPECT_EQ(r.ke, 5);
    EXPECT_DOUBLE_EQ(r.xa, 10.0);
    EXPECT_DOUBLE_EQ(r.xb, 11.0);
}

TEST(Ringfit, OneNeighbourWithinTolConverges)
{
    // Points on the unit circle around the origin: a at 120 deg, b at 60 deg, c
    // just above the axis at 1e-4 rad. The crossing is x = 1; a (1.5 away) is
    // dropped, c is within 5e-9 of the new estimate, b 0.5 away.
    Ring r;
    r.count = 2;
    r.ke = 1;
    r.xa = 100.0 + std::cos(2.0 * M_PI / 3.0);
    r.fa = std::sin(2.0 * M_PI / 3.0);
    r.xb = 100.0 + 0.5;
    r.fb = std::sin(M_PI / 3.0);
    r.xc = 100.0 + std::cos(1e-4);
    r.fc = std::sin(1e-4);
    ringfit(r.xa, r.xb, r.xc, r.fa, r.fb, r.fc, 1e-6, 0.01, r.count, 50, 6, r.ke);
    EXPECT_EQ(r.ke, 0);
    EXPECT_NEAR(r.xb, 101.0, 1e-12);
    EXPECT_NEAR(r.xa, 100.5, 1e-12); // a took b's place
    EXPECT_EQ(r.count, 3);
}

TEST(Ringfit, CircleAboveTheAxisIsReportedAndKeepsTheEstimate)
{
    Terminal term;
    Ring r;
    const double b = 2451545.0;
    r.count = 2;
    r.ke = 1;
    // Circle of radius 1 about (b, 10): it never reaches the axis.
    r.xa = b + 1.0;
    r.fa = 10.0;
    r.xb = b;
    r.fb = 9.0;
    r.xc = b - 1.0;
    r.fc = 10.0;
    ringfit(r.xa, r.xb, r.xc, r.fa, r.fb, r.fc, 1e-6, 0.01, r.count, 50, 6, r.ke);
    EXPECT_EQ(r.ke, 4);
    EXPECT_EQ(r.xb, b); // the estimate, not a value relative to it
    EXPECT_EQ(r.xa, b + 1.0);
    EXPECT_EQ(r.xc, b - 1.0);
    EXPECT_EQ(term.text.str(), "\n  ---->  error in \"ringfit\", ke = 4\n\n");
}

TEST(Ringfit, TooManyStepsAreReported)
{
    Terminal term;
    Ring r;
    // Two secant steps and two circle steps are allowed; the fourth step ends
    // the search long before a tolerance of 1e-14 is met.
    r.run([](double x) { return std::sin(x); }, 3.0, 1e-14, 0.01, 3);
    EXPECT_EQ(r.ke, 2);
    EXPECT_EQ(r.count, 4);
    EXPECT_NEAR(r.xb, M_PI, 1e-6);
    EXPECT_NE(term.text.str().find("error in \"ringfit\", ke = 2"), std::string::npos);
}

} // namespace
} // namespace r7
