#include "state/dialog.hpp"

#include <climits>
#include <cmath>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "io/error.hpp"
#include "io/layout.hpp"
#include "io/units.hpp"
#include "state/codes.hpp"
#include "state/paramfile.hpp"
#include "state/setcheck.hpp"

namespace r7 {

namespace {

// Writes text to the terminal and flushes, so that a question stands on the
// screen before the answer is read.
void say(std::string_view text)
{
    auto& u = io::units();
    u.put(io::terminal_unit, text);
    u.flush();
}

// Writes a question: its layout without the end of its last record, so that the
// answer is typed behind it.
void ask(std::string_view layout, std::initializer_list<io::Arg> values = {})
{
    std::string q = io::fmt(layout, values);
    if (!q.empty() && q.back() == '\n') q.pop_back();
    say(q);
}

// Reads one free-form value; false when the answer is unreadable or empty (a
// slash or a lone comma leaves the value unset, and an unset answer is never
// taken as a default). The end of the input ends the dialog.
template <typename T>
bool read_answer(io::FreeReader& in, T& value, T unset)
{
    T x = unset;
    try {
        in.read({&x});
    } catch (const DataError& e) {
        // An input that cannot be read (closed, a directory) ends like one that ends.
        if (e.kind() == DataError::Kind::end_of_file || e.kind() == DataError::Kind::read_error) throw EndOfInput();
        return false;
    }
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(x)) return false;
    } else {
        if (x == unset) return false;
    }
    value = x;
    return true;
}

// An integer question with the accepted codes lo..hi.
int ask_int(io::FreeReader& in, std::string_view layout, int lo, int hi)
{
    for (;;) {
        ask(layout);
        int v = 0;
        if (read_answer(in, v, INT_MIN) && v >= lo && v <= hi) return v;
        emes(1, {}, 0.0);
    }
}

// An integer question with a list of accepted codes.
int ask_int(io::FreeReader& in, std::string_view layout, std::initializer_list<int> codes)
{
    for (;;) {
        ask(layout);
        int v = 0;
        if (read_answer(in, v, INT_MIN)) {
            for (int c : codes) {
                if (v == c) return v;
            }
        }
        emes(1, {}, 0.0);
    }
}

// A real question through pcheck (kind 1 time value, kind 2 positive up to max).
double ask_real(io::FreeReader& in, std::string_view layout, int kind, int time_kind, double maximum,
                int ephem_choice)
{
    for (;;) {
        ask(layout);
        double v = 0.0;
        int status = 0;
        pcheck(in, kind, v, time_kind, maximum, ephem_choice, status);
        if (status == 0) return v;
    }
}

// A real question with its own bounds: lo < v (or lo <= v) and v <= hi.
double ask_real_within(io::FreeReader& in, std::string_view layout, double lo, bool lo_open, double hi)
{
    for (;;) {
        ask(layout);
        double v = 0.0;
        int status = 0;
        pcheck(in, 0, v, 0, 0.0, 0, status);
        if (status != 0) continue;
        if ((lo_open ? v > lo : v >= lo) && v <= hi) return v;
        emes(1, {}, 0.0);
    }
}

struct TimeRange {
    double lo, hi;
    std::string_view text;
};

// Accepted time values and their range texts: [0] VSOP87, [1] Kepler orbits;
// time kinds 1 year, 2 k-number, 3 JDE.
constexpr TimeRange time_ranges[2][3] = {
    {{-13000.00001, 17000.00001, " (-13 000. <= year <= 17 000.)      "},
     {-63000.001, 63000.001, " (-63 000. <=  k  <=  63 000.)      "},
     {-3030000.1, 7940000.1, " (-3 030 000. <= JDE <= 7 940 000.) "}},
    {{-30000.00001, 30000.00001, " (-30 000. <= year <= 30 000.)      "},
     {-133000.01, 117000.01, " (-133 000. <=  k  <=  117 000.)    "},
     {-9240000.1, 12680000.1, " (-9 240 000. <= JDE <= 12 680 000.)"}},
};

// The Teotihuacan years (see teoti_year_min and teoti_year_max).
constexpr TimeRange teoti_range{teoti_year_min - 0.00001, teoti_year_max + 0.00001,
                                " (-28 987. <= year <= 17 176.)      "};

