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

SyzygyGeometry syzygy_geometry(const results::Syzygy& z);
std::string syzygy_plan_svg(const results::Syzygy& z);
// The event of least spread (the first of equal ones); nullptr when none.
const results::Syzygy* best_syzygy(const std::vector<results::Syzygy>& events);
std::string spread_chart_svg(const std::vector<results::Syzygy>& events);

// The chart of one Teotihuacan epoch: the points named by monument (those
// that crowd together in an enlarged inset), the three fitted lines (dashed,
// solid, dotted) and their R^2; axes: the axes of the run.
Chart teoti_epoch_chart(const results::TeotiEpoch& e, const results::TeotiAxes& axes = {});
// How far apart the three fitted lines lie at most over the plotted distances
// (in the logarithm), for the caption.
double teoti_line_spread(const results::TeotiEpoch& e);
// The epoch shown for a run: the one nearest to the year 2000, the epoch of the
// single-epoch book options (the first of equally near ones).
const results::TeotiEpoch* shown_epoch(const std::vector<results::TeotiEpoch>& epochs);
std::string r2_chart_svg(const std::vector<results::TeotiEpoch>& epochs);

} // namespace r7::picture
