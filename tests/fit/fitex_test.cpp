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
    int ind = -1;
    int calls = 0;
    double min_seen = 1e300; // smallest F the caller evaluated
    std::vector<double> x, r, w;
    std::vector<int> iw;
};

struct Settings {
    int np = 0, limit = 0;
    double w1 = 0.0, mode = 0.0;
};

Fit run_fit(const Model& model, int m, std::vector<double> x, const std::vector<double>& dx, Settings s)
{
    const int n = static_cast<int>(x.size());
    Fit f;
    f.w.assign(fitex_wsize(m, n, s.np), 0.0);
    f.iw.assign(fitex_iwsize(std::max(s.np, n + 1)), 0);
    f.iw[0] = s.np;
    f.iw[1] = s.limit;
    f.w[0] = s.w1;
    f.w[1] = s.mode;
    f.r.assign(static_cast<std::size_t>(m), 0.0);
    int ind = 0;
    do {
        model(x, f.r);
        double F = 0;
        for (double v : f.r) F += v * v;
        f.min_seen = std::min(f.min_seen, F);
        f.w[3] = F;
        fitex(ind, m, n, f.r, x, dx, f.w, f.iw);
        ++f.calls;
        if (f.calls > 100000) {
            ADD_FAILURE() << "fit does not end";
            break;
        }
    } while (ind == 1);
    f.ind = ind;
    f.x = x;
    return f;
}

// Frame rotation by the z-x-z Euler angles, composed from the three single turns.
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

// y = M R (P + T) for three points.
void similarity(const std::vector<double>& x, const std::array<double, 9>& pts, std::array<double, 9>& y)
{
    const auto rot = euler(x[3], x[4], x[5]);
    for (int p = 0; p < 3; ++p) {
        double v[3];
        for (int c = 0; c < 3; ++c) v[c] = pts[3 * p + c] + x[c];
        for (int i = 0; i < 3; ++i)
            y[3 * p + i] = x[6] * (rot[3 * i] * v[0] + rot[3 * i + 1] * v[1] + rot[3 * i + 2] * v[2]);
    }
}

TEST(Fitex, RecoversSimilarityTransformation)
{
    const std::array<double, 9> pts{0.31, -0.22, 0.05, -0.48, 0.61, -0.02, 0.93, 0.79, 0.03};
    const std::vector<double> truth{0.1, -0.2, 0.05, 0.7, 0.4, -1.1, 1.0e8};
    std::array<double, 9> target{};
    similarity(truth, pts, target);
    Model model = [&](const std::vector<double>& x, std::vector<double>& r) {
        std::array<double, 9> y{};
        similarity(x, pts, y);
        for (int i = 0; i < 9; ++i) r[i] = y[i] - target[i];
    };
    std::vector<double> start{0.101, -0.202, 0.0515, 0.71, 0.38, -1.085, 1.01e8};
    const std::vector<double> dx{1e-9, 1e-9, 1e-9, 1e-9, 1e-9, 1e-9, 0.1};
    std::vector<double> r0(9);
    model(start, r0);
    double F0 = 0;
    for (double v : r0) F0 += v * v;

    Fit f = run_fit(model, 9, start, dx, {0, 2000, 1e6, 0.0});
    EXPECT_EQ(f.ind, 0);
    for (int k = 0; k < 7; ++k) EXPECT_NEAR(f.x[k], truth[k], 1e-6 * std::fabs(truth[k])) << "parameter " << k + 1;
    EXPECT_LT(f.w[3], 1e-12 * F0);
    EXPECT_EQ(f.w[3], f.min_seen); // the best evaluated point is returned
    EXPECT_EQ(f.iw[3], 9 - 7 - 1);
}

