#include "state/constants.hpp"
#include "transit/transit.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "ephemeris/coord.hpp"
#include "ephemeris/expansion.hpp"
#include "ephemeris/short.hpp"
#include "ephemeris/vsop87.hpp"
#include "state/codes.hpp"
#include "transit/search.hpp"

namespace r7 {
namespace {

constexpr double au = au_m;
constexpr double sun_radius = sun_radius_m;
constexpr double polar_radius = earth_b_m;
constexpr double earth_ecc = 0.0818192206096497; // first eccentricity

// Classification letters, 1-based: 2p-1 inside the disk for every observer,
// 2p for part of the Earth only, 5 near miss, 6 none, 7/8 central.
constexpr char tp[] = "MmVv- Cc";
char letter_of(int i) { return tp[i - 1]; }

// Start value of the light time (days) and the inclination factor of the quick
// estimate, per planet.
constexpr double light_start[3] = {0.0, 0.003703703703703704, 0.001736111111111111};
constexpr double incl_factor[3] = {0.0, 1.3172493131126426, 2.5986618650222875};
// Half duration of a central transit in days.
constexpr double half_duration[3] = {0.0, 0.115, 0.17};

// The limits of one call, in radians.
struct Limits {
    double rho = 0;   // an Earth radius in AU
    double s_sun = 0; // the Sun's semidiameter
    double s_pl = 0;  // the planet's semidiameter
    double prel = 0;  // parallax of the planet relative to the Sun
    double ext = 0, inn = 0, ext_p = 0, int_p = 0;
};

Limits limits_of(int p, double jde, const Lbr& planet, const Lbr& earth)
{
    Limits l;
    const double eps = transit_obliquity(jde) * rad_per_deg;
    const double re_e = earth.r;
    const double re_p = planet.r;
    const double delta = re_e - re_p;
    const double e_sin = earth_ecc * std::sin(eps);
    l.rho = polar_radius / (au * std::sqrt(1.0 - e_sin * e_sin));
    l.s_sun = std::asin(sun_radius / (re_e * au));
    l.s_pl = std::asin(planet_radius_m(p) / (delta * au));
    l.prel = std::asin(l.rho * re_p / (re_e * delta));
    l.ext = l.s_sun + l.s_pl;
    l.inn = l.s_sun - l.s_pl;
    l.ext_p = l.ext + l.prel;
    l.int_p = l.inn - l.prel;
    return l;
}

// Evaluates the planet at its instant t_planet and the Earth at the arrival of the
// planet's light, keeping the places of both, the light time tau (days), the
// planet-Earth distance and the number of evaluations.
struct Ephemeris {
    const Ephemerides& eph;
    int p;
    bool short_series;
    int kout;
    const SeriesWindow* window; // the full series near the conjunction (nullptr: term by term)
    std::array<double, 9> pos; // the work area: triple p the planet, triple 3 the Earth
    Lbr planet{}, earth{};
    double tau = 0.0;
    double dist = 0.0;
    int evaluations = 0;

