// Parameter files: the prepared record sets of "inparm.t", the user's editable set
// and the set of the last run in "inedit.t", and the info text of "ingiza.t".
//
// A parameter set is seven records A to G:
//   A main_option conj_choice ephem_choice full_flag combi_flag        (5i3)
//   B frame_choice table_switch date_mode time_scale calendar_choice   (5i3)
//   C planet_order passage steps_per_passage step_width               (2i3,i6,f12.5)
//   D sun_mode level_choice coord_choice constellation                (3i3,i4)
//   E year_from year_to k_number start_jde                            (3f13.5,f15.5)
//   F tol_short tol_full f_consider f_print                           (4f8.3)
//   G conj_filter view output_detail output_choice                    (4i3)
// Reading takes each record in free form, so hand-edited sets need not keep the
// columns. vsop_variant is derived from frame_choice; menu_choice is not stored.
#pragma once

#include <functional>
#include <string>

#include "state/params.hpp"

namespace r7 {

// Mode 1 reads: set_number 999 the editable set (lines 27 to 33 of "inedit.t"),
// any other n record set n of "inparm.t" (lines 10n+2 to 10n+8); every run
// parameter except menu_choice is replaced. Mode 2 records the run's set in
// "inedit.t" from line 37 on (set_number unused). Other modes do nothing. A
// missing or short file throws DataError naming the file and what was missing.
void inputfile(RunParams& p, int set_number, int mode);

// Writes the info text (lines 106 to 143 of "ingiza.t") to the terminal.
void info();

// The seven records of a set in their written layouts (each ended by '\n').
std::string set_records(const RunParams& p);

// Rewrites "inedit.t": its lines 1 to 36 are kept (missing ones are supplied
// from the default help text), then the set's records, the dash line and the
// END line. The new text goes to a temporary file of a unique name, is flushed
// to the disk, and only then replaces "inedit.t" (keeping its permission bits;
// a link there is replaced by a regular file), so lines 1 to 36 survive a crash
// or a full disk at any moment. before_replace runs just before the
// replacement (tests use it to break off there). Returns false, after a
// message on the terminal and with "inedit.t" unchanged, when the new file
// cannot be written.
bool record_run_set(const RunParams& p, const std::function<void()>& before_replace = {});

// The 36 lines (without line ends) that head a newly created "inedit.t": the
// help text, the given set as the editable set and three free lines.
std::string default_edit_head(const RunParams& editable);

} // namespace r7