// NIST StRD nonlinear regression problem DanWood: y = b1 * x^b2.
TEST(Fitex, DanWoodCertifiedValues)
{
    const std::array<double, 6> xs{1.309, 1.471, 1.490, 1.565, 1.611, 1.680};
    const std::array<double, 6> ys{2.138, 3.421, 3.597, 4.340, 4.882, 5.660};
    Model model = [&](const std::vector<double>& b, std::vector<double>& r) {
        for (int i = 0; i < 6; ++i) r[i] = b[0] * std::pow(xs[i], b[1]) - ys[i];
    };
    Fit f = run_fit(model, 6, {1.0, 5.0}, {1e-7, 1e-7}, {0, 500, 1e6, 0.0});
    ASSERT_EQ(f.ind, 0);
    EXPECT_NEAR(f.x[0], 7.6886226176E-01, 5e-6 * 7.6886226176E-01);
    EXPECT_NEAR(f.x[1], 3.8604055871E+00, 5e-6 * 3.8604055871E+00);
    EXPECT_NEAR(f.w[3], 4.3173084083E-03, 5e-6 * 4.3173084083E-03);

    // Statistics by their own definition: s from the best residuals with m - n - 1
    // degrees of freedom, standard errors s sqrt(diag (J^T J)^-1), here with the
    // analytic Jacobian at the solution as reference for the secant model.
    const int m = 6, n = 2;
    double sum = 0;
    for (double v : f.r) sum += v;
    const double s = std::sqrt(std::fabs(f.w[3] - sum * sum / m) / (m - n - 1));
    EXPECT_NEAR(f.w[2], s, 1e-12 * s);
    double jtj[2][2] = {{0, 0}, {0, 0}};
    double norm2[2] = {0, 0};
    for (int i = 0; i < 6; ++i) {
        const double j0 = std::pow(xs[i], f.x[1]);
        const double j1 = f.x[0] * j0 * std::log(xs[i]);
        jtj[0][0] += j0 * j0;
        jtj[0][1] += j0 * j1;
        jtj[1][1] += j1 * j1;
        norm2[0] += j0 * j0;
        norm2[1] += j1 * j1;
    }
    const double det = jtj[0][0] * jtj[1][1] - jtj[0][1] * jtj[0][1];
    const double c00 = jtj[1][1] / det, c11 = jtj[0][0] / det, c01 = -jtj[0][1] / det;
    EXPECT_NEAR(f.w[4], s * std::sqrt(c00), 0.02 * s * std::sqrt(c00));
    EXPECT_NEAR(f.w[5], s * std::sqrt(c11), 0.02 * s * std::sqrt(c11));
    EXPECT_NEAR(f.w[6], std::sqrt(norm2[0] * c00), 0.02 * std::sqrt(norm2[0] * c00));
    EXPECT_NEAR(f.w[7], std::sqrt(norm2[1] * c11), 0.02 * std::sqrt(norm2[1] * c11));
    // packed correlation matrix from w(2n+5): (1,1), (2,1), (2,2)
    EXPECT_DOUBLE_EQ(f.w[8], 1.0);
    EXPECT_DOUBLE_EQ(f.w[10], 1.0);
    EXPECT_NEAR(f.w[9], c01 / std::sqrt(c00 * c11), 1e-3);
}

TEST(Fitex, DefaultsAndEvaluationLimit)
{
    // Rosenbrock needs far more than 2n + 2 evaluations.
    Model model = [](const std::vector<double>& x, std::vector<double>& r) {
        r[0] = 10 * (x[1] - x[0] * x[0]);
        r[1] = 1 - x[0];
    };
    std::vector<double> x{-1.2, 1.0};
    std::vector<double> w(fitex_wsize(2, 2, 3)), r(2);
    std::vector<int> iw(fitex_iwsize(3));
    const std::vector<double> dx{1e-3, 1e-3};
    model(x, r);
    w[3] = r[0] * r[0] + r[1] * r[1];
    int ind = 0;
    fitex(ind, 2, 2, r, x, dx, w, iw);
    EXPECT_EQ(ind, 1);
    EXPECT_EQ(iw[0], 3);
    EXPECT_EQ(iw[1], 6);
    EXPECT_EQ(w[0], 100.0);
    EXPECT_EQ(iw[2], 1);
    EXPECT_EQ((std::vector<int>{iw[4], iw[5], iw[6]}), (std::vector<int>{1, 3, 2})); // first point in slot 1
    EXPECT_DOUBLE_EQ(x[0], -1.2 + 100 * 1e-3);                                       // first design step

    Fit f = run_fit(model, 2, {-1.2, 1.0}, dx, {0, 0, 0.0, 0.0});
    EXPECT_EQ(f.ind, 3);
    EXPECT_EQ(f.calls, 6);
    EXPECT_EQ(f.w[3], f.min_seen);
}

