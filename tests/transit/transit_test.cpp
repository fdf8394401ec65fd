#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include "ephemeris/short.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/units.hpp"
#include "state/store.hpp"
#include "test_support.hpp"
#include "time/time.hpp"
#include "transit/transit.hpp"

namespace r7 {
namespace {

constexpr double arcsec = 206264.80624709636;
constexpr double deg = 0.017453292519943295;

// ---------------------------------------------------------------------------
// Geometry: separation and position angle.

// Positions with the Earth at e and the planet at pl (rectangular, AU).
std::array<double, 9> positions(int ibody, std::array<double, 3> e, std::array<double, 3> pl)
{
    std::array<double, 9> pos{};
    for (int i = 0; i < 3; ++i) {
        pos[static_cast<std::size_t>(3 * (ibody - 1) + i)] = pl[static_cast<std::size_t>(i)];
        pos[static_cast<std::size_t>(6 + i)] = e[static_cast<std::size_t>(i)];
    }
    return pos;
}

TEST(Sepa, AngleAtTheEarthFromRectangularAndSphericalPositions)
{
    // Earth at (1, 0, 0), planet at (0.3, 0.07, 0): seen from the Earth the Sun
    // lies towards -x and the planet at atan(0.07 / 0.7) from it.
    double s = 0.0;
    sepa(2, 2, positions(2, {1.0, 0.0, 0.0}, {0.3, 0.07, 0.0}), s);
    EXPECT_NEAR(s, std::atan(0.1), 1e-14);
    // The planet exactly in front of the Sun: 0, not a failed arc cosine.
    sepa(1, 2, positions(1, {0.3, -0.9, 0.2}, {0.1, -0.3, 0.2 / 3.0}), s);
    EXPECT_FALSE(std::isnan(s));
    EXPECT_NEAR(s, 0.0, 1e-7);

    // The spherical form gives the same angle for the same two positions.
    base.re(4) = 40.0; // Venus: L, B, R
    base.re(5) = -2.0;
    base.re(6) = 0.72;
    base.re(7) = 43.0; // Earth
    base.re(8) = 0.0001;
    base.re(9) = 1.01;
    std::array<double, 9> pos{};
    for (int j : {2, 3}) {
        const double l = base.re(3 * j - 2) * deg, b = base.re(3 * j - 1) * deg, r = base.re(3 * j);
        pos[static_cast<std::size_t>(3 * j - 3)] = r * std::cos(b) * std::cos(l);
        pos[static_cast<std::size_t>(3 * j - 2)] = r * std::cos(b) * std::sin(l);
        pos[static_cast<std::size_t>(3 * j - 1)] = r * std::sin(b);
    }
    double s1 = 0.0, s2 = 0.0;
    sepa(2, 1, pos, s1);
    sepa(2, 2, pos, s2);
    EXPECT_NEAR(s1, s2, 1e-12);
    EXPECT_GT(s1, 0.05);
}

// Positions whose geocentric equatorial directions are given: the Sun at right
// ascension 0 and declination d_sun, the planet displaced by (d_alpha, d_delta)
// radians, converted back to the ecliptic of t.
std::array<double, 9> equatorial_case(double t, double d_sun, double d_alpha, double d_delta)
{
    const double eps = transit_obliquity(t) * deg;
    auto to_ecliptic = [eps](double x, double y, double z) {
        return std::array<double, 3>{x, y * std::cos(eps) + z * std::sin(eps), -y * std::sin(eps) + z * std::cos(eps)};
    };
    auto dir = [](double a, double d, double r) {
        return std::array<double, 3>{r * std::cos(d) * std::cos(a), r * std::cos(d) * std::sin(a), r * std::sin(d)};
    };
    const auto sun = dir(0.0, d_sun, 1.0);
    const auto pl = dir(d_alpha, d_sun + d_delta, 0.3);
    // Earth = -sun direction; planet = Earth + its geocentric vector.
    const auto e = to_ecliptic(-sun[0], -sun[1], -sun[2]);
    const auto g = to_ecliptic(pl[0], pl[1], pl[2]);
    return positions(1, e, {e[0] + g[0], e[1] + g[1], e[2] + g[2]});
}

TEST(PosAngle, CompassPointsOnTheDisk)
{
    const double t = 2458799.14;
    const double d = 2e-3; // about 7 arc minutes
    double pa = -1.0;
    // Due north: same right ascension, greater declination.
    pos_angle(1, t, equatorial_case(t, -0.3, 0.0, d), pa);
    EXPECT_TRUE(std::abs(pa) < 1e-6 || std::abs(pa - 360.0) < 1e-6) << pa;
    // East (greater right ascension), south, west.
    pos_angle(1, t, equatorial_case(t, -0.3, d / std::cos(-0.3), 0.0), pa);
    EXPECT_NEAR(pa, 90.0, 0.05);
    pos_angle(1, t, equatorial_case(t, 0.2, 0.0, -d), pa);
    EXPECT_NEAR(pa, 180.0, 1e-6);
    pos_angle(1, t, equatorial_case(t, 0.2, -d / std::cos(0.2), 0.0), pa);
    EXPECT_NEAR(pa, 270.0, 0.05);
    // North-west: in the last quadrant, never negative.
    pos_angle(1, t, equatorial_case(t, 0.1, -d, d), pa);
    EXPECT_GT(pa, 300.0);
    EXPECT_LT(pa, 330.0);
}

// ---------------------------------------------------------------------------
// The transit computation with the published ephemeris.

// One call of the transit routine as the transit run makes it: positions at the
// conjunction (light time included), the separation there, then `transit`.
struct Case {
    int ibody = 1;
    int date_mode = 4;
    int time_scale = 2;
    int conj_choice = 1;
    int ephem_choice = 2;
    int combi_flag = 0;
    int passage = 1;
    bool give_separation = true; // pass the separation at jde as sep_in
    double sep_in = 0.0;
};

struct Outcome {
    char letter = '?';
    int ttype = -1;
    double sep = 0.0;
    ContactTable table{};
    double sd_sun = -1.0, sd_planet = -1.0;
    char node = '?';
    int iser = -1;
    int iscur = 0;
    double jde = 0.0;
    std::array<int, 6> count{};
    std::string messages;
    FArray<double, 1, 78> re_before, re_after;
};

class Transit : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<test::ScratchDir>();
        kload_.fill(1);
        vsop1load();
    }
    static void TearDownTestSuite() { dir_.reset(); }
    void SetUp() override { reset_series_state(); }

