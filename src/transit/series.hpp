// Transit series: transits of Mercury and Venus recur after a fixed cycle and are
// grouped into numbered series. The table of the first transit of each series is
// read from "inserie.t" at the start of a transit run and written to "inser-2.t"
// by the run that builds it; a `TransitSeries`, which the run owns, holds the
// table and the numbering state of the run and assigns each transit to its series.
#pragma once

#include <string>

#include "state/farray.hpp"

namespace r7 {

// Series number given to a transit outside the span the series cover.
inline constexpr int no_series = 999;

// The menu answer of the two-pass run that builds the series file.
inline constexpr int series_build_run = -804;

// The table of the series: the JDE (TT) of the first known transit of series s
// (-180..170) of planet p (1 Mercury, 2 Venus); 0 where none is known.
using SeriesTable = FArray<double, -180, 170, 1, 2>;

// series_cycle: the repeat cycle of the transit series.
// Takes:    the planet p, 1 Mercury or 2 Venus.
// Returns:  the cycle [d]: 16802.2 (Mercury, 46 years), 88756.13 (Venus, 243
//           years).
double series_cycle(int p);

// first_series, last_series: the valid series numbers.
// Takes:    the planet p, 1 Mercury or 2 Venus.
// Returns:  the first and the last valid series number: Mercury -150 and 154,
//           Venus -6 and 19.
int first_series(int p);
int last_series(int p);

// read_ser: the series table of a series file.
// Takes:    the file name, in the layout that `save_ser` writes.
// Returns:  the table: Mercury rows -150..154, Venus rows -10..19, zeros elsewhere.
// Notes:    1. A missing, short or malformed file, or a row with an unexpected
//              series number, throws DataError naming the file and the line.
// Source:   the series file of this program (written by the run -804).
SeriesTable read_ser(const std::string& file = "inserie.t");

// series_file_text: the text of a series file.
// Takes:    the table.
// Returns:  the lines of "inser-2.t" as `save_ser` writes them (the table as it
//           is: the Venus sentinel is the caller's).
// Source:   the series file of this program.
std::string series_file_text(const SeriesTable& ser);

// save_ser: writes the series table to "inser-2.t".
// Takes:    the table.
// Returns:  nothing; the file is in place.
// Notes:    1. The last Venus field (series 19) is written as the sentinel 1e12
//              (0.1E+13), which bounds the search for the first Venus series.
//           2. Written through a temporary file of a unique name, renamed when
//              complete, never through a link. A file that cannot be written
//              throws RunStop (exit_output).
// Source:   the series file of this program.
void save_ser(const SeriesTable& ser);

// TransitSeries::highest while no series has been assigned in the pass.
inline constexpr int series_max_unset = -10000;

// The transit series of a run: the table and the state of the numbering. The run
// owns one (run/run.cpp) and hands it to the transit scan; the two passes of the
// series-building run share it, the second pass keeping the table that the first
// one has built.
class TransitSeries {
public:
    // An empty table: the start of the run that builds it.
    TransitSeries() { start_pass(); }
    // The table of a series file: every other transit run.
    explicit TransitSeries(const SeriesTable& table) : ser_(table) { start_pass(); }

    // start_pass: the start of a pass of a transit run.
    // Takes:    nothing.
    // Returns:  nothing; the numbering state is reset (no series seen, no
    //           current series, no start instant), the table is kept.
    void start_pass();

    // tserie: assigns a transit to its series.
    // Takes:    the planet ibody (1 Mercury, 2 Venus), the transit's instant jde
    //           (TT), the run's menu answer.
    // Returns:  the series number, or 999 (no_series).
    // Notes:    1. Every run but the one that builds the table (menu answer
    //              -804) takes the number from the table by the transit's date
    //              (series_by_date), whatever it found before.
    //           2. The building run numbers the transits in time order from the
    //              first valid number: a transit continues one of the series
    //              below the current one (within 10 days of a whole number of
    //              cycles after its first transit, and within 2 days of one cycle
    //              after its last transit of the run, or not yet seen in the
    //              run), or opens the next series, whose first transit it
    //              becomes in the table.
    //           3. When the valid numbers are used up the transit gets 999 and
    //              the run says so once, on every report unit.
    // Source:   the numbering of the transit series of this program.
    int tserie(int ibody, double jde, int menu_choice);

    // series_by_date: the series of the table that a transit belongs to.
    // Takes:    the planet ibody (1 Mercury, 2 Venus), the instant jde (TT).
    // Returns:  among the series whose first transit lies a whole, non-negative
    //           number of cycles before jde (within 10 days), the highest; 999
    //           outside the span of the table (about the years -13000 to 17000)
    //           and for a transit that fits no series.
    // Notes:    1. The run that built the table opened a new series exactly at a
    //              transit that continued no series before it, so that series
    //              fits with zero cycles; every other transit continues the
    //              newest series it fits.
    // Source:   the numbering of the transit series of this program.
    int series_by_date(int ibody, double jde) const;

    // The table as the run has left it.
    const SeriesTable& table() const { return ser_; }
    // The highest series number assigned in this pass (series_max_unset before).
    int highest() const { return ismax_; }

private:
    bool fits_cycle(int p, int s, double jde) const;
    bool continues_series(int p, double jde, int& iser);
    int new_series_number() const;
    int open_series(int p, double jde, int n);
    void assign(int s, double jde);

    SeriesTable ser_{};
    FArray<double, -180, 170> ase_{}; // JDE of the last transit of each series in this pass
    FArray<int, -180, 170> ise_{};    // 1 once the series has been seen in this pass
    int ismax_ = 0;                   // highest series assigned (series_max_unset: none)
    int iscur_ = 0;                   // the current series of the building run
    bool numbering_ = false;          // the building run has started numbering
    double zstart_ = 0.0;             // first transit of the pass (series_start_unset: none)
    bool told_full_ = false;          // the run has been told that the numbers ran out
};

} // namespace r7
