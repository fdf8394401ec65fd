// FITEX: least squares without derivatives by reverse communication, and its
// companions. All state lives in arrays that the caller owns; the engine never
// allocates and never prints.
//
// Arrays are described 1-based as w(1), iw(1) ...; element k is w[k-1].
#pragma once

#include <cstddef>
#include <span>

namespace r7 {

// fitex_wsize, fitex_iwsize: the lengths of fitex's work arrays.
// Takes:    m residuals, n parameters, np kept points (np = max(iw(1), n + 1)).
// Returns:  the length of the real work array w (0 for m or n below 1) and of
//           the integer work array iw (4 + np).
std::size_t fitex_wsize(int m, int n, int np);
std::size_t fitex_iwsize(int np);

// Value of an empty slot of the point store.
inline constexpr double fitex_empty = 7e75;

// fitex: least squares without derivatives, by reverse communication.
// Takes:    the status ind, m residuals r, n parameters x (n <= m), the
//           accuracy dx of each parameter (non-zero, finite: the unit of the
//           steps and of the convergence test), the work arrays w and iw
//           (fitex_wsize, fitex_iwsize).
// Returns:  nothing; ind and x name the next evaluation or the end.
// Notes:    1. Minimises F = r(1)^2 + ... + r(m)^2 over x. Protocol: set ind = 0
//              and iw(1) (points kept, default n + 1), iw(2) (evaluation limit,
//              0: 2 iw(1); negative: return at once with ind 0), w(1) (step
//              factor, default (w(1) <= 1) 100), w(2) (storage mode 0 or 1);
//              then repeatedly compute r at x and w(4) = F and call; while ind
//              comes back as 1, evaluate at the x that was left.
//           2. On any other ind, x, r and w(4) hold the best point: 0 converged
//              (the step from the best point is below dx in every parameter,
//              fit1 converged for one parameter, or F = 0), 3 evaluation
//              limit, 4 line search or linear solution failed, 5 parameter
//              iw(4) has no effect, 6 parameters iw(3) and iw(4) have the same
//              effect, 7 wrong arguments (nothing usable: n < 1 or n > m, a
//              storage mode other than 0 or 1, a zero or non-finite dx, arrays
//              too short).
//           3. At the end w(3) is the residual standard deviation s,
//              w(5..n+4) the standard errors, w(n+5..2n+4) the column norms of
//              the model matrix times the square roots of the diagonal of
//              (J^T J)^-1, w(2n+5..) the packed correlation matrix (all 0 where
//              the model cannot be inverted), iw(3) the number of evaluations
//              and iw(4) = m - n - 1 (except where ends 5 and 6 name parameters
//              there).
//           4. The residuals are modelled linearly from the stored points
//              (weights 1/F^2); steps are limited to 2 w(1) dx; a step that
//              brings no better point starts a line search along it (fit1); a
//              singular model restarts from a reproducible scatter about the
//              best point.
void fitex(int& ind, int m, int n, std::span<double> r, std::span<double> x, std::span<const double> dx,
           std::span<double> w, std::span<int> iw);

// fit1: one-dimensional minimisation by parabolic interpolation with
// bracketing, by reverse communication.
// Takes:    the flag, c = (count, limit, direction), s = (x, f, step, absolute
//           tolerance, relative tolerance, x1, x2, x3, f1, f2, f3).
// Returns:  nothing; the flag and x = s(1) name the next evaluation or the end.
// Notes:    1. Start with a flag other than 1, x and f = f(x), the step, the
//              tolerances and the count limit; while the flag comes back as 1
//              put f(x) into s(2) and call again.
//           2. Ends: 0 converged (the next point, the vertex of the parabola
//              through the bracket or the bracket's middle where the parabola is
//              unreliable, lies within the absolute tolerance, or the relative
//              tolerance times x, of the middle point), 2 count limit,
//              3 degenerate (two equal abscissae or three equal values); x and f
//              then hold the best point.
//           3. Until a minimum is bracketed the search steps outward, each step
//              twice the bracket's width beyond its falling end.
void fit1(int& flag, std::span<double> c, std::span<double> s);

// lilesq: linear least squares A z = b.
// Takes:    m, n and the m x n matrix A column by column, the right side b
//           (both overwritten), room for z and for the column order p.
// Returns:  0 full rank, k > 0 stopped after k columns, -1 no column reduces
//           the residual, -2 n > m or n < 1 (or arrays too short); z in the
//           input column order (0 for the columns left out).
// Notes:    1. Householder reflections, each step taking the column that
//              reduces the residual most.
//           2. The residual sum of squares is left in the second element of A
//              (when A has one).
int lilesq(int m, int n, std::span<double> a, std::span<double> b, std::span<double> z, std::span<double> p);

// invata: the inverse of the normal matrix A^T A.
// Takes:    m, n and the m x n matrix A column by column (overwritten), room
//           for the result c and for the column order p.
// Returns:  0 success, -1 singular, -2 n > m or n < 1; c holds (A^T A)^-1
//           packed by rows of the lower triangle: element (i, j), j <= i, at
//           position i (i - 1) / 2 + j.
// Notes:    1. From the triangular factor of the Householder reduction:
//              (A^T A)^-1 = P R^-1 R^-T P^T.
int invata(int m, int n, std::span<double> a, std::span<double> c, std::span<double> p);

// invert: the inverse of a 3 x 3 matrix, in place.
// Takes:    the matrix, stored column by column.
// Returns:  nothing; a holds the inverse (adjugate over determinant).
// Notes:    1. The caller makes sure the determinant is not zero.
void invert(std::span<double> a);

} // namespace r7
