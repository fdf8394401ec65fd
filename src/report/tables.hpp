// Table heads, calendar separators and closing lines of the report. Each call
// writes to one output unit; the main program and the run loops call them once
// per unit of the list, the file first and the terminal last.
#pragma once

#include <array>

#include "io/lines.hpp"
#include "state/params.hpp"

namespace r7 {

// tabe: the table head of the Giza, chamber and syzygy studies.
// Takes:    the output unit, the run parameters, the run's reference flag (0:
//           the extended output shows the heads of the coordinate rows).
// Returns:  nothing; the column head of the study with its rulers and, in
//           extended output (not with Kepler orbits), the heads of the
//           coordinate rows are written to the unit.
// Notes:    1. Transit tables get their head from zwizeile; a transit run
//              writes nothing here but, for the run that builds the series file,
//              the line "calculation of the file inser-2.t" and "--- please
//              wait ---".
//           2. The syzygy head marks "tr" where the syzygies are refined by
//              minimising the longitude spread (sun_mode 5, not with Kepler
//              orbits, table_switch other than 2).
void tabe(int unit, const RunParams& p, int reference_flag);

// Progress of a transit table, kept by the caller and started at 1 for each run:
// 1 head not yet written, 2 waiting for the first row at JDE >= 0, 3 waiting for
// the first row at JDE >= 2299161.0, 4 both calendar separators done.
enum TransitTableState : int {
    table_head_pending = 1,
    table_before_era = 2,
    table_julian = 3,
    table_done = 4,
};

// zwizeile: the table head and the calendar separators of a transit table.
// Takes:    the output unit, the output detail, the row's JDE, the run's
//           conj_choice, ephem_choice, date_mode and calendar_choice, the
//           table's state.
// Returns:  nothing; before the first row the table head (its columns by the
//           date mode) is written, and the separators "(Jul. cal.)" and
//           "(Greg. cal.)" where the rows pass JDE 0 and JDE 2299161.0 (only
//           with calendar_choice 2, Julian before the reform).
// Notes:    1. Called before each transit row. The state advances only on the
//              terminal unit, which is served last, so every unit gets the same
//              lines; a row that jumps from before the era past the reform gets
//              both separators.
void zwizeile(int unit, int output_detail, double jde, int conj_choice, int ephem_choice, int date_mode,
              int calendar_choice, int& state);

// A computing time in hours, minutes and seconds (see comtime).
struct HmsTime {
    int h = 0;
    int m = 0;
    double s = 0.0;
};

// What a run counted and how long it took, for its closing lines.
struct RunTotals {
    // Entries 1..5: tested passages, computed constellations, detected events,
    // grazing transits or syzygies, central transits.
    std::array<int, 6> counters{};
    int legend_flag = 0; // 1 when the planet listing marked rows with " <"
    HmsTime cpu;         // processor time
    HmsTime run;         // elapsed time
};

// endzeile: the closing lines of a report.
// Takes:    the output unit, the run parameters, the run's totals, the reference
//           flag.
// Returns:  nothing; the counts (for runs over a range of years: computed
//           constellations, and tested passages, detected transits and
//           central/grazing transits, or detected constellations, or syzygies),
//           the processor time and the elapsed time with " -- end of run." are
//           written to the unit.
// Notes:    1. An extended run without hits gets the ruler its empty table
//              lacks; the run that builds the series file says "The file
//              inser-2.t has been created."; the legend of the " <" rows stands
//              before the processor time where the listing marked them.
void endzeile(int unit, const RunParams& p, const RunTotals& totals, int reference_flag);

} // namespace r7
