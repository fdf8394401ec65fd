#include "picture/studyfig.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "picture/place.hpp"
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
// The three fitted lines: dashed, solid, dotted, so that they can be told
// apart where they lie on top of each other.
const std::array<const char*, 3> fit_dashes{"8 4", "", "2 3"};
// Teotihuacan points closer than this fraction of the distances to the nearest
// of the planets' markers are named in an enlarged inset.
constexpr double crowd_fraction = 0.08;
constexpr double inset_width = 330.0;
constexpr double inset_height = 170.0;
// The bodies of the nine fitted Teotihuacan points.
const std::array<const char*, 9> teoti_bodies{"Sun", "Mercury", "Venus", "Earth", "Mars",
                                              "Jupiter", "Saturn", "Uranus", "Neptune"};

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

// "log10", "ln", "log3", "log2.5" for the axis label.
std::string log_name(double base)
{
    if (std::abs(base - 2.718281828459045) < 1e-3) return "ln";
    const double whole = std::round(base);
    return "log" + (std::abs(base - whole) < 1e-9 ? fixed(whole, 0) : fixed(base, 3));
}

std::string unit_text(const std::string& unit)
{
    return unit.empty() ? "" : " [" + unit + "]";
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
    const double height = plan_size + 40.0;
    Svg svg(plan_size, height, "Syzygy of least spread");
    Placer placer({2.0, 2.0, plan_size - 2.0, height - 2.0});
    const TextLine title = plain("Least spread: year " + fixed(z.year, 3), 13.0, true);
    svg.text(plan_size / 2.0, 18.0, title, "middle");
    placer.block_text(plan_size / 2.0, 18.0, title, "middle");
    const double c = plan_size / 2.0;
    // The spread as a wedge from the Sun out past the outermost orbit.
    const double rw = plan_size / 2.0 - 14.0;
    const double a1 = g.wedge_from * rad_per_deg, a2 = g.wedge_to * rad_per_deg;
    svg.poly(num(c) + "," + num(c) + " " + num(c + rw * std::cos(a1)) + "," + num(c - rw * std::sin(a1)) + " " +
                 num(c + rw * std::cos(a2)) + "," + num(c - rw * std::sin(a2)),
             true, "fill:#f6c;fill-opacity:0.35;stroke:#c39;stroke-width:0.8", Layer::background);
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        svg.circle(c, c, z.rad[k] * g.scale, "fill:none;stroke:#bbb;stroke-width:1", Layer::background);
    }
    // The direction of the vernal equinox.
    svg.line(c, c, plan_size - 6.0, c, "stroke:#999;stroke-dasharray:3 3", Layer::background);
    svg.circle(g.sun.cx, g.sun.cy, g.sun.r, "fill:#fc3;stroke:#c80");
    placer.block_disk(g.sun.cx, g.sun.cy, g.sun.r);
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const Disk& d = g.planet[k];
        svg.circle(d.cx, d.cy, d.r, std::string("stroke:#000;stroke-width:0.5;fill:") + planet_colors[k]);
        placer.block_disk(d.cx, d.cy, d.r + 0.5);
    }
    // Legend with the longitudes, the spread and the view, in fixed places.
    double y = plan_size - 4.0;
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const TextLine line = plain(std::string(planet_names[k]) + "  L = " + fixed(z.lon[k], 3) + "\u00b0  R = " +
                                        fixed(z.rad[k], 4) + " AU", 10.0);
        svg.begin_group();
        svg.circle(14.0, y - 4.0, 4.5, std::string("fill:") + planet_colors[k]);
        svg.text(24.0, y, line, "start");
        svg.end_group();
        placer.block({9.5, y - 8.5, 18.5, y + 0.5});
        placer.block_text(24.0, y, line, "start");
        y += 13.0;
    }
    const TextLine spread = plain("spread " + fixed(z.spread, 3) + "\u00b0", 11.0, true, "#c39");
    svg.text(plan_size - 10.0, plan_size + 9.0, spread, "end");
    placer.block_text(plan_size - 10.0, plan_size + 9.0, spread, "end");
    const TextLine view = plain("ecliptic seen from the north", 9.5, false, "#555");
    svg.text(plan_size - 10.0, plan_size + 24.0, view, "end");
    placer.block_text(plan_size - 10.0, plan_size + 24.0, view, "end");
    const double bar = 0.5 * g.scale;
    svg.begin_group();
    svg.line(12.0, 40.0, 12.0 + bar, 40.0, "stroke:#000;stroke-width:2");
    svg.text(12.0 + bar / 2.0, 34.0, "0.5 AU", "middle", 10.0);
    svg.end_group();
    placer.block({12.0, 26.0, 12.0 + std::max(bar, text_width("0.5 AU", 10.0)), 41.0});

    // The planets' names beside them, away from the Sun; the equinox's sign at
    // the end of its line.
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const Disk& d = g.planet[k];
        Anchor a;
        a.x = d.cx;
        a.y = d.cy;
        a.clear = d.r * 1.42 + 1.5;
        a.prefer = std::atan2(d.cy - c, d.cx - c) + pi / 2.0;
        a.weight = 3.0;
        put_label(svg, placer, a, {plain(planet_names[k], 9.5, false, "#333")});
    }
    Anchor eq;
    eq.x = plan_size - 6.0;
    eq.y = c;
    eq.clear = 2.0;
    eq.prefer = -pi / 2.0 - 0.4;
    eq.weight = 4.0;
    put_label(svg, placer, eq, {plain("\u2648 0\u00b0", 10.0)});
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

