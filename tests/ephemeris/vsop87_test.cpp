#include <gtest/gtest.h>

#include <omp.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

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
using test::read_file;
using test::ScratchDir;
using test::write_file;

LoadState fresh() { LoadState k; k.fill(1); return k; }

struct Position {
    std::array<double, 3> xyz{};
    std::array<double, 3> lbr{};
    int ierr = -1;
};

Position at(double jde, int kvers, int ibody, LoadState& kload, double prec = 0.0)
{
    Position p;
    vsop2(jde, kvers, ibody, kload, 6, prec, 10, p.xyz, p.ierr, p.lbr);
    return p;
}

// Captures the terminal unit for the lifetime of the object.
struct Terminal {
    std::ostringstream os;
    Terminal() { io::units().set_terminal(&os); }
    ~Terminal() { io::units().set_terminal(nullptr); }
};

std::string published(const std::string& name) { return read_file(published_data() / name); }

std::vector<std::string> lines(const std::string& text) { return test::lines_of(text); }

std::string joined(const std::vector<std::string>& ls, std::size_t count)
{
    std::string s;
    for (std::size_t i = 0; i < count && i < ls.size(); ++i) s += ls[i] + "\n";
    return s;
}

// ---------------------------------------------------------------------------
// Agreement with the published check table and with a plain evaluation.

struct CheckEntry {
    int kvers;
    int ibody;
    double jde;
    std::array<double, 3> xyz;
};

std::vector<CheckEntry> check_table()
{
    const std::map<std::string, int> bodies{{"MERCURY", 1}, {"VENUS", 2},   {"EARTH", 3},
                                            {"MARS", 4},    {"JUPITER", 5}, {"SATURN", 6},
                                            {"URANUS", 7},  {"NEPTUNE", 8}, {"EARTH-MOON", 9}};
    const auto ls = lines(published("vsop87.chk"));
    std::vector<CheckEntry> out;
    for (std::size_t i = 0; i + 1 < ls.size(); ++i) {
        std::istringstream head(ls[i]);
        std::string version, name, jd;
        head >> version >> name >> jd;
        if (version != "VSOP87A" && version != "VSOP87C") continue;
        CheckEntry e{};
        e.kvers = version == "VSOP87A" ? 1 : 3;
        e.ibody = bodies.at(name);
        e.jde = std::stod(jd.substr(2));
        std::istringstream values(ls[i + 1]);
        std::string label, unit;
        for (auto& v : e.xyz) values >> label >> v >> unit;
        EXPECT_TRUE(values) << "unreadable check line " << ls[i + 1];
        out.push_back(e);
    }
    return out;
}

TEST(Vsop87Full, ReproducesThePublishedCheckTableForVersionsAandC)
{
    ScratchDir dir;
    const auto table = check_table();
    ASSERT_EQ(table.size(), 170u); // 9 bodies of A and 8 of C, 10 dates each
    // One load state per version: a run keeps to one file set.
    std::map<int, LoadState> kload{{1, fresh()}, {3, fresh()}};
    for (const auto& e : table) {
        const Position p = at(e.jde, e.kvers, e.ibody, kload[e.kvers]);
        ASSERT_EQ(p.ierr, 0) << "version " << e.kvers << " body " << e.ibody;
        for (std::size_t i = 0; i < 3; ++i) {
            // Printed to 10 decimals: the exact value lies within half a unit of
            // the last printed digit.
            EXPECT_NEAR(p.xyz[i], e.xyz[i], 0.5e-10 + 1e-13)
                << "version " << e.kvers << " body " << e.ibody << " JD " << e.jde << " coordinate " << i + 1;
        }
    }
    EXPECT_EQ(kload[1][9], 2);
    EXPECT_EQ(kload[3][8], 2);
}

// Straightforward sum over the stored coefficients with the library cosine, the
// phase taken in long double. bound: what rounding the phase B + C t to double
// (once fused, or twice) may change, plus 1e-13.
struct PlainSum {
    std::array<double, 3> r{};
    std::array<double, 3> bound{};
};

PlainSum plain_sum(int ibody, double jde)
{
    const double t = (jde - 2451545.0) / 365250.0;
    PlainSum out;
    for (int ic = 1; ic <= 3; ++ic) {
        const auto i = static_cast<std::size_t>(ic - 1);
        out.bound[i] = 1e-13;
        for (int alpha = 0; alpha <= 5 && astro.it2(alpha, ic, ibody) == 1; ++alpha) {
            long double s = 0;
            const double tp = std::pow(t, alpha);
            for (int k = 1; k <= astro.in2(alpha, ic, ibody); ++k) {
                const double a = astro.par2(1, k, alpha, ic, ibody);
                const long double phase = static_cast<long double>(astro.par2(2, k, alpha, ic, ibody)) +
                                          static_cast<long double>(astro.par2(3, k, alpha, ic, ibody)) * t;
                s += a * std::cos(static_cast<double>(phase));
                out.bound[i] += std::fabs(a * tp) * 1.2e-16 * std::fabs(static_cast<double>(phase));
            }
            out.r[i] += static_cast<double>(s) * tp;
        }
    }
    return out;
}

