#include "ephemeris/termsum.hpp"

namespace r7 {

// Both loops are compiled three times: for the baseline processor, for one with
// 256-bit vectors and fused multiply-add, and for one with 512-bit vectors; the
// dynamic loader picks the clone that the running processor supports. The clones
// may differ in the last bits of a sum.

[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]]
double term_sum(const double* a, const double* b, const double* c, std::ptrdiff_t n, double t)
{
    double s = 0.0;
#pragma omp simd reduction(+ : s)
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        s += a[i] * vcos(b[i] + c[i] * t);
    }
    return s;
}

[[gnu::target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")]]
double term_sum3(const double* abc, std::ptrdiff_t n, double t)
{
    double s = 0.0;
#pragma omp simd reduction(+ : s)
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        s += abc[3 * i] * vcos(abc[3 * i + 1] + abc[3 * i + 2] * t);
    }
    return s;
}

} // namespace r7
