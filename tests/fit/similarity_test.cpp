#include <gtest/gtest.h>

#include <array>

#include "ephemeris/coord.hpp"
#include "fit/similarity.hpp"

namespace r7 {
namespace {

using Mat3 = std::array<double, 9>;

// The rotation that rotmat applies with kaxis 5 and the given angles: the
// images of the unit vectors are its columns.
Mat3 rotmat_matrix(double a1, double a2, double a3)
{
    std::array<double, 9> p{1, 0, 0, 0, 1, 0, 0, 0, 1};
    rotmat(5, a1, a2, a3, std::span<double, 9>(p));
    Mat3 m{};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) m[3 * r + c] = p[3 * c + r];
    return m;
}

std::array<double, 3> apply(const Mat3& m, double s, const std::array<double, 3>& t, const double* v)
{
    std::array<double, 3> o{};
    for (int r = 0; r < 3; ++r) o[r] = s * (m[3 * r] * v[0] + m[3 * r + 1] * v[1] + m[3 * r + 2] * v[2]) + t[r];
    return o;
}

TEST(BestSimilarity, NoisyPointsMeetTheConditionsOfTheLeastSquaresOptimum)
{
    // At the optimum the derivatives of the sum by the shift, the scale and a turn
    // vanish: the residuals r_i sum to zero, and sum r_i . (R x_i) and
    // sum (R x_i) x r_i are zero; the sum is that of the residuals.
    const std::array<double, 9> pts{0.31, -0.22, 0.05, -0.48, 0.61, -0.02, 0.93, 0.79, 0.03};
    const std::array<double, 9> tgt{480.0, -350.0, 70.0, -700.0, 900.0, 40.0, 1450.0, 1210.0, -95.0};
    const Similarity s = best_similarity(pts, tgt);
    ASSERT_TRUE(s.valid);
    std::array<double, 3> sum_r{}, torque{};
    double along = 0.0, sum = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
        const auto img = apply(s.rot, s.scale, s.shift, &pts[3 * i]);
        const auto rx = apply(s.rot, 1.0, {0.0, 0.0, 0.0}, &pts[3 * i]);
        std::array<double, 3> r{};
        for (int c = 0; c < 3; ++c) {
            r[c] = tgt[3 * i + c] - img[c];
            sum_r[c] += r[c];
            along += r[c] * rx[c];
        }
        for (int c = 0; c < 3; ++c) torque[c] += rx[(c + 1) % 3] * r[(c + 2) % 3] - rx[(c + 2) % 3] * r[(c + 1) % 3];
        sum += r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
    }
    EXPECT_GT(sum, 1000.0); // the targets are no similar image of the points
    // A proper turn: orthonormal rows, determinant 1.
    const Mat3& m = s.rot;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(m[3 * i] * m[3 * j] + m[3 * i + 1] * m[3 * j + 1] + m[3 * i + 2] * m[3 * j + 2], i == j, 1e-12);
    EXPECT_NEAR(m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) + m[2] * (m[3] * m[7] - m[4] * m[6]),
                1.0, 1e-12);
    EXPECT_NEAR(s.sum, sum, 1e-9 * sum);
    EXPECT_NEAR(along, 0.0, 1e-9);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(sum_r[c], 0.0, 1e-9) << c;
        EXPECT_NEAR(torque[c], 0.0, 1e-9) << c;
    }
}

TEST(EulerZxz, TurnsAsRotmatDoesAlsoWhereTheAxesMeet)
{
    for (const auto& a : std::array<std::array<double, 3>, 5>{
             {{0.7, 0.4, -1.1}, {-2.9, 2.8, 3.0}, {1.2, 0.0, 0.5}, {1.2, 3.141592653589793, 0.5}, {-0.3, 1e-14, 0.2}}}) {
        const Mat3 m = rotmat_matrix(a[0], a[1], a[2]);
        const auto e = euler_zxz(m);
        EXPECT_GE(e[1], 0.0);
        const Mat3 back = rotmat_matrix(e[0], e[1], e[2]);
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(back[k], m[k], 1e-12) << a[0] << " " << a[1] << " " << a[2];
    }
}

} // namespace
} // namespace r7
