// The conjunction run of main option 3: transits of Mercury or Venus across the
// Sun, and syzygies (alignments in heliocentric longitude) of Mercury, Venus and
// the Earth, or of these three with Mars. The scan jumps from one expected
// conjunction to the next, refines promising instants with the one-dimensional
// searches, hands transit candidates to the transit computation and writes one
// report row per event to every output unit.
#pragma once

#include "ephemeris/vsop87.hpp"
#include "run/run.hpp"
#include "state/params.hpp"

namespace r7 {

// Mean synodic jump between two transit candidates, days (Mercury, Venus).
inline constexpr double mercury_jump = 115.7;
inline constexpr double venus_jump = 582.7;
// Skip after a syzygy found by the minimum search (ranges up to 21 degrees).
inline constexpr double syzygy_skip = 79.172414667;

// Working range of a syzygy or transit scan: the entered range, widened by one
// degree unless the combination confirms candidates with the full series.
double conj_working_range(double tol_short, int combi_flag);
// Jump J in days across the time the Venus-Earth pair stays out of range.
double syzygy_jump(double range);
// Scan factor c of the syzygy advance D * c + 0.01 days.
double scan_factor(double range);

// The scan from the JDE of year_from to that of year_to (s.jde_from, s.jde_to),
// raising s.counters (1 scan steps, 2 evaluations, 3 events, 4 and 5 the kinds of
// transits or the syzygy number). Uses the short series from `astro.par1`, the
// Kepler elements from `astro.par3` and the transit series state of `astro`, all
// prepared by the main program. kload: the load state of the full series.
void conjunction_run(const RunParams& p, RunState& s, LoadState& kload);
// The same with a load state of this module, set to "load" at the first call.
void conjunction_run(const RunParams& p, RunState& s);

} // namespace r7
