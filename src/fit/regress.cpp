#include "fit/regress.hpp"

#include <cmath>

#include "io/layout.hpp"
#include "state/store.hpp"
#include "transit/search.hpp"

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

void ringfit(double& xa, double& xb, double& xc, double& fa, double& fb, double& fc, double tol, double step,
             int& count, int maxcount, int kout, int& ke)
{
    if (ke == 5) {
        sekante(xa, xb, fa, fb, tol, step, count, maxcount, kout, ke);
        return;
    }
    ke = 1;
    if (count <= 0) {
        sekante(xa, xb, fa, fb, tol, step, count, maxcount, kout, ke);
        return;
    }
    if (count == 1) {
        // The secant step keeps the point with the smaller |f| as a; the point
        // it lets go becomes the third point of the circle.
        const double old_a = xa, old_fa = fa, old_b = xb, old_fb = fb;
        sekante(xa, xb, fa, fb, tol, step, count, maxcount, kout, ke);
        if (ke == 3) return;
        if (xa == old_a) {
            xc = old_b;
            fc = old_fb;
        } else {
            xc = old_a;
            fc = old_fa;
        }
        return;
    }

    // Three points: work relative to b, which keeps full precision for large
    // abscissae such as Julian days.
    const double b0 = xb;
    const double Xa = xa - b0, Xc = xc - b0;
    const double D = Xa * (fc - fb) + Xc * (fb - fa);
    if (D < 1e-15 || std::abs(0.5 / D) < 1e-15) {
        // Collinear points, or the turn from a over b to c has the other sense:
        // go on by secant steps from a and b (moving b when the two coincide).
        xa = Xa + b0;
        xc = Xc + b0;
        xb = std::abs(xa - b0) < 1e-15 ? b0 + 1.0 : b0;
        ke = 5;
        return;
    }

    // Centre (u, v) of the circle through (Xa, fa), (0, fb), (Xc, fc).
    const double g = 0.5 / D;
    const double Sa = Xa * Xa + fa * fa, Sc = Xc * Xc + fc * fc, fb2 = fb * fb;
    const double u = ((fb - fa) * Sc + (fc - fb) * Sa + (fa - fc) * fb2) * g;
    const double v = -((Xa - Xc) * fb2 + Sa * Xc - Sc * Xa) * g;
    const double q = u * u + (fb - v) * (fb - v) - v * v;
    if (q < 0.0) {
        // The circle does not reach the axis: the last estimate b stands.
        ke = 4;
        report_units(kout, io::fmt("(/'  ---->  error in \"ringfit\", ke =',I2/)", {ke}));
        return;
    }

    // Of the two crossings the one nearer to the mean abscissa of the points.
    const double sq = std::sqrt(q);
    const double mean = (Xa + Xc) / 3.0;
    const double root = std::abs(u + sq - mean) <= std::abs(u - sq - mean) ? u + sq : u - sq;

    // The point farthest from the new estimate is dropped.
    double ra = Xa, rc = Xc;
    const double da = std::abs(Xa - root), dc = std::abs(Xc - root), db = std::abs(root);
    if (dc > da && dc > db) {
        rc = 0.0;
        fc = fb;
    } else if (da > db && da > dc) {
        ra = 0.0;
        fa = fb;
    }
    xa = ra + b0;
    xb = root + b0;
    xc = rc + b0;
    ++count;

    // One neighbour within tol of the new estimate is enough.
    if (tol > std::abs(root - ra) || tol > std::abs(rc - root)) {
        ke = 0;
    } else if (count <= maxcount) {
        ke = 1;
    } else {
        ke = 2;
        report_units(kout, io::fmt("(/'  ---->  error in \"ringfit\", ke =',I2/)", {ke}));
    }
}

} // namespace r7
