// The transit computation on the expansions of the full series against the term-by-term
// sums (every transit 1600-2400, stretches -13000..17000), its contacts and greatest
// transits against the separation computed here in long double (from a cross product).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <utility>

#include "ephemeris/vsop87.hpp"
#include "state/constants.hpp"
#include "time/time.hpp"
#include "test_support.hpp"
#include "transit/transit.hpp"

namespace r7 {
namespace {

// Mean synodic periods [d].
constexpr double synodic[3] = {0.0, 115.8775, 583.9214};

const FullSeries& full() { return test::ephemerides().full(); }

// The inferior conjunction (equal heliocentric longitudes) nearest t.
double conjunction(int p, double t)
{
    for (int i = 0; i < 20; ++i) {
        const double d = std::remainder(vsop2(full(), t, p, 6).lbr.l - vsop2(full(), t, earth, 6).lbr.l, 360.0);
        t -= d * synodic[p] / 360.0;
        if (std::fabs(d) < 1e-7) break;
    }
    return t;
}

// The query a full-series transit run makes at the conjunction t: geometric
// places, phases and position angles, TT.
TransitQuery query(int p, double t)
{
    TransitQuery q{.ibody = p, .combi_flag = 0, .ephem_choice = 2, .conj_choice = p, .date_mode = 4,
                   .passage = 1, .kout = 6, .time_scale = 1, .calendar = 1, .jde = t};
    const BodyPosition pl = vsop2(full(), t, p, 6), e = vsop2(full(), t, earth, 6);
    q.planet = pl.lbr;
    q.earth = e.lbr;
    put_places(q.pos, p, pl.xyz, e.xyz);
    q.sep_in = sepa(p, q.pos);
    return q;
}

// Both computations of the transit at the conjunction t (when there is one,
// within a degree of the Sun), compared; true where there is a transit.
// Within 0.05 s and 0.001 deg: the expansions reproduce the places to 1e-13 AU,
// the term-by-term sums carry up to 3e-11 AU of rounding far from J2000.0 (a
// few 1e-4 s at the contacts, 0.01 s at the greatest transit, where the
// separation hardly changes). At the greatest transit of a nearly central
// transit 1e-11 AU moves the position angle by 1e-4 deg. The semidiameters
// follow the distance at the greatest transit.
bool compare(int p, double t)
{
    const TransitQuery q = query(p, t);
    if (q.sep_in > 0.02) return false;
    TransitQuery qd = q;
    qd.direct_series = true;
    test::Terminal term;
    const TransitResult a = transit(test::ephemerides(), qd), b = transit(test::ephemerides(), q);
    const std::string at = "planet " + std::to_string(p) + " at JDE " + std::to_string(t);
    EXPECT_EQ(term.text(), "") << at;
    EXPECT_EQ(a.ttype, b.ttype) << at;
    if (a.ttype == transit_none || a.ttype != b.ttype) return false;
    EXPECT_EQ(a.letter, b.letter) << at;
    EXPECT_EQ(a.node, b.node) << at;
    EXPECT_NEAR(a.sep, b.sep, 1e-3) << at;
    EXPECT_NEAR(a.jde, b.jde, 0.02 / 86400.0) << at;
    EXPECT_NEAR(a.table[3].pa, b.table[3].pa, 1e-3) << at;
    for (std::size_t r : {1, 2, 4, 5}) {
        const ContactRow &x = a.table[r], &y = b.table[r];
        EXPECT_EQ(x.jde == 0.0, y.jde == 0.0) << at << ", row " << r;
        if (x.jde == 0.0 || y.jde == 0.0) continue;
        EXPECT_NEAR(x.jde, y.jde, 0.002 / 86400.0) << at << ", row " << r;
        EXPECT_NEAR(x.pa, y.pa, 1e-4) << at << ", row " << r;
    }
    EXPECT_NEAR(a.sd_sun, b.sd_sun, 1e-6) << at;
    EXPECT_NEAR(a.sd_planet, b.sd_planet, 1e-6) << at;
    return true;
}

TEST(TransitExpansion, AgreesWithTheTermByTermComputation)
{
    for (int p : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "planet " << p);
        int transits = 0;
        // Every conjunction 1600-2400 (107 transits of Mercury, 14 of Venus).
        for (double t = conjunction(p, 2305447.5); t < 2597641.5; t = conjunction(p, t + synodic[p]))
            transits += compare(p, t);
        EXPECT_GE(transits, p == 1 ? 100 : 10);
        // Stretches of 40 conjunctions every 300 years (Venus 60 every 3000) from -13000 to 17000.
        for (double start = -3026961.5; start < 7930000.0; start += (p == 1 ? 300.0 : 3000.0) * 365.25) {
            double t = conjunction(p, start);
            for (int k = 0; k < (p == 1 ? 40 : 60); ++k, t = conjunction(p, t + synodic[p])) compare(p, t);
        }
    }
}

// The separation of planet and Sun seen from the Earth with the planet at its
// instant s and the Earth at the arrival of its light (converged here on the
// sums in double, whose rounding moves it by 1e-13 d), from the cross and dot
// products of the places summed in long double; the arrival instant in arrival.
long double separation(int p, double s, double& arrival)
{
    const Xyz q = vsop2(full(), s, p, 6).xyz;
    double tau = 0.004;
    for (int i = 0; i < 4; ++i) {
        const Xyz e = vsop2(full(), s + tau, earth, 6).xyz;
        tau = std::hypot(q.x - e.x, q.y - e.y, q.z - e.z) * au_m / light_m_per_day;
    }
    arrival = s + tau;
    const auto pl = test::place_extended(full(), p, s), e = test::place_extended(full(), earth, arrival);
    const long double dx = pl[0] - e[0], dy = pl[1] - e[1], dz = pl[2] - e[2];
    const long double cx = e[1] * dz - e[2] * dy, cy = e[2] * dx - e[0] * dz, cz = e[0] * dy - e[1] * dx;
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), -(e[0] * dx + e[1] * dy + e[2] * dz));
}

