#include "report/results.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <stdexcept>

#include "report/localblock.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"
#include "time/time.hpp"

namespace r7::results {

namespace {

// The columns of each table. A name ends with its unit where it has one:
// _deg degrees, _arcsec arc seconds, _m metres, _au astronomical units, _km
// kilometres, _days days, _h hours, _percent per cent; _jde_tt a Julian
// Ephemeris Day (Terrestrial Time), _time the same instant as an ISO 8601 date
// and time in the run's time scale (column time_scale) and calendar (column
// calendar).
constexpr std::string_view transit_columns[] = {
    "planet", "planet_name", "date_mode", "date_mode_name", "time_scale", "calendar",
    "label", "class", "class_meaning", "type", "type_meaning", "k", "year",
    "event_jde_tt", "event_time", "offset_days",
    "dl_mercury_venus_deg", "dl_mercury_earth_deg", "dl_mercury_mars_deg",
    "contact_I_jde_tt", "contact_I_time", "contact_II_jde_tt", "contact_II_time",
    "greatest_jde_tt", "greatest_time", "contact_III_jde_tt", "contact_III_time",
    "contact_IV_jde_tt", "contact_IV_time",
    "separation_arcsec", "node", "node_meaning",
    "pa_I_deg", "pa_II_deg", "pa_greatest_deg", "pa_III_deg", "pa_IV_deg",
    "sd_sun_arcsec", "sd_planet_arcsec", "series"};

constexpr std::string_view syzygy_columns[] = {
    "planets", "number", "label", "mark_mercury", "mark_mercury_meaning", "mark_venus", "mark_venus_meaning",
    "k", "jde_tt", "time", "time_scale", "calendar", "year", "offset_days",
    "dl_mercury_venus_deg", "dl_mercury_earth_deg", "dl_mercury_mars_deg", "spread_deg"};

constexpr std::string_view site_columns[] = {
    "site", "site_name", "sun_mode", "sun_mode_name", "label", "quality", "k", "jde_tt", "time", "time_scale",
    "calendar", "year", "offset_days", "offset_h", "step", "lon_mercury_deg", "dl_mercury_venus_deg", "dl_mercury_earth_deg",
    "deviation_a_deg", "deviation_b_deg", "fit_status", "fit_status_meaning", "evaluations", "x5_deg",
    "scale_m_per_au", "sun_elevation_deg", "sun_x_m", "sun_y_m", "sun_z_m", "dr_m", "view_mark",
    "view_mark_meaning", "F_percent"};

constexpr std::string_view teoti_epoch_columns[] = {
    "year", "distances", "unit", "planet_unit", "log_base",
    "u_perihelion", "v_perihelion", "R2_perihelion", "adj_R2_perihelion",
    "u_mean", "v_mean", "R2_mean", "adj_R2_mean",
    "u_aphelion", "v_aphelion", "R2_aphelion", "adj_R2_aphelion"};

constexpr std::string_view teoti_body_columns[] = {
    "year", "body", "monument_distance", "log_perihelion", "log_mean", "log_aphelion"};

constexpr std::string_view teoti_point_columns[] = {
    "point", "name", "latitude_deg", "longitude_deg", "off_axis", "distance_m", "map_distance_mm", "combined"};

constexpr std::string_view planet_columns[] = {
    "jde_tt", "time", "calendar", "listing", "body", "body_name", "x", "y", "z", "unit", "lon_deg", "lat_deg",
    "r_au", "lm_minus_l_deg", "deviation_deg", "dr_m", "latitude_N_deg", "longitude_E_deg"};

// The local columns of a transit run with a site: the site, the kind of
// transit there, its least separation and semidiameters, and for each phase
// (contact_I, contact_II, greatest, contact_III, contact_IV) its instant, the
// Sun's altitude and azimuth, the position angle and the zenith angle of the
// planet on the disk, and whether the Sun's centre is below the horizon (1) or
// not (0).
constexpr std::string_view local_columns[] = {
    "site_name", "site_latitude_deg", "site_longitude_deg", "site_height_m",
    "local_type", "local_type_meaning", "local_separation_arcsec", "local_sd_sun_arcsec", "local_sd_planet_arcsec"};
constexpr std::string_view local_phase_names[] = {"contact_I", "contact_II", "greatest", "contact_III", "contact_IV"};
constexpr std::string_view local_phase_columns[] = {"_jde_tt", "_time", "_sun_altitude_deg", "_sun_azimuth_deg",
                                                    "_pa_deg", "_zenith_angle_deg", "_sun_below_horizon"};

std::string local_column(std::size_t phase, std::size_t column)
{
    return "local_" + std::string(local_phase_names[phase]) + std::string(local_phase_columns[column]);
}

// The transit columns, then the local ones.
std::span<const std::string_view> transit_site_columns()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (std::size_t ph = 0; ph < std::size(local_phase_names); ++ph) {
            for (std::size_t c = 0; c < std::size(local_phase_columns); ++c) n.push_back(local_column(ph, c));
        }
        return n;
    }();
    static const std::vector<std::string_view> columns = [] {
        std::vector<std::string_view> c(std::begin(transit_columns), std::end(transit_columns));
        c.insert(c.end(), std::begin(local_columns), std::end(local_columns));
        for (const auto& n : names) c.push_back(n);
        return c;
    }();
    return columns;
}

