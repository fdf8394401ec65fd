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

// The transit computation for an inferior conjunction of planet ibody (1 Mercury,
// 2 Venus) found by the caller near jde.
//   combi_flag 1: short-series scan with full-series refinement; ephem_choice 1
//   short, 2 full series; main_option, passage: run parameters (passage goes to
//   fitmin as its kmode); conj_choice 1/2 transit runs, 3/4 syzygy runs;
//   date_mode 1 estimate from latitudes, 2 classify sep_in, 3 phases, 4 phases and
//   position angles; kvers, kload, kout, pos: for the ephemeris calls; time_scale
//   2 reports instants in UT; calendar: for jdedate.
//   jde: in the conjunction, out the instant of least separation (TT).
//   w1, w2, hist, ihist: the fitmin work areas, w_start the start value of the
//   widths; iscur, menu_choice, iser: for tserie; count: elements 2 (evaluations),
//   4 (transits visible from part of the Earth) and 5 (central transits).
// Results: letter (" ", "M"/"V", "m"/"v", "C", "c", "-"), ttype (0..3), sep_arcsec
// (least separation, negative for a negative planet latitude), table, the
// semidiameters of Sun and planet in arc seconds, node ("/" ascending, " ").
// series_due, when given, takes the assignment to a series instead: true when
// the transit is to be assigned (tserie at jde), which the caller then does in
// time order (candidates computed side by side).
void transit(int ibody, int combi_flag, int ephem_choice, int main_option, int conj_choice, int date_mode,
             int passage, int kvers, LoadState& kload, int kout, std::span<double, 9> pos, int time_scale,
             int calendar, double& jde, double sep_in, double& w1, double& w2, FitHistory& hist, int& ihist,
             double w_start, int& iscur, int menu_choice, int& iser, std::array<int, 6>& count, char& letter,
             int& ttype, double& sep_arcsec, ContactTable& table, double& sd_sun, double& sd_planet, char& node,
             bool* series_due = nullptr);

} // namespace r7
