#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/kepler.hpp"
#include "ephemeris/short.hpp"
#include "ephemeris/vsop87.hpp"
#include "ephemeris/coord.hpp"
#include "fit/triangle.hpp"
#include "io/units.hpp"
#include "run/passages.hpp"
#include "run/run.hpp"
#include "run/site.hpp"
#include "state/store.hpp"
#include "test_support.hpp"
#include "time/time.hpp"

namespace r7 {
namespace {

using test::install_data;
using test::lines_of;
using test::published_data;
using test::ScratchDir;

constexpr int k_ref = 4519; // predefined constellation 12

// Parameters of a Giza run with the short series and the FITEX fit; limits wide
// open unless a test narrows them.
RunParams giza(int passage, int constellation)
{
    RunParams p;
    p.main_option = 1;
    p.conj_choice = 4;
    p.ephem_choice = 1;
    p.output_detail = 1;
    p.frame_choice = 1;
    p.vsop_variant = 3;
    p.table_switch = 1;
    p.calendar_choice = 1;
    p.passage = passage;
    p.step_width = 1.0; // days (the main program has converted the hours)
    p.sun_mode = 5;
    p.level_choice = 1;
    p.coord_choice = 1;
    p.constellation = constellation;
    p.view = 1;
    p.output_choice = 1;
    p.tol_short = p.tol_full = 99.99;
    p.f_consider = p.f_print = 99.99;
    return p;
}

double num(const std::string& row, std::size_t from, std::size_t width) { return std::stod(row.substr(from, width)); }

// Angle difference reduced to -180..180, computed here independently.
double reduced(double a)
{
    a = std::fmod(a, 360.0);
    if (a > 180.0) a -= 360.0;
    if (a < -180.0) a += 360.0;
    return a;
}

// Deviation F of a planet triangle against the site triangle (lengths mode):
// ratio |P3-P1| / |P2-P1| and the angle at P1 against the monument values.
double triangle_f(const std::array<double, 9>& x)
{
    const double ax = x[3] - x[0], ay = x[4] - x[1], az = x[5] - x[2];
    const double bx = x[6] - x[0], by = x[7] - x[1], bz = x[8] - x[2];
    const double la = std::sqrt(ax * ax + ay * ay + az * az), lb = std::sqrt(bx * bx + by * by + bz * bz);
    const double q = lb / la;
    const double g = std::acos((ax * bx + ay * by + az * bz) / (la * lb));
    const double dq = (q - base.pyr(24)) / base.pyr(24), dg = g - base.pyr(27);
    return 100.0 * std::sqrt((dq * dq + dg * dg) / 2.0);
}

class PassageSearch : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        vsop1load((published_data() / "invsop1.t").string());
        load_kepler((published_data() / "invsop3.t").string());
    }
    void SetUp() override { io::units().set_terminal(&out); }
    void TearDown() override { io::units().set_terminal(nullptr); }

    // Site data and geometry of the run, the interval, and the search itself.
    void run(RunParams& p, int k_from = 0, int k_to = -1)
    {
        s.reference_flag = reference_flag(p);
        load_site(p, s.reference_flag, site, (install_data() / "ingiza.t").string());
        site_geometry(p, site);
        convert_interval(p, s);
        if (k_to >= k_from) {
            s.kint_from = k_from;
            s.kint_to = k_to;
        }
        passage_search(p, s, site);
    }
    std::vector<std::string> rows() const { return lines_of(out.str()); }

    std::ostringstream out;
    RunState s;
    Site site;
};

TEST_F(PassageSearch, PredefinedConstellationEvaluatesAndPrintsItsOnePassage)
{
    RunParams p = giza(1, 12);
    p.tol_short = p.tol_full = 0.0; // a single constellation is printed whatever its F
    run(p);
    EXPECT_EQ(s.counters[2], 1);
    EXPECT_EQ(s.counters[3], 1);
    const auto r = rows();
    ASSERT_EQ(r.size(), 1u) << out.str();
    EXPECT_EQ(r[0].substr(0, 10), " 12   4519");
    EXPECT_NEAR(num(r[0], 10, 10), s.run_year, 0.0005);
    // Fields after the year: dL1, dL2, status, iw(3), Sun point, dr, marker, F.
    EXPECT_EQ(r[0].size(), 1u + 2 + 7 + 10 + 16 + 3 + 4 + 21 + 6 + 2 + 7);
    EXPECT_EQ(r[0].substr(r[0].size() - 9, 2), "  ");
}

