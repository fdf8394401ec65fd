// Figures of the syzygy and Teotihuacan studies.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "picture/chart.hpp"
#include "picture/transitfig.hpp"
#include "report/results.hpp"

namespace r7::picture {

// Pixel geometry of the heliocentric plan of one syzygy.
struct SyzygyGeometry {
    double scale = 0.0; // pixels per astronomical unit
    Disk sun;
    std::array<Disk, 4> planet{};   // Mercury, Venus, Earth, Mars (Mars only in four-planet runs)
    double wedge_from = 0.0, wedge_to = 0.0; // longitudes bounding the spread, degrees
};

inline constexpr double plan_size = 380.0;

// syzygy_geometry: the pixel geometry of a syzygy's heliocentric plan.
// Takes:    a recorded syzygy.
// Returns:  the scale (the outermost planet 40 pixels inside the plan's edge),
//           the Sun, the planets (3 or 4) seen from the ecliptic's north pole,
//           longitude counted anticlockwise from the equinox on the right, and
//           the longitudes bounding the spread.
SyzygyGeometry syzygy_geometry(const results::Syzygy& z);

// syzygy_plan_svg: the heliocentric plan of one syzygy.
// Takes:    a recorded syzygy.
// Returns:  the SVG picture: the spread as a wedge from the Sun, the orbits, the
//           planets named, the direction of the equinox, the longitudes and
//           radii in a legend, the spread and a scale bar of 0.5 AU.
std::string syzygy_plan_svg(const results::Syzygy& z);

// best_syzygy: the event of least spread.
// Takes:    the run's syzygies.
// Returns:  the first of the events of least spread; nullptr when there are none.
const results::Syzygy* best_syzygy(const std::vector<results::Syzygy>& events);

// spread_chart_svg: the spread of every syzygy against the year.
// Takes:    the run's syzygies.
// Returns:  the SVG chart (year_chart, the spread from 0 up).
std::string spread_chart_svg(const std::vector<results::Syzygy>& events);

// teoti_epoch_chart: the chart of one Teotihuacan epoch.
// Takes:    the epoch, the axes of the run (names of the points, units, base).
// Returns:  the chart: the points of the three distances named by monument
//           (those that crowd together at the left in an enlarged inset), the
//           three fitted lines (dashed, solid, dotted) and their R^2 in the
//           legend.
Chart teoti_epoch_chart(const results::TeotiEpoch& e, const results::TeotiAxes& axes = {});

// teoti_line_spread: how far apart the three fitted lines lie, for the caption.
// Takes:    the epoch.
// Returns:  the largest difference of two of the lines (in the logarithm) at the
//           least and the greatest plotted monument distance, where a difference
//           of straight lines is largest.
double teoti_line_spread(const results::TeotiEpoch& e);

// shown_epoch: the epoch shown for a run.
// Takes:    the run's epochs.
// Returns:  the one nearest to the year 2000 (the epoch of the single-epoch book
//           options), the first of equally near ones; nullptr when there are
//           none.
const results::TeotiEpoch* shown_epoch(const std::vector<results::TeotiEpoch>& epochs);

// r2_chart_svg: R^2 of the three fits against the year.
// Takes:    the run's epochs.
// Returns:  the SVG chart, one line with marks per fit.
std::string r2_chart_svg(const std::vector<results::TeotiEpoch>& epochs);

} // namespace r7::picture
