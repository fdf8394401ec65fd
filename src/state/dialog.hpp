// The parameter dialog: banner, menu of book options, and the detailed questions
// that fill the 32 run parameters. Every question is asked again until its answer
// is valid; the questions asked depend on the answers already given.
#pragma once

#include <istream>
#include <optional>
#include <string_view>

#include "io/freeread.hpp"
#include "state/params.hpp"

namespace r7 {

// inputdata: the whole parameter dialog.
// Takes:    the input (one free-form answer per line; standard input in the
//           second form), a menu answer given beforehand (the command line's).
// Returns:  nothing; p holds the run parameters of the answers (reset to their
//           defaults first), menu_choice the menu answer; output_choice 4 means
//           exit (also after the info text of answer 111).
// Notes:    1. The questions and messages go to the terminal unit; every
//              question is asked again until its answer is valid.
//           2. Menu answer 0 asks the detailed questions; a record-set answer
//              reads its set (inputfile, mode 1).
//           3. A valid given menu_answer (is_menu_answer) is taken as the answer
//              to the menu, which is then neither printed nor asked, banner
//              included; everything after it runs as if the answer had been
//              typed. An invalid one is ignored.
//           4. Throws EndOfInput when the input ends (or cannot be read) before
//              the dialog is complete, and DataError when a record set cannot
//              be read.
void inputdata(RunParams& p, std::istream& in, std::optional<int> menu_answer = std::nullopt);
void inputdata(RunParams& p, std::optional<int> menu_answer = std::nullopt);

// pcheck: one real answer read and checked.
// Takes:    the input, the kind of check (1 a time value of time_kind: 1 year,
//           2 k-number, 3 JDE, teoti_time_kind, within the range of the ephemeris
//           ephem_choice, 3 the Kepler orbits; 2 a positive value not above
//           maximum; any other kind only a readable number).
// Returns:  the value and the status: 0 valid, 1 unreadable, empty, not finite
//           or not positive, 2 outside the time range, 3 above the maximum.
// Notes:    1. For a non-zero status the message (emes) has been written
//              already; an unreadable, empty or non-finite answer leaves the
//              value as it was.
//           2. Throws EndOfInput at the end of the input.
void pcheck(io::FreeReader& in, int kind, double& value, int time_kind, double maximum, int ephem_choice,
            int& status);

// emes: the message of an input error.
// Takes:    the status (0 or 1 "incorrect input.", 2 the same with the range
//           text, 3 "number too large (max. ...)" with the maximum in f6.2),
//           the range text, the maximum.
// Returns:  nothing; the message, between empty lines, is on the terminal.
void emes(int status, std::string_view range_text, double maximum);

// range_text: the text shown for a time value out of range.
// Takes:    the time kind (1 year, 2 k-number, 3 JDE, teoti_time_kind), the
//           ephemeris (3 the Kepler orbits, any other VSOP87).
// Returns:  the text, 36 characters: " (-13 000. <= year <= 17 000.)      ".
std::string_view range_text(int time_kind, int ephem_choice);

// The time kind of the Teotihuacan years: limited to the years in which the
// Kepler elements of all eight planets give closed orbits, whatever ephem_choice.
inline constexpr int teoti_time_kind = 4;

// time_limits: the accepted time values.
// Takes:    the time kind (1 year, 2 k-number, 3 JDE, teoti_time_kind), the
//           ephemeris (3 the Kepler orbits, any other VSOP87).
// Returns:  the least and the greatest accepted value, bounds included.
// Notes:    1. The bounds lie a little beyond the limits the range text shows
//              (by 1e-5 years, 1e-3 or 1e-2 k-numbers, 0.1 day), so that the
//              limits themselves are accepted.
void time_limits(int time_kind, int ephem_choice, double& lo, double& hi);

// menu_record_set: the record set that a menu answer selects.
// Takes:    the menu answer (1..20 the book options, the coded answers, 999).
// Returns:  1..99 a set of "inparm.t", 999 the editable set of "inedit.t"; 0
//           when the answer selects no record set (0, 111 and every invalid
//           answer).
// Notes:    1. Several coded answers share a set.
int menu_record_set(int answer);

// is_menu_answer: whether the menu accepts an answer.
// Takes:    the answer.
// Returns:  true for 0, 111 and every answer with a record set.
bool is_menu_answer(int answer);

} // namespace r7