struct Schema {
    TableKind kind;
    std::string_view file;
    std::span<const std::string_view> columns;
};

constexpr Schema schemas[] = {
    {TableKind::transits, "out.csv", transit_columns},
    {TableKind::syzygies, "out.csv", syzygy_columns},
    {TableKind::site_rows, "out.csv", site_columns},
    {TableKind::teoti_epochs, "out.csv", teoti_epoch_columns},
    {TableKind::teoti_bodies, "out-bodies.csv", teoti_body_columns},
    {TableKind::teoti_points, "out-points.csv", teoti_point_columns},
    {TableKind::planets, "out-planets.csv", planet_columns},
};

const Schema& schema(TableKind kind)
{
    static const Schema at_site{TableKind::transits_at_site, "out.csv", transit_site_columns()};
    if (kind == TableKind::transits_at_site) return at_site;
    for (const auto& s : schemas) {
        if (s.kind == kind) return s;
    }
    throw std::logic_error("no such table");
}

std::string trimmed(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
}

// The instant t (TT) in the run's time scale as an ISO 8601 date and time.
std::string time_text(double t, int time_scale, int calendar)
{
    if (t == 0.0) return {};
    if (time_scale == TimeScale::ut) delta_t(t);
    return iso_date_time(civil_time(t, calendar));
}

std::string calendar_name(double t, int calendar)
{
    return civil_time(t, calendar).julian ? "Julian" : "Gregorian";
}

} // namespace

std::string_view class_meaning(char c)
{
    switch (c) {
    case 'M': case 'V': return "inside the Sun's disk for every observer on the Earth";
    case 'm': case 'v': return "on the Sun's disk for part of the Earth only";
    case 'C': return "central: the planet's disk covers the Sun's centre (seen from the Earth's centre)";
    case 'c': return "central for some observer on the Earth";
    case '-': return "near miss: up to 1 % beyond the widest limit";
    default: return "";
    }
}

std::string_view type_meaning(int type)
{
    static constexpr std::string_view names[] = {"", "on the disk for part of the Earth only",
                                                  "external contacts only (grazing)", "all four contacts"};
    return names[std::clamp(type, 0, 3)];
}

std::string_view table_file(TableKind kind) { return schema(kind).file; }
std::span<const std::string_view> table_columns(TableKind kind) { return schema(kind).columns; }

csv::Table& table(Run& run, TableKind kind)
{
    auto& tables = run.tables;
    for (auto& [k, t] : tables) {
        if (k == kind) return t;
    }
    const Schema& s = schema(kind);
    tables.emplace_back(kind, csv::Table(std::string(s.file), s.columns));
    return tables.back().second;
}

