// The Teotihuacan distance report: the 18 site points of "inteoti.t", their
// distances from the reference point (optionally recomputed from the GPS
// coordinates), and per epoch the straight-line fits of the planets' logarithmic
// perihelion, mean and aphelion distances against the monument distances.
#pragma once

#include <array>
#include <string>

#include "ephemeris/kepler.hpp"
#include "fit/triangle.hpp"
#include "report/results.hpp"
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

// teoti_gps_distances: the distances of the points from their GPS coordinates.
// Takes:    the 18 points.
// Returns:  nothing; the distance of every point is the geodetic distance from
//           point 1 (points 1 to 11; point 5 by way of point 3), for points 12
//           to 14 the distance of point 15 less their own distance from 15, for
//           points 16 to 18 that of point 15 plus the distance of their mirror
//           points 14, 13, 12 from 15; each times 1.0003608409162221 (ground
//           over chord).
void teoti_gps_distances(TeotiPoints& points);

// teoti_unit_distance: the monument distance of a point in the run's unit.
// Takes:    the site's points, the point p (1..18), the run parameters
//           (conj_choice 3 the map, else metres; date_mode 2 the "luna" unit).
// Returns:  the distance, divided by that of point 2 in the "luna" unit.
// Notes:    1. A zero "luna" unit throws DataError naming the file and the line
//              of point 2.
double teoti_unit_distance(const TeotiSite& site, int p, const RunParams& prm);

// teoti_base: the logarithmic base of the run.
// Takes:    the run parameters (calendar_choice 1: 10, 3: 3, 4: the custom
//           base tol_short).
// Returns:  the base.
// Notes:    1. A base that is not above 1 throws RunStop(exit_computation).
double teoti_base(const RunParams& prm);

// teoti_run: the Teotihuacan distance report.
// Takes:    the run parameters, the site's points as read, the Kepler element
//           table, the run's results.
// Returns:  nothing; the heading and the rows of every epoch from year_from to
//           year_to in steps of step_width years go to each output unit, and
//           are recorded in out (the points, each epoch's fits and distances).
// Notes:    1. Recomputes the GPS distances when asked (on a copy of the
//              points) and fills the monument column; the planets' distances
//              come from their Kepler orbits.
//           2. A failing Kepler routine stops the run (RunStop,
//              exit_computation) after its message.
void teoti_run(const RunParams& prm, const TeotiSite& site, const KeplerTable& kepler, results::Run& out);

} // namespace r7
