#include <gtest/gtest.h>

#include "capture.hpp"
#include "report/titles.hpp"

namespace r7 {
namespace {

using test::each_unit;
using test::sp;
using Lines = std::vector<std::string>;

struct Title {
    int passage = 1, constellation = 15, sun_mode = 5, main_option = 1, conj_choice = 4, date_mode = 1;
    int conj_filter = 1, time_scale = 1, reference_flag = 0, menu_choice = 0;

    Lines write() const
    {
        return each_unit([&](int unit) {
            titel1(passage, constellation, unit, sun_mode, main_option, conj_choice, date_mode, conj_filter,
                   time_scale, reference_flag, menu_choice);
        });
    }
};

std::string option_line(int menu) { return sp(32) + "< R7-option" + (sp(4 - std::to_string(menu).size()) + std::to_string(menu)) + " >"; }

TEST(Titel1, FixedTitlesOfTheSpecialMenuAnswers)
{
    struct Case {
        int menu, main_option, conj;
        std::string title;
    };
    const std::vector<Case> no_subtitle{
        {300, 3, 4, sp(20) + "4 PLANETS IN A LINE (SYZYGY), MAY 17, 3088"},
        {301, 3, 1, sp(17) + "MERCURY TRANSIT (MIN. SEPARATION), MAY 18, 3088"},
        {310, 3, 2, sp(18) + "VENUS TRANSIT (MIN. SEPARATION), DEC. 18, 3089"},
        {311, 3, 3, sp(19) + "3 PLANETS IN A LINE (SYZYGY), DEC. 23, 3089"},
        {322, 1, 4, sp(11) + "PRECEDING \"SHADOW-CONSTELLATION\" 12, MAY 22, 3088 (PYRAMIDS)"},
        {323, 1, 4, sp(11) + "PRECEDING \"SHADOW-CONSTELLATION\" 12, MAY 22, 3088 (PYRAMIDS)"},
        {338, 1, 4, sp(22) + "ORBITAL ELEMENTS OF OUR EIGHT PLANETS"},
    };
    for (const auto& c : no_subtitle) {
        Title t;
        t.menu_choice = c.menu;
        t.main_option = c.main_option;
        t.conj_choice = c.conj;
        EXPECT_EQ(t.write(), (Lines{"", c.title, option_line(c.menu)})) << c.menu;
    }

    // The shadow-constellation searches keep the subtitle of their study.
    Title t;
    t.menu_choice = 320;
    EXPECT_EQ(t.write(), (Lines{"", sp(18) + "SEARCH FOR \"SHADOW-CONSTELLATIONS\" (PYRAMIDS)",
                                sp(30) + "(Mercury at aphelion)", option_line(320)}));
    t.menu_choice = 321;
    t.main_option = 2;
    t.passage = 2;
    EXPECT_EQ(t.write(), (Lines{"", sp(18) + "SEARCH FOR \"SHADOW-CONSTELLATIONS\" (CHAMBERS)",
                                sp(29) + "(Mercury at perihelion)", option_line(321)}));
}

TEST(Titel1, StandardTitlesByStudy)
{
    Title t;
    t.menu_choice = 5;
    EXPECT_EQ(t.write()[1], sp(18) + "PLANETS IN ALIGNMENT WITH THE PYRAMIDS OF GIZA");
    t.main_option = 2;
    EXPECT_EQ(t.write()[1], sp(11) + "PLANETS IN ALIGNMENT WITH THE CHAMBERS OF THE CHEOPS PYRAMID");
    t.main_option = 3;
    t.conj_choice = 3;
    EXPECT_EQ(t.write()[1], sp(28) + "PLANETS IN A LINE (SYZYGY)");
    t.conj_choice = 4;
    EXPECT_EQ(t.write()[1], sp(28) + "PLANETS IN A LINE (SYZYGY)");
    t.conj_choice = 1;
    EXPECT_EQ(t.write()[1], sp(31) + "TRANSITS OF MERCURY");
    t.conj_choice = 2;
    EXPECT_EQ(t.write()[1], sp(32) + "TRANSITS OF VENUS");
}

TEST(Titel1, TransitAndSyzygySubtitlesByDateMode)
{
    Title t;
    t.main_option = 3;
    t.menu_choice = 7;
    auto subtitle = [&] {
        const Lines l = t.write();
        EXPECT_EQ(l.size(), 4u);
        return l.size() > 2 ? l[2] : std::string();
    };

    t.conj_choice = 3;
    t.sun_mode = 1;
    EXPECT_EQ(subtitle(), sp(14) + "(eclipt. longitudes, all within an angular range, JDE)");
    t.sun_mode = 5;
    EXPECT_EQ(subtitle(), sp(13) + "(angular range of eclipt. longitudes dL minimized, JDE)");
    t.conj_filter = 2;
    EXPECT_EQ(subtitle(), sp(5) + "(angular range of eclipt. longitudes dL minimized, only transits, JDE)");

    t.conj_choice = 1;
    EXPECT_EQ(subtitle(), sp(11) + "(equal eclipt. longitudes for Earth und transit planet, TT)");
    t.time_scale = 2;
    EXPECT_EQ(subtitle(), sp(11) + "(equal eclipt. longitudes for Earth und transit planet, UT)");

    t.date_mode = 2;
    EXPECT_EQ(subtitle(), sp(14) + "(minimum separation, without travel time of light, UT)");
    t.time_scale = 1;
    EXPECT_EQ(subtitle(), sp(14) + "(minimum separation, without travel time of light, TT)");

    t.date_mode = 3;
    EXPECT_EQ(subtitle(), sp(17) + "(geocentric transit phases, terrestrial time TT)");
    t.time_scale = 2;
    EXPECT_EQ(subtitle(), sp(18) + "(geocentric transit phases, universal time UT)");
}

TEST(Titel1, SiteSubtitlesByPassageAndReferenceCase)
{
    Title t;
    auto subtitle = [&](int passage, int constellation) {
        t.passage = passage;
        t.constellation = constellation;
        return t.write()[2];
    };
    EXPECT_EQ(subtitle(1, 12), sp(30) + "(Mercury at aphelion)");
    EXPECT_EQ(subtitle(1, 13), sp(29) + "(Mercury near aphelion)");
    EXPECT_EQ(subtitle(2, 15), sp(29) + "(Mercury at perihelion)");
    EXPECT_EQ(subtitle(2, 14), sp(28) + "(Mercury near perihelion)");
    EXPECT_EQ(subtitle(3, 15), sp(29) + "(Mercury near aphelion)");
    EXPECT_EQ(subtitle(4, 15), sp(28) + "(Mercury near perihelion)");
    EXPECT_EQ(subtitle(5, 15), sp(24) + "(time not restricted, F minimized)");

    t.reference_flag = 1;
    EXPECT_EQ(subtitle(1, 12), sp(17) + "(more positions - coordinate system of pyramids)");
    t.main_option = 2;
    EXPECT_EQ(subtitle(2, 12), sp(17) + "(more positions - coordinate system of chambers)");
}

TEST(Titel1, OptionLineWidensForPositionAngles)
{
    Title t;
    t.main_option = 3;
    t.conj_choice = 2;
    t.menu_choice = 14;
    t.date_mode = 3;
    EXPECT_EQ(t.write().back(), sp(32) + "< R7-option  14 >");
    t.date_mode = 4;
    EXPECT_EQ(t.write().back(), sp(10) + "< R7-option  14 >  (monitor line width minimal 148 characters)");
    t.menu_choice = -804;
    EXPECT_EQ(t.write().back(), sp(10) + "< R7-option-804 >  (monitor line width minimal 148 characters)");
}

struct Settings {
    int ephem_choice = 1, vsop_variant = 3, coord_choice = 1, main_option = 1, sun_mode = 5, level_choice = 2;
    int view = 1, constellation = 15, planet_order = 0, passage = 1, conj_choice = 4, calendar_choice = 2;
    double k = 99.0, jde = 2451545.0, year = 0.0, djde = 99.0;
    double tol_short = 2.0, tol_full = 1.5, tol_entered = 0.5, f_consider = 1.5, f_print = 0.75;
    int steps_per_passage = 20;
    double step_width = 0.05;
    int combi_flag = 0;
    double year_from = -3000.0, year_to = 3000.0;

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

TEST(Titel2, EphemerisFrameOrderAndPointTexts)
{
    auto first = [](Settings s) {
        const Lines l = s.write();
        EXPECT_EQ(l.at(0), "");
        return l.at(1);
    };
    Settings s;
    EXPECT_EQ(first(s), "  VSOP87D short ver.(Meeus)  ecliptic of date,        \"Sun\" free 3D, C-M, FITEX");
    s.combi_flag = 1;
    s.vsop_variant = 1;
    s.sun_mode = 4;
    s.level_choice = 3;
    EXPECT_EQ(first(s), "  VSOP87A, comb. search,     standard J2000.0,         \"Sun\" free, 3D, top, SLE");
    s.ephem_choice = 2;
    s.combi_flag = 0;
    s.main_option = 2;
    s.planet_order = 6;
    s.level_choice = 2;
    EXPECT_EQ(first(s), "  VSOP87A (2005) full ver.,  standard J2000.0, M-V-E, \"Sun\" free, 3D, mid., SLE");

    // Point texts of the Sun point methods, the reference orbits and the events.
    struct Case {
        int main_option, ephem, coord, sun, level, conj;
        std::string point;
    };
    const std::vector<Case> cases{
        {1, 1, 1, 1, 1, 4, " \"Sun\" south of Myker. P."},
        {2, 1, 1, 1, 1, 4, " \"Sun\" south of Myker. P."},
        {2, 3, 1, 1, 1, 4, "\"Sun\" south of sub. cham."},
        {1, 1, 1, 2, 1, 4, "\"Sun\" south of Chefren P."},
        {1, 1, 1, 3, 1, 4, "\"Sun position\" free, 2D  "},
        {1, 1, 1, 4, 1, 4, "\"Sun\" free, 3D, base, SLE"},
        {2, 1, 1, 4, 1, 4, "\"Sun\" free, 3D, east, SLE"},
        {1, 1, 1, 5, 1, 4, "\"Sun\" free 3D base, FITEX"},
        {1, 1, 1, 5, 3, 4, "\"Sun\" free 3D, top, FITEX"},
        {2, 1, 1, 5, 3, 4, "\"Sun\" free 3D west, FITEX"},
        {1, 1, 2, 5, 1, 4, "   ref. Mercury orbit (A)"},
        {1, 1, 4, 1, 1, 4, "   ref. Mercury orbit (C)"},
        {2, 1, 5, 5, 1, 4, "    reference Venus orbit"},
        {3, 1, 1, 5, 1, 1, "     all Mercury transits"},
        {3, 1, 1, 5, 1, 2, "       all Venus transits"},
        {3, 1, 1, 5, 1, 3, "linear c., Merc. to Earth"},
        {3, 3, 1, 1, 1, 4, "linear c. Mercury to Mars"},
    };
    for (const auto& c : cases) {
        Settings t;
        t.main_option = c.main_option;
        t.ephem_choice = c.ephem;
        t.coord_choice = c.coord;
        t.sun_mode = c.sun;
        t.level_choice = c.level;
        t.conj_choice = c.conj;
        const std::string line = first(t);
        ASSERT_EQ(line.size(), 79u);
        EXPECT_EQ(line.substr(54), c.point) << c.main_option << " " << c.coord << " " << c.sun << " " << c.conj;
    }
    Settings k;
    k.ephem_choice = 3;
    EXPECT_EQ(first(k).substr(0, 27), "  \"Keplers equation\",      ");
}

TEST(Titel2, IntervalLinesOfEachStudy)
{
    Settings s; // Giza, Sun point by FITEX, entered tolerance
    EXPECT_EQ(s.write(),
              (Lines{"", s.write()[1], "  Ecl. N and S, years  -3000.00 to   3000.00 (c2),      tolerance F <  0.5000 %"}));
    s.combi_flag = 1;
    EXPECT_EQ(s.write()[2], "  Ecl. N and S, years  -3000.00 to   3000.00 (c2), tolerance F <  2.00/  1.50 %");
    s.combi_flag = 0;
    s.passage = 5;
    EXPECT_EQ(s.write()[2], "  Ecl. N and S, years  -3000.00 to   3000.00 (c2), tolerance F <  2.00/  1.50 %");

    s.passage = 1;
    s.sun_mode = 1;
    s.calendar_choice = 1;
    EXPECT_EQ(s.write()[2], "  Ecl. north p/ years  -3000.00 to   3000.00 (c1)    angular range:  0.5000 deg");
    s.combi_flag = 1;
    s.view = 2;
    EXPECT_EQ(s.write()[2], "  Ecl. south p/ years  -3000.00 to   3000.00 (c1), angular r.:  2.00/  1.50 deg");

    // Transits name the calendar and stop there, even in an area search.
    Settings tr;
    tr.main_option = 3;
    tr.conj_choice = 1;
    tr.passage = 3;
    tr.year_from = 1600.0;
    tr.year_to = 2300.5;
    EXPECT_EQ(tr.write(), (Lines{"", tr.write()[1],
                                 sp(5) + "  Period   (years) from   1600.00  to   2300.50,  Jul./Greg. calendar"}));
    tr.calendar_choice = 1;
    EXPECT_EQ(tr.write()[2], sp(5) + "  Period   (years) from   1600.00  to   2300.50,  only Greg. calendar");

    Settings sy;
    sy.main_option = 3;
    sy.conj_choice = 3;
    sy.calendar_choice = 1;
    EXPECT_EQ(sy.write()[2], "  Period   (years)  -3000.00  to   3000.00 (c1)      angular range:  0.5000 deg");
    sy.combi_flag = 1;
    EXPECT_EQ(sy.write()[2], "  Period   (years)  -3000.00  to   3000.00 (c1),   angular r.:  2.00/  1.50 deg");
}

TEST(Titel2, DateLineOfOneJde)
{
    // The full series with an aphelion passage works on one k-number: no interval.
    Settings s;
    s.ephem_choice = 2;
    s.sun_mode = 1;
    s.constellation = 15;
    EXPECT_EQ(s.write(), (Lines{"", s.write()[1],
                                "  Ecl. north p/                      JDE =  2451545.00000, year =  2000.00 (c2)",
                                sp(25) + "date (Gregor.,TT) =  1. Jan. 2000, 12: 0: 0,  Saturday"}));
    // The conversion leaves the aphelion k-number and the offset from passage 0.
    EXPECT_NEAR(s.k, -0.0144633, 1e-6);
    EXPECT_NEAR(s.year, 2000.0, 1e-12);
    EXPECT_NEAR(s.djde, -1.2723252, 1e-6);

    s.constellation = 12;
    EXPECT_EQ(s.write()[2], "  Ecl. north p/  constellation 12,   JDE =  2451545.00000, year =  2000.00 (c2)");

    // Perihelion numbering: a whole k sits on the perihelion passage.
    s.passage = 2;
    s.jde = 2451590.257 + 3.0 * 87.96934963;
    s.write();
    EXPECT_NEAR(s.k, 3.0, 1e-9);
    EXPECT_NEAR(s.djde, 0.0, 1e-6);
}

TEST(Titel2, CalendarNameWeekdayAndWideYear)
{
    auto date_line = [](double jde, int calendar) {
        Settings s;
        s.constellation = 0;
        s.jde = jde;
        s.calendar_choice = calendar;
        const Lines l = s.write();
        EXPECT_EQ(l.size(), 4u);
        return l.back();
    };
    // The label goes by the JDE itself; the date of JDE + 0.5 is already Gregorian.
    EXPECT_EQ(date_line(2299160.7, 2), sp(25) + "date (Julian.,TT) = 15. Oct. 1582,  4:48: 0,    Friday");
    EXPECT_EQ(date_line(2299160.7, 1), sp(25) + "date (Gregor.,TT) = 15. Oct. 1582,  4:48: 0,    Friday");
    EXPECT_EQ(date_line(2299161.0, 2), sp(25) + "date (Gregor.,TT) = 15. Oct. 1582, 12: 0: 0,    Friday");
    // Outside -999 .. 9999 the year gets six columns.
    EXPECT_EQ(date_line(0.0, 2), sp(24) + "date (Julian.,TT) =  1. Jan. -4712, 12: 0: 0,    Monday");
    EXPECT_EQ(date_line(0.0, 1), sp(24) + "date (Gregor.,TT) = 24. Nov. -4713, 12: 0: 0,    Monday");
    EXPECT_EQ(date_line(-1000.25, 2), sp(24) + "date (Gregor.,TT) = 27. Feb. -4715,  6: 0: 0,   Tuesday");
    EXPECT_EQ(date_line(5373484.0, 1), sp(25) + "date (Gregor.,TT) = 31. Dec. 9999, 12: 0: 0,    Friday");
    EXPECT_EQ(date_line(5373484.5, 1), sp(24) + "date (Gregor.,TT) =  1. Jan. 10000,  0: 0: 0,  Saturday");
    EXPECT_EQ(date_line(1356183.0, 1).substr(0, 25), sp(25));
    EXPECT_EQ(date_line(1356182.9, 1).substr(0, 25), sp(24) + "d");
}

TEST(Titel2, AreaLines)
{
    // An area search around one constellation: the JDE line, no calendar date.
    Settings s;
    s.passage = 3;
    s.constellation = 12;
    s.jde = 2451545.0;
    EXPECT_EQ(s.write(), (Lines{"", s.write()[1],
                                "  Ecl. N and S,  constellation 12,   JDE =  2451545.00000, year =  2000.00 (c2)",
                                "  Special search (interval), step number =    20,  step width =   1.200 hour(s)"}));
    // Over a range of years also the two F limits.
    s.constellation = 15;
    s.passage = 4;
    s.steps_per_passage = 144;
    s.step_width = 0.25 / 24.0;
    EXPECT_EQ(s.write(), (Lines{"", s.write()[1],
                                "  Ecl. N and S, years  -3000.00 to   3000.00 (c2),      tolerance F <  0.5000 %",
                                "  Special search (interval), step number =   144,  step width =   0.250 hour(s)",
                                "  Consider without printing by tolerance =  1.5000",
                                "  Print beyond aphelion (per.) by toler. =  0.7500"}));
}

} // namespace
} // namespace r7
