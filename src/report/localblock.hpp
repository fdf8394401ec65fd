// The local circumstances of transits in the report: a heading line that names
// the site, and under each transit row a block with the phases seen from the
// site (date and time, the Sun's altitude and azimuth, the position angle and
// the zenith angle of the planet on the disk).
#pragma once

#include <string>

#include "transit/local.hpp"

namespace r7 {

// site_label: the name of a site in the reports.
// Takes:    the site.
// Returns:  its own name, or for a place given by coordinates its latitude and
//           longitude to two decimals ("45.50N 73.58W").
std::string site_label(const Observer& o);

// local_heading: the line under the report's heading that names the site.
// Takes:    the output unit, the site.
// Returns:  nothing; writes "Local circumstances at ..." with the site's
//           latitude, longitude and height.
void local_heading(int unit, const Observer& o);

// local_block: the phases of one transit as seen from the site.
// Takes:    the output unit, the site, the local circumstances, the run's
//           time scale (2 UT, else TT) and calendar (for jdedate).
// Returns:  nothing; writes a head line naming the site and the columns, then
//           one line per phase (I, II, greatest, III, IV).
// Notes:    1. A phase with the Sun's centre below the horizon (geometric
//              altitude below 0, no refraction) carries "*" after the
//              altitude; a contact that does not happen at the site shows the
//              placeholder "--" and why (the transit only grazes the limb from
//              there, or misses the disk).
//           2. The greatest transit's line ends with the least separation at
//              the site (negative: the planet passes south of the Sun's
//              centre).
void local_block(int unit, const Observer& o, const LocalCircumstances& l, int time_scale, int calendar);

// sun_below_horizon: whether the Sun's centre stands below the horizon at a phase.
// Takes:    the phase.
// Returns:  true for a geometric altitude below 0.
inline bool sun_below_horizon(const LocalPhase& ph) { return ph.sun_alt < 0.0; }

} // namespace r7
