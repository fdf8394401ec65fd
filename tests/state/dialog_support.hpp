// Helpers of the dialog and parameter-file tests: a captured terminal, a scripted
// dialog run, and the answers that lead the detailed dialog to a given set.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>

#include "io/error.hpp"
#include "io/units.hpp"
#include "state/dialog.hpp"
#include "state/params.hpp"
#include "test_support.hpp"

namespace r7::test {

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

// Without its last line end the input completes the dialog; cut after any other
// answer, the dialog ends (EndOfInput) with one more question standing, no message.
inline void expect_ends_at_every_question(const std::string& input)
{
    EXPECT_FALSE(run_dialog(input.substr(0, input.size() - 1)).ended);
    std::size_t shown = 0;
    for (auto cut = input.find('\n'); cut + 1 < input.size(); cut = input.find('\n', cut + 1)) {
        const auto r = run_dialog(input.substr(0, cut + 1));
        EXPECT_TRUE(r.ended) << cut;
        EXPECT_EQ(r.out.find("incorrect"), std::string::npos);
        EXPECT_EQ(r.out.back(), ' ');
        EXPECT_GT(r.out.size(), shown); // one more question per answer
        shown = r.out.size();
    }
}

// All run parameters as " name=value " (exact for reals).
inline std::string describe(const RunParams& p)
{
    std::ostringstream d;
    d.precision(17);
#define R7_F(f) d << " " #f "=" << p.f;
    R7_F(main_option) R7_F(conj_choice) R7_F(ephem_choice) R7_F(full_flag) R7_F(combi_flag) R7_F(output_detail)
    R7_F(frame_choice) R7_F(vsop_variant) R7_F(table_switch) R7_F(date_mode) R7_F(time_scale) R7_F(calendar_choice)
    R7_F(planet_order) R7_F(passage) R7_F(steps_per_passage) R7_F(step_width) R7_F(sun_mode) R7_F(level_choice)
    R7_F(coord_choice) R7_F(constellation) R7_F(year_from) R7_F(year_to) R7_F(k_number) R7_F(start_jde)
    R7_F(tol_short) R7_F(tol_full) R7_F(f_consider) R7_F(f_print) R7_F(conj_filter) R7_F(view) R7_F(menu_choice)
    R7_F(output_choice)
#undef R7_F
    return d.str() + " ";
}

// The answers of the detailed dialog (after the menu answer 0) that produce the set p,
// one per line; for a set that no dialog can produce, the replay diverges.
inline std::string answers_for(const RunParams& p)
{
    std::string a;
    auto I = [&](int v) { a += std::to_string(v) + "\n"; };
    auto R = [&](std::initializer_list<double> vs) {
        for (double v : vs) {
            char b[40];
            std::snprintf(b, sizeof b, "%.17g\n", v);
            a += b;
        }
    };
    const int m = p.main_option;
    const bool site = m == 1 || m == 2, transit = m == 3 && (p.conj_choice == 1 || p.conj_choice == 2);
    const bool syzygy = m == 3 && !transit;
    const bool combi = p.combi_flag == 1, full = p.ephem_choice == 2, kepler = p.ephem_choice == 3;
    const bool area = p.passage == 3 || p.passage == 4;
    const bool one_k = site && p.constellation == 15 && full && (p.passage == 1 || p.passage == 2);

    I(m);
    if (m == 3) I(p.conj_choice);
    if (m != 4) {
        I(combi ? 1 : transit || p.ephem_choice == 1 ? 2 : kepler ? 3 : 4);
        if (!(p.ephem_choice == 1 && (!combi || m == 3))) I(p.frame_choice);
        if (transit) I(p.date_mode);
    }
    if (m <= 3) I(p.calendar_choice);
    if (transit && p.date_mode >= 3) I(p.time_scale);
    if (m == 2 && !kepler) I(p.planet_order);
    if (site) {
        I(p.passage);
        if (area) I(p.steps_per_passage), R({p.step_width});
        if (m == 1 && (p.passage == 1 || p.passage == 2)) I(p.sun_mode >= 3 ? 3 : p.sun_mode);
        // The 2D / SLE / FITEX question: codes 1, 2, 3 for sun modes 3, 4, 5.
        if (p.passage != 5 && !kepler && (m == 2 || p.sun_mode >= 3)) I(p.sun_mode - 2);
        if (p.sun_mode == 4 || p.sun_mode == 5) I(p.level_choice);
        if (!kepler && p.sun_mode == 1) I(p.coord_choice);
        if (!combi && p.passage != 5) I(p.constellation);
    }
    if (one_k) R({p.k_number});
    else if (m == 3 || (site && p.constellation == 15)) R({p.year_from, p.year_to});
    if (syzygy && !combi) R({p.step_width});
    if (p.constellation == 0) R({p.start_jde});
    if (site && p.constellation == 15 && !one_k) {
        R({p.tol_short});
        if (combi || p.passage == 5) R({p.tol_full});
        if (area) R({p.f_consider, p.f_print});
    }
    if (syzygy) {
        R({p.tol_short});
        if (combi) R({p.tol_full});
        if (p.sun_mode == 5 && !kepler) I(p.conj_filter);
    }
    if (site && (p.sun_mode == 1 || p.sun_mode == 2) && (p.constellation == 0 || p.constellation == 15)) I(p.view);
    if (m == 4) {
        I(p.conj_choice);
        R({p.year_from, p.year_to});
        if (p.year_to > p.year_from) R({p.step_width});
        I(p.date_mode), I(p.time_scale), I(p.calendar_choice);
        if (p.calendar_choice == 4) R({p.tol_short});
    }
    const bool detail_fixed = (full && area) || (syzygy && !combi && p.step_width != 0.0);
    if (!detail_fixed && p.passage != 5 && !full) I(p.output_detail);
    I(p.output_choice);
    return a;
}

} // namespace r7::test
