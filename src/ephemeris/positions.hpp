// The values the ephemerides return: heliocentric places in spherical and
// rectangular coordinates, the places of several bodies at one instant, and the
// mean orbital elements of a planet.
#pragma once

#include <array>
#include <cstddef>

namespace r7 {

// A heliocentric place in spherical ecliptic coordinates: longitude L and
// latitude B [deg], radius vector R [AU].
struct Lbr {
    double l = 0.0;
    double b = 0.0;
    double r = 0.0;
};

// A heliocentric place in rectangular ecliptic coordinates x, y, z [AU].
struct Xyz {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Body numbers: 1 Mercury, 2 Venus, 3 Earth, 4 Mars, 5 Jupiter, 6 Saturn,
// 7 Uranus, 8 Neptune, 9 Earth-Moon barycentre.
inline constexpr int mercury = 1, venus = 2, earth = 3, mars = 4;
inline constexpr int max_body = 9;

// The places of the bodies at one instant, by body number (index 0 unused). A
// routine that evaluates some of the bodies leaves the others as they were.
struct Positions {
    std::array<Lbr, max_body + 1> body{};

    Lbr& operator[](int j) { return body[static_cast<std::size_t>(j)]; }
    const Lbr& operator[](int j) const { return body[static_cast<std::size_t>(j)]; }
};

// The mean orbital elements of a planet at one instant: mean longitude L
// [deg, 0..360], semi-major axis a [AU], eccentricity e, longitude of the
// ascending node, inclination i and longitude of perihelion pi [deg].
struct OrbitElements {
    double mean_lon = 0.0;
    double axis = 0.0;
    double ecc = 0.0;
    double node = 0.0;
    double incl = 0.0;
    double peri = 0.0;
};

// The elements of planets 1..8 (index 0 unused), as the element tables print them.
using ElementTable = std::array<OrbitElements, 9>;

// The positions of a light-time iteration: the transit planet at its instant,
// the Earth at the arrival of the planet's light, the light time and the
// distance between them.
struct LightTime {
    Lbr planet_lbr{};     // the planet (L, B [deg], R [AU])
    Xyz planet{};         // the same, rectangular [AU]
    Lbr earth_lbr{};      // the Earth at the last arrival instant used
    Xyz earth{};
    double lt = 0.0;      // light time [d]
    double dist = 0.0;    // planet-Earth distance [AU]
    int evaluations = 0;  // evaluations of the Earth
    int ierr = 0;         // status of the full series (0 success; see vsop87z)
};

} // namespace r7
