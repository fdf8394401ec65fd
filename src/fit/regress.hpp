// Regression statistics of the comparison table.
#pragma once

#include "state/farray.hpp"

namespace r7 {

// Coefficient of determination R^2 of column k+1 of astro.comp against column 1
// over rows 1..n: out(2k-1) = R^2, out(2k) = adjusted R^2 (one regressor).
// Degenerate data are not divided by zero: when the x or the y values are all
// equal (or n < 2) R^2 is 0; with n = 2 the adjusted value is R^2 itself.
void rcoef2(int k, int n, FArray<double, 1, 6>& out);

} // namespace r7
