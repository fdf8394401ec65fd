// The scan step of a syzygy run: a step that its record keeps, and at most 1e8
// of the steps the scan really takes, counted against the span in hours.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "state/setcheck.hpp"

namespace r7 {
namespace {

// A syzygy scan of three planets over the years, short series, in steps of
// step hours (sun_mode 1: no minimum search).
RunParams syzygy_scan(double year_from, double year_to, double step)
{
    RunParams p;
    p.main_option = 3; p.conj_choice = 3; p.ephem_choice = 1; p.full_flag = 0; p.combi_flag = 0;
    p.frame_choice = 1; p.table_switch = 1; p.date_mode = 1; p.time_scale = 1; p.calendar_choice = 2;
    p.planet_order = 0; p.passage = 1; p.steps_per_passage = 0; p.step_width = step;
    p.sun_mode = 1; p.level_choice = 0; p.coord_choice = 1; p.constellation = 15;
    p.year_from = year_from; p.year_to = year_to; p.k_number = 0.0; p.start_jde = 0.0;
    p.tol_short = 3.0; p.tol_full = 0.0; p.f_consider = 0.0; p.f_print = 0.0;
    p.conj_filter = 1; p.view = 1; p.output_detail = 1; p.output_choice = 2;
    return p;
}

std::string refusal(const RunParams& p)
{
    const auto v = check_set(p);
    return v ? std::to_string(v->record) + ": " + v->text : "";
}

// A scan step that its record keeps (f12.5 writes 0.000004 as 0.00000); below 1e-4
// days (0.0024 h) the scan steps 1e-4 days, so 27 years take 9.86e7 steps, 28 years
// 1.02e8; the epochs of a Teotihuacan run and the years of each ephemeris are bounded.
TEST(SetCheck, ScanStepsEpochsAndYearsAreBounded)
{
    RunParams teoti = syzygy_scan(2000, 2001, 1e-6);
    teoti.main_option = 4;
    teoti.calendar_choice = 1;
    RunParams teoti_ok = teoti, teoti_late = teoti;
    teoti_ok.step_width = teoti_late.step_width = 1e-5;
    teoti_late.year_to = 17177.0;
    RunParams kepler = syzygy_scan(29000, 30001, 24.0);
    kepler.ephem_choice = 3;
    const std::pair<RunParams, std::string> cases[] = {
        {syzygy_scan(3000, 3001, 0.000004), "2: step_width 0.000004 is outside the accepted range 0.00001 to 1e+12"},
        {syzygy_scan(3000, 3001, 0.00001), ""},
        {syzygy_scan(2000, 2027, 0.00001), ""},
        {syzygy_scan(2000, 2028, 0.00001), "2: step_width 0.00001 h gives 102270000 scan steps (at most 100000000)"},
        {teoti, "2: step_width 0.000001 gives 1000001 epochs (at most 100000)"},
        {teoti_ok, ""},
        {teoti_late, "4: year_to 17177 is outside the accepted range -28987 to 17176"},
        {kepler, "4: year_to 30001 is outside the accepted range -30000 to 30000"},
    };
    for (const auto& [p, want] : cases) EXPECT_EQ(refusal(p), want) << p.year_to << " " << p.step_width;
}

} // namespace
} // namespace r7
