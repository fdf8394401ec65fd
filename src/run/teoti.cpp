// The Teotihuacan distance report.
#include "run/teoti.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "ephemeris/kepler.hpp"
#include "fit/regress.hpp"
#include "report/results.hpp"
#include "fit/triangle.hpp"
#include "io/error.hpp"
#include "io/freeread.hpp"
#include "io/layout.hpp"
#include "io/units.hpp"
#include "io/lines.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"

namespace r7 {

namespace {

constexpr int n_points = 18;
constexpr int header_lines = 19;
constexpr std::size_t name_length = 20;

// Scale of the GPS distances: ground distances from the ellipsoid chords.
constexpr double gps_scale = 1.0003608409162221;
// log10 of the solar radius in kilometres (695508 km).
constexpr double log_sun_radius_km = 5.842302129778638;
constexpr double sun_radius_km = sun_radius_m * 0.001;
constexpr double au_km = au_m * 0.001;

// The points of the monument column, in the order of the bodies Sun, Mercury ...
// Neptune; point 2 (the "luna" unit) and point 7 ("Phaeton") are not fitted.
constexpr std::array<int, 9> fitted_points{1, 3, 4, 5, 6, 8, 9, 10, 11};
constexpr int phaeton_point = 7;
constexpr int luna_point = 2;

// The comparison table of one epoch (comp): the monument distances x of the
// nine fitted points, and the logarithmic perihelion, mean and aphelion
// distances y of the Sun and the planets Mercury to Neptune; the three
// straight-line fits y = u x + v (alin, blin), the value of each line at point
// 7 (phdis) and their coefficients of determination (bmas).
struct Comparison {
    std::array<double, 9> x{};
    std::array<std::array<double, 9>, 3> y{};
    std::array<double, 3> u{}, v{}, at7{};
    std::array<RSquared, 3> r2{};
};

const TeotiPoint& point(const TeotiPoints& points, int p) { return points[static_cast<std::size_t>(p - 1)]; }

// Text tables of the report.
constexpr std::array<std::string_view, 4> tdi{"", "\"GPS\"", "dist.", "dist."};
constexpr std::array<std::string_view, 3> tluna{"", "normal (mm or m)           ", "Sun unit (Plaza de la Luna)"};
constexpr std::array<std::string_view, 3> trsun{"", "normal (km)", "Sun radius "};
constexpr std::array<std::string_view, 4> di{"", "- R^2 (GPS)", " R^2 (real)", "- R^2 (Map)"};
constexpr std::array<std::string_view, 7> di2{"",
                                              "GPS dist. [m] ",
                                              "real dist. [m]",
                                              "Map dist. [mm]",
                                              " GPS distance ",
                                              " real distance",
                                              " Map distance "};
constexpr std::array<std::string_view, 3> di3{"", "log(per./km)   log(a/km)    log(aph./km)",
                                              "log(per./Rs)   log(a/Rs)    log(aph./Rs)"};

// Index into a text table, held inside its range (parameter sets are not
// range-checked; an unknown code shows the first entry rather than reading
// outside the table).
template <std::size_t N>
std::string_view pick(const std::array<std::string_view, N>& table, int i)
{
    return table[(i >= 1 && static_cast<std::size_t>(i) < N) ? static_cast<std::size_t>(i) : 1];
}

// The distance of the run's column: metres (GPS or as read), or map millimetres.
double distance_of(const TeotiPoint& t, const RunParams& prm)
{
    return prm.conj_choice == ConjChoice::distances_map ? t.map : t.dist;
}

// A text padded with blanks on the right (or cut) to n characters, as a fixed
// length text field holds it.
std::string fixed(std::string s, std::size_t n)
{
    s.resize(n, ' ');
    return s;
}

// A one-character mark: the first character of the item, a blank when empty.
char mark(const std::string& s) { return s.empty() ? ' ' : s.front(); }

[[noreturn]] void bad_value(const std::string& file, int line, const std::string& what)
{
    throw DataError(DataError::Kind::invalid, file, line, "file \"" + file + "\", line " + std::to_string(line) + ": " + what);
}

void write_heading(int unit, const RunParams& prm, double lbase, const TeotiPoints& points)
{
    auto& u = io::units();
    u.write(unit, "(/30x,a21/25x,a30/32x,a11,i4,a2/)",
            {"Heliosynchronometrics", "of the Pyramids at Teotihuacan", "< R7-option", prm.menu_choice, " >"});
    u.write(unit, "(4x,a13//4x,a8,17x,a27,a5,a15)",
            {"1. INPUT DATA", "Position", " GPS lat.     GPS long.    ", pick(tdi, prm.conj_choice), " [m]     d [mm]"});
    linie(unit, 1);
    for (int p = 1; p <= 15; ++p) {
        const TeotiPoint& t = point(points, p);
        const std::string q(1, t.q), st(1, t.st);
        u.write(unit, "(4x,a20,1x,f13.6,1x,a1,f12.6,1x,a1,f10.2,1x,a1,f9.1,1x,a1)",
                {t.name, t.lat, q, t.lon, q, t.dist, st, t.map, st});
        if (p == 11) linie(unit, 2);
    }
    for (int p = 16; p <= 18; ++p) {
        const TeotiPoint& t = point(points, p);
        const std::string st(1, t.st);
        u.write(unit, "(4x,a20,7x,a5,9x,a5,2x,f12.2,a2,f9.1,a2)", {t.name, " --- ", " --- ", t.dist, st, t.map, st});
    }
    linie(unit, 1);
    u.write(unit, "(40x,a38)", {"(* pyramid/temple position - off-axis)"});
    u.write(unit, "(40x,a38)", {"(+ sum or difference of two distances)"});
    if (prm.conj_choice == ConjChoice::distances_gps)
        u.write(unit, "(40x,a38)", {"(Data in column \"GPS\" are GPS-results)"});
    u.write(unit, "(/4x,a18//4x,a25,3x,a27/4x,a25,3x,a11)",
            {"2. CALCULATED DATA", "Teotihuacan, length unit:", pick(tluna, prm.date_mode), "astronomical length unit:",
             pick(trsun, prm.time_scale)});
    u.write(unit, lbase < 9.99995 ? "(4x,a25,f9.4)" : "(4x,a25,f10.4)", {"logarithmic base (astr.):", lbase});
    if (prm.output_detail == OutputDetail::normal) {
        u.write(unit, "(/26x,18('-'),a11,1x,18('-'))", {pick(di, prm.conj_choice)});
        u.put(unit, io::free_form({"       Julian year       (per. dist", "ance)        (a)       (aph. distance)"}));
        linie(unit, 1);
    } else {
        const int k = prm.conj_choice + 3 * (prm.date_mode - 1);
        u.write(unit, "(/4x,a4,9x,a14,7x,a40)", {"Body", pick(di2, k), pick(di3, prm.time_scale)});
    }
}

// The input points as the heading lists them, for out-points.csv: points 16 to
// 18 are sums of two distances and have no position.
void record_points(results::Run& out, const TeotiPoints& points)
{
    auto& tab = results::table(out, results::TableKind::teoti_points);
    for (int p = 1; p <= n_points; ++p) {
        const TeotiPoint& t = point(points, p);
        tab.add_row();
        tab.set("point", static_cast<long long>(p));
        std::string name = t.name;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        tab.set("name", name);
        if (p <= 15) {
            tab.set("latitude_deg", t.lat);
            tab.set("longitude_deg", t.lon);
            tab.set("off_axis", t.q == '*' ? "yes" : "no");
        }
        tab.set("distance_m", t.dist);
        tab.set("map_distance_mm", t.map);
        tab.set("combined", t.st == '+' ? "yes" : "no");
    }
}

// The unit of the monument distances and of the planets' distances.
std::string_view distance_unit(const RunParams& prm)
{
    if (prm.date_mode == DateMode::unit_luna) return "luna";
    return prm.conj_choice == ConjChoice::distances_map ? "mm" : "m";
}
std::string_view planet_unit(const RunParams& prm) { return prm.time_scale == 2 ? "Sun radius" : "km"; }

// One epoch for out.csv (the three fits) and, where the report lists them, its
// body distances for out-bodies.csv.
void record_epoch(results::Run& out, const RunParams& prm, double year, double lbase, double x7,
                  const Comparison& cmp)
{
    static constexpr std::string_view fits[] = {"perihelion", "mean", "aphelion"};
    static constexpr std::string_view distances[] = {"", "GPS", "metres", "map"};
    auto& tab = results::table(out, results::TableKind::teoti_epochs);
    tab.add_row();
    tab.set("year", year);
    tab.set("distances", std::string(distances[std::clamp(prm.conj_choice, 0, 3)]));
    tab.set("unit", std::string(distance_unit(prm)));
    tab.set("planet_unit", std::string(planet_unit(prm)));
    tab.set("log_base", lbase);
    for (int c = 1; c <= 3; ++c) {
        const std::string f(fits[c - 1]);
        const auto i = static_cast<std::size_t>(c - 1);
        tab.set("R2_" + f, cmp.r2[i].r2);
        if (prm.output_detail == OutputDetail::normal) continue;
        tab.set("u_" + f, cmp.u[i]);
        tab.set("v_" + f, cmp.v[i]);
        tab.set("adj_R2_" + f, cmp.r2[i].adjusted);
    }
    if (prm.output_detail == OutputDetail::normal) return;
    auto& bodies = results::table(out, results::TableKind::teoti_bodies);
    auto body = [&](std::string name, double x, double a, double b, double c) {
        bodies.add_row();
        bodies.set("year", year);
        bodies.set("body", std::move(name));
        bodies.set("monument_distance", x);
        bodies.set("log_perihelion", a);
        bodies.set("log_mean", b);
        bodies.set("log_aphelion", c);
    };
    for (std::size_t r = 0; r < 9; ++r) {
        std::string name(plan(static_cast<int>(r)));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        body(name, cmp.x[r], cmp.y[0][r], cmp.y[1][r], cmp.y[2][r]);
    }
    body("Phaeton", x7, cmp.at7[0], cmp.at7[1], cmp.at7[2]);
}

void write_epoch(int unit, const RunParams& prm, double year, double x7, const Comparison& cmp)
{
    auto& u = io::units();
    const auto& b = cmp.r2;
    if (prm.output_detail == OutputDetail::normal) {
        u.write(unit, "(5x,f13.2,4x,3f17.10)", {year, b[0].r2, b[1].r2, b[2].r2});
        return;
    }
    const bool luna = prm.date_mode == DateMode::unit_luna;
    linie(unit, 1);
    for (std::size_t r = 0; r < 9; ++r) {
        u.write(unit, luna ? "(4x,a10,f14.4,5x,3f14.4)" : "(4x,a10,f13.2,6x,3f14.4)",
                {plan(static_cast<int>(r)), cmp.x[r], cmp.y[0][r], cmp.y[1][r], cmp.y[2][r]});
    }
    linie(unit, 2);
    u.write(unit, luna ? "(2x,a10,f16.4,5x,3f14.4)" : "(2x,a10,f15.2,6x,3f14.4)",
            {" (Phaeton)", x7, cmp.at7[0], cmp.at7[1], cmp.at7[2]});
    linie(unit, 2);
    u.write(unit, "(2x,a23,9x,a2,f13.8,2f14.8)", {"  linear fit, f(x)=ux+v", "u:", cmp.u[0], cmp.u[1], cmp.u[2]});
    u.write(unit, "(34x,a2,f13.8,2f14.8)", {"v:", cmp.v[0], cmp.v[1], cmp.v[2]});
    linie(unit, 2);
    u.write(unit, "(4x,a12,f11.2,5x,a4,f13.8,2f14.8)", {"Julian year:", year, "R^2:", b[0].r2, b[1].r2, b[2].r2});
    u.write(unit, "(27x,a9,f13.8,2f14.8)", {"adj. R^2:", b[0].adjusted, b[1].adjusted, b[2].adjusted});
}

// Logarithmic perihelion, mean and aphelion distances of the eight planets at
// T Julian centuries into the comparison rows 2 to 9.
void planet_columns(const RunParams& prm, const KeplerTable& table, double T, double lb, int kout, Comparison& cmp)
{
    const int frame = prm.frame_choice == 2 ? 2 : 1;
    for (int i = 1; i <= 8; ++i) {
        const KeplerPlace kp = vsop3(table, frame, i, T, kout);
        const KeplerElements& el = kp.el;
        if (kp.ke != 0) {
            throw RunStop(exit_computation, "the Kepler routine vsop3 failed (ke = " + std::to_string(kp.ke) +
                                                ") for " + std::string(plan(i)).substr(0, 7) + " in year " +
                                                std::to_string(2000.0 + T * 100.0));
        }
        double a = el(2);
        const double e = el(3);
        if (!(a > 0.0) || !(e >= 0.0 && e < 1.0)) {
            throw RunStop(exit_computation, "the Kepler elements of planet " + std::to_string(i) +
                                                " give no closed orbit (a = " + std::to_string(a) +
                                                " AU, e = " + std::to_string(e) + ")");
        }
        if (prm.time_scale == 2) a /= sun_radius_km;
        const double m = std::log10(a * au_km) / lb;
        const auto r = static_cast<std::size_t>(i);
        cmp.y[1][r] = m;
        cmp.y[0][r] = std::log10(1.0 - e) / lb + m;
        cmp.y[2][r] = std::log10(1.0 + e) / lb + m;
    }
}

// Straight-line fits of the three planet columns against the monument column,
// with R^2 and the value of each line at x7.
void fit_lines(double x7, Comparison& cmp)
{
    constexpr int n = 9;
    for (std::size_t c = 0; c < 3; ++c) {
        cmp.r2[c] = rcoef2(cmp.x, cmp.y[c]);
        double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
        for (std::size_t r = 0; r < 9; ++r) {
            const double x = cmp.x[r], y = cmp.y[c][r];
            sx += x;
            sy += y;
            sxx += x * x;
            sxy += x * y;
        }
        const double dn = n * sxx - sx * sx;
        double u = 0.0, v = sy / n;
        // All monument distances equal: no slope can be fitted; the line
        // through the mean of the y values is the best horizontal one.
        if (dn != 0.0) {
            u = (n * sxy - sx * sy) / dn;
            v = (sy * sxx - sx * sxy) / dn;
        }
        cmp.u[c] = u;
        cmp.v[c] = v;
        cmp.at7[c] = u * x7 + v;
    }
}

} // namespace

TeotiSite load_teoti(const std::string& file)
{
    TeotiSite site;
    site.file = file;
    io::FreeReader r(file);
    r.skip_lines(header_lines);
    for (int p = 1; p <= n_points; ++p) {
        std::string name, q, st;
        std::array<double, 4> v{};
        // Items left out by a slash stay empty / NaN and are refused below.
        v.fill(std::nan(""));
        try {
            r.read({&name, &q, &st, &v[0], &v[1], &v[2], &v[3]});
        } catch (const DataError& e) {
            throw DataError(e.kind(), file, e.line(),
                            std::string(e.what()) + " (point " + std::to_string(p) + " of " +
                                std::to_string(n_points) + ")");
        }
        const int line = r.line();
        for (double x : v) {
            if (!std::isfinite(x)) bad_value(file, line, "point " + std::to_string(p) + " needs four finite numbers");
        }
        if (p <= 15 && !(std::fabs(v[0]) < 90.0)) {
            bad_value(file, line, "point " + std::to_string(p) + ": latitude " + std::to_string(v[0]) +
                                      " outside -90..90 degrees");
        }
        const auto i = static_cast<std::size_t>(p - 1);
        site.points[i] = {fixed(name, name_length), mark(q), mark(st), v[0], v[1], v[2], v[3]};
        site.line[i] = line;
    }
    return site;
}

void teoti_gps_distances(TeotiPoints& points)
{
    auto d = [&](int a, int b) { return distance(points, a - 1, b - 1); };
    std::array<double, n_points + 1> g{};
    const double dd = d(1, 15);
    for (int p = 1; p <= n_points; ++p) {
        double x;
        if (p == 5) {
            x = d(1, 3) + d(3, 5);
        } else if (p <= 11) {
            x = d(1, p);
        } else if (p <= 14) {
            x = dd - d(p, 15);
        } else if (p == 15) {
            x = dd;
        } else {
            x = dd + d(30 - p, 15); // 16, 17, 18 mirror 14, 13, 12
        }
        g[static_cast<std::size_t>(p)] = x * gps_scale;
    }
    for (int p = 1; p <= n_points; ++p) points[static_cast<std::size_t>(p - 1)].dist = g[static_cast<std::size_t>(p)];
}

double teoti_unit_distance(const TeotiSite& site, int p, const RunParams& prm)
{
    const double x = distance_of(point(site.points, p), prm);
    if (prm.date_mode != DateMode::unit_luna) return x;
    const double unit = distance_of(point(site.points, luna_point), prm);
    if (unit == 0.0) {
        const int line = site.line[luna_point - 1];
        throw DataError(DataError::Kind::invalid, site.file, line,
                        "file \"" + site.file + "\", line " + std::to_string(line) +
                            ": the \"luna\" unit, the distance of point 2, is zero");
    }
    return x / unit;
}

double teoti_base(const RunParams& prm)
{
    double b = 0.0;
    switch (prm.calendar_choice) {
    case 1: b = 10.0; break;
    case 3: b = 3.0; break;
    case 4: b = prm.tol_short; break;
    default: b = 0.0; break;
    }
    if (!(b > 1.0) || !std::isfinite(b)) {
        throw RunStop(exit_computation, "Teotihuacan: logarithmic base " + std::to_string(b) +
                                            " (choice " + std::to_string(prm.calendar_choice) +
                                            ") is not above 1");
    }
    return b;
}

void teoti_run(const RunParams& prm, const TeotiSite& loaded, const KeplerTable& kepler, results::Run& out)
{
    auto& u = io::units();
    TeotiSite site = loaded;
    if (prm.conj_choice == ConjChoice::distances_gps) teoti_gps_distances(site.points);

    // Monument column: the Sun's reference point and the eight planets' points.
    Comparison cmp;
    for (std::size_t r = 0; r < 9; ++r) cmp.x[r] = teoti_unit_distance(site, fitted_points[r], prm);
    const double x7 = teoti_unit_distance(site, phaeton_point, prm);

    const double lbase = teoti_base(prm);
    const double lb = std::log10(lbase);
    const double sun = prm.time_scale == 2 ? 0.0 : log_sun_radius_km / lb;
    for (auto& column : cmp.y) column[0] = sun;

    for (int unit : u.list()) write_heading(unit, prm, lbase, site.points);
    record_points(out, site.points);
    std::array<std::string, 9> names;
    for (std::size_t r = 0; r < 9; ++r) names[r] = point(site.points, fitted_points[r]).name;
    results::record_teoti_axes(out, names, distance_unit(prm), planet_unit(prm), lbase);

    const int kout = u.list().front();
    const double t_end = prm.year_to * 0.01 + 1e-8;
    // The epochs are counted, not summed, so that long ranges with fractional
    // steps do not drift away from the years the user asked for.
    auto epoch = [&](long n) { return (prm.year_from + static_cast<double>(n) * prm.step_width) * 0.01; };
    for (long n = 0;; ++n) {
        const double E = epoch(n); // the year in centuries, as printed (times 100)
        // The Kepler elements count Julian centuries from J2000.0: the year 2000
        // is T = 0, not T = 20 (which would give the orbits of the year 4000).
        planet_columns(prm, kepler, E - 20.0, lb, kout, cmp);
        fit_lines(x7, cmp);
        for (int unit : u.list()) write_epoch(unit, prm, E * 100.0, x7, cmp);
        results::record_teoti_epoch(out, {.year = E * 100.0, .x = cmp.x, .y = cmp.y, .u = cmp.u, .v = cmp.v,
                                     .r2 = {cmp.r2[0].r2, cmp.r2[1].r2, cmp.r2[2].r2}, .detail = prm.output_detail});
        record_epoch(out, prm, E * 100.0, lbase, x7, cmp);
        if (!(prm.step_width > 0.0) || epoch(n + 1) > t_end) break;
    }
}

} // namespace r7