const TimeRange& time_range(int time_kind, int ephem_choice)
{
    if (time_kind == teoti_time_kind) return teoti_range;
    const int e = ephem_choice == EphemChoice::kepler ? 1 : 0;
    const int k = time_kind == 2 ? 1 : time_kind == 3 ? 2 : 0;
    return time_ranges[e][k];
}

struct MenuSet {
    int answer, set;
};

// The coded menu answers beyond the book options and the record sets they
// select (several answers share a set).
constexpr MenuSet menu_sets[] = {
    {21, 92},   {22, 93},   {170, 48},  {171, 49},  {180, 50},  {181, 51},  {190, 52},  {191, 53},
    {192, 54},  {193, 55},  {194, 56},  {195, 57},  {200, 58},  {201, 59},  {202, 60},  {210, 61},
    {211, 62},  {212, 63},  {213, 64},  {220, 65},  {221, 66},  {230, 8},   {231, 67},  {232, 68},
    {240, 3},   {241, 69},  {242, 70},  {250, 71},  {251, 72},  {260, 14},  {270, 73},  {271, 74},
    {280, 75},  {281, 76},  {300, 77},  {301, 78},  {310, 79},  {311, 80},  {320, 81},  {321, 82},
    {322, 83},  {323, 84},  {330, 85},  {331, 86},  {332, 87},  {333, 88},  {334, 89},  {335, 90},
    {338, 91},  {370, 16},  {371, 17},  {372, 18},  {373, 19},  {380, 20},  {381, 99},  {390, 21},
    {391, 22},  {392, 23},  {400, 24},  {401, 25},  {402, 26},  {410, 27},  {411, 28},  {412, 29},
    {413, 30},  {414, 31},  {415, 32},  {416, 33},  {417, 3},   {418, 34},  {419, 35},  {420, 27},
    {421, 28},  {422, 29},  {423, 30},  {424, 31},  {425, 32},  {426, 33},  {427, 3},   {428, 34},
    {429, 35},  {430, 36},  {431, 37},  {432, 38},  {440, 28},  {441, 31},  {442, 34},  {450, 2},
    {460, 39},  {461, 40},  {470, 39},  {471, 40},  {480, 41},  {481, 42},  {490, 3},   {491, 34},
    {492, 35},  {500, 1},   {501, 43},  {502, 44},  {510, 45},  {511, 46},  {512, 47},  {517, 96},
    {518, 97},  {519, 98},  {-804, 94}, {999, 999},
};

void banner_and_menu()
{
    say(io::fmt("(//29x,23('-'))"));
    say(io::fmt("(30x,'HELIOSYNCHRONOMETRICS')"));
    say(io::fmt("(30x,'Program R7, Aug. 2022')"));
    say(io::fmt("(29x,23('-'))"));

    static constexpr std::string_view heads[4] = {"Giza pyramids", "Great P. chambers", "transits syzygy",
                                                  "Teotihuacan"};
    static constexpr std::string_view options[20] = {
        "3D Mer at aph (1)", "3D Mer at per (6)", "Mercury tr  (11)", "GPS m km  (16)",
        "2D Mer at aph (2)", "Keplers equ   (7)", "Venus tr    (12)", "Map mm km (17)",
        "constell 3088 (3)", "constell 3088 (8)", "syzygy 3 pl (13)", "GPS log3  (18)",
        "1.5 days 3088 (4)", "1.5 days 3088 (9)", "syzygy 4 pl (14)", "Map log3  (19)",
        "near aphelion (5)", "F minimized  (10)", "TYMT test   (15)", "24000 y.  (20)"};
    std::vector<io::Arg> v;
    v.reserve(180);
    for (auto h : heads) v.emplace_back(h);
    for (int i = 0; i < 78; ++i) v.emplace_back("-");
    for (auto o : options) v.emplace_back(o);
    for (int i = 0; i < 78; ++i) v.emplace_back("-");
    say(io::layout("(/4x,a13,6x,a17,5x,a15,5x,a11/1x,78a1/5(2x,2(a17,4x), a16,4x,a14/),1x,78a1)").write(v));
}

// The menu question, asked until the answer is a valid menu answer.
int ask_menu(io::FreeReader& in)
{
    for (;;) {
        ask("(8x,a10,3x,a20,3x,a26)", {"info (111)", "detailed options (0)", "(1..20 or book options) : "});
        int v = 0;
        if (read_answer(in, v, INT_MIN) && is_menu_answer(v)) return v;
        emes(1, {}, 0.0);
    }
}

