// The least-squares similarity transformation in closed form, and the z-x-z
// Euler angles of a rotation: the start from which the similarity fit of the
// Sun point reaches its optimum whatever its stored start values.
#pragma once

#include <array>
#include <span>

namespace r7 {

// A similarity transformation image = scale * rot * point + shift.
struct Similarity {
    double scale = 0.0;             // > 0 for every transformation best_similarity returns
    std::array<double, 9> rot{};    // proper rotation (determinant +1), row by row
    std::array<double, 3> shift{};
    double sum = 0.0;               // sum of the squared distances of the images from their targets
    bool valid = false;             // false: fewer than two distinct points, or non-finite input
};

// best_similarity: the similarity with positive scale and a proper rotation that
// carries the points onto their targets with the least sum of squared distances.
// Takes:    points and targets, x y z of each point in turn (as many targets as
//           points).
// Returns:  the transformation and its sum of squared distances.
// Notes:    1. For three points (or any points in one plane) the mirror image of
//              the transformation, an improper rotation with the same scale (or
//              the proper one with scale -M), fits exactly as well; it is not
//              returned.
//           2. Degenerate points (all equal, or all targets equal) give
//              valid = false or a scale of 0; so do fewer than two points and
//              non-finite input (valid = false).
// Source:   Horn, B. K. P. (1987), Closed-form solution of absolute orientation
//           using unit quaternions, J. Opt. Soc. Am. A 4, 629-642: the rotation
//           is the unit quaternion of the largest eigenvalue of the 4 x 4 matrix
//           built from the cross-covariance; the scale is that eigenvalue over
//           the spread of the points (the scale of Umeyama 1991, IEEE PAMI 13,
//           376-380).
Similarity best_similarity(std::span<const double> points, std::span<const double> targets);

// euler_zxz: the z-x-z Euler angles of a rotation.
// Takes:    the rotation rot, row by row.
// Returns:  the angles (a1, a2, a3) [rad] with which rotmat (kaxis 5) turns
//           points by rot: a2 in [0, pi], a1 and a3 in (-pi, pi].
// Notes:    1. Where a2 is 0 or pi (sin a2 below 1e-12: a1 and a3 turn about the
//              same axis), a3 = 0 and a1 takes the whole turn.
std::array<double, 3> euler_zxz(const std::array<double, 9>& rot);

} // namespace r7
