#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "io/units.hpp"
#include "report/tables.hpp"
#include "report/titles.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using namespace test;
using Lines = std::vector<std::string>;

std::string sp(std::size_t n) { return std::string(n, ' '); }

// Runs body, which serves the active output units itself (file first), with the
// terminal redirected into a string, and returns the terminal's lines. With
// both = true the file unit writes "out.txt" in a scratch directory too, and the
// two copies must agree line for line.
template <class Body>
Lines capture_report(Body&& body, bool both = false)
{
    std::optional<ScratchDir> dir;
    std::ostringstream term;
    struct Restore { // also when body throws: the terminal must not point at a dead stream
        ~Restore() { io::units().close_file(); io::units().set_terminal(nullptr); }
    } restore;
    io::units().set_terminal(&term);
    if (both) {
        dir.emplace(false);
        io::units().open_file("out.txt");
    }
    body();
    io::units().close_file();
    if (both) {
        EXPECT_EQ(read_file(dir->path() / "out.txt"), term.str()) << "the file and the terminal got different lines";
    }
    return lines_of(term.str());
}

// The same for a routine that is called once per unit of the list.
template <class Write>
Lines each_unit(Write&& write, bool both = false)
{
    return capture_report([&] { for (int unit : io::units().list()) write(unit); }, both);
}

// ---- Headings: title, subtitle and option line; settings, interval or date, area.

struct Title {
    int passage = 1, constellation = 15, sun_mode = 5, main_option = 1, conj_choice = 4, date_mode = 1;
    int conj_filter = 1, time_scale = 1, reference_flag = 0, menu_choice = 0;

    Lines write(bool both = false) const
    {
        return each_unit([&](int unit) {
            titel1(passage, constellation, unit, sun_mode, main_option, conj_choice, date_mode, conj_filter,
                   time_scale, reference_flag, menu_choice);
        }, both);
    }
};

TEST(Titel1, FixedTitlesOfTheSpecialMenuAnswersOnBothUnits)
{
    const std::string shadow = "PRECEDING \"SHADOW-CONSTELLATION\" 12, MAY 22, 3088 (PYRAMIDS)";
    const std::string search = "SEARCH FOR \"SHADOW-CONSTELLATIONS\" ";
    // Menu answer, study, event, title indent and text; 320/321 keep their study's subtitle.
    const std::vector<std::tuple<int, int, int, int, std::string, std::string>> cases{
        {300, 3, 4, 20, "4 PLANETS IN A LINE (SYZYGY), MAY 17, 3088", ""},
        {301, 3, 1, 17, "MERCURY TRANSIT (MIN. SEPARATION), MAY 18, 3088", ""},
        {310, 3, 2, 18, "VENUS TRANSIT (MIN. SEPARATION), DEC. 18, 3089", ""},
        {311, 3, 3, 19, "3 PLANETS IN A LINE (SYZYGY), DEC. 23, 3089", ""},
        {320, 1, 4, 18, search + "(PYRAMIDS)", sp(30) + "(Mercury at aphelion)"},
        {321, 2, 4, 18, search + "(CHAMBERS)", sp(29) + "(Mercury at perihelion)"},
        {322, 1, 4, 11, shadow, ""},
        {323, 1, 4, 11, shadow, ""},
        {338, 1, 4, 22, "ORBITAL ELEMENTS OF OUR EIGHT PLANETS", ""},
    };
    for (const auto& [menu, study, event, indent, title, subtitle] : cases) {
        // The chamber search runs at perihelion passages.
        const Title t{.passage = study == 2 ? 2 : 1, .main_option = study, .conj_choice = event, .menu_choice = menu};
        Lines want{"", sp(indent) + title};
        if (!subtitle.empty()) want.push_back(subtitle);
        want.push_back(sp(32) + "< R7-option " + std::to_string(menu) + " >");
        EXPECT_EQ(t.write(true), want) << menu;
    }
}

