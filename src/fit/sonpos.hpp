// The Sun point: where the heliocentric origin falls on the monument site when
// the planet triangle is laid onto the monument triangle.
#pragma once

#include <array>
#include <optional>
#include <span>

#include "fit/triangle.hpp"

namespace r7 {

// How the Sun point is computed.
struct SonposInput {
    // 3 or less: plane construction from the pair midpoints (2D); 4: one 3x3
    // linear system (3D/SLE); 5: the seven-parameter similarity fit (3D/FITEX);
    // other values take the anchor as the Sun point and only redo the radius.
    int sun_mode = 0;
    int unit = 6;                     // first output unit of messages and trace (unit, unit + 5, ... up to 6)
    int trace = 0;                    // non-zero: the similarity fit prints its trace
};

// The vectors of the similarity fit (fitex), kept by the caller: the fit starts
// from x and leaves its result there; the engine's settings and its state are
// in iw and w.
struct SonposWork {
    std::span<int> iw;              // engine integer work array
    std::span<double> r;            // residuals (m)
    std::span<double> x;            // parameters (n): translation, Euler angles, scale
    std::span<const double> step;   // step vector (n)
    std::span<double> w;            // engine real work array
    std::span<double> y;            // model image (m)
    int m = 9;                      // image values: three points
    int n = 7;                      // parameters of the similarity transformation
};

// The Sun point of a site and what its fit reports.
struct SunPoint {
    SiteVec at{};                   // the Sun point in site coordinates [m]
    double dr = 0.0;                // its uncertainty radius [m]
    double length_ratio = 0.0;      // planetary lengths over monument lengths (0 without a point)
    // The similarity fit (sun_mode 5) only; 0 for the other methods.
    int status = 0;                 // the engine's end, or fit_restarted
    int evaluations = 0;            // evaluations of both runs, iw(3)
    std::array<double, 7> parameters{}; // X1..X3 [AU], X4..X6 [rad], M [m/AU]
    std::array<double, 9> residual{};   // images minus targets, three points [m]
    // The Sun point of the mirror-image fit, site coordinates [m].
    std::optional<SiteVec> mirror;
};

// Status of a similarity fit whose first run did not end converged at the
// least-squares optimum (evaluation limit, failed line search, a sum or a Sun
// point away from the closed-form optimum's, or a scale that is not positive)
// and whose second run, started from the closed-form optimum, ended there. The
// engine itself never ends with 2.
inline constexpr int fit_restarted = 2;

// sonpos: the Sun point of the monument triangle laid onto the planets' triangle.
// Takes:    the method, output unit and trace flag (in); the planet triangle
//           as relpos compared it (its points, sides, lengths, the view decided
//           and F); the site geometry; for the similarity fit its vectors (work).
// Returns:  the Sun point in site coordinates, its uncertainty radius and the
//           length ratio; for the similarity fit its status, evaluations,
//           parameters, residuals and the mirror Sun point (the fitted
//           parameters and residuals also stay in work).
// Notes:    1. The plane construction turns each planet pair onto its monument
//              pair by the difference of their directions, taken by quadrant;
//              the view 2 mirrors it (y -> -y). It adds no anchor shift, and its
//              radius is the plain distance from the centroid times F/100.
//           2. The other methods add the anchor (point 3); the radius is the
//              distance d from the centroid, softened below the spread r0 to
//              (d^2/r0 + r0)/2, times F/100.
//           3. The similarity fit runs the engine from the start values; where it
//              ends away from the least-squares optimum of its residuals it runs
//              again from the closed-form optimum (status fit_restarted, the
//              evaluations of both runs counted).
//           4. Three points fit the mirror image of the similarity (scale -M,
//              or an improper rotation) exactly as well; its Sun point is the
//              reflection of the Sun point through the plane of the fitted images
//              (at the optimum the plane of the monument points). The Sun point
//              itself is that of M > 0.
//           5. A singular system (sides A and B parallel) gives the anchor with
//              radius and length ratio 0, after a message.
// Source:   the closed-form start: Horn (1987), see fit/similarity.hpp.
SunPoint sonpos(const SonposInput& in, const TriangleFit& tri, const SiteGeometry& site, SonposWork& work);

} // namespace r7
