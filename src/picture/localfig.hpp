// The transit seen from the run's site: the Sun's disk as the observer sees it,
// the zenith up, with the planet's path across it and its disk at the local
// phases, each labelled with its time and the Sun's altitude.
#pragma once

#include <string>

#include "report/results.hpp"

namespace r7::picture {

// Pixel geometry of one local diagram. x to the right, y downwards; the
// zenith is up and the sense of the angles that of the sky (from the zenith
// through the side of the disk that lies to the left).
struct LocalGeometry {
    double scale = 0.0;                 // pixels per arc second
    double cx = 0.0, cy = 0.0, r = 0.0; // the Sun's disk
    std::array<double, 5> x{}, y{};     // the planet's centre at I, II, greatest transit, III, IV
    std::array<bool, 5> has{};
    double planet_r = 0.0;              // the planet's disk
    std::vector<std::pair<double, double>> path; // the path across the disk, in time order
};

// local_geometry: the pixel geometry of a local diagram.
// Takes:    the local circumstances of a recorded transit.
// Returns:  the scale, the Sun's disk, the planet's centre at each phase that
//           happens at the site (by its separation and zenith angle), the
//           planet's radius and the path (the computed path points, else the
//           phases), kept within the drawing.
LocalGeometry local_geometry(const results::LocalTransit& l);

// local_transit_svg: the diagram of the transit t seen from its site.
// Takes:    a recorded transit with its local circumstances (t.local).
// Returns:  the SVG picture; empty without local circumstances.
// Notes:    1. The planet's path bends where the zenith turns about the Sun
//              in the hours of the transit; it is drawn through the
//              computed points of the path.
std::string local_transit_svg(const results::Transit& t);

} // namespace r7::picture