// A conjunction run of Mercury or Venus transits.
bool is_transit_run(const RunParams& p)
{
    return p.main_option == MainOption::conjunctions && ConjChoice::is_transit(p.conj_choice);
}

// A site study over one k-number of the full series.
bool is_one_k_run(const RunParams& p)
{
    return MainOption::is_site(p.main_option) && p.constellation == Constellation::range &&
           p.ephem_choice == EphemChoice::full_series && Passage::is_point(p.passage);
}

// The study and the kind of conjunction.
void ask_study(io::FreeReader& in, RunParams& p)
{
    // Study.
    p.main_option = ask_int(in,
                            "('  >>>  Giza pyramids  (1), GP chambers (2),'/"
                            " '       conj./transits (3), Teotihuacan (4)  : ' )",
                            1, 4);

    // Kind of conjunction.
    p.conj_choice = 4;
    if (p.main_option == MainOption::conjunctions)
        p.conj_choice = ask_int(in, "('  Tr. Mer.(1), Ven.(2), 3-co.(3), 4-co.(4)  : ' )", 1, 4);
}

// The ephemeris, its frame and the transit date.
void ask_ephemeris(io::FreeReader& in, RunParams& p)
{
    const bool site = MainOption::is_site(p.main_option);
    const bool transit = is_transit_run(p);
    // Ephemeris, frame and transit date.
    p.combi_flag = 0;
    p.ephem_choice = 3;
    p.full_flag = 0;
    p.frame_choice = 1;
    p.vsop_variant = 3;
    p.date_mode = 1;
    if (p.main_option != MainOption::teotihuacan) {
        int a = 0;
        if (site) {
            a = ask_int(in,
                        "('  VSOP87     combi. (1), short version (2),'/"
                        " '         Kepl. equ. (3),  full version (4)  : ' )",
                        1, 4);
        } else if (!transit) {
            a = ask_int(in, "('  VSOP87  combi.(1), short v.(2), ',  'Kepl.(3)  : ')", 1, 3);
        } else {
            a = ask_int(in, "('  VSOP87-version  full v.(1),  ',  'short v.(2)  : ')", 1, 2);
        }
        switch (a) {
        case 1: p.ephem_choice = 1; p.combi_flag = 1; break;
        case 2: p.ephem_choice = 1; break;
        case 3: p.ephem_choice = 3; break;
        default: p.ephem_choice = 2; p.full_flag = 1; break;
        }

        if (!(p.ephem_choice == EphemChoice::short_series &&
              (p.combi_flag == 0 || p.main_option == MainOption::conjunctions))) {
            p.frame_choice = ask_int(in, "('  System   ecl. of epoch (1),  J2000.0 (2)',  '  : ')", 1, 2);
            if (p.frame_choice == 2) p.vsop_variant = 1;
        }

        if (transit) {
            p.date_mode = ask_int(in,
                                  "('  Date  equ.L.(1), nearest (2), phases (3),'/"
                                  "  '            phases and position angles (4)  : ' )",
                                  1, 4);
        }
    }
}

// The calendar and time scale, and the planets of the chambers.
void ask_calendar(io::FreeReader& in, RunParams& p)
{
    const bool transit = is_transit_run(p);
    const bool kepler = p.ephem_choice == EphemChoice::kepler;
    // Calendar and time scale.
    p.calendar_choice = 0;
    p.time_scale = 1;
    if (p.main_option <= MainOption::conjunctions) {
        p.calendar_choice = ask_int(in, "('  Calendar  only Greg. (1), Jul./Greg. (2)  : ' )", 1, 2);
    }
    if (transit && DateMode::with_phases(p.date_mode)) {
        p.time_scale = ask_int(in, "('  Time system          JDE/TT (1),  UT (2)',  '  : ')", 1, 2);
    }

    // Assignment of the planets to the chambers.
    p.planet_order = 0;
    if (p.main_option == MainOption::chambers && !kepler) {
        p.planet_order = ask_int(in,
                                 "('  Planets  E-V-M (1), E-M-V (2), V-E-M (3),'/"
                                 "  '           V-M-E (4), M-E-V (5), M-V-E (6)  : ' )",
                                 1, 6);
    }
}

