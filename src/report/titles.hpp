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

// titel1: the title, subtitle and option line of a report.
// Takes:    the output unit, the run parameters, the reference flag (1: the
//           site studies' subtitle of the listing in the site's coordinates).
// Returns:  nothing; after an empty line, the title of the study, the subtitle
//           (how the events are judged, in which time scale; for the site
//           studies the passage) and the line "< R7-option n >" are written to
//           the unit.
// Notes:    1. Some menu answers (300, 301, 310, 311, 320 to 323, 338) carry a
//              fixed title of their own instead of the standard one, most of
//              them without a subtitle.
//           2. Date mode 4 adds to the option line that the terminal must be at
//              least 148 characters wide.
void titel1(int unit, const RunParams& p, int reference_flag);

// titel2: the settings lines of a report.
// Takes:    the output unit, the run parameters, the run's single date (read
//           for a run at one date), the tolerance as the dialog returned it,
//           the step width of the area search [d].
// Returns:  nothing; the lines are written to the unit: ephemeris, frame, planet
//           order and point; then the interval line, or the JDE line with (for
//           aphelion and perihelion runs) the calendar date and weekday; then
//           the area lines of a passage-area search. For the JDE line, date
//           receives k, the year and djde of the JDE.
// Notes:    1. The JDE is converted with the passage numbering of the run
//              (ephim from the JDE); the calendar date is Julian before the
//              reform with calendar_choice 2, and a time that rounds up to
//              midnight shows as 0:00:00 of the next day with its weekday.
//           2. A transit run's interval line ends the lines (no area lines).
void titel2(int unit, const RunParams& p, HeadingDate& date, double tol_entered, double step_days);

} // namespace r7
