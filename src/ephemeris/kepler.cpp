#include "state/constants.hpp"
#include "ephemeris/kepler.hpp"

#include <array>
#include <cmath>

#include "io/error.hpp"
#include "io/freeread.hpp"
#include "io/units.hpp"
#include "io/lines.hpp"

namespace r7 {

namespace {


// Newton's method gives up after this many steps.
constexpr int kepler_max_steps = 102;
constexpr double kepler_eps = 1e-13;

[[noreturn]] void bad_record(const std::string& file, int line, const std::string& what)
{
    throw DataError(DataError::Kind::invalid, file, line,
                    "file \"" + file + "\", line " + std::to_string(line) + ": " + what);
}

// Writes a failure message to the report units kout, kout + 5, ... up to 6.
void report(int kout, std::string_view text)
{
    for (int k = kout; k <= io::terminal_unit; k += 5) {
        if (k == io::file_unit || k == io::terminal_unit) io::units().put(k, text);
    }
}

} // namespace

KeplerTable load_kepler(const std::string& filename)
{
    io::FreeReader in(filename);
    KeplerTable table{};
    for (int s = 1; s <= 2; ++s) {
        in.skip_lines(3);
        for (int j = 1; j <= 8; ++j) {
            in.skip_lines(2);
            for (int m = 1; m <= 6; ++m) {
                std::array<double, 4> c{};
                in.read({&c[0], &c[1], &c[2], &c[3]});
                for (double v : c) {
                    if (!std::isfinite(v)) bad_record(filename, in.line(), "coefficient is not a finite number");
                }
                if (m == 2 && !(c[0] > 0.0)) {
                    bad_record(filename, in.line(), "semi-major axis must be positive");
                }
                if (m == 3 && !(c[0] >= 0.0 && c[0] < 1.0)) {
                    bad_record(filename, in.line(), "eccentricity must lie in 0 <= e < 1");
                }
                for (int n = 1; n <= 4; ++n) table(n, m, j, s) = c[static_cast<std::size_t>(n - 1)];
            }
        }
    }
    return table;
}

double reduce_element_angle(double v)
{
    if (std::abs(v) > 360.0) v = std::fmod(v, 360.0);
    if (v < 0.0) v = 360.0 + v;
    return v;
}

KeplerPlace vsop3(const KeplerTable& table, int s, int j, double T, int kout)
{
    KeplerPlace result;
    KeplerElements& el = result.el;
    const double t2 = T * T;
    const double t3 = t2 * T;
    std::array<double, 7> x{};
    for (int m = 1; m <= 6; ++m) {
        const double* c = table.at(1, m, j, s);
        if (m == 1 || m == 5 || m == 6) {
            // Angles are reduced after every term so that large T never lets the
            // sum leave the range by more than one term's worth.
            double v = reduce_element_angle(c[0]);
            v = reduce_element_angle(v + c[1] * T);
            v = reduce_element_angle(v + c[2] * t2);
            v = reduce_element_angle(v + c[3] * t3);
            x[static_cast<std::size_t>(m)] = v;
        } else {
            x[static_cast<std::size_t>(m)] = c[0] + c[1] * T + c[2] * t2 + c[3] * t3;
        }
    }
    const double L = x[1], a = x[2], e = x[3], inc = x[4], node = x[5], peri = x[6];
    el(1) = L;
    el(2) = a;
    el(3) = e;
    // File order is L, a, e, i, node, pi: slot 4 the inclination, 5 the node.
    el(4) = inc;
    el(5) = node;
    el(6) = peri;
    double M = L - peri;
    if (M < 0.0) M += 360.0;
    double w = peri - node;
    if (w < 0.0) w += 360.0;
    el(7) = M;
    el(8) = w;

    // Kepler's equation E - e sin E = M by Newton's method, in radians.
    const double Mr = M * rad_per_deg;
    double E = Mr;
    bool converged = false;
    for (int n = 0; n < kepler_max_steps; ++n) {
        const double En = E + (Mr + e * std::sin(E) - E) / (1.0 - e * std::cos(E));
        const double d = std::abs(En - E);
        E = En;
        if (d < kepler_eps) {
            converged = true;
            break;
        }
    }
    if (!converged) {
        result.ke = 2;
        report(kout, io::fmt("(/'  ---->  error in \"vsop3\" ',  '(Keplers equation), ke =',I2/)", {result.ke}));
        return result;
    }
    double Ed = E * deg_per_rad;
    if (Ed < 0.0) Ed += 360.0;
    double nu = 2.0 * std::atan(std::sqrt((1.0 + e) / (1.0 - e)) * std::tan(E / 2.0)) * deg_per_rad;
    if (nu < 0.0) nu += 360.0;
    double lon = nu + peri;
    if (lon > 360.0) lon -= 360.0;
    el(9) = Ed;
    el(10) = nu;
    el(11) = lon;
    return result;
}

KeplerOrbit kepler_orbit(const KeplerTable& table, int s, int j, double T, int kout)
{
    const KeplerPlace kp = vsop3(table, s, j, T, kout);
    if (kp.ke != 0) {
        throw RunStop(exit_computation,
                      "Kepler's equation did not converge (vsop3, ke = " + std::to_string(kp.ke) + ")");
    }
    const KeplerElements& el = kp.el;
    KeplerOrbit o;
    // The file's order is L, a, e, i, node, pi: slot 4 the inclination, 5 the node.
    o.el = {.mean_lon = el(1), .axis = el(2), .ecc = el(3), .node = el(5), .incl = el(4), .peri = el(6)};

    const double a = el(2), e = el(3), inc = el(4) * rad_per_deg;
    const double u = (el(10) + el(8)) * rad_per_deg;
    double l = el(5) + std::atan2(std::cos(inc) * std::sin(u), std::cos(u)) * deg_per_rad;
    l = std::fmod(l, 360.0);
    if (l < 0.0) l += 360.0;
    if (l >= 360.0) l -= 360.0;
    o.place = {l, std::asin(std::sin(inc) * std::sin(u)) * deg_per_rad, a * (1.0 - e * std::cos(el(9) * rad_per_deg))};
    return o;
}

void elements(int kunit, int kvers, std::string_view names, const ElementTable& el)
{
    io::Units& u = io::units();
    u.write(kunit, "(' pla.   mean long.   a [AU]   ',  'eccentr.  asc.node    incl.   per.[°]   per.[AU]')", {});
    linie(kunit, 2);
    for (int j = 1; j <= 8; ++j) {
        const OrbitElements& o = el[static_cast<std::size_t>(j)];
        const std::string_view name = names.substr(static_cast<std::size_t>(3 * j), 3);
        const double L = o.mean_lon, a = o.axis, e = o.ecc;
        const double node = o.node, inc = o.incl, peri = o.peri;
        const double q = a * (1.0 - e);
        if (kvers == 3 && j == 3) {
            // In the ecliptic of date the Earth's orbit is the reference plane:
            // it has no node.
            u.write(kunit, "(1x,a3,f13.5,2f10.5,a11,f9.5,f11.5,f10.5)",
                    {name, L, a, e, "     ---   ", inc, peri, q});
        } else {
            u.write(kunit, "(1x,a3,f13.5,2f10.5,f11.5,f9.5,f11.5,f10.5)", {name, L, a, e, node, inc, peri, q});
        }
    }
}

} // namespace r7
