// The least-squares engine against NIST's certified DanWood values and closed
// forms; its refusals of parameters without or with the same effect.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "fit/fitex.hpp"

namespace r7 {
namespace {

using Model = std::function<void(const std::vector<double>& x, std::vector<double>& r)>;

struct Fit {
    int ind = -1, calls = 0;
    double min_seen = 1e300; // smallest F the caller evaluated
    std::vector<double> x, r, w;
    std::vector<int> iw;
};

// Drives fitex to its end (or for max_calls calls) with iw(2) = limit, w(1) = w1.
Fit run_fit(const Model& model, int m, std::vector<double> x, const std::vector<double>& dx, int limit, double w1,
            int max_calls = 100000)
{
    const int n = static_cast<int>(x.size());
    Fit f;
    f.w.assign(fitex_wsize(m, n, 0), 0.0);
    f.iw.assign(fitex_iwsize(n + 1), 0);
    f.iw[1] = limit;
    f.w[0] = w1;
    f.r.assign(static_cast<std::size_t>(m), 0.0);
    int ind = 0;
    do {
        model(x, f.r);
        double F = 0;
        for (double v : f.r) F += v * v;
        f.min_seen = std::min(f.min_seen, F);
        f.w[3] = F;
        fitex(ind, m, n, f.r, x, dx, f.w, f.iw);
    } while (++f.calls < max_calls && ind == 1);
    f.ind = ind;
    f.x = x;
    return f;
}

// NIST StRD nonlinear regression problem DanWood: y = b1 * x^b2.
TEST(Fitex, DanWoodCertifiedValuesAndStatistics)
{
    const std::array<double, 6> xs{1.309, 1.471, 1.490, 1.565, 1.611, 1.680};
    const std::array<double, 6> ys{2.138, 3.421, 3.597, 4.340, 4.882, 5.660};
    Model model = [&](const std::vector<double>& b, std::vector<double>& r) {
        for (int i = 0; i < 6; ++i) r[i] = b[0] * std::pow(xs[i], b[1]) - ys[i];
    };
    Fit f = run_fit(model, 6, {1.0, 5.0}, {1e-7, 1e-7}, 500, 1e6);
    ASSERT_EQ(f.ind, 0);
    EXPECT_NEAR(f.x[0], 7.6886226176E-01, 5e-6 * 7.6886226176E-01);
    EXPECT_NEAR(f.x[1], 3.8604055871E+00, 5e-6 * 3.8604055871E+00);
    EXPECT_NEAR(f.w[3], 4.3173084083E-03, 5e-6 * 4.3173084083E-03);
    EXPECT_EQ(f.w[3], f.min_seen); // the best evaluated point is returned

    // s with m - n - 1 degrees of freedom; standard errors s sqrt(diag (J^T J)^-1), analytic Jacobian.
    double sum = 0, jtj[3] = {0, 0, 0}; // (1,1), (1,2), (2,2)
    for (double v : f.r) sum += v;
    const double s = std::sqrt(std::fabs(f.w[3] - sum * sum / 6) / (6 - 2 - 1));
    EXPECT_NEAR(f.w[2], s, 1e-12 * s);
    for (int i = 0; i < 6; ++i) {
        const double j0 = std::pow(xs[i], f.x[1]), j1 = f.x[0] * j0 * std::log(xs[i]);
        jtj[0] += j0 * j0;
        jtj[1] += j0 * j1;
        jtj[2] += j1 * j1;
    }
    const double det = jtj[0] * jtj[2] - jtj[1] * jtj[1];
    const double c00 = jtj[2] / det, c11 = jtj[0] / det, c01 = -jtj[1] / det;
    EXPECT_NEAR(f.w[4], s * std::sqrt(c00), 0.02 * s * std::sqrt(c00));
    EXPECT_NEAR(f.w[5], s * std::sqrt(c11), 0.02 * s * std::sqrt(c11));
    EXPECT_NEAR(f.w[6], std::sqrt(jtj[0] * c00), 0.02 * std::sqrt(jtj[0] * c00));
    EXPECT_NEAR(f.w[7], std::sqrt(jtj[2] * c11), 0.02 * std::sqrt(jtj[2] * c11));
    // packed correlation matrix from w(2n+5): (1,1), (2,1), (2,2)
    EXPECT_DOUBLE_EQ(f.w[8], 1.0);
    EXPECT_DOUBLE_EQ(f.w[10], 1.0);
    EXPECT_NEAR(f.w[9], c01 / std::sqrt(c00 * c11), 1e-3);
}

TEST(Fitex, ParameterWithoutEffectAndParametersWithTheSameEffect)
{
    Fit f = run_fit([](const std::vector<double>& x, std::vector<double>& r) {
        r = {x[0] - 1, 2 * x[0] + 3 + 0 * x[2], x[2] * 0.5};
    }, 3, {0.0, 0.0, 1.0}, {1, 1, 1}, 50, 0.0);
    EXPECT_EQ(f.ind, 5);
    EXPECT_EQ(f.iw[3], 2);  // parameter 2
    EXPECT_EQ(f.calls, 3); // found after its own evaluation
    EXPECT_EQ(f.x, (std::vector<double>{0.0, 0.0, 1.0}));

    f = run_fit([](const std::vector<double>& x, std::vector<double>& r) {
        r = {x[0] + 2 * x[2] - 1, x[1] + 4, 0.5};
    }, 3, {0.0, 0.0, 0.0}, {1, 1, 1}, 50, 0.0);
    EXPECT_EQ(f.ind, 6);
    EXPECT_EQ(f.iw[3], 3); // parameter 3 ...
    EXPECT_EQ(f.iw[2], 1); // ... acts like parameter 1
    EXPECT_EQ(f.calls, 4);
}

TEST(Fitex, SingularModelRestartsAndReachesTheOptimum)
{
    // Shortened steps leave the stored points on one line: the fit restarts about
    // the best point and walks on to the least-squares point (100 + 1/6, 10 + 1/6).
    const Model model = [](const std::vector<double>& x, std::vector<double>& r) {
        r = {x[0] - 100, x[1] - 10, x[0] + x[1] - 110.5};
    };
    const std::vector<double> dx{1e-4, 1e-4};
    Fit f = run_fit(model, 3, {0.0, 0.0}, dx, 40000, 100.0);
    ASSERT_EQ(f.ind, 0) << f.x[0] << " " << f.x[1] << " after " << f.iw[2] << " evaluations";
    EXPECT_NEAR(f.x[0], 100.0 + 1.0 / 6.0, 1e-3);
    EXPECT_NEAR(f.x[1], 10.0 + 1.0 / 6.0, 1e-3);
    EXPECT_NEAR(f.w[3], 3.0 * (0.5 / 3.0) * (0.5 / 3.0), 1e-6);

    // The evaluation limit still ends a fit that has not arrived, with status 3.
    f = run_fit(model, 3, {0.0, 0.0}, dx, 300, 100.0);
    EXPECT_EQ(f.ind, 3);
    EXPECT_EQ(f.iw[2], 300);
    EXPECT_GT(f.x[0], 1.0); // moving on, not stalled at the first line of points
}

TEST(Lilesq, ZeroColumnIsLeftOut)
{
    // line through (1,6), (2,5), (3,7), (4,10): z = (3.5, 1.4), a zero column between
    std::vector<double> a{1, 1, 1, 1, 0, 0, 0, 0, 1, 2, 3, 4}, b{6, 5, 7, 10}, z(3), p(3);
    EXPECT_EQ(lilesq(4, 3, a, b, z, p), 2);
    EXPECT_EQ(z[1], 0.0);
    EXPECT_NEAR(z[0], 3.5, 1e-12);
    EXPECT_NEAR(z[2], 1.4, 1e-12);
    EXPECT_EQ(p[2], 2.0); // the zero column stays last
}

TEST(Fit1, BisectsOnlyWhenMiddleIsNearAnEnd)
{
    // s = (x, f, ..., x1, x2, x3, f1, f2, f3), known points x = 0 and 1: a middle point near
    // an end is bisected, one well inside gives the parabola's vertex, of (x - 0.4)^2.
    using State = std::array<double, 11>;
    for (const auto& [start, next] : {std::pair{State{0.05, 0.1, 0, 0, 0, 0.0, 1.0, 0, 1.0, 2.0, 0}, 0.5},
                                      {State{0.3, 0.01, 0, 0, 0, 0.0, 1.0, 0, 0.16, 0.36, 0}, 0.4}}) {
        State s = start;
        std::array<double, 3> c{3, 20, 0};
        int flag = 1;
        fit1(flag, c, s);
        EXPECT_EQ(flag, 1);
        EXPECT_NEAR(s[0], next, 1e-14);
    }
}

} // namespace
} // namespace r7
