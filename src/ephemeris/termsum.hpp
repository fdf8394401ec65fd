// Sums of periodic terms A*cos(B + C*t), the inner loop of every planetary series.
// The cosine is written out as plain arithmetic (range reduction by pi and an even
// polynomial) so that the compiler can evaluate several terms per instruction; it
// agrees with std::cos to a few units of 1e-16 in absolute value.
#pragma once

#include <cstddef>

namespace r7 {

// Cosine for vectorised loops. x is reduced by the nearest multiple k of pi with a
// three-part pi (the first two parts carry 30 bits each, so k*part is exact for
// |x| < 2.6e7); cos(x) = (-1)^k cos(r), |r| <= pi/2, and cos(r) is the Taylor
// polynomial to r^20, whose remainder stays below 2e-17 on that interval.
[[gnu::always_inline]] inline double vcos(double x)
{
    constexpr double inv_pi = 0x1.45f306dc9c883p-2;
    constexpr double p1 = 0x1.921fb54000000p+1;
    constexpr double p2 = 0x1.10b4611800000p-29;
    constexpr double p3 = 0x1.313198a2e0370p-60;
    // Adding and subtracting 1.5*2^52 rounds to the nearest whole number without
    // a library call (valid for |x/pi| < 2^51).
    constexpr double round_magic = 0x1.8p52;

    const double k = (x * inv_pi + round_magic) - round_magic;
    const double r = ((x - k * p1) - k * p2) - k * p3;
    // Parity of k: h is k/2 rounded, so k - 2h is -1, 0 or 1.
    const double h = (k * 0.5 + round_magic) - round_magic;
    const double d = k - 2.0 * h;
    const double sign = 1.0 - 2.0 * d * d;

    const double z = r * r;
    double p = 1.0 / 2432902008176640000.0;          // 1/20!
    p = p * z - 1.0 / 6402373705728000.0;            // 1/18!
    p = p * z + 1.0 / 20922789888000.0;              // 1/16!
    p = p * z - 1.0 / 87178291200.0;                 // 1/14!
    p = p * z + 1.0 / 479001600.0;                   // 1/12!
    p = p * z - 1.0 / 3628800.0;                     // 1/10!
    p = p * z + 1.0 / 40320.0;                       // 1/8!
    p = p * z - 1.0 / 720.0;                         // 1/6!
    p = p * z + 1.0 / 24.0;                          // 1/4!
    p = p * z - 0.5;                                 // 1/2!
    p = p * z + 1.0;
    return sign * p;
}

// Sum over i < n of a[i]*cos(b[i] + c[i]*t), coefficients in three separate arrays.
double term_sum(const double* a, const double* b, const double* c, std::ptrdiff_t n, double t);

// The same for coefficients stored as consecutive (A, B, C) triples.
double term_sum3(const double* abc, std::ptrdiff_t n, double t);

} // namespace r7
