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
    // Named constants.
    static constexpr std::array<double, 15> akon_{
        0.0, -38912.0, -23134.0, -7356.0, 8422.0, 24200.0, -24130.0, -8352.0,
        7426.0, 23204.0, 38982.0, -4781.0, 4519.0, 39313.9134336, -20240.1362451};
    // k-number of predefined constellation c, c = 1..14.
    static constexpr double akon(int c) { return akon_[c]; }
    static constexpr std::array<double, 3> ra_{0.0, 2439700.0, 6099500.0};
    static constexpr double ra(int p) { return ra_[p]; }          // planet radius [m], 1 Mercury, 2 Venus
    static constexpr std::array<double, 3> tsid_{0.0, 87.9693, 224.7008};
    static constexpr double tsid(int p) { return tsid_[p]; }      // sidereal period [d]
    static constexpr std::array<double, 3> tsyn_{0.0, 115.8775, 583.9214};
    static constexpr double tsyn(int p) { return tsyn_[p]; }      // synodic period [d]
    static constexpr std::array<double, 3> zthe_{0.0, 97073000.0, 2361400000.0};
    static constexpr double zthe(int s) { return zthe_[s]; }      // reference scale factor, 1 pyramids, 2 chambers

    // Three-letter planet names, Sun first: pla(0) "Sun", pla(1) "Mer" ... pla(9) "E-M".
    static constexpr std::string_view pla_all = "SunMerVenEarMarJupSatUraNepE-M";
    static constexpr std::string_view pla(int i) { return pla_all.substr(static_cast<std::size_t>(3 * i), 3); }
    // Ten-letter planet names, Sun first.
    static constexpr std::array<std::string_view, 10> plan_{
        "Sun       ", "Mercury   ", "Venus     ", "Earth     ", "Mars      ",
        "Jupiter   ", "Saturn    ", "Uranus    ", "Neptune   ", "Earth-Moon"};
    static constexpr std::string_view plan(int i) { return plan_[static_cast<std::size_t>(i)]; }

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