void start_tables(Run& run, const RunParams& p, bool site)
{
    run.site = site;
    if (MainOption::is_site(p.main_option)) {
        table(run, TableKind::site_rows);
    } else if (p.main_option == MainOption::conjunctions) {
        table(run, ConjChoice::is_transit(p.conj_choice) ? (site ? TableKind::transits_at_site : TableKind::transits)
                                                    : TableKind::syzygies);
    } else if (p.main_option == MainOption::teotihuacan) {
        table(run, TableKind::teoti_epochs);
    }
}

void record_transit(Run& run, const TransitRow& row, const TransitResult& r)
{
    Transit t;
    t.body = row.body;
    t.date_mode = row.date_mode;
    t.time_scale = row.time_scale;
    t.year = row.year;
    std::string_view m = row.month;
    while (!m.empty() && m.back() == ' ') m.remove_suffix(1);
    while (!m.empty() && m.front() == ' ') m.remove_prefix(1);
    t.date = std::to_string(static_cast<int>(std::lround(row.day))) + ". " + std::string(m) + " " +
             std::to_string(row.calendar_year);
    t.letter = r.letter;
    t.ttype = r.ttype;
    t.sep = r.sep;
    t.sd_sun = r.sd_sun;
    t.sd_planet = r.sd_planet;
    t.series = r.iser;
    t.node = r.node;
    t.jde = r.jde;
    const bool phases = row.date_mode >= DateMode::phases;
    for (int k = 1; k <= 5; ++k) {
        Phase& ph = t.phase[static_cast<std::size_t>(k - 1)];
        // The phases that the row prints (as the transit table decides them).
        ph.has = phases && (r.ttype == transit_full || k == 3 || (r.ttype == transit_external && (k == 1 || k == 5)));
        const IDate& id = phases ? r.table[static_cast<std::size_t>(k)].idate : row.when;
        ph.h = id(4);
        ph.m = id(5);
        ph.s = id(6);
        ph.pa = r.table[static_cast<std::size_t>(k)].pa;
    }
    run.transits.push_back(std::move(t));

    auto& tab = table(run, run.site ? TableKind::transits_at_site : TableKind::transits);
    tab.add_row();
    tab.set("planet", static_cast<long long>(row.body));
    tab.set("planet_name", row.body == 1 ? "Mercury" : "Venus");
    tab.set("date_mode", static_cast<long long>(row.date_mode));
    static constexpr std::string_view mode_names[] = {"", "equal longitude", "nearest approach", "phases",
                                                      "phases and position angles"};
    tab.set("date_mode_name", std::string(mode_names[std::clamp(row.date_mode, 0, 4)]));
    tab.set("time_scale", row.time_scale == TimeScale::ut ? "UT" : "TT");
    tab.set("calendar", calendar_name(row.event_jde, row.calendar));
    tab.set("label", trimmed(row.label));
    tab.set("class", std::string(1, r.letter));
    tab.set("class_meaning", std::string(class_meaning(r.letter)));
    tab.set("year", row.year);
    tab.set("event_jde_tt", row.event_jde);
    tab.set("event_time", time_text(row.event_jde, row.time_scale, row.calendar));
    tab.set("separation_arcsec", r.sep);
    tab.set("series", static_cast<long long>(r.iser));
    if (!phases) {
        tab.set("k", static_cast<long long>(row.k));
        tab.set("offset_days", row.djde);
        tab.set("dl_mercury_venus_deg", row.dl[0]);
        tab.set("dl_mercury_earth_deg", row.dl[1]);
        tab.set("dl_mercury_mars_deg", row.dl[2]);
        return;
    }
    tab.set("type", static_cast<long long>(r.ttype));
    tab.set("type_meaning", std::string(type_meaning(r.ttype)));
    tab.set("node", r.node == '/' ? "/" : "");
    tab.set("node_meaning", r.node == '/' ? "ascending node" : "descending node");
    static constexpr std::string_view phase_names[] = {"", "contact_I", "contact_II", "greatest", "contact_III",
                                                       "contact_IV"};
    static constexpr std::string_view pa_names[] = {"", "pa_I_deg", "pa_II_deg", "pa_greatest_deg", "pa_III_deg",
                                                    "pa_IV_deg"};
    for (int k = 1; k <= 5; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (!run.transits.back().phase[i - 1].has) continue;
        const ContactRow& c = r.table[i];
        const std::string name(phase_names[i]);
        tab.set(name + "_jde_tt", c.jde);
        tab.set(name + "_time", time_text(c.jde, row.time_scale, row.calendar));
        if (row.date_mode == DateMode::phases_and_pa) tab.set(pa_names[i], c.pa);
    }
    if (row.date_mode == DateMode::phases_and_pa) {
        tab.set("sd_sun_arcsec", r.sd_sun);
        tab.set("sd_planet_arcsec", r.sd_planet);
    }
}