namespace {

// The inset of crowded Teotihuacan points: a framed panel in a free corner of
// the plot, the points and the three lines of the crowded range enlarged, the
// points named; on the plot a dashed box marks the range.
template <class NameOf>
void teoti_inset(Chart& c, Placer& placer, const results::TeotiEpoch& e, const results::TeotiAxes& axes,
                 const std::vector<std::size_t>& crowd, const NameOf& name_of)
{
    double x0 = e.x[crowd.front()], x1 = x0, y0 = e.y[0][crowd.front()], y1 = y0;
    for (std::size_t r : crowd) {
        x0 = std::min(x0, e.x[r]);
        x1 = std::max(x1, e.x[r]);
        for (std::size_t k = 0; k < 3; ++k) {
            y0 = std::min(y0, e.y[k][r]);
            y1 = std::max(y1, e.y[k][r]);
        }
    }
    // The crowded range on the plot.
    Svg& svg = c.overlay();
    svg.rect(c.px(x0) - 6.0, c.py(y1) - 6.0, c.px(x1) - c.px(x0) + 12.0, c.py(y0) - c.py(y1) + 12.0,
             "fill:none;stroke:#999;stroke-dasharray:3 2", Layer::background);
    // The panel in the first free corner of the plot, bottom right first.
    const Box plot = c.plot_box();
    std::vector<Box> corners;
    for (int k : {3, 2, 1, 0}) {
        const double px0 = (k % 2 == 1) ? plot.x1 - 10.0 - inset_width : plot.x0 + 10.0;
        const double py0 = k >= 2 ? plot.y1 - 10.0 - inset_height : plot.y0 + 10.0;
        corners.push_back({px0, py0, px0 + inset_width, py0 + inset_height});
    }
    const int free = placer.first_free(corners);
    if (free < 0) return;
    const Box panel = corners[static_cast<std::size_t>(free)];
    placer.block(panel);
    // Its data box, with room for its title, its range line and the names.
    const Box inner{panel.x0 + 10.0, panel.y0 + 24.0, panel.x1 - 10.0, panel.y1 - 22.0};
    const double wx = std::max(x1 - x0, 1e-9), wy = std::max(y1 - y0, 1e-9);
    const double ax0 = x0 - 0.15 * wx, ax1 = x1 + 0.15 * wx, ay0 = y0 - 0.2 * wy, ay1 = y1 + 0.2 * wy;
    auto ix = [&](double x) { return inner.x0 + (x - ax0) / (ax1 - ax0) * (inner.x1 - inner.x0); };
    auto iy = [&](double y) { return inner.y1 - (y - ay0) / (ay1 - ay0) * (inner.y1 - inner.y0); };
    Placer local({panel.x0 + 2.0, panel.y0 + 2.0, panel.x1 - 2.0, panel.y1 - 2.0});
    // The panel: a white ground that labels may lie on, and its frame, which
    // the plot's lines keep clear of.
    svg.rect(panel.x0, panel.y0, inset_width, inset_height, "fill:white;stroke:none", Layer::background);
    svg.begin_group();
    svg.poly(num(panel.x0) + "," + num(panel.y0) + " " + num(panel.x1) + "," + num(panel.y0) + " " + num(panel.x1) + "," +
                 num(panel.y1) + " " + num(panel.x0) + "," + num(panel.y1) + " " + num(panel.x0) + "," + num(panel.y0),
             false, "fill:none;stroke:#999");
    for (std::size_t k = 0; k < 3; ++k) {
        // The line clipped to the inset's data box.
        double xa = ax0, xb = ax1;
        const double u = e.u[k], v = e.v[k];
        if (u != 0.0) {
            double xl = (ay0 - v) / u, xh = (ay1 - v) / u;
            if (xl > xh) std::swap(xl, xh);
            xa = std::max(xa, xl);
            xb = std::min(xb, xh);
        }
        if (xa < xb) {
            svg.line(ix(xa), iy(u * xa + v), ix(xb), iy(u * xb + v),
                     std::string("stroke-width:1.5;stroke:") + fit_colors[k] +
                         (fit_dashes[k][0] != '\0' ? std::string(";stroke-dasharray:") + fit_dashes[k] : ""));
            local.block_line(ix(xa), iy(u * xa + v), ix(xb), iy(u * xb + v));
        }
    }
    for (std::size_t r : crowd) {
        for (std::size_t k = 0; k < 3; ++k) {
            const double px = ix(e.x[r]), py = iy(e.y[k][r]);
            const std::string style = std::string("fill:") + fit_colors[k] + ";stroke:" + fit_colors[k];
            if (fit_shapes[k] == 's') {
                svg.rect(px - 3.0, py - 3.0, 6.0, 6.0, style);
            } else if (fit_shapes[k] == 't') {
                svg.path(mark_path(px, py, 't', 3.0), style);
            } else {
                svg.circle(px, py, 3.0, style);
            }
            local.block_disk(px, py, 3.5);
        }
    }
    svg.end_group();
    const std::string unit = axes.unit.empty() ? "" : " " + axes.unit;
    // The range to three significant digits of its width (metres, millimetres or the luna unit).
    const int decimals = std::clamp(2 - static_cast<int>(std::floor(std::log10(std::max(x1 - x0, 1e-9)))), 0, 6);
    const TextLine title =
        plain("enlarged: distances " + fixed(x0, decimals) + " to " + fixed(x1, decimals) + unit, 9.5, true, "#444");
    svg.text(panel.x0 + 8.0, panel.y0 + 13.0, title, "start");
    local.block_text(panel.x0 + 8.0, panel.y0 + 13.0, title, "start");
    for (std::size_t r : crowd) {
        double lo = e.y[0][r], hi = lo;
        for (std::size_t k = 1; k < 3; ++k) {
            lo = std::min(lo, e.y[k][r]);
            hi = std::max(hi, e.y[k][r]);
        }
        Anchor a;
        a.x = ix(e.x[r]);
        a.y = iy((lo + hi) / 2.0);
        a.clear = (iy(lo) - iy(hi)) / 2.0 + 5.5;
        a.prefer = 0.0;
        a.weight = 4.0;
        put_label(svg, local, a, {plain(name_of(r), 9.5, false, "#333")});
    }
}

} // namespace

