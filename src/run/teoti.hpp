// The Teotihuacan distance report: the 18 site points of "inteoti.t", their
// distances from the reference point (optionally recomputed from the GPS
// coordinates), and per epoch the straight-line fits of the planets' logarithmic
// perihelion, mean and aphelion distances against the monument distances.
#pragma once

#include <string>

#include "ephemeris/kepler.hpp"
#include "run/run.hpp"
#include "state/params.hpp"

namespace r7 {

inline constexpr const char* teoti_file = "inteoti.t";

// Reads the 18 points into astro.tname, q, st and teot. A missing, short or
// malformed file throws DataError naming the file and the line; the store is
// then left as it was.
void load_teoti(const std::string& file = teoti_file);

// Recomputes the distance column teot(p, 3) of all 18 points from the GPS
// coordinates (sums and differences as the points' roles require).
void teoti_gps_distances();

// Distance of point p (1..18) in the run's monument unit: column 3 (conj_choice
// 1 or 2) or 4 (map), divided by the distance of point 2 in the "luna" unit
// (date_mode 2). Throws DataError when the "luna" unit is zero.
double teoti_unit_distance(int p, const RunParams& prm);

// The logarithmic base of the run (10, 3 or the custom base tol_short).
// Throws RunStop(exit_computation) for a base that is not above 1.
double teoti_base(const RunParams& prm);

// teoti_run: the Teotihuacan distance report.
// Takes:    the run parameters, the run state, the Kepler element table.
// Returns:  nothing; the heading and the rows of every epoch from year_from to
//           year_to in steps of step_width years go to each output unit.
// Notes:    1. Recomputes the GPS distances when asked and fills the monument
//              column; the planets' distances come from their Kepler orbits.
//           2. A failing Kepler routine stops the run (RunStop,
//              exit_computation) after its message.
void teoti_run(const RunParams& prm, RunState& state, const KeplerTable& kepler);

} // namespace r7