TEST(Titel1, SubtitlesByDateModeSunModeAndPassageAndOptionLine)
{
    const std::vector<std::tuple<Title, int, std::string>> cases{
        {{.sun_mode = 1, .main_option = 3, .conj_choice = 3}, 14,
         "(eclipt. longitudes, all within an angular range, JDE)"},
        {{.main_option = 3, .conj_choice = 3, .conj_filter = 2}, 5,
         "(angular range of eclipt. longitudes dL minimized, only transits, JDE)"},
        {{.main_option = 3, .conj_choice = 1, .time_scale = 2}, 11,
         "(equal eclipt. longitudes for Earth und transit planet, UT)"},
        {{.main_option = 3, .conj_choice = 1, .date_mode = 2}, 14,
         "(minimum separation, without travel time of light, TT)"},
        {{.main_option = 3, .conj_choice = 1, .date_mode = 3}, 17, "(geocentric transit phases, terrestrial time TT)"},
        {{.constellation = 13}, 29, "(Mercury near aphelion)"},
        {{.passage = 5}, 24, "(time not restricted, F minimized)"},
        {{.constellation = 12, .reference_flag = 1}, 17, "(more positions - coordinate system of pyramids)"},
    };
    for (const auto& [t, indent, subtitle] : cases) {
        const Lines l = t.write();
        ASSERT_EQ(l.size(), 4u) << subtitle;
        EXPECT_EQ(l[2], sp(indent) + subtitle);
    }
    // Position angles need a wide terminal.
    const Title t{.main_option = 3, .conj_choice = 2, .date_mode = 4, .menu_choice = 14};
    EXPECT_EQ(t.write().back(), sp(10) + "< R7-option  14 >  (monitor line width minimal 148 characters)");
}

struct Settings {
    int ephem_choice = 1, vsop_variant = 3, coord_choice = 1, main_option = 1, sun_mode = 5, level_choice = 2;
    int view = 1, constellation = 15, planet_order = 0, passage = 1, conj_choice = 4, calendar_choice = 2;
    double k = 99.0, jde = 2451545.0, year = 0.0, djde = 99.0;
    double tol_short = 2.0, tol_full = 1.5, tol_entered = 0.5, f_consider = 1.5, f_print = 0.75;
    int steps_per_passage = 20, combi_flag = 0;
    double step_width = 0.05, year_from = -3000.0, year_to = 3000.0;

    Lines write()
    {
        return each_unit([&](int unit) {
            titel2(unit, ephem_choice, vsop_variant, coord_choice, main_option, sun_mode, level_choice, view,
                   constellation, planet_order, passage, conj_choice, calendar_choice, k, jde, year, djde, tol_short,
                   tol_full, tol_entered, f_consider, f_print, steps_per_passage, step_width, combi_flag, year_from,
                   year_to);
        });
    }
};

TEST(Titel2, IntervalAndAreaLinesOfEachStudy)
{
    const std::string years = "-3000.00 to   3000.00";
    // The lines after the ephemeris line.
    const std::vector<std::pair<Settings, Lines>> cases{
        {{}, {"  Ecl. N and S, years  " + years + " (c2),      tolerance F <  0.5000 %"}},
        {{.sun_mode = 1, .view = 2, .calendar_choice = 1, .combi_flag = 1},
         {"  Ecl. south p/ years  " + years + " (c1), angular r.:  2.00/  1.50 deg"}},
        // Transits name the calendar and stop there, even in an area search.
        {{.main_option = 3, .passage = 3, .conj_choice = 1, .year_from = 1600.0, .year_to = 2300.5},
         {sp(5) + "  Period   (years) from   1600.00  to   2300.50,  Jul./Greg. calendar"}},
        {{.main_option = 3, .conj_choice = 3, .calendar_choice = 1},
         {"  Period   (years)  -3000.00  to   3000.00 (c1)      angular range:  0.5000 deg"}},
        // An area search over a range of years adds its step and the two F limits.
        {{.passage = 4, .steps_per_passage = 144, .step_width = 0.25 / 24.0},
         {"  Ecl. N and S, years  " + years + " (c2),      tolerance F <  0.5000 %",
          "  Special search (interval), step number =   144,  step width =   0.250 hour(s)",
          "  Consider without printing by tolerance =  1.5000", "  Print beyond aphelion (per.) by toler. =  0.7500"}},
    };
    for (auto [s, tail] : cases) {
        const Lines l = s.write();
        ASSERT_GE(l.size(), 2u);
        EXPECT_EQ(Lines(l.begin() + 2, l.end()), tail);
    }
}

