// Coordinate frames: spherical <-> rectangular, rotations and shifts of point
// sets, geodetic site conversions.
#include "state/constants.hpp"
#include "ephemeris/coord.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>


namespace r7 {

namespace {


// Reference ellipsoid (metres) and the length of a full meridian of it.
constexpr double ell_a = earth_a_m;
constexpr double ell_b = earth_b_m;
constexpr double meridian = 40007860.35926359;

struct SiteRef {
    double lat, lon, rho, zeta;
};
constexpr SiteRef site1{29.972529, 31.128243, 5529778.274126531, 3167735.919378566};
constexpr SiteRef site2{29.979197, 31.134275, 5529408.963165131, 3168376.207500632};

// Distance from the rotation axis of the ellipsoid point at geodetic latitude phi.
double axis_distance(double phi_deg)
{
    const double t = std::tan(phi_deg * rad_per_deg) * ell_b / ell_a;
    return ell_a / std::sqrt(t * t + 1.0);
}

// Whole degrees (toward zero) and signed minutes of an angle.
void split_degrees(double angle, int& deg, double& min)
{
    deg = static_cast<int>(std::trunc(angle));
    min = std::fmod(angle, 1.0) * 60.0;
}

} // namespace

Triangle kartko(int korigin, const std::array<Lbr, 3>& places)
{
    double l0 = 0.0;
    if (korigin == 2) {
        l0 = places[1].l;
    } else if (korigin != 0) {
        l0 = places[0].l;
    }
    Triangle t{};
    for (std::size_t j = 0; j < 3; ++j) {
        const double l = (places[j].l - l0) * rad_per_deg;
        const double b = places[j].b * rad_per_deg;
        const double r = places[j].r;
        const double rc = r * std::cos(b);
        t[j] = {rc * std::cos(l), rc * std::sin(l), r * std::sin(b)};
    }
    return t;
}

Xyz rectangular(const Lbr& place)
{
    const double l = place.l * rad_per_deg;
    const double b = place.b * rad_per_deg;
    const double rc = place.r * std::cos(b);
    return {rc * std::cos(l), rc * std::sin(l), place.r * std::sin(b)};
}

void kugelko(double x, double y, double z, std::span<double, 3> lbr)
{
    const double rxy = std::sqrt(x * x + y * y);
    // atan2 keeps the quadrant (also for x = -0) and gives 0 on the z axis
    // instead of 0/0.
    double l = (x == 0.0 && y == 0.0) ? 0.0 : std::atan2(y, x) * deg_per_rad;
    if (l < 0.0) l += 360.0;
    if (l >= 360.0) l -= 360.0; // a tiny negative angle would round up to 360
    lbr[0] = l;
    lbr[1] = std::atan2(z, rxy) * deg_per_rad;
    lbr[2] = std::sqrt(rxy * rxy + z * z);
}

void rotmat(int kaxis, double a1, double a2, double a3, std::span<double, 9> p)
{
    double m[3][3];
    const double s1 = std::sin(a1);
    const double c1 = std::cos(a1);
    if (kaxis == 1) {
        m[0][0] = 1.0, m[0][1] = 0.0, m[0][2] = 0.0;
        m[1][0] = 0.0, m[1][1] = c1, m[1][2] = s1;
        m[2][0] = 0.0, m[2][1] = -s1, m[2][2] = c1;
    } else if (kaxis == 2) {
        m[0][0] = c1, m[0][1] = 0.0, m[0][2] = s1;
        m[1][0] = 0.0, m[1][1] = 1.0, m[1][2] = 0.0;
        m[2][0] = -s1, m[2][1] = 0.0, m[2][2] = c1;
    } else if (kaxis == 4) {
        const double s2 = std::sin(a2);
        const double c2 = std::cos(a2);
        const double v = 1.0 - c2;
        m[0][0] = 1.0 - s1 * s1 * v, m[0][1] = s1 * c1 * v, m[0][2] = -s1 * s2;
        m[1][0] = s1 * c1 * v, m[1][1] = 1.0 - c1 * c1 * v, m[1][2] = c1 * s2;
        m[2][0] = s1 * s2, m[2][1] = -c1 * s2, m[2][2] = c2;
    } else if (kaxis >= 5) {
        const double s2 = std::sin(a2);
        const double c2 = std::cos(a2);
        const double s3 = std::sin(a3);
        const double c3 = std::cos(a3);
        m[0][0] = c1 * c3 - s1 * c2 * s3, m[0][1] = s1 * c3 + c1 * c2 * s3, m[0][2] = s2 * s3;
        m[1][0] = -c1 * s3 - s1 * c2 * c3, m[1][1] = c1 * c2 * c3 - s1 * s3, m[1][2] = s2 * c3;
        m[2][0] = s1 * s2, m[2][1] = -c1 * s2, m[2][2] = c2;
    } else { // 3 and anything below 1
        m[0][0] = c1, m[0][1] = s1, m[0][2] = 0.0;
        m[1][0] = -s1, m[1][1] = c1, m[1][2] = 0.0;
        m[2][0] = 0.0, m[2][1] = 0.0, m[2][2] = 1.0;
    }
    for (std::size_t j = 0; j < 9; j += 3) {
        const double x = p[j], y = p[j + 1], z = p[j + 2];
        p[j] = m[0][0] * x + m[0][1] * y + m[0][2] * z;
        p[j + 1] = m[1][0] * x + m[1][1] * y + m[1][2] * z;
        p[j + 2] = m[2][0] * x + m[2][1] * y + m[2][2] * z;
    }
}

void translat(double dx, double dy, double dz, std::span<double, 9> p)
{
    for (std::size_t j = 0; j < 9; j += 3) {
        p[j] += dx;
        p[j + 1] += dy;
        p[j + 2] += dz;
    }
}

void geokar(double phi, double& rho, double& zeta)
{
    rho = axis_distance(phi);
    const double q = rho / ell_a;
    zeta = ell_b * std::sqrt(std::max(0.0, 1.0 - q * q));
}

GeoPlace geoko(double xn, double ye, int ksite)
{
    const SiteRef& ref = ksite == 1 ? site1 : site2;
    // Arc of the meridian for the northward offset, then scaled so that the chord
    // from the reference point equals |xn|.
    const double psi = xn * 360.0 / meridian;
    double rho1 = 0.0, zeta1 = 0.0;
    geokar(ref.lat + psi, rho1, zeta1);
    const double d = std::hypot(rho1 - ref.rho, zeta1 - ref.zeta);
    // Without a measurable chord (no or a vanishing offset) the arc stays unscaled.
    const double phi = d > 0.0 ? ref.lat + psi * std::abs(xn / d) : ref.lat + psi;
    // Eastward offset along the parallel of the mean latitude.
    const double rho_m = axis_distance(0.5 * (ref.lat + phi));
    const double lambda = ref.lon + ye / (rho_m * rad_per_deg);
    GeoPlace g;
    split_degrees(phi, g.latdeg, g.latmin);
    split_degrees(lambda, g.londeg, g.lonmin);
    return g;
}

void reduz(double& angle, int in_radians, int mode)
{
    double x = angle;
    const double s = x < 0.0 ? -1.0 : 1.0;
    if (in_radians != 0) x *= deg_per_rad;
    double a = std::abs(x);
    if (a > 360.0) a = std::fmod(a, 360.0);
    if (mode == 0) {
        if (a > 180.0) a -= 360.0;
    } else if (mode == 1) {
        if (x < 0.0) a -= 360.0;
    }
    double r = s * a;
    if (in_radians != 0) r /= deg_per_rad;
    angle = r;
}

} // namespace r7
