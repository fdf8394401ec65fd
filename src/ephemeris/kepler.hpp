// Kepler orbits: the mean orbital elements of the eight planets as cubic
// polynomials in time (loaded from "invsop3.t"), the planet's
// place in its orbit from Kepler's equation, and the table of orbital elements.
#pragma once

#include <string>
#include <string_view>

#include "ephemeris/positions.hpp"
#include "state/farray.hpp"

namespace r7 {

// The eleven results of vsop3, slots 1..11 (angles in degrees):
//  1 mean longitude L [0,360]      2 semi-major axis a [AU]   3 eccentricity e
//  4 inclination i                 5 ascending node [0,360]   6 long. of perihelion [0,360]
//  7 mean anomaly M = L - pi       8 argument of perihelion   9 eccentric anomaly E
// 10 true anomaly nu [0,360)      11 true longitude nu + pi
using KeplerElements = FArray<double, 1, 11>;

// The element polynomials of the eight planets in two frames (1 ecliptic and
// equinox of date, 2 J2000.0): coefficient n (1 constant, 2 T, 3 T^2, 4 T^3) of
// element m (1 L, 2 a, 3 e, 4 i, 5 node, 6 pi) of planet j (1..8) in frame s.
using KeplerTable = FArray<double, 1, 4, 1, 6, 1, 8, 1, 2>;

// load_kepler: reads the element polynomials.
// Takes:    the file name ("invsop3.t" in the working directory).
// Returns:  the table of both frames.
// Notes:    1. A missing or short file, a record that does not read as four
//              numbers, a coefficient that is not finite, a semi-major axis that
//              is not positive or an eccentricity outside 0 <= e < 1 (their
//              constant terms, the values at J2000.0) throws DataError naming
//              the file and the line.
// Source:   the mean elements of the planets as cubic polynomials in time
//           (Meeus, Astronomical Algorithms, 2nd ed., ch. 31, tables 31.A/B).
KeplerTable load_kepler(const std::string& filename = "invsop3.t");

// reduce_element_angle: the angle reduction of the element polynomials.
// Takes:    the angle v [deg].
// Returns:  v modulo 360 where |v| > 360 (keeping its sign), then 360 + v for a
//           negative value: 0..360, and 360 stays 360.
double reduce_element_angle(double v);

// What vsop3 computes: the eleven values and the status.
struct KeplerPlace {
    KeplerElements el{};
    int ke = 0; // 0 success; 2 Kepler's equation did not converge (slots 9..11 are then 0)
};

// vsop3: the elements and the place in the orbit of one planet.
// Takes:    the table, the frame s (1 date, 2 J2000.0), the planet j (1..8),
//           T Julian centuries (TT) from J2000.0, the first report unit kout
//           (1 file and terminal, 6 terminal) of the failure message.
// Returns:  the eleven values above and the status ke.
// Notes:    1. The angles are reduced after every term of their polynomial.
//           2. Kepler's equation E - e sin E = M is solved by Newton's method
//              to 1e-13 rad; when it does not converge within 102 steps the
//              message "  ---->  error in "vsop3" (Keplers equation), ke = 2"
//              goes to the report units and ke is 2.
// Source:   Meeus, Astronomical Algorithms, 2nd ed., ch. 30 (Kepler's equation)
//           and ch. 31 (the elements).
KeplerPlace vsop3(const KeplerTable& table, int s, int j, double T, int kout);

// What kepler_orbit returns: the planet's elements and its heliocentric place.
struct KeplerOrbit {
    OrbitElements el{};
    Lbr place{}; // L [0, 360) and B [deg], R [AU]
};

// kepler_orbit: the Kepler orbit of a planet at one instant.
// Takes:    the table, the frame s (1 date, 2 J2000.0), the planet j (1..8), T
//           Julian centuries (TT) from J2000.0, the first report unit kout.
// Returns:  the elements (L, a, e, node, i, pi) and the heliocentric place from
//           the place in the orbit (argument of latitude u = nu + omega).
// Notes:    1. When Kepler's equation does not converge vsop3's message is
//              written and RunStop(exit_computation) is thrown.
// Source:   Meeus, Astronomical Algorithms, 2nd ed., ch. 33 (the place from
//           the elements).
KeplerOrbit kepler_orbit(const KeplerTable& table, int s, int j, double T, int kout);

// elements: the table of the orbital elements of the eight planets.
// Takes:    the report unit, kvers (3: the ecliptic of date, which writes "---"
//           for the Earth's node), the three-letter names Sun first
//           (planet_abbrevs), the elements of planets 1..8.
// Returns:  nothing; the table is written to the unit: per planet the mean
//           longitude, a, e, the node, i, the longitude of perihelion and the
//           perihelion distance a (1 - e) [AU].
// Source:   the element table of this program's reports.
void elements(int kunit, int kvers, std::string_view names, const ElementTable& el);

} // namespace r7