TEST(Titel2, DateLineCalendarWeekdayAndWideYear)
{
    Settings one{.ephem_choice = 2, .sun_mode = 1};
    EXPECT_EQ(one.write(),
              (Lines{"", "  VSOP87C (2005) full ver.,  ecliptic of date,         \"Sun\" south of Myker. P.",
                     "  Ecl. north p/                      JDE =  2451545.00000, year =  2000.00 (c2)",
                     sp(25) + "date (Gregor.,TT) =  1. Jan. 2000, 12: 0: 0,  Saturday"}));
    auto date_line = [](double jde, int calendar) {
        Settings s{.constellation = 0, .calendar_choice = calendar, .jde = jde};
        const Lines l = s.write();
        EXPECT_EQ(l.size(), 4u);
        return l.back();
    };
    // The label goes by the JDE itself; the date of JDE + 0.5 is already Gregorian.
    EXPECT_EQ(date_line(2299160.7, 2), sp(25) + "date (Julian.,TT) = 15. Oct. 1582,  4:48: 0,    Friday");
    EXPECT_EQ(date_line(2299161.0, 2), sp(25) + "date (Gregor.,TT) = 15. Oct. 1582, 12: 0: 0,    Friday");
    // Outside 1356183.0 .. 5373484.0 the year gets six columns.
    EXPECT_EQ(date_line(-1000.25, 2), sp(24) + "date (Gregor.,TT) = 27. Feb. -4715,  6: 0: 0,   Tuesday");
    EXPECT_EQ(date_line(5373484.0, 1), sp(25) + "date (Gregor.,TT) = 31. Dec. 9999, 12: 0: 0,    Friday");
    EXPECT_EQ(date_line(5373484.5, 1), sp(24) + "date (Gregor.,TT) =  1. Jan. 10000,  0: 0: 0,  Saturday");
    // A time that rounds up to midnight shows the next day, with its weekday;
    // half a second earlier it is still the evening of the day before.
    EXPECT_EQ(date_line(2451545.4999965, 1), sp(25) + "date (Gregor.,TT) =  2. Jan. 2000,  0: 0: 0,    Sunday");
    EXPECT_EQ(date_line(2451545.49999, 1), sp(25) + "date (Gregor.,TT) =  1. Jan. 2000, 23:59:59,  Saturday");
    EXPECT_EQ(date_line(2299160.4999965, 2), sp(25) + "date (Julian.,TT) = 15. Oct. 1582,  0: 0: 0,    Friday");
    EXPECT_EQ(date_line(1356183.0, 1).substr(0, 25), sp(25));
    EXPECT_EQ(date_line(1356182.9, 1).substr(0, 25), sp(24) + "d");
}

const std::string eq79 = " " + std::string(79, '=');
const std::string dash79 = " " + std::string(79, '-');

// ---- Table heads, calendar separators between rows, closing lines.

struct Head {
    int passage = 1, ephem_choice = 1, view = 1, output_detail = 1, sun_mode = 5, main_option = 1;
    int conj_choice = 4, table_switch = 1, reference_flag = 0, menu_choice = 0, output_choice = 2;

    Lines write() const
    {
        return each_unit([&](int unit) {
            tabe(passage, ephem_choice, view, unit, output_detail, sun_mode, main_option, conj_choice, table_switch,
                 reference_flag, menu_choice, output_choice);
        });
    }
};

TEST(Tabe, ColumnHeadOfEachFamily)
{
    const std::string fitex = " con   k      year    Lm-Lv   Lm-Le   e  it  x-Sun  y-Sun  z-Sun   dr  P   F[%]";
    // The lines between the leading empty line and the closing "=" ruler.
    const std::vector<std::pair<Head, Lines>> cases{
        {{.main_option = 3, .conj_choice = 3},
         {" co tr    k         JDE          year   dt[days]  Lm-Lv   Lm-Le  Lm-Lma   dLmin"}},
        {{.sun_mode = 1}, {" con   k        JDE         year      Lm     Lm-Lv   Lm-Le    del1   del2   F[%]"}},
        {{.passage = 3, .sun_mode = 4},
         {" con    k      year     Lm     Lm-Lv   Lm-Le  x-Sun  y-Sun  z-Sun  dr  P   F[%]",
          "      (  ~k       JDE           M       no.     \"      \"      \"    \"   \"    \"  )"}},
        {{.passage = 4, .main_option = 2, .output_choice = 3},
         {fitex, "    (  JDE       dt[h]   X5   M/10^9  h-Sun    \"      \"      \"     \"   \"    \"  )"}},
        // Extended output: rulers around the head and the coordinate heads.
        {{.output_detail = 2},
         {eq79, fitex, dash79, "   Lm       Bm       Rm       Lv       Bv       Rv       Le       Be       Re  ",
          "    xm      ym      zm         xv      yv      zv        xe       ye      ze   ",
          "  xv-xm    xe-xm    yv-ym    ye-ym    zv-zm    ze-zm             rel. deviation"}},
    };
    for (const auto& [h, columns] : cases) {
        Lines want{""};
        want.insert(want.end(), columns.begin(), columns.end());
        want.push_back(eq79);
        EXPECT_EQ(h.write(), want) << columns[0];
    }
    // Transit runs leave the head to their rows.
    EXPECT_TRUE((Head{.output_detail = 2, .main_option = 3, .conj_choice = 1}).write().empty());
}

