// The constellation search at the passages of Mercury (Giza pyramids and the
// chambers of the Great Pyramid): for every passage of the interval, and for
// the steps across a passage area, the planets Mercury, Venus and Earth are
// compared with the monument triangle, candidates are confirmed and fitted, and
// one row is written per match. Also the small pieces that the F-minimised run
// shares with it: the planet triangle at one instant, the Sun-point fit with the
// site's settings, and the markers of the rows.
#pragma once

#include <string_view>

#include <array>

#include "ephemeris/coord.hpp"
#include "ephemeris/ephemerides.hpp"
#include "report/results.hpp"
#include "run/run.hpp"
#include "run/site.hpp"
#include "state/params.hpp"

namespace r7 {

// passage_search: the constellation search at the passages of Mercury.
// Takes:    the run parameters, the run state (k from s.kint_from to s.kint_to;
//           the single date of the run in s.run_jde, s.run_year, s.run_djde),
//           the site, the ephemerides of the run, the run's results.
// Returns:  nothing; one row per match to every output unit, recorded in out
//           for the run's tables and page; counter 2 raised per evaluated step
//           and counter 3 per printed or fitted candidate; s.listing_flag set
//           through the coordinate listing.
// Notes:    1. A Giza run ends with the Mercury aphelion coordinates (aphelko
//              decides whether the run asks for them), so the main program does
//              not call aphelko itself.
//           2. A failure of Kepler's equation throws RunStop after its message.
void passage_search(const RunParams& p, RunState& s, const Site& site, const Ephemerides& eph, results::Run& out);

// triangle_positions: the planets of the triangle at one instant.
// Takes:    the ephemerides, the ephemeris in use eph (1 the short series, 2
//           the full series), jde (TT), the first report unit.
// Returns:  L, B [deg], R [AU] of Mercury, Venus and Earth.
// Notes:    1. The full series report a nonzero code on the units from kout on.
// Source:   VSOP87 (Bretagnon and Francou 1988, Astronomy and Astrophysics 202,
//           309); the short series as truncated in Meeus, Astronomical
//           Algorithms, 2nd ed., 1998, ch. 32.
std::array<Lbr, 3> triangle_positions(const Ephemerides& e, int eph, double jde, int kout);

// view_marker: the view marker of a row.
// Takes:    the view decided (2 from the south).
// Returns:  " *" for view 2, two blanks otherwise.
std::string_view view_marker(int view);

// fit_sun_point: the Sun point of a compared triangle with the site's settings.
// Takes:    the run parameters (sun_mode), the site (its geometry), the fit's
//           vectors (refreshed by the caller for sun_mode 5), the triangle as
//           relpos compared it (the view it decided mirrors the plane
//           construction), the first report unit of the fit's messages.
// Returns:  the Sun point (sonpos).
SunPoint fit_sun_point(const RunParams& p, const Site& site, FitWork& fit, const TriangleFit& tri, int kout);

// Fit evaluations from which the rows print the count in five columns (i5)
// instead of four, so that it keeps a blank from the status: the column comes
// from the status (i3 to i2), or in the rows of the passage areas, whose status
// has only the blank before it, from k (i8 to i7).
inline constexpr int wide_evaluations = 1000;

// area_offset: the offset of a step of a passage area.
// Takes:    the step j, the number of steps s, the step width w [d].
// Returns:  the days from the passage, w (j - s/2) with s/2 taken as a real, so
//           an odd s is centred as well.
double area_offset(int j, int s, double w);

// area_step_number: the step number shown in the rows.
// Takes:    the step j, the number of steps s.
// Returns:  j - s/2 with integer division, relative to the passage.
int area_step_number(int j, int s);

// quality_marker: the quality marker of a fitted row.
// Takes:    F [per cent], the scale factor M, the main option (2 the chambers'
//           reference scale, any other the pyramids').
// Returns:  ">>>" F at most 0.1 % and the scale within 0.1 % of the site's
//           reference; else "FM " F at most 0.5 % and the scale within 2 %;
//           else "F  " or "M  " for one of them; three blanks otherwise.
std::string_view quality_marker(double f, double m, int main_option);

// scale_shown: the scale factor as the rows show it.
// Takes:    the main option (2 the chambers), the scale factor M.
// Returns:  M times 1e-9 (chambers) or 1e-7 (pyramids).
double scale_shown(int main_option, double m);

// euler5_degrees: the fifth fit parameter as the rows show it.
// Takes:    X5 [rad].
// Returns:  X5 in degrees, reduced to -180..180 (reduz, mode 0).
double euler5_degrees(double x5);

} // namespace r7
