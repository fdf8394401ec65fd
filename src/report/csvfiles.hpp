// Writing the run's CSV tables beside out.txt.
#pragma once

#include "report/results.hpp"

namespace r7 {

// write_tables: the run's CSV tables written beside out.txt.
// Takes:    the run's results.
// Returns:  nothing; every table of the run is in its file (out.csv, and
//           out-bodies.csv, out-points.csv, out-planets.csv where the run has
//           them), each replaced whole like the other outputs.
// Notes:    1. A companion file that an earlier run left and this run does not
//              write is removed (a regular file or a link, never a link's
//              target), so that no file beside out.txt belongs to another run.
//           2. Throws RunStop (exit_output) naming the file that cannot be
//              written.
void write_tables(const results::Run& run);

} // namespace r7
