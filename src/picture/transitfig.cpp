#include "picture/transitfig.hpp"

#include <cmath>
#include <cstdio>

#include "picture/chart.hpp"
#include "picture/svg.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"

namespace r7::picture {
namespace {

constexpr double sun_px = 112.0;                 // the Sun's radius in the diagram
constexpr double centre_x = transit_width / 2.0;
constexpr double centre_y = 160.0;
constexpr double sun_radius_m = 695508000.0;
constexpr double au_m = 149597870700.0;

const char* const phase_names[5] = {"I", "II", "greatest", "III", "IV"};

std::string hms(const results::Phase& p)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", p.h, p.m, p.s);
    return buf;
}

std::string planet_name(int body) { return body == 2 ? "Venus" : "Mercury"; }

} // namespace

double mean_sun_radius_arcsec() { return std::asin(sun_radius_m / au_m) * arcsec_per_rad; }

TransitGeometry transit_geometry(const results::Transit& t)
{
    TransitGeometry g;
    const double sd_sun = t.sd_sun > 0.0 ? t.sd_sun : mean_sun_radius_arcsec();
    g.scale = sun_px / sd_sun;
    g.sun = {centre_x, centre_y, sun_px};
    g.celestial = t.date_mode == DateMode::phases_and_pa;
    const double rp = t.sd_planet * g.scale;
    const std::array<double, 5> dist{sd_sun + t.sd_planet, sd_sun - t.sd_planet, std::abs(t.sep),
                                     sd_sun - t.sd_planet, sd_sun + t.sd_planet};
    for (std::size_t i = 0; i < 5; ++i) g.has[i] = t.phase[i].has;

    // Offsets from the Sun's centre in pixels, x to the right (west), y down.
    std::array<double, 5> dx{}, dy{};
    if (g.celestial) {
        // Position angle counted from north through east; east is to the left.
        for (std::size_t i = 0; i < 5; ++i) {
            const double r = dist[i] * g.scale, pa = t.phase[i].pa * rad_per_deg;
            dx[i] = -r * std::sin(pa);
            dy[i] = -r * std::cos(pa);
        }
    } else {
        // Without position angles the path is drawn east to west with the
        // planet north of the centre for a positive least separation.
        const double yg = -t.sep * g.scale;
        for (std::size_t i = 0; i < 5; ++i) {
            const double r = dist[i] * g.scale;
            const double half = std::sqrt(std::max(0.0, r * r - yg * yg));
            dx[i] = i < 2 ? -half : i == 2 ? 0.0 : half;
            dy[i] = yg;
        }
    }
    for (std::size_t i = 0; i < 5; ++i) g.planet[i] = {centre_x + dx[i], centre_y + dy[i], rp};

    // The path: through the greatest transit, perpendicular to its radius, from
    // the side of contact I (or from the east) to the other side.
    const double gx = dx[2], gy = dy[2];
    const double gr = std::hypot(gx, gy);
    double ux = 1.0, uy = 0.0;
    if (g.celestial && g.has[0] && g.has[4]) {
        const double ex = dx[4] - dx[0], ey = dy[4] - dy[0];
        const double el = std::hypot(ex, ey);
        if (el > 0.0) { ux = ex / el; uy = ey / el; }
    } else if (g.celestial && gr > 1e-9) {
        ux = -gy / gr;
        uy = gx / gr;
        if (ux < 0.0) { ux = -ux; uy = -uy; }
    }
    const double half = (sd_sun + t.sd_planet) * g.scale * 1.25;
    g.x1 = centre_x + gx - ux * half;
    g.y1 = centre_y + gy - uy * half;
    g.x2 = centre_x + gx + ux * half;
    g.y2 = centre_y + gy + uy * half;
    return g;
}

