// Triangle comparison, orbital-plane frame, point reordering and site distances.
#include "state/constants.hpp"
#include "fit/triangle.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "ephemeris/coord.hpp"
#include "io/units.hpp"
#include "state/codes.hpp"

namespace r7 {

namespace {

// One message line framed by empty lines on every active output unit.
void degenerate_message(const char* what)
{
    io::units().put_all(std::string("\n  In RELPOS: ") + what + "\n\n");
}

// atan of a quotient whose denominator may vanish: a zero denominator gives the
// limit +-pi/2 (as the infinite quotient does), and 0/0 gives 0 (no direction).
double atan_ratio(double num, double den)
{
    if (num == 0.0 && den == 0.0) return 0.0;
    return std::atan(num / den);
}

} // namespace

TriangleFit relpos(const RunParams& p, const Triangle& planets, const SiteGeometry& site)
{
    TriangleFit t;
    t.points = planets;
    const Xyz& p1 = planets[0];
    const Xyz& p2 = planets[1];
    const Xyz& p3 = planets[2];
    const double ax = p2.x - p1.x, ay = p2.y - p1.y;
    const double bx = p3.x - p1.x, by = p3.y - p1.y;
    const double cx = p3.x - p2.x, cy = p3.y - p2.y;
    t.a = {ax, ay, p2.z - p1.z};
    t.b = {bx, by, p3.z - p1.z};
    t.c = {cx, cy, p3.z - p2.z};
    // The plane mode compares the triangle as it lies in the plane.
    const bool flat = p.sun_mode == SunMode::plane_2d;
    const double az = flat ? 0.0 : t.a.z, bz = flat ? 0.0 : t.b.z, cz = flat ? 0.0 : t.c.z;

    // The orientation: whether the triangle has the sense that counts as
    // mirrored (Giza: counter-clockwise; chambers: by the parity of the planet
    // order), decided for a range of constellations and for one JDE.
    const bool decided = p.constellation == Constellation::one_jde || p.constellation == Constellation::range;
    bool mirrored = false;
    if (decided) {
        const double cr = ax * cy - cx * ay;
        const int perm = p.planet_order;
        if (p.main_option == MainOption::giza) {
            mirrored = cr >= 0.0;
        } else if (p.main_option == MainOption::chambers) {
            const bool even = perm == 1 || perm == 4 || perm == 5;
            const bool odd = perm == 2 || perm == 3 || perm == 6;
            mirrored = (cr < 0.0 && even) || (cr >= 0.0 && odd);
        }
        t.view = mirrored ? View::south : View::north;
    } else {
        t.view = p.view == View::south ? View::south : View::north;
    }

    if (p.sun_mode <= SunMode::south_of_chefren) {
        const auto& r0 = site.ratio;
        if (ax == 0.0 || ay == 0.0 || bx == 0.0 || r0[0] == 0.0 || r0[1] == 0.0 || r0[2] == 0.0) {
            degenerate_message("zero denominator in the side ratios, constellation taken as no match");
            t.f = relpos_no_match;
            return t;
        }
        t.ratio = {bx / ax, by / ay, by / bx};
        // Seen from both sides, a mirrored triangle is compared with the mirror
        // image of the monuments.
        const double g = (p.view == View::both && mirrored) ? -1.0 : 1.0;
        const double d1 = (t.ratio[0] - r0[0]) / r0[0];
        const double d2 = (t.ratio[1] - r0[1]) / r0[1];
        const double d3 = (t.ratio[2] - g * r0[2]) / r0[2];
        t.f = 100.0 * std::sqrt((d1 * d1 + d2 * d2 + d3 * d3) / 3.0);
        return t;
    }
    const double la = std::sqrt(ax * ax + ay * ay + az * az);
    const double lb = std::sqrt(bx * bx + by * by + bz * bz);
    const double lc = std::sqrt(cx * cx + cy * cy + cz * cz);
    t.length = {la, lb, lc};
    if (la == 0.0 || lb == 0.0 || site.ratio[0] == 0.0) {
        degenerate_message("zero side length in the triangle, constellation taken as no match");
        t.f = relpos_no_match;
        return t;
    }
    const double q = lb / la;
    t.ratio[0] = q;
    // Rounding can carry the cosine of an almost straight angle past 1.
    const double cosg = std::clamp((ax * bx + ay * by + az * bz) / (la * lb), -1.0, 1.0);
    t.angle = std::acos(cosg);
    const double d1 = (q - site.ratio[0]) / site.ratio[0];
    const double d2 = t.angle - site.angle[0];
    t.f = 100.0 * std::sqrt((d1 * d1 + d2 * d2) / 2.0);
    return t;
}

PlaneFrame transfo(int kind, const Triangle& points, const std::array<Lbr, 3>& places, double node_mercury,
                   double node_venus)
{
    const bool mercury = kind == 2 || kind == 3 || kind == 4;
    const double node = mercury ? node_mercury : node_venus;
    double ao = (node - places[0].l) * pi / 180.0;
    if (ao < 0.0) ao += 2.0 * pi;
    if (ao > 2.0 * pi) ao -= 2.0 * pi;
    double ai;
    if (mercury) {
        ai = std::fabs(atan_ratio(points[0].z, points[0].x * std::sin(ao)));
    } else {
        const double rho2 = std::sqrt(points[1].x * points[1].x + points[1].y * points[1].y);
        ai = std::fabs(atan_ratio(points[1].z, rho2 * std::sin((node_venus - places[1].l) * pi / 180.0)));
    }
    const double den = std::sqrt(std::max(0.0, 1.0 - std::pow(std::sin(ai) * std::cos(ao), 2)));
    const double ratio = den == 0.0 ? 0.0 : std::clamp(std::sin(ao) / den, -1.0, 1.0);
    double at = std::asin(ratio) + ao - pi;

    std::array<double, 9> v{};
    for (std::size_t k = 0; k < 3; ++k) {
        v[3 * k] = points[k].x;
        v[3 * k + 1] = points[k].y;
        v[3 * k + 2] = points[k].z;
    }
    const std::span<double, 9> q(v);
    switch (kind) {
    case 2:
        rotmat(4, ao, ai, 0.0, q);
        rotmat(3, at, 0.0, 0.0, q);
        break;
    case 5:
        rotmat(4, ao, ai, 0.0, q);
        at = atan_ratio(v[1], v[0]);
        rotmat(3, at, 0.0, 0.0, q);
        break;
    case 3:
        rotmat(3, ao, 0.0, 0.0, q);
        rotmat(1, ai, 0.0, 0.0, q);
        rotmat(3, at - ao, 0.0, 0.0, q);
        break;
    case 4:
        rotmat(5, ao, ai, at - ao, q);
        break;
    default:
        break;
    }

    PlaneFrame out{.omega = ao, .incl = ai, .tau = at};
    for (std::size_t k = 0; k < 3; ++k) {
        const double x = v[3 * k], y = v[3 * k + 1], z = v[3 * k + 2];
        out.points[k] = {x, y, z};
        const double rho = std::sqrt(x * x + y * y);
        double lon;
        if (x == 0.0) {
            lon = y > 0.0 ? 90.0 : y < 0.0 ? 270.0 : 0.0; // also for a negative zero x
        } else {
            lon = std::atan(y / x) * deg_per_rad;
            if (x < 0.0) lon += 180.0;
            if (lon < 0.0) lon += 360.0;
        }
        out.places[k] = {lon, atan_ratio(z, rho) * deg_per_rad, std::sqrt(z * z + rho * rho)};
    }
    return out;
}

void chambers(int k, std::span<double> p)
{
    for (std::size_t g = 0; g + 2 < p.size() && g < 12; g += 3) {
        const double a = p[g], b = p[g + 1], c = p[g + 2];
        switch (k) {
        case 2: p[g + 1] = c; p[g + 2] = b; break;
        case 3: p[g] = b; p[g + 1] = a; break;
        case 4: p[g] = c; p[g + 1] = a; p[g + 2] = b; break;
        case 5: p[g] = b; p[g + 1] = c; p[g + 2] = a; break;
        case 6: p[g] = c; p[g + 2] = a; break;
        default: break;
        }
    }
}

double distance(const TeotiPoints& sites, int i, int j)
{
    if (i < 0 || i > 17 || j < 0 || j > 17) {
        throw std::out_of_range("distance: site number " + std::to_string(i < 0 || i > 17 ? i : j) +
                                " outside 0..17");
    }
    constexpr double a = earth_a_m, b = earth_b_m;
    auto meridian = [&](double phi, double& x, double& z) {
        const double t = std::tan(phi * pi / 180.0) * b / a;
        x = a / std::sqrt(t * t + 1.0);
        z = b * std::sqrt(std::max(0.0, 1.0 - (x / a) * (x / a)));
    };
    const TeotiPoint& si = sites[static_cast<std::size_t>(i)];
    const TeotiPoint& sj = sites[static_cast<std::size_t>(j)];
    double xi, zi, xj, zj;
    meridian(si.lat, xi, zi);
    meridian(sj.lat, xj, zj);
    const double dm = std::sqrt((xj - xi) * (xj - xi) + (zj - zi) * (zj - zi));
    const double dp = (si.lon - sj.lon) * pi / 180.0 * (xi + xj) / 2.0;
    return std::sqrt(dm * dm + dp * dp);
}

} // namespace r7
