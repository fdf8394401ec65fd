// The Sun point by the plane midpoint construction, by one linear system in
// space, or by the similarity fit of the FITEX engine; then the anchor shift and
// the uncertainty radius.
#include "state/constants.hpp"
#include "fit/sonpos.hpp"

#include <array>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "ephemeris/coord.hpp"
#include "fit/fitex.hpp"
#include "fit/similarity.hpp"
#include "io/layout.hpp"
#include "io/units.hpp"
#include "state/codes.hpp"

namespace r7 {

namespace {

constexpr double au = au_m;
// The mean of four ratios in metres per astronomical unit: a quarter of the AU.
constexpr double quarter_au = au_m / 4.0;

// A fit counts as ended at the least-squares optimum when its sum of squared
// residuals exceeds the closed-form optimum's by at most optimum_rel of it plus
// optimum_abs of the monuments' squared spread about their centroid (for a
// close fit), and its Sun point lies within sun_rel times the monuments' rms
// distance from their centroid of the optimum's Sun point (0.19 m at Giza,
// 1.5 cm in the chambers). The sum alone does not tell: it is so flat along
// some directions that a converged run (its steps below dx) can stop metres
// away from the optimum's Sun point with a sum within 1e-4 of the optimum.
constexpr double optimum_rel = 1e-4;
constexpr double optimum_abs = 1e-9;
constexpr double sun_rel = 5e-4;

// The output units of a routine that is given its first unit k: k, k + 5, ... up
// to 6 (file and terminal, or the terminal alone).
template <class F>
void each_unit(int unit, F&& f)
{
    for (int u = unit; u <= 6; u += 5)
        if (u == io::file_unit || u == io::terminal_unit) f(u);
}

void write_record(int u, std::string_view layout, const std::vector<io::Arg>& values)
{
    io::units().put(u, io::layout(layout).write(values));
}

// y = x(7) * R(x(4), x(5), x(6)) * (y + translation x(1..3)), three points.
void transform(std::span<const double> x, std::span<double> y)
{
    for (int p = 0; p < 3; ++p)
        for (int c = 0; c < 3; ++c) y[static_cast<std::size_t>(3 * p + c)] += x[static_cast<std::size_t>(c)];
    rotmat(5, x[3], x[4], x[5], std::span<double, 9>(y.data(), 9));
    for (std::size_t i = 0; i < 9; ++i) y[i] *= x[6];
}

// The plane construction (method 2D) into sun.
void method_2d(const TriangleFit& tri, const SiteGeometry& site, SunPoint& sun)
{
    const double s = tri.view == View::south ? -1.0 : 1.0;
    const Triangle& pl = tri.points;
    const double x1 = pl[0].x, y1 = pl[0].y, x2 = pl[1].x, y2 = pl[1].y, x3 = pl[2].x, y3 = pl[2].y;
    const double m12x = (x1 + x2) / 2, m12y = (y1 + y2) / 2;
    const double m13x = (x1 + x3) / 2, m13y = (y1 + y3) / 2;
    const double m23x = (x2 + x3) / 2, m23y = (y2 + y3) / 2;
    // Each pair's estimate turns the direction of the pair's midpoint (seen from
    // the Sun) by the angle from the planet side to its monument side (the
    // negated monument directions, mirrored y -> -y for the view from the
    // south). Every direction is taken by quadrant: the plain arc tangent of a
    // ratio is off by a half-turn where the x component is negative, and an odd
    // number of such half-turns among the three directions of a pair turns that
    // pair's estimate half round.
    const auto& dir = site.direction;
    const auto& mid = site.midpoint;
    const double th1 = -s * dir[0] - std::atan2(tri.a.y, tri.a.x) + std::atan2(m12y, m12x);
    const double th2 = -s * dir[1] - std::atan2(tri.b.y, tri.b.x) + std::atan2(m13y, m13x);
    const double th3 = -s * dir[2] - std::atan2(tri.c.y, tri.c.x) + std::atan2(m23y, m23x);
    const double k =
        (site.length[0] / tri.length[0] + site.length[1] / tri.length[1] + site.length[2] / tri.length[2]) / 3.0;
    const double r1 = std::sqrt(m12x * m12x + m12y * m12y) * k;
    const double r2 = std::sqrt(m13x * m13x + m13y * m13y) * k;
    const double r3 = std::sqrt(m23x * m23x + m23y * m23y) * k;
    const double x =
        ((mid[0][0] - std::cos(th1) * r1) + (mid[1][0] - std::cos(th2) * r2) + (mid[2][0] - std::cos(th3) * r3)) / 3.0;
    double y = ((s * mid[0][1] - std::sin(th1) * r1) + (s * mid[1][1] - std::sin(th2) * r2) +
                (s * mid[2][1] - std::sin(th3) * r3)) / 3.0;
    if (tri.view == View::south) y = -y;
    const SiteVec& ref = site.centroid;
    sun.at = {x, y, 0.0};
    sun.dr = std::sqrt((x - ref.x) * (x - ref.x) + (y - ref.y) * (y - ref.y)) * tri.f * 0.01;
    // The mean of the four component ratios of A and B in metres per metre.
    sun.length_ratio = (std::fabs(tri.a.x / site.a.x) + std::fabs(tri.b.x / site.b.x) +
                        std::fabs(tri.a.y / site.a.y) + std::fabs(tri.b.y / site.b.y)) * quarter_au;
}

// False (after a message) when A and B are parallel: the three vectors then
// span no space and the Sun point has no coefficients.
bool method_sle(int unit, const TriangleFit& tri, const SiteGeometry& site, SunPoint& sun)
{
    const double ax = tri.a.x, ay = tri.a.y, az = tri.a.z;
    const double bx = tri.b.x, by = tri.b.y, bz = tri.b.z;
    const double nx = az * by - ay * bz, ny = ax * bz - az * bx, nz = ay * bx - ax * by;
    const double la = std::sqrt(ax * ax + ay * ay + az * az);
    const double lb = std::sqrt(bx * bx + by * by + bz * bz);
    const double ln = std::sqrt(nx * nx + ny * ny + nz * nz);
    const SiteVec &ma = site.a, &mb = site.b, &mn = site.normal;
    const double lbm = std::sqrt(mb.x * mb.x + mb.y * mb.y + mb.z * mb.z);
    if (!(ln > 1e-12 * la * lb) || lbm == 0.0) {
        const std::string text = lbm == 0.0
            ? "\n  In SONPOS: monument side B' has zero length, no Sun point\n\n"
            : "\n  In SONPOS: singular matrix (sides A and B parallel), no Sun point\n\n";
        each_unit(unit, [&](int u) { io::units().put(u, text); });
        return false;
    }
    const double f = (la + lb) / 2.0 / ln;
    std::array<double, 9> a{ax, ay, az, bx, by, bz, nx * f, ny * f, nz * f};
    invert(a);
    const double p1 = tri.points[0].x, p2 = tri.points[0].y, p3 = tri.points[0].z;
    const double u = -(a[0] * p1 + a[3] * p2 + a[6] * p3);
    const double v = -(a[1] * p1 + a[4] * p2 + a[7] * p3);
    const double w = -(a[2] * p1 + a[5] * p2 + a[8] * p3);
    sun.at = {u * ma.x + v * mb.x + w * mn.x, u * ma.y + v * mb.y + w * mn.y, u * ma.z + v * mb.z + w * mn.z};
    sun.length_ratio = std::sqrt(tri.b.x * tri.b.x + tri.b.y * tri.b.y + tri.b.z * tri.b.z) / lbm * au;
    return true;
}

// The planets as nine values, x y z of each in turn [AU].
std::array<double, 9> flat(const Triangle& t)
{
    return {t[0].x, t[0].y, t[0].z, t[1].x, t[1].y, t[1].z, t[2].x, t[2].y, t[2].z};
}

// The planets' images and residuals at x; returns the sum of squared residuals.
double evaluate(const std::array<double, 9>& planets, std::span<const double> x, std::span<const double> target,
                std::span<double> y, std::span<double> r)
{
    for (std::size_t i = 0; i < 9; ++i) y[i] = planets[i];
    transform(x, y);
    double f = 0.0;
    for (std::size_t i = 0; i < 9; ++i) {
        r[i] = y[i] - target[i];
        f += r[i] * r[i];
    }
    return f;
}

// What one similarity fit carries the planets onto, and where its trace goes.
struct FitProblem {
    std::array<double, 9> planets;  // x y z of planets 1, 2, 3 [AU]
    std::span<const double> target; // the monument points [m]
    int unit;
    int trace;
};

// One run of the engine from the parameters in x to its end, with the trace
// record of every evaluation; returns the engine's end. The first evaluated
// point and image go to x0, y0 when given.
int run_engine(const FitProblem& fp, SonposWork& work, std::array<double, 7>* x0, std::array<double, 9>* y0)
{
    const std::span<int> iw = work.iw;
    const std::span<double> x = work.x, w = work.w, y = work.y;
    int ind = 0;
    bool first = true;
    do {
        w[3] = evaluate(fp.planets, x, fp.target, y, work.r);
        if (first && x0 != nullptr && y0 != nullptr) {
            for (std::size_t k = 0; k < 7; ++k) (*x0)[k] = x[k];
            for (std::size_t i = 0; i < 9; ++i) (*y0)[i] = y[i];
        }
        first = false;
        if (fp.trace != 0) {
            std::vector<io::Arg> v{iw[2], iw[3], w[2], w[3]};
            for (std::size_t k = 0; k < 7; ++k) v.emplace_back(x[k]);
            each_unit(fp.unit, [&](int u) { write_record(u, "(5x,2i5,1p,9e13.5)", v); });
        }
        fitex(ind, work.m, work.n, work.r, x, work.step, w, iw);
    } while (ind == 1);
    return ind;
}

// Whether the parameters x, with the sum of squared residuals f, are at the
// least-squares optimum `best` (see optimum_rel): a positive scale, the sum and
// the Sun point.
bool at_optimum(std::span<const double> x, double f, const Similarity& best, std::span<const double> target)
{
    double spread = 0.0;
    for (std::size_t c = 0; c < 3; ++c) {
        const double mean = (target[c] + target[3 + c] + target[6 + c]) / 3.0;
        for (std::size_t p = 0; p < 3; ++p) spread += (target[3 * p + c] - mean) * (target[3 * p + c] - mean);
    }
    if (!(x[6] > 0.0) || !(f <= best.sum * (1.0 + optimum_rel) + optimum_abs * spread)) return false;
    std::array<double, 9> sun{};
    transform(x, sun);
    const double d = std::hypot(sun[0] - best.shift[0], sun[1] - best.shift[1], sun[2] - best.shift[2]);
    return d <= sun_rel * std::sqrt(spread / 3.0);
}

// The fit's parameters for a similarity image = M R p + b: translation R^T b / M
// (in the planets' units), the z-x-z Euler angles of R and M. Of the two angle
// triples of one rotation, (a1, a2, a3) and (a1 + pi, -a2, a3 + pi), the one whose
// second angle has the sign of `near`'s.
void similarity_parameters(const Similarity& s, double near, std::span<double> x)
{
    const auto& r = s.rot;
    for (std::size_t c = 0; c < 3; ++c)
        x[c] = (r[c] * s.shift[0] + r[3 + c] * s.shift[1] + r[6 + c] * s.shift[2]) / s.scale;
    std::array<double, 3> e = euler_zxz(r);
    if (std::sin(near) < 0.0) {
        auto turn = [](double a) { return a > 0.0 ? a - pi : a + pi; };
        e = {turn(e[0]), -e[1], turn(e[2])};
    }
    for (std::size_t k = 0; k < 3; ++k) x[3 + k] = e[k];
    x[6] = s.scale;
}

// The reflection of the point s through the plane of the three points of y (s
// itself when they lie on one line).
std::array<double, 3> reflect(const std::array<double, 3>& s, std::span<const double> y)
{
    const double ux = y[3] - y[0], uy = y[4] - y[1], uz = y[5] - y[2];
    const double vx = y[6] - y[0], vy = y[7] - y[1], vz = y[8] - y[2];
    const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    const double nn = nx * nx + ny * ny + nz * nz;
    if (!(nn > 0.0)) return s;
    const double d = 2.0 * ((s[0] - y[0]) * nx + (s[1] - y[1]) * ny + (s[2] - y[2]) * nz) / nn;
    return {s[0] - d * nx, s[1] - d * ny, s[2] - d * nz};
}

// The similarity fit (method 3D/FITEX) into sun, before the anchor shift.
void method_fit(const FitProblem& fp, SonposWork& work, SunPoint& sun)
{
    const std::span<int> iw = work.iw;
    const std::span<double> x = work.x, w = work.w, y = work.y;
    const int m = work.m, n = work.n;
    const std::span<const double> target = fp.target;
    if (m != 9 || n != 7 || work.r.size() < 9 || x.size() < 7 || work.step.size() < 7 || y.size() < 9 ||
        target.size() < 9 || w.size() < 4 || iw.size() < 4) {
        throw std::invalid_argument("sonpos: the similarity fit needs m = 9, n = 7 and arrays of that length");
    }
    // The engine's settings, for a second run with the same ones.
    const std::array<int, 4> iw_set{iw[0], iw[1], iw[2], iw[3]};
    const std::array<double, 3> w_set{w[0], w[1], w[2]};
    std::array<double, 7> x0{};
    std::array<double, 9> y0{};
    if (fp.trace != 0) each_unit(fp.unit, [](int u) { io::units().put(u, "\n"); });
    int ind = run_engine(fp, work, &x0, &y0);

    // The engine's steps are limited to 2 w(1) dx, so a start far from the
    // optimum (a scale of 1541 m/AU where 581 fits) can use up the evaluations
    // on the way, and a failed line search stops it wherever it is. Where the
    // run has not ended converged at the least-squares optimum (with a positive
    // scale: a negative one gives the mirror image), a second run with the same
    // settings starts from the optimum in closed form; it ends there. A fit
    // that is told not to run (a negative evaluation limit) and the ends 5 to 7
    // (a parameter without effect, wrong arguments) are left as they are.
    const Similarity best = best_similarity(fp.planets, target.first(9));
    const bool ended = ind == 0 || ind == 3 || ind == 4;
    if (best.valid && best.scale > 0.0 && ended && iw_set[1] >= 0 &&
        (ind != 0 || !at_optimum(x, w[3], best, target))) {
        const int evaluations = iw[2];
        for (std::size_t k = 0; k < 4; ++k) iw[k] = iw_set[k];
        for (std::size_t k = 0; k < 3; ++k) w[k] = w_set[k];
        similarity_parameters(best, x[4], x);
        ind = run_engine(fp, work, nullptr, nullptr);
        if (ind == 0 || ind == 3 || ind == 4) {
            iw[2] += evaluations;
            if (at_optimum(x, w[3], best, target)) ind = fit_restarted;
        }
    }

    if (fp.trace != 0) {
        std::vector<io::Arg> head{ind, iw[2], iw[3], w[2], w[3]};
        std::vector<io::Arg> stats;
        for (std::size_t k = 0; k < 7; ++k) stats.emplace_back(x[k]);
        for (std::size_t k = 4; k < 18 && k < w.size(); ++k) stats.emplace_back(w[k]);
        std::vector<io::Arg> start{n, x0[0], x0[1], x0[2], x0[3] * deg_per_rad, x0[4] * deg_per_rad, x0[5] * deg_per_rad, x0[6]};
        std::vector<io::Arg> image0{m};
        for (double v : y0) image0.emplace_back(v);
        std::vector<io::Arg> result{n, x[0], x[1], x[2], x[3] * deg_per_rad, x[4] * deg_per_rad, x[5] * deg_per_rad, x[6]};
        std::vector<io::Arg> image{m};
        for (std::size_t i = 0; i < 9; ++i) image.emplace_back(y[i]);
        each_unit(fp.unit, [&](int u) {
            write_record(u, "(3i5,1p,8e23.15)", head);
            write_record(u, "('  ',1p,6e13.5)", stats);
            io::units().put(u, "\n");
            write_record(u, "('  start   x(1..',i1,'):',7F13.3)", start);
            write_record(u, "('     \"    y(1..',i1,'):',9f13.3)", image0);
            write_record(u, "('  results x(1..',i1,'):',7f13.3)", result);
            write_record(u, "('     \"    y(1..',i1,'):',9f13.3/)", image);
        });
    }

    sun.status = ind;
    sun.evaluations = iw[2];
    for (std::size_t k = 0; k < 7; ++k) sun.parameters[k] = x[k];
    for (std::size_t i = 0; i < 9; ++i) sun.residual[i] = work.r[i];
    // The images of the planets at the fitted parameters span the plane of the
    // mirror image.
    std::array<double, 9> images = fp.planets;
    transform(x, images);
    // Image of the Sun (the origin): x(7) times the rotated translation.
    for (std::size_t i = 0; i < 9; ++i) y[i] = 0.0;
    transform(x, y);
    sun.at = {y[0], y[1], y[2]};
    sun.length_ratio = x[6] != 0.0 ? au / x[6] : 0.0;
    const std::array<double, 3> mirror = reflect({y[0], y[1], y[2]}, images);
    sun.mirror = SiteVec{mirror[0], mirror[1], mirror[2]};
}

} // namespace

SunPoint sonpos(const SonposInput& in, const TriangleFit& tri, const SiteGeometry& site, SonposWork& work)
{
    SunPoint sun;
    if (in.sun_mode <= SunMode::plane_2d) {
        method_2d(tri, site, sun);
        return sun;
    }
    const SiteVec& anchor = site.anchor();
    if (in.sun_mode == SunMode::space_sle) {
        if (!method_sle(in.unit, tri, site, sun)) {
            // No Sun point: the anchor itself, no radius and no scale ratio.
            sun.at = anchor;
            return sun;
        }
    } else if (in.sun_mode == SunMode::space_fitex) {
        method_fit({flat(tri.points), site.target, in.unit, in.trace}, work, sun);
        sun.mirror->x += anchor.x;
        sun.mirror->y += anchor.y;
        sun.mirror->z += anchor.z;
    }
    sun.at.x += anchor.x;
    sun.at.y += anchor.y;
    sun.at.z += anchor.z;
    const SiteVec& ref = site.centroid;
    const double r0 = site.spread;
    const double ex = sun.at.x - ref.x, ey = sun.at.y - ref.y, ez = sun.at.z - ref.z;
    double d = std::sqrt(ex * ex + ey * ey + ez * ez);
    if (d < r0) d = ((d / r0) * (d / r0) + 1.0) * r0 * 0.5;
    sun.dr = d * tri.f * 0.01;
    return sun;
}

} // namespace r7
