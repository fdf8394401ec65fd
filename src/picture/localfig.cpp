#include "picture/localfig.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "picture/place.hpp"
#include "picture/sky.hpp"
#include "picture/svg.hpp"
#include "picture/transitfig.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"

namespace r7::picture {
namespace {

constexpr double sun_px = 100.0; // the Sun's radius in the diagram
constexpr double drawing_top = 44.0;
constexpr double drawing_bottom = transit_drawing_bottom;
constexpr double centre_x = transit_width / 2.0;
constexpr double centre_y = (drawing_top + drawing_bottom) / 2.0;
constexpr double label_size = 9.5;
constexpr double legend_size = 9.0;
constexpr double ring_r = 3.5; // the ring around a small planet's disk

const char* const phase_names[5] = {"I", "II", "G", "III", "IV"};

std::string fixed(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    // A minus sign, not a hyphen.
    if (!s.empty() && s[0] == '-') s = "\u2212" + s.substr(1);
    return s;
}

std::string hms(const results::Phase& p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", p.h, p.m, p.s);
    return buf;
}

Box drawing_box() { return {4.0, drawing_top, transit_width - 4.0, drawing_bottom}; }

// Offsets on the drawing of a point at separation sep ["] and zenith angle za
// [deg]: the zenith up, the angle counted towards the left.
std::pair<double, double> at(double scale, double sep, double za)
{
    const double r = sep * scale, a = za * rad_per_deg;
    return {centre_x - r * std::sin(a), centre_y - r * std::cos(a)};
}

std::string place_text(const results::LocalTransit& l)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.2f\u00b0 %c, %.2f\u00b0 %c, %.0f m", std::abs(l.lat), l.lat < 0.0 ? 'S' : 'N',
                  std::abs(l.lon), l.lon < 0.0 ? 'W' : 'E', l.height);
    return buf;
}

} // namespace

LocalGeometry local_geometry(const results::LocalTransit& l)
{
    LocalGeometry g;
    g.scale = sun_px / l.sd_sun;
    g.cx = centre_x;
    g.cy = centre_y;
    g.r = sun_px;
    g.planet_r = l.sd_planet * g.scale;
    for (std::size_t i = 0; i < 5; ++i) {
        g.has[i] = l.phase[i].has;
        if (!g.has[i]) continue;
        const auto [x, y] = at(g.scale, l.phase_sep[i], l.za[i]);
        g.x[i] = x;
        g.y[i] = y;
    }
    for (const auto& p : l.path) g.path.push_back(at(g.scale, p.sep, p.za));
    if (g.path.empty()) {
        for (std::size_t i = 0; i < 5; ++i) {
            if (g.has[i]) g.path.emplace_back(g.x[i], g.y[i]);
        }
    }
    // Within the drawing, with room for the arrow head.
    const Box b = drawing_box();
    for (auto& [x, y] : g.path) {
        x = std::clamp(x, b.x0 + 8.0, b.x1 - 8.0);
        y = std::clamp(y, b.y0 + 8.0, b.y1 - 8.0);
    }
    return g;
}

