// Helpers of the dialog and parameter-file tests: a captured terminal, a scripted
// dialog run, and the answers that lead the detailed dialog to a given set.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "io/units.hpp"
#include "state/dialog.hpp"
#include "state/params.hpp"

namespace r7::test {

// Sends the terminal unit into a string for the lifetime of the object.
struct Terminal {
    std::ostringstream out;
    Terminal() { io::units().set_terminal(&out); }
    ~Terminal() { io::units().set_terminal(nullptr); }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;
    std::string text() const { return out.str(); }
};

struct DialogRun {
    RunParams p;
    std::string out;       // everything written to the terminal
    bool ended = false;    // EndOfInput was thrown
    bool consumed = false; // no input was left over
};

inline DialogRun run_dialog(const std::string& input)
{
    Terminal t;
    DialogRun r;
    std::istringstream in(input);
    try {
        inputdata(r.p, in);
    } catch (const EndOfInput&) {
        r.ended = true;
    }
    r.consumed = in.peek() == std::char_traits<char>::eof();
    r.out = t.text();
    return r;
}

inline std::string joined(const std::vector<std::string>& answers)
{
    std::string s;
    for (const auto& a : answers) s += a + "\n";
    return s;
}

// The run parameters in which two sets differ (menu_choice aside), "" if none.
inline std::string differences(const RunParams& a, const RunParams& b)
{
    std::ostringstream d;
#define R7_CMP(f) \
    if (a.f != b.f) d << #f << ": " << a.f << " != " << b.f << "; ";
    R7_CMP(main_option) R7_CMP(conj_choice) R7_CMP(ephem_choice) R7_CMP(full_flag) R7_CMP(combi_flag)
    R7_CMP(output_detail) R7_CMP(frame_choice) R7_CMP(vsop_variant) R7_CMP(table_switch) R7_CMP(date_mode)
    R7_CMP(time_scale) R7_CMP(calendar_choice) R7_CMP(planet_order) R7_CMP(passage) R7_CMP(steps_per_passage)
    R7_CMP(step_width) R7_CMP(sun_mode) R7_CMP(level_choice) R7_CMP(coord_choice) R7_CMP(constellation)
    R7_CMP(year_from) R7_CMP(year_to) R7_CMP(k_number) R7_CMP(start_jde) R7_CMP(tol_short) R7_CMP(tol_full)
    R7_CMP(f_consider) R7_CMP(f_print) R7_CMP(conj_filter) R7_CMP(view) R7_CMP(output_choice)
#undef R7_CMP
    return d.str();
}

// The answers of the detailed dialog (after the menu answer 0) that produce the
// set p, derived from the questions' codes. A set that no dialog can produce
// makes the replay of these answers diverge.
inline std::vector<std::string> answers_for(const RunParams& p)
{
    std::vector<std::string> a;
    auto I = [&](int v) { a.push_back(std::to_string(v)); };
    auto R = [&](double v) {
        char b[40];
        std::snprintf(b, sizeof b, "%.17g", v);
        a.push_back(b);
    };
    const bool site = p.main_option == 1 || p.main_option == 2;
    const bool transit = p.main_option == 3 && (p.conj_choice == 1 || p.conj_choice == 2);
    const bool syzygy = p.main_option == 3 && !transit;
    const bool combi = p.combi_flag == 1, full = p.ephem_choice == 2, kepler = p.ephem_choice == 3;
    const bool area = p.passage == 3 || p.passage == 4;
    const bool one_k = site && p.constellation == 15 && full && (p.passage == 1 || p.passage == 2);

    I(p.main_option);
    if (p.main_option == 3) I(p.conj_choice);
    if (p.main_option != 4) {
        if (transit) {
            I(combi ? 1 : 2);
        } else {
            I(combi ? 1 : p.ephem_choice == 1 ? 2 : kepler ? 3 : 4);
        }
        if (!(p.ephem_choice == 1 && (!combi || p.main_option == 3))) I(p.frame_choice);
        if (transit) I(p.date_mode);
    }
    if (p.main_option <= 3) I(p.calendar_choice);
    if (transit && p.date_mode >= 3) I(p.time_scale);
    if (p.main_option == 2 && !kepler) I(p.planet_order);
    if (site) {
        I(p.passage);
        if (area) {
            I(p.steps_per_passage);
            R(p.step_width);
        }
        if (p.main_option == 1 && (p.passage == 1 || p.passage == 2)) I(p.sun_mode >= 3 ? 3 : p.sun_mode);
        // The 2D / SLE / FITEX question: codes 1, 2, 3 for sun modes 3, 4, 5.
        if (p.passage != 5 && !kepler && (p.main_option == 2 || p.sun_mode >= 3)) I(p.sun_mode - 2);
        if (p.sun_mode == 4 || p.sun_mode == 5) I(p.level_choice);
        if (!kepler && p.sun_mode == 1) I(p.coord_choice);
        if (!combi && p.passage != 5) I(p.constellation);
    }
    if (one_k) {
        R(p.k_number);
    } else if (p.main_option == 3 || (site && p.constellation == 15)) {
        R(p.year_from);
        R(p.year_to);
    }
    if (syzygy && !combi) R(p.step_width);
    if (p.constellation == 0) R(p.start_jde);
    if (site && p.constellation == 15 && !one_k) {
        R(p.tol_short);
        if (combi || p.passage == 5) R(p.tol_full);
        if (area) {
            R(p.f_consider);
            R(p.f_print);
        }
    }
    if (syzygy) {
        R(p.tol_short);
        if (combi) R(p.tol_full);
        if (p.sun_mode == 5 && !kepler) I(p.conj_filter);
    }
    if (site && (p.sun_mode == 1 || p.sun_mode == 2) && (p.constellation == 0 || p.constellation == 15)) I(p.view);
    if (p.main_option == 4) {
        I(p.conj_choice);
        R(p.year_from);
        R(p.year_to);
        if (p.year_to > p.year_from) R(p.step_width);
        I(p.date_mode);
        I(p.time_scale);
        I(p.calendar_choice);
        if (p.calendar_choice == 4) R(p.tol_short);
    }
    const bool detail_fixed = (full && area) || (syzygy && !combi && p.step_width != 0.0);
    if (!detail_fixed && p.passage != 5 && !full) I(p.output_detail);
    I(p.output_choice);
    return a;
}

} // namespace r7::test
