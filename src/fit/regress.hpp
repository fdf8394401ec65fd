// Regression statistics of the comparison table.
#pragma once

#include <span>

namespace r7 {

// The coefficient of determination of a straight-line fit and its value
// adjusted for one regressor.
struct RSquared {
    double r2 = 0.0;
    double adjusted = 0.0;
};

// rcoef2: the coefficient of determination of y against x.
// Takes:    the reference values x and the compared values y (the first n of
//           each, n the length of x; y has at least as many).
// Returns:  R^2 = r^2 with r the correlation coefficient, and the adjusted
//           R^2 = 1 - (1 - R^2)(n - 1)/(n - 2).
// Notes:    1. Degenerate data are not divided by zero: when the x or the y
//              values are all equal (or n < 2) R^2 is 0; with n = 2 the
//              adjusted value is R^2 itself.
// Source:   the coefficient of determination of a straight-line fit and its
//           adjusted form, 1 - (1 - R^2)(n - 1)/(n - p - 1) for p = 1 regressor;
//           r from the means, variances and cross term over n (population
//           moments).
RSquared rcoef2(std::span<const double> x, std::span<const double> y);

} // namespace r7
