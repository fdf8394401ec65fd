// Comparison of the planet triangle with the monument triangle, the frame of an
// orbital plane, the reordering of three points, and the distance of two
// Teotihuacan sites on the Earth ellipsoid.
#pragma once

#include <array>
#include <span>
#include <string>

#include "ephemeris/coord.hpp"
#include "ephemeris/positions.hpp"
#include "state/params.hpp"

namespace r7 {

// A point of the site frame or a vector in it [m].
using SiteVec = Xyz;

// The monument triangle of a Giza or chamber site, derived once per run from
// the three points of the site record (site_geometry in run/site.hpp) and only
// read from then on. Point 3 is the anchor, the monument of planet 1; the sides
// follow the sides of the planet triangle: A' = P2 - P3 (to the monument of
// planet 2), B' = P1 - P3 (to that of planet 3), C' = P1 - P2.
struct SiteGeometry {
    std::array<SiteVec, 3> point{};  // points 1, 2, 3 after the level of the heights [m]
    std::array<double, 3> height{};  // their heights h [m]
    SiteVec a{}, b{}, c{};           // the sides A', B', C' [m]
    // Sun modes 4 and 5: B' x A', scaled to the mean length (|A'| + |B'|) / 2
    // of the two sides from the anchor.
    SiteVec normal{};
    // Sun modes 3 to 5: |A'|, |B'|, |C'| (plane lengths in mode 3) [m].
    std::array<double, 3> length{};
    // What relpos compares. Sun modes 1 and 2: the component ratios B'x/A'x,
    // B'y/A'y and B'y/B'x (the last negated for the view from the south); modes
    // 3 to 5: the length ratios |B'|/|A'|, |C'|/|A'|, |C'|/|B'|.
    std::array<double, 3> ratio{};
    // Sun modes 3 to 5: the angles between A' and B' (at the anchor), A' and C',
    // C' and B' [rad].
    std::array<double, 3> angle{};
    // Sun mode 3: the negated plane directions of A', B', C' [rad], and the
    // plane midpoints (x, y) of the monument pairs of the planet pairs 1-2, 1-3
    // and 2-3, relative to the anchor [m].
    std::array<double, 3> direction{};
    std::array<std::array<double, 2>, 3> midpoint{};
    // The reference point and the softening radius of the Sun point's
    // uncertainty: the centroid of the three points and their mean distance
    // from it [m].
    SiteVec centroid{};
    double spread = 0.0;
    // The target of the similarity fit: planet 1 onto the anchor (0, 0, 0),
    // planet 2 onto A', planet 3 onto B', relative to the anchor [m].
    std::array<double, 9> target{};

