// Sums of periodic terms A*cos(B + C*t), the inner loop of every planetary series.
// The cosine is written out as plain arithmetic (range reduction by pi and an even
// polynomial) so that the compiler can evaluate several terms per instruction; it
// agrees with std::cos to a few units of 1e-16 in absolute value.
#pragma once

#include <cmath>
#include <cstddef>

namespace r7 {

namespace detail {

// The argument reduced by the nearest multiple k of pi, and the sign (-1)^k.
struct Reduced {
    double r;
    double sign;
};

// Cody and Waite's reduction with a three-part pi (the first two parts carry 30
// bits each, so k*part is exact for |x| < 2.6e7).
[[gnu::always_inline]] inline Reduced reduce_by_pi(double x)
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
    return {r, 1.0 - 2.0 * d * d};
}

// The Taylor polynomial of cos r to r^20, in z = r^2.
[[gnu::always_inline]] inline double cos_poly(double z)
{
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
    return p * z + 1.0;
}

} // namespace detail

// vcos: the cosine, written out for vectorised loops.
// Takes:    x [rad].
// Returns:  cos x, within a few units of 1e-16 of std::cos.
// Notes:    1. x is reduced by the nearest multiple k of pi with a three-part pi
//              (the first two parts carry 30 bits each, so k*part is exact for
//              |x| < 2.6e7); cos(x) = (-1)^k cos(r), |r| <= pi/2, and cos(r) is
//              the Taylor polynomial to r^20, whose remainder stays below 2e-17
//              on that interval.
//           2. No library call and no branch: the compiler can evaluate several
//              terms per instruction.
// Source:   Cody and Waite (1980), Software Manual for the Elementary
//           Functions: the reduction by pi in parts.
[[gnu::always_inline]] inline double vcos(double x)
{
    const detail::Reduced a = detail::reduce_by_pi(x);
    return a.sign * detail::cos_poly(a.r * a.r);
}

// vsincos: sine and cosine together, for vectorised loops.
// Takes:    the argument as x + lo [rad] (lo a small correction, below 1e-9 in
//           magnitude, that carries the bits x cannot).
// Returns:  sn = sin(x + lo), cs = cos(x + lo).
// Notes:    1. The range reduction of vcos, lo added to the reduced argument,
//              then the Taylor polynomials of both on |r| <= pi/2 (the cosine to
//              r^20, the sine to r^21, whose remainder stays below 2e-18 there).
// Source:   Cody and Waite (1980), as vcos.
[[gnu::always_inline]] inline void vsincos(double x, double lo, double& sn, double& cs)
{
    const detail::Reduced a = detail::reduce_by_pi(x);
    const double r = a.r + lo;
    const double z = r * r;
    double s = 1.0 / 51090942171709440000.0;         // 1/21!
    s = s * z - 1.0 / 121645100408832000.0;          // 1/19!
    s = s * z + 1.0 / 355687428096000.0;             // 1/17!
    s = s * z - 1.0 / 1307674368000.0;               // 1/15!
    s = s * z + 1.0 / 6227020800.0;                  // 1/13!
    s = s * z - 1.0 / 39916800.0;                    // 1/11!
    s = s * z + 1.0 / 362880.0;                      // 1/9!
    s = s * z - 1.0 / 5040.0;                        // 1/7!
    s = s * z + 1.0 / 120.0;                         // 1/5!
    s = s * z - 1.0 / 6.0;                           // 1/3!
    s = s * z + 1.0;
    cs = a.sign * detail::cos_poly(z);
    sn = a.sign * (s * r);
}

// term_sum: a sum of periodic terms.
// Takes:    the coefficients in three separate arrays a, b, c, the number of
//           terms n, the time t.
// Returns:  the sum over i < n of a[i]*cos(b[i] + c[i]*t).
// Notes:    1. Term i goes to lane i mod 8 of eight lanes, which are added in a
//              fixed order at the end, and no multiply-add is fused, so the sum
//              is the same to the last bit on every processor and thread count
//              (the clone for 256- or 512-bit vectors or the baseline one).
double term_sum(const double* a, const double* b, const double* c, std::ptrdiff_t n, double t);

// term_sum3: the same sum for coefficients stored as (A, B, C) triples.
// Takes:    the n consecutive triples abc, n, the time t.
// Returns:  the sum over i < n of A_i cos(B_i + C_i t), added as term_sum adds it.
double term_sum3(const double* abc, std::ptrdiff_t n, double t);

// term_sums: the sums of consecutive runs of terms, in one call.
// Takes:    the coefficients a, b, c, the bounds of the runs (runs + 1 values),
//           the number of runs, the time t, the array out (runs values).
// Returns:  nothing; out[r] is the sum over run r, terms bounds[r] to
//           bounds[r + 1] - 1, of a[i]*cos(b[i] + c[i]*t).
// Notes:    1. Each run must be a whole number of 8-term groups (shorter series
//              padded with terms of amplitude 0).
//           2. Each run is added in the eight lanes of term_sum, so that out[r]
//              equals term_sum over the run's own terms to the last bit: a term
//              of amplitude 0 adds +0 to its lane. One call covers the series of
//              a whole planet.
void term_sums(const double* a, const double* b, const double* c, const std::size_t* bounds, std::ptrdiff_t runs,
               double t, double* out);

// Degree of the Taylor polynomials of term_taylor.
inline constexpr int taylor_degree = 12;

// term_taylor: the Taylor polynomial of a sum of periodic terms.
// Takes:    the coefficients a, b, c, the number of terms n, the centre t0 as
//           t0_hi + t0_lo, the scale h of the time, the array coef
//           (taylor_degree + 1 values).
// Returns:  nothing; coef[k] (k = 0..taylor_degree) is the coefficient of s^k,
//           s = (t - t0)/h, of the sum over i < n of a[i]*cos(b[i] + c[i]*t):
//           sum a[i] (c[i] h)^k / k! cos(b[i] + c[i] t0 + k pi/2), the k-th
//           derivative of the sum at t0 times h^k / k!.
// Notes:    1. One sine and cosine per term give every coefficient; the terms
//              are added in eight fixed lanes, as in term_sum.
//           2. The arguments b + c t0 are formed in double-double arithmetic
//              (the rounding error of the product exactly by a fused
//              multiply-add, that of the sum by the two-sum, both carried into
//              the reduced argument): far from J2000.0, c t0 reaches 4e5 rad,
//              whose last bit is 6e-11 rad.
// Source:   Taylor's series of the cosine; Knuth, The Art of Computer
//           Programming, vol. 2, sec. 4.2.2 (the two-sum).
void term_taylor(const double* a, const double* b, const double* c, std::ptrdiff_t n, double t0_hi, double t0_lo,
                 double h, double* coef);

} // namespace r7