std::string transit_svg(const results::Transit& t)
{
    const TransitGeometry g = transit_geometry(t);
    const std::string ts = t.time_scale == TimeScale::ut ? "UT" : "TT";
    Svg svg(transit_width, transit_height, "Transit of " + planet_name(t.body) + ", " + t.date);
    svg.text(transit_width / 2.0, 18.0, planet_name(t.body) + "  " + t.date, "middle", 13.0, "font-weight:bold");

    svg.circle(g.sun.cx, g.sun.cy, g.sun.r, "fill:#fff3b0;stroke:#c80;stroke-width:1.2");
    svg.line(g.x1, g.y1, g.x2, g.y2, "stroke:#336;stroke-width:1;stroke-dasharray:4 3");
    // An arrow head at the exit end of the path.
    {
        const double ux = (g.x2 - g.x1), uy = (g.y2 - g.y1), l = std::hypot(ux, uy);
        if (l > 0.0) {
            const double ax = ux / l, ay = uy / l;
            svg.poly(num(g.x2) + "," + num(g.y2) + " " + num(g.x2 - 9 * ax - 4 * ay) + "," + num(g.y2 - 9 * ay + 4 * ax) +
                         " " + num(g.x2 - 9 * ax + 4 * ay) + "," + num(g.y2 - 9 * ay - 4 * ax),
                     true, "fill:#336");
        }
    }
    for (std::size_t i = 0; i < 5; ++i) {
        if (!g.has[i]) continue;
        const Disk& d = g.planet[i];
        // A small disk gets a ring around it so that it can be found.
        if (d.r < 2.0) svg.circle(d.cx, d.cy, 3.5, "fill:none;stroke:#a00;stroke-width:0.8");
        svg.circle(d.cx, d.cy, d.r, "fill:#111");
        // The label outward from the Sun's centre (below the path for the greatest transit).
        double ox = d.cx - g.sun.cx, oy = d.cy - g.sun.cy;
        const double ol = std::hypot(ox, oy);
        if (i == 2 || ol < 1.0) { ox = 0.0; oy = 1.0; } else { ox /= ol; oy /= ol; }
        // External contacts are labelled outside the limb, internal ones inside,
        // so that the labels of neighbouring contacts do not overlap.
        const double off = (i == 1 || i == 3) ? -14.0 : 16.0;
        const double lx = d.cx + ox * off, ly = d.cy + oy * off + 4.0;
        const std::string name = i == 2 ? "G" : phase_names[i];
        svg.text(lx, ly, name, "middle", 11.0, "font-weight:bold;fill:#a00");
    }

    // North arrow and east mark in the top right corner.
    const double nx = transit_width - 28.0, ny = 64.0;
    const std::string frame = g.celestial ? "N" : "N(ecl.)";
    svg.line(nx, ny, nx, ny - 30.0, "stroke:#000;stroke-width:1.2");
    svg.poly(num(nx) + "," + num(ny - 34.0) + " " + num(nx - 4.0) + "," + num(ny - 26.0) + " " + num(nx + 4.0) + "," +
                 num(ny - 26.0),
             true, "fill:#000");
    svg.text(nx, ny - 37.0, frame, "middle", 10.0);
    svg.line(nx, ny, nx - 24.0, ny, "stroke:#000;stroke-width:1.2");
    svg.text(nx - 28.0, ny + 4.0, "E", "end", 10.0);

    // Scale bar: 200 arc seconds.
    const double bar = 200.0 * g.scale;
    svg.line(12.0, 300.0, 12.0 + bar, 300.0, "stroke:#000;stroke-width:2");
    svg.text(12.0 + bar / 2.0, 294.0, "200\u2033", "middle", 10.0);

    // Legend: class, least separation, series, the phases with their times.
    char line1[160];
    std::snprintf(line1, sizeof line1, "class %c   least sep. %.1f\u2033   series %d%s", t.letter == ' ' ? '-' : t.letter,
                  t.sep, t.series, t.node == '/' ? "  asc. node" : "");
    svg.text(transit_width - 10.0, 300.0, line1, "end", 10.0);
    std::string times;
    for (std::size_t i = 0; i < 5; ++i) {
        if (!g.has[i]) continue;
        times += std::string(i == 2 ? "G" : phase_names[i]) + " " + hms(t.phase[i]) + "  ";
    }
    svg.text(10.0, 322.0, times.substr(0, times.find("III") == std::string::npos ? times.size() : times.find("III")),
             "start", 10.0);
    if (times.find("III") != std::string::npos) svg.text(10.0, 338.0, times.substr(times.find("III")), "start", 10.0);
    svg.text(10.0, 358.0,
             ts + (g.celestial ? ", celestial north up, east left" : ", ecliptic north up (no position angles)"),
             "start", 9.5, "fill:#555");
    return svg.str();
}

std::string separation_chart_svg(const std::vector<results::Transit>& rows)
{
    std::vector<double> xs, ys;
    const double rs = mean_sun_radius_arcsec();
    ys.push_back(rs);
    ys.push_back(-rs);
    for (const auto& r : rows) {
        xs.push_back(r.year);
        ys.push_back(r.sep);
    }
    const bool estimate = !rows.empty() && rows.front().date_mode == DateMode::equal_longitude;
    const std::string planet = rows.empty() ? "" : planet_name(rows.front().body);
    Chart c(900.0, 360.0, "Transits of " + planet + ": least separation", axis_over(xs, 0.03, "year"),
            axis_over(ys, 0.08, estimate ? "separation estimate from latitudes [\u2033]" : "least separation [\u2033]"));
    std::vector<std::pair<double, double>> full, part;
    for (const auto& r : rows) {
        const bool partial = r.letter == 'm' || r.letter == 'v';
        (partial ? part : full).emplace_back(r.year, r.sep);
    }
    c.hline(rs, "#c80", true, "solar radius (mean, " + num(rs) + "\u2033)");
    c.hline(-rs, "#c80", true, "");
    c.hline(0.0, "#888", false, "");
    c.points(full, "#236", 'o', "transit");
    if (!part.empty()) c.points(part, "#c33", 't', "visible from part of the Earth (m/v)");
    return c.str();
}

} // namespace r7::picture
