// The Taylor expansions of the full series against the series summed another
// way (in long double, with the library cosine), the fallback of a window to the
// series themselves, the exact reading of the published coefficients, and the
// short series' padded sums against the plain per-series sums.
#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/expansion.hpp"
#include "ephemeris/short.hpp"
#include "ephemeris/termsum.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/units.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::published_data;
using test::ScratchDir;

FullSeries loaded(int kvers, std::initializer_list<int> bodies)
{
    std::array<bool, max_body + 1> wanted{};
    for (int j : bodies) wanted[static_cast<std::size_t>(j)] = true;
    return load_full_series(kvers, wanted);
}

// The series of body j at jde summed in long double (64-bit significand): the
// argument B + C T carries 2^-64 of relative rounding where the double sums
// carry 2^-53, so this is the reference to 1e-14 AU even 15 000 years from
// J2000.0.
std::array<long double, 3> reference(const FullSeries& f, int j, double jde)
{
    const BodySeries& s = f.body(j);
    const long double t = (static_cast<long double>(jde) - 2451545.0L) / 365250.0L;
    std::array<long double, 3> r{};
    for (const BodySeries::Segment& g : s.chunk) {
        long double sum = 0.0L;
        for (std::size_t i = g.off; i < g.off + g.n; ++i) {
            sum += static_cast<long double>(s.a[i]) *
                   std::cos(static_cast<long double>(s.b[i]) + static_cast<long double>(s.c[i]) * t);
        }
        r[static_cast<std::size_t>(g.ic - 1)] += std::pow(t, g.alpha) * sum;
    }
    return r;
}

// Centres from the year -13000 to 17000, a few of them near J2000.0.
std::vector<double> centres()
{
    std::vector<double> c;
    for (double jde = -2982000.3; jde < 8000000.0; jde += 1371742.7) c.push_back(jde);
    c.push_back(2451545.0);
    c.push_back(2460000.25);
    return c;
}

TEST(Expansion, AgreesWithTheSeriesSummedInExtendedPrecision)
{
    ScratchDir dir;
    for (int kvers : {1, 3}) {
        const FullSeries f = loaded(kvers, {1, 2, 3});
        for (int j = 1; j <= 3; ++j) {
            double worst = 0.0, worst_direct = 0.0;
            for (double c : centres()) {
                const BodyExpansion e = expand_body(f, j, c, SeriesWindow::default_half_width);
                for (double ds = -1.0; ds <= 1.0; ds += 0.125) {
                    const double jde = c + ds;
                    const Xyz x = place_at(e, jde);
                    const auto ref = reference(f, j, jde);
                    const Vsop87Sum d = vsop87z(f, jde, j);
                    const double got[3] = {x.x, x.y, x.z};
                    for (std::size_t k = 0; k < 3; ++k) {
                        worst = std::max(worst, static_cast<double>(std::fabs(got[k] - ref[k])));
                        worst_direct = std::max(worst_direct, static_cast<double>(std::fabs(d.r[k] - ref[k])));
                    }
                }
            }
            // The polynomials to 3e-14 AU (4.5 m), the sums of the double
            // arguments to 3e-11 AU: C T reaches 4e5 rad far from J2000.0.
            EXPECT_LT(worst, 3e-14) << "file set " << kvers << ", body " << j;
            EXPECT_LT(worst_direct, 5e-11) << "file set " << kvers << ", body " << j;
        }
    }
}

