#include "picture/sitefig.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "picture/chart.hpp"
#include "picture/place.hpp"
#include "picture/svg.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"

namespace r7::picture {
namespace {

constexpr double margin = 56.0;
const std::array<const char*, 3> giza_names{"Khufu", "Khafre", "Menkaure"};
const std::array<const char*, 3> planet_of_point{"Earth", "Venus", "Mercury"};
const std::array<const char*, 3> planet_colors{"#27c", "#d90", "#8a6"};
// Mars, Jupiter, Saturn, Uranus, Neptune.
const std::array<const char*, 5> other_colors{"#c33", "#a5622a", "#8b7d3a", "#2a9d9d", "#3650c8"};
constexpr double planet_mark_r = 4.0;
constexpr double edge_inset = 14.0;
constexpr double arrow_len = 20.0;

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
    if (row.mirror) take(site_plane(row.site, *row.mirror), 0.0);
    // The listed planets near enough join the extent; the others become arrows.
    const double mh = (hlo + hhi) / 2.0, mv = (vlo + vhi) / 2.0;
    const double reach = site_near_factor * std::max(std::hypot(hhi - hlo, vhi - vlo) / 2.0, 1.0);
    SiteGeometry g;
    for (std::size_t k = 0; k < row.listed.size(); ++k) {
        const auto& lp = row.listed[k];
        if (lp.body < 4 || lp.body > 8) continue; // Mercury, Venus, Earth and the barycentre are the fitted images
        const auto q = site_plane(row.site, lp.at);
        if (!std::isfinite(q[0]) || !std::isfinite(q[1])) continue;
        PlanetMark m;
        m.listed = k;
        m.beyond = std::hypot(q[0] - mh, q[1] - mv) > reach;
        if (!m.beyond) take(q, 0.0);
        g.planets.push_back(m);
    }
    const double w = std::max(hhi - hlo, 1.0), h = std::max(vhi - vlo, 1.0);
    const double area_h = site_height - site_legend_band;
    g.scale = std::min((site_width - 2.0 * margin) / w, (area_h - 2.0 * margin) / h);
    // Centre the extent in the drawing area above the legend band.
    g.ox = site_width / 2.0 - (hlo + hhi) / 2.0 * g.scale;
    g.oy = area_h / 2.0 + (vlo + vhi) / 2.0 * g.scale;
    auto pixel = [&](const std::array<double, 2>& q) { return std::array<double, 2>{g.ox + q[0] * g.scale, g.oy - q[1] * g.scale}; };
    auto disk = [&](const results::SitePoint& p, double r) {
        const auto px = pixel(site_plane(row.site, p));
        return Disk{px[0], px[1], r};
    };
    for (std::size_t i = 0; i < 3; ++i) {
        g.point[i] = disk(row.point[i], 4.0);
        g.image[i] = disk(row.image[i], 5.0);
    }
    g.sun = disk(row.sun, dr * g.scale);
    if (row.mirror) g.mirror = disk(*row.mirror, 5.0);
    const auto centre = pixel({mh, mv});
    g.cx = centre[0];
    g.cy = centre[1];
    // Arrow tips on the edge of the drawing area, inset from the frame, above the scale bar.
    const double left = edge_inset, right = site_width - edge_inset, top = 30.0 + edge_inset, bottom = area_h - 40.0;
    for (PlanetMark& m : g.planets) {
        const auto px = pixel(site_plane(row.site, row.listed[m.listed].at));
        if (!m.beyond) {
            m.at = Disk{px[0], px[1], planet_mark_r};
            continue;
        }
        const double ex = px[0] - g.cx, ey = px[1] - g.cy, len = std::hypot(ex, ey);
        m.dx = ex / len;
        m.dy = ey / len;
        double t = 1e300;
        if (m.dx > 0.0) t = std::min(t, (right - g.cx) / m.dx);
        if (m.dx < 0.0) t = std::min(t, (left - g.cx) / m.dx);
        if (m.dy > 0.0) t = std::min(t, (bottom - g.cy) / m.dy);
        if (m.dy < 0.0) t = std::min(t, (top - g.cy) / m.dy);
        m.at = Disk{g.cx + t * m.dx, g.cy + t * m.dy, 0.0};
        // An arrow that would lie on a monument, an image or a Sun point moves
        // along the edge (sideways, keeping its direction) until it is clear.
        auto clear = [&](double tx, double ty) {
            const double bx = tx - arrow_len * m.dx, by = ty - arrow_len * m.dy;
            const double x0 = std::min(bx, tx) - 4.0, x1 = std::max(bx, tx) + 4.0;
            const double y0 = std::min(by, ty) - 4.0, y1 = std::max(by, ty) + 4.0;
            if (tx < left - 0.5 || tx > right + 0.5 || ty < top - 0.5 || ty > bottom + 0.5) return false;
            std::vector<Disk> marks(g.point.begin(), g.point.end());
            marks.insert(marks.end(), g.image.begin(), g.image.end());
            marks.push_back({g.sun.cx, g.sun.cy, 6.0});
            if (g.mirror) marks.push_back(*g.mirror);
            return std::none_of(marks.begin(), marks.end(), [&](const Disk& d) {
                return d.cx + d.r + 2.0 > x0 && d.cx - d.r - 2.0 < x1 && d.cy + d.r + 2.0 > y0 && d.cy - d.r - 2.0 < y1;
            });
        };
        for (double shift : {0.0, 14.0, -14.0, 28.0, -28.0, 42.0, -42.0}) {
            const double tx = m.at.cx - shift * m.dy, ty = m.at.cy + shift * m.dx;
            if (clear(tx, ty)) {
                m.at.cx = tx;
                m.at.cy = ty;
                break;
            }
        }
    }
    return g;
}

std::string site_svg(const results::SiteRow& row, const std::string& which)
{
    const SiteGeometry g = site_geometry(row);
    const bool giza = row.site == 1;
    const bool fitted = row.sun_mode == SunMode::space_fitex;
    Svg svg(site_width, site_height,
            giza ? "Giza site plan of the best constellation" : "Chambers, section of the best constellation");
    Placer placer({2.0, 2.0, site_width - 2.0, site_height - 2.0});
    auto fixed_text = [&](double x, double y, const TextLine& line, std::string_view anchor) {
        svg.text(x, y, line, anchor);
        placer.block_text(x, y, line, anchor);
    };
    fixed_text(site_width / 2.0, 20.0,
               plain((giza ? "Giza pyramids, year " : "Chambers of the Great Pyramid, year ") + fixed(row.year, 3) +
                         ",  F = " + fixed(row.f, 3) + " %",
                     13.0, true),
               "middle");
    if (!which.empty()) fixed_text(site_width / 2.0, 36.0, plain(which, 10.0, false, "#444"), "middle");

    // Legend, in the band below the plan.
    {
        double lx = 14.0;
        double ly = site_height - 50.0;
        for (std::size_t i = 0; i < 3; ++i) {
            const TextLine t = plain(std::string(planet_of_point[i]) + (fitted ? " (fitted image)" : " (image)"), 10.0);
            svg.begin_group();
            svg.circle(lx + 5.0, ly - 4.0, 5.0, std::string("fill:none;stroke-width:2;stroke:") + planet_colors[i]);
            svg.text(lx + 14.0, ly, t, "start");
            svg.end_group();
            placer.block({lx, ly - 10.0, lx + 10.0, ly + 1.0});
            placer.block_text(lx + 14.0, ly, t, "start");
            lx += 14.0 + t.width() + 12.0;
        }
        const TextLine mt = plain("monument point", 10.0);
        svg.begin_group();
        svg.rect(lx, ly - 8.0, 8.0, 8.0, "fill:#555");
        svg.text(lx + 12.0, ly, mt, "start");
        svg.end_group();
        placer.block({lx, ly - 8.0, lx + 8.0, ly});
        placer.block_text(lx + 12.0, ly, mt, "start");
        if (!g.planets.empty()) {
            ly += 20.0;
            lx = 14.0;
            const TextLine near = plain("other planet as listed in the site frame", 10.0);
            const TextLine far = plain("beyond the plan: direction, distance from the origin", 10.0);
            svg.begin_group();
            svg.circle(lx + 5.0, ly - 4.0, planet_mark_r, "fill:#999;stroke:#000;stroke-width:0.6");
            svg.text(lx + 14.0, ly, near, "start");
            svg.end_group();
            placer.block({lx, ly - 9.0, lx + 10.0, ly + 1.0});
            placer.block_text(lx + 14.0, ly, near, "start");
            lx += 14.0 + near.width() + 12.0;
            svg.begin_group();
            svg.line(lx, ly - 4.0, lx + 16.0, ly - 4.0, "stroke-width:2;stroke:#999");
            svg.poly(num(lx + 18.0) + "," + num(ly - 4.0) + " " + num(lx + 11.0) + "," + num(ly - 8.0) + " " +
                         num(lx + 11.0) + "," + num(ly),
                     true, "fill:#999");
            svg.text(lx + 24.0, ly, far, "start");
            svg.end_group();
            placer.block({lx, ly - 8.0, lx + 18.0, ly});
            placer.block_text(lx + 24.0, ly, far, "start");
        }
        // The Sun point as printed; the free two-dimensional mode prints no height.
        const std::string z = row.sun_mode == SunMode::plane_2d ? "---" : fixed(row.sun.z, 1);
        fixed_text(14.0, site_height - 10.0,
                   plain("Sun point x " + fixed(row.sun.x, 1) + "  y " + fixed(row.sun.y, 1) + "  z " + z + " m,  dr " +
                             fixed(row.dr, 1) + " m" + (giza ? "   (plan: x north, y west)" : "   (section: x north, y up)"),
                         10.0),
                   "start");
    }

    for (std::size_t i = 0; i < 3; ++i) {
        const Disk& p = g.point[i];
        if (giza) {
            const double side = std::abs(row.height[i]) * base_per_height * g.scale;
            svg.rect(p.cx - side / 2.0, p.cy - side / 2.0, side, side, "fill:#f1e2b8;stroke:#a85;stroke-width:1",
                     Layer::background);
            svg.line(p.cx - side / 2.0, p.cy - side / 2.0, p.cx + side / 2.0, p.cy + side / 2.0,
                     "stroke:#c9a86a;stroke-width:0.6", Layer::background);
            svg.line(p.cx - side / 2.0, p.cy + side / 2.0, p.cx + side / 2.0, p.cy - side / 2.0,
                     "stroke:#c9a86a;stroke-width:0.6", Layer::background);
        }
    }
    // The uncertainty circle and the Sun point.
    if (g.sun.r > 0.5) {
        svg.circle(g.sun.cx, g.sun.cy, g.sun.r, "fill:#fc3;fill-opacity:0.15;stroke:#c80;stroke-dasharray:5 3",
                   Layer::background);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const Disk& p = g.point[i];
        svg.rect(p.cx - p.r, p.cy - p.r, 2.0 * p.r, 2.0 * p.r, "fill:#555");
        placer.block_disk(p.cx, p.cy, p.r);
    }
    svg.circle(g.sun.cx, g.sun.cy, 5.0, "fill:#fc3;stroke:#c60;stroke-width:1.5");
    placer.block_disk(g.sun.cx, g.sun.cy, 5.75);
    // The mirror image of the fit leaves the same residuals; its Sun point lies
    // on the other side of the monuments' plane, so the label gives its height
    // (Giza) or its distance east (chambers), which the drawing does not show.
    if (g.mirror) {
        const Disk& m = *g.mirror;
        svg.circle(m.cx, m.cy, m.r, "fill:none;stroke:#c60;stroke-width:1.5;stroke-dasharray:3 2");
        placer.block_disk(m.cx, m.cy, m.r + 0.75);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const Disk& d = g.image[i];
        svg.circle(d.cx, d.cy, d.r, std::string("fill:none;stroke-width:2;stroke:") + planet_colors[i]);
        placer.block_disk(d.cx, d.cy, d.r + 1.0);
    }
    // The other planets of the listing: on the plan, or arrows on its edge.
    for (const PlanetMark& m : g.planets) {
        const auto& lp = row.listed[m.listed];
        const std::string color = other_colors[static_cast<std::size_t>(lp.body - 4)];
        if (!m.beyond) {
            svg.circle(m.at.cx, m.at.cy, m.at.r, "fill:" + color + ";stroke:#000;stroke-width:0.6");
            placer.block_disk(m.at.cx, m.at.cy, m.at.r + 0.3);
            continue;
        }
        const double bx = m.at.cx - arrow_len * m.dx, by = m.at.cy - arrow_len * m.dy;
        const double nx = -m.dy, ny = m.dx; // normal of the arrow
        svg.begin_group();
        svg.line(bx, by, m.at.cx, m.at.cy, "stroke-width:2;stroke:" + color);
        svg.poly(num(m.at.cx) + "," + num(m.at.cy) + " " + num(m.at.cx - 7.0 * m.dx + 4.0 * nx) + "," +
                     num(m.at.cy - 7.0 * m.dy + 4.0 * ny) + " " + num(m.at.cx - 7.0 * m.dx - 4.0 * nx) + "," +
                     num(m.at.cy - 7.0 * m.dy - 4.0 * ny),
                 true, "fill:" + color);
        svg.end_group();
        placer.block({std::min(bx, m.at.cx) - 4.0, std::min(by, m.at.cy) - 4.0, std::max(bx, m.at.cx) + 4.0,
                      std::max(by, m.at.cy) + 4.0});
    }

    // Orientation and scale bar, each in the first free corner of the plan.
    const double area_bottom = site_height - site_legend_band - 2.0;
    auto corner = [&](int k, double w, double h) {
        const double x0 = (k == 1 || k == 3) ? 8.0 : site_width - 8.0 - w;
        const double y0 = k < 2 ? 40.0 : area_bottom - h;
        return Box{x0, y0, x0 + w, y0 + h};
    };
    {
        const double w = giza ? 12.0 : 56.0, h = giza ? 42.0 : 32.0;
        std::vector<Box> corners;
        for (int k : {0, 1, 2, 3}) corners.push_back(corner(k, w, h));
        const Box& b = corners[static_cast<std::size_t>(std::max(0, placer.first_free(corners)))];
        placer.block(b);
        svg.begin_group();
        if (giza) {
            const double ax = b.x0 + 6.0, ay = b.y1;
            svg.line(ax, ay, ax, ay - 26.0, "stroke:#000;stroke-width:1.2");
            svg.poly(num(ax) + "," + num(ay - 31.0) + " " + num(ax - 4.0) + "," + num(ay - 23.0) + " " + num(ax + 4.0) +
                         "," + num(ay - 23.0), true, "fill:#000");
            svg.text(ax, ay - 34.0, "N", "middle", 10.0);
        } else {
            const double ax = b.x1 - 13.0, ay = b.y0 + 12.0;
            svg.line(ax - 30.0, ay, ax, ay, "stroke:#000;stroke-width:1.2");
            svg.poly(num(ax + 4.0) + "," + num(ay) + " " + num(ax - 4.0) + "," + num(ay - 4.0) + " " + num(ax - 4.0) +
                         "," + num(ay + 4.0), true, "fill:#000");
            svg.text(ax - 15.0, ay - 6.0, "N", "middle", 10.0);
            svg.text(ax - 15.0, ay + 16.0, "section, up", "middle", 9.0);
        }
        svg.end_group();
    }
    {
        const double bar_m = nice_length(120.0 / g.scale);
        const double bar = bar_m * g.scale;
        const std::string label = fixed(bar_m, bar_m < 1.0 ? 1 : 0) + " m";
        const double w = std::max(bar, text_width(label, 10.0)), h = 16.0;
        std::vector<Box> corners;
        for (int k : {3, 2, 1, 0}) corners.push_back(corner(k, w, h));
        const Box& b = corners[static_cast<std::size_t>(std::max(0, placer.first_free(corners)))];
        placer.block(b);
        svg.begin_group();
        svg.line(b.x0, b.y1 - 1.5, b.x0 + bar, b.y1 - 1.5, "stroke:#000;stroke-width:2");
        svg.text(b.x0 + bar / 2.0, b.y1 - 6.0, label, "middle", 10.0);
        svg.end_group();
    }

    // The labels: the monuments' names above their bases (the chambers beside
    // their points), the Sun points, the other planets.
    for (std::size_t i = 0; i < 3; ++i) {
        const Disk& p = g.point[i];
        Anchor a;
        a.x = p.cx;
        a.y = p.cy;
        a.clear = giza ? std::abs(row.height[i]) * base_per_height * g.scale / 2.0 + 2.0 : 7.0;
        a.prefer = giza ? -pi / 2.0 : -pi / 4.0;
        a.weight = 6.0;
        put_label(svg, placer, a, {plain(giza ? giza_names[i] : "chamber " + std::to_string(i + 1), 10.0)});
    }
    {
        Anchor a;
        a.x = g.sun.cx;
        a.y = g.sun.cy;
        a.clear = 9.0;
        a.prefer = pi / 4.0;
        put_label(svg, placer, a, {plain("Sun point", 10.0, false, "#a50")});
    }
    if (g.mirror) {
        Anchor a;
        a.x = g.mirror->cx;
        a.y = g.mirror->cy;
        a.clear = 9.0;
        a.prefer = -pi / 4.0;
        put_label(svg, placer, a,
                  {plain("mirror Sun point, z " + fixed(row.mirror->z, giza ? 1 : 2) + " m", 10.0, false, "#a50")});
    }
    for (const PlanetMark& m : g.planets) {
        const auto& lp = row.listed[m.listed];
        const std::string color = other_colors[static_cast<std::size_t>(lp.body - 4)];
        Anchor a;
        if (!m.beyond) {
            a.x = m.at.cx;
            a.y = m.at.cy;
            a.clear = planet_mark_r * 1.42 + 1.5;
            a.prefer = -pi / 4.0;
            put_label(svg, placer, a, {plain(lp.name, 10.0, false, color)});
            continue;
        }
        // Beside the arrow's tail, towards the plan's inside.
        a.x = m.at.cx - arrow_len * m.dx;
        a.y = m.at.cy - arrow_len * m.dy;
        a.clear = 6.0;
        a.prefer = std::atan2(-m.dy, -m.dx);
        a.weight = 3.0;
        const auto q = site_plane(row.site, lp.at);
        const double d = std::hypot(q[0], q[1]);
        const std::string far = d < 1000.0 ? fixed(d, 0) + " m" : fixed(d / 1000.0, d < 10000.0 ? 2 : 1) + " km";
        put_label(svg, placer, a, {plain(lp.name + " " + far, 10.0, false, color)});
    }
    return svg.str();
}

const results::SiteRow* best_site_row(const std::vector<results::SiteRow>& rows)
{
    const results::SiteRow* best = nullptr;
    for (const auto& r : rows) {
        if (std::isfinite(r.f) && (best == nullptr || r.f < best->f)) best = &r;
    }
    if (best == nullptr && !rows.empty()) best = &rows.front();
    return best;
}

std::string f_chart_svg(const std::vector<results::SiteRow>& rows)
{
    std::vector<std::pair<double, double>> pts;
    for (const auto& r : rows) pts.emplace_back(r.year, r.f);
    const double tol = rows.empty() ? 0.0 : rows.front().tolerance;
    Chart c = year_chart("Deviation F of the rows", pts, "F [%]", std::max(tol, 0.0));
    if (tol > 0.0) c.hline(tol, "#c33", "6 4", "tolerance " + fixed(tol, 3) + " %");
    c.points(pts, "#236", 'o', "row");
    return c.str();
}

} // namespace r7::picture