TEST_F(PassageSearch, TwoDimensionalRowShowsDeviationsFromTheTargets)
{
    for (int view : {1, 2}) {
        out.str("");
        RunParams p = giza(1, 12);
        p.sun_mode = 1;
        p.view = view;
        run(p);
        const auto r = rows();
        ASSERT_EQ(r.size(), 1u) << out.str();
        const double jde = num(r[0], 10, 14);
        const double tau = (jde - 2451545.0) / 365250.0;
        double lm = 0, lv = 0, le = 0;
        vsop1(1, tau, lm);
        vsop1(4, tau, lv);
        vsop1(7, tau, le);
        const double dl1 = num(r[0], 42, 8), dl2 = num(r[0], 50, 8);
        EXPECT_NEAR(num(r[0], 34, 8), lm, 0.0006);
        EXPECT_NEAR(dl1, reduced(lm - lv), 0.0006);
        EXPECT_NEAR(dl2, reduced(lm - le), 0.0006);
        // Seen from the south the targets change sign.
        const double sign = view == 2 ? -1.0 : 1.0;
        EXPECT_NEAR(num(r[0], 58, 8), reduced(dl1 - sign * 12.19), 0.0011) << "view " << view;
        EXPECT_NEAR(num(r[0], 66, 8), reduced(dl2 - sign * 21.41), 0.0011) << "view " << view;
    }
}

TEST_F(PassageSearch, AreaStepsAroundAConsideredPassage)
{
    RunParams p = giza(3, 15);
    p.steps_per_passage = 4;
    run(p, k_ref, k_ref);
    EXPECT_EQ(s.counters[2], 6);
    EXPECT_EQ(s.counters[3], 6);
    const auto r = rows();
    ASSERT_EQ(r.size(), 6u) << out.str();
    EXPECT_EQ(r[0].substr(0, 10), " 12   4519"); // the passage itself

    double k = k_ref, jde = 0.0;
    int kint = 0;
    akday(0, 3, 1, k, kint, jde);
    for (int j = 0; j <= 4; ++j) {
        const std::string& row = r[static_cast<std::size_t>(j + 1)];
        EXPECT_EQ(std::stoi(row.substr(4, 8)), k_ref) << row;
        EXPECT_NEAR(num(row, 12, 13), jde + (j - 2), 0.0005) << row;
    }
}

TEST_F(PassageSearch, AreaLimitsDecideWhatIsEvaluatedAndPrinted)
{
    // Not considered: only the passage itself is evaluated, and not printed.
    RunParams p = giza(3, 15);
    p.steps_per_passage = 4;
    p.f_consider = 0.0;
    p.tol_short = 0.0;
    run(p, k_ref, k_ref);
    EXPECT_EQ(s.counters[2], 1);
    EXPECT_EQ(s.counters[3], 0);
    EXPECT_TRUE(out.str().empty()) << out.str();

    // Considered but nothing beyond the passage good enough to print.
    out.str("");
    s = RunState{};
    p.f_consider = 99.99;
    p.tol_short = 99.99;
    p.f_print = 0.0;
    run(p, k_ref, k_ref);
    EXPECT_EQ(s.counters[2], 6);
    EXPECT_EQ(s.counters[3], 1);
    EXPECT_EQ(rows().size(), 1u) << out.str();
}

TEST_F(PassageSearch, AreaOffsetsAreCentredOnThePassage)
{
    EXPECT_DOUBLE_EQ(area_offset(0, 4, 1.0), -2.0);
    EXPECT_DOUBLE_EQ(area_offset(4, 4, 0.5), 1.0);
    EXPECT_DOUBLE_EQ(area_offset(0, 3, 1.0), -1.5); // odd counts are centred too
    EXPECT_EQ(area_step_number(0, 3), -1);          // while the shown number is whole
    EXPECT_EQ(area_step_number(3, 3), 2);
}

