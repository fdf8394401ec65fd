// Small routines of the main program: the constellation label and the computing
// time.
#pragma once

#include <array>
#include <string>

namespace r7 {

// konst: the constellation label of a k-number.
// Takes:    the k-number k.
// Returns:  label: "->" within 10 passages of a predefined constellation (or of
//           the passage before it), its two-character number on it (within 0.6),
//           two blanks otherwise.
void konst(int k, std::string& label);

// Wall-clock value list: (hour, minute, second, millisecond).
using ClockValues = std::array<int, 4>;

// comtime: a computing time in hours, minutes and seconds.
// Takes:    the kind (1 from the processor times t_start, t_end [s], any other
//           from the wall-clock values), both pairs.
// Returns:  the whole hours and minutes and the seconds with their fraction.
// Notes:    1. A negative difference adds one day (the clock passed midnight).
void comtime(int kind, double t_start, double t_end, const ClockValues& v_start, const ClockValues& v_end,
             int& hours, int& minutes, double& seconds);

// cpu_seconds, wall_clock: the clocks of the closing lines.
// Takes:    nothing.
// Returns:  the processor time of the process [s] (all its threads); the local
//           wall-clock time (hour, minute, second, millisecond).
double cpu_seconds();
ClockValues wall_clock();

} // namespace r7
