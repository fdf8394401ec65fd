// Transit series: transits of Mercury and Venus recur after a fixed cycle and are
// grouped into numbered series. The table of the first transit of each series
// (`astro.ser`) is read from "inserie.t" at the start of a series run and written
// to "inser-2.t" by the run that builds it; `tserie` assigns each transit found in
// a run to its series.
#pragma once

#include <string>

namespace r7 {

// Series number given to a transit outside the span the series cover.
inline constexpr int no_series = 999;

// The menu answer of the two-pass run that builds the series file.
inline constexpr int series_build_run = -804;

// Reads the series table from a file in the layout that `save_ser` writes into
// `astro.ser` (Mercury rows -150..154, Venus rows -10..19). A missing, short or
// malformed file throws DataError naming the file and the line.
void read_ser(const std::string& file = "inserie.t");

// The series of the table that the transit of planet ibody (1 Mercury, 2 Venus)
// at jde (TT) belongs to: among the series whose first transit lies a whole,
// non-negative number of cycles before jde (within 10 days), the highest. The
// run that built the table opened a new series exactly at a transit that
// continued no series before it, so that series fits with zero cycles; every
// other transit continues the newest series it fits. 999 outside the span of
// the table (about the years -13000 to 17000) and for a transit that fits no
// series (one the full series does not confirm, before a series' first transit).
int series_by_date(int ibody, double jde);

// Assigns the transit of planet ibody (1 Mercury, 2 Venus) at jde to a series:
// iser is the series number given to the transit, or 999. Every run but the
// one that builds the table (menu_choice -804) takes the number from the table
// by the transit's date (series_by_date), whatever the run found before. The
// building run numbers the transits in time order from the first valid number:
// a transit continues one of the series below the current one iscur (updated)
// or opens the next one, whose first transit it becomes in the table.
void tserie(int ibody, double jde, int& iscur, int menu_choice, int& iser);

// Writes the series table to "inser-2.t" (through a temporary file of a unique
// name, renamed when complete; never through a link). Sets the Venus sentinel ser(19, 2) = 1e12 first. Throws RunStop
// (exit_output) when the file cannot be written.
void save_ser();

// The text of the series file as `save_ser` writes it (without touching `ser`).
std::string series_file_text();

} // namespace r7
