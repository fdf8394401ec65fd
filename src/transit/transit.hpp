// Transits of Mercury and Venus across the Sun: the geocentric separation of
// planet and Sun, the position angle of the planet on the solar disk, and the
// transit computation itself (classification, greatest transit, the four
// contacts, semidiameters and the series of the transit).
#pragma once

#include <array>
#include <span>
#include <string>

#include "ephemeris/ephemerides.hpp"
#include "ephemeris/expansion.hpp"
#include "ephemeris/positions.hpp"
#include "state/farray.hpp"
#include "time/time.hpp"
#include "transit/search.hpp"

namespace r7 {

// sepa: the angle at the Earth between the directions to the Sun and to a planet.
// Takes:    the planet ibody (1 Mercury, 2 Venus), the rectangular places of
//           pos (triple ibody the planet, triple 3 the Earth) [AU].
// Returns:  the angle [rad].
// Source:   the angle between two vectors.
double sepa(int ibody, std::span<const double, 9> pos);

// put_places: the rectangular places of a planet and the Earth into the
// nine-slot array that sepa and the transit query take.
// Takes:    the array, the planet ibody (1 Mercury, 2 Venus), the planet's and
//           the Earth's rectangular places [AU].
// Returns:  nothing; triple ibody holds the planet, triple 3 the Earth.
void put_places(std::span<double, 9> pos, int ibody, const Xyz& planet, const Xyz& earth);

// sepa_near: sepa from the sine and cosine of the angle (the cross and dot
// products), to the last bits where the planet stands near the Sun, where the
// cosine of sepa is within 1e-6 of 1 and acos loses 1e-13 rad. The greatest
// transit is searched with it; the scans keep sepa, whose evaluations their
// reports count.
double sepa_near(int ibody, std::span<const double, 9> pos);

// pos_angle: the position angle of a planet on the solar disk.
// Takes:    the planet ibody (1 Mercury, 2 Venus), the instant t (JDE), the
//           rectangular ecliptic places of pos (triple ibody the planet, triple
//           3 the Earth) [AU].
// Returns:  the position angle of the planet's centre relative to the Sun's
//           centre as seen from the Earth [deg, 0..360], counted from the north
//           through the east.
// Source:   the position angle of two places on the sky from their right
//           ascensions and declinations (ecliptic to equator with the mean
//           obliquity of transit_obliquity, as in Meeus, Astronomical
//           Algorithms, 2nd ed., 1998, ch. 13).
double pos_angle(int ibody, double t, std::span<const double, 9> pos);

// transit_obliquity: the mean obliquity of the ecliptic of the transit computation.
// Takes:    the instant (JDE).
// Returns:  the obliquity [deg]: 23.4458042 - 0.856033 sin(0.015306 (T +
//           0.50747)), T in Julian centuries from J2000.0 (23.43915 at J2000.0).
// Notes:    1. A sine of a period of about 410 centuries; no nutation.
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
// Mercury, 2 Venus) found by the caller near jde, the places there, and the
// run's choices.
//   combi_flag 1: short-series scan with full-series refinement; ephem_choice 1
//   short, 2 full series (any other value: the full series too); passage goes to
//   fitmin as its kmode; conj_choice 1/2 transit runs, 3/4 syzygy runs;
//   date_mode 1 estimate from latitudes, 2 classify sep_in, 3 phases, 4 phases
//   and position angles; kout: the first report unit of the messages;
//   time_scale 2 reports instants in UT; calendar: for jdedate; w_start: the
//   start value of fitmin's widths.
struct TransitQuery {
    int ibody = 1;
    int combi_flag = 0;
    int ephem_choice = 1;
    int conj_choice = 1;
    int date_mode = 1;
    int passage = 1;
    int kout = 6;
    int time_scale = 1;
    int calendar = 1;
    double jde = 0.0;    // the conjunction (TT)
    double sep_in = 0.0; // the separation there [rad]
    double w_start = 0.0;
    Lbr planet{};        // the planet at jde
    Lbr earth{};         // the Earth at jde
    double incl = 0.0;   // the planet's orbital inclination at jde [deg] (date_mode 1)
    std::array<double, 9> pos{}; // rectangular places at jde: triple ibody the planet, 3 the Earth [AU]
    // The half-duration estimate [d] of the last transit of the run (0: none
    // yet). Syzygy runs search the contacts from it; transit runs estimate it
    // afresh for every transit.
    double shift = 0.0;
    // Every full-series place term by term, without the expansions of the
    // contacts: the reference computation they are tested against.
    bool direct_series = false;
    // The full series of the planet and the Earth expanded about jde, where the
    // caller has them (nullptr: the routine expands them itself).
    const SeriesWindow* window = nullptr;
};

// What it finds.
struct TransitResult {
    char letter = ' ';   // " ", "M"/"V", "m"/"v", "C", "c", "-"
    int ttype = 0;       // transit_none .. transit_full
    double sep = 0.0;    // least separation ["], negative for a negative planet latitude
    ContactTable table{};
    double sd_sun = 0.0, sd_planet = 0.0; // semidiameters ["]
    char node = ' ';     // "/" ascending, " "
    int iser = 0;        // the series number, once the caller has assigned it
    double jde = 0.0;    // the instant of least separation (TT); the query's jde without a search
    bool series_due = false; // the transit is to be assigned to a series (at jde)
    int evaluations = 0; // evaluations of the ephemeris (Earth positions of the light-time loops)
    double shift = 0.0;  // the half-duration estimate after this transit [d]
    // The rectangular places of the last evaluation (the query's where none
    // was made), triples as in the query.
    std::array<double, 9> pos{};
};

// transit: the circumstances of a transit at one conjunction.
// Takes:    the ephemerides, the query (the conjunction, the places there and
//           the run's choices).
// Returns:  the classification, the least separation and its instant, the
//           contacts with their dates (date modes 3 and 4), position angles
//           (date mode 4) and semidiameters, the node, whether the transit is to
//           be assigned to a series, the number of evaluations and the
//           half-duration estimate.
// Notes:    1. Date modes 1 and 2 only classify the estimate (1 from the
//              latitudes and the inclination, 2 from sep_in); the scan pass of
//              the combination (combi_flag 1, short series) only classifies too.
//           2. The greatest transit is the minimum of the separation seen from
//              the Earth (fitmin, parabola mode); the contacts are the instants
//              where the separation equals the sum (I, IV) or difference (II,
//              III) of the semidiameters (ring fit), searched from the greatest
//              transit minus and plus the half-duration estimate.
//           3. The grazing and central transits are counted by the run from the
//              rows it prints (the letter tells them), since it computes
//              transits it does not list. The series are assigned by the run,
//              in time order (TransitSeries::tserie at jde where series_due).
//           4. With the full series everything comes from the series of the
//              planet and the Earth expanded about jde (SeriesWindow, the
//              query's window where the caller has one): fitmin's search, then
//              two parabolas through the squared separation (sepa_near) about
//              its last point, 0.001 and 0.0001 d either side, with the light
//              time to 1e-12 d. fitmin alone ends once two of its points lie
//              within 1e-7 d, which can leave its vertex a second from the
//              least separation; the parabolas find it to 1e-4 s. Against the
//              places term by term (direct_series): greatest transits within
//              0.01 s (0.001 s from 1600 to 2400; the term-by-term rounding far
//              from J2000.0 limits it), contacts within 2e-4 s, position
//              angles within 1e-6 deg at the contacts and 1e-4 deg at the
//              greatest transit; against the least separation from the series
//              summed in long double within 1e-4 s
//              (tests/transit/transit_expansion_test.cpp).
// Source:   the geometry of the transit limits: the semidiameters of the Sun
//           (radius 695508 km) and of the planet, and the planet's parallax
//           relative to the Sun.
TransitResult transit(const Ephemerides& eph, const TransitQuery& q);

} // namespace r7
