// The Sun point: where the heliocentric origin falls on the monument site when
// the planet triangle is laid onto the monument triangle.
#pragma once

#include <array>
#include <span>

namespace r7 {

// What the Sun point is computed from.
struct SonposInput {
    // 3 or less: plane construction from the pair midpoints (2D); 4: one 3x3
    // linear system (3D/SLE); 5: the seven-parameter similarity fit (3D/FITEX);
    // other values keep the Sun point in xyr(31..33) and only shift it and redo
    // the radius.
    int sun_mode = 0;
    int view = 1;                     // 2 mirrors the plane construction
    int unit = 6;                     // first output unit of messages and trace (unit, unit + 5, ... up to 6)
    std::array<double, 3> anchor{};   // shift added by every method except 2D
    std::span<const double> ref;      // reference point (3 values) of the uncertainty radius
    double r0 = 0.0;                  // softening radius of the uncertainty radius
    int trace = 0;                    // non-zero: the similarity fit prints its trace
    std::span<const double> target;   // 9 values: the monument points the fit aims at
};

// The vectors of the similarity fit (fitex), kept by the caller: the fit starts
// from x and leaves its result there.
struct SonposWork {
    std::span<int> iw;              // engine integer work array
    std::span<double> r;            // residuals (m)
    std::span<double> x;            // parameters (n): translation, Euler angles, scale
    std::span<const double> step;   // step vector (n)
    std::span<double> w;            // engine real work array
    std::span<double> y;            // model image (m)
    int m = 9;                      // image values: three points
    int n = 7;                      // parameters of the similarity transformation
    int ind = 0;                    // status of the fit (output): the engine's end, or fit_restarted
    std::array<double, 3> mirror{}; // output: the Sun point of the mirror-image fit, site coordinates [m]
};

// Status of a similarity fit whose first run did not end converged at the
// least-squares optimum (evaluation limit, failed line search, a sum or a Sun
// point away from the closed-form optimum's, or a scale that is not positive)
// and whose second run, started from the closed-form optimum, ended there. The
// engine itself never ends with 2.
inline constexpr int fit_restarted = 2;

// sonpos: the Sun point of the monument triangle laid onto the planets' triangle.
// Takes:   the method, view, anchor shift, reference point and softening radius
//          (in); the planets in xyr(1..9) and their sides from relpos, the
//          monument geometry in pyr; for the similarity fit its vectors (work).
// Returns: xyr(31..33) (slot::sun_x..sun_z, the Sun point, m), xyr(34)
//          (slot::sun_dr, the uncertainty radius, m) and, for the three methods,
//          xyr(35) (slot::length_ratio, planetary over monument lengths); for the
//          similarity fit the fitted parameters, residuals, status and evaluations
//          in work, and the mirror Sun point.
// Notes:   1. The plane construction turns each planet pair onto its monument
//             pair by the difference of their directions, taken by quadrant.
//          2. The similarity fit runs the engine from the start values; where it
//             ends away from the least-squares optimum of its residuals it runs
//             again from the closed-form optimum (status fit_restarted, the
//             evaluations of both runs counted).
//          3. Three points fit the mirror image of the similarity (scale -M,
//             or an improper rotation) exactly as well; its Sun point, the
//             reflection of the Sun point through the plane of the fitted images
//             (at the optimum the plane of the monument points), is work.mirror.
//             The Sun point itself is that of M > 0.
// Source:  the closed-form start: Horn (1987), see fit/similarity.hpp.
void sonpos(const SonposInput& in, SonposWork& work);

} // namespace r7
