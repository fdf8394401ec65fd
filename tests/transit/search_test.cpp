#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "test_support.hpp"
#include "transit/search.hpp"

namespace r7 {
namespace {

struct MinSearch {
    FitminState st;
    int calls = 0;
    bool stale_value_used = false;

    // Runs fitmin to its end from x0, checking on every continued call that the
    // values it holds for the other two points are the function's values there.
    void run(const std::function<double(double)>& f, double x0, int ktype, double tol, double step)
    {
        st.xs(1) = x0;
        st.fs(1) = f(x0);
        for (;;) {
            fitmin({.ktype = ktype, .tol = tol, .step = step}, st);
            if (++calls > 1000 || st.ke == 0 || st.ke == 2) return;
            for (int s = 1; s <= 3 && st.iter > 2; ++s)
                if (s != st.knext && st.fs(s) != f(st.xs(s))) stale_value_used = true;
            st.fs(st.knext) = f(st.xs(st.knext));
        }
    }
};

TEST(Fitmin, EachMethodFindsTheMinimumAndAParabolaItsVertexAtOnce)
{
    // Stepping minimises cos itself (minimum at pi), the parabola modes its
    // squared values (minimum of cos^2 at pi/2).
    const double expected[4] = {0, M_PI, M_PI / 2, M_PI / 2};
    for (int ktype : {1, 2, 3}) {
        MinSearch m;
        m.run([](double x) { return std::cos(x); }, 1.0, ktype, 1e-10, 0.05);
        EXPECT_EQ(m.st.ke, 0) << ktype;
        bool near = false;
        for (int s = 1; s <= 3; ++s) near = near || std::abs(m.st.xs(s) - expected[ktype]) < 1e-7;
        EXPECT_TRUE(near) << ktype;
        EXPECT_FALSE(m.stale_value_used) << ktype;
    }
    // |x - 3| squared is a parabola: from 0, 1, 2 the first vertex is 3 exactly, and the search ends.
    MinSearch m;
    m.run([](double x) { return std::abs(x - 3.0); }, 0.0, 2, 1e-9, 1.0);
    EXPECT_EQ(m.calls, 4);
    EXPECT_TRUE(m.st.xs(1) == 3.0 || m.st.xs(2) == 3.0 || m.st.xs(3) == 3.0);
}

TEST(Fitmin, GivesUpAfterHundredCallsWithMessage)
{
    test::Terminal term;
    MinSearch m;
    m.run([](double x) { return -x; }, 0.0, 1, 1e-9, -1.0); // falls for ever: never a bracket
    EXPECT_EQ(m.st.ke, 2);
    EXPECT_EQ(m.st.iter, 101);
    EXPECT_EQ(term.text(), "\n  ---->  error in \"fitmin\", ke = 2\n\n");
}

TEST(Sekante, StraightLineLandsOnRootAndConfirmsOnThirdCall)
{
    SekanteState s{.x1 = 0.0, .f1 = -1.0}; // f(x) = x - 1 from x = 0
    const double expect_x[3] = {0.001, 1.0, 1.0};
    const int expect_ke[3] = {1, 1, 0}; // on the root after the second call, confirmed by the third
    for (int call = 0; call < 3; ++call) {
        sekante(1e-9, 0.001, 25, 6, s);
        EXPECT_EQ(s.ke, expect_ke[call]) << call;
        EXPECT_NEAR(s.x1, expect_x[call], 1e-14) << call;
        s.f1 = s.x1 - 1.0;
    }
}

} // namespace
} // namespace r7