// The passage of Mercury and the Sun point of the site studies.
void ask_passage(io::FreeReader& in, RunParams& p)
{
    const bool site = MainOption::is_site(p.main_option);
    const bool combi = p.combi_flag == 1;
    const bool full = p.ephem_choice == EphemChoice::full_series;
    const bool kepler = p.ephem_choice == EphemChoice::kepler;
    // Passage of Mercury.
    p.passage = 1;
    p.steps_per_passage = 0;
    p.step_width = 24.0;
    if (site) {
        if (kepler) {
            p.passage = ask_int(in, "('  Passage    aphelion (1),  perihelion (2)',  '  : ')", 1, 2);
        } else if (combi) {
            p.passage = ask_int(in, "('  Passage   aph. (1),  per. (2),  free (5)',  '  : ')", {1, 2, 5});
        } else if (full) {
            p.passage = ask_int(in,
                                "('  Passage    aph./ per.  area of aph./ per.'/"
                                "  '             (1)   (2)           (3)   (4)',  '  : ')",
                                1, 4);
        } else {
            p.passage = ask_int(in,
                                "('  Passage aph./per. area of aph./per. free'/"
                                "  '          (1)  (2)          (3)  (4)   (5)  : ' )",
                                1, 5);
        }
        if (Passage::is_area(p.passage)) {
            p.steps_per_passage = ask_int(in, "('  Steps per Mercury passage : ')", 1, 200000);
            p.step_width = ask_real_within(in, "('  Step width  (hours, real) : ')", 0.0, true, max_site_step_hours);
            if (full) p.output_detail = 1;
        }
    }

    // Sun point.
    p.sun_mode = 1;
    if (site) {
        if (p.main_option == MainOption::giza && Passage::is_point(p.passage)) {
            if (kepler) {
                p.sun_mode = ask_int(in, "('  Sun pos. south of   Myk.(1),   Chefr.(2)',  '  : ')", 1, 2);
            } else {
                p.sun_mode = ask_int(in, "('  Sun pos.  Myk.(1),  Chefr.(2),  free (3)',  '  : ')", 1, 3);
            }
        } else {
            p.sun_mode = kepler ? 1 : 3;
        }
        if (p.passage == Passage::free) {
            p.sun_mode = 5;
        } else if (p.sun_mode == SunMode::plane_2d) {
            int a = 0;
            if (p.main_option == MainOption::giza) {
                a = ask_int(in, "('  Sun     2D (1), 3D/SLE (2), 3D/FITEX (3)',  '  : ')", 1, 3);
            } else {
                a = ask_int(in, "('  Sun (three-dim.):    SLE (2),  FITEX (3)',  '  : ')", 2, 3);
            }
            if (a == 2) p.sun_mode = 4;
            if (a == 3) p.sun_mode = 5;
        }
    }
}

// Level, coordinates and constellation of the site studies.
void ask_site_choices(io::FreeReader& in, RunParams& p)
{
    const bool site = MainOption::is_site(p.main_option);
    const bool combi = p.combi_flag == 1;
    const bool full = p.ephem_choice == EphemChoice::full_series;
    const bool kepler = p.ephem_choice == EphemChoice::kepler;
    // Level, coordinates, constellation.
    p.level_choice = 0;
    p.coord_choice = 1;
    p.constellation = 15;
    if (site) {
        if (p.sun_mode == SunMode::space_sle || p.sun_mode == SunMode::space_fitex) {
            if (p.main_option == MainOption::giza) {
                p.level_choice = ask_int(in, "('  z-coord.    base (1),  C-M (2),  top (3)',  '  : ')", 1, 3);
            } else {
                p.level_choice = ask_int(in, "('  Wall      east (1), middle (2), west (3)',  '  : ')", 1, 3);
            }
        }
        if (!kepler && p.sun_mode == SunMode::south_of_mykerinos) {
            p.coord_choice = ask_int(in, "('  Coord.   ecl.(1),   Mer.(2-4),   Ven.(5)',  '  : ')", 1, 5);
        }
        if (!combi && p.passage != Passage::free) {
            if (full && Passage::is_point(p.passage)) {
                p.constellation = ask_int(in, "('  Constell. (1..14),  k-No. (15),  JDE (0)',  '  : ')", 0, 15);
            } else {
                p.constellation = ask_int(in, "('  Constell. (1..14),  years (15),  JDE (0)',  '  : ')", 0, 15);
            }
        }
    }
}

