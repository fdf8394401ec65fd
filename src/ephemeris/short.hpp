// The short planetary series: a truncated VSOP87D theory (heliocentric L, B, R,
// ecliptic and equinox of date) of Mercury, Venus, Earth and Mars, read from
// "invsop1.t". Block k = 3(planet - 1) + coordinate: 1 Mercury L, 2 Mercury B,
// 3 Mercury R, ..., 12 Mars R.
#pragma once

#include <array>
#include <span>
#include <string>

namespace r7 {

// Reads the short series into `base.lmax`, `base.jp` and `astro.par1`. Throws
// DataError naming the file when it is missing, ends early (saying what is
// missing) or holds a value that is not a number, and naming the file and the
// block when a block has more than 6 powers of time or a power more than 69 terms.
void vsop1load(const std::string& file = "invsop1.t");

// One block at tau thousands of Julian years (TT) from J2000.0: L and B in
// degrees (L in [0, 360]), R in AU.
void vsop1(int k, double tau, double& value);

// Blocks 1..kend (9: Mercury, Venus, Earth; 12: with Mars) at one instant into
// slots 1..kend of `base.re`, as a parallel loop over the blocks (contiguous
// chunks per thread, each block writing only its own slot).
void vsop1all(double tau, int kend);

// Light time between a transit planet (ibody 1 or 2) at tau and the Earth, with the
// short series. lt: light time in days (in: starting estimate); tol in thousands
// of Julian years. pos: triple ibody the planet, triple 3 the Earth at the arrival
// instant; `base.re` triples ibody and 3 and `base.xyr` slots 1..9 are updated;
// dist in AU; count[2] counts the Earth evaluations; scratch receives the last
// arrival instant.
void vsop1tr(int ibody, std::span<double, 9> pos, double tau, double& lt, double& dist, double tol,
             std::array<int, 6>& count, double& scratch);

} // namespace r7