TEST_F(PassageSearch, ViewFromTheSouthMarksEveryRow)
{
    RunParams p = giza(3, 15);
    p.steps_per_passage = 2;
    p.view = 2;
    run(p, k_ref - 1, k_ref);
    const auto r = rows();
    ASSERT_EQ(r.size(), 8u) << out.str();
    for (const auto& row : r) EXPECT_EQ(row.substr(row.size() - 9, 2), " *") << row;
    EXPECT_EQ(p.view, 2); // the run's view is not changed by the orientation test
}

TEST_F(PassageSearch, QualityMarker)
{
    const double zg = Base::zthe(1), zc = Base::zthe(2);
    EXPECT_EQ(quality_marker(0.05, zg * 1.0005, 1), ">>>");
    EXPECT_EQ(quality_marker(0.2, zg * 1.0005, 1), "FM ");
    EXPECT_EQ(quality_marker(0.5, zg * 1.03, 1), "F  ");
    EXPECT_EQ(quality_marker(0.6, zg * 0.99, 1), "M  ");
    EXPECT_EQ(quality_marker(0.6, zg * 1.5, 1), "   ");
    // The chambers compare with their own reference scale.
    EXPECT_EQ(quality_marker(0.05, zc, 2), ">>>");
    EXPECT_EQ(quality_marker(0.05, zg, 2), "F  ");
    EXPECT_DOUBLE_EQ(scale_shown(1, 97073000.0), 9.7073);
    EXPECT_DOUBLE_EQ(scale_shown(2, 2361400000.0), 2.3614);
    EXPECT_NEAR(euler5_degrees(1.5 * 3.141592653589793), -90.0, 1e-9);
}

TEST_F(PassageSearch, ExtendedListingAgreesWithTheRow)
{
    RunParams p = giza(1, 12);
    p.output_detail = 2;
    run(p);
    const auto r = rows();
    ASSERT_GE(r.size(), 6u) << out.str();
    const std::string& row = r[0];
    const double f_row = num(row, row.size() - 7, 7);
    // Listing: ruler, L B R of the planets, x y z of the planets, differences and F.
    EXPECT_EQ(r[1], " " + std::string(79, '-'));
    const std::string& xl = r[3];
    std::array<double, 9> x{};
    for (int i = 0; i < 3; ++i) x[static_cast<std::size_t>(i)] = num(xl, 1 + 9 * i, 9);
    for (int i = 0; i < 3; ++i) {
        const std::string f = xl.substr(28 + 8 * static_cast<std::size_t>(i), 8);
        const double v = std::stod(f.substr(1));
        x[static_cast<std::size_t>(3 + i)] = f[0] == '-' ? -v : v;
    }
    for (int i = 0; i < 3; ++i) x[static_cast<std::size_t>(6 + i)] = num(xl, 52 + 9 * i, 9);
    // F recomputed from the printed positions with the monument geometry.
    EXPECT_NEAR(triangle_f(x), f_row, 0.002);
    EXPECT_NEAR(num(r[4], 55, 22), f_row, 0.0005);
    EXPECT_EQ(r[4].substr(r[4].size() - 2), " %");
    // Orbital elements of the four inner planets from the Kepler orbits.
    EXPECT_EQ(r[6].substr(0, 29), "  ascending node (M/V/E/Ma): ");
    EXPECT_NE(out.str().find("  Euler angl. X4, X5, X6; M: "), std::string::npos);
}