TEST(Fitex, ParameterWithoutEffect)
{
    Model model = [](const std::vector<double>& x, std::vector<double>& r) {
        r[0] = x[0] - 1;
        r[1] = 2 * x[0] + 3 + 0 * x[2];
        r[2] = x[2] * 0.5;
    };
    Fit f = run_fit(model, 3, {0.0, 0.0, 1.0}, {1, 1, 1}, {0, 50, 0.0, 0.0});
    EXPECT_EQ(f.ind, 5);
    EXPECT_EQ(f.iw[3], 2);  // parameter 2
    EXPECT_EQ(f.calls, 3); // found after its own evaluation
    EXPECT_EQ(f.x, (std::vector<double>{0.0, 0.0, 1.0}));
}

TEST(Fitex, ParametersWithTheSameEffect)
{
    Model model = [](const std::vector<double>& x, std::vector<double>& r) {
        r[0] = x[0] + 2 * x[2] - 1;
        r[1] = x[1] + 4;
        r[2] = 0.5;
    };
    Fit f = run_fit(model, 3, {0.0, 0.0, 0.0}, {1, 1, 1}, {0, 50, 0.0, 0.0});
    EXPECT_EQ(f.ind, 6);
    EXPECT_EQ(f.iw[3], 3); // parameter 3 ...
    EXPECT_EQ(f.iw[2], 1); // ... acts like parameter 1
    EXPECT_EQ(f.calls, 4);
}

TEST(Fitex, StepLimitedToTwiceTheStepFactor)
{
    Model model = [](const std::vector<double>& x, std::vector<double>& r) {
        r[0] = x[0] - 1000;
        r[1] = x[1] - 3;
        r[2] = 1;
    };
    std::vector<double> x{0.0, 0.0}, r(3), w(fitex_wsize(3, 2, 3));
    std::vector<int> iw(fitex_iwsize(3));
    const std::vector<double> dx{1.0, 1.0};
    iw[1] = 100;
    w[0] = 2.0;
    int ind = 0;
    for (int call = 0; call < 3; ++call) { // the initial design
        model(x, r);
        w[3] = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
        fitex(ind, 3, 2, r, x, dx, w, iw);
        ASSERT_EQ(ind, 1);
    }
    // best design point (2, 0); Gauss-Newton point (1000, 3); step cut to 2 w(1) dx
    EXPECT_EQ(iw[3], 1);
    EXPECT_NEAR(x[0], 2.0 + 4.0, 1e-9);
    EXPECT_NEAR(x[1], 3.0 * 4.0 / 998.0, 1e-9);
    EXPECT_NEAR(w[2], 4.0 / 998.0, 1e-12);

    // With room for the whole step the linear problem is solved at once.
    Fit f = run_fit(model, 3, {0.0, 0.0}, dx, {0, 100, 1000.0, 0.0});
    EXPECT_EQ(f.ind, 0);
    EXPECT_NEAR(f.x[0], 1000.0, 1e-9);
    EXPECT_NEAR(f.x[1], 3.0, 1e-9);
    EXPECT_LE(f.calls, 6);
}

TEST(Fitex, CurvedValleyInBothStorageModes)
{
    // Rosenbrock: Gauss-Newton steps overshoot and need the line search; storage
    // mode 1 starts without the design and gathers its points by scatter.
    Model model = [](const std::vector<double>& x, std::vector<double>& r) {
        r[0] = 10 * (x[1] - x[0] * x[0]);
        r[1] = 1 - x[0];
    };
    for (double mode : {0.0, 1.0}) {
        Fit f = run_fit(model, 2, {-1.2, 1.0}, {1e-8, 1e-8}, {0, 3000, 1e6, mode});
        EXPECT_EQ(f.ind, 0) << "mode " << mode;
        EXPECT_NEAR(f.x[0], 1.0, 1e-6) << "mode " << mode;
        EXPECT_NEAR(f.x[1], 1.0, 1e-6) << "mode " << mode;
        EXPECT_EQ(f.w[3], f.min_seen);
    }
}

TEST(Fitex, OneParameterUsesParabolicSearch)
{
    Model model = [](const std::vector<double>& x, std::vector<double>& r) {
        r[0] = x[0] - 2.5;
        r[1] = 1.0;
    };
    Fit f = run_fit(model, 2, {0.0}, {1e-6}, {0, 200, 1e4, 0.0});
    EXPECT_EQ(f.ind, 0);
    EXPECT_NEAR(f.x[0], 2.5, 1e-5);
    EXPECT_EQ(f.iw[3], 2 - 1 - 1);
}