TEST(TransitExpansion, ContactsAreTheGeometricContacts)
{
    // Mercury 2019, Venus 2012, Mercury 2815 (grazing: external contacts only),
    // Mercury -2263, Venus 9059: each contact where the separation reaches the
    // limit, found here by secant steps on the separation above.
    for (const auto& [p, t, ttype] : {std::tuple{1, 2458799.1, transit_full}, {2, 2456084.56, transit_full},
                                      {1, 2749536.52, transit_external}, {1, 895146.7, transit_full},
                                      {2, 5030011.1, transit_full}}) {
        const TransitResult r = test::transit_near(t, p);
        ASSERT_EQ(r.ttype, ttype) << t;
        // The limits as the routine takes them, from the places it is given (those of transit_near).
        const LightTime lt = vsop2tr(full(), t, p, 0.004, 1e-9, 6);
        const double s_sun = std::asin(695508000.0 / (lt.earth_lbr.r * au_m));
        const double s_pl = std::asin(planet_radius_m(p) / ((lt.earth_lbr.r - lt.planet_lbr.r) * au_m));
        for (int row : {1, 2, 4, 5}) {
            const ContactRow& cr = r.table[static_cast<std::size_t>(row)];
            if ((row == 2 || row == 4) && ttype == transit_external) {
                EXPECT_EQ(cr.jde, 0.0);
                continue;
            }
            const double target = (row == 1 || row == 5) ? s_sun + s_pl : s_sun - s_pl;
            double arrival = 0.0, x0 = cr.jde - 0.004, x1 = x0 + 1e-4;
            auto g = [&](double x) { return static_cast<double>(separation(p, x, arrival)) - target; };
            double f0 = g(x0), f1 = g(x1); // arrival: that of x1
            for (int i = 0; i < 30 && std::fabs(x1 - x0) > 1e-12 && f1 != f0; ++i) {
                const double x2 = x1 - f1 * (x1 - x0) / (f1 - f0);
                x0 = std::exchange(x1, x2);
                f0 = std::exchange(f1, g(x2));
            }
            // The routine's light time stops at 2e-7 d between iterations: its
            // contacts lie within a few milliseconds of the geometric ones.
            EXPECT_NEAR(cr.jde, arrival, 0.005 / 86400.0) << "planet " << p << " at " << t << ", row " << row;
        }
    }
}

