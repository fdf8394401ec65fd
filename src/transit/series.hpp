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

// Assigns the transit of planet ibody (1 Mercury, 2 Venus) at jde to a series.
// iscur: current series number of the run (updated); menu_choice: the run's menu
// answer (-804 builds the series and skips the range check and the first-series
// lookup); iser: the series number given to the transit, or 999 outside the span.
void tserie(int ibody, double jde, int& iscur, int menu_choice, int& iser);

// Writes the series table to "inser-2.t" (through a temporary file of a unique
// name, renamed when complete; never through a link). Sets the Venus sentinel ser(19, 2) = 1e12 first. Throws RunStop
// (exit_output) when the file cannot be written.
void save_ser();

// The text of the series file as `save_ser` writes it (without touching `ser`).
std::string series_file_text();

} // namespace r7
