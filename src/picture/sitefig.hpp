// Site figures of the Giza and chamber studies: the plan (Giza, north up) or
// the north-south section (chambers) in metres with the monument points, the
// fitted images of Mercury, Venus and Earth, the Sun point with its
// uncertainty circle, the Sun point of the mirror-image fit (FITEX rows) and the
// other planets where the run lists them; and F against the year for runs of
// many rows.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "picture/transitfig.hpp"
#include "report/results.hpp"

namespace r7::picture {

inline constexpr double site_width = 640.0;
inline constexpr double site_height = 540.0;
// The band below the plan that holds the legend.
inline constexpr double site_legend_band = 60.0;
// A listed planet is drawn to the plan's scale when it lies within this many
// times the half diagonal of the monuments, images and Sun point from their
// centre; farther ones are arrows on the plan's edge pointing towards them.
inline constexpr double site_near_factor = 3.0;

// Giza bases are drawn as squares facing the cardinal directions, their side
// taken from the height of the site file at the slope of the Great Pyramid
// (side = h * pi / 2, a slope of 51.85 degrees).
inline constexpr double base_per_height = 1.5707963267948966;

// A listed planet on the plan: at its position, or (beyond) an arrow whose tip
// lies on the plan's edge on the ray from the plan's centre towards it (moved
// along the edge, keeping its direction, where it would lie on a mark).
struct PlanetMark {
    std::size_t listed = 0; // index in SiteRow::listed
    bool beyond = false;
    Disk at;                // the planet's pixel, or the arrow's tip
    double dx = 0.0, dy = 0.0; // beyond: unit direction of the arrow
};

struct SiteGeometry {
    double scale = 0.0;          // pixels per metre
    double ox = 0.0, oy = 0.0;   // pixel of the site origin
    std::array<Disk, 3> point{}; // monument points 1..3
    std::array<Disk, 3> image{}; // fitted images on points 1..3
    Disk sun;                    // Sun point, radius = uncertainty dr
    std::optional<Disk> mirror;  // Sun point of the mirror-image fit, where the row has one
    double cx = 0.0, cy = 0.0;   // pixel of the centre of the monuments, images and Sun point
    std::vector<PlanetMark> planets; // the listed planets other than Mercury, Venus, Earth
    // Site coordinates (metres) of a pixel, for checks.
    std::array<double, 2> to_site(double x, double y) const { return {(x - ox) / scale, (oy - y) / scale}; }
};

// site_plane: a site point in the drawing plane of its site.
// Takes:    the site (2 the chambers, any other Giza), the point [m].
// Returns:  the drawing coordinates [m]: Giza (east, north) = (-y, x); chambers
//           (north, up) = (x, y).
std::array<double, 2> site_plane(int site, const results::SitePoint& p);

// site_geometry: the pixel geometry of a site figure.
// Takes:    a recorded site row.
// Returns:  the scale and origin that fit everything drawn (the Giza bases, the
//           images, the Sun point's circle, the mirror point, the listed
//           planets near enough) into the area above the legend band, centred;
//           the disks of the monuments, images, Sun point (radius dr) and mirror
//           point; the listed planets from Mars on, each at its place or as an
//           arrow on the edge (site_near_factor).
SiteGeometry site_geometry(const results::SiteRow& row);

// site_svg: the plan (Giza) or section (chambers) of one site row.
// Takes:    the row, the line saying which row of the run the plan shows
//           (empty for none).
// Returns:  the SVG picture of the monuments, the fitted images, the Sun point
//           with its uncertainty circle, the mirror point of FITEX rows and the
//           listed planets, labelled.
std::string site_svg(const results::SiteRow& row, const std::string& which = "");

// best_site_row: the row of least F.
// Takes:    the run's site rows.
// Returns:  the first of the rows of least finite F; the first row when no row
//           has a finite F; nullptr when there are no rows.
const results::SiteRow* best_site_row(const std::vector<results::SiteRow>& rows);

// f_chart_svg: F of every row against the year.
// Takes:    the run's site rows.
// Returns:  the SVG chart (year_chart), with the run's tolerance as a dashed
//           line where it is positive.
std::string f_chart_svg(const std::vector<results::SiteRow>& rows);

} // namespace r7::picture
