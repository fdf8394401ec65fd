#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "run/fminrun.hpp"

namespace r7 {
namespace {

TEST(FminScan, TwoSearchesEndingAtTheSameMinimumGiveOneRow)
{
    // A valley at t = 10 and a narrow ridge after it: the search started behind
    // the ridge walks back down into the same valley.
    auto f = [](double t) { return t > 10.9 && t < 11.2 ? 3.0 : 0.1 + 0.2 * std::abs(t - 10.0); };
    const FminSettings set{.jde_from = 5.0, .jde_to = 30.0, .tol_short = 2.0, .tol_full = 2.0};
    std::vector<double> evaluated, reported;
    std::array<int, 6> counters{};
    fmin_scan(
        set,
        [&](double t, int) {
            evaluated.push_back(t);
            return f(t);
        },
        [&](double t) { reported.push_back(t); }, counters);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NEAR(reported[0], 10.0, 0.1);
    EXPECT_EQ(counters[3], 1);
    // Two separate visits of the valley floor: the second search ended there too.
    int visits = 0;
    bool inside = false;
    for (double t : evaluated) {
        const bool near = std::abs(t - 10.0) < 0.1;
        visits += near && !inside;
        inside = near;
    }
    EXPECT_GE(visits, 2);
    // The scan still runs to the end of the interval.
    EXPECT_GT(evaluated.back(), 25.0);
}

} // namespace
} // namespace r7
