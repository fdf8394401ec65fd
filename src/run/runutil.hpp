// Small routines of the main program: the constellation label and the computing
// time.
#pragma once

#include <array>
#include <string>

namespace r7 {

// Label of a k-number: "->" within 10 passages of a predefined constellation,
// its two-character number on it, two blanks otherwise.
void konst(int k, std::string& label);

// Wall-clock value list: (hour, minute, second, millisecond).
using ClockValues = std::array<int, 4>;

// Computing time: kind 1 from processor times t_start, t_end (seconds), any other
// kind from the wall-clock values. A negative difference adds one day.
void comtime(int kind, double t_start, double t_end, const ClockValues& v_start, const ClockValues& v_end,
             int& hours, int& minutes, double& seconds);

// Current processor time of the process in seconds, and the wall clock.
double cpu_seconds();
ClockValues wall_clock();

} // namespace r7