std::string local_transit_svg(const results::Transit& t)
{
    if (!t.local) return {};
    const results::LocalTransit& l = *t.local;
    const LocalGeometry g = local_geometry(l);
    const bool ut = l.time_scale == TimeScale::ut;
    const std::string planet = t.body == 2 ? "Venus" : "Mercury";
    const std::string where = l.name.empty() ? "the site" : l.name;

    std::vector<std::string> legend;
    auto add = [&legend](const std::string& text) {
        for (auto& line : wrap(text, legend_size, transit_width - 16.0)) legend.push_back(std::move(line));
    };
    add("seen from " + where + " (" + place_text(l) + "), the zenith up");
    if (l.ttype == local_full) {
        add("all four contacts at the site");
    } else if (l.ttype == local_external) {
        add("grazing at the site: contacts II and III do not happen there");
    } else {
        add("no transit at the site: the planet passes " + fixed(std::abs(l.sep) - l.sd_sun - l.sd_planet, 1) +
            "\u2033 outside the Sun\u2019s limb");
    }
    std::string times = "I\u2013IV contacts, G greatest transit at the site: time " + std::string(ut ? "UT" : "TT");
    if (ut) times += " (\u0394T = " + fixed(sky::delta_t_at(t.jde), 1) + " s)";
    add(times + "; the Sun\u2019s altitude without refraction, negative below the horizon");
    add("least separation " + fixed(std::abs(l.sep), 1) + "\u2033 " + (l.sep >= 0.0 ? "north" : "south") +
        " of the centre; the path bends as the zenith turns about the Sun");
    const double step = (text_ascent + text_descent + 0.07) * legend_size;
    const double legend_top = drawing_bottom + 6.0;
    const double height = std::max(transit_height, legend_top + step * static_cast<double>(legend.size()) + 4.0);

    Svg svg(transit_width, height, "Transit of " + planet + ", " + t.date + ", seen from " + where);
    Placer placer(drawing_box());
    const TextLine title = plain(planet + "  " + t.date, 13.0, true);
    svg.text(transit_width / 2.0, 18.0, title, "middle");
    const TextLine sub = plain("seen from " + where, 10.0);
    svg.text(transit_width / 2.0, 33.0, sub, "middle");
    for (std::size_t i = 0; i < legend.size(); ++i) {
        svg.text(8.0, legend_top + text_ascent * legend_size + step * static_cast<double>(i), legend[i], "start",
                 legend_size, "fill:#333");
    }

    svg.circle(g.cx, g.cy, g.r, "fill:#fff3b0;stroke:#c80;stroke-width:1.2", Layer::background);

    // The path with its arrow head, the line to the greatest transit, the
    // planet's disks: one drawing.
    svg.begin_group();
    const bool g_line = g.has[2] && std::hypot(g.x[2] - g.cx, g.y[2] - g.cy) > 2.0;
    if (g_line) {
        svg.line(g.cx, g.cy, g.x[2], g.y[2], "stroke:#a00;stroke-width:0.8");
        placer.block_line(g.cx, g.cy, g.x[2], g.y[2]);
    }
    svg.circle(g.cx, g.cy, 1.5, "fill:#a00");
    placer.block_disk(g.cx, g.cy, 1.5);
    if (g.path.size() >= 2) {
        std::string points;
        for (const auto& [x, y] : g.path) points += (points.empty() ? "" : " ") + num(x) + "," + num(y);
        svg.poly(points, false, "fill:none;stroke:#336;stroke-width:1;stroke-dasharray:4 3");
        for (std::size_t k = 1; k < g.path.size(); ++k) {
            placer.block_line(g.path[k - 1].first, g.path[k - 1].second, g.path[k].first, g.path[k].second);
        }
        path_arrowhead(svg, placer, g.path[g.path.size() - 2].first, g.path[g.path.size() - 2].second,
                       g.path.back().first, g.path.back().second);
    }
    for (std::size_t i = 0; i < 5; ++i) {
        if (!g.has[i]) continue;
        if (g.planet_r < 2.0) svg.circle(g.x[i], g.y[i], ring_r, "fill:none;stroke:#a00;stroke-width:0.8");
        svg.circle(g.x[i], g.y[i], g.planet_r, "fill:#111");
        placer.block_disk(g.x[i], g.y[i], std::max(g.planet_r, ring_r));
    }
    svg.end_group();

    // The zenith: an arrow up in the first free corner at the top.
    {
        const Box area = drawing_box();
        const double w = std::max(14.0, text_width("zenith", 10.0)), h = 40.0;
        const std::vector<Box> corners{{area.x0 + 2.0, area.y0 + 2.0, area.x0 + 2.0 + w, area.y0 + 2.0 + h},
                                       {area.x1 - 2.0 - w, area.y0 + 2.0, area.x1 - 2.0, area.y0 + 2.0 + h},
                                       {area.x0 + 2.0, area.y1 - 2.0 - h, area.x0 + 2.0 + w, area.y1 - 2.0},
                                       {area.x1 - 2.0 - w, area.y1 - 2.0 - h, area.x1 - 2.0, area.y1 - 2.0}};
        const int c = std::max(0, placer.first_free(corners));
        const Box& cb = corners[static_cast<std::size_t>(c)];
        placer.block(cb);
        const double ox = (cb.x0 + cb.x1) / 2.0, oy = cb.y1 - 2.0;
        svg.begin_group();
        svg.line(ox, oy, ox, oy - 22.0, "stroke:#000;stroke-width:1.2");
        svg.poly(num(ox) + "," + num(oy - 27.0) + " " + num(ox - 3.5) + "," + num(oy - 20.0) + " " + num(ox + 3.5) +
                     "," + num(oy - 20.0),
                 true, "fill:#000");
        svg.text(ox, oy - 30.0, "zenith", "middle", 10.0);
        svg.end_group();
    }

    // The labels of the phases: time and the Sun's altitude, the external
    // contacts outward, the internal ones inward.
    std::vector<Placer::Label> labels;
    for (std::size_t i : {0, 4, 1, 3, 2}) {
        if (!g.has[i]) continue;
        const double ox = g.x[i] - g.cx, oy = g.y[i] - g.cy;
        const double outward = std::hypot(ox, oy) > 1.0 ? std::atan2(oy, ox) : pi / 2.0;
        Anchor a;
        a.x = g.x[i];
        a.y = g.y[i];
        a.clear = std::max(g.planet_r, ring_r) * 1.42 + 1.5;
        a.prefer = (i == 1 || i == 3) ? outward + pi : outward;
        a.weight = 6.0;
        std::vector<TextLine> lines;
        lines.push_back(TextLine{{Span{phase_names[i], true, "#a00"}, Span{" " + hms(l.phase[i]), false, ""}}, label_size});
        lines.push_back(plain("Sun " + fixed(l.sun_alt[i], 1) + "\u00b0", label_size, false,
                              l.sun_alt[i] < 0.0 ? "#555" : ""));
        labels.push_back({a, std::move(lines)});
    }
    const auto placed = placer.place_all(labels);
    for (std::size_t k = 0; k < placed.size(); ++k) draw_label(svg, placed[k], labels[k].lines);
    if (g_line) {
        Anchor a;
        a.x = (g.cx + g.x[2]) / 2.0;
        a.y = (g.cy + g.y[2]) / 2.0;
        a.clear = 2.0;
        a.prefer = std::atan2(g.y[2] - g.cy, g.x[2] - g.cx) + pi / 2.0;
        a.weight = 3.0;
        put_label(svg, placer, a, {plain(fixed(std::abs(l.sep), 1) + "\u2033", label_size, false, "#a00")});
    }
    return svg.str();
}

} // namespace r7::picture