TEST(Expansion, WindowCoversItsIntervalAndLeavesTheRestToTheSeries)
{
    ScratchDir dir;
    const FullSeries f = loaded(3, {1, 3});
    const double c = 2461000.5;
    const SeriesWindow w(f, c, {1, 3, 2});
    EXPECT_TRUE(w.covers(1, c - 1.0));
    EXPECT_TRUE(w.covers(3, c + 1.0));
    EXPECT_FALSE(w.covers(1, c + 1.0001));
    // Venus was not loaded: not expanded, and asking for it is the caller's
    // fault as it is of the series.
    EXPECT_FALSE(w.has(2));
    EXPECT_THROW(vsop2(w, c, 2, 6), std::logic_error);
    // Outside its interval a window gives the series' own place, to the bit.
    for (double jde : {c - 1.5, c + 3.0, c - 400.0}) {
        const BodyPosition a = vsop2(w, jde, 1, 6), b = vsop2(f, jde, 1, 6);
        EXPECT_EQ(a.xyz.x, b.xyz.x);
        EXPECT_EQ(a.xyz.y, b.xyz.y);
        EXPECT_EQ(a.xyz.z, b.xyz.z);
        EXPECT_EQ(a.lbr.l, b.lbr.l);
    }
    // Inside it, the same place to the rounding of the sums, spherical too.
    const BodyPosition a = vsop2(w, c + 0.3, 3, 6), b = vsop2(f, c + 0.3, 3, 6);
    EXPECT_NEAR(a.xyz.x, b.xyz.x, 1e-12);
    EXPECT_NEAR(a.lbr.l, b.lbr.l, 1e-10);
    EXPECT_NEAR(a.lbr.r, b.lbr.r, 1e-12);
    EXPECT_EQ(a.ierr, 0);
    // The light time through the window: the same loop and places.
    const LightTime lw = vsop2tr(w, c, 1, 0.003, 1e-9, 6), ls = vsop2tr(f, c, 1, 0.003, 1e-9, 6);
    EXPECT_EQ(lw.evaluations, ls.evaluations);
    EXPECT_NEAR(lw.lt, ls.lt, 1e-14);
    EXPECT_NEAR(lw.earth.y, ls.earth.y, 1e-12);
}

TEST(Expansion, RefusedFileIsNotExpandedAndReportsAsTheSeriesDo)
{
    ScratchDir dir(false);
    std::ostringstream term;
    io::units().set_terminal(&term);
    auto ls = test::lines_of(test::read_file(published_data() / "VSOP87C.mer"));
    ls[0].replace(22, 7, "VENUS  ");
    std::string text;
    for (const auto& l : ls) text += l + "\n";
    test::write_file("VSOP87C.mer", text);
    const FullSeries f = loaded(3, {1});
    const SeriesWindow w(f, 2451545.0, {1});
    EXPECT_FALSE(w.has(1));
    const BodyPosition p = vsop2(w, 2451545.0, 1, 6);
    io::units().set_terminal(nullptr);
    EXPECT_EQ(p.ierr, vsop_wrong_body);
    EXPECT_EQ(p.xyz.x, 0.0);
    EXPECT_NE(term.str().find("In VSOP87Z: ierr =  2"), std::string::npos) << term.str();
}

