#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <vector>

#include "io/units.hpp"
#include "transit/search.hpp"

namespace r7 {
namespace {

// Captures the terminal for the duration of a test.
struct Terminal {
    std::ostringstream text;
    Terminal() { io::units().set_terminal(&text); }
    ~Terminal() { io::units().set_terminal(nullptr); }
};

struct MinSearch {
    FitPoints xs, fs;
    FitHistory hist;
    int iter = 0, kflag = 0, ihist = 0, knext = 0, ke = 1, calls = 0;
    double w1 = 0, w2 = 0;
    bool stale_value_used = false;
    std::vector<double> evaluated;

    // Runs fitmin to its end from x0, checking on every continued call that the
    // values it holds for the other two points are the function's values there.
    void run(const std::function<double(double)>& f, double x0, int ktype, double tol, double step, int kmode = 1,
             int kphase = 1)
    {
        xs(1) = x0;
        fs(1) = f(x0);
        for (;;) {
            fitmin(kphase, ktype, kmode, ke, xs, fs, tol, step, iter, kflag, w1, w2, hist, ihist, knext, 6);
            ++calls;
            if (ke == 0 || ke == 2 || calls > 1000) return;
            if (iter > 2) {
                for (int s = 1; s <= 3; ++s) {
                    if (s != knext && fs(s) != f(xs(s))) stale_value_used = true;
                }
            }
            fs(knext) = f(xs(knext));
            evaluated.push_back(xs(knext));
        }
    }
};

TEST(Fitmin, FreePassageWithFullSeriesFirstAsksForTheStartValue)
{
    MinSearch full;
    auto f = [](double x) { return (x - 7.3) * (x - 7.3); };
    full.run(f, 4.0, 1, 1e-7, 1.0, 5, 2);
    EXPECT_EQ(full.ke, 0);
    EXPECT_NEAR(full.xs(2), 7.3, 1e-6);
    EXPECT_EQ(full.evaluated[0], 4.0); // the start value first
    EXPECT_EQ(full.evaluated[1], 5.0);
}

TEST(Fitmin, ParabolaOfAbsoluteValueHitsTheExactVertex)
{
    // |x - 3| squared is a parabola: the first vertex is 3 exactly.
    MinSearch m;
    auto f = [](double x) { return std::abs(x - 3.0); };
    m.xs(1) = 0.0;
    m.fs(1) = f(0.0);
    for (int i = 0; i < 2; ++i) {
        fitmin(1, 2, 1, m.ke, m.xs, m.fs, 1e-9, 1.0, m.iter, m.kflag, m.w1, m.w2, m.hist, m.ihist, m.knext, 6);
        m.fs(m.knext) = f(m.xs(m.knext));
    }
    fitmin(1, 2, 1, m.ke, m.xs, m.fs, 1e-9, 1.0, m.iter, m.kflag, m.w1, m.w2, m.hist, m.ihist, m.knext, 6);
    EXPECT_EQ(m.ke, 1);
    EXPECT_EQ(m.xs(m.knext), 3.0);
    EXPECT_EQ(m.knext, 3); // sorted: 1, 2, 3
    EXPECT_DOUBLE_EQ(m.xs(1), 1.0);
    EXPECT_DOUBLE_EQ(m.xs(2), 2.0);
    EXPECT_EQ(m.ihist, 1);
    EXPECT_DOUBLE_EQ(m.hist(1), 2.0);

    MinSearch full;
    full.run(f, 0.0, 2, 1e-9, 1.0);
    EXPECT_EQ(full.ke, 0);
    EXPECT_EQ(full.calls, 4);
    bool at_vertex = false;
    for (int s = 1; s <= 3; ++s) at_vertex = at_vertex || full.xs(s) == 3.0;
    EXPECT_TRUE(at_vertex);
}

TEST(Fitmin, ParabolaFindsSmoothMinima)
{
    for (int ktype : {2, 3}) {
        MinSearch m;
        // Squared values of cos near pi: cos^2 has a minimum at pi/2.
        m.run([](double x) { return std::cos(x); }, 1.0, ktype, 1e-10, 0.05);
        EXPECT_EQ(m.ke, 0) << ktype;
        bool near = false;
        for (int s = 1; s <= 3; ++s) near = near || std::abs(m.xs(s) - M_PI / 2) < 1e-7;
        EXPECT_TRUE(near) << ktype;
        EXPECT_FALSE(m.stale_value_used);
    }
}

TEST(Fitmin, SteppingWalksDownhillThenContractsTheBracket)
{
    MinSearch m;
    auto f = [](double x) { return (x - 7.25) * (x - 7.25); };
    // Start at 20 with step -2: 20, 18, 16 in slots 3, 2, 1; the values fall
    // towards slot 1, so the triple walks towards smaller x one step at a time.
    m.run(f, 20.0, 1, 1e-6, -2.0);
    EXPECT_EQ(m.ke, 0);
    EXPECT_NEAR(m.xs(2), 7.25, 1e-5);
    ASSERT_GE(m.evaluated.size(), 8u);
    EXPECT_DOUBLE_EQ(m.evaluated[1], 16.0); // start phase: 18, 16
    EXPECT_DOUBLE_EQ(m.evaluated[3], 12.0);
    EXPECT_DOUBLE_EQ(m.evaluated[6], 6.0); // one step past the minimum
    EXPECT_DOUBLE_EQ(m.evaluated[7], 8.4); // bracket (6, 8, 10): (10 + 4 * 8) / 5
    EXPECT_FALSE(m.stale_value_used);
    EXPECT_LE(m.fs(2), m.fs(1));
    EXPECT_LE(m.fs(2), m.fs(3));
}

TEST(Fitmin, SteppingNeverUsesLeftoverBracketSlots)
{
    // The caller's zeroed slots 4 and 5 lie on the walk (0 is stepped on); the
    // search must evaluate there, not take the leftover 0.
    MinSearch m;
    m.xs(4) = m.xs(5) = 0.0;
    m.fs(4) = m.fs(5) = 0.0;
    auto f = [](double x) { return (x + 5.25) * (x + 5.25); };
    m.run(f, 2.0, 1, 1e-6, 1.0);
    EXPECT_EQ(m.ke, 0);
    EXPECT_FALSE(m.stale_value_used);
    EXPECT_NEAR(m.xs(2), -5.25, 1e-5);
}

TEST(Fitmin, SteppingReusesTheRememberedBracketEnd)
{
    // A bracket at once (-1, 0, 1) around a minimum at -0.9 behind a steep wall:
    // the contracted walk steps back onto -1, whose value it already has.
    MinSearch m;
    auto f = [](double x) { return x >= -0.9 ? (x + 0.9) * (x + 0.9) : 100.0 * (x + 0.9) * (x + 0.9); };
    m.run(f, -1.0, 1, 1e-6, 1.0);
    EXPECT_EQ(m.ke, 0);
    EXPECT_NEAR(m.xs(2), -0.9, 1e-5);
    EXPECT_FALSE(m.stale_value_used);
    for (double x : m.evaluated) EXPECT_GT(std::abs(x + 1.0), 1e-9) << "evaluated the bracket end again";
}

TEST(Fitmin, FlatFunctionFinishesAtOnce)
{
    MinSearch m;
    // A tiny bump in the middle point: a local maximum within 0.001.
    auto f = [](double x) { return x == 0.5 ? 1.0004 : 1.0; };
    m.run(f, 0.0, 1, 1e-9, 0.5);
    EXPECT_EQ(m.ke, 0);
    EXPECT_EQ(m.calls, 3);
}

TEST(Fitmin, GivesUpAfterHundredCallsWithMessage)
{
    Terminal term;
    MinSearch m;
    // Falls for ever: the walk never forms a bracket.
    m.run([](double x) { return -x; }, 0.0, 1, 1e-9, -1.0);
    EXPECT_EQ(m.ke, 2);
    EXPECT_EQ(m.iter, 101);
    EXPECT_EQ(term.text.str(), "\n  ---->  error in \"fitmin\", ke = 2\n\n");
}

struct RootSearch {
    double x0 = 0, x1 = 0, f0 = 0, f1 = 0;
    int iter = 0, ke = 1, calls = 0;
    void start(double x, const std::function<double(double)>& f)
    {
        x1 = x;
        f1 = f(x);
        iter = 0;
    }
    void call(const std::function<double(double)>& f, double tol = 1e-9, double step = 0.001, int maxit = 25)
    {
        sekante(x0, x1, f0, f1, tol, step, iter, maxit, 6, ke);
        ++calls;
        if (ke == 1 || ke == 5) f1 = f(x1);
    }
};

TEST(Sekante, StraightLineLandsOnRootAndConfirmsOnThirdCall)
{
    auto f = [](double x) { return x - 1.0; };
    RootSearch r;
    r.start(0.0, f);
    r.call(f);
    EXPECT_EQ(r.ke, 1);
    EXPECT_DOUBLE_EQ(r.x1, 0.001);
    r.call(f);
    EXPECT_EQ(r.ke, 1); // already on the root, but the second call never converges
    EXPECT_NEAR(r.x1, 1.0, 1e-14);
    r.call(f);
    EXPECT_EQ(r.ke, 0);
    EXPECT_NEAR(r.x1, 1.0, 1e-14);
}

TEST(Sekante, SmoothRootsAndKeptMarker)
{
    for (int marker : {1, 5}) {
        auto f = [](double x) { return std::cos(x); };
        RootSearch r;
        r.ke = marker;
        r.start(1.2, f);
        while (r.calls < 30) {
            r.call(f, 1e-12);
            if (r.ke != 1 && r.ke != 5) break;
            EXPECT_EQ(r.ke, marker); // a 5 stays 5 while the search goes on
        }
        EXPECT_EQ(r.ke, 0);
        EXPECT_NEAR(r.x1, M_PI / 2, 1e-12);
    }
}

TEST(Sekante, ConstantFunctionAndIterationLimitAreReported)
{
    Terminal term;
    auto c = [](double) { return 2.0; };
    RootSearch r;
    r.start(0.0, c);
    r.call(c);
    r.call(c);
    EXPECT_EQ(r.ke, 3);
    EXPECT_EQ(r.calls, 2);
    EXPECT_EQ(term.text.str(), "\n  ---->  error in \"sekante\", ke = 3\n\n");

    term.text.str("");
    // No root: x^2 + 1 never reaches zero.
    auto g = [](double x) { return x * x + 1.0; };
    RootSearch s;
    s.start(0.3, g);
    while (s.calls < 50 && (s.ke == 1 || s.ke == 5)) s.call(g, 1e-12, 0.001, 5);
    EXPECT_EQ(s.ke, 2);
    EXPECT_EQ(s.calls, 6); // maxit + 1
    EXPECT_EQ(term.text.str(), "\n  ---->  error in \"sekante\", ke = 2\n\n");
}

} // namespace
} // namespace r7
