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

// transit_geometry: the pixel geometry of a transit diagram.
// Takes:    a recorded transit.
// Returns:  the scale, the Sun's disk, the planet's disks at the phases the row
//           prints, the path, the ecliptic, the pole angle and the tilt.
// Notes:    1. With position angles (date mode 4) the phases stand where their
//              position angles and distances put them, celestial north up; the
//              path runs from contact I to IV (else across the radius of the
//              greatest transit, westwards).
//           2. Without them ecliptic north is up and the path crosses the
//              ecliptic at the tilt of sky::path_tilt, passing the greatest
//              transit at the least separation; the phases lie on it where
//              their distances from the centre (sum and difference of the
//              semidiameters) meet it.
TransitGeometry transit_geometry(const results::Transit& t);

// transit_svg: the diagram of one transit.
// Takes:    a recorded transit.
// Returns:  the SVG picture: the Sun's disk, the ecliptic (dashed), the line to
//           the greatest transit, the path with its arrow, the planet's disk at
//           each phase labelled with its time (and position angle), the least
//           separation, a compass and a scale bar, and legend lines (class,
//           least separation, node, series, time scale with Delta T in UT).
std::string transit_svg(const results::Transit& t);

// sun_radius_of: the Sun's semidiameter at a transit ["].
// Takes:    a recorded transit.
// Returns:  as the run computed it, or (runs without phases, a semidiameter of
//           0) from the Earth's distance at its date (sky::sun_semidiameter).
double sun_radius_of(const results::Transit& t);

// separation_chart_svg: the least separation of every transit against the year.
// Takes:    the run's transits.
// Returns:  the SVG chart: the separations by planet (colour) and class
//           (shape), with the Sun's radius at each transit on the side the
//           planet passes; the axis says "separation estimate from latitudes"
//           for date mode 1.
std::string separation_chart_svg(const std::vector<results::Transit>& rows);

// diagram_rows: the transits that get a diagram.
// Takes:    the run's transits, the budget of diagrams.
// Returns:  indices into rows, in their order: all of them within the budget;
//           else each planet its share (the planets with fewer transits first,
//           what they leave going to the others), the run of consecutive
//           transits around the one nearest the year 2000.
std::vector<std::size_t> diagram_rows(const std::vector<results::Transit>& rows, std::size_t budget);

class Svg;
class Placer;

// path_arrowhead: the arrowhead at the end of a planet's path.
// Takes:    the picture and its label placer, the path's last two points
//           (x1, y1) and (x2, y2) [px].
// Returns:  nothing; draws a filled triangle 9 px long and 8 px wide with its
//           tip at (x2, y2), pointing along the path, and keeps labels off its
//           box. Nothing when the two points coincide.
void path_arrowhead(Svg& svg, Placer& placer, double x1, double y1, double x2, double y2);

} // namespace r7::picture