    static Outcome run(const Case& c, double jde)
    {
        Outcome o;
        std::ostringstream term;
        io::units().set_terminal(&term);
        std::array<double, 9> pos{};
        double tau = 0.004, dist = 0.0;
        if (c.ephem_choice == 1) {
            double scratch = 0.0;
            vsop1tr(c.ibody, pos, (jde - 2451545.0) / 365250.0, tau, dist, 1e-14, o.count, scratch);
        } else {
            std::array<double, 3> xyz{}, lbr{};
            int ierr = 0;
            vsop2tr(jde, 3, c.ibody, kload_, 6, 0.0, 10, xyz, pos, ierr, tau, dist, 1e-9, o.count, lbr);
        }
        double sep_in = c.sep_in;
        if (c.give_separation) sepa(c.ibody, 2, pos, sep_in);
        double w1 = 0, w2 = 0;
        FitHistory hist{};
        int ihist = 0;
        o.jde = jde;
        o.count = {};
        o.re_before = base.re;
        transit(c.ibody, c.combi_flag, c.ephem_choice, 3, c.conj_choice, c.date_mode, c.passage, 3, kload_, 6, pos,
                c.time_scale, 1, o.jde, sep_in, w1, w2, hist, ihist, 0.0, o.iscur, 0, o.iser, o.count, o.letter,
                o.ttype, o.sep, o.table, o.sd_sun, o.sd_planet, o.node);
        o.re_after = base.re;
        io::units().set_terminal(nullptr);
        o.messages = term.str();
        return o;
    }

    static std::unique_ptr<test::ScratchDir> dir_;
    static LoadState kload_;
};
std::unique_ptr<test::ScratchDir> Transit::dir_;
LoadState Transit::kload_{};

// Seconds of a row's instant from 0h of day `day` of its month.
double seconds_from(const ContactRow& row, int day)
{
    return (row.date(7) - day) * 86400.0 + row.idate(4) * 3600.0 + row.idate(5) * 60.0 + row.idate(6);
}
double hms(int h, int m, int s) { return h * 3600.0 + m * 60.0 + s; }

const ContactRow& row(const Outcome& o, int r) { return o.table[static_cast<std::size_t>(r)]; }
bool cleared(const ContactRow& r) { return r.idate(3) == 0 && r.date(1) == 0.0 && r.name.empty() && r.pa == 0.0; }

