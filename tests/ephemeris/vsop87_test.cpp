#include <gtest/gtest.h>

#include <omp.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/short.hpp"
#include "ephemeris/termsum.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/error.hpp"
#include "io/units.hpp"
#include "state/store.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using test::published_data;
using test::ScratchDir;
using test::write_file;

LoadState fresh() { LoadState k; k.fill(1); return k; }

struct Position {
    std::array<double, 3> xyz{};
    std::array<double, 3> lbr{};
    int ierr = -1;
};

Position at(double jde, int kvers, int ibody, LoadState& kload)
{
    Position p;
    vsop2(jde, kvers, ibody, kload, 6, 0.0, 10, p.xyz, p.ierr, p.lbr);
    return p;
}

// Captures the terminal unit for the lifetime of the object.
struct Terminal {
    std::ostringstream os;
    Terminal() { io::units().set_terminal(&os); }
    ~Terminal() { io::units().set_terminal(nullptr); }
};

std::vector<std::string> published_lines(const std::string& name)
{
    return test::lines_of(test::read_file(published_data() / name));
}

std::string joined(const std::vector<std::string>& ls, std::size_t count)
{
    std::string s;
    for (std::size_t i = 0; i < count && i < ls.size(); ++i) s += ls[i] + "\n";
    return s;
}

TEST(Vsop87Full, ReproducesThePublishedCheckTableForVersionsAandC)
{
    ScratchDir dir;
    const std::map<std::string, int> bodies{{"MERCURY", 1}, {"VENUS", 2},   {"EARTH", 3},
                                            {"MARS", 4},    {"JUPITER", 5}, {"SATURN", 6},
                                            {"URANUS", 7},  {"NEPTUNE", 8}, {"EARTH-MOON", 9}};
    // One load state per version: a run keeps to one file set.
    std::map<int, LoadState> kload{{1, fresh()}, {3, fresh()}};
    const auto ls = published_lines("vsop87.chk");
    int checked = 0;
    for (std::size_t i = 0; i + 1 < ls.size(); ++i) {
        std::istringstream head(ls[i]);
        std::string version, name, jd;
        head >> version >> name >> jd;
        if (version != "VSOP87A" && version != "VSOP87C") continue;
        const int kvers = version == "VSOP87A" ? 1 : 3;
        const double jde = std::stod(jd.substr(2));
        const Position p = at(jde, kvers, bodies.at(name), kload[kvers]);
        ASSERT_EQ(p.ierr, 0) << ls[i];
        std::istringstream values(ls[i + 1]);
        std::string label, unit;
        for (std::size_t c = 0; c < 3; ++c) {
            double v = 0.0;
            values >> label >> v >> unit;
            // Printed to 10 decimals: the exact value lies within half a unit of
            // the last printed digit.
            EXPECT_NEAR(p.xyz[c], v, 0.5e-10 + 1e-13) << ls[i] << " coordinate " << c + 1;
        }
        ASSERT_TRUE(values) << "unreadable check line " << ls[i + 1];
        ++checked;
    }
    EXPECT_EQ(checked, 170); // 9 bodies of A and 8 of C, 10 dates each
}

TEST(Vsop87Full, VectorCosineMatchesTheLibraryCosine)
{
    std::mt19937_64 gen(7);
    for (double range : {1.0, 100.0, 1e4, 1e6, 3e7}) {
        std::uniform_real_distribution<double> u(-range, range);
        double worst = 0.0;
        for (int i = 0; i < 200000; ++i) {
            const double x = u(gen);
            worst = std::max(worst, std::fabs(vcos(x) - std::cos(x)));
        }
        EXPECT_LT(worst, 6e-16) << "arguments up to " << range;
    }
}

