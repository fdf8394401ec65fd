// Constants that several parts of the program share.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

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
inline constexpr double seconds_per_day = 86400.0;

// Mercury passages: days of one revolution between two passages, and the JDE
// of the perihelion passage k = 0.
inline constexpr double mercury_period = 87.96934963;
inline constexpr double mercury_epoch = 2451590.257;

// First day (JD number) of the Gregorian calendar, 15 Oct. 1582 at noon; the
// calendar day starts at JDE 2299160.5 and 4 Oct. 1582 (Julian) is the day before.
inline constexpr double gregorian_first_day = 2299161.0;
inline constexpr double gregorian_first_midnight = 2299160.5;

// The k-numbers of the 14 predefined constellations that the dialog offers
// ("Constell. (1..14)"); 1 to 5 and 6 to 10 are each 15778 passages apart.
inline constexpr std::array<double, 15> akon_table{
    0.0, -38912.0, -23134.0, -7356.0, 8422.0, 24200.0, -24130.0, -8352.0,
    7426.0, 23204.0, 38982.0, -4781.0, 4519.0, 39313.9134336, -20240.1362451};

// akon: the k-number of a predefined constellation.
// Takes:    the constellation c, 1..14 (0 gives 0).
// Returns:  its k-number (Mercury passages since the epoch).
constexpr double akon(int c) { return akon_table[static_cast<std::size_t>(c)]; }

// planet_radius_m: the radius of a transit planet (ra).
// Takes:    the planet p, 1 Mercury, 2 (or any other) Venus.
// Returns:  the radius [m].
constexpr double planet_radius_m(int p) { return p == 1 ? 2439700.0 : 6099500.0; }

// synodic_period: the synodic period of a transit planet (tsyn).
// Takes:    the planet p, 1 Mercury, 2 (or any other) Venus.
// Returns:  the period [d].
constexpr double synodic_period(int p) { return p == 1 ? 115.8775 : 583.9214; }

// reference_scale: the reference value of the fit's scale factor M (zthe).
// Takes:    the site s, 1 (or any other) the pyramids, 2 the chambers.
// Returns:  M, real length per site length.
constexpr double reference_scale(int s) { return s == 2 ? 2361400000.0 : 97073000.0; }

// Names of the bodies, the Sun first (0 Sun, 1 Mercury .. 8 Neptune, 9 the
// Earth-Moon barycentre): three letters (pla) and ten letters (plan).
inline constexpr std::string_view planet_abbrevs = "SunMerVenEarMarJupSatUraNepE-M";

// pla: the three-letter name of a body.
// Takes:    the body i, 0..9.
// Returns:  "Sun", "Mer", ... "Nep", "E-M".
constexpr std::string_view pla(int i) { return planet_abbrevs.substr(static_cast<std::size_t>(3 * i), 3); }
inline constexpr std::array<std::string_view, 10> planet_names{
    "Sun       ", "Mercury   ", "Venus     ", "Earth     ", "Mars      ",
    "Jupiter   ", "Saturn    ", "Uranus    ", "Neptune   ", "Earth-Moon"};

// plan: the ten-letter name of a body.
// Takes:    the body i, 0..9.
// Returns:  the name padded to 10 characters: "Mercury   ".
constexpr std::string_view plan(int i) { return planet_names[static_cast<std::size_t>(i)]; }

} // namespace r7
