// Coordinate operations shared by the ephemerides and the fits: spherical and
// rectangular heliocentric coordinates, rotations and shifts of three-point sets,
// and the geodetic conversions of the monument site.
#pragma once

#include <array>
#include <span>

#include "ephemeris/positions.hpp"

namespace r7 {

// The three points of a planet triangle (1 Mercury or the first planet, 2, 3).
using Triangle = std::array<Xyz, 3>;

// kartko: rectangular coordinates of the three places of a planet triangle.
// Takes:    korigin, the origin of the longitudes: 0 the equinox (longitudes as
//           they are), 2 the longitude of place 2, any other value that of
//           place 1; the three spherical places (L, B [deg], R [AU]).
// Returns:  the three points x, y, z [AU] in the same order.
// Notes:    1. x = R cos B cos(L - L0), y = R cos B sin(L - L0), z = R sin B.
// Source:   the conversion from spherical to rectangular coordinates.
Triangle kartko(int korigin, const std::array<Lbr, 3>& places);

// rectangular: the rectangular point of one place.
// Takes:    the place (L, B [deg], R [AU]).
// Returns:  x, y, z [AU], the longitude counted from the equinox (kartko with
//           origin 0, to the last bit).
// Source:   the conversion from spherical to rectangular coordinates.
Xyz rectangular(const Lbr& place);

// kugelko: spherical coordinates of a rectangular point.
// Takes:    x, y, z.
// Returns:  lbr = (L [deg, 0..360), B [deg, -90..90], R in the unit of x, y, z).
// Notes:    1. A point on the z axis gets L = 0 (B = +-90); the origin gives
//              (0, 0, 0).
// Source:   the conversion from rectangular to spherical coordinates.
void kugelko(double x, double y, double z, std::span<double, 3> lbr);

// rotmat: the three points of a set turned into a rotated frame.
// Takes:    the rotation kaxis, the angles a1, a2, a3 [rad], the three points
//           (x, y, z each) of p.
// Returns:  nothing; p holds the points in the new frame.
// Notes:    1. kaxis 1: about x by a1; 2: about y by a1 (x' = x cos a1 + z
//              sin a1); 3 (and below 1): about z by a1 (x' = x cos a1 + y sin
//              a1); 4: by a2 about the line of nodes at angle a1 in the x-y
//              plane; 5 and above: the Euler angles z-x-z, about z by a1, the
//              new x by a2 and the new z by a3.
//           2. Each turns the frame by the angle: the points turn by the
//              opposite angle.
void rotmat(int kaxis, double a1, double a2, double a3, std::span<double, 9> p);

// translat: the three points of a set shifted.
// Takes:    the shift (dx, dy, dz), the three points (x, y, z each) of p.
// Returns:  nothing; the shift is added to each point of p.
void translat(double dx, double dy, double dz, std::span<double, 9> p);

// geokar: the meridian point of the ellipsoid at a geodetic latitude.
// Takes:    the geodetic latitude phi [deg].
// Returns:  rho, the distance from the rotation axis, and zeta, the height above
//           the equator plane (never negative) [m].
// Notes:    1. The ellipsoid of the program (radii earth_a_m and earth_b_m), at
//              the height 0.
// Source:   Meeus, Astronomical Algorithms, 2nd ed., 1998, ch. 11 (the reduced
//           latitude u, tan u = (b/a) tan phi: rho = a cos u, zeta = b sin u).
void geokar(double phi, double& rho, double& zeta);

// A geographic place as whole degrees (truncated toward zero) and minutes
// carrying the sign of the angle: geodetic latitude north, longitude east.
struct GeoPlace {
    int latdeg = 0;
    double latmin = 0.0;
    int londeg = 0;
    double lonmin = 0.0;
};

// geoko: the geographic place of a point of the site.
// Takes:    the local offset (xn metres north, ye metres east) from the
//           reference point of site ksite (1 the first Giza reference, any
//           other value the second).
// Returns:  its geodetic latitude and east longitude.
// Notes:    1. The northward offset is an arc of the meridian, scaled so that
//              its chord equals |xn| (unscaled without a measurable chord); the
//              eastward offset runs along the parallel of the mean latitude.
// Source:   the reference ellipsoid of the program (radii 6378136.6 m and
//           6356751.9 m).
GeoPlace geoko(double xn, double ye, int ksite);

// reduz: an angle reduced in place.
// Takes:    the angle, in_radians (non-zero: the angle is in radians, else in
//           degrees), the mode.
// Returns:  nothing; the angle, in its unit, reduced: mode 0 to -180..180 deg,
//           mode 1 to 0..360 deg, any other mode only modulo 360 (keeping its
//           sign).
// Notes:    1. Both bounds can occur: 180 stays 180 in mode 0, 360 stays 360 in
//              mode 1.
void reduz(double& angle, int in_radians, int mode);

} // namespace r7