    const SiteVec& anchor() const { return point[2]; }
};

// Deviation F given to a constellation that cannot be compared (a degenerate
// triangle with a zero denominator): far above every limit, so no match.
inline constexpr double relpos_no_match = 1.0e10;

// The planet triangle compared with the monument triangle.
struct TriangleFit {
    Triangle points{};        // the planets P1, P2, P3 [AU] as compared
    // The sides A = P2 - P1, B = P3 - P1, C = P3 - P2 [AU], with their z
    // components also in the plane mode.
    Xyz a{}, b{}, c{};
    std::array<double, 3> length{}; // length mode: |A|, |B|, |C| (plane lengths in sun mode 3)
    // Ratio mode: bx/ax, by/ay, by/bx; length mode: ratio[0] = |B|/|A|.
    std::array<double, 3> ratio{};
    double angle = 0.0;       // length mode: the angle between A and B [rad]
    int view = 1;             // the view decided: 2 the triangle is seen mirrored (from the south), else 1
    double f = 0.0;           // the deviation F [per cent]
};

// relpos: the planet triangle compared with the monument triangle.
// Takes:    the run parameters (main_option 1 Giza, 2 chambers: the sense of
//           the triangle that counts as mirrored; sun_mode 2 or less compares
//           component ratios, 3 plane lengths, more space lengths;
//           constellation: the orientation is decided only for 0 and 15; view
//           1 north, 2 south, 3 both; planet_order 1..6, the chambers'
//           permutation), the three planet points [AU], the site geometry.
// Returns:  the sides, their lengths, ratios and angle, the view decided and F.
// Notes:    1. Ratio mode: F = 100 sqrt(sum over the three ratios of ((r - r')/r')^2 / 3),
//              the last monument ratio negated when the view from both sides
//              decides for the mirrored sense; length mode: F = 100 sqrt((((q -
//              q')/q')^2 + (g - g')^2) / 2) with q = |B|/|A| and g the angle
//              between A and B in radians.
//           2. The view decided: with the orientation decided, 2 when the
//              triangle has the mirrored sense and the run views from the south
//              or from both sides, else 1; without, 2 for a run from the south.
//           3. A zero denominator gives F = relpos_no_match after a message.
// Source:   the similar-triangle criterion of this program.
TriangleFit relpos(const RunParams& p, const Triangle& planets, const SiteGeometry& site);

// The planet triangle in the frame of an orbital plane, and the angles of the frame.
struct PlaneFrame {
    Triangle points{};              // the rotated points [AU]
    std::array<Lbr, 3> places{};    // their spherical places [deg, deg, AU]
    double omega = 0.0, incl = 0.0, tau = 0.0; // node angle, inclination, argument [rad]
};

// transfo: the planet triangle in the frame of an orbital plane.
// Takes:    kind (2, 3, 4 Mercury's orbital plane, 5 Venus's, any other none);
//           the rectangular points of the three planets [AU]; their spherical
//           places (the longitudes of planets 1 and 2 are read); the
//           longitudes of the ascending nodes of Mercury's and Venus's orbits [deg].
// Returns:  the rotated points, their spherical places, and the angles omega,
//           i and tau of the frame.
// Source:   rotations of the frame about the line of nodes and the pole of the
//           orbit (angles omega, i, tau).
PlaneFrame transfo(int kind, const Triangle& points, const std::array<Lbr, 3>& places, double node_mercury,
                   double node_venus);

// chambers: the three points in the order of a planet assignment.
// Takes:    the permutation k (1..6, the run's planet_order); the values of
//           three points quantity by quantity (x1 x2 x3 y1 y2 y3 ...; up to
//           four groups of three).
// Returns:  nothing; the values are reordered inside every group: 1 keeps, 2
//           swaps 2-3, 3 swaps 1-2, 4 gives the old 3, 1, 2, 5 the old 2, 3, 1,
//           6 swaps 1-3.
// Notes:    1. 1, 4 and 5 are the even permutations, which keep the sense of
//              the triangle (relpos decides the mirrored sense by them).
//           2. Any other k changes nothing.
void chambers(int k, std::span<double> p);

// A point of the Teotihuacan site table.
struct TeotiPoint {
    std::string name;          // 20 characters
    char q = ' ';              // mark printed after the position ('*' off-axis)
    char st = ' ';             // mark printed after the distances ('+' a sum or difference)
    double lat = 0.0, lon = 0.0; // GPS latitude and longitude [deg]
    double dist = 0.0;         // distance from the reference point [m]
    double map = 0.0;          // map distance [mm]
};
using TeotiPoints = std::array<TeotiPoint, 18>;

// distance: the distance of two Teotihuacan sites.
// Takes:    the site table, the zero-based site numbers i and j (0..17).
// Returns:  the distance [m]: the chord in the meridian plane and the arc of
//           the longitude difference on the mean radius of the two parallels,
//           added in quadrature.
// Notes:    1. A site number outside 0..17 throws std::out_of_range.
// Source:   the reference ellipsoid of the program (radii 6378136.6 m and
//           6356751.9 m).
double distance(const TeotiPoints& sites, int i, int j);

} // namespace r7
