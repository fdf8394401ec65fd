#include <gtest/gtest.h>

#include <omp.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "ephemeris/coord.hpp"
#include "ephemeris/short.hpp"
#include "io/error.hpp"
#include "state/store.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::published_data;
using test::ScratchDir;
using test::write_file;

constexpr double deg = 57.29577951308232;

// A short-series file in the published layout. powers[k-1][i] holds the terms
// (A, B, C) of block k for power i; a block without powers has lmax 0.
using Terms = std::vector<std::array<double, 3>>;
using Blocks = std::array<std::vector<Terms>, 12>;

std::string short_file(const Blocks& blocks)
{
    std::string s = "synthetic short series\n";
    for (int k = 1; k <= 12; ++k) {
        const auto& powers = blocks[static_cast<std::size_t>(k - 1)];
        s += "block " + std::to_string(k) + "\n" + std::to_string(powers.size()) + "\n";
        for (const auto& p : powers) s += std::to_string(p.size()) + " ";
        s += "\n";
        for (std::size_t i = 0; i < powers.size(); ++i) {
            s += "power " + std::to_string(i) + "\n";
            int n = 0;
            for (const auto& t : powers[i]) {
                char line[128];
                std::snprintf(line, sizeof line, "%d %.17g %.17g %.17g\n", ++n, t[0], t[1], t[2]);
                s += line;
            }
        }
    }
    return s;
}

double value(int k, double tau)
{
    double v = -1.0;
    vsop1(k, tau, v);
    return v;
}

TEST(Vsop87Short, VenusOnThePublishedCheckDate)
{
    vsop1load((published_data() / "invsop1.t").string());
    const double tau = (2448976.5 - 2451545.0) / 365250.0;
    EXPECT_NEAR(value(4, tau), 26.11428, 0.5e-5);
    EXPECT_NEAR(value(5, tau), -2.62070, 0.5e-5);
    EXPECT_NEAR(value(6, tau), 0.724603, 0.5e-6);
    EXPECT_EQ(base.lmax(1), 6);
    EXPECT_EQ(base.jp(1, 1), 38);
}

TEST(Vsop87Short, NormalisationPowersAndUnits)
{
    ScratchDir dir(false);
    Blocks b;
    // Mercury L: -0.1 rad at tau = 0; the power-1 term counts only for tau != 0.
    b[0] = {{{-1e7, 0.0, 0.0}}, {{5e8, 0.0, 0.0}}};
    // Mercury B: latitudes keep their sign.
    b[1] = {{{-1e7, 0.0, 0.0}}};
    // Mercury R: astronomical units, not degrees; two terms with phases.
    b[2] = {{{3e7, 0.0, 0.0}, {1e7, 3.141592653589793, 0.0}}};
    // Venus L: 7 rad, more than one turn.
    b[3] = {{{7e8, 0.0, 0.0}}};
    // Earth L: -7 rad; Earth R: a term with a frequency.
    b[6] = {{{-7e8, 0.0, 0.0}}};
    b[8] = {{{1e8, 0.5, 2.0}}, {{1e6, 0.0, 0.0}}, {{2e5, 1.0, 0.0}}};
    write_file("invsop1.t", short_file(b));
    vsop1load();

    EXPECT_NEAR(value(1, 0.0), (2 * std::numbers::pi - 0.1) * deg, 1e-12);
    EXPECT_NEAR(value(1, 0.0), 354.27, 0.005);
    EXPECT_NEAR(value(1, 0.01), (-0.1 + 5.0 * 0.01) * deg + 360.0, 1e-12);
    EXPECT_NEAR(value(2, 0.0), -0.1 * deg, 1e-12);
    EXPECT_NEAR(value(3, 0.0), 0.2, 1e-15);
    EXPECT_NEAR(value(4, 0.0), (7.0 - 2 * std::numbers::pi) * deg, 1e-12);
    EXPECT_NEAR(value(4, 0.0), 41.07, 0.005);
    EXPECT_NEAR(value(7, 0.0), (4 * std::numbers::pi - 7.0) * deg, 1e-12);
    const double tau = 0.3;
    EXPECT_NEAR(value(9, tau), std::cos(0.5 + 2.0 * tau) + 0.01 * tau + 0.002 * std::cos(1.0) * tau * tau, 1e-15);
    // Blocks without powers give 0 in every unit.
    EXPECT_EQ(value(5, 0.2), 0.0);
    EXPECT_EQ(value(6, 0.2), 0.0);
    EXPECT_EQ(value(10, 0.2), 0.0);
    EXPECT_EQ(base.lmax(5), 0);
}

