#include "fit/regress.hpp"

#include <cmath>
#include <cstddef>

namespace r7 {

RSquared rcoef2(std::span<const double> x, std::span<const double> y)
{
    const std::size_t count = x.size();
    const int n = static_cast<int>(count);
    double r2 = 0.0;
    if (n >= 1) {
        const double dn = n;
        double xm = 0.0, ym = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            xm += x[i];
            ym += y[i];
        }
        xm /= dn;
        ym /= dn;
        double sxy = 0.0, sxx = 0.0, syy = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            const double xi = x[i], yi = y[i];
            sxy += xi * yi / dn;
            sxx += (xi - xm) * (xi - xm) / dn;
            syy += (yi - ym) * (yi - ym) / dn;
        }
        sxy -= xm * ym;
        if (sxx * syy > 0.0) {
            const double r = sxy / std::sqrt(sxx * syy);
            r2 = r * r;
        }
    }
    return {r2, n > 2 ? 1.0 - (1.0 - r2) * (n - 1) / (n - 2) : r2};
}

} // namespace r7
