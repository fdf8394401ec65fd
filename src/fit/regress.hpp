// Regression statistics of the comparison table and the ring fit, a root search
// that fits a circle through the last three points.
#pragma once

#include "state/farray.hpp"

namespace r7 {

// Coefficient of determination R^2 of column k+1 of astro.comp against column 1
// over rows 1..n: out(2k-1) = R^2, out(2k) = adjusted R^2 (one regressor).
// Degenerate data are not divided by zero: when the x or the y values are all
// equal (or n < 2) R^2 is 0; with n = 2 the adjusted value is R^2 itself.
void rcoef2(int k, int n, FArray<double, 1, 6>& out);

// Root search through a circle fitted to three points (x, f(x)), by reverse
// communication. xb is always the point to evaluate next.
// Start: count = 0, ke anything but 5, xb = first guess, fb = f(xb).
// While ke comes back 1 or 5: fb = f(xb) and call again.
// ke = 0: the root is xb. 2: more than maxcount steps. 4: the circle does not
// reach the axis; xb stays the last estimate. (2 and 4 are reported to the
// report units from kout on.) 5 means the search has handed over to secant
// steps (collinear points or the circle's other sense of turn); these end with
// the secant codes 0, 2 or 3.
void ringfit(double& xa, double& xb, double& xc, double& fa, double& fb, double& fc, double tol, double step,
             int& count, int maxcount, int kout, int& ke);

} // namespace r7