// The time interval, the scan step of the conjunction runs and the single JDE.
void ask_interval(io::FreeReader& in, RunParams& p)
{
    const bool site = MainOption::is_site(p.main_option);
    const bool combi = p.combi_flag == 1;
    const bool one_k = is_one_k_run(p);
    // Time interval.
    p.k_number = 0.0;
    p.year_from = 0.0;
    p.year_to = 0.0;
    if (one_k) {
        p.k_number = ask_real(in, "('     k (real): ')", 1, 2, max_tolerance, p.ephem_choice);
    } else if (p.main_option == MainOption::conjunctions || (site && p.constellation == Constellation::range)) {
        p.year_from = ask_real(in, "('     from  year (real): ')", 1, 1, max_tolerance, p.ephem_choice);
        for (;;) {
            p.year_to = ask_real(in, "('     until year (real): ')", 1, 1, max_tolerance, p.ephem_choice);
            if (p.year_from < p.year_to) break;
            emes(1, {}, 0.0);
        }
    }

    // Scan step of the conjunction runs.
    if (p.main_option == MainOption::conjunctions) {
        p.step_width = 0.0;
        if (ConjChoice::is_syzygy(p.conj_choice) && !combi) {
            // 0 chooses the minimum search. A step that its record would keep as
            // 0.00000, or so small that the scan would take more than
            // max_scan_steps steps, is refused like any other wrong answer.
            for (;;) {
                p.step_width = ask_real_within(in, "('  Step width [hrs] (min.-search 0.) (real)',  '  : ')", 0.0,
                                               false, max_scan_step_hours);
                if (p.step_width == 0.0) break;
                if (p.step_width >= min_scan_step_hours &&
                    scan_steps(p.year_from, p.year_to, p.step_width) <= max_scan_steps)
                    break;
                emes(1, {}, 0.0);
            }
            if (p.step_width == 0.0) {
                p.sun_mode = 5;
            } else {
                p.output_detail = 1;
            }
        } else {
            p.sun_mode = 5;
        }
    }

    // One JDE.
    p.start_jde = 0.0;
    if (p.constellation == Constellation::one_jde) {
        p.start_jde = ask_real(in, "('     JDE (real) : ')", 1, 3, max_tolerance, p.ephem_choice);
    }
}

// The tolerances of the site studies and the range and filter of the syzygy runs.
void ask_tolerances(io::FreeReader& in, RunParams& p)
{
    const bool site = MainOption::is_site(p.main_option);
    const bool combi = p.combi_flag == 1;
    const bool kepler = p.ephem_choice == EphemChoice::kepler;
    const bool one_k = is_one_k_run(p);
    double maximum = max_tolerance;
    // Tolerances of the site studies.
    p.tol_short = 0.0;
    p.tol_full = 0.0;
    p.f_consider = 0.0;
    p.f_print = 0.0;
    if (site && p.constellation == Constellation::range && !one_k) {
        if (combi || p.passage == Passage::free) {
            if (SunMode::is_south(p.sun_mode)) {
                if (!kepler) maximum = 10.0;
                p.tol_short = ask_real(in, "('  Tolerance ecl. long. VSOP short   (real)',  '  : ')", 2, 0, maximum,
                                       p.ephem_choice);
                p.tol_full = ask_real(in, R"x(('      "      "     "   VSOP full    (real)',  '  : '))x", 2, 0,
                                      maximum, p.ephem_choice);
            } else if (p.passage == Passage::free && !combi) {
                p.tol_short = ask_real(in, "('  Max. F-pos, VSOP short, start fitmin [%]', '  : ')", 2, 0, maximum,
                                       p.ephem_choice);
                p.tol_full = ask_real(in, R"x(('   "     "    VSOP short, final range  [%]', '  : '))x", 2, 0,
                                      maximum, p.ephem_choice);
            } else {
                p.tol_short = ask_real(in, "('  Max. F-pos    VSOP short ver. (real) [%]', '  : ')", 2, 0, maximum,
                                       p.ephem_choice);
                p.tol_full = ask_real(in, R"x(('   "     "      VSOP  full ver. (real) [%]', '  : '))x", 2, 0,
                                      maximum, p.ephem_choice);
            }
        } else if (p.sun_mode >= SunMode::plane_2d) {
            p.tol_short = ask_real(in, "('  Max. F-pos at aphelion/ per.  (real) [%]',  '  : ')", 2, 0, maximum,
                                   p.ephem_choice);
        } else {
            if (!kepler) maximum = 10.0;
            p.tol_short = ask_real(in, "('  Tolerance ecl. long. Venus, Earth (real)',  '  : ')", 2, 0, maximum,
                                   p.ephem_choice);
        }
        if (Passage::is_area(p.passage)) {
            p.f_consider = ask_real(in, R"x(('   "     "   consider without printing [%]',  '  : '))x", 2, 0,
                                    maximum, p.ephem_choice);
            p.f_print = ask_real(in, R"x(('   "     "   print beyond aphelion/per.[%]',  '  : '))x", 2, 0, maximum,
                                 p.ephem_choice);
        }
    }

    // Angular range and filter of the syzygy runs.
    p.conj_filter = 1;
    if (p.main_option == MainOption::conjunctions && ConjChoice::is_syzygy(p.conj_choice)) {
        if (combi) {
            p.tol_short = ask_real(in, "('  Ecl. angular range, VSOP short v. (real)',  '  : ')", 2, 0, maximum,
                                   p.ephem_choice);
            p.tol_full = ask_real(in, R"x(('   "      "      "  , VSOP  full v. (real)',  '  : '))x", 2, 0,
                                  maximum, p.ephem_choice);
        } else {
            p.tol_short = ask_real(in, "('  Ang. range of eclipt. longitude   (real)',  '  : ')", 2, 0, maximum,
                                   p.ephem_choice);
        }
        if (p.sun_mode == SunMode::space_fitex && !kepler) {
            p.conj_filter = ask_int(in, "('  All conjunctions (1),  only transits (2)',  '  : ')", 1, 2);
        }
    }
}

