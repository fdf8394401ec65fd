#include "transit/search.hpp"

#include <cmath>
#include <limits>

#include "io/layout.hpp"
#include "io/units.hpp"

namespace r7 {

namespace {

constexpr int fitmin_max_calls = 100;
// A stepped point this close to a remembered bracket end reuses its value.
constexpr double reuse_eps = 1e-8;
// Parabola spans equal within this are taken as a cycle.
constexpr double cycle_eps = 1e-7;
// Flat function: differences and widths at most this.
constexpr double flat_eps = 0.001;

void fitmin_failed(int kout, int ke)
{
    report_units(kout, io::fmt("(/'  ---->  error in \"fitmin\", ke =',I2/)", {ke}));
}

} // namespace

void report_units(int kout, std::string_view text)
{
    for (int k = kout; k <= io::terminal_unit; k += 5) {
        if (k == io::file_unit || k == io::terminal_unit) io::units().put(k, text);
    }
}

namespace {

// How a step of fitmin ends: the search goes on, or it has finished.
enum class StepEnd { go_on, finished };

// One step of the bracketing search (ktype 1): the triple moves downhill, or
// contracts once a minimum is bracketed. The search finishes on flat ground.
StepEnd bracket_step(FitminState& s)
{
    FitPoints& xs = s.xs;
    FitPoints& fs = s.fs;
    int& kflag = s.kflag;
    int& knext = s.knext;
    const double w1 = s.w1, w2 = s.w2;

    // Stepping and bracketing. A step onto a remembered bracket end takes its
    // value and looks again without a new evaluation; the restarts are
    // bounded so that a degenerate triple can never hold the caller.
    for (int restart = 0;; ++restart) {
        const double f1 = fs(1), f2 = fs(2), f3 = fs(3);
        const double d1 = f2 - f1, d2 = f3 - f2;
        const double m = xs(2);
        bool contract = false;
        int dir = 0; // 3: step towards slot 3, 1: towards slot 1
        if (d1 < 0.0 && d2 >= 0.0) {
            contract = true;
        } else if (d1 < 0.0) {
            if (kflag == 0) dir = 3; else contract = true;
        } else if (d2 < 0.0) {
            if (std::abs(d1) + std::abs(d2) <= flat_eps && w1 + w2 <= flat_eps) return StepEnd::finished;
            dir = 3;
        } else {
            if (kflag == 0) dir = 1; else contract = true;
        }

        if (contract) {
            const double a = xs(1), c = xs(3);
            if (d1 < 0.0 && d2 >= 0.0 && kflag == 0) {
                xs(4) = a;
                fs(4) = f1;
                xs(5) = c;
                fs(5) = f3;
                kflag = 1;
                xs(3) = (c + 4.0 * m) / 5.0;
                knext = 3;
            } else {
                kflag = 0;
                xs(1) = (a + 4.0 * m) / 5.0;
                knext = 1;
            }
            break;
        }

        // Step towards slot dir: the middle point takes the trailing end's
        // place, the leading end becomes the middle and the new leading end
        // lies as far beyond it again. Slot 5 remembers the bracket end on the
        // side of slot 3, slot 4 the one on the side of slot 1.
        const int lead = dir, trail = 4 - dir, kept = dir == 3 ? 5 : 4;
        const bool last_try = restart >= fitmin_max_calls;
        xs(trail) = m;
        fs(trail) = f2;
        xs(2) = xs(lead);
        fs(2) = fs(lead);
        xs(lead) = 2.0 * xs(lead) - m;
        if (!(std::abs(xs(lead) - xs(kept)) < reuse_eps) || last_try) {
            knext = lead;
            break;
        }
        fs(lead) = fs(kept);
    }
    return StepEnd::go_on;
}

// One step of the parabola search (ktype 2 and 3): the vertex of the parabola
// through the squared values replaces the point farthest from it. The search
// finishes on a degenerate parabola and, for ktype 2, once a width is within
// tol or the span repeats one of the last ten (hist, ihist).
StepEnd parabola_step(int ktype, double tol, FitminState& s)
{
    FitPoints& xs = s.xs;
    FitPoints& fs = s.fs;
    double& w1 = s.w1;
    double& w2 = s.w2;
    FitHistory& hist = s.hist;
    int& ihist = s.ihist;
    int& knext = s.knext;

    // Parabola through the squared values: its vertex is the next point.
    const double x1 = xs(1), x2 = xs(2), x3 = xs(3);
    const double g1 = fs(1) * fs(1), g2 = fs(2) * fs(2), g3 = fs(3) * fs(3);
    const double q = x3 - x2, p = x1 - x2;
    const double A = (g2 - g1) * q, B = (g3 - g2) * p;
    const double D = A + B;
    if (std::abs(D) < 1e-30) return StepEnd::finished;
    const double v = x2 + 0.5 * (q * A + p * B) / D;

    // The point farthest from the vertex gives way to it.
    const double e1 = std::abs(x1 - v), e2 = std::abs(x2 - v), e3 = std::abs(x3 - v);
    int slot = 1;
    if (e2 > e1 && e2 > e3) slot = 2;
    else if (e3 > e1 && e3 > e2) slot = 3;
    xs(slot) = v;

    // Order the points ascending, values moving with them, following v.
    auto swap_slots = [&](int i, int k) {
        std::swap(xs(i), xs(k));
        std::swap(fs(i), fs(k));
        if (slot == i) slot = k;
        else if (slot == k) slot = i;
    };
    if (xs(1) > xs(2)) swap_slots(1, 2);
    if (xs(2) > xs(3)) swap_slots(2, 3);
    if (xs(1) > xs(2)) swap_slots(1, 2);
    knext = slot;

    w1 = std::abs(xs(2) - xs(1));
    w2 = std::abs(xs(3) - xs(2));
    if (ktype == 2) {
        const double span = std::abs(xs(3) - xs(1));
        bool cycling = false;
        for (int h = 1; h <= 10; ++h) {
            if (std::abs(span - hist(h)) < cycle_eps) cycling = true;
        }
        if (w1 <= tol || w2 <= tol || cycling) return StepEnd::finished;
        ihist = ihist >= 10 || ihist < 1 ? 1 : ihist + 1;
        hist(ihist) = span;
    }
    return StepEnd::go_on;
}

} // namespace

void fitmin(const FitminInput& in, FitminState& s)
{
    const int kphase = in.kphase, ktype = in.ktype, kmode = in.kmode, kout = in.kout;
    const double tol = in.tol, step = in.step;
    int& ke = s.ke;
    int& iter = s.iter;
    int& knext = s.knext;
    double& w1 = s.w1;
    double& w2 = s.w2;
    FitPoints& xs = s.xs;
    FitPoints& fs = s.fs;
    if (iter == 0) {
        // Nothing is remembered of a bracket yet: whatever the caller left in
        // slots 4 and 5 must never be taken for an evaluated point.
        xs(4) = xs(5) = std::numeric_limits<double>::quiet_NaN();
    }

    int start = 1;
    if (kmode == 5 && kphase == 2) {
        start = 2;
        if (iter == 0) {
            iter = 1;
            knext = 1;
            return;
        }
    }

    // The three outcomes of the main step: evaluate the point knext (after the
    // width test), finish, or count the call without a width test.
    enum class Next { widths, count };
    Next next = Next::widths;

    if (iter <= start) {
        // Start phase: x0, x0 + step, x0 + 2 step end up in slots 3, 2, 1.
        xs(3) = xs(2);
        fs(3) = fs(2);
        xs(2) = xs(1);
        fs(2) = fs(1);
        xs(1) = xs(1) + step;
        knext = 1;
        next = Next::count;
    } else if (ktype == 1) {
        if (bracket_step(s) == StepEnd::finished) {
            ke = 0;
            return;
        }
    } else {
        if (parabola_step(ktype, tol, s) == StepEnd::finished) {
            ke = 0;
            return;
        }
        if (ktype == 2) next = Next::count;
    }

    if (next == Next::widths) {
        const double m = xs(2);
        w1 = std::abs(m - xs(1));
        w2 = std::abs(xs(3) - m);
        if (w1 <= tol || w2 <= tol) {
            ke = 0;
            return;
        }
    }

    ++iter;
    if (iter > fitmin_max_calls) {
        ke = 2;
        fitmin_failed(kout, ke);
    }
}

void sekante(double tol, double step, int maxit, int kout, SekanteState& s)
{
    if (s.ke != 5) s.ke = 1;
    ++s.iter;
    if (s.iter == 1) {
        s.f0 = s.f1;
        s.x0 = s.x1;
        s.x1 = s.x1 + step;
        return;
    }
    if (s.f0 == s.f1) {
        s.ke = 3;
        report_units(kout, io::fmt("(/'  ---->  error in \"sekante\", ke =',I2/)", {s.ke}));
        return;
    }
    const double dx = (s.x1 - s.x0) * s.f1 / (s.f1 - s.f0);
    // The point with the smaller value is the one kept.
    if (std::abs(s.f0) > std::abs(s.f1)) {
        s.x0 = s.x1;
        s.f0 = s.f1;
    }
    s.x1 = s.x1 - dx;
    // The second call has only just made its first secant step: it never
    // reports convergence.
    if (std::abs(s.x1 - s.x0) < tol && s.iter != 2) {
        s.ke = 0;
        return;
    }
    if (s.iter <= maxit) return;
    s.ke = 2;
    report_units(kout, io::fmt("(/'  ---->  error in \"sekante\", ke =',I2/)", {s.ke}));
}

namespace {

// A secant step of the ring fit on its points a and b.
void secant_step(double tol, double step, int maxcount, int kout, RingfitState& r)
{
    SekanteState s{.x0 = r.xa, .x1 = r.xb, .f0 = r.fa, .f1 = r.fb, .iter = r.count, .ke = r.ke};
    sekante(tol, step, maxcount, kout, s);
    r.xa = s.x0;
    r.xb = s.x1;
    r.fa = s.f0;
    r.count = s.iter;
    r.ke = s.ke;
}

} // namespace

void ringfit(double tol, double step, int maxcount, int kout, RingfitState& s)
{
    double& xa = s.xa;
    double& xb = s.xb;
    double& xc = s.xc;
    double& fa = s.fa;
    const double fb = s.fb;
    double& fc = s.fc;
    int& count = s.count;
    int& ke = s.ke;
    if (ke == 5) {
        secant_step(tol, step, maxcount, kout, s);
        return;
    }
    ke = 1;
    if (count <= 0) {
        secant_step(tol, step, maxcount, kout, s);
        return;
    }
    if (count == 1) {
        // The secant step keeps the point with the smaller |f| as a; the point
        // it lets go becomes the third point of the circle.
        const double old_a = xa, old_fa = fa, old_b = xb, old_fb = fb;
        secant_step(tol, step, maxcount, kout, s);
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
