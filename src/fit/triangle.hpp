// Comparison of the planet triangle with the monument triangle, the frame of an
// orbital plane, the reordering of three points, and the distance of two
// Teotihuacan sites on the Earth ellipsoid.
#pragma once

#include <array>
#include <span>

#include "ephemeris/positions.hpp"

namespace r7 {

// Deviation F given to a constellation that cannot be compared (a degenerate
// triangle with a zero denominator): far above every limit, so no match.
inline constexpr double relpos_no_match = 1.0e10;

// Compares the triangle of the planets in xyr(1..9) with the monument values
// pyr(24..27) and writes the difference vectors xyr(11..19), ax..cz, the lengths,
// ratios and angle xyr(21..27) and F into xyr(36) (slot::f). selector: 1 Giza, 2 chambers;
// dim_mode: 2 or less ratios of components, 3 plane lengths, more space lengths;
// check: the orientation is decided only for 0 and 15; orient/orient2: the view,
// decided as 1 (plain) or 2 (mirrored); perm: the chamber permutation 1..6.
void relpos(const int& selector, const int& dim_mode, const int& check, int& orient, int& orient2,
            const int& perm);

// transfo: the planet triangle in the frame of an orbital plane.
// Takes:    kind (2, 3, 4 Mercury's orbital plane, 5 Venus's, any other none);
//           the spherical places of the three planets (the longitudes of
//           Mercury and Venus are read); the longitudes of the ascending nodes
//           of Mercury's and Venus's orbits [deg].
// Returns:  the spherical places of the three points in the new frame.
// Notes:    1. The rectangular points are read from, and the rotated ones
//              written to, the working vector base.xyr(1..9); the angles omega,
//              i and tau go to base.ao, ai, at.
// Source:   rotations of the frame about the line of nodes and the pole of the
//           orbit (angles omega, i, tau).
std::array<Lbr, 3> transfo(int kind, const std::array<Lbr, 3>& places, double node_mercury, double node_venus);

// Reorders the values of three points inside every group of three (p holds 12
// values, quantity by quantity): 1 keeps, 2 swaps 2-3, 3 swaps 1-2, 4 gives old
// 3,1,2, 5 gives old 2,3,1, 6 swaps 1-3.
void chambers(const int& k, std::span<double> p);

// Distance in metres of the Teotihuacan sites i and j (zero-based rows of teot).
void distance(const int& i, const int& j, double& d);

} // namespace r7