TEST_F(Transit, Mercury2019MatchesThePublishedCircumstances)
{
    const Outcome o = run(Case{}, 2458799.1);
    EXPECT_EQ(o.messages, "");
    EXPECT_EQ(o.ttype, transit_full);
    EXPECT_EQ(o.letter, 'M');
    EXPECT_EQ(o.node, '/'); // Mercury at its ascending node in November
    EXPECT_NEAR(o.sep, 75.9, 1.0);
    EXPECT_NEAR(o.sd_sun, 969.3, 1.0);
    EXPECT_NEAR(o.sd_planet, 5.0, 0.1);
    const int expected[6][3] = {{0, 0, 0}, {12, 35, 27}, {12, 37, 8}, {15, 19, 48}, {18, 2, 33}, {18, 4, 14}};
    for (int r = 1; r <= 5; ++r) {
        EXPECT_EQ(row(o, r).idate(3), 2019) << "row " << r;
        EXPECT_EQ(row(o, r).name, " Nov.") << "row " << r;
        const auto& e = expected[r];
        EXPECT_NEAR(seconds_from(row(o, r), 11), hms(e[0], e[1], e[2]), 60.0) << "row " << r;
    }
    EXPECT_NEAR(row(o, 1).pa, 109.8, 0.1);
    EXPECT_NEAR(row(o, 4).pa, 298.8, 0.1);
    EXPECT_NEAR(row(o, 5).pa, 298.7, 0.1);
    // The phases are in time order and the internal contacts lie inside.
    for (int r = 1; r < 5; ++r) EXPECT_LT(seconds_from(row(o, r), 11), seconds_from(row(o, r + 1), 11));
    // Ephemeris evaluations are counted; the positions of the caller are back.
    EXPECT_GT(o.count[2], 10);
    EXPECT_LT(o.count[2], 100);
    for (int i = 1; i <= 78; ++i) ASSERT_EQ(o.re_after(i), o.re_before(i)) << "re slot " << i;
}

TEST_F(Transit, Venus2012MatchesThePublishedCircumstances)
{
    Case c;
    c.ibody = 2;
    c.date_mode = 3;
    const Outcome o = run(c, 2456084.56);
    EXPECT_EQ(o.ttype, transit_full);
    EXPECT_EQ(o.letter, 'V');
    EXPECT_EQ(o.node, ' '); // descending node in June
    EXPECT_NEAR(o.sep, 554.4, 1.0);
    const int expected[6][3] = {{0, 0, 0}, {22, 9, 38}, {22, 27, 34}, {25, 29, 36}, {28, 31, 39}, {28, 49, 35}};
    for (int r = 1; r <= 5; ++r) {
        EXPECT_EQ(row(o, r).name, " June") << "row " << r;
        const auto& e = expected[r];
        EXPECT_NEAR(seconds_from(row(o, r), 5), hms(e[0], e[1], e[2]), 60.0) << "row " << r;
        EXPECT_EQ(row(o, r).pa, 0.0) << "no position angles in date mode 3";
    }
    EXPECT_EQ(row(o, 1).date(7), 5.0);
    EXPECT_EQ(row(o, 3).date(7), 6.0);
}

TEST_F(Transit, UniversalTimeOnlyShiftsTheReportedInstants)
{
    Case tt;
    tt.time_scale = 1;
    const Outcome a = run(tt, 2458799.1);
    const int iser_tt = a.iser;
    const double ase_tt = astro.ase(iser_tt);
    reset_series_state();
    const Outcome b = run(Case{}, 2458799.1);
    EXPECT_EQ(a.sep, b.sep);
    EXPECT_EQ(a.jde, b.jde);
    EXPECT_EQ(b.iser, iser_tt);
    // The series is assigned with the greatest transit in TT.
    EXPECT_EQ(ase_tt, a.jde);
    EXPECT_EQ(astro.ase(b.iser), b.jde);
    // Every row, the greatest transit included, is earlier by Delta T.
    double ut = a.jde;
    delta_t(ut);
    const double dt = (a.jde - ut) * 86400.0;
    EXPECT_GT(dt, 60.0);
    for (int r = 1; r <= 5; ++r) {
        EXPECT_NEAR(seconds_from(row(a, r), 11) - seconds_from(row(b, r), 11), dt, 1.0) << "row " << r;
    }
    // The TT row of the greatest transit is the returned instant.
    EXPECT_NEAR(row(a, 3).date(1), 11.0 + std::fmod(a.jde + 0.5, 1.0), 1e-8);
}