TEST(Fitex, ArgumentsAndImmediateReturns)
{
    std::vector<double> x{1.0, 2.0}, r{1.0, 1.0}, w(fitex_wsize(2, 2, 3));
    std::vector<int> iw(fitex_iwsize(3));
    const std::vector<double> dx{1, 1};
    int ind = 0;
    w[3] = 2.0;
    fitex(ind, 1, 2, r, x, dx, w, iw); // n > m
    EXPECT_EQ(ind, 7);
    ind = 0;
    fitex(ind, 2, 0, r, x, dx, w, iw);
    EXPECT_EQ(ind, 7);
    ind = 0;
    w[1] = 0.5; // storage mode
    fitex(ind, 2, 2, r, x, dx, w, iw);
    EXPECT_EQ(ind, 7);
    w[1] = 0.0;
    ind = 0;
    const std::vector<double> zero_dx{1, 0};
    fitex(ind, 2, 2, r, x, zero_dx, w, iw);
    EXPECT_EQ(ind, 7);
    ind = 0;
    std::vector<double> short_w(20);
    short_w[3] = 2.0;
    fitex(ind, 2, 2, r, x, dx, short_w, iw);
    EXPECT_EQ(ind, 7);

    ind = 0;
    iw[1] = -1; // no fit at all
    fitex(ind, 2, 2, r, x, dx, w, iw);
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(iw[0], 0);
    EXPECT_EQ(x, (std::vector<double>{1.0, 2.0}));

    iw[1] = 0;
    ind = 0;
    w[3] = 0.0; // nothing better possible
    fitex(ind, 2, 2, r, x, dx, w, iw);
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(x, (std::vector<double>{1.0, 2.0}));
}

TEST(Lilesq, FullRankSolutionAndResidual)
{
    // straight line through (1,6), (2,5), (3,7), (4,10): z = (3.5, 1.4), RSS 4.2
    std::vector<double> a{1, 1, 1, 1, 1, 2, 3, 4}, b{6, 5, 7, 10}, z(2), p(2);
    int ier = 99;
    lilesq(4, 2, ier, a, b, z, p);
    EXPECT_EQ(ier, 0);
    EXPECT_NEAR(z[0], 3.5, 1e-12);
    EXPECT_NEAR(z[1], 1.4, 1e-12);
    EXPECT_NEAR(a[1], 4.2, 1e-12);
    EXPECT_EQ(p[0] + p[1], 3.0);
}

TEST(Lilesq, ZeroAndRepeatedColumnsAreLeftOut)
{
    std::vector<double> a{1, 1, 1, 1, 0, 0, 0, 0, 1, 2, 3, 4}, b{6, 5, 7, 10}, z(3), p(3);
    int ier = 99;
    lilesq(4, 3, ier, a, b, z, p);
    EXPECT_EQ(ier, 2);
    EXPECT_EQ(z[1], 0.0);
    EXPECT_NEAR(z[0], 3.5, 1e-12);
    EXPECT_NEAR(z[2], 1.4, 1e-12);
    EXPECT_EQ(p[2], 2.0); // the zero column stays last

    // a column equal to another is eliminated with it (cleaned to zero)
    std::vector<double> a2{1, 1, 1, 1, 0.3, 0.7, 1.1, 1.9, 1, 1, 1, 1}, b2{6, 5, 7, 10}, z2(3), p2(3);
    lilesq(4, 3, ier, a2, b2, z2, p2);
    EXPECT_EQ(ier, 2);
}

TEST(Lilesq, Failures)
{
    std::vector<double> a{1, 2, 3, 4}, b{0, 0}, z(2), p(2);
    int ier = 0;
    lilesq(2, 2, ier, a, b, z, p); // b = 0: no column reduces the residual
    EXPECT_EQ(ier, -1);
    EXPECT_EQ(z, (std::vector<double>{0.0, 0.0}));
    lilesq(1, 2, ier, a, b, z, p);
    EXPECT_EQ(ier, -2);
}