TEST(Vsop87Full, AgreesWithAPlainSumFarFromJ2000AndAtJ2000)
{
    ScratchDir dir;
    LoadState kload = fresh();
    for (int ibody : {1, 3, 8}) {
        // T = 0, 0.25, -4 and +3 thousand years: far dates give phase arguments of
        // up to 10^6 radians, where the range reduction of the cosine matters.
        for (double jde : {2451545.0, 2451545.0 + 91312.5, 2451545.0 - 4 * 365250.0, 2451545.0 + 3 * 365250.0}) {
            const Position p = at(jde, 3, ibody, kload);
            ASSERT_EQ(p.ierr, 0);
            const auto ref = plain_sum(ibody, jde);
            for (std::size_t i = 0; i < 3; ++i) {
                EXPECT_NEAR(p.xyz[i], ref.r[i], ref.bound[i])
                    << "body " << ibody << " JD " << jde << " coordinate " << i + 1;
            }
        }
    }
    // At J2000.0 only the series of power 0 count: sum of A cos B.
    std::array<double, 3> r0{};
    for (int ic = 1; ic <= 3; ++ic) {
        for (int k = 1; k <= astro.in2(0, ic, 3); ++k) {
            r0[static_cast<std::size_t>(ic - 1)] += astro.par2(1, k, 0, ic, 3) * std::cos(astro.par2(2, k, 0, ic, 3));
        }
    }
    const Position e = at(2451545.0, 3, 3, kload);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(e.xyz[i], r0[i], 1e-14);
}

TEST(Vsop87Full, ResultDoesNotDependOnTheThreadCount)
{
    ScratchDir dir;
    LoadState kload = fresh();
    const int saved = omp_get_max_threads();
    for (int ibody : {1, 3}) {
        for (double jde : {2451545.0, 2460000.25, 2305445.0, 2816000.5}) {
            omp_set_num_threads(1);
            const Position one = at(jde, 3, ibody, kload);
            for (int n : {2, 3}) {
                omp_set_num_threads(n);
                const Position more = at(jde, 3, ibody, kload);
                for (std::size_t i = 0; i < 3; ++i) {
                    EXPECT_NEAR(one.xyz[i], more.xyz[i], 1e-13) << n << " threads, body " << ibody << " JD " << jde;
                }
            }
        }
    }
    omp_set_num_threads(saved);
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
    // Quadrant boundaries and exact multiples of pi/2.
    for (int k = -8; k <= 8; ++k) {
        const double x = k * 1.5707963267948966;
        EXPECT_NEAR(vcos(x), std::cos(x), 6e-16) << k;
        EXPECT_NEAR(vcos(std::nextafter(x, 1e9)), std::cos(std::nextafter(x, 1e9)), 6e-16) << k;
    }
    // The sums with separate and interleaved coefficients agree with each other
    // for every length, including the remainders of the vector loop.
    std::vector<double> a, b, c, abc;
    for (int i = 0; i < 37; ++i) {
        a.push_back(0.1 * (i + 1));
        b.push_back(0.3 * i);
        c.push_back(1000.0 * i + 0.5);
        abc.insert(abc.end(), {a.back(), b.back(), c.back()});
    }
    for (int n = 0; n <= 37; ++n) {
        // The phase B + C t may be rounded once (fused) or twice; the reference
        // takes it in long double, and the bound allows the phase's last bit.
        double ref = 0.0, bound = 1e-15;
        for (int i = 0; i < n; ++i) {
            const long double phase = static_cast<long double>(b[i]) + static_cast<long double>(c[i]) * 0.37L;
            ref += a[i] * std::cos(static_cast<double>(phase));
            bound += a[i] * 2.3e-16 * static_cast<double>(phase);
        }
        EXPECT_NEAR(term_sum(a.data(), b.data(), c.data(), n, 0.37), ref, bound) << n;
        EXPECT_NEAR(term_sum3(abc.data(), n, 0.37), ref, bound) << n;
    }
}

// ---------------------------------------------------------------------------
// Loading once, the error codes and their messages.