void record_local(Run& run, const Observer& o, const LocalCircumstances& l, int time_scale, int calendar)
{
    auto& transits = run.transits;
    if (transits.empty()) return;
    LocalTransit lt;
    lt.site = site_label(o);
    lt.name = o.name;
    lt.lat = o.lat;
    lt.lon = o.lon;
    lt.height = o.height;
    lt.ttype = l.ttype;
    lt.sep = l.sep;
    lt.sd_sun = l.sd_sun;
    lt.sd_planet = l.sd_planet;
    lt.path = l.path;
    for (std::size_t i = 0; i < lt.phase.size(); ++i) {
        const LocalPhase& ph = l.phase[i];
        Phase& p = lt.phase[i];
        p.has = ph.has;
        if (!ph.has) continue;
        double shown = ph.jde;
        if (time_scale == TimeScale::ut) delta_t(shown);
        IDate id{};
        RDate rd{};
        std::string month;
        jdedate(shown, calendar, id, rd, month);
        p.h = id(4);
        p.m = id(5);
        p.s = id(6);
        p.pa = ph.pa;
        lt.za[i] = ph.za;
        lt.sun_alt[i] = ph.sun_alt;
        lt.sun_az[i] = ph.sun_az;
        lt.phase_sep[i] = ph.sep;
    }
    lt.time_scale = time_scale;
    transits.back().local = std::move(lt);

    auto& tab = table(run, TableKind::transits_at_site);
    tab.set("site_name", site_label(o));
    tab.set("site_latitude_deg", o.lat);
    tab.set("site_longitude_deg", o.lon);
    tab.set("site_height_m", o.height);
    tab.set("local_type", static_cast<long long>(l.ttype));
    static constexpr std::string_view kinds[] = {"no transit at the site", "", "external contacts only (grazing at the site)",
                                                 "all four contacts"};
    tab.set("local_type_meaning", std::string(kinds[std::clamp(l.ttype, 0, 3)]));
    tab.set("local_separation_arcsec", l.sep);
    tab.set("local_sd_sun_arcsec", l.sd_sun);
    tab.set("local_sd_planet_arcsec", l.sd_planet);
    for (std::size_t i = 0; i < l.phase.size(); ++i) {
        const LocalPhase& ph = l.phase[i];
        if (!ph.has) continue;
        tab.set(local_column(i, 0), ph.jde);
        tab.set(local_column(i, 1), time_text(ph.jde, time_scale, calendar));
        tab.set(local_column(i, 2), ph.sun_alt);
        tab.set(local_column(i, 3), ph.sun_az);
        tab.set(local_column(i, 4), ph.pa);
        tab.set(local_column(i, 5), ph.za);
        tab.set(local_column(i, 6), static_cast<long long>(sun_below_horizon(ph) ? 1 : 0));
    }
}

void record_syzygy(Run& run, double jde, double year, double spread, int planets, const SyzygyRow& row)
{
    Syzygy z;
    z.jde = jde;
    z.year = year;
    z.spread = spread;
    z.planets = planets;
    z.lon = row.lon;
    z.rad = row.rad;
    run.syzygies.push_back(z);

    auto& tab = table(run, TableKind::syzygies);
    tab.add_row();
    tab.set("planets", static_cast<long long>(planets));
    if (row.number > 0) tab.set("number", static_cast<long long>(row.number));
    tab.set("label", trimmed(row.label));
    tab.set("mark_mercury", trimmed(std::string(1, row.mark_mercury)));
    tab.set("mark_mercury_meaning", std::string(class_meaning(row.mark_mercury)));
    tab.set("mark_venus", trimmed(std::string(1, row.mark_venus)));
    tab.set("mark_venus_meaning", std::string(class_meaning(row.mark_venus)));
    tab.set("k", static_cast<long long>(row.k));
    tab.set("jde_tt", jde);
    tab.set("time", time_text(jde, TimeScale::tt, row.calendar));
    tab.set("time_scale", "TT");
    tab.set("calendar", calendar_name(jde, row.calendar));
    tab.set("year", year);
    tab.set("offset_days", row.djde);
    tab.set("dl_mercury_venus_deg", row.dl[0]);
    tab.set("dl_mercury_earth_deg", row.dl[1]);
    tab.set("dl_mercury_mars_deg", row.dl[2]);
    tab.set("spread_deg", spread);
}

