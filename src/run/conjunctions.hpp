// The conjunction run of main option 3: transits of Mercury or Venus across the
// Sun, and syzygies (alignments in heliocentric longitude) of Mercury, Venus and
// the Earth, or of these three with Mars. The scan jumps from one expected
// conjunction to the next, refines promising instants with the one-dimensional
// searches, hands transit candidates to the transit computation and writes one
// report row per event to every output unit.
#pragma once

#include "ephemeris/ephemerides.hpp"
#include "report/results.hpp"
#include "run/run.hpp"
#include "state/params.hpp"
#include "transit/local.hpp"
#include "transit/series.hpp"

namespace r7 {

// Mean synodic jump between two transit candidates, days (Mercury, Venus).
inline constexpr double mercury_jump = 115.7;
inline constexpr double venus_jump = 582.7;
// The geocentric ecliptic latitude [deg] of planet p (1 Mercury, 2 Venus)
// beyond which a conjunction, within a degree of heliocentric longitude, cannot
// hold a transit: the scan with the combination passes it over. The scan's
// classification takes the planet up to 0.5 deg from the Sun's centre; the
// geocentric latitude changes by at most 0.36 deg a day (Mercury at perihelion;
// Venus 0.26), and the conjunction lies within 0.6 d (Venus 1.7 d) of that
// instant, the longitude difference changing by at least 1.7 deg a day (Venus
// 0.58): a candidate stands within 0.75 deg (Venus 1.0).
inline constexpr double transit_latitude_limit(int p) { return p == 1 ? 1.0 : 1.5; }
// Skip after a syzygy found by the minimum search (ranges up to 21 degrees).
inline constexpr double syzygy_skip = 79.172414667;

// conj_working_range: the working range of a syzygy or transit scan.
// Takes:    the entered range tol_short [deg], the combination flag.
// Returns:  the range [deg], widened by one degree unless the combination
//           (combi_flag 1) confirms candidates with the full series.
double conj_working_range(double tol_short, int combi_flag);

// syzygy_jump: the jump across the time the Venus-Earth pair stays out of range.
// Takes:    the working range [deg].
// Returns:  J = 570 (1 - range/180) days, rounded, at least 1.
double syzygy_jump(double range);

// scan_factor: the scan factor c of the syzygy advance D * c + 0.01 days.
// Takes:    the working range [deg].
// Returns:  0.025, raised linearly to 0.05 as the range falls from 21 degrees
//           to 1 (0.025 ((21 - range)/20 + 1) below 21).
double scan_factor(double range);

// conjunction_run: the scan of a transit or syzygy run.
// Takes:    the run parameters, the run state (the interval s.jde_from to
//           s.jde_to, the step width), the ephemerides the run loaded, the
//           transit series of the run (transit runs assign their transits to
//           series in time order; syzygy runs do not use them), the site the
//           transits are seen from as well (none: nullptr), the run's results
//           to record the rows in.
// Returns:  nothing; the rows are written to every output unit and recorded in
//           out for the run's tables and page, and s.counters raised (1 scan
//           steps, 2 evaluations, 3 events, 4 and 5 the kinds of transits or the
//           syzygy number).
// Notes:    1. The transit candidates are computed as tasks on all threads,
//              each from a copy of the scan's state at its conjunction; the
//              rows, the messages and the series numbers follow in time order
//              on the main thread, so the report does not depend on the number
//              of threads.
//           2. A failure of Kepler's equation throws RunStop after its message.
//           3. With a site, each transit row is followed by the block of its
//              local circumstances (local_transit, computed in the transit's
//              task with the series that timed it); their evaluations count
//              with the others (counter 2).
void conjunction_run(const RunParams& p, RunState& s, const Ephemerides& eph, TransitSeries& series,
                     const Observer* site, results::Run& out);

} // namespace r7