TEST(Vsop87Full, SecondCallForABodyDoesNotTouchItsFile)
{
    ScratchDir dir(false);
    fs::copy_file(published_data() / "VSOP87C.ear", "VSOP87C.ear");
    LoadState kload = fresh();
    const Position first = at(2455000.5, 3, 3, kload);
    ASSERT_EQ(first.ierr, 0);
    EXPECT_EQ(kload[3], 2);
    fs::remove("VSOP87C.ear");
    const Position second = at(2455000.5, 3, 3, kload);
    EXPECT_EQ(second.ierr, 0);
    EXPECT_EQ(second.xyz, first.xyz);
    EXPECT_EQ(second.lbr, first.lbr);
}

TEST(Vsop87Full, FirstHeaderNamingAnotherBodyGivesCode2AndIsReadAgainNextTime)
{
    ScratchDir dir(false);
    Terminal term;
    auto ls = lines(published("VSOP87A.mer"));
    std::string bad = ls[0];
    bad.replace(22, 7, "VENUS  ");
    ls[0] = bad;
    write_file("VSOP87A.mer", joined(ls, ls.size()));
    LoadState kload = fresh();
    const Position p = at(2451545.0, 1, 1, kload);
    EXPECT_EQ(p.ierr, 2);
    EXPECT_EQ(p.xyz, (std::array<double, 3>{0.0, 0.0, 0.0}));
    EXPECT_EQ(kload[1], 1);
    EXPECT_EQ(term.os.str(), "  In VSOP87Z: ierr =  2\n");

    // The version digit is checked before the name.
    write_file("VSOP87C.mer", joined(ls, ls.size()));
    EXPECT_EQ(at(2451545.0, 3, 1, kload).ierr, 1);

    // Once the right file is in place the next call reads it.
    fs::copy_file(published_data() / "VSOP87A.mer", "VSOP87A.mer", fs::copy_options::overwrite_existing);
    const Position q = at(2451545.0, 1, 1, kload);
    EXPECT_EQ(q.ierr, 0);
    EXPECT_EQ(kload[1], 2);
    EXPECT_GT(q.lbr[2], 0.30);
    EXPECT_LT(q.lbr[2], 0.47);
}

TEST(Vsop87Full, MissingFileIsReportedByNameAndTriedAgain)
{
    ScratchDir dir(false);
    Terminal term;
    LoadState kload = fresh();
    const Position p = at(2451545.0, 3, 2, kload);
    EXPECT_EQ(p.ierr, 3);
    EXPECT_EQ(p.xyz, (std::array<double, 3>{0.0, 0.0, 0.0}));
    EXPECT_EQ(kload[2], 1);
    const std::string out = term.os.str();
    EXPECT_NE(out.find("VSOP87C.ven"), std::string::npos) << out;
    EXPECT_NE(out.find("  In VSOP87Z: ierr =  3\n"), std::string::npos) << out;

    fs::copy_file(published_data() / "VSOP87C.ven", "VSOP87C.ven");
    const Position q = at(2451545.0, 3, 2, kload);
    EXPECT_EQ(q.ierr, 0);
    EXPECT_EQ(kload[2], 2);
    EXPECT_NEAR(q.lbr[2], 0.72, 0.01);
}

TEST(Vsop87Full, CodesWithoutAFileDoNotReadOutOfTheTables)
{
    ScratchDir dir;
    Terminal term;
    LoadState kload = fresh();
    // The C set has no Earth-Moon barycentre.
    const Position emb = at(2451545.0, 3, 9, kload);
    EXPECT_EQ(emb.ierr, 3);
    EXPECT_EQ(kload[9], 1);
    // A precision outside 0..0.01 loads nothing.
    const Position wide = at(2451545.0, 1, 4, kload, 0.02);
    EXPECT_EQ(wide.ierr, 3);
    EXPECT_EQ(wide.xyz, (std::array<double, 3>{0.0, 0.0, 0.0}));
    EXPECT_EQ(kload[4], 1);
    EXPECT_EQ(at(2451545.0, 1, 4, kload, 0.01).ierr, 0);
    EXPECT_EQ(kload[4], 2);
    // A version without a file set.
    kload[5] = 1;
    EXPECT_EQ(at(2451545.0, 2, 5, kload).ierr, 3);
    EXPECT_EQ(kload[5], 1);
}

TEST(Vsop87Full, FileWithoutSeriesIsNeverTakenAsLoaded)
{
    ScratchDir dir(false);
    Terminal term;
    write_file("VSOP87A.ura", "");
    LoadState kload = fresh();
    for (int call = 0; call < 2; ++call) {
        const Position p = at(2451545.0, 1, 7, kload);
        EXPECT_EQ(p.ierr, 3);
        EXPECT_EQ(kload[7], 1);
    }
}