void record_teoti_epoch(Run& run, const TeotiEpoch& epoch) { run.teoti.push_back(epoch); }

void record_teoti_axes(Run& run, std::span<const std::string, 9> names, std::string_view unit, std::string_view planet_unit,
                       double log_base)
{
    TeotiAxes& a = run.teoti_axes;
    for (std::size_t r = 0; r < 9; ++r) a.names[r] = trimmed(names[r]);
    a.unit = unit;
    a.planet_unit = planet_unit;
    a.log_base = log_base;
}

void record_site_row(Run& run, const RunParams& p, double year, const SiteGeometry& site, double f, const SunPoint& sun,
                     double tolerance)
{
    SiteRow row;
    row.site = p.main_option;
    row.sun_mode = p.sun_mode;
    row.year = year;
    row.f = f;
    row.sun = {sun.at.x, sun.at.y, sun.at.z};
    row.dr = sun.dr;
    if (sun.mirror) row.mirror = SitePoint{sun.mirror->x, sun.mirror->y, sun.mirror->z};
    row.tolerance = tolerance;
    for (std::size_t i = 0; i < 3; ++i) {
        row.point[i] = {site.point[i].x, site.point[i].y, site.point[i].z};
        row.height[i] = site.height[i];
    }
    // The fit maps Mercury onto point 3, Venus onto point 2 and Earth onto
    // point 1, relative to point 3: image = point 3 + target + residual.
    const auto& rel = site.target;
    const bool fitted = p.sun_mode == SunMode::space_fitex;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t pt = 2 - k;
        double e[3];
        for (std::size_t c = 0; c < 3; ++c) e[c] = fitted ? sun.residual[3 * k + c] : 0.0;
        row.image[pt] = {row.point[2].x + rel[3 * k] + e[0], row.point[2].y + rel[3 * k + 1] + e[1],
                         row.point[2].z + rel[3 * k + 2] + e[2]};
        row.residual[pt] = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    }
    run.site_rows.push_back(row);
}

