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
#include "state/store.hpp"

namespace r7 {

namespace {

constexpr int n_points = 18;
constexpr int header_lines = 19;
constexpr std::size_t name_length = 20;

// Scale of the GPS distances: ground distances from the ellipsoid chords.
constexpr double gps_scale = 1.0003608409162221;
// log10 of the solar radius in kilometres (695508 km).
constexpr double log_sun_radius_km = 5.842302129778638;
constexpr double sun_radius_km = 695508.0;
constexpr double au_km = 149597870700.0 * 0.001;

// The points of the monument column, in the order of the bodies Sun, Mercury ...
// Neptune; point 2 (the "luna" unit) and point 7 ("Phaeton") are not fitted.
constexpr std::array<int, 9> fitted_points{1, 3, 4, 5, 6, 8, 9, 10, 11};
constexpr int phaeton_point = 7;
constexpr int luna_point = 2;

// Where the points were read from, for messages about their values.
std::string loaded_file = teoti_file;
std::array<int, n_points + 1> record_line{};

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

// Distance column of the run: 3 metres (GPS or as read), 4 map millimetres.
int distance_column(const RunParams& prm) { return prm.conj_choice == ConjChoice::distances_map ? 4 : 3; }

double d(int a, int b)
{
    double r = 0.0;
    distance(a - 1, b - 1, r);
    return r;
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

void write_heading(int unit, const RunParams& prm, double lbase)
{
    auto& u = io::units();
    const auto& t = astro.teot;
    u.write(unit, "(/30x,a21/25x,a30/32x,a11,i4,a2/)",
            {"Heliosynchronometrics", "of the Pyramids at Teotihuacan", "< R7-option", prm.menu_choice, " >"});
    u.write(unit, "(4x,a13//4x,a8,17x,a27,a5,a15)",
            {"1. INPUT DATA", "Position", " GPS lat.     GPS long.    ", pick(tdi, prm.conj_choice), " [m]     d [mm]"});
    linie(unit, 1);
    for (int p = 1; p <= 15; ++p) {
        const std::string q(1, astro.q(p)), st(1, astro.st(p));
        u.write(unit, "(4x,a20,1x,f13.6,1x,a1,f12.6,1x,a1,f10.2,1x,a1,f9.1,1x,a1)",
                {astro.tname[static_cast<std::size_t>(p)], t(p, 1), q, t(p, 2), q, t(p, 3), st, t(p, 4), st});
        if (p == 11) linie(unit, 2);
    }
    for (int p = 16; p <= 18; ++p) {
        const std::string st(1, astro.st(p));
        u.write(unit, "(4x,a20,7x,a5,9x,a5,2x,f12.2,a2,f9.1,a2)",
                {astro.tname[static_cast<std::size_t>(p)], " --- ", " --- ", t(p, 3), st, t(p, 4), st});
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
void record_points()
{
    auto& tab = results::table(results::TableKind::teoti_points);
    const auto& t = astro.teot;
    for (int p = 1; p <= n_points; ++p) {
        tab.add_row();
        tab.set("point", static_cast<long long>(p));
        std::string name = astro.tname[static_cast<std::size_t>(p)];
        while (!name.empty() && name.back() == ' ') name.pop_back();
        tab.set("name", name);
        if (p <= 15) {
            tab.set("latitude_deg", t(p, 1));
            tab.set("longitude_deg", t(p, 2));
            tab.set("off_axis", astro.q(p) == '*' ? "yes" : "no");
        }
        tab.set("distance_m", t(p, 3));
        tab.set("map_distance_mm", t(p, 4));
        tab.set("combined", astro.st(p) == '+' ? "yes" : "no");
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
void record_epoch(const RunParams& prm, double year, double lbase, double x7)
{
    static constexpr std::string_view fits[] = {"perihelion", "mean", "aphelion"};
    static constexpr std::string_view distances[] = {"", "GPS", "metres", "map"};
    auto& tab = results::table(results::TableKind::teoti_epochs);
    tab.add_row();
    tab.set("year", year);
    tab.set("distances", std::string(distances[std::clamp(prm.conj_choice, 0, 3)]));
    tab.set("unit", std::string(distance_unit(prm)));
    tab.set("planet_unit", std::string(planet_unit(prm)));
    tab.set("log_base", lbase);
    for (int c = 1; c <= 3; ++c) {
        const std::string f(fits[c - 1]);
        tab.set("R2_" + f, astro.bmas(2 * c - 1));
        if (prm.output_detail == OutputDetail::normal) continue;
        tab.set("u_" + f, astro.alin(c));
        tab.set("v_" + f, astro.blin(c));
        tab.set("adj_R2_" + f, astro.bmas(2 * c));
    }
    if (prm.output_detail == OutputDetail::normal) return;
    auto& bodies = results::table(results::TableKind::teoti_bodies);
    auto body = [&](std::string name, double x, double a, double b, double c) {
        bodies.add_row();
        bodies.set("year", year);
        bodies.set("body", std::move(name));
        bodies.set("monument_distance", x);
        bodies.set("log_perihelion", a);
        bodies.set("log_mean", b);
        bodies.set("log_aphelion", c);
    };
    const auto& c = astro.comp;
    for (int r = 1; r <= 9; ++r) {
        std::string name(plan(r - 1));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        body(name, c(r, 1), c(r, 2), c(r, 3), c(r, 4));
    }
    body("Phaeton", x7, astro.phdis(1), astro.phdis(2), astro.phdis(3));
}

void write_epoch(int unit, const RunParams& prm, double year, double x7)
{
    auto& u = io::units();
    const auto& c = astro.comp;
    const auto& b = astro.bmas;
    if (prm.output_detail == OutputDetail::normal) {
        u.write(unit, "(5x,f13.2,4x,3f17.10)", {year, b(1), b(3), b(5)});
        return;
    }
    const bool luna = prm.date_mode == DateMode::unit_luna;
    linie(unit, 1);
    for (int r = 1; r <= 9; ++r) {
        u.write(unit, luna ? "(4x,a10,f14.4,5x,3f14.4)" : "(4x,a10,f13.2,6x,3f14.4)",
                {plan(r - 1), c(r, 1), c(r, 2), c(r, 3), c(r, 4)});
    }
    linie(unit, 2);
    u.write(unit, luna ? "(2x,a10,f16.4,5x,3f14.4)" : "(2x,a10,f15.2,6x,3f14.4)",
            {" (Phaeton)", x7, astro.phdis(1), astro.phdis(2), astro.phdis(3)});
    linie(unit, 2);
    u.write(unit, "(2x,a23,9x,a2,f13.8,2f14.8)",
            {"  linear fit, f(x)=ux+v", "u:", astro.alin(1), astro.alin(2), astro.alin(3)});
    u.write(unit, "(34x,a2,f13.8,2f14.8)", {"v:", astro.blin(1), astro.blin(2), astro.blin(3)});
    linie(unit, 2);
    u.write(unit, "(4x,a12,f11.2,5x,a4,f13.8,2f14.8)", {"Julian year:", year, "R^2:", b(1), b(3), b(5)});
    u.write(unit, "(27x,a9,f13.8,2f14.8)", {"adj. R^2:", b(2), b(4), b(6)});
}

// Logarithmic perihelion, mean and aphelion distances of the eight planets at
// T Julian centuries into comp rows 2 to 9.
void planet_columns(const RunParams& prm, const KeplerTable& table, double T, double lb, int kout)
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
        astro.comp(i + 1, 3) = m;
        astro.comp(i + 1, 2) = std::log10(1.0 - e) / lb + m;
        astro.comp(i + 1, 4) = std::log10(1.0 + e) / lb + m;
    }
}

// Straight-line fits of the three planet columns against the monument column,
// with R^2 and the value of each line at x7.
void fit_lines(double x7)
{
    constexpr int n = 9;
    for (int c = 1; c <= 3; ++c) {
        rcoef2(c, n, astro.bmas);
        double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
        for (int r = 1; r <= n; ++r) {
            const double x = astro.comp(r, 1), y = astro.comp(r, c + 1);
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
        astro.alin(c) = u;
        astro.blin(c) = v;
        astro.phdis(c) = u * x7 + v;
    }
}

} // namespace

void load_teoti(const std::string& file)
{
    std::array<std::string, n_points + 1> names{};
    std::array<char, n_points + 1> qs{}, sts{};
    std::array<std::array<double, 4>, n_points + 1> vals{};
    std::array<int, n_points + 1> lines{};

    io::FreeReader r(file);
    r.skip_lines(header_lines);
    for (int p = 1; p <= n_points; ++p) {
        std::string name, q, st;
        auto& v = vals[static_cast<std::size_t>(p)];
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
        names[static_cast<std::size_t>(p)] = fixed(name, name_length);
        qs[static_cast<std::size_t>(p)] = mark(q);
        sts[static_cast<std::size_t>(p)] = mark(st);
        lines[static_cast<std::size_t>(p)] = line;
    }

    for (int p = 1; p <= n_points; ++p) {
        const auto i = static_cast<std::size_t>(p);
        astro.tname[i] = names[i];
        astro.q(p) = qs[i];
        astro.st(p) = sts[i];
        for (int k = 1; k <= 4; ++k) astro.teot(p, k) = vals[i][static_cast<std::size_t>(k - 1)];
    }
    loaded_file = file;
    record_line = lines;
}

void teoti_gps_distances()
{
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
    for (int p = 1; p <= n_points; ++p) astro.teot(p, 3) = g[static_cast<std::size_t>(p)];
}

double teoti_unit_distance(int p, const RunParams& prm)
{
    const int c = distance_column(prm);
    const double x = astro.teot(p, c);
    if (prm.date_mode != DateMode::unit_luna) return x;
    const double unit = astro.teot(luna_point, c);
    if (unit == 0.0) {
        const int line = record_line[luna_point];
        throw DataError(DataError::Kind::invalid, loaded_file, line,
                        "file \"" + loaded_file + "\", line " + std::to_string(line) +
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

void teoti_run(const RunParams& prm, RunState& /*state*/, const KeplerTable& kepler)
{
    auto& u = io::units();
    if (prm.conj_choice == ConjChoice::distances_gps) teoti_gps_distances();

    // Monument column: the Sun's reference point and the eight planets' points.
    for (int r = 1; r <= 9; ++r) astro.comp(r, 1) = teoti_unit_distance(fitted_points[static_cast<std::size_t>(r - 1)], prm);
    const double x7 = teoti_unit_distance(phaeton_point, prm);

    const double lbase = teoti_base(prm);
    const double lb = std::log10(lbase);
    const double sun = prm.time_scale == 2 ? 0.0 : log_sun_radius_km / lb;
    for (int c = 2; c <= 4; ++c) astro.comp(1, c) = sun;

    for (int unit : u.list()) write_heading(unit, prm, lbase);
    record_points();
    results::record_teoti_axes(fitted_points, distance_unit(prm), planet_unit(prm), lbase);

    const int kout = u.list().front();
    const double t_end = prm.year_to * 0.01 + 1e-8;
    // The epochs are counted, not summed, so that long ranges with fractional
    // steps do not drift away from the years the user asked for.
    auto epoch = [&](long n) { return (prm.year_from + static_cast<double>(n) * prm.step_width) * 0.01; };
    for (long n = 0;; ++n) {
        const double E = epoch(n); // the year in centuries, as printed (times 100)
        // The Kepler elements count Julian centuries from J2000.0: the year 2000
        // is T = 0, not T = 20 (which would give the orbits of the year 4000).
        planet_columns(prm, kepler, E - 20.0, lb, kout);
        fit_lines(x7);
        for (int unit : u.list()) write_epoch(unit, prm, E * 100.0, x7);
        results::record_teoti_epoch(E * 100.0, prm.output_detail);
        record_epoch(prm, E * 100.0, lbase, x7);
        if (!(prm.step_width > 0.0) || epoch(n + 1) > t_end) break;
    }
}

} // namespace r7