TEST(Invata, InverseOfNormalMatrixInInputOrder)
{
    // A^T A = [[4, 10], [10, 30]]; the longer second column is eliminated first.
    std::vector<double> a{1, 1, 1, 1, 1, 2, 3, 4}, c(3), p(2);
    int ier = 99;
    invata(4, 2, ier, a, c, p);
    EXPECT_EQ(ier, 0);
    EXPECT_EQ(p[0], 2.0);
    EXPECT_NEAR(c[0], 1.5, 1e-12);
    EXPECT_NEAR(c[1], -0.5, 1e-12);
    EXPECT_NEAR(c[2], 0.2, 1e-12);

    // three columns: (A^T A) C = I
    const std::vector<double> a3{2, -1, 0.5, 3, 1, 0.2, 4, 1, -2, 1, 0, 1, 0.5, 0.5, 3, -1, 2, 1};
    std::vector<double> work = a3, c3(6), p3(3);
    invata(6, 3, ier, work, c3, p3);
    ASSERT_EQ(ier, 0);
    auto C = [&](int i, int j) { return i >= j ? c3[i * (i + 1) / 2 + j] : c3[j * (j + 1) / 2 + i]; };
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) {
                double ata = 0;
                for (int row = 0; row < 6; ++row) ata += a3[i * 6 + row] * a3[k * 6 + row];
                s += ata * C(k, j);
            }
            EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-12);
        }
}

TEST(Invata, SingularAndWrongShapes)
{
    std::vector<double> a{1, 2, 3, 2, 4, 6}, c(3), p(2);
    int ier = 0;
    invata(3, 2, ier, a, c, p);
    EXPECT_EQ(ier, -1);
    invata(1, 2, ier, a, c, p);
    EXPECT_EQ(ier, -2);
}

TEST(Invert, ThreeByThree)
{
    const std::array<double, 9> a{2, 1, 0.5, -1, 3, 1, 0.25, 2, 4};
    std::array<double, 9> inv = a;
    invert(inv);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) s += a[k * 3 + i] * inv[j * 3 + k];
            EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-14);
        }
}

// fit1 driven on a function until it ends.
int drive_fit1(const std::function<double(double)>& f, std::array<double, 11>& s, std::array<double, 3>& c)
{
    int flag = 0;
    s[1] = f(s[0]);
    fit1(flag, c, s);
    while (flag == 1) {
        s[1] = f(s[0]);
        fit1(flag, c, s);
    }
    return flag;
}

TEST(Fit1, ConvergesOnParabolaAndEnds)
{
    std::array<double, 11> s{0.0, 0.0, 1.0, 1e-7, 0.0};
    std::array<double, 3> c{0, 50, 0};
    EXPECT_EQ(drive_fit1([](double x) { return (x - 3.0) * (x - 3.0) + 1.0; }, s, c), 0);
    EXPECT_NEAR(s[0], 3.0, 1e-6);
    EXPECT_NEAR(s[1], 1.0, 1e-12);

    // count limit: returns the best point seen
    std::array<double, 11> s2{0.0, 0.0, 1.0, 0.0, 0.0};
    std::array<double, 3> c2{0, 4, 0};
    EXPECT_EQ(drive_fit1([](double x) { return std::cosh(x - 10.0); }, s2, c2), 2);
    EXPECT_EQ(s2[1], std::cosh(s2[0] - 10.0));

    // three equal values are degenerate
    std::array<double, 11> s3{0.0, 0.0, 1.0, 0.0, 0.0};
    std::array<double, 3> c3{0, 50, 0};
    EXPECT_EQ(drive_fit1([](double) { return 5.0; }, s3, c3), 3);
}

TEST(Fit1, BisectsWhenMiddleIsNearAnEnd)
{
    // known points x = 0 and x = 1, the third at 0.05 is the lowest
    std::array<double, 11> s{0.05, 0.1, 0, 0, 0, 0.0, 1.0, 0, 1.0, 2.0, 0};
    std::array<double, 3> c{3, 20, 0};
    int flag = 1;
    fit1(flag, c, s);
    EXPECT_EQ(flag, 1);
    EXPECT_DOUBLE_EQ(s[0], 0.5);

    // a middle point well inside gives the vertex of the parabola
    auto f = [](double x) { return (x - 0.4) * (x - 0.4); };
    std::array<double, 11> t{0.3, f(0.3), 0, 0, 0, 0.0, 1.0, 0, f(0.0), f(1.0), 0};
    std::array<double, 3> c2{3, 20, 0};
    flag = 1;
    fit1(flag, c2, t);
    EXPECT_EQ(flag, 1);
    EXPECT_NEAR(t[0], 0.4, 1e-14);
}

} // namespace
} // namespace r7
