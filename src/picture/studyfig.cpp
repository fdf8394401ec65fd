#include "picture/studyfig.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "picture/svg.hpp"
#include "state/constants.hpp"

namespace r7::picture {
namespace {

// The epoch of the book options' single-epoch runs.
constexpr double reference_year = 2000.0;
const std::array<const char*, 4> planet_names{"Mercury", "Venus", "Earth", "Mars"};
const std::array<const char*, 4> planet_colors{"#8a6", "#d90", "#27c", "#c42"};
const std::array<const char*, 3> fit_names{"perihelion", "mean", "aphelion"};
const std::array<const char*, 3> fit_colors{"#c42", "#27c", "#383"};
const std::array<char, 3> fit_shapes{'t', 'o', 's'};

double wrap180(double a)
{
    a = std::fmod(a, 360.0);
    if (a > 180.0) a -= 360.0;
    if (a <= -180.0) a += 360.0;
    return a;
}

std::string fixed(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

} // namespace

SyzygyGeometry syzygy_geometry(const results::Syzygy& z)
{
    SyzygyGeometry g;
    const int n = std::clamp(z.planets, 3, 4);
    double rmax = 0.0;
    for (int i = 0; i < n; ++i) rmax = std::max(rmax, z.rad[static_cast<std::size_t>(i)]);
    if (!(rmax > 0.0)) rmax = 1.0;
    const double c = plan_size / 2.0;
    g.scale = (plan_size / 2.0 - 40.0) / rmax;
    g.sun = {c, c, 7.0};
    double lo = 0.0, hi = 0.0;
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double r = z.rad[k] * g.scale, l = z.lon[k] * rad_per_deg;
        // Seen from the ecliptic's north pole: longitude counted anticlockwise from
        // the vernal equinox on the right.
        g.planet[k] = {c + r * std::cos(l), c - r * std::sin(l), 5.0};
        const double off = wrap180(z.lon[k] - z.lon[0]);
        lo = std::min(lo, off);
        hi = std::max(hi, off);
    }
    g.wedge_from = z.lon[0] + lo;
    g.wedge_to = z.lon[0] + hi;
    return g;
}

std::string syzygy_plan_svg(const results::Syzygy& z)
{
    const SyzygyGeometry g = syzygy_geometry(z);
    const int n = std::clamp(z.planets, 3, 4);
    Svg svg(plan_size, plan_size + 40.0, "Syzygy of least spread");
    svg.text(plan_size / 2.0, 18.0, "Least spread: year " + fixed(z.year, 3), "middle", 13.0, "font-weight:bold");
    const double c = plan_size / 2.0;
    // The spread as a wedge from the Sun out past the outermost orbit.
    const double rw = plan_size / 2.0 - 14.0;
    const double a1 = g.wedge_from * rad_per_deg, a2 = g.wedge_to * rad_per_deg;
    svg.poly(num(c) + "," + num(c) + " " + num(c + rw * std::cos(a1)) + "," + num(c - rw * std::sin(a1)) + " " +
                 num(c + rw * std::cos(a2)) + "," + num(c - rw * std::sin(a2)),
             true, "fill:#f6c;fill-opacity:0.35;stroke:#c39;stroke-width:0.8");
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        svg.circle(c, c, z.rad[k] * g.scale, "fill:none;stroke:#bbb;stroke-width:1");
    }
    // The direction of the vernal equinox.
    svg.line(c, c, plan_size - 6.0, c, "stroke:#999;stroke-dasharray:3 3");
    svg.text(plan_size - 8.0, c - 5.0, "\u2648 0\u00b0", "end", 10.0);
    svg.circle(g.sun.cx, g.sun.cy, g.sun.r, "fill:#fc3;stroke:#c80");
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const Disk& d = g.planet[k];
        svg.circle(d.cx, d.cy, d.r, std::string("stroke:#000;stroke-width:0.5;fill:") + planet_colors[k]);
    }
    // Legend with the longitudes.
    double y = plan_size - 4.0;
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        svg.circle(14.0, y - 4.0, 4.5, std::string("fill:") + planet_colors[k]);
        svg.text(24.0, y, std::string(planet_names[k]) + "  L = " + fixed(z.lon[k], 3) + "\u00b0  R = " +
                              fixed(z.rad[k], 4) + " AU", "start", 10.0);
        y += 13.0;
    }
    svg.text(plan_size - 10.0, plan_size + 9.0, "spread " + fixed(z.spread, 3) + "\u00b0", "end", 11.0,
             "fill:#c39;font-weight:bold");
    svg.text(plan_size - 10.0, plan_size + 24.0, "ecliptic seen from the north", "end", 9.5, "fill:#555");
    const double bar = 0.5 * g.scale;
    svg.line(12.0, 40.0, 12.0 + bar, 40.0, "stroke:#000;stroke-width:2");
    svg.text(12.0 + bar / 2.0, 34.0, "0.5 AU", "middle", 10.0);
    return svg.str();
}