    void at(double t_planet, double tol)
    {
        const LightTime lt =
            short_series ? vsop1tr(eph.short_series(), p, (t_planet - jd2000) / days_per_millennium, tau, tol)
            : window     ? vsop2tr(*window, t_planet, p, tau, tol, kout)
                         : vsop2tr(eph.full(), t_planet, p, tau, tol, kout);
        if (p < 1 || p > 2) return;
        put_places(pos, p, lt.planet, lt.earth);
        planet = lt.planet_lbr;
        earth = lt.earth_lbr;
        tau = lt.lt;
        dist = lt.dist;
        evaluations += lt.evaluations;
    }
    // Separation of planet and Sun seen from the Earth at the planet's instant.
    double separation(double t_planet, double tol)
    {
        at(t_planet, tol);
        return sepa(p, pos);
    }
    // The same from sepa_near: to the last bits near the Sun.
    double least_separation(double t_planet, double tol)
    {
        at(t_planet, tol);
        return sepa_near(p, pos);
    }
};

// How the rows of the contact table are dated.
struct RowDating {
    int time_scale = 1;
    int calendar = 1;
    bool with_pa = false;
};

// Calendar fields (and position angle) of one phase at the instant t (TT).
void fill_row(ContactRow& row, int p, double t, std::span<const double, 9> pos, const RowDating& dating)
{
    const int time_scale = dating.time_scale, calendar = dating.calendar;
    const bool with_pa = dating.with_pa;
    row.jde = t;
    double shown = t;
    if (time_scale == TimeScale::ut) delta_t(shown);
    jdedate(shown, calendar, row.idate, row.date, row.name);
    if (with_pa) row.pa = pos_angle(p, t, pos);
}

enum class ContactEnd { found, abandoned };

// Solves separation(t) = target for the planet's instant t from the start value
// with the ring fit: two secant steps, then circles through the three latest
// points (t, g) cut with g = 0, falling back to secant steps where the circle is
// degenerate. A circle that does not reach the axis leaves the last estimate.
ContactEnd find_contact(Ephemeris& eph, double start, double target, double tol_light, int kout, double& t_found)
{
    constexpr double tol = 2e-7;  // days
    constexpr double step = 0.001;
    constexpr int max_steps = 25; // secant and circle steps together

    RingfitState rs{.xb = start};
    do {
        rs.fb = eph.separation(rs.xb, tol_light) - target;
        ringfit(tol, step, max_steps, kout, rs);
    } while (rs.ke == 1 || rs.ke == 5);
    if (rs.ke == 2) return ContactEnd::abandoned;
    t_found = rs.xb;
    return ContactEnd::found;
}

// Classification of the estimate: the letter of the separation sep_in (for the
// equal-longitude date, of the latitude difference seen from the Earth) and the
// signed separation in arc seconds. Returns the estimated separation [rad].
double classify_estimate(const TransitQuery& q, bool scan_pass, const Limits& lim, char& letter, double& sep_arcsec)
{
    const int p = q.ibody, date_mode = q.date_mode, conj_choice = q.conj_choice;
    const double lat_at_call = q.planet.b;
    double ba = 0.0;
    double est = q.sep_in;
    if (date_mode == DateMode::equal_longitude) {
        const double bp = q.planet.b * rad_per_deg, be = q.earth.b * rad_per_deg;
        const double rp = q.planet.r, r_e = q.earth.r;
        ba = std::atan(std::sin(bp - be) * rp / (r_e - std::cos(bp - be) * rp)) *
             std::cos(q.incl * rad_per_deg * incl_factor[p]);
        est = std::abs(ba);
    }
    const double ext_p = scan_pass ? 1.8 * lim.ext_p : lim.ext_p;
    letter = ' ';
    if (est <= lim.int_p) {
        letter = letter_of(2 * p - 1);
    } else if (est <= ext_p) {
        letter = letter_of(2 * p);
    } else if (est <= 1.01 * ext_p && conj_choice >= ConjChoice::syzygy3) {
        letter = '-';
    }
    if (conj_choice < ConjChoice::syzygy3 && date_mode <= DateMode::nearest) {
        if (est <= lim.prel + lim.s_pl) letter = 'c';
        if (est <= lim.s_pl) letter = 'C';
    }
    sep_arcsec = date_mode == DateMode::equal_longitude ? ba * arcsec_per_rad
                                                        : (lat_at_call < 0.0 ? -est : est) * arcsec_per_rad;
    return est;
}

// The greatest transit: the least separation seen from the Earth, searched by
// fitmin from the estimate jde on. node becomes '/' where the planet's latitude
// rises, ' ' where it falls.
struct Greatest {
    double t_min = 0.0; // the planet's instant
    double f_min = 0.0; // the least separation [rad]
    bool found = false; // fitmin finished (otherwise its last point stands)
};

// The search starts from the widths w_start.
Greatest search_greatest(Ephemeris& eph, const TransitQuery& q, double tol_light, double w_start, char& node)
{
    const double jde = q.jde;
    const FitminInput in{.kphase = q.ephem_choice, .ktype = 2, .kmode = q.passage, .tol = 1e-7, .step = 0.05,
                         .kout = eph.kout};
    FitminState fm{.w1 = w_start, .w2 = w_start};
    fm.xs(1) = jde;
    double f_last = 0.0, t_last = jde;
    double t_first = 0.0, b_first = 0.0;
    for (;;) {
        t_last = fm.xs(fm.knext);
        // The planet at the instant its light leaves it, the Earth at t.
        f_last = eph.least_separation(t_last - eph.tau, tol_light);
        fm.fs(fm.knext) = f_last;
        if (fm.iter == 1) {
            t_first = t_last;
            b_first = eph.planet.b;
        } else if (fm.iter == 2) {
            const double rate = (eph.planet.b - b_first) / (t_last - t_first);
            node = rate < 0.0 ? ' ' : '/';
        }
        fitmin(in, fm);
        if (fm.ke == 0 || fm.ke == 2) break;
    }
    if (fm.ke == 0) return {fm.xs(fm.knext), f_last, true};
    return {t_last, f_last, false};
}

// The greatest transit from the full series to 1e-4 s: fitmin ends once
// two of its points lie within its tolerance, which can leave its last vertex a
// second away from the least separation. Two parabolas through the squared
// separations either side of the planet's instant, each centred on the vertex
// of the one before, find it: 0.001 d either side, then 0.0001 d, where the
// squared separation differs from a parabola by too little to move the vertex
// by 1e-9 d, and the separation from the cross and dot products keeps its last
// bits. The places are those of the least separation afterwards.
void polish_greatest(Ephemeris& eph, Greatest& g)
{
    // The light time to 1e-12 d: the Earth a few 1e-9 d from the arrival of the
    // light would move the separation by 1e-10 rad, more than the parabolas
    // can take.
    constexpr double tol_light = 1e-12;
    double s = g.t_min - eph.tau;
    for (double h : {1e-3, 1e-4}) {
        const double fm = eph.least_separation(s - h, tol_light);
        const double fp = eph.least_separation(s + h, tol_light);
        const double f0 = eph.least_separation(s, tol_light);
        const double gm = fm * fm, g0 = f0 * f0, gp = fp * fp;
        const double curv = gp - 2.0 * g0 + gm;
        if (!(curv > 0.0)) break; // not a minimum: the instant so far stands
        s += 0.5 * h * (gm - gp) / curv;
    }
    g.f_min = eph.least_separation(s, tol_light);
    g.t_min = s + eph.tau;
}

// Where the contacts are searched: from the greatest instant t_min minus and
// plus the half-duration estimate shift, to the tolerance tol [d].
struct ContactStart {
    double t_min = 0.0;
    double shift = 0.0;
    double tol = 0.0;
};

// The contacts of a transit of type ttype into the rows 1, 2, 4, 5 of the
// table; the first contact that cannot be found ends the search.
void find_contacts(Ephemeris& eph, int ttype, const Limits& lim, const ContactStart& start, const RowDating& dating,
                   ContactTable& table)
{
    const double t_min = start.t_min, shift = start.shift, tol_contact = start.tol;
    struct Phase {
        int row;
        double side;
        double target;
    };
    std::array<Phase, 4> phases{};
    int n_phases = 0;
    if (ttype == transit_external) {
        phases[0] = {1, -1.0, lim.ext};
        phases[1] = {5, 1.0, lim.ext};
        n_phases = 2;
    } else if (ttype == transit_full) {
        phases[0] = {1, -1.0, lim.ext};
        phases[1] = {2, -1.0, lim.inn};
        phases[2] = {4, 1.0, lim.inn};
        phases[3] = {5, 1.0, lim.ext};
        n_phases = 4;
    }
    for (int i = 0; i < n_phases; ++i) {
        const Phase& ph = phases[static_cast<std::size_t>(i)];
        double t_c = 0.0;
        if (find_contact(eph, t_min + ph.side * shift, ph.target, tol_contact, eph.kout, t_c) ==
            ContactEnd::abandoned) {
            break;
        }
        fill_row(table[static_cast<std::size_t>(ph.row)], eph.p, t_c + eph.tau, eph.pos, dating);
    }
}

} // namespace

double transit_obliquity(double jde)
{
    const double t = (jde - jd2000) / days_per_century;
    return 23.4458042 - 0.856033 * std::sin((t + 0.50747) * 0.015306);
}

void put_places(std::span<double, 9> pos, int ibody, const Xyz& planet, const Xyz& earth)
{
    const auto j = static_cast<std::size_t>(3 * (ibody - 1));
    pos[j] = planet.x;
    pos[j + 1] = planet.y;
    pos[j + 2] = planet.z;
    pos[6] = earth.x;
    pos[7] = earth.y;
    pos[8] = earth.z;
}

double sepa(int ibody, std::span<const double, 9> pos)
{
    const std::size_t i = static_cast<std::size_t>(3 * (ibody - 1));
    const double ex = pos[6], ey = pos[7], ez = pos[8];
    const double dx = pos[i] - ex, dy = pos[i + 1] - ey, dz = pos[i + 2] - ez;
    const double dot = -(ex * dx + ey * dy + ez * dz);
    const double nd = std::sqrt(dx * dx + dy * dy + dz * dz);
    const double ne = std::sqrt(ex * ex + ey * ey + ez * ez);
    // Rounding can push the cosine just beyond 1 when the planet stands on the
    // line to the Sun's centre.
    return std::acos(std::clamp(dot / (nd * ne), -1.0, 1.0));
}

double sepa_near(int ibody, std::span<const double, 9> pos)
{
    const std::size_t i = static_cast<std::size_t>(3 * (ibody - 1));
    const double sx = -pos[6], sy = -pos[7], sz = -pos[8];
    const double dx = pos[i] + sx, dy = pos[i + 1] + sy, dz = pos[i + 2] + sz;
    const double cx = dy * sz - dz * sy, cy = dz * sx - dx * sz, cz = dx * sy - dy * sx;
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), dx * sx + dy * sy + dz * sz);
}

