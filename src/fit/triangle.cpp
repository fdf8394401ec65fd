// Triangle comparison, orbital-plane frame, point reordering and site distances.
#include "state/constants.hpp"
#include "fit/triangle.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "ephemeris/coord.hpp"
#include "io/units.hpp"
#include "state/slots.hpp"
#include "state/store.hpp"

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

void relpos(const int& selector, const int& dim_mode, const int& check, int& orient, int& orient2, const int& perm)
{
    auto& xyr = base.xyr;
    const auto& pyr = base.pyr;
    const double ax = xyr(4) - xyr(1), ay = xyr(5) - xyr(2), az = xyr(6) - xyr(3);
    const double bx = xyr(7) - xyr(1), by = xyr(8) - xyr(2), bz = xyr(9) - xyr(3);
    const double cx = xyr(7) - xyr(4), cy = xyr(8) - xyr(5), cz = xyr(9) - xyr(6);
    xyr(11) = ax; xyr(14) = ay; xyr(17) = az;
    xyr(12) = bx; xyr(15) = by; xyr(18) = bz;
    xyr(13) = cx; xyr(16) = cy; xyr(19) = cz;
    base.ax = ax; base.ay = ay;
    base.bx = bx; base.by = by;
    base.cx = cx; base.cy = cy;
    if (dim_mode == 3) {
        base.az = base.bz = base.cz = 0.0;
    } else {
        base.az = az; base.bz = bz; base.cz = cz;
    }

    if (check == 0 || check == 15) {
        if (orient == 3) orient2 = 1;
        else orient = 1;
        const double cr = ax * cy - cx * ay;
        bool mirrored = false;
        if (selector == 1) {
            mirrored = cr >= 0.0;
        } else if (selector == 2) {
            const bool even = perm == 1 || perm == 4 || perm == 5;
            const bool odd = perm == 2 || perm == 3 || perm == 6;
            mirrored = (cr < 0.0 && even) || (cr >= 0.0 && odd);
        }
        if (mirrored) {
            if (orient == 3) orient2 = 2;
            else orient = 2;
        }
    }

    double f;
    if (dim_mode <= 2) {
        if (ax == 0.0 || ay == 0.0 || bx == 0.0 || pyr(24) == 0.0 || pyr(25) == 0.0 || pyr(26) == 0.0) {
            xyr(24) = xyr(25) = xyr(26) = 0.0;
            degenerate_message("zero denominator in the side ratios, constellation taken as no match");
            xyr(slot::f) = relpos_no_match;
            return;
        }
        xyr(24) = bx / ax;
        xyr(25) = by / ay;
        xyr(26) = by / bx;
        const double g = (orient == 3 && orient2 == 2) ? -1.0 : 1.0;
        const double d1 = (xyr(24) - pyr(24)) / pyr(24);
        const double d2 = (xyr(25) - pyr(25)) / pyr(25);
        const double d3 = (xyr(26) - g * pyr(26)) / pyr(26);
        f = 100.0 * std::sqrt((d1 * d1 + d2 * d2 + d3 * d3) / 3.0);
    } else {
        const double la = std::sqrt(ax * ax + ay * ay + base.az * base.az);
        const double lb = std::sqrt(bx * bx + by * by + base.bz * base.bz);
        const double lc = std::sqrt(cx * cx + cy * cy + base.cz * base.cz);
        xyr(21) = la;
        xyr(22) = lb;
        xyr(23) = lc;
        if (la == 0.0 || lb == 0.0 || pyr(24) == 0.0) {
            xyr(24) = xyr(27) = 0.0;
            degenerate_message("zero side length in the triangle, constellation taken as no match");
            xyr(slot::f) = relpos_no_match;
            return;
        }
        const double q = lb / la;
        xyr(24) = q;
        // Rounding can carry the cosine of an almost straight angle past 1.
        const double cosg = std::clamp((ax * bx + ay * by + base.az * base.bz) / (la * lb), -1.0, 1.0);
        const double gamma = std::acos(cosg);
        xyr(27) = gamma;
        const double d1 = (q - pyr(24)) / pyr(24);
        const double d2 = gamma - pyr(27);
        f = 100.0 * std::sqrt((d1 * d1 + d2 * d2) / 2.0);
    }
    xyr(slot::f) = f;
}

std::array<Lbr, 3> transfo(int kind, const std::array<Lbr, 3>& places, double node_mercury, double node_venus)
{
    auto& xyr = base.xyr;
    const bool mercury = kind == 2 || kind == 3 || kind == 4;
    const double node = mercury ? node_mercury : node_venus;
    double ao = (node - places[0].l) * pi / 180.0;
    if (ao < 0.0) ao += 2.0 * pi;
    if (ao > 2.0 * pi) ao -= 2.0 * pi;
    double ai;
    if (mercury) {
        ai = std::fabs(atan_ratio(xyr(3), xyr(1) * std::sin(ao)));
    } else {
        const double rho2 = std::sqrt(xyr(4) * xyr(4) + xyr(5) * xyr(5));
        ai = std::fabs(atan_ratio(xyr(6), rho2 * std::sin((node_venus - places[1].l) * pi / 180.0)));
    }
    const double den = std::sqrt(std::max(0.0, 1.0 - std::pow(std::sin(ai) * std::cos(ao), 2)));
    const double ratio = den == 0.0 ? 0.0 : std::clamp(std::sin(ao) / den, -1.0, 1.0);
    double at = std::asin(ratio) + ao - pi;

    const std::span<double, 9> p(xyr.at(1), 9);
    switch (kind) {
    case 2:
        rotmat(4, ao, ai, 0.0, p);
        rotmat(3, at, 0.0, 0.0, p);
        break;
    case 5:
        rotmat(4, ao, ai, 0.0, p);
        at = atan_ratio(xyr(2), xyr(1));
        rotmat(3, at, 0.0, 0.0, p);
        break;
    case 3:
        rotmat(3, ao, 0.0, 0.0, p);
        rotmat(1, ai, 0.0, 0.0, p);
        rotmat(3, at - ao, 0.0, 0.0, p);
        break;
    case 4:
        rotmat(5, ao, ai, at - ao, p);
        break;
    default:
        break;
    }
    base.ao = ao;
    base.ai = ai;
    base.at = at;

    std::array<Lbr, 3> out{};
    for (int k = 1; k <= 3; ++k) {
        const double x = xyr(3 * k - 2), y = xyr(3 * k - 1), z = xyr(3 * k);
        const double rho = std::sqrt(x * x + y * y);
        double lon;
        if (x == 0.0) {
            lon = y > 0.0 ? 90.0 : y < 0.0 ? 270.0 : 0.0; // also for a negative zero x
        } else {
            lon = std::atan(y / x) * deg_per_rad;
            if (x < 0.0) lon += 180.0;
            if (lon < 0.0) lon += 360.0;
        }
        out[static_cast<std::size_t>(k - 1)] = {lon, atan_ratio(z, rho) * deg_per_rad, std::sqrt(z * z + rho * rho)};
    }
    return out;
}

void chambers(const int& k, std::span<double> p)
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

void distance(const int& i, const int& j, double& d)
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
    double xi, zi, xj, zj;
    meridian(astro.teot(i + 1, 1), xi, zi);
    meridian(astro.teot(j + 1, 1), xj, zj);
    const double dm = std::sqrt((xj - xi) * (xj - xi) + (zj - zi) * (zj - zi));
    const double dp = (astro.teot(i + 1, 2) - astro.teot(j + 1, 2)) * pi / 180.0 * (xi + xj) / 2.0;
    d = std::sqrt(dm * dm + dp * dp);
}

} // namespace r7
