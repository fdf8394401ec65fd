#include "ephemeris/termsum.hpp"

namespace r7 {

// Both loops are compiled three times: for the baseline processor, for one with
// 256-bit vectors and for one with 512-bit vectors; the dynamic loader picks the
// clone that the running processor supports. Each sum runs in eight fixed lanes
// (term i goes to lane i mod 8) that are added in a fixed order at the end, and
// no multiply-add is fused (the ISO language mode keeps them apart), so every
// clone gives the same sum to the last bit: a report does not depend on the
// processor it was computed on.
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

} // namespace r7
