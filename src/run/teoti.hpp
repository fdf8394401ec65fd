// The Teotihuacan distance report: the 18 site points of "inteoti.t", their
// distances from the reference point (optionally recomputed from the GPS
// coordinates), and per epoch the straight-line fits of the planets' logarithmic
// perihelion, mean and aphelion distances against the monument distances.
#pragma once

#include <array>
#include <string>

#include "ephemeris/kepler.hpp"
#include "fit/triangle.hpp"
#include "state/params.hpp"

namespace r7 {

inline constexpr const char* teoti_file = "inteoti.t";

// The points of the site file as read: the table, where it was read from
// and the line of each point's record (for messages about their values).
struct TeotiSite {
    TeotiPoints points{};          // points 1..18 at 0..17
    std::string file = teoti_file;
    std::array<int, 18> line{};
};

// load_teoti: the 18 points of the Teotihuacan site file.
// Takes:    the file name.
// Returns:  the points (names padded to 20 characters, one-character marks),
//           the file and the line of each record.
// Notes:    1. A missing, short or malformed file, a value that is not a
//              finite number, or a latitude of a positioned point (1..15)
//              outside -90..90 throws DataError naming the file and the line.
TeotiSite load_teoti(const std::string& file = teoti_file);

// Recomputes the distance column of all 18 points from their GPS coordinates
// (sums and differences as the points' roles require).
void teoti_gps_distances(TeotiPoints& points);

// Distance of point p (1..18) in the run's monument unit: the distance in
// metres (conj_choice 1 or 2) or on the map, divided by the distance of point 2
// in the "luna" unit (date_mode 2). Throws DataError when the "luna" unit is zero.
double teoti_unit_distance(const TeotiSite& site, int p, const RunParams& prm);

// The logarithmic base of the run (10, 3 or the custom base tol_short).
// Throws RunStop(exit_computation) for a base that is not above 1.
double teoti_base(const RunParams& prm);

// teoti_run: the Teotihuacan distance report.
// Takes:    the run parameters, the site's points as read, the Kepler element table.
// Returns:  nothing; the heading and the rows of every epoch from year_from to
//           year_to in steps of step_width years go to each output unit.
// Notes:    1. Recomputes the GPS distances when asked (on a copy of the
//              points) and fills the monument column; the planets' distances
//              come from their Kepler orbits.
//           2. A failing Kepler routine stops the run (RunStop,
//              exit_computation) after its message.
void teoti_run(const RunParams& prm, const TeotiSite& site, const KeplerTable& kepler);

} // namespace r7
