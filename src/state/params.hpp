// The 32 run parameters of one run, in dialog order. The dialog or a record set
// of the parameter file fills them; every other routine only reads them (what
// the run derives from them, such as the step in days, is kept in its run state).
#pragma once

namespace r7 {

struct RunParams {
    int main_option = 0;        // 1 Giza, 2 chambers, 3 conjunctions/transits, 4 Teotihuacan
    int conj_choice = 0;        // 1 Mercury tr., 2 Venus tr., 3 3-syzygy, 4 4-syzygy; Teotihuacan: distance kind
    int ephem_choice = 0;       // 1 short series, 2 full series, 3 Kepler orbits
    int full_flag = 0;          // 1 when the full version was chosen as such
    int combi_flag = 0;         // 1: short series searches, full series confirms
    int output_detail = 0;      // 1 normal, 2 extended
    int frame_choice = 0;       // 1 ecliptic of date, 2 J2000.0
    int vsop_variant = 0;       // 3 ecliptic of date (VSOP87C), 1 J2000.0 (VSOP87A)
    int table_switch = 0;       // 1 unless a record set says otherwise
    int date_mode = 0;          // transits 1..4; Teotihuacan 1 data unit, 2 "luna"
    int time_scale = 0;         // 1 JDE/TT, 2 UT; Teotihuacan: 1 km, 2 solar radius
    int calendar_choice = 0;    // 1 Gregorian only, 2 Julian before the reform; Teotihuacan: log base 1, 3, 4
    int planet_order = 0;       // chambers: 1 E-V-M ... 6 M-V-E
    int passage = 0;            // 1 aphelion, 2 perihelion, 3 aph. area, 4 per. area, 5 free
    int steps_per_passage = 0;  // steps across a passage area
    double step_width = 0.0;    // hours (main options 1-3), years (main option 4)
    int sun_mode = 0;           // 1 south of Mykerinos, 2 south of Chefren, 3 2D, 4 3D/SLE, 5 3D/FITEX
    int level_choice = 0;       // Giza: 1 base, 2 centre of mass, 3 top; chambers: 1 east, 2 middle, 3 west wall
    int coord_choice = 0;       // 1 ecliptic, 2-4 Mercury-based, 5 Venus-based
    int constellation = 0;      // 1..14 predefined, 15 range of years (or k-number), 0 one JDE
    double year_from = 0.0;
    double year_to = 0.0;
    double k_number = 0.0;
    double start_jde = 0.0;
    double tol_short = 0.0;     // Teotihuacan: custom logarithmic base
    double tol_full = 0.0;
    double f_consider = 0.0;
    double f_print = 0.0;
    int conj_filter = 0;        // 1 all conjunctions, 2 only transits
    int view = 0;               // 1 north, 2 south, 3 both
    int menu_choice = 0;        // the menu answer
    int output_choice = 0;      // 1 monitor, 2 monitor and file, 3 special, 4 exit
};

} // namespace r7
