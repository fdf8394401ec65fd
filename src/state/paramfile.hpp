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

// inputfile: a record set read, or the run's set recorded.
// Takes:    the set p, the set number (999 the editable set, any other n record
//           set n of "inparm.t"), the mode (1 read, 2 record).
// Returns:  nothing. Mode 1: p holds the set read (lines 27 to 33 of "inedit.t",
//           or lines 10n+2 to 10n+8 of "inparm.t"); every run parameter except
//           menu_choice is replaced, vsop_variant derived from frame_choice.
//           Mode 2: the run's set is recorded in "inedit.t" from line 37 on
//           (record_run_set; set_number unused). Other modes do nothing.
// Notes:    1. Each record must hold its values on its own line, and a record
//              that leaves a value out leaves its default, never a value of an
//              earlier run.
//           2. A missing or short file, or a value that does not convert,
//              throws DataError naming the file, the set and what was missing;
//              a value outside the range the dialog accepts (check_set) throws
//              DataError (invalid) naming the line.
void inputfile(RunParams& p, int set_number, int mode);

// info: the info text of menu answer 111.
// Takes:    nothing.
// Returns:  nothing; lines 106 to 143 of "ingiza.t", one free-form text each
//           (quoted where it holds blanks), go to the terminal after three empty
//           lines, each cut or padded to 70 characters behind 5 blanks.
// Notes:    1. A file that cannot be read throws DataError naming the file and
//              the lines of the info text.
void info();

// set_records: the seven records of a set in their written layouts.
// Takes:    the set.
// Returns:  the records A to G, each ended by '\n' (the layouts of the file
//           comment).
// Notes:    1. A step count of six digits or more gets an i7 field, and a step
//              width that would fill its f12.5 field a field wide enough for its
//              digits and a leading blank, so that every record reads back.
std::string set_records(const RunParams& p);

// record_run_set: the run's set recorded in "inedit.t".
// Takes:    the set, before_replace (run just before the replacement; tests use
//           it to break off there).
// Returns:  true when "inedit.t" has been rewritten; false, after a message on
//           the terminal (and standard error) and with "inedit.t" unchanged,
//           when it cannot be read or the new file cannot be written.
// Notes:    1. Lines 1 to 36 are kept (missing ones are supplied from the
//              default head, default_edit_head of this set), then come the set's
//              records, the dash line and the END line.
//           2. The new text goes to a temporary file of a unique name, is
//              flushed to the disk, and only then replaces "inedit.t" (keeping
//              its permission bits; a link there is replaced by a regular file),
//              so lines 1 to 36 survive a crash or a full disk at any moment. A
//              directory or a special file at "inedit.t" is neither read nor
//              replaced.
bool record_run_set(const RunParams& p, const std::function<void()>& before_replace = {});

// default_edit_head: the head of a newly created "inedit.t".
// Takes:    the set to stand as the editable set.
// Returns:  the 36 lines, each ended by '\n': the help text (26 lines), the set
//           (lines 27 to 33) and three lines of free text.
std::string default_edit_head(const RunParams& editable);

} // namespace r7
