// The check of a parameter set against what the dialog accepts. A record set of
// "inparm.t" or "inedit.t" is used without the dialog's questions, so every value
// is checked here before the run starts: codes against the dialog's codes, times
// against the range of the ephemeris, tolerances against their maxima, and the
// size of the run (epochs, scan steps, passage steps) against sane bounds, so
// that no set can make a run crash, loop for ever or fill the disk.
#pragma once

#include <optional>
#include <string>

#include "state/params.hpp"

namespace r7 {

// Bounds on the size of a run. A Teotihuacan run prints one table per epoch; a
// conjunction scan evaluates the positions once per step; a site study
// evaluates them once per step of every passage. Beyond these a run would take
// hours and write gigabytes, and a step too small to change the time would
// never end.
inline constexpr double max_teoti_epochs = 100000.0;
inline constexpr double max_scan_steps = 1e8;
inline constexpr double max_passage_steps = 1e8;
// The largest scan step of a conjunction run in hours (about 114 million
// years, far beyond any span of years): record C widens the step's field for
// large values, so every accepted step reads back from a recorded set.
inline constexpr double max_scan_step_hours = 1e12;
// The least scan step of a syzygy scan in hours: the least that record C keeps
// (f12.5). A smaller one would be recorded as 0.00000, and a scan step of 0 is
// no minimum search: the scan would step at its floor and print an event at
// every step within the range.
inline constexpr double min_scan_step_hours = 0.00001;
// The syzygy scan never steps less than 1e-4 days, whatever its step width: the
// step it really takes, in hours.
inline constexpr double scan_step_floor_hours = 1e-4 * 24.0;
// The largest tolerance and F limit the dialog accepts [%].
inline constexpr double max_tolerance = 99.99;
// The largest step across a passage area in hours.
inline constexpr double max_site_step_hours = 9999.9994;

// The Teotihuacan years: within them the Kepler elements of all eight planets
// (in both frames) give closed orbits (a > 0, 0 <= e < 1); beyond them Saturn's
// eccentricity reaches 1.
inline constexpr double teoti_year_min = -28987.0;
inline constexpr double teoti_year_max = 17176.0;

// teoti_epochs: the number of epochs of a Teotihuacan run.
// Takes:    the first and the last year, the step [years].
// Returns:  floor((year_to - year_from) / step) + 1; 1 for a single year (the
//           last not after the first) or a step that is not positive;
//           infinity when the step cannot advance the years.
double teoti_epochs(double year_from, double year_to, double step_years);

// scan_steps: the number of scan steps of a syzygy scan.
// Takes:    the first and the last year, the step width [h].
// Returns:  the span in Julian years, in hours, over the step the scan really
//           takes (at least scan_step_floor_hours, which a NaN step takes too).
double scan_steps(double year_from, double year_to, double step_hours);

// is_step_scan: whether a run scans the years in steps of its step width.
// Takes:    the set.
// Returns:  true for a syzygy run without the minimum search (sun_mode other
//           than 5).
bool is_step_scan(const RunParams& p);

struct SetViolation {
    int record = 0;    // 0..6 for records A..G
    std::string text;  // "year_to 1e+15 is outside the accepted range -13000 to 17000"
};

// check_set: whether a set is one the dialog could have made.
// Takes:    the set.
// Returns:  nothing, or the first value outside the range the dialog accepts:
//           its record (0..6 for A..G) and a message naming the field, its value
//           and the range.
// Notes:    1. The records are checked in order; a main option outside 1..4
//              ends the check. Codes and tolerances are checked against the
//              dialog's ranges for the set's study; the times only where the run
//              uses them (the years, the k-number of a one-k-number run, the JDE
//              of a one-JDE run), against time_limits; the last year must lie
//              after the first (Teotihuacan: not before it).
//           2. Once every value is in range, the size of the run: a
//              Teotihuacan run's epochs (max_teoti_epochs, and a step not above
//              the range of years), a step scan's steps (max_scan_steps), a site
//              study's steps across passage areas over the years (about 4.16
//              passages a year, max_passage_steps).
std::optional<SetViolation> check_set(const RunParams& p);

} // namespace r7
