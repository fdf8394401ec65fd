// The F-minimised run.
#include "run/fminrun.hpp"

#include <cmath>
#include <string>
#include <string_view>

#include "ephemeris/coord.hpp"
#include "fit/triangle.hpp"
#include "io/layout.hpp"
#include "io/units.hpp"
#include "report/results.hpp"
#include "run/passages.hpp"
#include "run/runutil.hpp"
#include "state/codes.hpp"
#include "time/time.hpp"
#include "transit/search.hpp"

namespace r7 {

namespace {

// Above this F the scan drops the full series again.
constexpr double f_short_again = 10.0;
// Widths below this switch the minimum search to the parabola.
constexpr double parabola_width = 0.3;
// Last printed JDE before the first minimum: far from every JDE of the run.
constexpr double no_minimum_yet = -1e10;

} // namespace

double fmin_scan_step(int main_option, double f)
{
    const bool chambers = main_option == MainOption::chambers;
    const double c0 = chambers ? 0.2 : 1.0;
    const double c1 = chambers ? 0.1 : 0.5;
    return c0 + c1 * f;
}

bool fmin_same_minimum(double jde, double last_printed) { return std::abs(jde - last_printed) < 0.1; }

void fmin_scan(const FminSettings& set, const FminEvaluate& evaluate, const FminReport& report,
               std::array<int, 6>& counters)
{
    double jde = set.jde_from;
    double prev_f = 0.0;
    double last_printed = no_minimum_yet;
    double restart = jde;
    int climbing = 0;
    int eph = set.ephem_choice;

    while (jde <= set.jde_to) {
        // A fresh minimum search at every scan point.
        int running = 0;
        FitminState fm{.w1 = 1.0, .w2 = 1.0};
        fm.xs(1) = jde;

        double f = 0.0;
        for (;;) {
            ++counters[2];
            f = evaluate(jde, eph);
            fm.fs(fm.knext) = f;
            if (f > f_short_again) eph = set.ephem_choice;

            // Still climbing out of the last minimum: go on scanning until F
            // falls again, and remember where it did.
            if (climbing == 1) {
                if (f > prev_f) break;
                restart = jde;
            }
            if (f > set.tol_short && running == 0) {
                climbing = 0;
                break;
            }

            if (set.combi_flag == 1) eph = 2;
            running = 1;
            const int ktype = (fm.w1 < parabola_width || fm.w2 < parabola_width) ? 2 : 1;
            fitmin({.kphase = eph, .ktype = ktype, .kmode = set.passage, .tol = set.tol, .step = set.step,
                    .kout = set.kout},
                   fm);
            if (fm.ke == 1) {
                jde = fm.xs(fm.knext);
                climbing = 0;
                continue;
            }

            // The search has ended at the JDE evaluated last.
            if (fmin_same_minimum(jde, last_printed)) {
                climbing = 1;
                jde = restart;
                break;
            }
            if (f < set.tol_full) {
                ++counters[3];
                report(jde);
            }
            last_printed = jde;
            climbing = 1;
            break;
        }
        prev_f = f;
        jde += fmin_scan_step(set.main_option, f);
    }
}

void fmin_run(const RunParams& p, RunState& s, const Site& site, const Ephemerides& ephem, results::Run& out)
{
    auto& u = io::units();
    const int kout = u.list().front();

    FminSettings set;
    set.main_option = p.main_option;
    set.passage = p.passage;
    set.ephem_choice = p.ephem_choice;
    set.combi_flag = p.combi_flag;
    set.jde_from = s.jde_from;
    set.jde_to = s.jde_to;
    set.tol_short = p.tol_short;
    set.tol_full = p.tol_full;
    set.tol = site.dx(1);
    set.step = s.step_days;
    set.kout = kout;

    // The fit's vectors, and the comparison at the JDE evaluated last: the
    // minimum that is reported is the last evaluated JDE, so its row uses that
    // comparison (its F and the view it decided).
    FitWork fit;
    TriangleFit cmp;
    const FminEvaluate evaluate = [&](double jde, int eph) {
        if (p.sun_mode == SunMode::space_fitex) refresh_fit(site, fit);
        // The orientation is decided afresh at every JDE from the run's view.
        cmp = relpos(p, kartko(p.sun_mode, triangle_positions(ephem, eph, jde, kout)), site.geometry);
        return cmp.f;
    };

    const FminReport report = [&](double jde) {
        const PassageTime pt = ephim(1, p.passage, p.main_option, p.calendar_choice, {.jde = jde});
        const int kint = pt.kint;
        const double year = pt.year, dt = pt.djde;
        std::string label;
        konst(kint, label);
        const SunPoint sun = fit_sun_point(p, site, fit, cmp, kout);

        const bool ch = p.main_option == MainOption::chambers;
        const std::string_view vmark = view_marker(cmp.view);
        const double f = cmp.f, m = sun.length_ratio;
        // The Sun point and its uncertainty radius [m].
        const double sx = sun.at.x, sy = sun.at.y, sz = sun.at.z, dr = sun.dr;
        std::string row;
        if (p.output_choice == OutputChoice::special) {
            row = io::fmt(ch ? "(1x,a2,i7,f11.3,f8.3,f9.3,f9.4,f8.2,2f7.2,1x,a2,f7.3)"
                             : "(1x,a2,i7,f11.3,f8.3,f9.3,f9.4,f8.1,2f7.1,1x,a2,f7.3)",
                          {label, kint, year, dt, euler5_degrees(sun.parameters[4]), scale_shown(p.main_option, m), sx,
                           sy, sz, vmark, f});
        } else {
            const int iw3 = sun.evaluations;
            // From 1000 evaluations on, the count takes a column from the status.
            const bool wide = iw3 >= wide_evaluations;
            const std::string_view layout = ch ? (wide ? "(1x,a2,i7,f15.5,f11.3,i2,i5,f8.2,2f7.2,f6.2,a2,f6.3)"
                                                       : "(1x,a2,i7,f15.5,f11.3,i3,i4,f8.2,2f7.2,f6.2,a2,f6.3)")
                                               : (wide ? "(1x,a2,i7,f15.5,f11.3,i2,i5,f8.1,2f7.1,f6.2,a2,f6.3)"
                                                       : "(1x,a2,i7,f15.5,f11.3,i3,i4,f8.1,2f7.1,f6.2,a2,f6.3)");
            row = io::fmt(layout, {label, kint, jde, year, sun.status, iw3, sx, sy, sz, dr, vmark, f});
        }
        u.put_all(row);
        results::SiteCsv csv;
        csv.site = p.main_option;
        csv.sun_mode = p.sun_mode;
        csv.calendar = p.calendar_choice;
        csv.label = label;
        csv.k = kint;
        csv.jde = jde;
        csv.year = year;
        csv.sun_x = sx;
        csv.sun_y = sy;
        csv.sun_z = sz;
        csv.view_mark = vmark;
        csv.f = f;
        if (p.output_choice == OutputChoice::special) {
            csv.offset_days = dt;
            csv.x5 = euler5_degrees(sun.parameters[4]);
            csv.scale = m;
        } else {
            csv.fit_status = sun.status;
            csv.evaluations = sun.evaluations;
            csv.dr = dr;
        }
        results::record_site_csv(out, csv);
        results::record_site_row(out, p, year, site.geometry, f, sun, p.tol_short);
    };

    fmin_scan(set, evaluate, report, s.counters);
}

} // namespace r7
