// Kepler orbits: the mean orbital elements of the eight planets as cubic
// polynomials in time (loaded from "invsop3.t" into astro.par3), the planet's
// place in its orbit from Kepler's equation, and the table of orbital elements.
#pragma once

#include <string>
#include <string_view>

#include "state/farray.hpp"

namespace r7 {

// The eleven results of vsop3, slots 1..11 (angles in degrees):
//  1 mean longitude L [0,360]      2 semi-major axis a [AU]   3 eccentricity e
//  4 inclination i                 5 ascending node [0,360]   6 long. of perihelion [0,360]
//  7 mean anomaly M = L - pi       8 argument of perihelion   9 eccentric anomaly E
// 10 true anomaly nu [0,360)      11 true longitude nu + pi
using KeplerElements = FArray<double, 1, 11>;

// Reads the element polynomials of both frames (frame 1 ecliptic of date,
// frame 2 J2000.0) into astro.par3. A missing or short file, a record that does
// not read as four numbers, or implausible a or e throws DataError naming the
// file and the line; astro.par3 is then left as it was.
void load_kepler(const std::string& filename = "invsop3.t");

// Angle reduction of the element polynomials: |v| > 360 is taken modulo 360
// (keeping its sign), then a negative value v becomes 360 + v. 360 stays 360.
double reduce_element_angle(double v);

// Elements and orbital place of planet j (1..8) in frame s (1 date, 2 J2000.0)
// at T Julian centuries from J2000.0. ke = 0 on success; ke = 2 when Kepler's
// equation did not converge: the message goes to the report units from kout on
// (1 file and terminal, 6 terminal), and slots 9 to 11 are left untouched.
void vsop3(int s, int j, int kout, int& ke, double T, KeplerElements& el);

// Kepler orbit of planet j (1..8) in frame s at T Julian centuries from J2000.0:
// its elements into base.re(6j+25..6j+30) in the order L, a, e, node, i, pi, and
// with place also its heliocentric ecliptic longitude [0,360) and latitude
// (degrees) and radius vector (AU) into base.re(3j-2..3j), from the place in the
// orbit (argument of latitude u = nu + omega). When Kepler's equation does not
// converge vsop3's message is written and RunStop(exit_computation) thrown.
void kepler_orbit(int s, int j, double T, int kout, bool place);

// Writes the table of orbital elements of the eight planets to unit kunit. The
// elements of planet j stand in base.re(31 + 6(j-1)) onward in the order L, a,
// e, node, i, pi. kvers 3 (ecliptic of date) writes "---" for the Earth's node.
// names is the table of three-letter names, Sun first (Base::pla_all).
void elements(int kunit, int kvers, std::string_view names);

} // namespace r7
