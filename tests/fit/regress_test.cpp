#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "fit/regress.hpp"
#include "state/store.hpp"
#include "transit/search.hpp"

namespace r7 {
namespace {

TEST(Rcoef2, OneForLinearDataAndResidualR2OnNoisyData)
{
    for (int i = 1; i <= 9; ++i) {
        astro.comp(i, 1) = 0.3 * i + 1.0;
        astro.comp(i, 2) = -0.7 * astro.comp(i, 1) + 9.0; // falling line: r = -1
    }
    FArray<double, 1, 6> out;
    rcoef2(1, 9, out);
    EXPECT_NEAR(out(1), 1.0, 1e-12);
    EXPECT_NEAR(out(2), 1.0, 1e-12);

    // Independent reference: 1 - SSR / SST from the least-squares line.
    std::mt19937 gen(7);
    std::normal_distribution<double> noise(0.0, 0.4);
    for (int n : {9, 5, 3}) {
        long double sx = 0, sy = 0, sxx = 0, sxy = 0, ssr = 0, sst = 0;
        for (int i = 1; i <= 9; ++i) {
            astro.comp(i, 1) = std::log(1.0 + 3.0 * i);
            astro.comp(i, 4) = 1.7 * astro.comp(i, 1) + 0.2 + noise(gen);
        }
        for (int i = 1; i <= n; ++i) {
            const double x = astro.comp(i, 1), y = astro.comp(i, 4);
            sx += x; sy += y; sxx += x * x; sxy += x * y;
        }
        const long double den = n * sxx - sx * sx, u = (n * sxy - sx * sy) / den, v = (sy * sxx - sx * sxy) / den;
        for (int i = 1; i <= n; ++i) {
            const long double r = astro.comp(i, 4) - (u * astro.comp(i, 1) + v), d = astro.comp(i, 4) - sy / n;
            ssr += r * r;
            sst += d * d;
        }
        const double r2 = static_cast<double>(1.0L - ssr / sst);
        rcoef2(3, n, out);
        EXPECT_NEAR(out(5), r2, 1e-12) << n;
        EXPECT_NEAR(out(6), 1.0 - (1.0 - r2) * (n - 1.0) / (n - 2.0), 1e-12) << n;
    }
}

// Drives ringfit from x to its end; returns the final xb and ke and all statuses.
struct Ring {
    double xb = 0;
    int ke = 0;
    std::vector<int> status;
    Ring(const std::function<double(double)>& f, double x)
    {
        RingfitState rs{.xb = x, .fb = f(x)};
        for (int calls = 0; calls < 200 && (calls == 0 || rs.ke == 1 || rs.ke == 5); ++calls) {
            if (calls > 0) rs.fb = f(rs.xb);
            ringfit(1e-6, 0.01, 50, 6, rs);
            status.push_back(rs.ke);
        }
        xb = rs.xb;
        ke = rs.ke;
    }
};

TEST(Ringfit, CircleRootAndSecantForCollinearPoints)
{
    const Ring sine([](double x) { return std::sin(x); }, 3.0);
    EXPECT_EQ(sine.ke, 0);
    EXPECT_NEAR(sine.xb, M_PI, 1e-9);

    const Ring line([](double x) { return 2.0 * x - 1.0; }, 0.0);
    ASSERT_GE(line.status.size(), 3u);
    EXPECT_EQ(line.status[2], 5); // the third call hands over to the secant
    EXPECT_EQ(line.ke, 0);
    EXPECT_NEAR(line.xb, 0.5, 1e-12);
}

} // namespace
} // namespace r7
