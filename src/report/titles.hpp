// Heading block of the Giza, chamber and transit/syzygy reports: the title (what
// is searched) and the settings (ephemeris, frame, Sun or reference point,
// interval or date). The main program calls titel1, titel2 and then the table
// head once per output unit.
#pragma once

#include "state/params.hpp"

namespace r7 {

// The run's single date and what the settings lines derive from it. The JDE is
// read; k, year and djde are set when the heading shows one date (left as they
// are when it shows a range of years).
struct HeadingDate {
    double jde = 0.0;  // JDE of the run's single date
    double k = 0.0;    // k-number of the JDE in the passage numbering of the run
    double year = 0.0; // decimal year of the JDE
    double djde = 0.0; // days from the passage with the nearest whole k-number
};

// Title, subtitle and option line. Some menu answers carry a fixed title of
// their own instead of the standard one.
void titel1(int unit, const RunParams& p, int reference_flag);

// Settings lines: ephemeris, frame, planet order and point; then the interval
// line, or the JDE line with (for aphelion and perihelion runs) the calendar
// date; then the area lines of a passage-area search. For the JDE line the JDE
// is converted with the passage numbering of the run (see HeadingDate).
// tol_entered is the tolerance as the dialog returned it, step_days the step
// width of the area search in days.
void titel2(int unit, const RunParams& p, HeadingDate& date, double tol_entered, double step_days);

} // namespace r7