double pos_angle(int ibody, double t, std::span<const double, 9> pos)
{
    // Ecliptic to equator.
    std::array<double, 9> q{};
    std::copy(pos.begin(), pos.end(), q.begin());
    rotmat(1, -transit_obliquity(t) * rad_per_deg, 0.0, 0.0, q);

    // Right ascension and declination (degrees) of a geocentric direction.
    auto radec = [](double x, double y, double z, double& alpha, double& delta) {
        alpha = std::atan(y / x) * deg_per_rad;
        if (x < 0.0) alpha += 180.0;
        if (alpha < 0.0) alpha += 360.0;
        delta = std::atan(z / std::sqrt(x * x + y * y)) * deg_per_rad;
    };
    const std::size_t i = static_cast<std::size_t>(3 * (ibody - 1));
    double a_s = 0, d_s = 0, a_p = 0, d_p = 0;
    radec(-q[6], -q[7], -q[8], a_s, d_s);
    radec(q[i] - q[6], q[i + 1] - q[7], q[i + 2] - q[8], a_p, d_p);

    const double da = (a_p - a_s) * rad_per_deg;
    const double dd = (d_p - d_s) * rad_per_deg;
    const double s = std::sin(d_s * rad_per_deg);
    const double c = std::cos(d_s * rad_per_deg);
    const double u = std::tan(da) * s * std::tan(da / 2.0);
    const double k = arcsec_per_rad / (s * u + 1.0);
    const double y = (u * c + std::sin(dd)) * k;
    const double x = (1.0 - std::sin(dd) * std::tan(d_s * rad_per_deg)) * k * c * std::tan(da);
    double v = std::atan(x / y) * deg_per_rad;
    if (y * std::cos(v * rad_per_deg) < 0.0) v += 180.0;
    if (v < 0.0) v = 360.0 - std::fmod(std::abs(v), 360.0);
    return v;
}