TEST_F(Transit, ContactsLieOnTheirLimits)
{
    // At each contact found, the separation is the sum (external) or difference
    // (internal) of the semidiameters.
    Case c;
    c.time_scale = 1;
    const Outcome o = run(c, 2458799.1);
    ASSERT_EQ(o.ttype, transit_full);
    for (int r : {1, 2, 4, 5}) {
        const double t_obs = o.jde + (seconds_from(row(o, r), 11) - seconds_from(row(o, 3), 11)) / 86400.0;
        std::array<double, 9> pos{};
        std::array<double, 3> xyz{}, lbr{};
        std::array<int, 6> count{};
        int ierr = 0;
        double tau = 0.004, dist = 0.0, s = 0.0;
        for (int k = 0; k < 3; ++k) {
            vsop2tr(t_obs - tau, 3, 1, kload_, 6, 0.0, 10, xyz, pos, ierr, tau, dist, 1e-10, count, lbr);
        }
        sepa(1, 2, pos, s);
        const double limit = (r == 1 || r == 5) ? o.sd_sun + o.sd_planet : o.sd_sun - o.sd_planet;
        // Times are rounded to the second: Mercury moves about 0.07" per second.
        EXPECT_NEAR(s * arcsec, limit, 0.1) << "row " << r;
    }
}

TEST_F(Transit, GrazingTransitHasOnlyExternalContacts)
{
    // 2815 Nov. 16: the least separation lies between the internal and the
    // external limit.
    const Outcome o = run(Case{}, 2749536.52);
    EXPECT_EQ(o.ttype, transit_external);
    EXPECT_EQ(o.letter, 'm');
    EXPECT_EQ(o.count[4], 1);
    EXPECT_LT(std::abs(o.sep), o.sd_sun + o.sd_planet);
    EXPECT_GT(std::abs(o.sep), o.sd_sun - o.sd_planet);
    EXPECT_TRUE(cleared(row(o, 2)));
    EXPECT_TRUE(cleared(row(o, 4)));
    for (int r : {1, 3, 5}) EXPECT_EQ(row(o, r).idate(3), 2815) << "row " << r;
    EXPECT_LT(seconds_from(row(o, 1), 16), seconds_from(row(o, 3), 16));
    EXPECT_LT(seconds_from(row(o, 3), 16), seconds_from(row(o, 5), 16));
}

TEST_F(Transit, TransitSeenFromPartOfTheEarthOnly)
{
    // 1937 May 11: geocentrically the planet misses the disk, but by less than
    // its parallax; south of the ecliptic, so the separation is negative.
    const Outcome o = run(Case{}, 2428664.87);
    EXPECT_EQ(o.ttype, transit_partial_earth);
    EXPECT_EQ(o.letter, 'm');
    EXPECT_EQ(o.count[4], 1);
    EXPECT_LT(o.sep, -(o.sd_sun + o.sd_planet));
    EXPECT_EQ(row(o, 3).idate(3), 1937);
    EXPECT_EQ(row(o, 3).name, " May ");
    for (int r : {1, 2, 4, 5}) EXPECT_TRUE(cleared(row(o, r))) << "row " << r;
    EXPECT_GE(o.iser, 0);
}

TEST_F(Transit, CentralTransitIsMarkedAndCounted)
{
    // 934 Oct. 29: the planet passes within its own semidiameter of the centre.
    Case c;
    c.date_mode = 3;
    const Outcome o = run(c, 2062497.8);
    EXPECT_EQ(o.ttype, transit_full);
    EXPECT_EQ(o.letter, 'C');
    EXPECT_EQ(o.count[5], 1);
    EXPECT_EQ(o.count[4], 0);
    EXPECT_LT(std::abs(o.sep), o.sd_planet);
    EXPECT_EQ(row(o, 3).idate(3), 934);
}

