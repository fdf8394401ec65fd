// Writing the run's CSV tables beside out.txt.
#pragma once

#include "report/results.hpp"

namespace r7 {

// Writes every table of the run to its file (out.csv, and out-bodies.csv,
// out-points.csv, out-planets.csv where the run has them), each replaced whole
// like the other outputs. A companion file that an earlier run left and this
// run does not write is removed, so that no file beside out.txt belongs to
// another run. Throws RunStop (exit_output) naming the file that cannot be
// written.
void write_tables(const results::Run& run);

} // namespace r7