Chart teoti_epoch_chart(const results::TeotiEpoch& e, const results::TeotiAxes& axes)
{
    std::vector<double> xs(e.x.begin(), e.x.end()), ys;
    for (const auto& col : e.y) ys.insert(ys.end(), col.begin(), col.end());
    const std::string origin = axes.names[0].empty() ? "" : " from the " + axes.names[0];
    const std::string planet_unit = axes.planet_unit.empty() ? "km" : axes.planet_unit;
    Chart c(900.0, 440.0, "Teotihuacan, year " + fixed(e.year, 0) + ": monuments against planets",
            axis_over(xs, 0.05, "distance of the monument" + origin + unit_text(axes.unit)),
            axis_over(ys, 0.06, log_name(axes.log_base) + " of the planet's distance in " + planet_unit +
                                     " (perihelion, mean, aphelion)"));
    for (std::size_t k = 0; k < 3; ++k) {
        std::vector<std::pair<double, double>> pts;
        for (std::size_t r = 0; r < 9; ++r) pts.emplace_back(e.x[r], e.y[k][r]);
        c.points(pts, fit_colors[k], fit_shapes[k], fit_names[k]);
    }
    for (std::size_t k = 0; k < 3; ++k) {
        c.fitted_line(e.u[k], e.v[k], fit_colors[k], fit_dashes[k],
                      std::string("fit ") + fit_names[k] + ": R\u00b2 = " + fixed(e.r2[k], 4));
    }

    // The points named by monument (and the body they stand for, where the
    // name does not say it), clear of the points and the lines. Points that
    // crowd together at the left (the markers of the inner planets, within a
    // few per cent of the distances) are named in an enlarged inset instead.
    const Box box = c.plot_box();
    Placer placer({box.x0 + 2.0, box.y0 + 2.0, box.x1 - 2.0, box.y1 - 2.0});
    for (std::size_t r = 0; r < 9; ++r) {
        for (std::size_t k = 0; k < 3; ++k) placer.block_disk(c.px(e.x[r]), c.py(e.y[k][r]), 3.5);
    }
    for (const Segment& s : c.segments()) placer.block_line(c.px(s.x1), c.py(s.y1), c.px(s.x2), c.py(s.y2));
    auto name_of = [&axes](std::size_t n) {
        const std::string& name = axes.names[n];
        const std::string body = teoti_bodies[n];
        std::string text = name.empty() ? body : name;
        if (!name.empty() && name.find(body) == std::string::npos) text += " (" + body + ")";
        return text;
    };
    auto spread_of = [&e](std::size_t n) {
        double lo = e.y[0][n], hi = e.y[0][n];
        for (std::size_t k = 1; k < 3; ++k) {
            lo = std::min(lo, e.y[k][n]);
            hi = std::max(hi, e.y[k][n]);
        }
        return std::pair<double, double>{lo, hi};
    };
    double xlo = e.x[1], xhi = e.x[1];
    for (std::size_t r = 1; r < 9; ++r) {
        xlo = std::min(xlo, e.x[r]);
        xhi = std::max(xhi, e.x[r]);
    }
    std::vector<std::size_t> crowd;
    for (std::size_t r = 1; r < 9; ++r) {
        if (e.x[r] - xlo < crowd_fraction * (xhi - xlo)) crowd.push_back(r);
    }
    if (crowd.size() < 2) crowd.clear();
    if (!crowd.empty()) teoti_inset(c, placer, e, axes, crowd, name_of);
    // From the right, where the points stand apart, to the left.
    for (std::size_t n = 9; n-- > 0;) {
        if (std::find(crowd.begin(), crowd.end(), n) != crowd.end()) continue;
        const auto [lo, hi] = spread_of(n);
        Anchor a;
        a.x = c.px(e.x[n]);
        a.y = c.py((lo + hi) / 2.0);
        a.clear = (c.py(lo) - c.py(hi)) / 2.0 + 5.5;
        // Above the lines where the point lies above them, else below.
        const double on_line = e.u[1] * e.x[n] + e.v[1];
        a.prefer = e.y[1][n] >= on_line ? -pi / 2.0 - 0.6 : pi / 2.0 + 0.6;
        a.weight = 5.0;
        put_label(c.overlay(), placer, a, {plain(name_of(n), 9.5, false, "#333")});
    }
    return c;
}

double teoti_line_spread(const results::TeotiEpoch& e)
{
    double lo = e.x[0], hi = e.x[0];
    for (double x : e.x) {
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    double spread = 0.0;
    for (double x : {lo, hi}) {
        for (std::size_t a = 0; a < 3; ++a) {
            for (std::size_t b = a + 1; b < 3; ++b) {
                spread = std::max(spread, std::abs((e.u[a] - e.u[b]) * x + e.v[a] - e.v[b]));
            }
        }
    }
    return spread;
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