struct TransitTable {
    int output_detail = 1, conj_choice = 1, ephem_choice = 1, date_mode = 1, calendar_choice = 2;
    int state = table_head_pending;

    // Writes the lines that precede each row, for every unit as a run does.
    Lines rows(std::initializer_list<double> jdes, bool both = false)
    {
        return capture_report([&] {
            for (double jde : jdes) {
                for (int unit : io::units().list()) {
                    zwizeile(unit, output_detail, jde, conj_choice, ephem_choice, date_mode, calendar_choice, state);
                }
                io::units().put_all("row\n");
            }
        }, both);
    }
};

TEST(Zwizeile, CalendarSeparatorsOnceEachAtTheirRows)
{
    const std::string head = " co/p   k        date         time   dt[days]  Lm-Lv   Lm-Le  Lm-Lma  sep[\"]  S";
    const std::string julian = " " + std::string(13, '-') + " (Jul. cal.) " + std::string(53, '-');
    const std::string gregor = " " + std::string(12, '-') + " (Greg. cal.) " + std::string(53, '-');
    TransitTable t;
    EXPECT_EQ(t.rows({-40000.0, -10.0, 0.0, 1000.0, 2299160.9, 2299161.0, 2400000.0}),
              (Lines{"", head, eq79, "row", "row", julian, "row", "row", "row", gregor, "row", "row"}));
    EXPECT_EQ(t.rows({2500000.0}), Lines{"row"});

    // A run starting after the reform has none.
    EXPECT_EQ(TransitTable{}.rows({2400000.0, 2450000.0}), (Lines{"", head, eq79, "row", "row"}));

    // A row jumping past both borders gets both separators, on every unit.
    EXPECT_EQ(TransitTable{}.rows({-5.0, 2400000.0}, true), (Lines{"", head, eq79, "row", julian, gregor, "row"}));
}

struct Closing {
    int main_option = 1, ephem_choice = 1, conj_choice = 4, passage = 1, date_mode = 1, sun_mode = 5;
    int constellation = 15, legend_flag = 0, output_detail = 1, reference_flag = 0, menu_choice = 0;
    std::array<int, 6> counters{0, 1200, 1150, 7, 3, 2};
    int cpu_h = 0, cpu_m = 1, run_h = 1, run_m = 0;
    double cpu_s = 2.5, run_s = 59.2504;

    Lines write() const
    {
        return each_unit([&](int unit) {
            endzeile(main_option, ephem_choice, conj_choice, passage, date_mode, sun_mode, constellation, legend_flag,
                     output_detail, unit, counters, cpu_h, cpu_m, cpu_s, run_h, run_m, run_s, reference_flag,
                     menu_choice);
        });
    }
};

TEST(Endzeile, ClosingLinesCountsTimesAndRuler)
{
    const std::string computed = "  Computed constellations:      1150      ";
    const std::string cpu = sp(43) + "CPU time  0: 1: 2.500";
    const std::string run = sp(43) + "run time  1: 0:59.250 -- end of run.";
    const std::vector<std::pair<Closing, Lines>> cases{
        {{.main_option = 3, .conj_choice = 2, .date_mode = 3},
         {computed + sp(11) + "(\"/\" means ascending node)", "  Tested planet. passages:      1200",
          "  Detected transits      :         7", "  Centr./grazing transits:    2 /  3       CPU time  0: 1: 2.500",
          run, ""}},
        {{}, {computed + "(P: polarity, * view from ecl. south)",
              "  Detected constellations:         7       CPU time  0: 1: 2.500", run, ""}},
        {{.main_option = 3, .conj_choice = 3, .sun_mode = 1},
         {computed + sp(37), "  Detected constellations:         7",
          "  Number of syzygies     :         3       CPU time  0: 1: 2.500", run, ""}},
        // An extended run without hits closes its table with a ruler.
        {{.constellation = 3, .output_detail = 2}, {cpu, run, ""}},
        {{.constellation = 3, .output_detail = 2, .counters = {0, 1200, 1150, 0, 3, 2}}, {eq79, cpu, run, ""}},
    };
    for (const auto& [c, want] : cases) EXPECT_EQ(c.write(), want) << want[0];
}

} // namespace
} // namespace r7
