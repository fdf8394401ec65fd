#include "picture/transitfig.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

#include "picture/chart.hpp"
#include "picture/place.hpp"
#include "picture/sky.hpp"
#include "picture/svg.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"

namespace r7::picture {
namespace {

constexpr double sun_px = 100.0; // the Sun's radius in the diagram
constexpr double centre_x = transit_width / 2.0;
constexpr double centre_y = 184.0;
// The path runs this many times the external-contact radius beyond the
// greatest transit on either side, within the drawing.
constexpr double path_reach = 1.25;
// The ecliptic is drawn this many Sun radii either side of the centre.
constexpr double ecliptic_reach = 1.15;
constexpr double scale_bar_arcsec = 500.0;
constexpr double label_size = 9.5;
constexpr double legend_size = 9.0;
// Where the time and position angle of a phase go: the clear circle around the
// planet's disk (its ring is 3.5 pixels).
constexpr double ring_r = 3.5;
constexpr double reference_year = 2000.0;

const char* const phase_names[5] = {"I", "II", "G", "III", "IV"};
const std::map<int, const char*> planet_colours{{1, "#236"}, {2, "#c60"}};

std::string hms(const results::Phase& p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", p.h, p.m, p.s);
    return buf;
}

std::string fixed(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string planet_name(int body) { return body == 2 ? "Venus" : "Mercury"; }

Box drawing_box() { return {4.0, transit_drawing_top, transit_width - 4.0, transit_drawing_bottom}; }

// Clips the line through (gx, gy) along the unit vector (ux, uy), parameters
// -reach..reach, to the box; returns the ends.
std::array<double, 4> clipped_path(double gx, double gy, double ux, double uy, double reach, const Box& b)
{
    double t0 = -reach, t1 = reach;
    const std::array<double, 4> p{-ux, ux, -uy, uy};
    const std::array<double, 4> q{gx - b.x0, b.x1 - gx, gy - b.y0, b.y1 - gy};
    for (std::size_t i = 0; i < 4; ++i) {
        if (p[i] == 0.0) continue;
        const double t = q[i] / p[i];
        if (p[i] < 0.0) t0 = std::max(t0, t); else t1 = std::min(t1, t);
    }
    if (t1 < t0) t0 = t1 = 0.0;
    return {gx + t0 * ux, gy + t0 * uy, gx + t1 * ux, gy + t1 * uy};
}

} // namespace

double sun_radius_of(const results::Transit& t) { return t.sd_sun > 0.0 ? t.sd_sun : sky::sun_semidiameter(t.jde); }

TransitGeometry transit_geometry(const results::Transit& t)
{
    TransitGeometry g;
    const double sd_sun = sun_radius_of(t);
    g.scale = sun_px / sd_sun;
    g.sun = {centre_x, centre_y, sun_px};
    g.celestial = t.date_mode == DateMode::phases_and_pa;
    const double rp = t.sd_planet * g.scale;
    const std::array<double, 5> dist{sd_sun + t.sd_planet, sd_sun - t.sd_planet, std::abs(t.sep),
                                     sd_sun - t.sd_planet, sd_sun + t.sd_planet};
    for (std::size_t i = 0; i < 5; ++i) g.has[i] = t.phase[i].has;

    // The ecliptic's westward direction (wx, wy) and its north (nx, ny) on the
    // drawing: horizontal with ecliptic north up, or turned by the position
    // angle of its pole with celestial north up.
    double wx = 1.0, wy = 0.0;
    if (g.celestial) {
        g.pole_angle = sky::ecliptic_pole_angle(t.jde);
        const double p = g.pole_angle * rad_per_deg;
        wx = std::cos(p);
        wy = -std::sin(p);
    }
    const double nx = wy, ny = -wx;

    // Offsets of the phases from the Sun's centre in pixels, and the path's
    // direction of motion (ux, uy).
    std::array<double, 5> dx{}, dy{};
    double ux = 1.0, uy = 0.0;
    if (g.celestial) {
        // Position angle counted from north through east; east is to the left.
        for (std::size_t i = 0; i < 5; ++i) {
            const double r = dist[i] * g.scale, pa = t.phase[i].pa * rad_per_deg;
            dx[i] = -r * std::sin(pa);
            dy[i] = -r * std::cos(pa);
        }
        const double gr = std::hypot(dx[2], dy[2]);
        if (g.has[0] && g.has[4] && std::hypot(dx[4] - dx[0], dy[4] - dy[0]) > 0.0) {
            const double el = std::hypot(dx[4] - dx[0], dy[4] - dy[0]);
            ux = (dx[4] - dx[0]) / el;
            uy = (dy[4] - dy[0]) / el;
        } else if (gr > 1e-9) {
            // Across the radius of the greatest transit, westwards.
            ux = -dy[2] / gr;
            uy = dx[2] / gr;
            if (ux * wx + uy * wy < 0.0) { ux = -ux; uy = -uy; }
        } else {
            const double tau = sky::path_tilt(t.body, sd_sun, t.sd_planet, t.node, t.jde) * rad_per_deg;
            ux = wx * std::cos(tau) + nx * std::sin(tau);
            uy = wy * std::cos(tau) + ny * std::sin(tau);
        }
        g.tilt = std::atan2(ux * nx + uy * ny, ux * wx + uy * wy) * deg_per_rad;
    } else {
        // Without position angles: the path crosses the ecliptic at the tilt
        // that the planet's and the Earth's orbits give, and passes the
        // greatest transit at the least separation north (positive) or south
        // of the centre, at right angles to the path.
        g.tilt = sky::path_tilt(t.body, sd_sun, t.sd_planet, t.node, t.jde);
        const double tau = g.tilt * rad_per_deg;
        ux = std::cos(tau);
        uy = -std::sin(tau);
        const double s = t.sep * g.scale;
        const double ngx = uy, ngy = -ux; // the path's normal on its northern side
        for (std::size_t i = 0; i < 5; ++i) {
            const double r = dist[i] * g.scale;
            const double half = std::sqrt(std::max(0.0, r * r - s * s));
            const double along = i < 2 ? -half : i == 2 ? 0.0 : half;
            dx[i] = ngx * s + ux * along;
            dy[i] = ngy * s + uy * along;
        }
    }
    for (std::size_t i = 0; i < 5; ++i) g.planet[i] = {centre_x + dx[i], centre_y + dy[i], rp};

    // The path through the greatest transit, clipped to the drawing with room
    // for the arrow head.
    const Box b = drawing_box();
    const Box inner{b.x0 + 8.0, b.y0 + 8.0, b.x1 - 8.0, b.y1 - 8.0};
    const double reach = (sd_sun + t.sd_planet) * g.scale * path_reach;
    const auto p = clipped_path(centre_x + dx[2], centre_y + dy[2], ux, uy, reach, inner);
    g.x1 = p[0];
    g.y1 = p[1];
    g.x2 = p[2];
    g.y2 = p[3];
    const double er = ecliptic_reach * sun_px;
    g.ex1 = centre_x - wx * er;
    g.ey1 = centre_y - wy * er;
    g.ex2 = centre_x + wx * er;
    g.ey2 = centre_y + wy * er;
    return g;
}

std::string transit_svg(const results::Transit& t)
{
    const TransitGeometry g = transit_geometry(t);
    const bool ut = t.time_scale == TimeScale::ut;
    const std::string ts = ut ? "UT" : "TT";

    // The legend lines under the drawing, wrapped to its width.
    std::vector<std::string> legend;
    auto add = [&legend](const std::string& text) {
        for (auto& l : wrap(text, legend_size, transit_width - 16.0)) legend.push_back(std::move(l));
    };
    const std::string meaning(results::class_meaning(t.letter));
    add("class " + std::string(1, t.letter) + (meaning.empty() ? "" : ": " + meaning) +
        (t.ttype == transit_external ? "; external contacts only (grazing)" : ""));
    add("least separation " + fixed(std::abs(t.sep), 1) + "\u2033 " + (t.sep >= 0.0 ? "north" : "south") + ", " +
        (t.node == '/' ? "ascending" : "descending") + " node, series " + std::to_string(t.series));
    std::string times = "I\u2013IV contacts, G greatest transit: time " + ts;
    if (ut) times += " (\u0394T = " + fixed(sky::delta_t_at(t.jde), 1) + " s)";
    if (g.celestial) times += " and position angle from north through east";
    add(times);
    if (g.celestial) {
        add("celestial north up, east left; ecliptic dashed, path tilted " + fixed(std::abs(g.tilt), 1) + "\u00b0 to it");
    } else {
        add("ecliptic north up, east left; path tilted " + fixed(std::abs(g.tilt), 1) +
            "\u00b0 to the ecliptic as estimated from the mean orbits (no position angles in this run)");
    }
    const double step = (text_ascent + text_descent + 0.07) * legend_size;
    const double legend_top = transit_drawing_bottom + 6.0;
    const double height = std::max(transit_height, legend_top + step * static_cast<double>(legend.size()) + 4.0);

    Svg svg(transit_width, height, "Transit of " + planet_name(t.body) + ", " + t.date);
    Placer placer(drawing_box());
    const TextLine title = plain(planet_name(t.body) + "  " + t.date, 13.0, true);
    svg.text(transit_width / 2.0, 18.0, title, "middle");
    placer.block_text(transit_width / 2.0, 18.0, title, "middle");
    for (std::size_t i = 0; i < legend.size(); ++i) {
        svg.text(8.0, legend_top + text_ascent * legend_size + step * static_cast<double>(i), legend[i], "start",
                 legend_size, "fill:#333");
    }

    svg.circle(g.sun.cx, g.sun.cy, g.sun.r, "fill:#fff3b0;stroke:#c80;stroke-width:1.2", Layer::background);

    // The drawing: the ecliptic, the line to the greatest transit, the path
    // with its arrow head, the planet's disks.
    svg.begin_group();
    svg.line(g.ex1, g.ey1, g.ex2, g.ey2, "stroke:#888;stroke-width:0.8;stroke-dasharray:6 3");
    placer.block_line(g.ex1, g.ey1, g.ex2, g.ey2);
    const Disk& gd = g.planet[2];
    const bool g_line = std::hypot(gd.cx - g.sun.cx, gd.cy - g.sun.cy) > 2.0;
    if (g_line) {
        svg.line(g.sun.cx, g.sun.cy, gd.cx, gd.cy, "stroke:#a00;stroke-width:0.8");
        placer.block_line(g.sun.cx, g.sun.cy, gd.cx, gd.cy);
    }
    svg.circle(g.sun.cx, g.sun.cy, 1.5, "fill:#a00");
    placer.block_disk(g.sun.cx, g.sun.cy, 1.5);
    svg.line(g.x1, g.y1, g.x2, g.y2, "stroke:#336;stroke-width:1;stroke-dasharray:4 3");
    placer.block_line(g.x1, g.y1, g.x2, g.y2);
    path_arrowhead(svg, placer, g.x1, g.y1, g.x2, g.y2);
    for (std::size_t i = 0; i < 5; ++i) {
        if (!g.has[i]) continue;
        const Disk& d = g.planet[i];
        // A small disk gets a ring around it so that it can be found.
        if (d.r < 2.0) svg.circle(d.cx, d.cy, ring_r, "fill:none;stroke:#a00;stroke-width:0.8");
        svg.circle(d.cx, d.cy, d.r, "fill:#111");
        placer.block_disk(d.cx, d.cy, std::max(d.r, ring_r));
    }
    svg.end_group();

    // The compass and the scale bar, each in the first corner of the drawing
    // that nothing crosses.
    const Box area = drawing_box();
    auto corner_of = [&area](int k, double w, double h) {
        const double x0 = (k == 1 || k == 3) ? area.x0 + 2.0 : area.x1 - 2.0 - w;
        const double y0 = k < 2 ? area.y0 + 2.0 : area.y1 - 2.0 - h;
        return Box{x0, y0, x0 + w, y0 + h};
    };
    {
        const std::string north = g.celestial ? "N" : "N ecl.";
        const double nw = text_width(north, 10.0);
        const double ew = text_width("E", 10.0);
        // Offsets from the compass' origin (where its arms meet).
        const double left = 24.0 + 3.0 + ew, right = std::max(5.0, nw / 2.0), up = 30.0 + 8.0, down = 5.0;
        std::vector<Box> corners;
        for (int k : {0, 1, 3, 2}) corners.push_back(corner_of(k, left + right, up + down));
        const int c = std::max(0, placer.first_free(corners));
        const Box& cb = corners[static_cast<std::size_t>(c)];
        placer.block(cb);
        const double ox = cb.x0 + left, oy = cb.y0 + up;
        svg.begin_group();
        svg.line(ox, oy, ox, oy - 22.0, "stroke:#000;stroke-width:1.2");
        svg.poly(num(ox) + "," + num(oy - 27.0) + " " + num(ox - 3.5) + "," + num(oy - 20.0) + " " + num(ox + 3.5) + "," +
                     num(oy - 20.0), true, "fill:#000");
        svg.text(ox, oy - 30.0, north, "middle", 10.0);
        svg.line(ox, oy, ox - 19.0, oy, "stroke:#000;stroke-width:1.2");
        svg.poly(num(ox - 24.0) + "," + num(oy) + " " + num(ox - 17.0) + "," + num(oy - 3.5) + " " + num(ox - 17.0) + "," +
                     num(oy + 3.5), true, "fill:#000");
        svg.text(ox - 27.0, oy + 3.5, "E", "end", 10.0);
        svg.end_group();
    }
    {
        const double bar = scale_bar_arcsec * g.scale;
        const std::string label = fixed(scale_bar_arcsec, 0) + "\u2033";
        const double w = std::max(bar, text_width(label, 10.0)), h = 14.0;
        std::vector<Box> corners;
        for (int k : {3, 2, 1, 0}) corners.push_back(corner_of(k, w, h));
        const int c = std::max(0, placer.first_free(corners));
        const Box& cb = corners[static_cast<std::size_t>(c)];
        placer.block(cb);
        svg.begin_group();
        svg.line(cb.x0, cb.y1 - 1.5, cb.x0 + bar, cb.y1 - 1.5, "stroke:#000;stroke-width:2");
        svg.text(cb.x0 + bar / 2.0, cb.y1 - 5.0, label, "middle", 10.0);
        svg.end_group();
    }

    // The labels of the phases: the external contacts outward, the internal
    // ones inward, the greatest transit beside the path away from the centre.
    std::vector<Placer::Label> phase_labels;
    for (std::size_t i : {0, 4, 1, 3, 2}) {
        if (!g.has[i]) continue;
        const Disk& d = g.planet[i];
        const double ox = d.cx - g.sun.cx, oy = d.cy - g.sun.cy;
        const double outward = std::hypot(ox, oy) > 1.0 ? std::atan2(oy, ox) : pi / 2.0;
        Anchor a;
        a.x = d.cx;
        a.y = d.cy;
        a.clear = std::max(d.r, ring_r) * 1.42 + 1.5;
        a.prefer = (i == 1 || i == 3) ? outward + pi : outward;
        a.weight = 6.0;
        std::vector<TextLine> lines;
        lines.push_back(TextLine{{Span{phase_names[i], true, "#a00"}, Span{" " + hms(t.phase[i]), false, ""}}, label_size});
        if (g.celestial) lines.push_back(plain(fixed(t.phase[i].pa, 2) + "\u00b0", label_size));
        phase_labels.push_back({a, std::move(lines)});
    }
    const auto placed = placer.place_all(phase_labels);
    for (std::size_t k = 0; k < placed.size(); ++k) draw_label(svg, placed[k], phase_labels[k].lines);
    // The least separation beside the middle of the line to the greatest transit.
    if (g_line) {
        Anchor a;
        a.x = (g.sun.cx + gd.cx) / 2.0;
        a.y = (g.sun.cy + gd.cy) / 2.0;
        a.clear = 2.0;
        a.prefer = std::atan2(gd.cy - g.sun.cy, gd.cx - g.sun.cx) + pi / 2.0;
        a.weight = 3.0;
        put_label(svg, placer, a, {plain(fixed(std::abs(t.sep), 1) + "\u2033", label_size, false, "#a00")});
    }
    {
        Anchor a;
        a.x = g.ex1;
        a.y = g.ey1;
        a.clear = 2.0;
        a.prefer = std::atan2(g.ey1 - g.sun.cy, g.ex1 - g.sun.cx);
        a.weight = 4.0;
        put_label(svg, placer, a, {plain("ecliptic", 9.0, false, "#666")});
    }
    return svg.str();
}

std::string separation_chart_svg(const std::vector<results::Transit>& rows)
{
    std::vector<double> xs, ys;
    std::map<int, bool> bodies;
    for (const auto& r : rows) {
        xs.push_back(r.year);
        ys.push_back(r.sep);
        const double rs = sun_radius_of(r);
        ys.push_back(r.sep >= 0.0 ? rs : -rs);
        bodies[r.body] = true;
    }
    const bool estimate = !rows.empty() && rows.front().date_mode == DateMode::equal_longitude;
    std::string planets;
    for (const auto& [body, _] : bodies) planets += (planets.empty() ? "" : " and ") + planet_name(body);
    Chart c(900.0, 380.0, "Transits of " + planets + ": least separation of every transit", axis_over(xs, 0.03, "year"),
            axis_over(ys, 0.06, estimate ? "separation estimate from latitudes [\u2033]" : "least separation [\u2033]"));
    c.hline(0.0, "#888", "", "");

    // The Sun's radius at each transit, on the side the planet passes.
    std::vector<std::pair<double, double>> radius;
    for (const auto& r : rows) {
        const double rs = sun_radius_of(r);
        radius.emplace_back(r.year, r.sep >= 0.0 ? rs : -rs);
    }
    c.dashes(radius, "#c80", 3.5, "the Sun's radius at each transit (from the Earth's centre)");

    // The transits by planet (colour) and class (shape).
    struct ClassMark {
        const char* letters;
        Shape shape;
    };
    const std::array<ClassMark, 4> classes{{{"MV", 'o'}, {"mv", 'T'}, {"C", 'd'}, {"c", 'D'}}};
    const bool many = rows.size() > 400;
    std::map<std::string, bool> seen;
    for (const auto& [body, _] : bodies) {
        for (const auto& cm : classes) {
            std::vector<std::pair<double, double>> pts;
            for (const auto& r : rows) {
                if (r.body == body && std::string_view(cm.letters).find(r.letter) != std::string_view::npos) {
                    pts.emplace_back(r.year, r.sep);
                }
            }
            if (pts.empty()) continue;
            seen[cm.letters] = true;
            // Triangles and diamonds a little larger than the disks, so that they read as shapes.
            const double size = (many ? 2.0 : 3.0) * (cm.shape == 'o' ? 1.0 : 1.4);
            c.cloud(pts, planet_colours.at(body), cm.shape, "", size);
        }
    }
    for (const auto& [body, _] : bodies) c.legend_entry(planet_colours.at(body), 'o', planet_name(body));
    for (const auto& cm : classes) {
        if (!seen.count(cm.letters)) continue;
        // The letters of the planets drawn (M for Mercury, V for Venus).
        std::string letters;
        for (const char* l = cm.letters; *l != '\0'; ++l) {
            const int body = (*l == 'M' || *l == 'm') ? 1 : (*l == 'V' || *l == 'v') ? 2 : 0;
            if (body == 0 || bodies.count(body)) letters += (letters.empty() ? "" : ", ") + std::string(1, *l);
        }
        c.legend_entry("#555", cm.shape, letters + ": " + std::string(results::class_meaning(cm.letters[0])));
    }
    return c.str();
}

std::vector<std::size_t> diagram_rows(const std::vector<results::Transit>& rows, std::size_t budget)
{
    if (rows.size() <= budget) {
        std::vector<std::size_t> all(rows.size());
        for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
        return all;
    }
    std::map<int, std::vector<std::size_t>> by_body;
    for (std::size_t i = 0; i < rows.size(); ++i) by_body[rows[i].body].push_back(i);
    // The planets with fewer transits first, so that what they leave of their
    // share goes to the others.
    std::vector<const std::vector<std::size_t>*> lists;
    for (const auto& [body, list] : by_body) lists.push_back(&list);
    std::stable_sort(lists.begin(), lists.end(), [](auto* a, auto* b) { return a->size() < b->size(); });
    std::vector<std::size_t> shown;
    std::size_t left = budget;
    for (std::size_t k = 0; k < lists.size(); ++k) {
        const auto& list = *lists[k];
        const std::size_t share = std::min(list.size(), left / (lists.size() - k));
        left -= share;
        if (share == 0) continue;
        std::size_t nearest = 0;
        for (std::size_t j = 1; j < list.size(); ++j) {
            if (std::abs(rows[list[j]].year - reference_year) < std::abs(rows[list[nearest]].year - reference_year)) nearest = j;
        }
        const std::size_t start = std::min(nearest > share / 2 ? nearest - share / 2 : 0, list.size() - share);
        for (std::size_t j = start; j < start + share; ++j) shown.push_back(list[j]);
    }
    std::sort(shown.begin(), shown.end());
    return shown;
}

void path_arrowhead(Svg& svg, Placer& placer, double x1, double y1, double x2, double y2)
{
    const double ux = x2 - x1, uy = y2 - y1, l = std::hypot(ux, uy);
    if (l <= 0.0) return;
    const double ax = ux / l, ay = uy / l;
    const std::array<double, 6> tri{x2, y2, x2 - 9 * ax - 4 * ay, y2 - 9 * ay + 4 * ax, x2 - 9 * ax + 4 * ay,
                                    y2 - 9 * ay - 4 * ax};
    svg.poly(num(tri[0]) + "," + num(tri[1]) + " " + num(tri[2]) + "," + num(tri[3]) + " " + num(tri[4]) + "," +
                 num(tri[5]),
             true, "fill:#336");
    placer.block({std::min({tri[0], tri[2], tri[4]}), std::min({tri[1], tri[3], tri[5]}),
                  std::max({tri[0], tri[2], tri[4]}), std::max({tri[1], tri[3], tri[5]})});
}

} // namespace r7::picture
