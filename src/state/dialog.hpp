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

// Runs the whole dialog on the given input (one free-form answer per line); the
// questions and messages go to the terminal unit. On return output_choice 4
// means exit (also after the info text of answer 111). Throws EndOfInput when the
// input ends before the dialog is complete, and DataError when a record set
// cannot be read. A given menu_answer (a valid one, see is_menu_answer) is taken
// as the answer to the menu, which is then neither printed nor asked, banner
// included; everything after it runs as if the answer had been typed.
void inputdata(RunParams& p, std::istream& in, std::optional<int> menu_answer = std::nullopt);
// The same on the program's standard input.
void inputdata(RunParams& p, std::optional<int> menu_answer = std::nullopt);

// Reads one real answer into value and checks it: kind 1 a time value of
// time_kind (1 year, 2 k-number, 3 JDE) within the range of the ephemeris
// (ephem_choice 3: Kepler orbits), kind 2 a positive value not above maximum,
// any other kind only a readable number. status: 0 valid, 1 unreadable or not
// positive, 2 outside the time range, 3 above the maximum; for a non-zero status
// the message has been written already. Throws EndOfInput at the end of input.
void pcheck(io::FreeReader& in, int kind, double& value, int time_kind, double maximum, int ephem_choice,
            int& status);

// Writes the message of an error status: 0 or 1 "incorrect input.", 2 the same
// with the range text, 3 "number too large (max. ...)".
void emes(int status, std::string_view range_text, double maximum);

// The range text (36 characters) shown for a time value out of range.
std::string_view range_text(int time_kind, int ephem_choice);

// The time kind of the Teotihuacan years: limited to the years in which the
// Kepler elements of all eight planets give closed orbits, whatever ephem_choice.
inline constexpr int teoti_time_kind = 4;

// The accepted time values of time_kind (1 year, 2 k-number, 3 JDE,
// teoti_time_kind) for the ephemeris ephem_choice, bounds included.
void time_limits(int time_kind, int ephem_choice, double& lo, double& hi);

// The record set that a menu answer selects: 1..99 a set of "inparm.t", 999 the
// editable set of "inedit.t"; 0 when the answer selects no record set (0, 111
// and every invalid answer).
int menu_record_set(int answer);

// True for every answer the menu accepts: 0, 111 and those with a record set.
bool is_menu_answer(int answer);

} // namespace r7
