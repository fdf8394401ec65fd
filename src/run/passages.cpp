// The constellation search at the passages of Mercury.
#include "state/constants.hpp"
#include "run/passages.hpp"

#include <array>
#include <cmath>
#include <span>
#include <string>

#include "ephemeris/coord.hpp"
#include "ephemeris/kepler.hpp"
#include "ephemeris/listing.hpp"
#include "ephemeris/short.hpp"
#include "fit/sonpos.hpp"
#include "report/results.hpp"
#include "fit/triangle.hpp"
#include "io/error.hpp"
#include "io/layout.hpp"
#include "io/units.hpp"
#include "io/lines.hpp"
#include "run/runutil.hpp"
#include "state/codes.hpp"
#include "time/time.hpp"

namespace r7 {

namespace {

// Time of one step: step j of the phase (1 at the passage, 2 across its area).
struct StepTime {
    int phase = 1;
    int j = 0;
    double jde = 0.0;
    double k = 0.0;   // real k-number
    int kint = 0;     // rounded k-number
    double year = 0.0;
    double dt = 0.0;  // days from the passage of the rounded k-number
};

// Comparison of one triangle: longitude differences, their deviations from the
// targets (and the mirrored ones for the view from both sides).
struct Compare {
    double dl1 = 0.0, dl2 = 0.0;
    double da = 0.0, db = 0.0;
    double dam = 0.0, dbm = 0.0;
    bool relpos_done = false;
    bool mirrored = false; // the match holds for the view from the other side of the ecliptic
};

// Everything the loop keeps from step to step.
struct Loop {
    const RunParams& p;
    RunState& s;
    const Site& site;
    const Ephemerides& eph;
    results::Run& out; // the run's results: the rows and listings recorded
    int kout = io::terminal_unit;
    // The planets of the step as the triangle comparison saw them (in the
    // frame of an orbital plane where the run asks for one); the listings after
    // the search take Mercury's longitude of the last step from it.
    std::array<Lbr, 3> tri{};
    ElementTable el{};            // the orbital elements of the step
    // The angles omega, i, tau of the last orbital-plane frame [rad].
    std::array<double, 3> frame{};
    // The last comparison of the planet triangle. Without one (Kepler orbits in
    // ecliptic coordinates) only its points and the view follow the step.
    TriangleFit cmp{};
    FitWork fit{};                // the similarity fit's vectors, kept from step to step
    SunPoint sun{};               // the last Sun point
    SiteTable table{};            // site table of the listing; row 0 the last Sun point
};

bool is_area(const RunParams& p) { return Passage::is_area(p.passage); }
bool is_chambers(const RunParams& p) { return p.main_option == MainOption::chambers; }

void set_time(StepTime& t, const PassageTime& c)
{
    t.k = c.k;
    t.kint = c.kint;
    t.jde = c.jde;
    t.year = c.year;
    t.dt = c.djde;
}

// Step 1: the time of step j in the given phase.
StepTime step_time(const Loop& lp, int phase, int j, double basek)
{
    const auto& p = lp.p;
    const auto& s = lp.s;
    StepTime t{.phase = phase, .j = j};
    const bool area_step = phase == 2 && is_area(p);
    if (p.constellation == Constellation::range) {
        t.k = area_step ? basek + area_offset(j, p.steps_per_passage, s.step_days) / mercury_period : basek;
        set_time(t, ephim(0, p.passage, p.main_option, p.calendar_choice, {t.k, t.kint, t.jde, t.year, t.dt}));
    } else if (area_step || p.constellation == Constellation::one_jde) {
        // Steps across the area of the run's single date (the entered JDE or the
        // JDE of the predefined constellation).
        t.jde = s.run_jde + (area_step ? area_offset(j, p.steps_per_passage, s.step_days) : 0.0);
        set_time(t, ephim(1, p.passage, p.main_option, p.calendar_choice, {t.k, t.kint, t.jde, t.year, t.dt}));
    } else {
        t.jde = s.run_jde;
        t.year = s.run_year;
        t.dt = s.run_djde;
        t.k = s.run_k;
        t.kint = static_cast<int>(std::round(t.k));
    }
    return t;
}

// Step 4: positions of Mercury, Venus and Earth with the ephemeris in use, and
// the orbital elements where the run needs them.
void positions(Loop& lp, int eph, const StepTime& t)
{
    const auto& p = lp.p;
    const double t2 = (t.jde - jd2000) / days_per_century;
    const bool kepler = eph == EphemChoice::kepler;
    if (!kepler) lp.tri = triangle_positions(lp.eph, eph, t.jde, lp.kout);
    if (kepler || p.output_detail == OutputDetail::extended || p.coord_choice != CoordChoice::ecliptic) {
        const int last = p.output_detail == OutputDetail::extended ? 4 : 3;
        for (int j = 1; j <= last; ++j) {
            const KeplerOrbit o = kepler_orbit(lp.eph.kepler(), p.frame_choice, j, t2, lp.kout);
            lp.el[static_cast<std::size_t>(j)] = o.el;
            if (kepler && j <= 3) lp.tri[static_cast<std::size_t>(j - 1)] = o.place;
        }
    }
}

// Step 4 from kartko on, and step 5.
void compare(Loop& lp, int eph, Compare& c)
{
    const auto& p = lp.p;
    Triangle points = kartko(p.sun_mode, lp.tri);
    if (p.coord_choice >= 2) {
        const PlaneFrame fr = transfo(p.coord_choice, points, lp.tri, lp.el[1].node, lp.el[2].node);
        points = fr.points;
        lp.tri = fr.places;
        lp.frame = {fr.omega, fr.incl, fr.tau};
    }
    // The orientation is decided afresh at every step from the run's view; the
    // decision holds for this step's Sun point and marker only.
    c.relpos_done = !(eph == EphemChoice::kepler && p.coord_choice == CoordChoice::ecliptic);
    if (c.relpos_done) {
        lp.cmp = relpos(p, points, lp.site.geometry);
    } else {
        lp.cmp.points = points;
        lp.cmp.view = p.view == View::south ? View::south : View::north;
    }

    c.dl1 = lp.tri[0].l - lp.tri[1].l;
    reduz(c.dl1, 0, 0);
    c.dl2 = lp.tri[0].l - lp.tri[2].l;
    reduz(c.dl2, 0, 0);
    c.da = c.db = c.dam = c.dbm = 0.0;
    if (SunMode::is_south(p.sun_mode)) {
        const double t1 = lp.site.diff(2), t2 = lp.site.diff(3);
        c.da = c.dl1 - t1;
        reduz(c.da, 0, 0);
        c.db = c.dl2 - t2;
        reduz(c.db, 0, 0);
        if (p.view == View::both) {
            c.dam = c.dl1 + t1;
            reduz(c.dam, 0, 0);
            c.dbm = c.dl2 + t2;
            reduz(c.dbm, 0, 0);
        }
    }
}

// Steps 6 and 7: does the step match? c.mirrored: the match holds for the
// view from the other side of the ecliptic (view 3).
bool select(const Loop& lp, int eph, double tol, int phase, Compare& c, int& considered)
{
    const auto& p = lp.p;
    const bool single = p.constellation != Constellation::range;
    const bool full_alone = eph == EphemChoice::full_series && p.combi_flag == 0;
    bool& mirrored = c.mirrored;
    mirrored = false;
    if (SunMode::is_south(p.sun_mode)) {
        if ((std::abs(c.da) < tol && std::abs(c.db) < tol) || single) return true;
        if (p.view == View::both && std::abs(c.dam) < tol && std::abs(c.dbm) < tol) {
            mirrored = true;
            return true;
        }
        return full_alone;
    }
    const double f = lp.cmp.f;
    mirrored = p.view == View::both && lp.cmp.view == View::south;
    if (!is_area(p)) return f < tol || single || full_alone;
    if (phase == 1) {
        if (single) return true;
        considered = f < p.f_consider ? 1 : 0;
        return f < tol;
    }
    if (considered == 1 && f < p.f_print) return true;
    return single;
}

// Elevation of the Sun point above point 3 as seen on the site, in degrees. The
// horizontal distance is never negative, so the two-argument arc tangent is the
// plain one, and a Sun point on the anchor itself gives 0 instead of no number.
double elevation(const RunParams& p, const SiteGeometry& site, const SunPoint& sun)
{
    const double sx = sun.at.x, sy = sun.at.y, sz = sun.at.z;
    const double x3 = site.anchor().x, y3 = site.anchor().y, z3 = site.anchor().z;
    if (!is_chambers(p)) return std::atan2(sz - z3, std::sqrt(sx * sx + sy * sy)) * deg_per_rad;
    const double dx = sx - x3, dz = sz - z3;
    double e = std::atan2(sy - y3, std::sqrt(dz * dz + dx * dx)) * deg_per_rad;
    if (dx > 0.0) e = 180.0 - e;
    reduz(e, 0, 0);
    return e;
}

// Step 10 for the two-dimensional modes.
std::string row_2d(const Loop& lp, const StepTime& t, const Compare& c, std::string_view label, results::SiteCsv& csv)
{
    const bool mirrored = c.mirrored;
    const auto& p = lp.p;
    const double lon_mercury = lp.tri[0].l;
    csv.lon_mercury = lon_mercury;
    csv.dl_mercury_venus = c.dl1;
    csv.dl_mercury_earth = c.dl2;
    if (c.relpos_done && p.view != View::both) {
        csv.deviation_a = c.da;
        csv.deviation_b = c.db;
        csv.f = lp.cmp.f;
        return io::fmt("(1x,a2,i7,f14.5,f10.3,f8.3,4f8.3,f6.1)",
                       {label, t.kint, t.jde, t.year, lon_mercury, c.dl1, c.dl2, c.da, c.db, lp.cmp.f});
    }
    const std::string_view vmark = (p.view == View::south || mirrored) ? " *" : "  ";
    csv.deviation_a = mirrored ? c.dam : c.da;
    csv.deviation_b = mirrored ? c.dbm : c.db;
    csv.view_mark = vmark;
    return io::fmt("(1x,a2,i7,f15.5,f11.3,f9.3,4f8.3,a2)",
                   {label, t.kint, t.jde, t.year, lon_mercury, c.dl1, c.dl2, mirrored ? c.dam : c.da,
                    mirrored ? c.dbm : c.db, vmark});
}

// The head of a row of out.csv: the site, the Sun mode and the instant.
results::SiteCsv site_csv(const Loop& lp, const StepTime& t, std::string_view label)
{
    results::SiteCsv csv;
    csv.site = lp.p.main_option;
    csv.sun_mode = lp.p.sun_mode;
    csv.calendar = lp.p.calendar_choice;
    csv.label = label;
    csv.k = t.kint;
    csv.jde = t.jde;
    csv.year = t.year;
    return csv;
}

// Step 10 for the free and three-dimensional modes.
std::string row_3d(const Loop& lp, const StepTime& t, const Compare& c, std::string_view label, results::SiteCsv& csv)
{
    const auto& p = lp.p;
    const SunPoint& sun = lp.sun;
    const bool ch = is_chambers(p);
    const int phase = t.phase;
    const std::string_view vmark = view_marker(lp.cmp.view);
    const double f = lp.cmp.f, m = sun.length_ratio;
    // The Sun point and its uncertainty radius [m].
    const double sx = sun.at.x, sy = sun.at.y, sz = sun.at.z, dr = sun.dr;
    const int ind = sun.status;
    const int iw3 = sun.evaluations;

    // From 1000 evaluations on, the count takes a column from the status.
    const bool wide = iw3 >= wide_evaluations;
    csv.view_mark = vmark;
    csv.f = f;
    csv.sun_x = sx;
    csv.sun_y = sy;
    if (p.sun_mode != SunMode::plane_2d) csv.sun_z = sz;
    csv.dr = dr;
    if (p.sun_mode == SunMode::space_fitex) {
        csv.fit_status = ind;
        csv.evaluations = iw3;
    }
    if (phase == 1) {
        csv.dl_mercury_venus = c.dl1;
        csv.dl_mercury_earth = c.dl2;
        if (p.sun_mode != SunMode::space_fitex) csv.lon_mercury = lp.tri[0].l;
        if (p.sun_mode == SunMode::space_fitex) {
            const std::string_view layout = ch ? (wide ? "(1x,a2,i7,f10.3,2f8.3,i2,i5,3f7.2,f6.2,a2,f7.3)"
                                                       : "(1x,a2,i7,f10.3,2f8.3,i3,i4,3f7.2,f6.2,a2,f7.3)")
                                               : (wide ? "(1x,a2,i7,f10.3,2f8.3,i2,i5,3f7.1,f6.1,a2,f7.3)"
                                                       : "(1x,a2,i7,f10.3,2f8.3,i3,i4,3f7.1,f6.1,a2,f7.3)");
            return io::fmt(layout, {label, t.kint, t.year, c.dl1, c.dl2, ind, iw3, sx, sy, sz, dr, vmark, f});
        }
        if (p.sun_mode == SunMode::space_sle) {
            return io::fmt(ch ? "(1x,a2,i7,f10.3,3f8.3,3f7.2,f5.2,a2,f7.3)" : "(1x,a2,i7,f10.3,3f8.3,3f7.1,f5.1,a2,f7.3)",
                           {label, t.kint, t.year, lp.tri[0].l, c.dl1, c.dl2, sx, sy, sz, dr,
                            vmark, f});
        }
        return io::fmt("(1x,a2,i7,f10.3,3f8.3,2f7.1,a7,f5.1,a2,f7.3)",
                       {label, t.kint, t.year, lp.tri[0].l, c.dl1, c.dl2, sx, sy, "   --- ", dr, vmark,
                        f});
    }

    if (p.output_choice != OutputChoice::special) {
        const std::string_view q = quality_marker(f, m, p.main_option);
        const int n = area_step_number(t.j, p.steps_per_passage);
        csv.quality = q;
        csv.scale = m;
        if (p.sun_mode != SunMode::space_fitex) csv.step = n;
        if (p.sun_mode == SunMode::space_fitex) {
            // The status keeps its blank before M (up to 11 digits for the
            // chambers); the wide count takes its column from k instead.
            const std::string_view layout = ch ? (wide ? "(1x,a3,i7,f13.3,f12.0,i2,i5,3f7.2,f6.2,a2,f7.3)"
                                                       : "(1x,a3,i8,f13.3,f12.0,i2,i4,3f7.2,f6.2,a2,f7.3)")
                                               : (wide ? "(1x,a3,i7,f13.3,f12.0,i2,i5,3f7.1,f6.1,a2,f7.3)"
                                                       : "(1x,a3,i8,f13.3,f12.0,i2,i4,3f7.1,f6.1,a2,f7.3)");
            return io::fmt(layout, {q, t.kint, t.jde, m, ind, iw3, sx, sy, sz, dr, vmark, f});
        }
        if (p.sun_mode == SunMode::space_sle) {
            return io::fmt(ch ? "(1x,a3,i8,f13.3,f12.0,i6,1x,3f7.2,f5.2,a2,f7.3)"
                              : "(1x,a3,i8,f13.3,f12.0,i6,1x,3f7.1,f5.1,a2,f7.3)",
                           {q, t.kint, t.jde, m, n, sx, sy, sz, dr, vmark, f});
        }
        return io::fmt("(1x,a3,i8,f13.3,f12.0,i6,1x,2f7.1,a7,f5.1,a2,f7.3)",
                       {q, t.kint, t.jde, m, n, sx, sy, "   --- ", dr, vmark, f});
    }

    // The special output.
    const double x5 = euler5_degrees(sun.parameters[4]);
    const double ms = scale_shown(p.main_option, m);
    const double e = elevation(p, lp.site.geometry, sun);
    csv.x5 = x5;
    csv.scale = m;
    csv.elevation = e;
    if (is_area(p)) {
        csv.offset_h = t.dt * 24.0;
        return io::fmt(ch ? "(1x,f14.5,f7.1,f7.2,f7.3,f7.2,3f7.2,f6.2,a2,f7.3)"
                          : "(1x,f14.5,f7.1,f7.2,f7.3,f7.2,3f7.1,f6.1,a2,f7.3)",
                       {t.jde, t.dt * 24.0, x5, ms, e, sx, sy, sz, dr, vmark, f});
    }
    return io::fmt(ch ? "(1x,a2,i7,f10.3,f8.2,f7.3,f8.2,3f7.2,f6.2,a2,f7.3)"
                      : "(1x,a2,i7,f10.3,f8.2,f7.3,f7.2,4f7.1,a2,f7.3)",
                   {label, t.kint, t.year, x5, ms, e, sx, sy, sz, dr, vmark, f});
}

// Items 3 and 4 of the extended listing.
void listing_tail(const RunParams& p, const SunPoint& sun, int unit)
{
    auto& u = io::units();
    if (p.sun_mode == SunMode::space_sle ||
        (p.sun_mode == SunMode::plane_2d && p.constellation >= 1 && p.constellation <= 10)) {
        u.put(unit, io::fmt("('  scale factor M           : ',f13.0)", {sun.length_ratio}));
    }
    linie(unit, 1);
}

// Step 11: the extended listing after a matched step.
void extended_listing(Loop& lp, int eph, const StepTime& t)
{
    const auto& p = lp.p;
    const auto& tri = lp.tri;
    const auto& e = lp.el;
    const TriangleFit& cmp = lp.cmp;
    auto& u = io::units();
    if (lp.s.reference_flag == 1) {
        for (int unit : u.list()) linie(unit, 1);
        return;
    }
    if (eph == EphemChoice::kepler) {
        const double t2 = (t.jde - jd2000) / days_per_century;
        ElementTable all = lp.el;
        for (int j = 5; j <= 8; ++j) {
            all[static_cast<std::size_t>(j)] = kepler_orbit(lp.eph.kepler(), p.frame_choice, j, t2, lp.kout).el;
        }
        for (int unit : u.list()) {
            linie(unit, 2);
            elements(unit, p.vsop_variant, planet_abbrevs, all);
            listing_tail(p, lp.sun, unit);
        }
        return;
    }

    std::string block1 = io::fmt("(1x,3(f9.4,f8.4,f9.6))", {tri[0].l, tri[0].b, tri[0].r, tri[1].l, tri[1].b,
                                                            tri[1].r, tri[2].l, tri[2].b, tri[2].r});
    auto sign = [](double v) -> std::string_view { return v < 0.0 ? "-" : " "; };
    const Xyz &p1 = cmp.points[0], &p2 = cmp.points[1], &p3 = cmp.points[2];
    block1 += io::fmt("(1x,3f9.6,3(a1,f7.6),3f9.6)",
                      {p1.x, p1.y, p1.z, sign(p2.x), std::abs(p2.x), sign(p2.y), std::abs(p2.y), sign(p2.z),
                       std::abs(p2.z), p3.x, p3.y, p3.z});
    block1 += io::fmt("(1x,6f9.6,f22.8,' %')", {cmp.a.x, cmp.b.x, cmp.a.y, cmp.b.y, cmp.a.z, cmp.b.z, cmp.f});

    std::string block2;
    if (p.vsop_variant == 3) {
        block2 += io::fmt("('  ascending node (M/V/E/Ma): ',2f12.6,  '      ---   ',f12.6)",
                          {e[1].node, e[2].node, e[4].node});
    } else if (p.vsop_variant == 1) {
        block2 += io::fmt("('  ascending node (M/V/E/Ma): ',4f12.6)", {e[1].node, e[2].node, e[3].node, e[4].node});
    }
    block2 += io::fmt("('  inclination i  (M/V/E/Ma): ',4f12.6)", {e[1].incl, e[2].incl, e[3].incl, e[4].incl});
    block2 += io::fmt("('  perihelion pi  (M/V/E/Ma): ',4f12.6)", {e[1].peri, e[2].peri, e[3].peri, e[4].peri});
    if (p.coord_choice != CoordChoice::ecliptic) {
        block2 += io::fmt("('  ang. par. (omega, i, tau): ',3f12.6)",
                          {lp.frame[0] * deg_per_rad, lp.frame[1] * deg_per_rad, lp.frame[2] * deg_per_rad});
    }
    if (p.sun_mode == SunMode::space_fitex) {
        const auto& x = lp.sun.parameters;
        block2 += io::fmt("('  transl. X1, X2, X3; del-t: ',3f12.6,  f9.3,' days')", {x[0], x[1], x[2], t.dt});
        std::array<double, 3> e{};
        for (std::size_t i = 0; i < 3; ++i) {
            e[i] = x[3 + i] * deg_per_rad;
            reduz(e[i], 0, 0);
        }
        block2 += io::fmt("('  Euler angl. X4, X5, X6; M: ',3f12.6,  f13.0)",
                          {e[0], e[1], e[2], lp.sun.length_ratio});
        // The mirror image of the fit (scale -M) leaves the same residuals; its
        // Sun point is the reflection through the plane of the fitted images.
        const SiteVec mi = lp.sun.mirror.value_or(SiteVec{});
        block2 += io::fmt("('  mirror Sun x, y, z; -M   : ',3f12.2,  f13.0)",
                          {mi.x, mi.y, mi.z, -lp.sun.length_ratio});
    }

    for (int unit : u.list()) {
        linie(unit, 2);
        u.put(unit, block1);
        linie(unit, 2);
        u.put(unit, block2);
        listing_tail(p, lp.sun, unit);
    }
}

// The fit of the last constellation as the listings carry the planets through
// it: the fit's parameters as they stand, the uncertainty model of the site and
// F of the last comparison.
SiteFit site_fit(const Loop& lp)
{
    const SiteGeometry& g = lp.site.geometry;
    return SiteFit{std::span<const double, 7>(lp.fit.x.at(1), 7), g.centroid, g.spread, lp.cmp.f};
}

// Step 12: the planet coordinate listing. The reference case follows it with
// the dated listing: the planets of the four constellation dates of the site
// file (chambers, syzygy, transit, pyramids) carried onto the plateau through
// the same fit, with their latitude and longitude.
void coordinate_listing(Loop& lp, const StepTime& t)
{
    const auto& site = lp.site;
    const SunPoint& sun = lp.sun;
    lp.table(0, 1) = sun.at.x;
    lp.table(0, 2) = sun.at.y;
    lp.table(0, 3) = sun.at.z;
    lp.table(0, 4) = sun.dr;
    const bool dated = lp.s.reference_flag == 1;
    for (int mode : {0, 1}) {
        if (mode == 1 && !dated) break;
        const ListingInput in{mode, t.kint, t.jde, lp.tri[0].l, lp.kout, site.diff, site_fit(lp), site.geometry.point,
                              std::span<const double, 4>(site.listing.at(1), 4)};
        const auto rows = plako(lp.p, in, lp.eph.full(), lp.s.listing_flag, lp.table);
        results::record_listing(lp.out, rows, mode, lp.p.calendar_choice);
        results::record_site_listing(lp.out, mode, lp.s.listing_flag, t.year, lp.table, lp.p.vsop_variant);
    }
}

// One step of the search (steps 1 to 12).
void passage_step(Loop& lp, int phase, int j, double basek, int& considered)
{
    const auto& p = lp.p;
    auto& s = lp.s;
    const auto& site = lp.site;

    const StepTime t = step_time(lp, phase, j, basek);
    if (p.sun_mode == SunMode::space_fitex) refresh_fit(site, lp.fit);
    ++s.counters[2];

    int eph = p.ephem_choice;
    double tol = p.tol_short;
    positions(lp, eph, t);
    Compare c;
    compare(lp, eph, c);
    bool match = select(lp, eph, tol, phase, c, considered);

    // Combination: the short series has found a candidate; the full series
    // confirms it with its own tolerance.
    if (match && p.combi_flag == 1 && eph == EphemChoice::short_series) {
        tol = p.tol_full;
        eph = 2;
        lp.tri = triangle_positions(lp.eph, eph, t.jde, lp.kout);
        compare(lp, eph, c);
        match = select(lp, eph, tol, phase, c, considered);
    }
    if (!match) return;

    std::string label;
    konst(t.kint, label);
    auto& u = io::units();

    if (SunMode::is_south(p.sun_mode)) {
        ++s.counters[3];
        results::SiteCsv csv = site_csv(lp, t, label);
        u.put_all(row_2d(lp, t, c, label, csv));
        results::record_site_csv(lp.out, csv);
    } else {
        ++s.counters[3];
        lp.sun = fit_sun_point(p, site, lp.fit, lp.cmp, lp.kout);
        const bool suppressed = phase == 2 && is_area(p) && p.constellation == Constellation::range &&
                                !(lp.cmp.f < p.f_consider) && eph != EphemChoice::full_series;
        if (!suppressed) {
            results::SiteCsv csv = site_csv(lp, t, label);
            u.put_all(row_3d(lp, t, c, label, csv));
            results::record_site_csv(lp.out, csv);
            results::record_site_row(lp.out, p, t.year, site.geometry, lp.cmp.f, lp.sun, tol);
        }
    }

    if (p.output_detail == OutputDetail::extended) extended_listing(lp, eph, t);
    const bool extended = p.output_detail == OutputDetail::extended;
    if ((p.full_flag == 1 && Passage::is_point(p.passage) && extended) || s.reference_flag == 1) {
        coordinate_listing(lp, t);
    }
}

} // namespace

double area_offset(int j, int s, double w) { return w * (static_cast<double>(j) - static_cast<double>(s) / 2.0); }

int area_step_number(int j, int s) { return j - s / 2; }

std::string_view quality_marker(double f, double m, int main_option)
{
    const double z = reference_scale(main_option == MainOption::chambers ? 2 : 1);
    const double r = std::abs((m - z) / z);
    if (r <= 0.001 && f <= 0.1) return ">>>";
    if (f <= 0.5 && r <= 0.02) return "FM ";
    if (f <= 0.5) return "F  ";
    if (r <= 0.02) return "M  ";
    return "   ";
}

double scale_shown(int main_option, double m) { return m * (main_option == MainOption::chambers ? 1e-9 : 1e-7); }

double euler5_degrees(double x5)
{
    double d = x5 * deg_per_rad;
    reduz(d, 0, 0);
    return d;
}

std::array<Lbr, 3> triangle_positions(const Ephemerides& e, int eph, double jde, int kout)
{
    std::array<Lbr, 3> tri{};
    if (eph == EphemChoice::short_series) {
        const Positions all = vsop1all(e.short_series(), (jde - jd2000) / days_per_millennium, 9);
        for (int j = 1; j <= 3; ++j) tri[static_cast<std::size_t>(j - 1)] = all[j];
        return tri;
    }
    for (int j = 1; j <= 3; ++j) tri[static_cast<std::size_t>(j - 1)] = vsop2(e.full(), jde, j, kout).lbr;
    return tri;
}

std::string_view view_marker(int view) { return view == View::south ? " *" : "  "; }

SunPoint fit_sun_point(const RunParams& p, const Site& site, FitWork& fit, const TriangleFit& tri, int kout)
{
    SonposWork work = fit.work();
    return sonpos({.sun_mode = p.sun_mode, .unit = kout, .trace = fit.trace}, tri, site.geometry, work);
}

void passage_search(const RunParams& p, RunState& s, const Site& site, const Ephemerides& eph, results::Run& out)
{
    Loop lp{p, s, site, eph, out};
    lp.kout = io::units().list().front();

    for (int k = s.kint_from; k <= s.kint_to; ++k) {
        const bool entered_k = p.ephem_choice == EphemChoice::full_series &&
                               p.constellation == Constellation::range && Passage::is_point(p.passage);
        const double basek = entered_k ? s.run_k : static_cast<double>(k);
        int phase = (Passage::is_point(p.passage) && p.output_choice == OutputChoice::special) ? 2 : 1;
        int limit = phase == 2 ? p.steps_per_passage : 0;
        int considered = 0;
        int j = 0;
        for (;;) {
            passage_step(lp, phase, j, basek, considered);
            if (!is_area(p)) break;
            if (++j <= limit) continue;
            j = 0;
            if (phase == 2 || (p.constellation == Constellation::range && considered == 0)) break;
            phase = 2;
            limit = p.steps_per_passage;
        }
    }

    if (p.main_option == MainOption::giza) {
        aphelko(p, site_fit(lp), site.geometry.anchor().z, lp.tri[0].l, lp.kout);
    }
}

} // namespace r7
