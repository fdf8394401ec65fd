// The two process-wide stores: `base` (constants and the working geometry of one
// evaluation) and `astro` (coefficient tables, transit-series bookkeeping and the
// Teotihuacan data). Each exists once, from start to end of the process; every
// routine reaches the same instance by name. Index ranges are those the routines
// use, first index fastest.
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
    FArray<double, 1, 78> re;    // spherical coordinates in triples (L deg, B deg, R AU)
    FArray<double, 1, 37> xyr;   // working vector of one triangle evaluation
    double ax = 0, ay = 0, az = 0, bx = 0, by = 0, bz = 0, cx = 0, cy = 0, cz = 0;
    double ao = 0, ai = 0, at = 0; // omega, i, tau of the last transformation [rad]
    FArray<double, 1, 40> pyr;   // monument layout geometry
    FArray<int, 1, 3> il;        // first slot, last slot, step over the planet triples
    FArray<int, 1, 15> lmax;     // powers of time per short-series block
    FArray<int, 1, 12, 1, 6> jp; // terms per short-series block and power
};

struct Astro {
    // Named constants.
    static constexpr std::array<double, 3> cc_{0.0, 16802.2, 88756.13};
    static constexpr double cc(int p) { return cc_[p]; }           // repeat cycle of transit series [d]
    static constexpr std::array<int, 3> ji_{0, 15, 7};
    static constexpr int ji(int p) { return ji_[p]; }              // look-back of the series search
    static constexpr std::array<int, 5> jj_{0, -150, 154, -6, 19};
    static constexpr int jj(int i) { return jj_[i]; }              // valid series numbers per planet

    // Full VSOP87: (A,B,C) of term n, power alpha, coordinate ic, body.
    FArray<double, 1, 3, 1, 2048, 0, 5, 1, 3, 1, 9> par2;
    FArray<int, 0, 5, 1, 3, 1, 9> in2;  // terms loaded
    FArray<int, 0, 5, 1, 3, 1, 9> it2;  // -1 absent, 1 loaded
    FArray<int, 1, 9> iv2;              // version digit of each body's file
    // Short series: (A,B,C) of term n, power, block.
    FArray<double, 1, 3, 1, 69, 0, 5, 1, 12> par1;
    // Kepler elements: coefficient, element, planet, frame.
    FArray<double, 1, 4, 1, 6, 1, 8, 1, 2> par3;
    // Transit series.
    FArray<double, -180, 170, 1, 2> ser;
    FArray<double, -180, 170> ase;
    FArray<int, -180, 170> ise;
    int ismax = 0;
    int isflag = 0;
    double zstart = 0.0;
    int isfull = 0; // 1 once the run has been told that its series numbers ran out
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

// `base` is the working store of one thread: the main thread's is the one of the
// run; a worker that computes a piece of a run beside it (a transit candidate)
// starts from a copy of it, so that no two threads write the same positions.
// Constant-initialised, so that reaching it costs no initialisation check.
// The library is linked into programs only, so the store sits at a fixed offset
// from the thread pointer (local-exec). With the default model for an object
// defined in another file (initial-exec) GCC may test the address for null with
// the flags of its `add` of that offset from the GOT, which the linker then turns
// into a `lea` that sets no flags; the undefined-behaviour sanitizer of an -O2
// build then reports "member access within null pointer" on correct accesses.
extern thread_local constinit Base base [[gnu::tls_model("local-exec")]];
extern Astro astro;

// Reset of the transit-series bookkeeping at the start of each transit run.
void reset_series_state();

} // namespace r7
