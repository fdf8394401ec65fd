// Transits of Mercury and Venus across the Sun: the geocentric separation of
// planet and Sun, the position angle of the planet on the solar disk, and the
// transit computation itself (classification, greatest transit, the four
// contacts, semidiameters and the series of the transit).
#pragma once

#include <array>
#include <span>
#include <string>

#include "ephemeris/vsop87.hpp"
#include "state/farray.hpp"
#include "time/time.hpp"
#include "transit/search.hpp"

namespace r7 {

// Angle at the Earth between the directions to the Sun and to planet ibody, in
// radians. kmethod 1: from the spherical triples ibody and 3 of `base.re`; any
// other value: from the rectangular triples ibody and 3 of pos.
void sepa(int ibody, int kmethod, std::span<const double, 9> pos, double& sep);

// Position angle in degrees, [0, 360], of planet ibody's centre relative to the
// Sun's centre as seen from the Earth, at JDE t, from the rectangular ecliptic
// triples of pos (triple ibody the planet, triple 3 the Earth).
void pos_angle(int ibody, double t, std::span<const double, 9> pos, double& pa);

// Mean obliquity of the ecliptic in degrees used by the transit computation.
double transit_obliquity(double jde);

// One phase of a transit: the calendar fields of its instant (as jdedate returns
// them) and the position angle in degrees.
struct ContactRow {
    double jde = 0.0; // the instant (TT); 0 where the phase was not found
    IDate idate{};
    RDate date{};
    std::string name;
    double pa = 0.0;
};
// Rows 1 contact I, 2 contact II, 3 greatest transit, 4 contact III, 5 contact IV.
using ContactTable = std::array<ContactRow, 6>; // index 1..5 used

// Transit types.
inline constexpr int transit_none = 0;
inline constexpr int transit_partial_earth = 1; // visible from part of the Earth only
inline constexpr int transit_external = 2;      // external contacts only (grazing)
inline constexpr int transit_full = 3;          // all four contacts

// What one transit computation is given: the conjunction of planet ibody (1
// Mercury, 2 Venus) found by the caller near jde and the run's choices.
//   combi_flag 1: short-series scan with full-series refinement; ephem_choice 1
//   short, 2 full series; passage goes to fitmin as its kmode; conj_choice 1/2
//   transit runs, 3/4 syzygy runs; date_mode 1 estimate from latitudes, 2
//   classify sep_in, 3 phases, 4 phases and position angles; kvers, kout: for
//   the ephemeris calls; time_scale 2 reports instants in UT; calendar: for
//   jdedate; menu_choice: for tserie; w_start: the start value of fitmin's widths.
struct TransitQuery {
    int ibody = 1;
    int combi_flag = 0;
    int ephem_choice = 1;
    int conj_choice = 1;
    int date_mode = 1;
    int passage = 1;
    int kvers = 3;
    int kout = 6;
    int time_scale = 1;
    int calendar = 1;
    int menu_choice = 0;
    double jde = 0.0;    // the conjunction (TT)
    double sep_in = 0.0; // the separation there [rad]
    double w_start = 0.0;
    // Leave the assignment to a series to the caller (series_due of the result),
    // which makes it in time order when candidates are computed side by side.
    bool defer_series = false;
};

// What it finds. Fields the computation does not reach keep the caller's values.
struct TransitResult {
    char letter = ' ';   // " ", "M"/"V", "m"/"v", "C", "c", "-"
    int ttype = 0;       // transit_none .. transit_full
    double sep = 0.0;    // least separation ["], negative for a negative planet latitude
    ContactTable table{};
    double sd_sun = 0.0, sd_planet = 0.0; // semidiameters ["]
    char node = ' ';     // "/" ascending, " "
    int iser = 0;        // the series number tserie assigned
    double jde = 0.0;    // the instant of least separation (TT); the query's jde without a search
    bool series_due = false; // with defer_series: the transit is to be assigned (tserie at jde)
};

// The transit computation for one conjunction. pos is the work area of the
// ephemeris calls; iscur the series bookkeeping of tserie; count: element 2
// (evaluations) is raised. The grazing and central transits are counted by the
// run from the rows it prints (the letter tells them), since it computes
// transits it does not list.
void transit(const TransitQuery& q, LoadState& kload, std::span<double, 9> pos, int& iscur,
             std::array<int, 6>& count, TransitResult& r);

} // namespace r7
