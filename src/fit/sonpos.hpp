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
    int ind = 0;                    // engine status after the fit (output)
};

// Writes xyr(31..33) (slot::sun_x..sun_z, the Sun point, m), xyr(34) (slot::sun_dr,
// the uncertainty radius, m) and, for the three methods, xyr(35) (slot::length_ratio,
// planetary over monument lengths). Only the similarity fit uses the work.
void sonpos(const SonposInput& in, SonposWork& work);

} // namespace r7