TEST(Expansion, CoefficientsAreTheDecimalNumbersOfTheFilesToTheLastBit)
{
    // Every A, B, C of the Mercury file set C, read here with std::from_chars
    // from the columns of the published layout (79x,f18.11,f14.11,f20.11).
    ScratchDir dir;
    const FullSeries f = loaded(3, {1});
    const BodySeries& s = f.body(1);
    std::vector<std::array<double, 3>> terms;
    for (const std::string& l : test::lines_of(test::read_file(published_data() / "VSOP87C.mer"))) {
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

TEST(ShortSeries, PaddedSumsEqualThePlainSumsToTheLastBit)
{
    // The packed runs of the published short series against term_sum3 over each
    // block's stored terms, power by power, as the blocks were summed before.
    ScratchDir dir;
    const ShortSeries s = vsop1load("invsop1.t");
    std::mt19937_64 gen(11);
    std::uniform_real_distribution<double> u(-15.0, 15.0);
    for (int n = 0; n < 2000; ++n) {
        const double tau = u(gen);
        const Positions all = vsop1all(s, tau, 12);
        for (int j = 1; j <= 4; ++j) {
            const Lbr one = vsop1place(s, j, tau);
            for (int c = 1; c <= 3; ++c) {
                const int k = 3 * (j - 1) + c;
                double sum = 0.0, tp = 1.0;
                for (int i = 1; i <= s.powers(k); ++i) {
                    sum += tp * term_sum3(s.abc(k, i), s.terms(k, i), tau);
                    tp *= tau;
                }
                const double v = sum * 1e-8;
                const double got = c == 1 ? one.l : c == 2 ? one.b : one.r;
                const double got_all = c == 1 ? all[j].l : c == 2 ? all[j].b : all[j].r;
                EXPECT_EQ(vsop1(s, k, tau), got);
                EXPECT_EQ(got_all, got);
                if (c == 3) {
                    ASSERT_EQ(got, v) << "block " << k << " at " << tau;
                }
                if (c == 2) {
                    ASSERT_EQ(got, v * 57.29577951308232) << "block " << k << " at " << tau;
                }
            }
        }
    }
}

TEST(ShortSeries, TermSumsOfPaddedRunsEqualTermSum)
{
    // Runs of 1 to 40 terms, padded with zero terms to whole groups of eight.
    std::mt19937_64 gen(5);
    std::uniform_real_distribution<double> amp(-1e6, 1e6), ph(0.0, 6.3), fr(-3e5, 3e5);
    std::vector<double> a, b, c, ra, rb, rc;
    std::vector<std::size_t> bounds{0};
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t n = 1; n <= 40; ++n) {
        runs.emplace_back(ra.size(), n);
        for (std::size_t i = 0; i < n; ++i) {
            ra.push_back(amp(gen));
            rb.push_back(ph(gen));
            rc.push_back(fr(gen));
        }
        for (std::size_t i = 0; i < n; ++i) {
            a.push_back(ra[runs.back().first + i]);
            b.push_back(rb[runs.back().first + i]);
            c.push_back(rc[runs.back().first + i]);
        }
        while (a.size() % 8 != 0) {
            a.push_back(0.0);
            b.push_back(0.0);
            c.push_back(0.0);
        }
        bounds.push_back(a.size());
    }
    std::vector<double> out(runs.size());
    for (double t : {-13.7, 0.0, 0.4321, 9.99}) {
        term_sums(a.data(), b.data(), c.data(), bounds.data(), static_cast<std::ptrdiff_t>(runs.size()), t,
                  out.data());
        for (std::size_t r = 0; r < runs.size(); ++r) {
            const auto [off, n] = runs[r];
            EXPECT_EQ(out[r], term_sum(ra.data() + off, rb.data() + off, rc.data() + off,
                                       static_cast<std::ptrdiff_t>(n), t))
                << "run of " << n << " terms at " << t;
        }
    }
}

TEST(Expansion, SineAndCosineOfTheKernelMatchTheLibrary)
{
    std::mt19937_64 gen(3);
    for (double range : {1.0, 1e3, 1e6, 2e7}) {
        std::uniform_real_distribution<double> u(-range, range), small(-1e-10, 1e-10);
        double worst = 0.0;
        for (int i = 0; i < 100000; ++i) {
            const double x = u(gen), lo = small(gen);
            double sn = 0.0, cs = 0.0;
            vsincos(x, lo, sn, cs);
            // sin(x + lo) = sin x + lo cos x to 1e-20 (x exact in long double).
            const long double xl = x;
            const long double s_ref = std::sin(xl) + lo * std::cos(xl), c_ref = std::cos(xl) - lo * std::sin(xl);
            worst = std::max({worst, static_cast<double>(std::fabs(sn - s_ref)),
                              static_cast<double>(std::fabs(cs - c_ref))});
        }
        EXPECT_LT(worst, 6e-16) << "arguments up to " << range;
    }
}

} // namespace
} // namespace r7
