// Table heads, calendar separators and closing lines of the report. Each call
// writes to one output unit; the main program and the run loops call them once
// per unit of the list, the file first and the terminal last.
#pragma once

#include <array>

#include "io/lines.hpp"
#include "state/params.hpp"

namespace r7 {

// Table head of the Giza, chamber and syzygy studies (transit tables get theirs
// from zwizeile). Writes the rulers and, in extended output, the heads of the
// coordinate rows.
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

// Called before each transit row with the row's JDE: writes the table head before
// the first row and the separators where the rows pass into the Julian and into
// the Gregorian calendar (only with the Julian/Gregorian calendar choice). The
// state advances only on the terminal unit, which is served last, so every unit
// gets the same lines.
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

// Closing lines: the counts, the processor time and the elapsed time.
void endzeile(int unit, const RunParams& p, const RunTotals& totals, int reference_flag);

} // namespace r7
