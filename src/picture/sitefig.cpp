#include "picture/sitefig.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "picture/chart.hpp"
#include "picture/svg.hpp"

namespace r7::picture {
namespace {

constexpr double margin = 56.0;
const std::array<const char*, 3> giza_names{"Khufu", "Khafre", "Menkaure"};
const std::array<const char*, 3> planet_of_point{"Earth", "Venus", "Mercury"};
const std::array<const char*, 3> planet_colors{"#27c", "#d90", "#8a6"};

std::string fixed(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

double nice_length(double metres)
{
    const double p = std::pow(10.0, std::floor(std::log10(metres)));
    for (double m : {5.0, 2.0, 1.0}) {
        if (m * p <= metres) return m * p;
    }
    return p;
}

} // namespace

std::array<double, 2> site_plane(int site, const results::SitePoint& p)
{
    if (site == 2) return {p.x, p.y};
    return {-p.y, p.x};
}

SiteGeometry site_geometry(const results::SiteRow& row)
{
    // The extent of everything drawn, in the drawing plane.
    double hlo = 1e300, hhi = -1e300, vlo = 1e300, vhi = -1e300;
    auto take = [&](const std::array<double, 2>& q, double r) {
        hlo = std::min(hlo, q[0] - r);
        hhi = std::max(hhi, q[0] + r);
        vlo = std::min(vlo, q[1] - r);
        vhi = std::max(vhi, q[1] + r);
    };
    for (std::size_t i = 0; i < 3; ++i) {
        take(site_plane(row.site, row.point[i]), row.site == 1 ? std::abs(row.height[i]) * base_per_height / 2.0 : 3.0);
        take(site_plane(row.site, row.image[i]), 0.0);
    }
    const double dr = std::isfinite(row.dr) ? std::abs(row.dr) : 0.0;
    take(site_plane(row.site, row.sun), dr);
    const double w = std::max(hhi - hlo, 1.0), h = std::max(vhi - vlo, 1.0);
    SiteGeometry g;
    g.scale = std::min((site_width - 2.0 * margin) / w, (site_height - 2.0 * margin - 40.0) / h);
    // Centre the extent in the drawing area (which leaves 40 px below for the legend).
    g.ox = site_width / 2.0 - (hlo + hhi) / 2.0 * g.scale;
    g.oy = (site_height - 40.0) / 2.0 + (vlo + vhi) / 2.0 * g.scale;
    auto disk = [&](const results::SitePoint& p, double r) {
        const auto q = site_plane(row.site, p);
        return Disk{g.ox + q[0] * g.scale, g.oy - q[1] * g.scale, r};
    };
    for (std::size_t i = 0; i < 3; ++i) {
        g.point[i] = disk(row.point[i], 4.0);
        g.image[i] = disk(row.image[i], 5.0);
    }
    g.sun = disk(row.sun, dr * g.scale);
    return g;
}

std::string site_svg(const results::SiteRow& row)
{
    const SiteGeometry g = site_geometry(row);
    const bool giza = row.site == 1;
    Svg svg(site_width, site_height,
            giza ? "Giza site plan of the best constellation" : "Chambers, section of the best constellation");
    svg.text(site_width / 2.0, 20.0,
             (giza ? "Giza pyramids, year " : "Chambers of the Great Pyramid, year ") + fixed(row.year, 3) +
                 "   F = " + fixed(row.f, 3) + " %",
             "middle", 13.0, "font-weight:bold");
    for (std::size_t i = 0; i < 3; ++i) {
        const Disk& p = g.point[i];
        if (giza) {
            const double side = std::abs(row.height[i]) * base_per_height * g.scale;
            svg.rect(p.cx - side / 2.0, p.cy - side / 2.0, side, side, "fill:#f1e2b8;stroke:#a85;stroke-width:1");
            svg.line(p.cx - side / 2.0, p.cy - side / 2.0, p.cx + side / 2.0, p.cy + side / 2.0, "stroke:#c9a86a;stroke-width:0.6");
            svg.line(p.cx - side / 2.0, p.cy + side / 2.0, p.cx + side / 2.0, p.cy - side / 2.0, "stroke:#c9a86a;stroke-width:0.6");
            svg.text(p.cx, p.cy - side / 2.0 - 4.0, giza_names[i], "middle", 10.0);
        } else {
            svg.text(p.cx + 8.0, p.cy - 8.0, "chamber " + std::to_string(i + 1), "start", 10.0);
        }
        svg.rect(p.cx - p.r, p.cy - p.r, 2.0 * p.r, 2.0 * p.r, "fill:#555");
    }
    // The uncertainty circle and the Sun point.
    if (g.sun.r > 0.5) svg.circle(g.sun.cx, g.sun.cy, g.sun.r, "fill:#fc3;fill-opacity:0.15;stroke:#c80;stroke-dasharray:5 3");
    svg.circle(g.sun.cx, g.sun.cy, 5.0, "fill:#fc3;stroke:#c60;stroke-width:1.5");
    svg.text(g.sun.cx + 8.0, g.sun.cy + 14.0, "Sun point", "start", 10.0, "fill:#a50");
    for (std::size_t i = 0; i < 3; ++i) {
        const Disk& d = g.image[i];
        svg.circle(d.cx, d.cy, d.r, std::string("fill:none;stroke-width:2;stroke:") + planet_colors[i]);
    }
    // Orientation and scale bar.
    const double ax = site_width - 34.0, ay = 70.0;
    if (giza) {
        svg.line(ax, ay, ax, ay - 30.0, "stroke:#000;stroke-width:1.2");
        svg.poly(num(ax) + "," + num(ay - 34.0) + " " + num(ax - 4.0) + "," + num(ay - 26.0) + " " + num(ax + 4.0) + "," +
                     num(ay - 26.0), true, "fill:#000");
        svg.text(ax, ay - 37.0, "N", "middle", 10.0);
    } else {
        svg.line(ax - 30.0, ay, ax, ay, "stroke:#000;stroke-width:1.2");
        svg.poly(num(ax + 4.0) + "," + num(ay) + " " + num(ax - 4.0) + "," + num(ay - 4.0) + " " + num(ax - 4.0) + "," +
                     num(ay + 4.0), true, "fill:#000");
        svg.text(ax - 15.0, ay - 6.0, "N", "middle", 10.0);
        svg.text(ax - 15.0, ay + 16.0, "section, up", "middle", 9.0);
    }
    const double bar_m = nice_length(120.0 / g.scale);
    const double bar = bar_m * g.scale;
    svg.line(14.0, site_height - 56.0, 14.0 + bar, site_height - 56.0, "stroke:#000;stroke-width:2");
    svg.text(14.0 + bar / 2.0, site_height - 61.0, fixed(bar_m, 0) + " m", "middle", 10.0);

    // Legend.
    double lx = 14.0;
    const double ly = site_height - 30.0;
    for (std::size_t i = 0; i < 3; ++i) {
        svg.circle(lx + 5.0, ly - 4.0, 5.0, std::string("fill:none;stroke-width:2;stroke:") + planet_colors[i]);
        svg.text(lx + 14.0, ly, std::string(planet_of_point[i]) + " (fitted image)", "start", 10.0);
        lx += 140.0;
    }
    svg.rect(lx, ly - 8.0, 8.0, 8.0, "fill:#555");
    svg.text(lx + 12.0, ly, "monument point", "start", 10.0);
    const auto sp = site_plane(row.site, row.sun);
    svg.text(14.0, site_height - 10.0,
             "Sun point x " + fixed(row.sun.x, 1) + "  y " + fixed(row.sun.y, 1) + "  z " + fixed(row.sun.z, 1) +
                 " m,  dr " + fixed(row.dr, 1) + " m" + (giza ? "   (plan: x north, y west)" : "   (section: x north, y up)"),
             "start", 10.0);
    (void)sp;
    return svg.str();
}

const results::SiteRow* best_site_row(const std::vector<results::SiteRow>& rows)
{
    const results::SiteRow* best = nullptr;
    for (const auto& r : rows) {
        if (std::isfinite(r.f) && (best == nullptr || r.f < best->f)) best = &r;
    }
    return best;
}

std::string f_chart_svg(const std::vector<results::SiteRow>& rows)
{
    std::vector<double> xs, ys{0.0};
    std::vector<std::pair<double, double>> pts;
    for (const auto& r : rows) {
        xs.push_back(r.year);
        ys.push_back(r.f);
        pts.emplace_back(r.year, r.f);
    }
    const double tol = rows.empty() ? 0.0 : rows.front().tolerance;
    if (tol > 0.0) ys.push_back(tol);
    Axis ya = axis_over(ys, 0.08, "F [%]");
    ya.lo = 0.0;
    Chart c(900.0, 320.0, "Deviation F of the rows", axis_over(xs, 0.03, "year"), ya);
    if (tol > 0.0) c.hline(tol, "#c33", true, "tolerance " + fixed(tol, 3) + " %");
    c.points(pts, "#236", 'o', "row");
    return c.str();
}

} // namespace r7::picture
