// FITEX: least squares without derivatives by reverse communication, and its
// companions. All state lives in arrays that the caller owns; the engine never
// allocates and never prints.
//
// Arrays are described 1-based as w(1), iw(1) ...; element k is w[k-1].
//
// fitex(ind, m, n, r, x, dx, w, iw) minimises F = r(1)^2 + ... + r(m)^2 over
// the n parameters x. Protocol: set ind = 0 and iw(1) (points kept, default
// n + 1), iw(2) (evaluation limit, default 2 iw(1), negative: return at once),
// w(1) (step factor, default 100), w(2) (storage mode 0 or 1); then repeatedly
// compute r at x and w(4) = F and call; while ind comes back as 1, evaluate at
// the x that was left. On any other ind, x, r and w(4) hold the best point:
//   0 converged (or F = 0), 3 evaluation limit, 4 line search or linear
//   solution failed, 5 parameter iw(4) has no effect, 6 parameters iw(3) and
//   iw(4) have the same effect, 7 wrong arguments (nothing usable).
// At the end w(3) is the residual standard deviation s, w(5..n+4) the standard
// errors, w(n+5..2n+4) the column norms of the model matrix times the square
// roots of the diagonal of (J^T J)^-1, w(2n+5..) the packed correlation matrix,
// iw(4) = m - n - 1 (ends 5 and 6 excepted).
#pragma once

#include <cstddef>
#include <span>

namespace r7 {

// Lengths of the real and integer work arrays for m residuals, n parameters and
// np kept points (np = max(iw(1), n + 1)).
std::size_t fitex_wsize(int m, int n, int np);
std::size_t fitex_iwsize(int np);

// Value of an empty slot of the point store.
inline constexpr double fitex_empty = 7e75;

void fitex(int& ind, int m, int n, std::span<double> r, std::span<double> x, std::span<const double> dx,
           std::span<double> w, std::span<int> iw);

// One-dimensional minimisation by parabolic interpolation with bracketing.
// c = (count, limit, direction); s = (x, f, step, absolute tolerance, relative
// tolerance, x1, x2, x3, f1, f2, f3). Start with flag other than 1 and f = f(x);
// while flag comes back as 1 put f(x) into s(2) and call again. Ends: 0
// converged, 2 count limit, 3 degenerate; x and f then hold the best point.
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

// Inverse of a 3 x 3 matrix stored column by column, in place (adjugate over
// determinant; the caller makes sure the determinant is not zero).
void invert(std::span<double> a);

} // namespace r7
