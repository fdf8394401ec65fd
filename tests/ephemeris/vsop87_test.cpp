// The full and short VSOP87 series against the published check values, the
// kernels against the library's cosine, and damaged or missing files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/expansion.hpp"
#include "ephemeris/short.hpp"
#include "ephemeris/termsum.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/error.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using namespace test;

TEST(Vsop87Full, ReproducesThePublishedCheckTableForVersionsAandC)
{
    ScratchDir dir;
    const std::map<std::string, int> bodies{{"MERCURY", 1}, {"VENUS", 2},   {"EARTH", 3},   {"MARS", 4},      {"JUPITER", 5},
                                            {"SATURN", 6},  {"URANUS", 7}, {"NEPTUNE", 8}, {"EARTH-MOON", 9}};
    const std::map<int, FullSeries> series{{1, full_series(1, {1, 2, 3, 4, 5, 6, 7, 8, 9})},
                                           {3, full_series(3, {1, 2, 3, 4, 5, 6, 7, 8})}};
    const auto ls = test::lines_of(test::read_file(published_data() / "vsop87.chk"));
    int checked = 0;
    for (std::size_t i = 0; i + 1 < ls.size(); ++i) {
        std::istringstream head(ls[i]);
        std::string version, name, jd;
        head >> version >> name >> jd;
        if (version != "VSOP87A" && version != "VSOP87C") continue;
        const BodyPosition p = vsop2(series.at(version == "VSOP87A" ? 1 : 3), std::stod(jd.substr(2)), bodies.at(name), 6);
        ASSERT_EQ(p.ierr, 0) << ls[i];
        std::istringstream values(ls[i + 1]);
        std::string label, unit;
        for (const double got : {p.xyz.x, p.xyz.y, p.xyz.z}) {
            double v = 0.0;
            values >> label >> v >> unit;
            EXPECT_NEAR(got, v, 0.5e-10 + 1e-13) << ls[i]; // printed to 10 decimals
        }
        ASSERT_TRUE(values) << "unreadable check line " << ls[i + 1];
        ++checked;
    }
    EXPECT_EQ(checked, 170); // 9 bodies of A and 8 of C, 10 dates each
}

TEST(Vsop87Full, KernelsMatchTheLibrarysSineAndCosine)
{
    std::mt19937_64 gen(7);
    for (double range : {1.0, 100.0, 1e4, 1e6, 3e7}) {
        std::uniform_real_distribution<double> u(-range, range), small(-1e-10, 1e-10);
        double worst = 0.0;
        for (int i = 0; i < 100000; ++i) {
            const double x = u(gen), lo = small(gen);
            double sn = 0.0, cs = 0.0;
            vsincos(x, lo, sn, cs);
            // sin(x + lo) = sin x + lo cos x to 1e-20 (x exact in long double).
            const long double xl = x;
            worst = std::max({worst, std::fabs(vcos(x) - std::cos(x)),
                              static_cast<double>(std::fabs(sn - (std::sin(xl) + lo * std::cos(xl)))),
                              static_cast<double>(std::fabs(cs - (std::cos(xl) - lo * std::sin(xl))))});
        }
        EXPECT_LT(worst, 6e-16) << "arguments up to " << range;
    }
}

TEST(Vsop87Full, RefusedAndMissingFilesAndALoadedBodyNeedsNoFile)
{
    ScratchDir dir(false);
    test::Terminal term;
    // A first header naming another body: code 2, zero coordinates and a message
    // at every evaluation, also through an expansion window (which expands nothing).
    auto ls = test::lines_of(test::read_file(published_data() / "VSOP87A.mer"));
    ls[0].replace(22, 7, "VENUS  ");
    write_file("VSOP87A.mer", test::joined(ls));
    fs::copy_file(published_data() / "VSOP87A.ear", "VSOP87A.ear");
    const FullSeries s = full_series(1, {1, 2, 3});
    const SeriesWindow w(s, 2451545.0, {1});
    EXPECT_FALSE(w.has(1));
    for (const BodyPosition& wrong : {vsop2(s, 2451545.0, 1, 6), vsop2(w, 2451545.0, 1, 6)}) {
        EXPECT_EQ(wrong.ierr, vsop_wrong_body);
        EXPECT_EQ(wrong.xyz.x, 0.0);
        EXPECT_EQ(wrong.lbr.r, 0.0);
    }
    EXPECT_EQ(term.text(), "  In VSOP87Z: ierr =  2\n  In VSOP87Z: ierr =  2\n");
    // A missing file ends the run where the body is first evaluated.
    try {
        (void)vsop2(s, 2451545.0, 2, 6);
        ADD_FAILURE() << "no error for a missing file";
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot be opened: No such file or directory"), std::string::npos)
            << e.what();
        EXPECT_EQ(e.file(), "VSOP87A.ven");
    }
    // A loaded body is evaluated without its file; one not loaded is the caller's fault.
    fs::remove("VSOP87A.ear");
    const BodyPosition earth = vsop2(s, 2451545.0, 3, 6);
    EXPECT_EQ(earth.ierr, vsop_ok);
    EXPECT_NEAR(earth.lbr.r, 0.9833, 0.0001); // perihelion distance in early January
    EXPECT_THROW((void)vsop2(s, 2451545.0, 4, 6), std::logic_error);
}

