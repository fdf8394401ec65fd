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

// The number of epochs of a Teotihuacan run (1 for a single year or a step
// that is not positive; infinity when the step cannot advance the year).
double teoti_epochs(double year_from, double year_to, double step_years);
// The number of scan steps of a syzygy scan over the years with a step in
// hours, at the step the scan really takes (at least scan_step_floor_hours).
double scan_steps(double year_from, double year_to, double step_hours);
// Whether a run scans the years in steps of its step width: a syzygy run
// without the minimum search.
bool is_step_scan(const RunParams& p);

struct SetViolation {
    int record = 0;    // 0..6 for records A..G
    std::string text;  // "year_to 1e+15 is outside the accepted range -13000 to 17000"
};

// The first value of the set outside the range the dialog accepts, or nothing.
std::optional<SetViolation> check_set(const RunParams& p);

} // namespace r7