// The view from the ecliptic.
void ask_view(io::FreeReader& in, RunParams& p)
{
    const bool site = MainOption::is_site(p.main_option);
    const bool one_k = is_one_k_run(p);
    // View from the ecliptic.
    p.view = 1;
    if (site) {
        const bool one_jde = p.constellation == Constellation::one_jde;
        if (SunMode::is_south(p.sun_mode) && (one_jde || p.constellation == Constellation::range)) {
            if (one_k || one_jde) {
                p.view = ask_int(in, "('  View from ecliptic  North (1), South (2)',  '  : ')", 1, 2);
            } else {
                p.view = ask_int(in, "('  View from eclipt.  N (1), S (2), N/S (3)',  '  : ')", 1, 3);
            }
        } else {
            const int c = p.constellation;
            p.view = ((c >= 6 && c <= 11) || c == 13 || c == 14) ? 2 : 1;
        }
    }
}

// The questions of the Teotihuacan study.
void ask_teotihuacan(io::FreeReader& in, RunParams& p)
{
    // Teotihuacan.
    if (p.main_option == MainOption::teotihuacan) {
        p.conj_choice = ask_int(in, "('  Distances   GPS (1), meters (2), Map (3)  : ' )", 1, 3);
        // Only years in which the Kepler elements give closed orbits.
        p.year_from = ask_real(in, "('     from  the year      (real): ' )", 1, teoti_time_kind, max_tolerance,
                               p.ephem_choice);
        for (;;) {
            p.year_to = ask_real(in, "('     until the year      (real): ' )", 1, teoti_time_kind, max_tolerance,
                                 p.ephem_choice);
            if (p.year_from <= p.year_to) break;
            emes(1, {}, 0.0);
        }
        p.step_width = 0.0;
        if (p.year_to > p.year_from) {
            for (;;) {
                p.step_width = ask_real_within(in, "('     Step width in years (real): ' )", 0.0, true,
                                               p.year_to - p.year_from);
                if (teoti_epochs(p.year_from, p.year_to, p.step_width) <= max_teoti_epochs) break;
                emes(1, {}, 0.0);
            }
        }
        p.date_mode = ask_int(in, R"x(('  Teotih. unit    as given (1), "luna" (2)  : ' ))x", 1, 2);
        p.time_scale = ask_int(in, "('  Planetary unit, kilometer (1), R-Sun (2)  : ' )", 1, 2);
        p.calendar_choice = ask_int(in, "('  Logar. base    10 (1), 3 (3), custom (4)  : ' )", {1, 3, 4});
        if (p.calendar_choice == 4) {
            p.tol_short = ask_real_within(in, "('  Logarithmic base                  (real)',  '  : ')", 1.0, true,
                                          1000.0);
        }
    }
}