TransitResult transit(const Ephemerides& ephemerides, const TransitQuery& q)
{
    const int p = q.ibody;
    const int combi_flag = q.combi_flag, ephem_choice = q.ephem_choice, conj_choice = q.conj_choice;
    const int date_mode = q.date_mode, time_scale = q.time_scale, calendar = q.calendar;
    TransitResult r;
    r.jde = q.jde;
    r.shift = q.shift;
    r.pos = q.pos;
    const bool scan_pass = combi_flag == 1 && ephem_choice == EphemChoice::short_series;
    // The run assigns the series of the transits it reports, in time order.
    const bool assigns_series = conj_choice <= ConjChoice::venus_transit &&
                                (combi_flag == 0 || (combi_flag == 1 && ephem_choice == EphemChoice::full_series));
    r.ttype = transit_none;

    const Limits lim = limits_of(p, q.jde, q.planet, q.earth);
    const double est = classify_estimate(q, scan_pass, lim, r.letter, r.sep);
    if (date_mode <= DateMode::nearest) {
        r.series_due = r.letter != ' ' && assigns_series;
        return r;
    }
    // The scan pass of the combination only classifies.
    if (scan_pass || est > 1.005 * lim.ext_p) return r;

    const bool short_series = ephem_choice == EphemChoice::short_series;
    Ephemeris eph{ephemerides, p, short_series, q.kout, nullptr, q.pos, q.planet, q.earth};
    eph.tau = light_start[p];
    const double tol_light = short_series ? 3e-14 : 2e-9;
    const double w_start = conj_choice < ConjChoice::syzygy3 ? 1.0 : q.w_start + 1.0;
    // Everything after the estimate from the series expanded about it: the
    // greatest transit lies within minutes of it, the contacts within hours.
    std::optional<SeriesWindow> window;
    if (!short_series && !q.direct_series) {
        if (q.window == nullptr) window.emplace(ephemerides.full(), q.jde, std::initializer_list<int>{p, earth});
        eph.window = q.window != nullptr ? q.window : &*window;
    }
    Greatest g = search_greatest(eph, q, tol_light, w_start, r.node);
    if (g.found && !short_series) {
        polish_greatest(eph, g);
    } else if (g.found && date_mode == DateMode::phases_and_pa) {
        eph.at(g.t_min - eph.tau, tol_light);
    }
    const double t_min = g.t_min;
    r.evaluations = eph.evaluations;
    r.pos = eph.pos;

    // Type of the transit from the least separation.
    const double f_min = g.f_min;
    if (f_min <= lim.inn) {
        r.ttype = transit_full;
    } else if (f_min <= lim.ext) {
        r.ttype = transit_external;
    } else if (f_min <= lim.ext_p) {
        r.ttype = transit_partial_earth;
    } else {
        // No transit after all: the letter of the estimate no longer holds; a
        // syzygy run still learns of a near miss.
        r.ttype = transit_none;
        r.letter = conj_choice >= ConjChoice::syzygy3 && f_min <= 1.01 * lim.ext_p ? letter_of(5) : letter_of(6);
        return r;
    }
    if (f_min > lim.int_p) {
        r.letter = letter_of(2 * p);
    } else {
        r.letter = letter_of(2 * p - 1);
    }
    r.sep = (eph.planet.b < 0.0 ? -f_min : f_min) * arcsec_per_rad;
    r.jde = t_min;
    const RowDating dating{time_scale, calendar, date_mode == DateMode::phases_and_pa};
    fill_row(r.table[3], p, t_min, eph.pos, dating);

    const double re_e = eph.earth.r, re_p = eph.planet.r;
    const double s_sun = std::asin(sun_radius / (re_e * au)) * arcsec_per_rad;
    if (conj_choice < ConjChoice::syzygy3) {
        r.sd_sun = s_sun;
        r.sd_planet = std::asin(planet_radius_m(p) / (eph.dist * au)) * arcsec_per_rad;
        const double central = ((lim.rho * re_p / re_e + planet_radius_m(p) / au) * arcsec_per_rad) / (re_e - re_p);
        const double f_sec = std::abs(f_min) * arcsec_per_rad;
        if (f_sec < central) {
            r.letter = f_sec < r.sd_planet ? 'C' : 'c';
        }
    }
    if (conj_choice < ConjChoice::syzygy3 || r.shift == 0.0) {
        // A syzygy run keeps the estimate of the last transit; before the first
        // one there is none, and contacts searched from the greatest transit
        // itself could find the same crossing twice.
        const double ratio = f_min * arcsec_per_rad / s_sun;
        r.shift = std::sqrt(std::max(0.01, 1.0 - ratio * ratio)) * half_duration[p];
    }

    find_contacts(eph, r.ttype, lim, {t_min, r.shift, short_series ? 1e-12 : 2e-7}, dating, r.table);
    r.evaluations = eph.evaluations;
    r.pos = eph.pos;
    r.series_due = assigns_series;
    return r;
}

} // namespace r7
