// Transit figures: the Sun's disk as seen from the Earth's centre with the
// planet's path and its disk at the phases of the transit; and, for runs
// without contacts, the least separation against the year.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "report/results.hpp"

namespace r7::picture {

struct Disk {
    double cx = 0.0, cy = 0.0, r = 0.0;
};

// Pixel geometry of one transit diagram.
struct TransitGeometry {
    double scale = 0.0;          // pixels per arc second
    Disk sun;
    std::array<Disk, 5> planet{}; // I, II, greatest transit, III, IV
    std::array<bool, 5> has{};
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0; // the path, from entry to exit side
    bool celestial = false;      // celestial north up (position angles known)
};

// Diagram size in pixels.
inline constexpr double transit_width = 300.0;
inline constexpr double transit_height = 370.0;

TransitGeometry transit_geometry(const results::Transit& t);
std::string transit_svg(const results::Transit& t);

// Least separation against the year for the rows of a run (date modes 1 and 2).
std::string separation_chart_svg(const std::vector<results::Transit>& rows);

// The mean semidiameter of the Sun at one astronomical unit, arc seconds.
double mean_sun_radius_arcsec();

} // namespace r7::picture
