#include "state/setcheck.hpp"
#include "state/constants.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>

#include "state/codes.hpp"
#include "state/dialog.hpp"

namespace r7 {

namespace {

constexpr int steps_max = 200000;         // steps per passage area
constexpr double teoti_base_max = 1000.0; // custom logarithmic base

// A value as messages show it: 0.00001 rather than 1e-05 for the small values
// of the records' five decimals.
std::string num(double v)
{
    char b[40];
    if (v != 0.0 && std::abs(v) >= 1e-9 && std::abs(v) < 1e-4) {
        std::snprintf(b, sizeof b, "%.10f", v);
        std::string t = b;
        t.erase(t.find_last_not_of('0') + 1);
        return t;
    }
    std::snprintf(b, sizeof b, "%.10g", v);
    return b;
}

struct Checker {
    std::optional<SetViolation> found;

    void fail(int record, const std::string& text)
    {
        if (!found) found = SetViolation{record, text};
    }
    void code(int record, const char* name, int v, int lo, int hi)
    {
        if (v < lo || v > hi)
            fail(record, std::string(name) + " " + std::to_string(v) + " is outside the accepted range " +
                             std::to_string(lo) + " to " + std::to_string(hi));
    }
    void code(int record, const char* name, int v, std::initializer_list<int> codes)
    {
        for (int c : codes)
            if (v == c) return;
        std::string list;
        for (int c : codes) list += (list.empty() ? "" : ", ") + std::to_string(c);
        fail(record, std::string(name) + " " + std::to_string(v) + " is not one of the accepted codes " + list);
    }
    // lo < v (lo_open) or lo <= v, and v <= hi.
    void real(int record, const char* name, double v, double lo, bool lo_open, double hi)
    {
        if (!std::isfinite(v) || (lo_open ? !(v > lo) : !(v >= lo)) || !(v <= hi))
            fail(record, std::string(name) + " " + num(v) + " is outside the accepted range " +
                             (lo_open ? "above " : "") + num(lo) + " to " + num(hi));
    }
    void time(int record, const char* name, double v, int time_kind, int ephem_choice)
    {
        double lo = 0.0, hi = 0.0;
        time_limits(time_kind, ephem_choice, lo, hi);
        // The limits hold a small margin for rounding; the message shows the
        // round values the dialog shows.
        if (!std::isfinite(v) || v < lo || v > hi)
            fail(record, std::string(name) + " " + num(v) + " is outside the accepted range " +
                             num(std::round(lo)) + " to " + num(std::round(hi)));
    }
};

} // namespace

double teoti_epochs(double year_from, double year_to, double step_years)
{
    // Without a positive step the run computes the first year only.
    if (!(year_to > year_from) || !(step_years > 0.0)) return 1.0;
    if (year_from + step_years == year_from || year_to - step_years == year_to)
        return std::numeric_limits<double>::infinity();
    return std::floor((year_to - year_from) / step_years) + 1.0;
}

double scan_steps(double year_from, double year_to, double step_hours)
{
    const double step = std::isnan(step_hours) ? scan_step_floor_hours : std::max(step_hours, scan_step_floor_hours);
    return (year_to - year_from) * days_per_julian_year * 24.0 / step;
}

bool is_step_scan(const RunParams& p)
{
    return p.main_option == MainOption::conjunctions && ConjChoice::is_syzygy(p.conj_choice) &&
           p.sun_mode != SunMode::space_fitex;
}

std::optional<SetViolation> check_set(const RunParams& p)
{
    Checker c;
    const int m = p.main_option;
    c.code(0, "main_option", m, 1, 4);
    if (c.found) return c.found;
    const bool site = m == 1 || m == 2;
    c.code(0, "conj_choice", p.conj_choice, 1, m == 4 ? 3 : 4);
    c.code(0, "ephem_choice", p.ephem_choice, 1, 3);
    c.code(0, "full_flag", p.full_flag, 0, 1);
    c.code(0, "combi_flag", p.combi_flag, 0, 1);

    c.code(1, "frame_choice", p.frame_choice, 1, 2);
    c.code(1, "table_switch", p.table_switch, 0, 1);
    c.code(1, "date_mode", p.date_mode, 1, m == 4 ? 2 : 4);
    c.code(1, "time_scale", p.time_scale, 1, 2);
    if (m == 4) c.code(1, "calendar_choice", p.calendar_choice, {1, 3, 4});
    else c.code(1, "calendar_choice", p.calendar_choice, 1, 2);

    c.code(2, "planet_order", p.planet_order, 0, 6);
    c.code(2, "passage", p.passage, 1, 5);
    c.code(2, "steps_per_passage", p.steps_per_passage, 0, steps_max);
    // A step the dialog accepts may be recorded as 0.00000 (f12.5); such a step
    // is harmless (a site study counts its steps, a Teotihuacan run then
    // computes one epoch), so 0 is accepted where the dialog asks for more.
    // Not in a syzygy scan, which would step at its floor and report an event
    // at every step: there the step must be one that its record keeps.
    if (site && Passage::is_area(p.passage))
        c.real(2, "step_width", p.step_width, 0.0, false, max_site_step_hours);
    else if (is_step_scan(p)) c.real(2, "step_width", p.step_width, min_scan_step_hours, false, max_scan_step_hours);
    else if (m == 3) c.real(2, "step_width", p.step_width, 0.0, false, max_scan_step_hours);
    else c.real(2, "step_width", p.step_width, 0.0, false, std::numeric_limits<double>::max());

    c.code(3, "sun_mode", p.sun_mode, 1, 5);
    c.code(3, "level_choice", p.level_choice, 0, 3);
    c.code(3, "coord_choice", p.coord_choice, 1, 5);
    c.code(3, "constellation", p.constellation, 0, 15);

    // Times: only those the run uses.
    const bool one_k = site && p.constellation == Constellation::range && p.ephem_choice == EphemChoice::full_series &&
                       Passage::is_point(p.passage);
    const bool years = m == 3 || m == 4 || (site && p.constellation == Constellation::range && !one_k);
    if (years) {
        const int kind = m == 4 ? teoti_time_kind : 1;
        c.time(4, "year_from", p.year_from, kind, p.ephem_choice);
        c.time(4, "year_to", p.year_to, kind, p.ephem_choice);
        if (!c.found && (m == 4 ? p.year_to < p.year_from : p.year_to <= p.year_from))
            c.fail(4, "year_to " + num(p.year_to) + " is not " + (m == 4 ? "at or " : "") + "after year_from " +
                          num(p.year_from));
    }
    if (one_k) c.time(4, "k_number", p.k_number, 2, p.ephem_choice);
    if (site && p.constellation == Constellation::one_jde) c.time(4, "start_jde", p.start_jde, 3, p.ephem_choice);

    if (m == 4 && p.calendar_choice == 4) c.real(5, "tol_short", p.tol_short, 1.0, true, teoti_base_max);
    else c.real(5, "tol_short", p.tol_short, 0.0, false, max_tolerance);
    c.real(5, "tol_full", p.tol_full, 0.0, false, max_tolerance);
    c.real(5, "f_consider", p.f_consider, 0.0, false, max_tolerance);
    c.real(5, "f_print", p.f_print, 0.0, false, max_tolerance);

    c.code(6, "conj_filter", p.conj_filter, 1, 2);
    c.code(6, "view", p.view, 1, 3);
    c.code(6, "output_detail", p.output_detail, 1, 2);
    c.code(6, "output_choice", p.output_choice, 1, 4);
    if (c.found) return c.found;

    // The size of the run.
    if (m == 4) {
        const double n = teoti_epochs(p.year_from, p.year_to, p.step_width);
        if (p.step_width > p.year_to - p.year_from && p.year_to > p.year_from)
            c.fail(2, "step_width " + num(p.step_width) + " is above the range of years " +
                          num(p.year_to - p.year_from));
        else if (n > max_teoti_epochs)
            c.fail(2, "step_width " + num(p.step_width) + " gives " + num(n) + " epochs (at most " +
                          num(max_teoti_epochs) + ")");
    } else if (is_step_scan(p)) {
        const double n = scan_steps(p.year_from, p.year_to, p.step_width);
        if (n > max_scan_steps)
            c.fail(2, "step_width " + num(p.step_width) + " h gives " + num(n) + " scan steps (at most " +
                          num(max_scan_steps) + ")");
    } else if (site && years && Passage::is_area(p.passage)) {
        // Mercury passes its aphelion (and perihelion) about 4.15 times a year.
        const double n = (p.year_to - p.year_from) * 4.16 * std::max(1, p.steps_per_passage);
        if (n > max_passage_steps)
            c.fail(2, "steps_per_passage " + std::to_string(p.steps_per_passage) + " gives " + num(n) +
                          " steps over the years (at most " + num(max_passage_steps) + ")");
    }
    return c.found;
}

} // namespace r7
