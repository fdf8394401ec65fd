// Constants that several parts of the program share.
#pragma once

#include "io/epoch.hpp" // jd2000, days_per_julian_year

namespace r7 {

inline constexpr double pi = 3.141592653589793;
inline constexpr double two_pi = 6.283185307179586;
inline constexpr double deg_per_rad = 57.29577951308232;
inline constexpr double rad_per_deg = 0.017453292519943295;
inline constexpr double arcsec_per_rad = 206264.80624709636;

inline constexpr double au_m = 149597870700.0;            // astronomical unit [m]
inline constexpr double sun_radius_m = 695508000.0;       // [m]
inline constexpr double earth_a_m = 6378136.6;            // Earth ellipsoid, equatorial radius [m]
inline constexpr double earth_b_m = 6356751.9;            // Earth ellipsoid, polar radius [m]
inline constexpr double light_m_per_day = 25902068371200.0;

inline constexpr double days_per_gregorian_year = 365.2425; // mean Gregorian year
inline constexpr double days_per_millennium = 365250.0;   // Julian millennium
inline constexpr double days_per_century = 36525.0;       // Julian century

// Mercury passages: days of one revolution between two passages, and the JDE
// of the perihelion passage k = 0.
inline constexpr double mercury_period = 87.96934963;
inline constexpr double mercury_epoch = 2451590.257;

// First day (JD number) of the Gregorian calendar, 15 Oct. 1582 at noon; the
// calendar day starts at JDE 2299160.5 and 4 Oct. 1582 (Julian) is the day before.
inline constexpr double gregorian_first_day = 2299161.0;
inline constexpr double gregorian_first_midnight = 2299160.5;

} // namespace r7