// The greatest transit near the instant t (JDE, TT) found here: the squared
// separation fitted by parabolas of shrinking width about its least value. The
// arrival instant of the least separation, and the position angle there.
struct Least {
    double arrival = 0.0, pa = 0.0;
};

Least least_separation(int p, double t)
{
    auto sep2 = [p](double s, double& arrival) {
        const long double a = separation(p, s, arrival);
        return a * a;
    };
    double s = t - 0.004, arrival = 0.0;
    for (double h : {1e-3, 1e-4, 1e-4}) {
        const long double fm = sep2(s - h, arrival), f0 = sep2(s, arrival), fp = sep2(s + h, arrival);
        s += static_cast<double>(h * (fm - fp) / (2.0L * (fp - 2.0L * f0 + fm)));
    }
    sep2(s, arrival);
    const LightTime lt = vsop2tr(full(), s, p, 0.004, 1e-13, 6);
    std::array<double, 9> pos{};
    put_places(pos, p, lt.planet, lt.earth);
    return {arrival, pos_angle(p, arrival, pos)};
}

// The fifth decimal of the series table.
std::string to_5_decimals(double jde)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.5f", jde);
    return buf;
}

// The greatest transit as a report prints it: day, hour, minute and second in
// TT and in UT, and the position angle to 0.01 deg.
std::string printed(double jde, double pa)
{
    std::string out;
    for (bool ut : {false, true}) {
        double shown = jde;
        if (ut) delta_t(shown);
        IDate idate;
        RDate date;
        std::string name;
        jdedate(shown, 1, idate, date, name);
        for (int k = 3; k <= 6; ++k) out += std::to_string(idate(k)) + (k < 6 ? ":" : " ");
        out += std::to_string(static_cast<int>(date(1))) + " " + name + ", ";
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", pa);
    return out + buf;
}

TEST(TransitExpansion, GreatestTransitIsTheLeastSeparation)
{
    // Transits whose printed greatest instant or angle moved when the search
    // came to end on the least separation instead of fitmin's last vertex on
    // the noisy term-by-term separation: Mercury 1664, 1697, 1753, 1756, 1782,
    // 1786, 1861, 1894, 1973 (-26" from the centre, the angle turning 0.2 deg a
    // second) and 2141, Venus 1040, 2368 and 2846.
    const std::pair<int, double> cases[] = {
        {1, 2329132.2722}, {1, 2341183.7372}, {1, 2361455.7589}, {1, 2362736.6740},
        {1, 2372238.1362}, {1, 2373506.7368}, {1, 2401091.8052}, {1, 2413143.2742}, {1, 2441996.9391},
        {1, 2503173.6582}, {2, 2101060.0177}, {2, 2586298.1144}, {2, 2760890.4649}};
    for (const auto& [p, t] : cases) {
        const TransitResult r = test::transit_near(t, p);
        ASSERT_NE(r.ttype, transit_none) << t;
        const Least ref = least_separation(p, r.jde);
        const std::string at = "planet " + std::to_string(p) + " at " + to_5_decimals(t);
        EXPECT_NEAR(r.jde, ref.arrival, 0.002 / 86400.0) << at;
        EXPECT_NEAR(r.table[3].pa, ref.pa, 1e-4) << at;
        // What the reports print is what the reference rounds to.
        EXPECT_EQ(printed(r.jde, r.table[3].pa), printed(ref.arrival, ref.pa)) << at;
    }
}

TEST(TransitExpansion, SeriesTableListsTheLeastSeparation)
{
    // Every first transit of the installed series table (written by the series
    // run, -804) is the least separation found here, to its fifth decimal.
    const test::SeriesFirsts table = test::read_series_firsts(test::read_file(test::install_data() / "inserie.t"));
    int checked = 0;
    for (int p : {1, 2}) {
        for (const auto& [number, jde] : table.first[p]) {
            EXPECT_EQ(to_5_decimals(jde), to_5_decimals(least_separation(p, jde).arrival))
                << "planet " << p << ", series " << number;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 297);
}

} // namespace
} // namespace r7
