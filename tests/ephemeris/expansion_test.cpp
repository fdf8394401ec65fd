// The expansions against the series summed in long double, a window's fallback
// to the series, the coefficients read to the last bit.
#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "ephemeris/expansion.hpp"
#include "ephemeris/vsop87.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::ScratchDir;

TEST(Expansion, AgreesWithTheSeriesSummedInExtendedPrecision)
{
    ScratchDir dir;
    for (int kvers : {1, 3}) {
        const FullSeries f = test::full_series(kvers, {1, 2, 3});
        for (int j = 1; j <= 3; ++j) {
            double worst = 0.0, worst_direct = 0.0;
            // Centres from the year -13000 to 17000, two of them near J2000.0.
            for (double c : {-2982000.3, -1610257.6, -238514.9, 1133227.8, 2451545.0, 2460000.25, 2504970.5, 3876713.2,
                             5248455.9, 6620198.6, 7991941.3}) {
                const BodyExpansion e = expand_body(f, j, c, SeriesWindow::default_half_width);
                for (double ds = -1.0; ds <= 1.0; ds += 0.125) {
                    const double jde = c + ds;
                    const Xyz x = place_at(e, jde);
                    const auto ref = test::place_extended(f, j, jde);
                    const Vsop87Sum d = vsop87z(f, jde, j);
                    const double got[3] = {x.x, x.y, x.z};
                    for (std::size_t k = 0; k < 3; ++k) {
                        worst = std::max(worst, static_cast<double>(std::fabs(got[k] - ref[k])));
                        worst_direct = std::max(worst_direct, static_cast<double>(std::fabs(d.r[k] - ref[k])));
                    }
                }
            }
            // The polynomials to 3e-14 AU, the double sums to 5e-11 AU (C T reaches 4e5 rad).
            EXPECT_LT(worst, 3e-14) << "file set " << kvers << ", body " << j;
            EXPECT_LT(worst_direct, 5e-11) << "file set " << kvers << ", body " << j;
        }
    }
}

TEST(Expansion, WindowCoversItsIntervalAndLeavesTheRestToTheSeries)
{
    ScratchDir dir;
    const FullSeries f = test::full_series(3, {1, 3});
    const double c = 2461000.5;
    const SeriesWindow w(f, c, {1, 3, 2});
    EXPECT_TRUE(w.covers(1, c - 1.0));
    EXPECT_TRUE(w.covers(3, c + 1.0));
    EXPECT_FALSE(w.covers(1, c + 1.0001));
    EXPECT_FALSE(w.has(2)); // Venus was not loaded
    // Outside its interval a window gives the series' own place, to the bit.
    for (double jde : {c - 1.5, c + 3.0, c - 400.0}) {
        const BodyPosition a = vsop2(w, jde, 1, 6), b = vsop2(f, jde, 1, 6);
        EXPECT_EQ(std::tuple(a.xyz.x, a.xyz.y, a.xyz.z, a.lbr.l), std::tuple(b.xyz.x, b.xyz.y, b.xyz.z, b.lbr.l)) << jde;
    }
    // Inside it the transit runs compare it with the series (transit_expansion_test).
}

TEST(Expansion, CoefficientsAreTheDecimalNumbersOfTheFilesToTheLastBit)
{
    // Every A, B, C of VSOP87C.mer read with std::from_chars from (79x,f18.11,f14.11,f20.11).
    ScratchDir dir;
    const FullSeries f = test::full_series(3, {1});
    const BodySeries& s = f.body(1);
    std::vector<std::array<double, 3>> terms;
    for (const std::string& l : test::lines_of(test::read_file(test::published_data() / "VSOP87C.mer"))) {
        if (l.size() < 131 || l.find("VSOP87") != std::string::npos) continue;
        std::array<double, 3> v{};
        const std::size_t at[3] = {79, 97, 111}, width[3] = {18, 14, 20};
        for (std::size_t k = 0; k < 3; ++k) {
            std::string field = l.substr(at[k], width[k]);
            field.erase(0, field.find_first_not_of(' '));
            std::from_chars(field.data(), field.data() + field.size(), v[k]);
        }
        terms.push_back(v);
    }
    ASSERT_EQ(terms.size(), s.a.size());
    for (std::size_t i = 0; i < terms.size(); ++i) {
        ASSERT_EQ(s.a[i], terms[i][0]) << "term " << i;
        ASSERT_EQ(s.b[i], terms[i][1]) << "term " << i;
        ASSERT_EQ(s.c[i], terms[i][2]) << "term " << i;
    }
}

} // namespace
} // namespace r7
