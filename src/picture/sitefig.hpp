// Site figures of the Giza and chamber studies: the plan (Giza, north up) or
// the north-south section (chambers) in metres with the monument points, the
// fitted images of Mercury, Venus and Earth and the Sun point with its
// uncertainty circle; and F against the year for runs of many rows.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "picture/transitfig.hpp"
#include "report/results.hpp"

namespace r7::picture {

inline constexpr double site_width = 640.0;
inline constexpr double site_height = 520.0;

// Giza bases are drawn as squares facing the cardinal directions, their side
// taken from the height of the site file at the slope of the Great Pyramid
// (side = h * pi / 2, a slope of 51.85 degrees).
inline constexpr double base_per_height = 1.5707963267948966;

struct SiteGeometry {
    double scale = 0.0;          // pixels per metre
    double ox = 0.0, oy = 0.0;   // pixel of the site origin
    std::array<Disk, 3> point{}; // monument points 1..3
    std::array<Disk, 3> image{}; // fitted images on points 1..3
    Disk sun;                    // Sun point, radius = uncertainty dr
    // Site coordinates (metres) of a pixel, for checks.
    std::array<double, 2> to_site(double x, double y) const { return {(x - ox) / scale, (oy - y) / scale}; }
};

// The drawing plane of a site: Giza (east, north) = (-y, x); chambers (north, up) = (x, y).
std::array<double, 2> site_plane(int site, const results::SitePoint& p);

SiteGeometry site_geometry(const results::SiteRow& row);
std::string site_svg(const results::SiteRow& row);
// The row of least F (the first of equal ones); nullptr when none.
const results::SiteRow* best_site_row(const std::vector<results::SiteRow>& rows);
std::string f_chart_svg(const std::vector<results::SiteRow>& rows);

} // namespace r7::picture
