// Closed-form least-squares similarity (Horn's unit quaternion) and the z-x-z
// Euler angles of a rotation.
#include "fit/similarity.hpp"

#include <algorithm>
#include <cmath>

namespace r7 {

namespace {

using Mat4 = std::array<std::array<double, 4>, 4>;

// Eigenvalues (diagonal of a) and eigenvectors (columns of v) of a symmetric
// 4 x 4 matrix by cyclic Jacobi rotations. Converges quadratically; the sweep
// limit is never reached for finite input.
void jacobi4(Mat4& a, Mat4& v)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) v[i][j] = i == j ? 1.0 : 0.0;
    constexpr int max_sweeps = 50;
    for (int sweep = 0; sweep < max_sweeps; ++sweep) {
        double off = 0.0, diag = 0.0;
        for (int i = 0; i < 4; ++i) {
            diag += a[i][i] * a[i][i];
            for (int j = i + 1; j < 4; ++j) off += a[i][j] * a[i][j];
        }
        if (off <= 1e-32 * diag || off == 0.0) return;
        for (int p = 0; p < 3; ++p)
            for (int q = p + 1; q < 4; ++q) {
                if (a[p][q] == 0.0) continue;
                // The rotation that zeroes a[p][q] (Golub and Van Loan, sym.schur2).
                const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                const double t = (theta >= 0.0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
                for (int k = 0; k < 4; ++k) {
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (int k = 0; k < 4; ++k) {
                    const double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 4; ++k) {
                    const double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
    }
}

} // namespace

Similarity best_similarity(std::span<const double> points, std::span<const double> targets)
{
    Similarity out;
    const std::size_t n = std::min(points.size(), targets.size()) / 3;
    if (n < 2) return out;
    for (std::size_t i = 0; i < 3 * n; ++i)
        if (!std::isfinite(points[i]) || !std::isfinite(targets[i])) return out;

    // Centroids, and the cross-covariance s[a][b] = sum of p'_a q'_b of the
    // points and targets about them.
    std::array<double, 3> pc{}, qc{};
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < 3; ++c) {
            pc[c] += points[3 * i + c] / static_cast<double>(n);
            qc[c] += targets[3 * i + c] / static_cast<double>(n);
        }
    double s[3][3] = {};
    double spread = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        double p[3], q[3];
        for (std::size_t c = 0; c < 3; ++c) {
            p[c] = points[3 * i + c] - pc[c];
            q[c] = targets[3 * i + c] - qc[c];
            spread += p[c] * p[c];
        }
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) s[a][b] += p[a] * q[b];
    }
    if (!(spread > 0.0)) return out;

    // Horn's symmetric matrix; q^T N q = sum of q'_i . (R(q) p'_i) for a unit quaternion q.
    const double sxx = s[0][0], sxy = s[0][1], sxz = s[0][2];
    const double syx = s[1][0], syy = s[1][1], syz = s[1][2];
    const double szx = s[2][0], szy = s[2][1], szz = s[2][2];
    Mat4 nm{{{sxx + syy + szz, syz - szy, szx - sxz, sxy - syx},
             {syz - szy, sxx - syy - szz, sxy + syx, szx + sxz},
             {szx - sxz, sxy + syx, -sxx + syy - szz, syz + szy},
             {sxy - syx, szx + sxz, syz + szy, -sxx - syy + szz}}};
    Mat4 v{};
    jacobi4(nm, v);
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (nm[k][k] > nm[best][best]) best = k;
    double q0 = v[0][best], qx = v[1][best], qy = v[2][best], qz = v[3][best];
    const double qn = std::sqrt(q0 * q0 + qx * qx + qy * qy + qz * qz);
    q0 /= qn, qx /= qn, qy /= qn, qz /= qn;
    auto& r = out.rot;
    r = {q0 * q0 + qx * qx - qy * qy - qz * qz, 2.0 * (qx * qy - q0 * qz), 2.0 * (qx * qz + q0 * qy),
         2.0 * (qy * qx + q0 * qz), q0 * q0 - qx * qx + qy * qy - qz * qz, 2.0 * (qy * qz - q0 * qx),
         2.0 * (qz * qx - q0 * qy), 2.0 * (qz * qy + q0 * qx), q0 * q0 - qx * qx - qy * qy + qz * qz};

    // The scale that is best for this rotation (never negative: the largest
    // eigenvalue is at least the trace's share of the identity), and the shift
    // that carries the centroid onto the targets' centroid.
    out.scale = std::max(nm[best][best], 0.0) / spread;
    for (std::size_t a = 0; a < 3; ++a)
        out.shift[a] = qc[a] - out.scale * (r[3 * a] * pc[0] + r[3 * a + 1] * pc[1] + r[3 * a + 2] * pc[2]);
    // The sum from the residuals themselves: the difference of the two sums of
    // squares loses the digits of a close fit.
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t a = 0; a < 3; ++a) {
            const double img = out.scale * (r[3 * a] * points[3 * i] + r[3 * a + 1] * points[3 * i + 1] +
                                            r[3 * a + 2] * points[3 * i + 2]) + out.shift[a];
            out.sum += (img - targets[3 * i + a]) * (img - targets[3 * i + a]);
        }
    out.valid = true;
    return out;
}

std::array<double, 3> euler_zxz(const std::array<double, 9>& rot)
{
    // rotmat's z-x-z matrix: last row (s1 s2, -c1 s2, c2), last column (s2 s3, s2 c3, c2).
    const double s2 = std::hypot(rot[6], rot[7]);
    const double a2 = std::atan2(s2, rot[8]);
    if (s2 > 1e-12) return {std::atan2(rot[6], -rot[7]), a2, std::atan2(rot[2], rot[5])};
    // a1 and a3 turn about one axis: the first row is (cos, sin, 0) of a1 + a3
    // (a2 = 0) or of a1 - a3 (a2 = pi); a3 = 0 takes the whole turn into a1.
    return {std::atan2(rot[1], rot[0]), a2, 0.0};
}

} // namespace r7
