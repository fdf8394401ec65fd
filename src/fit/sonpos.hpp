// The Sun point: where the heliocentric origin falls on the monument site when
// the planet triangle is laid onto the monument triangle.
#pragma once

#include <span>

namespace r7 {

// sun_mode: 3 or less plane construction from the pair midpoints (2D), 4 one
// 3x3 linear system (3D/SLE), 5 the seven-parameter similarity fit (3D/FITEX),
// other values keep the Sun point in xyr(31..33) and only shift it and redo the
// radius. view 2 mirrors the plane construction. unit: first output unit of the
// trace (units unit, unit + 5, ... up to 6). dx, dy, dz: anchor shift added by
// every method except 2D. ref (3 values) and r0: reference point and softening
// radius of the uncertainty radius. trace: non-zero prints the fit trace. iw,
// ind, m (9), n (7), r, x, step, w, y, target: the fit vectors (fitex).
// Writes xyr(31..33) (slot::sun_x..sun_z, the Sun point, m), xyr(34) (slot::sun_dr,
// the uncertainty radius, m) and, for the three methods, xyr(35) (slot::length_ratio,
// planetary over monument lengths).
void sonpos(const int& sun_mode, const int& view, const int& unit, const double& dx, const double& dy,
            const double& dz, std::span<const double> ref, const double& r0, const int& trace,
            std::span<int> iw, int& ind, const int& m, const int& n, std::span<double> r, std::span<double> x,
            std::span<const double> step, std::span<double> w, std::span<double> y,
            std::span<const double> target);

} // namespace r7
