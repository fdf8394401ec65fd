// Site data of the Giza pyramids and of the chambers of the Great Pyramid: the
// site record read from "ingiza.t", the target longitude differences, the layout
// geometry of the three points (into `base.pyr`, with the centroid, the mean
// spread and the point array relative to point 3), and the working copies of the
// fit settings that every fit starts from.
//
// Site frames: Giza x north, y west, z up; chambers x north, y up, z east.
// Point 3 is the anchor: planet 1 (Mercury) maps onto it, planet 2 onto point 2,
// planet 3 onto point 1.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "state/farray.hpp"
#include "state/params.hpp"

namespace r7 {

// The site data file.
inline constexpr const char* site_file = "ingiza.t";

// Initial target longitude differences per planet (Mercury minus planet j, in
// degrees); entries 2 and 3 serve the Sun point south of Mykerinos.
inline constexpr std::array<double, 9> diff_initial{0.0, 12.19, 21.41, 0.0, -34.784, 145.0, 60.4, 168.0, 21.41};

// The working copies of the fit settings for one fit (refreshed by refresh_fit)
// and the vectors the fit works on.
struct FitWork {
    FArray<double, 1, 7> x;  // parameters: X1..X3 [AU], X4..X6 [rad], M (X7)
    FArray<double, 1, 7> dx; // step vector
    std::vector<int> iw;     // engine integer work array; iw(1..4) from the site record
    std::vector<double> w;   // engine real work array; w(1..3) from the site record
    FArray<double, 1, 9> r;  // residuals
    FArray<double, 1, 9> y;  // model image
    int trace = 0;           // non-zero: the fit prints its trace
    int ind = 0;             // status of the last fit (the engine's end, or fit_restarted)
    std::array<double, 3> mirror{}; // Sun point of the last fit's mirror image, site coordinates [m]
};

// The site state of one run: the record as read, the targets, the derived
// geometry besides `base.pyr`, and the fit's working copies.
struct Site {
    // The site record.
    FArray<double, 1, 7> xstart;  // fit start values X1..X7 (X4..X6 in degrees)
    FArray<double, 1, 7> dx;      // step vector
    FArray<int, 1, 4> iwork;      // initial iw(1..4)
    FArray<double, 1, 3> wwork;   // initial w(1..3)
    int trace = 0;                // trace flag
    // Points: pg(i, 1..4) = x, y, z, h of point i. Stored quantity by quantity
    // (x1 x2 x3 y1 y2 y3 z1 z2 z3 h1 h2 h3), so the first nine values are the
    // monument array of the coordinate listing.
    FArray<double, 1, 3, 1, 4> pg;
    FArray<double, 1, 2> target;  // target differences Mercury-Venus, Mercury-Earth (before the view)
    FArray<double, 1, 4> listing; // JDEs of the chamber, syzygy, transit and pyramid constellations

    // Target longitude differences per planet, negated for the view from the south.
    FArray<double, 1, 9> diff;

    // Layout geometry (besides base.pyr).
    std::array<double, 3> centroid{}; // mean of the three points
    double spread = 0.0;              // mean distance of the points from the centroid
    FArray<double, 1, 9> rel;         // target vector of the fit: (0,0,0), P2 - P3, P1 - P3

    FitWork fit;

    Site();
};

// Reads the site block of the run's site (main_option 1 Giza, 2 chambers) and
// the four listing values from the site file, applies the chamber assignment
// (chambers with an ephemeris other than Kepler orbits), the level of the heights
// and, for the view from the south, negates the target differences. The target
// differences are read only when (sun_mode 2 or chambers) and reference_flag is 0.
// A missing, short or unreadable file throws DataError naming the file and line.
void load_site(const RunParams& p, int reference_flag, Site& site, const std::string& file = site_file);

// Derives the layout geometry of the three points into base.pyr and the
// centroid, spread and relative point array of the site. Points that would make
// a ratio, direction or normal undefined (equal x or y where divided by,
// coincident or collinear points) throw DataError naming the site file.
void site_geometry(const RunParams& p, Site& site);

// Refreshes the fit's working copies from the site record before a fit: the
// parameters (X4..X6 converted to radians), the step vector, iw(1..4), w(1..3)
// and the trace flag. The work arrays are sized for 9 residuals and 7 parameters.
void refresh_fit(Site& site);

} // namespace r7
