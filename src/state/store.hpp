// The two process-wide stores that remain: `base` (constants and the working
// geometry of the triangle comparison and the Sun point) and `astro` (the
// Teotihuacan data). Each exists once, from start to end of the process; every
// routine reaches the same instance by name. Index ranges are those the routines
// use, first index fastest. The ephemerides, the positions and the transit
// series are values that the run owns (ephemeris/ephemerides.hpp,
// ephemeris/positions.hpp, transit/series.hpp).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "state/farray.hpp"

namespace r7 {

struct Base {
    // Variables.
    FArray<double, 1, 37> xyr;   // working vector of one triangle evaluation
    double ax = 0, ay = 0, az = 0, bx = 0, by = 0, bz = 0, cx = 0, cy = 0, cz = 0;
    double ao = 0, ai = 0, at = 0; // omega, i, tau of the last transformation [rad]
    FArray<double, 1, 40> pyr;   // monument layout geometry
};

struct Astro {
    // Teotihuacan.
    std::array<std::string, 19> tname{}; // 1..18, 20 characters each
    FArray<char, 1, 18> q;
    FArray<char, 1, 18> st;
    FArray<double, 1, 18, 1, 4> teot;
    FArray<double, 1, 9, 1, 4> comp;
    FArray<double, 1, 3> alin;
    FArray<double, 1, 3> blin;
    FArray<double, 1, 3> phdis;
    FArray<double, 1, 6> bmas;
};

// Both are touched by the main thread only: the parts of a run that run on
// several threads (the transit candidates) work on values of their own.
extern constinit Base base;
extern Astro astro;

} // namespace r7
