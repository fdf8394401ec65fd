// Heading block of the Giza, chamber and transit/syzygy reports: the title (what
// is searched) and the settings (ephemeris, frame, Sun or reference point,
// interval or date). The main program calls titel1, titel2 and then the table
// head once per output unit.
#pragma once

namespace r7 {

// Title, subtitle and option line. Some menu answers carry a fixed title of
// their own instead of the standard one.
void titel1(int passage, int constellation, int unit, int sun_mode, int main_option, int conj_choice,
            int date_mode, int conj_filter, int time_scale, int reference_flag, int menu_choice);

// Settings lines: ephemeris, frame, planet order and point; then the interval
// line, or the JDE line with (for aphelion and perihelion runs) the calendar
// date; then the area lines of a passage-area search. For the JDE line the JDE
// is converted with the passage numbering of the run, which leaves the k-number
// in k and the year and the offset from the nearest whole passage in year and
// djde. step_width is in days.
void titel2(int unit, int ephem_choice, int vsop_variant, int coord_choice, int main_option, int sun_mode,
            int level_choice, int view, int constellation, int planet_order, int passage, int conj_choice,
            int calendar_choice, double& k, double jde, double& year, double& djde, double tol_short,
            double tol_full, double tol_entered, double f_consider, double f_print, int steps_per_passage,
            double step_width, int combi_flag, double year_from, double year_to);

} // namespace r7
