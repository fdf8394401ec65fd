// Transit figures: the Sun's disk as seen from the Earth's centre with the
// planet's path, its disk at the phases of the transit, the ecliptic and the
// line to the greatest transit, each phase labelled with its time (and
// position angle); and the least separation of every transit of a run against
// the year, with the Sun's radius of each event.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "report/results.hpp"

namespace r7::picture {

struct Disk {
    double cx = 0.0, cy = 0.0, r = 0.0;
};

// Pixel geometry of one transit diagram. x grows to the west, y to the south:
// east is left, north up (celestial north with position angles, ecliptic north
// without).
struct TransitGeometry {
    double scale = 0.0;          // pixels per arc second
    Disk sun;
    std::array<Disk, 5> planet{}; // I, II, greatest transit, III, IV
    std::array<bool, 5> has{};
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0; // the drawn path, from the entry side to the exit
    bool celestial = false;      // celestial north up (position angles known)
    // The ecliptic through the Sun's centre, from its east end to its west end.
    double ex1 = 0.0, ey1 = 0.0, ex2 = 0.0, ey2 = 0.0;
    double pole_angle = 0.0;     // position angle of the ecliptic's pole [deg] (0 without position angles)
    double tilt = 0.0;           // the path against the ecliptic [deg], positive northwards
};

// Diagram size in pixels.
inline constexpr double transit_width = 360.0;
inline constexpr double transit_height = 430.0;
// The area of the drawing above the legend lines, which path, labels and marks keep to.
inline constexpr double transit_drawing_top = 26.0;
inline constexpr double transit_drawing_bottom = 340.0;

TransitGeometry transit_geometry(const results::Transit& t);
std::string transit_svg(const results::Transit& t);

// The Sun's semidiameter at a transit ["]: as the run computed it, or (runs
// without phases) from the Earth's distance at its date.
double sun_radius_of(const results::Transit& t);

// The least separation of every transit of the run against the year, by planet
// and class, with the Sun's radius at each transit.
std::string separation_chart_svg(const std::vector<results::Transit>& rows);

// The transits that get a diagram when the run has more than budget: each
// planet its share, the run of consecutive transits around the one nearest the
// year 2000. Indices into rows, in their order.
std::vector<std::size_t> diagram_rows(const std::vector<results::Transit>& rows, std::size_t budget);

} // namespace r7::picture
