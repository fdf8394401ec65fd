#include "ephemeris/termsum.hpp"

#include <cmath>
#include <utility>

namespace r7 {

// The loops are compiled three times: for the baseline processor, for one with
// 256-bit vectors and for one with 512-bit vectors; the dynamic loader picks the
// clone that the running processor supports. Each sum runs in eight fixed lanes
// (term i goes to lane i mod 8) that are added in a fixed order at the end, so
// the sum does not depend on the vector width. The two vector clones fuse
// multiplications and additions into single instructions (GCC contracts them
// by default) and agree with each other to the last bit; the baseline clone has
// no such instructions and can differ in the last bits, so the reports are the
// same on every processor with AVX2 and FMA, not on older ones (README, "Speed").
namespace {
constexpr std::ptrdiff_t lanes = 8;

double lane_total(const double (&acc)[lanes])
{
    return ((acc[0] + acc[1]) + (acc[2] + acc[3])) + ((acc[4] + acc[5]) + (acc[6] + acc[7]));
}
} // namespace

[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]]
double term_sum(const double* a, const double* b, const double* c, std::ptrdiff_t n, double t)
{
    double acc[lanes] = {};
    const std::ptrdiff_t whole = n - n % lanes;
    for (std::ptrdiff_t i = 0; i < whole; i += lanes) {
#pragma omp simd
        for (std::ptrdiff_t j = 0; j < lanes; ++j) acc[j] += a[i + j] * vcos(b[i + j] + c[i + j] * t);
    }
    for (std::ptrdiff_t j = 0; whole + j < n; ++j) acc[j] += a[whole + j] * vcos(b[whole + j] + c[whole + j] * t);
    return lane_total(acc);
}

[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]]
double term_sum3(const double* abc, std::ptrdiff_t n, double t)
{
    double acc[lanes] = {};
    const std::ptrdiff_t whole = n - n % lanes;
    for (std::ptrdiff_t i = 0; i < whole; i += lanes) {
#pragma omp simd
        for (std::ptrdiff_t j = 0; j < lanes; ++j) {
            const double* x = abc + 3 * (i + j);
            acc[j] += x[0] * vcos(x[1] + x[2] * t);
        }
    }
    for (std::ptrdiff_t j = 0; whole + j < n; ++j) {
        const double* x = abc + 3 * (whole + j);
        acc[j] += x[0] * vcos(x[1] + x[2] * t);
    }
    return lane_total(acc);
}

[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]]
void term_sums(const double* a, const double* b, const double* c, const std::size_t* bounds, std::ptrdiff_t runs,
               double t, double* out)
{
    for (std::ptrdiff_t r = 0; r < runs; ++r) {
        double acc[lanes] = {};
        const auto end = static_cast<std::ptrdiff_t>(bounds[r + 1]);
        for (auto i = static_cast<std::ptrdiff_t>(bounds[r]); i < end; i += lanes) {
#pragma omp simd
            for (std::ptrdiff_t j = 0; j < lanes; ++j) acc[j] += a[i + j] * vcos(b[i + j] + c[i + j] * t);
        }
        out[r] = lane_total(acc);
    }
}

namespace {
// One term's contributions to the lanes of the coefficients 0..taylor_degree:
// w = a u^k, times cos, -sin, -cos, sin, cos, ... (the derivatives of cos).
template <std::size_t... K>
[[gnu::always_inline]] inline void taylor_term(double (&acc)[taylor_degree + 1][lanes], std::ptrdiff_t j, double a,
                                               double u, double sn, double cs, std::index_sequence<K...>)
{
    double w = a;
    acc[0][j] += w * cs;
    (((w *= u), ((K + 1) % 4 == 1 || (K + 1) % 4 == 2)
                    ? (acc[K + 1][j] -= w * (((K + 1) % 2) ? sn : cs))
                    : (acc[K + 1][j] += w * (((K + 1) % 2) ? sn : cs))),
     ...);
}

// The argument b + c (t0_hi + t0_lo) as x + lo: the product's rounding error
// exactly by a fused multiply-add, the sum's by Knuth's two-sum.
[[gnu::always_inline]] inline void argument(double b, double c, double t0_hi, double t0_lo, double& x, double& lo)
{
    const double p = c * t0_hi;
    const double ep = std::fma(c, t0_hi, -p);
    x = b + p;
    const double bv = x - p;
    const double es = (b - bv) + (p - (x - bv));
    lo = (ep + es) + c * t0_lo;
}

} // namespace

[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]]
void term_taylor(const double* a, const double* b, const double* c, std::ptrdiff_t n, double t0_hi, double t0_lo,
                 double h, double* coef)
{
    constexpr auto rest = std::make_index_sequence<taylor_degree>{};
    double acc[taylor_degree + 1][lanes] = {};
    const std::ptrdiff_t whole = n - n % lanes;
    for (std::ptrdiff_t i = 0; i < whole; i += lanes) {
#pragma omp simd
        for (std::ptrdiff_t j = 0; j < lanes; ++j) {
            double x = 0.0, lo = 0.0, sn = 0.0, cs = 0.0;
            argument(b[i + j], c[i + j], t0_hi, t0_lo, x, lo);
            vsincos(x, lo, sn, cs);
            taylor_term(acc, j, a[i + j], c[i + j] * h, sn, cs, rest);
        }
    }
    for (std::ptrdiff_t j = 0; whole + j < n; ++j) {
        double x = 0.0, lo = 0.0, sn = 0.0, cs = 0.0;
        argument(b[whole + j], c[whole + j], t0_hi, t0_lo, x, lo);
        vsincos(x, lo, sn, cs);
        taylor_term(acc, j, a[whole + j], c[whole + j] * h, sn, cs, rest);
    }
    double inv_fact = 1.0;
    for (int k = 0; k <= taylor_degree; ++k) {
        if (k > 0) inv_fact /= k;
        coef[k] = lane_total(acc[k]) * inv_fact;
    }
}

} // namespace r7
