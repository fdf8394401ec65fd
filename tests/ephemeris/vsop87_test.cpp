#include <gtest/gtest.h>

#include <omp.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <random>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/short.hpp"
#include "ephemeris/termsum.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/error.hpp"
#include "io/units.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using test::published_data;
using test::ScratchDir;
using test::write_file;

// The full series of the given bodies of one file set, read from the working
// directory.
FullSeries loaded(int kvers, std::initializer_list<int> bodies)
{
    std::array<bool, max_body + 1> wanted{};
    for (int j : bodies) wanted[static_cast<std::size_t>(j)] = true;
    return load_full_series(kvers, wanted);
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
    // One set of series per version: a run keeps to one file set.
    const std::map<int, FullSeries> series{{1, loaded(1, {1, 2, 3, 4, 5, 6, 7, 8, 9})},
                                           {3, loaded(3, {1, 2, 3, 4, 5, 6, 7, 8})}};
    const auto ls = published_lines("vsop87.chk");
    int checked = 0;
    for (std::size_t i = 0; i + 1 < ls.size(); ++i) {
        std::istringstream head(ls[i]);
        std::string version, name, jd;
        head >> version >> name >> jd;
        if (version != "VSOP87A" && version != "VSOP87C") continue;
        const int kvers = version == "VSOP87A" ? 1 : 3;
        const double jde = std::stod(jd.substr(2));
        const BodyPosition p = vsop2(series.at(kvers), jde, bodies.at(name), 6);
        ASSERT_EQ(p.ierr, 0) << ls[i];
        std::istringstream values(ls[i + 1]);
        std::string label, unit;
        for (std::size_t c = 0; c < 3; ++c) {
            double v = 0.0;
            values >> label >> v >> unit;
            // Printed to 10 decimals: the exact value lies within half a unit of
            // the last printed digit.
            const double got = c == 0 ? p.xyz.x : c == 1 ? p.xyz.y : p.xyz.z;
            EXPECT_NEAR(got, v, 0.5e-10 + 1e-13) << ls[i] << " coordinate " << c + 1;
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

TEST(Vsop87Full, RefusedAndMissingFilesAndALoadedBodyNeedsNoFile)
{
    ScratchDir dir(false);
    Terminal term;
    // A first header naming another body: code 2 and zero coordinates at every
    // evaluation, each with the message line.
    auto ls = published_lines("VSOP87A.mer");
    ls[0].replace(22, 7, "VENUS  ");
    write_file("VSOP87A.mer", joined(ls, ls.size()));
    fs::copy_file(published_data() / "VSOP87A.ear", "VSOP87A.ear");
    const FullSeries s = loaded(1, {1, 2, 3});
    for (int k = 0; k < 2; ++k) {
        const BodyPosition wrong = vsop2(s, 2451545.0, 1, 6);
        EXPECT_EQ(wrong.ierr, vsop_wrong_body);
        EXPECT_EQ(wrong.xyz.x, 0.0);
        EXPECT_EQ(wrong.lbr.r, 0.0);
    }
    EXPECT_EQ(term.os.str(), "  In VSOP87Z: ierr =  2\n  In VSOP87Z: ierr =  2\n");
    // A missing file ends the run where the body is first evaluated, naming
    // the file.
    try {
        (void)vsop2(s, 2451545.0, 2, 6);
        ADD_FAILURE() << "no error for a missing file";
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("VSOP87A.ven"), std::string::npos) << e.what();
        EXPECT_EQ(e.file(), "VSOP87A.ven");
    }
    // A loaded body is evaluated without its file.
    fs::remove("VSOP87A.ear");
    const BodyPosition earth = vsop2(s, 2451545.0, 3, 6);
    EXPECT_EQ(earth.ierr, vsop_ok);
    EXPECT_NEAR(earth.lbr.r, 0.9833, 0.0001); // perihelion distance in early January
    // A body the series were not loaded for is a fault of the caller.
    EXPECT_THROW((void)vsop2(s, 2451545.0, 4, 6), std::logic_error);
}

// The light-time loop: the planet at its instant, the Earth at the arrival of
// its light, the light time equal to the distance over the speed of light.
TEST(Vsop87Full, LightTimeIsTheDistanceOverTheSpeedOfLight)
{
    ScratchDir dir;
    const FullSeries s = loaded(3, {1, 3});
    const double jde = 2458799.1;
    const LightTime lt = vsop2tr(s, jde, 1, 0.004, 1e-12, 6);
    EXPECT_EQ(lt.ierr, vsop_ok);
    const BodyPosition planet = vsop2(s, jde, 1, 6);
    const BodyPosition earth = vsop2(s, jde + lt.lt, 3, 6);
    EXPECT_EQ(lt.planet.x, planet.xyz.x);
    const double dx = planet.xyz.x - earth.xyz.x, dy = planet.xyz.y - earth.xyz.y, dz = planet.xyz.z - earth.xyz.z;
    const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
    EXPECT_NEAR(lt.dist, d, 1e-12);
    EXPECT_NEAR(lt.lt, d * 149597870700.0 / 299792458.0 / 86400.0, 1e-12);
    EXPECT_NEAR(lt.earth.x, earth.xyz.x, 1e-12);
    EXPECT_GE(lt.evaluations, 2);
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

TEST(Vsop87Short, VenusOnThePublishedCheckDate)
{
    const ShortSeries s = vsop1load((published_data() / "invsop1.t").string());
    const double tau = (2448976.5 - 2451545.0) / 365250.0;
    EXPECT_NEAR(vsop1(s, 4, tau), 26.11428, 0.5e-5);
    EXPECT_NEAR(vsop1(s, 5, tau), -2.62070, 0.5e-5);
    EXPECT_NEAR(vsop1(s, 6, tau), 0.724603, 0.5e-6);
    // All blocks at once give the same places.
    const Positions all = vsop1all(s, tau, 12);
    EXPECT_EQ(all[venus].l, vsop1(s, 4, tau));
    EXPECT_EQ(all[mars].r, vsop1(s, 12, tau));
}

TEST(Vsop87Short, NormalisationAndEmptyBlocks)
{
    ScratchDir dir(false);
    const double deg = 180.0 / std::numbers::pi;
    Blocks b;
    b[0] = {{-1e7}, {5e8}}; // Mercury L: -0.1 rad; the power-1 term counts only for tau != 0
    b[3] = {{7e8}};         // Venus L: 7 rad, more than one turn
    write_file("invsop1.t", short_file(b));
    const ShortSeries s = vsop1load();
    EXPECT_NEAR(vsop1(s, 1, 0.0), (2 * std::numbers::pi - 0.1) * deg, 1e-12);
    EXPECT_NEAR(vsop1(s, 1, 0.0), 354.27, 0.005);
    EXPECT_NEAR(vsop1(s, 1, 0.01), (-0.1 + 5.0 * 0.01) * deg + 360.0, 1e-12);
    EXPECT_NEAR(vsop1(s, 4, 0.0), (7.0 - 2 * std::numbers::pi) * deg, 1e-12);
    EXPECT_NEAR(vsop1(s, 4, 0.0), 41.07, 0.005);
    // Blocks without powers give 0 in every unit.
    EXPECT_EQ(s.powers(5), 0);
    for (int k : {5, 6, 10}) EXPECT_EQ(vsop1(s, k, 0.2), 0.0) << k;
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
    ShortSeries s;
    EXPECT_NO_THROW(s = vsop1load());
    EXPECT_NEAR(vsop1(s, 12, 0.0), 69e-8, 1e-20);
    expect_error(whole.substr(0, whole.size() - 30), DataError::Kind::end_of_file, {"block 12", "missing"});
}

} // namespace
} // namespace r7