TEST(Vsop87Full, ErrorCodesAreRetriedAndALoadedBodyNeedsNoFile)
{
    ScratchDir dir(false);
    Terminal term;
    LoadState kload = fresh();
    const std::array<double, 3> zero{0.0, 0.0, 0.0};
    // A first header naming another body: code 2, zero coordinates, the message line.
    auto ls = published_lines("VSOP87A.mer");
    ls[0].replace(22, 7, "VENUS  ");
    write_file("VSOP87A.mer", joined(ls, ls.size()));
    const Position wrong = at(2451545.0, 1, 1, kload);
    EXPECT_EQ(wrong.ierr, 2);
    EXPECT_EQ(wrong.xyz, zero);
    EXPECT_EQ(term.os.str(), "  In VSOP87Z: ierr =  2\n");
    // A missing file ends the run, naming the file.
    try {
        (void)at(2451545.0, 3, 2, kload);
        ADD_FAILURE() << "no error for a missing file";
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("VSOP87C.ven"), std::string::npos) << e.what();
        EXPECT_EQ(e.file(), "VSOP87C.ven");
    }
    EXPECT_EQ(kload[2], 1);

    // Once the right file is in place the next call reads it; after that the
    // body is evaluated without its file.
    fs::copy_file(published_data() / "VSOP87A.mer", "VSOP87A.mer", fs::copy_options::overwrite_existing);
    const Position first = at(2451545.0, 1, 1, kload);
    EXPECT_EQ(first.ierr, 0);
    EXPECT_EQ(kload[1], 2);
    EXPECT_NEAR(first.lbr[2], 0.385, 0.085); // Mercury's distance lies in 0.30..0.47 AU
    fs::remove("VSOP87A.mer");
    const Position second = at(2451545.0, 1, 1, kload);
    EXPECT_EQ(second.ierr, 0);
    EXPECT_EQ(second.xyz, first.xyz);
}

// ---------------------------------------------------------------------------
// The short series.

// A short-series file in the published layout. blocks[k-1][i] holds the
// amplitudes of block k for power i (phases and frequencies 0); a block without
// powers has lmax 0.
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
            for (std::size_t n = 0; n < blocks[k][i].size(); ++n) {
                s += std::to_string(n + 1) + " " + std::to_string(blocks[k][i][n]) + " 0 0\n";
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
}

TEST(Vsop87Short, NormalisationAndEmptyBlocks)
{
    ScratchDir dir(false);
    const double deg = 180.0 / std::numbers::pi;
    Blocks b;
    b[0] = {{-1e7}, {5e8}}; // Mercury L: -0.1 rad; the power-1 term counts only for tau != 0
    b[3] = {{7e8}};         // Venus L: 7 rad, more than one turn
    write_file("invsop1.t", short_file(b));
    vsop1load();
    EXPECT_NEAR(value(1, 0.0), (2 * std::numbers::pi - 0.1) * deg, 1e-12);
    EXPECT_NEAR(value(1, 0.0), 354.27, 0.005);
    EXPECT_NEAR(value(1, 0.01), (-0.1 + 5.0 * 0.01) * deg + 360.0, 1e-12);
    EXPECT_NEAR(value(4, 0.0), (7.0 - 2 * std::numbers::pi) * deg, 1e-12);
    EXPECT_NEAR(value(4, 0.0), 41.07, 0.005);
    // Blocks without powers give 0 in every unit.
    EXPECT_EQ(base.lmax(5), 0);
    for (int k : {5, 6, 10}) EXPECT_EQ(value(k, 0.2), 0.0) << k;
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
    b[4] = std::vector<std::vector<double>>(7, {1.0});
    expect_error(short_file(b), DataError::Kind::invalid, {"block 5", "7 powers"});
    Blocks c;
    c[1] = {std::vector<double>(70, 1.0)};
    expect_error(short_file(c), DataError::Kind::invalid, {"block 2", "70 terms"});

    // 69 terms and 6 powers fit; the same file cut inside block 12 does not.
    Blocks full;
    full[11] = std::vector<std::vector<double>>(6, std::vector<double>(69, 1.0));
    const std::string whole = short_file(full);
    write_file("invsop1.t", whole);
    EXPECT_NO_THROW(vsop1load());
    EXPECT_NEAR(value(12, 0.0), 69e-8, 1e-20);
    expect_error(whole.substr(0, whole.size() - 30), DataError::Kind::end_of_file, {"block 12", "missing"});
}

} // namespace
} // namespace r7