TEST_F(PassageSearch, SpecialOutputShowsTheFitInSiteTerms)
{
    RunParams p = giza(3, 15);
    p.steps_per_passage = 2;
    p.output_choice = 3;
    s.reference_flag = 0;
    load_site(p, 0, site, (install_data() / "ingiza.t").string());
    site_geometry(p, site);
    // Start values away from the gimbal lock of the Euler angles, so the fit moves.
    site.xstart(1) = -0.4;
    site.xstart(5) = 30.0;
    s.kint_from = s.kint_to = k_ref;
    passage_search(p, s, site);
    const auto r = rows();
    ASSERT_EQ(r.size(), 4u) << out.str();
    const double z3 = site.pg(3, 3);
    for (int j = 0; j <= 2; ++j) {
        const std::string& row = r[static_cast<std::size_t>(j + 1)];
        ASSERT_EQ(row.size(), 1u + 14 + 7 * 4 + 21 + 6 + 2 + 7) << row;
        EXPECT_NEAR(num(row, 15, 7), 24.0 * (j - 1), 0.05) << row; // dt in hours
        const double ms = num(row, 29, 7);
        EXPECT_GT(ms, 5.0);
        EXPECT_LT(ms, 20.0);
        const double x = num(row, 43, 7), y = num(row, 50, 7), z = num(row, 57, 7);
        const double e = std::atan2(z - z3, std::hypot(x, y)) * 57.29577951308232;
        EXPECT_NEAR(num(row, 36, 7), e, 0.02) << row;
    }
}

TEST_F(PassageSearch, KeplerOrbitsPlaceThePlanetsOnTheEcliptic)
{
    RunParams p = giza(1, 12);
    p.sun_mode = 1;
    p.ephem_choice = 3;
    run(p);
    const auto r = rows();
    ASSERT_EQ(r.size(), 1u) << out.str();
    // Without relpos the row has the marker layout; the places agree with the
    // short series far better than the longitude in the orbit would.
    const double jde = num(r[0], 10, 15);
    const double tau = (jde - 2451545.0) / 365250.0;
    double lm = 0, lv = 0, le = 0;
    vsop1(1, tau, lm);
    vsop1(4, tau, lv);
    vsop1(7, tau, le);
    EXPECT_NEAR(num(r[0], 36, 9), lm, 0.05);
    EXPECT_NEAR(num(r[0], 45, 8), reduced(lm - lv), 0.05);
    EXPECT_NEAR(num(r[0], 53, 8), reduced(lm - le), 0.05);
}

// The combination confirms short-series candidates with the full series.
class CombinationSearch : public PassageSearch {
protected:
    ScratchDir dir{true}; // the full-series files are opened by plain name
};

TEST_F(CombinationSearch, CandidateFailingTheFullLimitIsDroppedAndTheShortSeriesResumes)
{
    RunParams p = giza(1, 15);
    p.combi_flag = 1;
    p.tol_short = 99.99;
    p.tol_full = 0.0;
    run(p, k_ref, k_ref + 1);
    EXPECT_EQ(s.counters[2], 2);
    EXPECT_EQ(s.counters[3], 0);
    // The second passage passes the short limit again and is confirmed (and
    // rejected) again: a search left on the full series would print it.
    EXPECT_TRUE(out.str().empty()) << out.str();
}

TEST_F(CombinationSearch, ConfirmedCandidateShowsTheFullSeriesDeviation)
{
    RunParams p = giza(1, 15);
    p.combi_flag = 1;
    run(p, k_ref, k_ref);
    const auto r = rows();
    ASSERT_EQ(r.size(), 1u) << out.str();
    const double f_row = num(r[0], r[0].size() - 7, 7);

    double k = k_ref, jde = 0.0;
    int kint = 0;
    akday(0, 1, 1, k, kint, jde);
    LoadState kload{};
    kload.fill(1);
    std::array<double, 3> xyz{}, lbr{};
    for (int i = 1; i <= 3; ++i) {
        int ierr = 0;
        vsop2(jde, 3, i, kload, 6, 0.0, 10, xyz, ierr, lbr);
        ASSERT_EQ(ierr, 0);
        for (int c = 0; c < 3; ++c) base.re(3 * i - 2 + c) = lbr[static_cast<std::size_t>(c)];
    }
    kartko(5);
    std::array<double, 9> x{};
    for (int i = 0; i < 9; ++i) x[static_cast<std::size_t>(i)] = base.xyr(i + 1);
    EXPECT_NEAR(triangle_f(x), f_row, 0.0006);
}

} // namespace
} // namespace r7