void record_site_csv(Run& run, const SiteCsv& row)
{
    static constexpr std::string_view sites[] = {"", "Giza pyramids", "chambers"};
    static constexpr std::string_view sun_modes[] = {"",
                                                     "2D, Sun south of Mykerinos",
                                                     "2D, Sun south of Chefren",
                                                     "free 2D Sun point",
                                                     "3D Sun point by SLE",
                                                     "3D Sun point by FITEX"};
    auto& tab = table(run, TableKind::site_rows);
    tab.add_row();
    tab.set("site", static_cast<long long>(row.site));
    tab.set("site_name", std::string(sites[std::clamp(row.site, 0, 2)]));
    tab.set("sun_mode", static_cast<long long>(row.sun_mode));
    tab.set("sun_mode_name", std::string(sun_modes[std::clamp(row.sun_mode, 0, 5)]));
    tab.set("label", trimmed(row.label));
    tab.set("quality", trimmed(row.quality));
    tab.set("k", static_cast<long long>(row.k));
    tab.set("jde_tt", row.jde);
    tab.set("time", time_text(row.jde, TimeScale::tt, row.calendar));
    tab.set("time_scale", "TT");
    tab.set("calendar", calendar_name(row.jde, row.calendar));
    tab.set("year", row.year);
    auto real = [&tab](std::string_view column, const std::optional<double>& v) {
        if (v) tab.set(column, *v);
    };
    auto whole = [&tab](std::string_view column, const std::optional<int>& v) {
        if (v) tab.set(column, static_cast<long long>(*v));
    };
    real("offset_days", row.offset_days);
    real("offset_h", row.offset_h);
    whole("step", row.step);
    real("lon_mercury_deg", row.lon_mercury);
    real("dl_mercury_venus_deg", row.dl_mercury_venus);
    real("dl_mercury_earth_deg", row.dl_mercury_earth);
    real("deviation_a_deg", row.deviation_a);
    real("deviation_b_deg", row.deviation_b);
    whole("fit_status", row.fit_status);
    if (row.fit_status) tab.set("fit_status_meaning", std::string(fit_status_meaning(*row.fit_status)));
    whole("evaluations", row.evaluations);
    real("x5_deg", row.x5);
    real("scale_m_per_au", row.scale);
    real("sun_elevation_deg", row.elevation);
    real("sun_x_m", row.sun_x);
    real("sun_y_m", row.sun_y);
    real("sun_z_m", row.sun_z);
    real("dr_m", row.dr);
    const bool south = trimmed(row.view_mark) == "*";
    tab.set("view_mark", south ? "*" : "");
    if (row.sun_mode <= SunMode::plane_2d) {
        tab.set("view_mark_meaning", south ? "matched as seen from the south of the ecliptic"
                                           : "matched as seen from the north of the ecliptic");
    } else {
        tab.set("view_mark_meaning", south ? "the fitted rotation turns the ecliptic over"
                                           : "the fitted rotation keeps the ecliptic's north up");
    }
    real("F_percent", row.f);
}

std::string_view fit_status_meaning(int status)
{
    switch (status) {
    case 0: return "converged at the least-squares optimum";
    case 2: return "restarted from the closed-form optimum and ended there";
    case 3: return "evaluation limit reached away from the optimum";
    case 4: return "line search or linear solution failed away from the optimum";
    case 5: case 6: return "a parameter without effect (degenerate triangle)";
    default: return "";
    }
}

void record_listing(Run& run, std::span<const ListedRow> rows, int mode, int calendar)
{
    auto& tab = table(run, TableKind::planets);
    for (const auto& r : rows) {
        tab.add_row();
        tab.set("jde_tt", r.jde);
        tab.set("time", time_text(r.jde, TimeScale::tt, calendar));
        tab.set("calendar", calendar_name(r.jde, calendar));
        tab.set("listing", r.helio ? "heliocentric" : mode == 0 ? "site frame" : "site frame, dated");
        tab.set("body", static_cast<long long>(r.body));
        std::string name(r.body == 0 ? std::string_view("Sun point") : plan(r.body));
        tab.set("body_name", trimmed(name));
        tab.set("x", r.xyz[0]);
        tab.set("y", r.xyz[1]);
        tab.set("z", r.xyz[2]);
        tab.set("unit", r.helio ? "AU" : "m");
        if (r.helio) {
            tab.set("lon_deg", r.lbr[0]);
            tab.set("lat_deg", r.lbr[1]);
            tab.set("r_au", r.lbr[2]);
            tab.set("lm_minus_l_deg", r.lm);
            if (r.has_dev) tab.set("deviation_deg", r.dev);
        } else {
            tab.set("dr_m", r.dr);
        }
        if (r.has_geo) {
            tab.set("latitude_N_deg", r.latitude);
            tab.set("longitude_E_deg", r.longitude);
        }
    }
}

void record_site_listing(Run& run, int mode, int listing_flag, double year, const SiteTable& table, int vsop_variant)
{
    auto& rows = run.site_rows;
    // A row suppressed from the report still lists its planets; those belong to no drawn row.
    if (mode != 0 || listing_flag != 1 || rows.empty() || rows.back().year != year) return;
    SiteRow& row = rows.back();
    row.listed.clear();
    const int nplan = vsop_variant == 1 ? 9 : 8;
    for (int j = 1; j <= nplan; ++j) {
        std::string name(plan(j));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        row.listed.push_back({j, std::move(name), {table(j, 1), table(j, 2), table(j, 3)}, table(j, 4)});
    }
}

} // namespace r7::results
