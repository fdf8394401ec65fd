#include "fit/regress.hpp"

#include <cmath>

#include "state/store.hpp"

namespace r7 {

void rcoef2(int k, int n, FArray<double, 1, 6>& out)
{
    double r2 = 0.0;
    if (n >= 1) {
        const double dn = n;
        double xm = 0.0, ym = 0.0;
        for (int i = 1; i <= n; ++i) {
            xm += astro.comp(i, 1);
            ym += astro.comp(i, k + 1);
        }
        xm /= dn;
        ym /= dn;
        double sxy = 0.0, sxx = 0.0, syy = 0.0;
        for (int i = 1; i <= n; ++i) {
            const double x = astro.comp(i, 1), y = astro.comp(i, k + 1);
            sxy += x * y / dn;
            sxx += (x - xm) * (x - xm) / dn;
            syy += (y - ym) * (y - ym) / dn;
        }
        sxy -= xm * ym;
        if (sxx * syy > 0.0) {
            const double r = sxy / std::sqrt(sxx * syy);
            r2 = r * r;
        }
    }
    out(2 * k - 1) = r2;
    out(2 * k) = n > 2 ? 1.0 - (1.0 - r2) * (n - 1) / (n - 2) : r2;
}

} // namespace r7
