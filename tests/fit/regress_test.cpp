#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <span>
#include <functional>
#include <random>
#include <vector>

#include "fit/regress.hpp"
#include "transit/search.hpp"

namespace r7 {
namespace {

TEST(Rcoef2, AsOneMinusTheResidualOverTheTotalSumOfSquares)
{
    std::array<double, 9> x{}, y{};
    // The least-squares line of noisy falling data (r < 0), written here again.
    std::mt19937 gen(7);
    std::normal_distribution<double> noise(0.0, 0.4);
    for (std::size_t n : {9u, 5u, 3u}) {
        long double sx = 0, sy = 0, sxx = 0, sxy = 0, ssr = 0, sst = 0;
        for (std::size_t i = 0; i < 9; ++i) {
            x[i] = std::log(4.0 + 3.0 * i);
            y[i] = -1.7 * x[i] + 0.2 + noise(gen);
        }
        for (std::size_t i = 0; i < n; ++i) {
            sx += x[i]; sy += y[i]; sxx += x[i] * x[i]; sxy += x[i] * y[i];
        }
        const long double den = n * sxx - sx * sx, u = (n * sxy - sx * sy) / den, v = (sy * sxx - sx * sxy) / den;
        for (std::size_t i = 0; i < n; ++i) {
            const long double r = y[i] - (u * x[i] + v), d = y[i] - sy / n;
            ssr += r * r;
            sst += d * d;
        }
        const double r2 = static_cast<double>(1.0L - ssr / sst);
        const RSquared got = rcoef2(std::span(x).first(n), y);
        EXPECT_NEAR(got.r2, r2, 1e-12) << n;
        EXPECT_NEAR(got.adjusted, 1.0 - (1.0 - r2) * (n - 1.0) / (n - 2.0), 1e-12) << n;
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