TEST_F(Transit, ShortSeriesAgreesWithTheFullSeries)
{
    Case c;
    c.ephem_choice = 1;
    const Outcome s = run(c, 2458799.1);
    reset_series_state();
    const Outcome f = run(Case{}, 2458799.1);
    ASSERT_EQ(s.ttype, transit_full);
    EXPECT_NEAR(s.sep, f.sep, 2.0);
    for (int r = 1; r <= 5; ++r) {
        EXPECT_NEAR(seconds_from(row(s, r), 11), seconds_from(row(f, r), 11), 30.0) << "row " << r;
        EXPECT_NEAR(row(s, r).pa, row(f, r).pa, 0.1) << "row " << r;
    }
    // The scan pass of a combined run leaves the phases to the full series: no
    // search, no series.
    reset_series_state();
    c.combi_flag = 1;
    const Outcome scan = run(c, 2458799.1);
    EXPECT_EQ(scan.ttype, transit_none);
    EXPECT_EQ(scan.letter, 'M');
    EXPECT_EQ(scan.iser, -1);
    EXPECT_EQ(scan.count[2], 0);
}

TEST_F(Transit, ClassificationOfAGivenSeparation)
{
    // Date mode 2 classifies the caller's separation with the limits of the
    // positions in `re`; no search is made.
    Case c;
    c.date_mode = 2;
    c.give_separation = false;
    const Outcome probe = run(c, 2458799.1);
    // The limits, from the positions the call saw.
    const double re_e = probe.re_before(9), re_p = probe.re_before(3);
    const double t = (2458799.1 - 2451545.0) / 36525.0;
    const double eps = (23.4458042 - 0.856033 * std::sin((t + 0.50747) * 0.015306)) * deg;
    const double rho = 6356751.9 / (149597870700.0 * std::sqrt(1 - std::pow(0.0818192206096497 * std::sin(eps), 2)));
    const double s_sun = std::asin(695508000.0 / (re_e * 149597870700.0));
    const double s_pl = std::asin(2439700.0 / ((re_e - re_p) * 149597870700.0));
    const double prel = std::asin(rho * re_p / (re_e * (re_e - re_p)));
    const double ext_p = s_sun + s_pl + prel;
    const double int_p = s_sun - s_pl - prel;

    struct Expect {
        double sep;
        int conj;
        char letter;
        bool series;
    };
    const Expect cases[] = {
        {0.0, 1, 'C', true},              // central, within the planet's semidiameter
        {s_pl + 0.5 * prel, 1, 'c', true}, // central within the parallax
        {0.999 * int_p, 1, 'M', true},
        {0.999 * int_p, 3, 'M', false},     // syzygy runs assign no series
        {1.001 * int_p, 1, 'm', true},
        {0.999 * ext_p, 1, 'm', true},
        {1.005 * ext_p, 3, '-', false},     // near miss, reported in syzygy runs only
        {1.005 * ext_p, 1, ' ', false},
        {1.02 * ext_p, 3, ' ', false},
    };
    for (const auto& e : cases) {
        reset_series_state();
        c.sep_in = e.sep;
        c.conj_choice = e.conj;
        const Outcome o = run(c, 2458799.1);
        EXPECT_EQ(o.letter, e.letter) << "sep " << e.sep * arcsec << " conj " << e.conj;
        EXPECT_EQ(o.iser != -1, e.series) << "sep " << e.sep * arcsec << " conj " << e.conj;
        EXPECT_EQ(o.count[2], 0);
        // The reported separation carries the sign of the planet's latitude.
        EXPECT_DOUBLE_EQ(std::abs(o.sep), e.sep * arcsec);
        EXPECT_EQ(o.sep < 0, e.sep > 0 && probe.re_before(2) < 0);
    }
}

TEST_F(Transit, ConjunctionWithoutTransit)
{
    // March 2020: Mercury passes far from the Sun. A separation that the caller
    // claims to be small starts the search, which finds no transit.
    Case c;
    c.give_separation = false;
    c.sep_in = 0.0;
    const Outcome o = run(c, 2458918.9);
    EXPECT_EQ(o.ttype, transit_none);
    EXPECT_EQ(o.iser, -1);
    EXPECT_EQ(o.letter, ' '); // not the "C" of the caller's estimate
    for (int i = 1; i <= 78; ++i) ASSERT_EQ(o.re_after(i), o.re_before(i)) << "re slot " << i;
    // Without the claim the estimate alone rejects it, before any evaluation.
    c.give_separation = true;
    const Outcome q = run(c, 2458918.9);
    EXPECT_EQ(q.ttype, transit_none);
    EXPECT_EQ(q.count[2], 0);
}

} // namespace
} // namespace r7