// The output detail, asked only while no earlier answer has fixed it, and the destination.
void ask_output(io::FreeReader& in, RunParams& p)
{
    const bool site = MainOption::is_site(p.main_option);
    const bool full = p.ephem_choice == EphemChoice::full_series;
    // Output detail: asked only while no earlier answer has fixed it.
    if (p.output_detail == 0) {
        p.output_detail = 2;
        if (p.passage == Passage::free) {
            p.output_detail = 1;
        } else if (!full) {
            p.output_detail = ask_int(in, "('  Output         normal (1),  extended (2)', '  : ')", 1, 2);
        }
    }

    // Output destination.
    if ((p.ephem_choice == EphemChoice::short_series || p.ephem_choice == EphemChoice::full_series) && site &&
        p.sun_mode == SunMode::space_fitex) {
        p.output_choice = ask_int(in, "('  Mon.(1), file (2), special (3), exit (4)',  '  : ')", 1, 4);
    } else {
        p.output_choice = ask_int(in, "('  Monitor (1),  mon. + file (2),  exit (4)',  '  : ')", {1, 2, 4});
    }
}

// The detailed questions (menu answer 0), group by group in dialog order.
void detailed(io::FreeReader& in, RunParams& p)
{
    p.output_detail = 0;
    p.table_switch = 1;
    say("\n");
    ask_study(in, p);
    ask_ephemeris(in, p);
    ask_calendar(in, p);
    ask_passage(in, p);
    ask_site_choices(in, p);
    ask_interval(in, p);
    ask_tolerances(in, p);
    ask_view(in, p);
    ask_teotihuacan(in, p);
    ask_output(in, p);
}

} // namespace

std::string_view range_text(int time_kind, int ephem_choice)
{
    return time_range(time_kind, ephem_choice).text;
}

void time_limits(int time_kind, int ephem_choice, double& lo, double& hi)
{
    const TimeRange& r = time_range(time_kind, ephem_choice);
    lo = r.lo;
    hi = r.hi;
}

int menu_record_set(int answer)
{
    if (answer >= 1 && answer <= 20) return answer;
    for (const auto& m : menu_sets) {
        if (m.answer == answer) return m.set;
    }
    return 0;
}

bool is_menu_answer(int answer)
{
    return answer == 0 || answer == 111 || menu_record_set(answer) != 0;
}

void emes(int status, std::string_view range_text, double maximum)
{
    if (status == 2) {
        say(io::fmt("(/'  ---->  incorrect input. ',  a36/)", {range_text}));
    } else if (status == 3) {
        say(io::fmt("(/'  ---->  number too large ',  '(max.',f6.2,').'/)", {maximum}));
    } else {
        say(io::fmt("(/'  ---->  incorrect input.'/)"));
    }
}

void pcheck(io::FreeReader& in, int kind, double& value, int time_kind, double maximum, int ephem_choice,
            int& status)
{
    status = 0;
    if (!read_answer(in, value, std::numeric_limits<double>::quiet_NaN())) {
        status = 1;
        emes(status, {}, maximum);
        return;
    }
    if (kind == 1) {
        const TimeRange& r = time_range(time_kind, ephem_choice);
        if (value < r.lo || value > r.hi) {
            status = 2;
            emes(status, r.text, maximum);
        }
    } else if (kind == 2) {
        if (value <= 0.0) {
            status = 1;
        } else if (value > maximum) {
            status = 3;
        }
        if (status != 0) emes(status, {}, maximum);
    }
}

void inputdata(RunParams& p, std::istream& in, std::optional<int> menu_answer)
{
    io::FreeReader reader(in, "standard input");
    p = RunParams{};
    if (menu_answer && is_menu_answer(*menu_answer)) {
        p.menu_choice = *menu_answer;
    } else {
        banner_and_menu();
        p.menu_choice = ask_menu(reader);
    }

    if (p.menu_choice == 111) {
        info();
        p.output_choice = 4;
        return;
    }
    if (p.menu_choice == 0) {
        detailed(reader, p);
        return;
    }
    inputfile(p, menu_record_set(p.menu_choice), 1);
}

void inputdata(RunParams& p, std::optional<int> menu_answer)
{
    inputdata(p, std::cin, menu_answer);
}

} // namespace r7
