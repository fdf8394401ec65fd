// Transits seen from a place on the Earth: the observer on the Earth's
// ellipsoid, turned with the Earth's rotation, and the circumstances of a
// transit there (the local contacts I to IV and the greatest transit, with the
// Sun's altitude and azimuth and the position angle and zenith angle of each
// phase). Pure functions of the ephemerides and their inputs.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ephemeris/ephemerides.hpp"
#include "ephemeris/expansion.hpp"
#include "ephemeris/positions.hpp"
#include "state/constants.hpp"

namespace r7 {

// A place of observation.
struct Observer {
    double lat = 0.0;    // geodetic latitude [deg], north positive (-90..90)
    double lon = 0.0;    // longitude [deg], east positive (-180..180)
    double height = 0.0; // height above the ellipsoid [m]
    std::string name;    // a name for the reports ("Giza"); empty for a place given by coordinates
};

// greenwich_sidereal: the Greenwich mean sidereal time.
// Takes:    the Julian Day in Universal Time.
// Returns:  the hour angle of the mean equinox of date at Greenwich [deg, 0..360).
// Source:   Meeus, Astronomical Algorithms, 2nd ed., eq. 12.4 (IAU 1982).
double greenwich_sidereal(double jd_ut);

// The observer's place and directions at one instant, in the mean equator and
// equinox of date: the geocentric position [AU] and the unit vectors of the
// zenith (the normal of the ellipsoid), the north and the east of the horizon.
struct SiteVectors {
    Xyz pos{};
    Xyz zenith{}, north{}, east{};
};

// site_vectors: where the observer stands at one instant.
// Takes:    the observer, the Julian Day in Universal Time.
// Returns:  the place and the horizon's directions (equator of date).
// Notes:    1. The ellipsoid of the program (radii earth_a_m and earth_b_m);
//              the site turns with the Greenwich mean sidereal time plus its
//              longitude (no nutation, no polar motion).
// Source:   the geodetic to rectangular conversion of the ellipsoid.
SiteVectors site_vectors(const Observer& o, double jd_ut);

// What a local computation is given.
//   t_guess: an instant near the greatest transit (TT): the geocentric greatest
//   transit, or the row's instant of a run without phases; tau: a start value
//   of the planet's light time [d]; path_samples: how many extra instants of
//   the planet's path across the disk to compute for a diagram (0: none);
//   sun_radius_m, planet_radius_m: the radii of the contacts (0: the
//   program's, sun_radius_m and the planet's of planet_radius_m).
struct LocalQuery {
    int ibody = 1;            // 1 Mercury, 2 Venus
    bool short_series = false; // the short series (else the full VSOP87 series)
    int kout = 6;             // first report unit of the ephemeris' messages
    double t_guess = 0.0;
    double tau = 0.004;
    Observer site{};
    int path_samples = 0;
    double sun_radius_m = 0.0;
    double planet_radius_m = 0.0;
    // The full series of the planet and the Earth expanded about the transit,
    // where the caller has them (nullptr: the places term by term).
    const SeriesWindow* window = nullptr;
};

// Phases of a local transit, in the order of the contact table.
inline constexpr int local_phases = 5; // 0 contact I, 1 II, 2 greatest transit, 3 III, 4 IV

// One phase as seen from the site.
struct LocalPhase {
    bool has = false;     // the phase happens at the site (and was found)
    double jde = 0.0;     // its instant (TT), the light's arrival at the site
    double sun_alt = 0.0; // the Sun's altitude [deg], geometric (no refraction)
    double sun_az = 0.0;  // the Sun's azimuth [deg, 0..360) from north through east
    double pa = 0.0;      // position angle of the planet's centre on the disk [deg, 0..360) from north through east
    double za = 0.0;      // the same angle counted from the zenith point of the disk [deg, 0..360)
    double sep = 0.0;     // separation of the centres ["]
};

// A point of the planet's path across the disk, as seen from the site.
struct LocalPathPoint {
    double jde = 0.0;
    double sep = 0.0;     // ["]
    double za = 0.0;      // [deg], as LocalPhase::za
    double sun_alt = 0.0; // [deg]
};

// The kind of a transit at the site.
inline constexpr int local_none = 0;     // the planet passes outside the Sun's limb
inline constexpr int local_external = 2; // it only grazes the limb: contacts I and IV
inline constexpr int local_full = 3;     // all four contacts

struct LocalCircumstances {
    int ttype = local_none;
    std::array<LocalPhase, local_phases> phase{};
    double sep = 0.0;        // the least separation at the site ["], negative south of the Sun's centre (ecliptic)
    double sd_sun = 0.0;     // the Sun's and the planet's semidiameters at the greatest transit ["]
    double sd_planet = 0.0;
    std::vector<LocalPathPoint> path; // the path samples and the phases, in time order
    int evaluations = 0;     // instants evaluated (the Earth's place and the planet's at its light time)
    bool converged = true;   // every search ended within its tolerance (else a phase may be missing)
};

// local_transit: the circumstances of a transit seen from a site.
// Takes:    the ephemerides (the series the query names, of the planet and the
//           Earth), the query.
// Returns:  the local greatest transit (least separation of the centres seen
//           from the site), the kind of transit there, the local contacts, and
//           for each phase the Sun's altitude and azimuth and the position and
//           zenith angles of the planet on the disk; with path_samples, the
//           planet's path across the disk.
// Notes:    1. Topocentric: the site (site_vectors, with UT = TT - Delta T)
//              is turned from the equator to the ecliptic of date with the
//              obliquity of the transit computation and added to the Earth's
//              heliocentric place. As in the geocentric computation, the
//              observer is taken at the light's arrival and the planet at the
//              instant its light leaves it (light time to the site); the Sun
//              stands at the origin. The semidiameters are those seen from the
//              site at each instant (asin of radius over distance).
//           2. The greatest transit: the planet's offset from the Sun's
//              centre moves almost on a straight line; from its places at two
//              instants either side of the estimate (0.01 d apart at first,
//              then closer as the estimate settles) the least distance of
//              that line gives the next estimate, to 1e-7 d. The contacts: the
//              roots of separation minus (sum or difference of the
//              semidiameters), from the estimate of the squared separation's
//              parabola about its least value, by a Newton step and secant
//              steps kept inside a bracket, to 1e-7 d (the error left is far
//              smaller). The light time is iterated to 1e-14 d, the last
//              small change by the planet's velocity, so that the separation
//              is smooth from instant to instant.
//           3. The Sun's altitude is geometric: its centre above the
//              ellipsoid's horizon, without refraction; the azimuth counts
//              from north through east. The position angle counts from the
//              north point of the disk, the zenith angle from its zenith point,
//              both towards the east (counter-clockwise on the sky).
// Source:   the geometry of the transit limits as in transit(); Meeus,
//           Astronomical Algorithms, 2nd ed., ch. 11 (the ellipsoid) and 12
//           (sidereal time).
LocalCircumstances local_transit(const Ephemerides& eph, const LocalQuery& q);

} // namespace r7
