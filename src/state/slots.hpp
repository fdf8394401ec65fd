// Names of the slots of the shared vectors base.re and base.xyr (state/store.hpp)
// and of the "unset" markers of the transit-series bookkeeping in astro.
#pragma once

namespace r7 {
namespace slot {

// base.re: the heliocentric triple of planet j (1 Mercury .. 9 Earth-Moon):
// longitude and latitude in degrees, radius vector in AU.
constexpr int lon(int j) { return 3 * j - 2; }
constexpr int lat(int j) { return 3 * j - 1; }
constexpr int rad(int j) { return 3 * j; }

// base.re: the Kepler elements of planet j (1..8), six slots from 6j + 25 on.
enum class Element { mean_lon = 0, axis = 1, ecc = 2, node = 3, incl = 4, peri = 5 };
constexpr int element(int j, Element e) { return 6 * j + 25 + static_cast<int>(e); }

// base.xyr: the results of one triangle evaluation that the report reads.
inline constexpr int sun_x = 31, sun_y = 32, sun_z = 33; // the Sun point of the site [m]
inline constexpr int sun_dr = 34;                        // its uncertainty radius [m]
inline constexpr int length_ratio = 35;                  // planetary over monument lengths
inline constexpr int f = 36;                             // F, the deviation of the triangle (percent)

} // namespace slot

// astro.ismax while no transit series has been assigned in the run.
inline constexpr int series_max_unset = -10000;
// astro.zstart while no start instant of the series table has been set.
inline constexpr double series_start_unset = 99.99;

} // namespace r7
