// Names of the slots of the working vector base.xyr (state/store.hpp) that the
// report reads.
#pragma once

namespace r7 {
namespace slot {

// base.xyr: the results of one triangle evaluation that the report reads.
inline constexpr int sun_x = 31, sun_y = 32, sun_z = 33; // the Sun point of the site [m]
inline constexpr int sun_dr = 34;                        // its uncertainty radius [m]
inline constexpr int length_ratio = 35;                  // planetary over monument lengths
inline constexpr int f = 36;                             // F, the deviation of the triangle (percent)

} // namespace slot
} // namespace r7