TEST(Vsop87Short, LoaderRejectsSeriesBeyondTheLimitsAndShortFiles)
{
    ScratchDir dir(false);
    auto expect_error = [](const std::string& text, DataError::Kind kind, std::vector<std::string> fragments) {
        write_file("invsop1.t", text);
        try {
            vsop1load();
            ADD_FAILURE() << "no DataError";
        } catch (const DataError& e) {
            EXPECT_EQ(e.kind(), kind) << e.what();
            EXPECT_EQ(e.file(), "invsop1.t");
            const std::string what = e.what();
            fragments.push_back("invsop1.t");
            for (const auto& f : fragments) EXPECT_NE(what.find(f), std::string::npos) << what;
        }
    };
    Blocks b;
    b[4] = std::vector<Terms>(7, Terms{{1.0, 0.0, 0.0}});
    expect_error(short_file(b), DataError::Kind::invalid, {"block 5", "7 powers"});

    Blocks c;
    c[1] = {Terms(70, {1.0, 0.0, 0.0})};
    expect_error(short_file(c), DataError::Kind::invalid, {"block 2", "70 terms"});

    // 69 terms and 6 powers fit.
    Blocks full;
    full[11] = std::vector<Terms>(6, Terms(69, {1.0, 0.0, 0.0}));
    write_file("invsop1.t", short_file(full));
    EXPECT_NO_THROW(vsop1load());
    EXPECT_EQ(base.jp(12, 6), 69);
    EXPECT_NEAR(value(12, 0.0), 69e-8, 1e-20);

    // A file cut inside block 12, and one cut after block 7.
    const std::string whole = short_file(full);
    expect_error(whole.substr(0, whole.size() - 30), DataError::Kind::end_of_file, {"block 12", "missing"});
    const std::string upto7 = whole.substr(0, whole.find("block 8"));
    expect_error(upto7, DataError::Kind::end_of_file, {"block 8", "missing"});

    std::filesystem::remove("invsop1.t");
    try {
        vsop1load();
        ADD_FAILURE() << "no DataError for a missing file";
    } catch (const DataError& e) {
        EXPECT_EQ(e.kind(), DataError::Kind::missing);
        EXPECT_NE(std::string(e.what()).find("\"invsop1.t\""), std::string::npos) << e.what();
    }
}

TEST(Vsop87Short, ParallelBlocksFillTheirOwnSlotsWhateverTheThreadCount)
{
    vsop1load((published_data() / "invsop1.t").string());
    const double tau = -0.731;
    std::array<double, 13> serial{};
    for (int k = 1; k <= 12; ++k) serial[static_cast<std::size_t>(k)] = value(k, tau);
    const int saved = omp_get_max_threads();
    for (int threads : {1, 2, 5}) {
        omp_set_num_threads(threads);
        for (int kend : {9, 12}) {
            for (int s = 1; s <= 13; ++s) base.re(s) = -999.0;
            vsop1all(tau, kend);
            for (int k = 1; k <= kend; ++k) EXPECT_EQ(base.re(k), serial[static_cast<std::size_t>(k)]) << k;
            for (int s = kend + 1; s <= 13; ++s) EXPECT_EQ(base.re(s), -999.0) << s;
        }
    }
    omp_set_num_threads(saved);
}

TEST(Vsop87Short, LightTimeLoop)
{
    vsop1load((published_data() / "invsop1.t").string());
    const double tau = (2460000.5 - 2451545.0) / 365250.0;
    std::array<double, 9> pos{};
    std::array<int, 6> count{};
    double lt = 0.004, dist = 0.0, scratch = 0.0;

    // A tolerance wider than the first change: the Earth is evaluated once, at
    // tau plus the starting light time.
    vsop1tr(1, pos, tau, lt, dist, 1.0, count, scratch);
    EXPECT_EQ(count[2], 1);
    const double mer[3] = {value(1, tau), value(2, tau), value(3, tau)};
    const double u = tau + 0.004 / 365250.0;
    const double ear[3] = {value(7, u), value(8, u), value(9, u)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(base.re(1 + i), mer[i]);
        EXPECT_EQ(base.re(7 + i), ear[i]);
    }
    const double rad = 1.0 / deg;
    EXPECT_NEAR(pos[0], mer[2] * std::cos(mer[1] * rad) * std::cos(mer[0] * rad), 1e-15);
    EXPECT_NEAR(pos[8], ear[2] * std::sin(ear[1] * rad), 1e-15);
    for (int i = 0; i < 9; ++i) {
        if (i >= 3 && i < 6) continue;
        EXPECT_EQ(pos[static_cast<std::size_t>(i)], base.xyr(i + 1)) << i;
    }
    const double d = std::hypot(pos[0] - pos[6], pos[1] - pos[7], pos[2] - pos[8]);
    EXPECT_DOUBLE_EQ(dist, d);
    EXPECT_DOUBLE_EQ(lt, d * 149597870700.0 / 25902068371200.0);

    // Converged: the Earth stands where the light arrives.
    lt = 0.0;
    vsop1tr(2, pos, tau, lt, dist, 1e-12, count, scratch);
    EXPECT_GE(count[2], 3);
    EXPECT_NEAR(scratch, tau + lt / 365250.0, 1e-15);
    const double v = tau + lt / 365250.0;
    EXPECT_NEAR(base.re(9), value(9, v), 1e-9);
    EXPECT_NEAR(dist, std::hypot(pos[3] - pos[6], pos[4] - pos[7], pos[5] - pos[8]), 1e-15);
}

} // namespace
} // namespace r7
