// Site data of the Giza pyramids and of the chambers of the Great Pyramid: the
// site record read from "ingiza.t", the target longitude differences, the layout
// geometry of the three points (a SiteGeometry, built once per run), and the
// working copies of the fit settings that every fit starts from.
//
// Site frames: Giza x north, y west, z up; chambers x north, y up, z east.
// Point 3 is the anchor: planet 1 (Mercury) maps onto it, planet 2 onto point 2,
// planet 3 onto point 1.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "fit/sonpos.hpp"
#include "fit/triangle.hpp"
#include "state/farray.hpp"
#include "state/params.hpp"

namespace r7 {

// The site data file.
inline constexpr const char* site_file = "ingiza.t";

// Initial target longitude differences per planet (Mercury minus planet j, in
// degrees); entries 2 and 3 serve the Sun point south of Mykerinos.
inline constexpr std::array<double, 9> diff_initial{0.0, 12.19, 21.41, 0.0, -34.784, 145.0, 60.4, 168.0, 21.41};

// The vectors of the similarity fit that the run keeps from fit to fit: the
// working copies of the fit settings (refreshed by refresh_fit before every
// fit) and the engine's state.
struct FitWork {
    FArray<double, 1, 7> x;  // parameters: X1..X3 [AU], X4..X6 [rad], M (X7)
    FArray<double, 1, 7> dx; // step vector
    std::vector<int> iw;     // engine integer work array; iw(1..4) from the site record
    std::vector<double> w;   // engine real work array; w(1..3) from the site record
    FArray<double, 1, 9> r;  // residuals
    FArray<double, 1, 9> y;  // model image
    int trace = 0;           // non-zero: the fit prints its trace

    // work: the vectors as sonpos takes them.
    // Takes:    nothing.
    // Returns:  views of this object's vectors (9 residuals, 7 parameters); the
    //           fit writes its results into them.
    SonposWork work();
};

// The site of one run: the record as read, the targets, and the layout
// geometry derived from the points. Only read once the run loop starts.
struct Site {
    // The site record.
    FArray<double, 1, 7> xstart;  // fit start values X1..X7 (X4..X6 in degrees)
    FArray<double, 1, 7> dx;      // step vector
    FArray<int, 1, 4> iwork;      // initial iw(1..4)
    FArray<double, 1, 3> wwork;   // initial w(1..3)
    int trace = 0;                // trace flag
    // Points: pg(i, 1..4) = x, y, z, h of point i. Stored quantity by quantity
    // (x1 x2 x3 y1 y2 y3 z1 z2 z3 h1 h2 h3).
    FArray<double, 1, 3, 1, 4> pg;
    FArray<double, 1, 2> target;  // target differences Mercury-Venus, Mercury-Earth (before the view)
    FArray<double, 1, 4> listing; // JDEs of the chamber, syzygy, transit and pyramid constellations

    // Target longitude differences per planet, negated for the view from the south.
    FArray<double, 1, 9> diff;

    // The layout geometry of the points (site_geometry).
    SiteGeometry geometry;

    Site();
};

// load_site: the site record of a Giza or chamber run.
// Takes:    the run parameters (main_option 1 Giza, 2 chambers; sun_mode,
//           ephem_choice, planet_order, level_choice, view), the reference-case
//           flag, the site to fill, the file name.
// Returns:  nothing; the site holds the fit settings, the points with the
//           level of the heights, the target differences and the listing values.
// Notes:    1. The chambers' points follow the planet order (chambers) except
//              with Kepler orbits; the view from the south negates the targets.
//           2. The target differences are read only when (sun_mode 2 or
//              chambers) and the reference-case flag is 0.
//           3. A missing, short or unreadable file throws DataError naming the
//              file and the line.
void load_site(const RunParams& p, int reference_flag, Site& site, const std::string& file = site_file);

// site_geometry: the layout geometry of the site's three points.
// Takes:    the run parameters (main_option, sun_mode, view), the site with its
//           points after the level of the heights.
// Returns:  the points and heights, the sides from point 3, their lengths,
//           ratios and angles, the normal, the plane directions and midpoints
//           (each where the sun_mode reads it), the centroid and spread, and
//           the target of the similarity fit.
// Notes:    1. Points that would make a ratio, direction or normal undefined
//              (equal x or y where divided by, coincident or collinear points)
//              throw DataError naming the site file.
SiteGeometry site_geometry(const RunParams& p, const Site& site);

// refresh_fit: the fit's working copies before a fit.
// Takes:    the site record; the fit's vectors.
// Returns:  nothing; the parameters (X4..X6 converted to radians), the step
//           vector, iw(1..4), w(1..3) and the trace flag are the site record's.
// Notes:    1. The work arrays are sized for 9 residuals, 7 parameters and the
//              points the engine keeps (iw(1), at least 8); the rest of their
//              contents stays from fit to fit.
void refresh_fit(const Site& site, FitWork& fit);

} // namespace r7