void expect_data_error(const std::string& text, int line, const std::string& fragment)
{
    write_file("VSOP87A.ven", text);
    LoadState kload = fresh();
    try {
        at(2451545.0, 1, 2, kload);
        ADD_FAILURE() << "no DataError for: " << fragment;
    } catch (const DataError& e) {
        EXPECT_EQ(e.file(), "VSOP87A.ven");
        EXPECT_EQ(e.line(), line) << e.what();
        const std::string what = e.what();
        EXPECT_NE(what.find("VSOP87A.ven"), std::string::npos) << what;
        EXPECT_NE(what.find(fragment), std::string::npos) << what;
    }
}

TEST(Vsop87Full, TruncatedOrGarbledFileStopsWithFileAndLine)
{
    ScratchDir dir(false);
    const auto ls = lines(published("VSOP87A.ven"));
    ASSERT_GT(ls.size(), 100u);

    auto cut = ls;
    cut[4] = cut[4].substr(0, 100);
    expect_data_error(joined(cut, cut.size()), 5, "too short");

    auto letters = ls;
    letters[6].replace(100, 6, "x.y.z.");
    expect_data_error(joined(letters, letters.size()), 7, "three numbers");

    expect_data_error(joined(ls, 50), 50, "ends inside a series");

    auto oversized = ls;
    oversized[0].replace(60, 7, "   3000");
    expect_data_error(joined(oversized, oversized.size()), 1, "3000 terms");

    // A count smaller than the series makes the next term line a "header".
    auto miscounted = ls;
    std::string fewer = std::to_string(std::stoi(miscounted[0].substr(60, 7)) - 1);
    fewer.insert(0, 7 - fewer.size(), ' ');
    miscounted[0].replace(60, 7, fewer);
    write_file("VSOP87A.ven", joined(miscounted, miscounted.size()));
    LoadState kload = fresh();
    EXPECT_THROW(at(2451545.0, 1, 2, kload), DataError);

    // After a failed load the unit is free and the good file loads.
    fs::copy_file(published_data() / "VSOP87A.ven", "VSOP87A.ven", fs::copy_options::overwrite_existing);
    kload = fresh();
    EXPECT_EQ(at(2451545.0, 1, 2, kload).ierr, 0);
}

// ---------------------------------------------------------------------------
// Light time.

TEST(Vsop87Full, LightTimeLoopWithWideToleranceEvaluatesTheEarthOnce)
{
    ScratchDir dir;
    LoadState kload = fresh();
    std::array<double, 3> xyz{}, lbr{};
    std::array<double, 9> pos{};
    std::array<int, 6> count{};
    int ierr = -1;
    double tau = 0.003, dist = 0.0;
    const double jde = 2460000.5;
    vsop2tr(jde, 3, 2, kload, 6, 0.0, 10, xyz, pos, ierr, tau, dist, 1.0, count, lbr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(count[2], 1);
    const Position venus = at(jde, 3, 2, kload);
    const Position earth = at(jde + 0.003, 3, 3, kload);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(pos[3 + i], venus.xyz[i]);
        EXPECT_EQ(pos[6 + i], earth.xyz[i]);
        EXPECT_EQ(xyz[i], earth.xyz[i]);
        EXPECT_EQ(base.re(4 + static_cast<int>(i)), venus.lbr[i]);
        EXPECT_EQ(base.re(7 + static_cast<int>(i)), earth.lbr[i]);
    }
    const double d = std::hypot(pos[3] - pos[6], pos[4] - pos[7], pos[5] - pos[8]);
    EXPECT_DOUBLE_EQ(dist, d);
    EXPECT_DOUBLE_EQ(tau, d * 149597870700.0 / 25902068371200.0);
}

TEST(Vsop87Full, LightTimeLoopConvergesAndKeepsThePlanetsErrorCode)
{
    ScratchDir dir;
    LoadState kload = fresh();
    std::array<double, 3> xyz{}, lbr{};
    std::array<double, 9> pos{};
    std::array<int, 6> count{};
    int ierr = -1;
    double tau = 0.0, dist = 0.0;
    const double jde = 2451545.0 + 1234.5;
    vsop2tr(jde, 1, 1, kload, 6, 0.0, 10, xyz, pos, ierr, tau, dist, 1e-9, count, lbr);
    EXPECT_EQ(ierr, 0);
    EXPECT_GE(count[2], 2);
    EXPECT_LT(count[2], 10);
    // The Earth stands where it is at the arrival of the light, to the tolerance
    // times the Earth's speed (0.02 AU a day).
    const Position earth = at(jde + tau, 1, 3, kload);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(pos[6 + i], earth.xyz[i], 1e-10);

    // A planet without its file: the Earth's success must not hide the failure.
    Terminal term;
    fs::remove("VSOP87A.mer");
    kload[1] = 1;
    vsop2tr(jde, 1, 1, kload, 6, 0.0, 10, xyz, pos, ierr, tau, dist, 1e-9, count, lbr);
    EXPECT_EQ(ierr, 3);
}

} // namespace
} // namespace r7