// A short-series file in the published layout: blocks[k-1][i] holds the
// amplitudes of block k for power i (phases and frequencies 0).
using Blocks = std::array<std::vector<std::vector<double>>, 12>;

std::string short_file(const Blocks& blocks)
{
    std::string s = "synthetic short series\n";
    for (std::size_t k = 0; k < 12; ++k) {
        s += "block " + std::to_string(k + 1) + "\n" + std::to_string(blocks[k].size()) + "\n";
        for (const auto& p : blocks[k]) s += std::to_string(p.size()) + " ";
        s += "\n";
        for (std::size_t i = 0; i < blocks[k].size(); ++i) {
            s += "power " + std::to_string(i) + "\n";
            for (std::size_t n = 0; n < blocks[k][i].size(); ++n)
                s += std::to_string(n + 1) + " " + std::to_string(blocks[k][i][n]) + " 0 0\n";
        }
    }
    return s;
}

TEST(Vsop87Short, VenusOnThePublishedCheckDate)
{
    const ShortSeries& s = test::ephemerides().short_series();
    const double tau = (2448976.5 - 2451545.0) / 365250.0;
    EXPECT_NEAR(vsop1(s, 4, tau), 26.11428, 0.5e-5);
    EXPECT_NEAR(vsop1(s, 5, tau), -2.62070, 0.5e-5);
    EXPECT_NEAR(vsop1(s, 6, tau), 0.724603, 0.5e-6);
}

// The packed sums (term_sums) of all blocks at once and of one planet equal the
// plain sums of each block's stored terms to the last bit (term_sum3).
TEST(Vsop87Short, PackedSumsEqualThePlainSumsToTheLastBit)
{
    const ShortSeries& s = test::ephemerides().short_series();
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
                for (int i = 1; i <= s.powers(k); ++i, tp *= tau) sum += tp * term_sum3(s.abc(k, i), s.terms(k, i), tau);
                const double got = c == 1 ? one.l : c == 2 ? one.b : one.r;
                EXPECT_EQ(vsop1(s, k, tau), got);
                EXPECT_EQ(c == 1 ? all[j].l : c == 2 ? all[j].b : all[j].r, got);
                if (c > 1) { // the latitude in degrees, the radius in AU
                    ASSERT_EQ(got, sum * 1e-8 * (c == 2 ? 57.29577951308232 : 1.0)) << "block " << k << " at " << tau;
                }
            }
        }
    }
}

TEST(Vsop87Short, NormalisationEmptyBlocksAndLimits)
{
    ScratchDir dir(false);
    const double deg = 180.0 / std::numbers::pi;
    Blocks b;
    b[0] = {{-1e7}, {5e8}}; // Mercury L: -0.1 rad; the power-1 term counts only for tau != 0
    b[3] = {{7e8}};         // Venus L: 7 rad, more than one turn
    write_file("invsop1.t", short_file(b));
    const ShortSeries s = vsop1load();
    EXPECT_NEAR(vsop1(s, 1, 0.0), (2 * std::numbers::pi - 0.1) * deg, 1e-12);
    EXPECT_NEAR(vsop1(s, 1, 0.01), (-0.1 + 5.0 * 0.01) * deg + 360.0, 1e-12);
    EXPECT_NEAR(vsop1(s, 4, 0.0), (7.0 - 2 * std::numbers::pi) * deg, 1e-12);
    EXPECT_EQ(s.powers(5), 0);
    for (int k : {5, 6, 10}) EXPECT_EQ(vsop1(s, k, 0.2), 0.0) << k; // blocks without powers

    // 7 powers, 70 terms and a file cut short are refused naming the file and the block; 69 terms and 6 powers fit.
    auto expect_error = [](const std::string& text, DataError::Kind kind, const std::vector<std::string>& fragments) {
        write_file("invsop1.t", text);
        try {
            vsop1load();
            ADD_FAILURE() << "no DataError";
        } catch (const DataError& e) {
            EXPECT_EQ(e.kind(), kind) << e.what();
            EXPECT_EQ(e.file(), "invsop1.t");
            for (const auto& f : fragments) EXPECT_NE(std::string(e.what()).find(f), std::string::npos) << e.what();
        }
    };
    Blocks seven, seventy, full;
    seven[4] = std::vector<std::vector<double>>(7, {1.0});
    expect_error(short_file(seven), DataError::Kind::invalid, {"invsop1.t", "block 5", "7 powers"});
    seventy[1] = {std::vector<double>(70, 1.0)};
    expect_error(short_file(seventy), DataError::Kind::invalid, {"block 2", "70 terms"});
    full[11] = std::vector<std::vector<double>>(6, std::vector<double>(69, 1.0));
    const std::string whole = short_file(full);
    write_file("invsop1.t", whole);
    EXPECT_NEAR(vsop1(vsop1load(), 12, 0.0), 69e-8, 1e-20);
    expect_error(whole.substr(0, whole.size() - 30), DataError::Kind::end_of_file, {"block 12", "missing"});
}

} // namespace
} // namespace r7
