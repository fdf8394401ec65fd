// The origin of the program's time arguments, shared by every layer from the
// lowest up: the standard epoch J2000.0 and the Julian year that counts from it.
// The other shared constants (state/constants.hpp) include this header.
#pragma once

namespace r7 {

inline constexpr double jd2000 = 2451545.0;              // JDE of J2000.0
inline constexpr double days_per_julian_year = 365.25;

} // namespace r7
