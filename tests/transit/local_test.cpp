// Transits seen from a site: the local contacts against a topocentric computation
// written here (the sidereal time it takes checked against Meeus below); published
// contacts from Montreal in tests/e2e/command_line_test.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>

#include "ephemeris/vsop87.hpp"
#include "state/constants.hpp"
#include "test_support.hpp"
#include "time/time.hpp"
#include "transit/local.hpp"
#include "transit/transit.hpp"

namespace r7 {
namespace {

constexpr double deg = std::numbers::pi / 180.0;
constexpr double arcsec = 206264.80624709636;

struct V {
    double x = 0, y = 0, z = 0;
};
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
double dotp(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double len(V a) { return std::sqrt(dotp(a, a)); }

// Mean obliquity of the IAU 2006 precession [rad].
double obliquity_iau(double jde)
{
    const double t = (jde - 2451545.0) / 36525.0;
    return (84381.406 - 46.836769 * t - 0.0001831 * t * t) / arcsec;
}

// The site's geocentric place on the equator of date [AU] (Meeus, ch. 11).
V site_equatorial(const Observer& s, double jd_ut)
{
    const double a = 6378136.6, b = 6356751.9;
    const double phi = s.lat * deg;
    const double u = std::atan(b / a * std::tan(phi));
    const double rho_sin = b / a * std::sin(u) + s.height / a * std::sin(phi);
    const double rho_cos = std::cos(u) + s.height / a * std::cos(phi);
    const double lst = (greenwich_sidereal(jd_ut) + s.lon) * deg;
    return {a * rho_cos * std::cos(lst) / au_m, a * rho_cos * std::sin(lst) / au_m, a * rho_sin / au_m};
}

// Ecliptic of date from the equator of date.
V to_ecliptic(V v, double eps) { return {v.x, std::cos(eps) * v.y + std::sin(eps) * v.z, -std::sin(eps) * v.y + std::cos(eps) * v.z}; }
V to_equator(V v, double eps) { return {v.x, std::cos(eps) * v.y - std::sin(eps) * v.z, std::sin(eps) * v.y + std::cos(eps) * v.z}; }

struct TopoSky {
    V sun, planet; // from the site, ecliptic of date [AU]
    double sep = 0, sd_sun = 0, sd_planet = 0; // [rad]
    double eps = 0, jd_ut = 0;
};

const Ephemerides& eph() { return test::ephemerides(); }

// The transit of planet `body` seen from `site`, computed independently.
struct Independent {
    int body;
    Observer site;

    TopoSky at(double t) const
    {
        TopoSky k;
        k.jd_ut = t;
        delta_t(k.jd_ut);
        k.eps = obliquity_iau(t);
        const Xyz e = vsop2(eph().full(), t, 3, 6).xyz;
        const V obs = V{e.x, e.y, e.z} + to_ecliptic(site_equatorial(site, k.jd_ut), k.eps);
        double tau = 0.0;
        V p;
        for (int i = 0; i < 5; ++i) { // the light time converges by 1e-4 a step
            const Xyz q = vsop2(eph().full(), t - tau, body, 6).xyz;
            p = {q.x, q.y, q.z};
            tau = len(p - obs) * au_m / light_m_per_day;
        }
        k.sun = V{} - obs;
        k.planet = p - obs;
        k.sep = std::acos(dotp(k.sun, k.planet) / (len(k.sun) * len(k.planet)));
        k.sd_sun = std::asin(695508000.0 / (len(k.sun) * au_m));
        k.sd_planet = std::asin((body == 1 ? 2439700.0 : 6099500.0) / (len(k.planet) * au_m));
        return k;
    }

    static double limit(const TopoSky& k, bool external) { return external ? k.sd_sun + k.sd_planet : k.sd_sun - k.sd_planet; }

    // The four contacts within +-0.4 d of t (nullopt where a limit is not
    // crossed): a scan in steps of 0.01 d, then bisection.
    std::array<std::optional<double>, 5> contacts(double t) const
    {
        std::array<std::optional<double>, 5> c;
        double prev_t = t - 0.4;
        TopoSky prev = at(prev_t);
        for (double x = t - 0.39; x <= t + 0.4; x += 0.01) {
            const TopoSky k = at(x);
            for (bool external : {true, false}) {
                const bool in_now = k.sep < limit(k, external);
                if ((prev.sep < limit(prev, external)) == in_now) continue;
                double t0 = prev_t, t1 = x;
                while (t1 - t0 > 1e-9) {
                    const double m = 0.5 * (t0 + t1);
                    const TopoSky km = at(m);
                    ((km.sep < limit(km, external)) == in_now ? t1 : t0) = m;
                }
                c[external ? (in_now ? 0 : 4) : (in_now ? 1 : 3)] = 0.5 * (t0 + t1);
            }
            prev = k;
            prev_t = x;
        }
        return c;
    }

    // The Sun's altitude and azimuth, the planet's P and Z on the disk [deg], not reduced.
    struct Angles {
        double alt, az, pa, za;
    };
    Angles angles(double t) const
    {
        const TopoSky k = at(t);
        auto radec = [&](V v, double& ra, double& dec) {
            const V q = to_equator(v, k.eps);
            ra = std::atan2(q.y, q.x);
            dec = std::atan2(q.z, std::hypot(q.x, q.y));
        };
        double as, ds, ap, dp;
        radec(k.sun, as, ds);
        radec(k.planet, ap, dp);
        const double phi = site.lat * deg;
        const double h = (greenwich_sidereal(k.jd_ut) + site.lon) * deg - as;
        Angles a{};
        a.alt = std::asin(std::sin(phi) * std::sin(ds) + std::cos(phi) * std::cos(ds) * std::cos(h)) / deg;
        a.az = std::atan2(-std::cos(ds) * std::sin(h), std::cos(phi) * std::sin(ds) - std::sin(phi) * std::cos(ds) * std::cos(h)) / deg;
        const double da = ap - as;
        a.pa = std::atan2(std::cos(dp) * std::sin(da), std::sin(dp) * std::cos(ds) - std::cos(dp) * std::sin(ds) * std::cos(da)) / deg;
        const double q = std::atan2(std::sin(h), std::tan(phi) * std::cos(ds) - std::sin(ds) * std::cos(h)) / deg;
        a.za = a.pa - q;
        return a;
    }
};

LocalCircumstances local(const TransitResult& g, int body, const Observer& s, const SeriesWindow* w = nullptr)
{
    return local_transit(eph(), {.ibody = body, .t_guess = g.jde, .site = s, .window = w});
}

double angle_diff(double a, double b) { return std::remainder(a - b, 360.0); }

// Five transits from sites near the equator, at high latitude and near the date line,
// with the places term by term and through the expansions of a transit run:
// contacts within 1 s (found: 0.01 s), angles within 0.002 deg (sidereal times and obliquities differ).
TEST(Local, AgreesWithAnIndependentTopocentricComputation)
{
    const Observer sites[] = {{-0.22, -78.51, 2850, "Quito"}, {1.35, 103.82, 15, "Singapore"}, {69.65, 18.96, 10, "Tromso"},
                              {-77.85, 166.67, 10, "McMurdo"}, {-18.14, 178.44, 5, "Fiji"}, {64.73, -177.5, 10, "Chukotka"}};
    for (const auto& [jde, body] : {std::pair{2453164.85, 2}, {2456084.56, 2}, {2452766.83, 1}, {2457518.12, 1},
                                    {2458799.14, 1}}) {
        const TransitResult g = test::transit_near(jde, body);
        ASSERT_EQ(g.ttype, transit_full) << jde;
        const SeriesWindow window(eph().full(), g.jde, {body, earth});
        for (int k = 0; k < 2 * static_cast<int>(std::size(sites)); ++k) {
            const Observer& s = sites[k / 2];
            const SeriesWindow* w = k % 2 == 1 ? &window : nullptr;
            SCOPED_TRACE(s.name + " " + std::to_string(jde) + (w != nullptr ? ", expanded" : ""));
            const LocalCircumstances l = local(g, body, s, w);
            EXPECT_TRUE(l.converged);
            EXPECT_EQ(l.ttype, local_full);
            const Independent ind{body, s};
            const auto c = ind.contacts(g.jde);
            for (std::size_t i : {0u, 1u, 3u, 4u}) {
                ASSERT_TRUE(l.phase[i].has && c[i]) << "phase " << i;
                const double d = (l.phase[i].jde - *c[i]) * 86400.0;
                EXPECT_LT(std::abs(d), 1.0) << "phase " << i;
            }
            for (const LocalPhase& ph : l.phase) {
                const auto a = ind.angles(ph.jde);
                for (double d : {ph.sun_alt - a.alt, angle_diff(ph.sun_az, a.az), angle_diff(ph.pa, a.pa),
                                 angle_diff(ph.za, a.za)})
                    EXPECT_LT(std::abs(d), 0.002);
            }
            // The greatest transit: the least separation of the independent
            // computation lies there (it is larger 10 s either side).
            const double m = ind.at(l.phase[2].jde).sep;
            EXPECT_NEAR(m * arcsec, std::abs(l.sep), 2e-4);
            EXPECT_LT(m, ind.at(l.phase[2].jde - 10.0 / 86400.0).sep);
            EXPECT_LT(m, ind.at(l.phase[2].jde + 10.0 / 86400.0).sep);
        }
    }
}

// Mercury, 11 May 1937: no geocentric contact, but from McMurdo contacts I
// and IV, from Tromso none; 15 Nov. 1999 only grazes the limb from McMurdo.
TEST(Local, HandlesATransitThatGrazesTheLimbFromTheSite)
{
    const Observer mcmurdo{-77.85, 166.67, 10, "McMurdo"}, tromso{69.65, 18.96, 10, "Tromso"};
    for (const double jde : {2428664.87, 2451498.40}) {
        SCOPED_TRACE(jde);
        const TransitResult g = test::transit_near(jde, 1);
        EXPECT_EQ(g.ttype, jde < 2.43e6 ? transit_partial_earth : transit_full);
        const LocalCircumstances l = local(g, 1, mcmurdo);
        EXPECT_EQ(l.ttype, local_external);
        EXPECT_TRUE(l.phase[0].has && l.phase[2].has && l.phase[4].has);
        EXPECT_FALSE(l.phase[1].has || l.phase[3].has);
        const auto c = Independent{1, mcmurdo}.contacts(g.jde);
        ASSERT_TRUE(c[0] && c[4] && !c[1] && !c[3]);
        EXPECT_LT(std::abs(l.phase[0].jde - *c[0]) * 86400.0, 1.0);
        EXPECT_LT(std::abs(l.phase[4].jde - *c[4]) * 86400.0, 1.0);
    }
    const TransitResult g = test::transit_near(2428664.87, 1);
    const LocalCircumstances none = local(g, 1, tromso);
    EXPECT_EQ(none.ttype, local_none);
    EXPECT_TRUE(none.phase[2].has);
    for (std::size_t i : {0u, 1u, 3u, 4u}) EXPECT_FALSE(none.phase[i].has);
    const auto c = Independent{1, tromso}.contacts(g.jde);
    for (const auto& k : c) EXPECT_FALSE(k);
}

// The short series within its own accuracy of the full series; the path of a
// diagram in time order, starting and ending off the disk.
TEST(Local, ShortSeriesAndPathSamples)
{
    const TransitResult g = test::transit_near(2458799.14, 1);
    const Observer giza{29.979197, 31.134275, 60.4, "Giza"};
    const LocalCircumstances s =
        local_transit(eph(), {.ibody = 1, .short_series = true, .t_guess = g.jde, .site = giza, .path_samples = 9});
    const LocalCircumstances f = local(g, 1, giza);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR((s.phase[i].jde - f.phase[i].jde) * 86400.0, 0.0, 30.0) << i;
    ASSERT_GE(s.path.size(), 9u + 4u);
    for (std::size_t k = 1; k < s.path.size(); ++k) EXPECT_LT(s.path[k - 1].jde, s.path[k].jde);
    EXPECT_GT(s.path.front().sep, s.sd_sun + s.sd_planet);
    EXPECT_GT(s.path.back().sep, s.sd_sun + s.sd_planet);
}

// Meeus, Astronomical Algorithms, examples 12.a and 12.b: 1987 April 10 at 0h
// UT, 13h 10m 46.3668s; at 19h 21m 00s UT, 8h 34m 57.0896s.
TEST(LocalSite, GreenwichSiderealTimeOfMeeusExamples)
{
    EXPECT_NEAR(greenwich_sidereal(2446895.5), (13 + 10 / 60.0 + 46.3668 / 3600.0) * 15.0, 1e-7);
    EXPECT_NEAR(greenwich_sidereal(2446896.30625), (8 + 34 / 60.0 + 57.0896 / 3600.0) * 15.0, 1e-7);
}

} // namespace
} // namespace r7
