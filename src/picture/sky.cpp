#include "picture/sky.hpp"

#include <array>
#include <cmath>

#include "state/constants.hpp"
#include "time/time.hpp"
#include "transit/transit.hpp"

namespace r7::picture::sky {
namespace {

double centuries(double jde) { return (jde - jd2000) / days_per_century; }

struct Solar {
    double longitude; // geometric longitude of date [deg]
    double anomaly;   // true anomaly [deg]
    double e;         // the Earth's orbital eccentricity
};

Solar solar(double jde)
{
    const double t = centuries(jde);
    const double l0 = 280.46646 + t * (36000.76983 + t * 0.0003032);
    const double m = 357.52911 + t * (35999.05029 - t * 0.0001537);
    const double e = 0.016708634 - t * (0.000042037 + t * 0.0000001267);
    const double mr = m * rad_per_deg;
    const double c = (1.914602 - t * (0.004817 + t * 0.000014)) * std::sin(mr) +
                     (0.019993 - t * 0.000101) * std::sin(2.0 * mr) + 0.000289 * std::sin(3.0 * mr);
    return {std::fmod(std::fmod(l0 + c, 360.0) + 360.0, 360.0), m + c, e};
}

// Mean orbits (ecliptic of date): semi-major axis [AU], eccentricity and
// inclination [deg] at J2000.0 with their rates per Julian century.
struct Orbit {
    double a, e0, e1, i0, i1;
};
constexpr std::array<Orbit, 3> orbits{{
    {0.387098310, 0.20563175, 0.000020406, 7.004986, 0.0018215},  // Mercury
    {0.723329820, 0.00677188, -0.000047766, 3.394662, 0.0010037}, // Venus
    {1.000001018, 0.01670862, -0.000042037, 0.0, 0.0},            // Earth
}};
constexpr std::array<double, 3> planet_radius_m{0.0, 2439700.0, 6099500.0};

// The speed across the radius vector of a body at distance r on its mean
// orbit, in units of the Earth's mean speed (sqrt(GM/1 AU)): h / r.
double transverse_speed(const Orbit& o, double t, double r)
{
    const double e = o.e0 + o.e1 * t;
    return std::sqrt(o.a * (1.0 - e * e)) / r;
}

} // namespace

double sun_longitude(double jde) { return solar(jde).longitude; }

double earth_sun_distance(double jde)
{
    const Solar s = solar(jde);
    return 1.000001018 * (1.0 - s.e * s.e) / (1.0 + s.e * std::cos(s.anomaly * rad_per_deg));
}

double sun_semidiameter(double jde)
{
    return std::asin(sun_radius_m / (earth_sun_distance(jde) * au_m)) * arcsec_per_rad;
}

double ecliptic_pole_angle(double jde)
{
    const double lambda = sun_longitude(jde) * rad_per_deg;
    const double eps = transit_obliquity(jde) * rad_per_deg;
    return std::atan(-std::cos(lambda) * std::tan(eps)) * deg_per_rad;
}

double path_tilt(int body, double sd_sun, double sd_planet, char node, double jde)
{
    if (body != 1 && body != 2) return 0.0;
    const double t = centuries(jde);
    // Distances [AU] from the semidiameters: the Earth from the Sun, the
    // planet from the Earth, hence the planet from the Sun (in a line).
    double re = sd_sun > 0.0 ? sun_radius_m / (au_m * std::sin(sd_sun / arcsec_per_rad)) : earth_sun_distance(jde);
    double delta = sd_planet > 0.0 ? planet_radius_m[static_cast<std::size_t>(body)] / (au_m * std::sin(sd_planet / arcsec_per_rad))
                                   : 0.0;
    if (!(delta > 0.0) || delta >= re) delta = re - orbits[static_cast<std::size_t>(body - 1)].a; // the mean distance
    const double rp = re - delta;
    const Orbit& p = orbits[static_cast<std::size_t>(body - 1)];
    const double vp = transverse_speed(p, t, rp);
    const double ve = transverse_speed(orbits[2], t, re);
    const double inc = (p.i0 + p.i1 * t) * rad_per_deg;
    // Angular rates seen from the Earth relative to the Sun's centre: the
    // planet's motion minus the Earth's over their distance, plus the Sun's own
    // apparent motion (the Earth's speed over the Earth's distance).
    const double along = (vp * std::cos(inc) - ve) / delta + ve / re;
    const double across = vp * std::sin(inc) / delta;
    const double tilt = std::atan2(across, along) * deg_per_rad;
    return node == '/' ? tilt : -tilt;
}

double delta_t_at(double jde)
{
    double ut = jde;
    delta_t(ut);
    return (jde - ut) * seconds_per_day;
}

} // namespace r7::picture::sky