const results::Syzygy* best_syzygy(const std::vector<results::Syzygy>& events)
{
    const results::Syzygy* best = nullptr;
    for (const auto& e : events) {
        if (best == nullptr || e.spread < best->spread) best = &e;
    }
    return best;
}

std::string spread_chart_svg(const std::vector<results::Syzygy>& events)
{
    std::vector<std::pair<double, double>> pts;
    for (const auto& e : events) pts.emplace_back(e.year, e.spread);
    Chart c = year_chart("Syzygies: spread of the longitudes", pts, "spread [\u00b0]");
    c.points(pts, "#c39", 'o', "syzygy");
    return c.str();
}

Chart teoti_epoch_chart(const results::TeotiEpoch& e)
{
    std::vector<double> xs(e.x.begin(), e.x.end()), ys;
    for (const auto& col : e.y) ys.insert(ys.end(), col.begin(), col.end());
    Chart c(900.0, 420.0, "Teotihuacan, year " + fixed(e.year, 2) + ": monuments against planets",
            axis_over(xs, 0.05, "monument distance (as in the report table)"),
            axis_over(ys, 0.06, "log planet distance (perihelion, mean, aphelion)"));
    for (std::size_t k = 0; k < 3; ++k) {
        std::vector<std::pair<double, double>> pts;
        for (std::size_t r = 0; r < 9; ++r) pts.emplace_back(e.x[r], e.y[k][r]);
        c.points(pts, fit_colors[k], fit_shapes[k], fit_names[k]);
    }
    for (std::size_t k = 0; k < 3; ++k) {
        c.fitted_line(e.u[k], e.v[k], fit_colors[k], k != 1,
                      std::string("fit ") + fit_names[k] + ": R\u00b2 = " + fixed(e.r2[k], 4));
    }
    return c;
}

const results::TeotiEpoch* shown_epoch(const std::vector<results::TeotiEpoch>& epochs)
{
    const results::TeotiEpoch* best = nullptr;
    for (const auto& e : epochs) {
        if (best == nullptr || std::abs(e.year - reference_year) < std::abs(best->year - reference_year)) best = &e;
    }
    return best;
}

std::string r2_chart_svg(const std::vector<results::TeotiEpoch>& epochs)
{
    std::vector<double> xs, ys;
    std::array<std::vector<std::pair<double, double>>, 3> lines;
    for (const auto& e : epochs) {
        xs.push_back(e.year);
        for (std::size_t k = 0; k < 3; ++k) {
            ys.push_back(e.r2[k]);
            lines[k].emplace_back(e.year, e.r2[k]);
        }
    }
    Chart c(900.0, 340.0, "Teotihuacan: R\u00b2 of the three fits", axis_over(xs, 0.02, "year"),
            axis_over(ys, 0.08, "R\u00b2"));
    for (std::size_t k = 0; k < 3; ++k) {
        c.polyline(lines[k], fit_colors[k], std::string("fit ") + fit_names[k]);
        c.points(lines[k], fit_colors[k], fit_shapes[k], "");
    }
    return c.str();
}

} // namespace r7::picture
