#include <gtest/gtest.h>

#include "capture.hpp"
#include "io/units.hpp"
#include "report/tables.hpp"

namespace r7 {
namespace {

using test::capture_report;
using test::each_unit;
using test::sp;
using Lines = std::vector<std::string>;

const std::string eq79 = " " + std::string(79, '=');
const std::string dash79 = " " + std::string(79, '-');
const std::string eq147 = " " + std::string(147, '=');
const std::string dash147 = " " + std::string(147, '-');

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
    // The column head lines only (between the leading empty line and the ruler).
    Lines columns() const
    {
        const Lines l = write();
        Lines c;
        for (std::size_t i = 1; i < l.size() && l[i] != eq79 && l[i] != dash79; ++i) c.push_back(l[i]);
        return c;
    }
};

TEST(Tabe, SyzygyHeadsAndTheirMark)
{
    Head h;
    h.main_option = 3;
    h.conj_choice = 3;
    const std::string dlmin = "    k         JDE          year   dt[days]  Lm-Lv   Lm-Le  Lm-Lma   dLmin";
    EXPECT_EQ(h.write(), (Lines{"", " co tr" + dlmin, eq79}));
    h.table_switch = 2;
    EXPECT_EQ(h.columns(), Lines{" co   " + dlmin});
    h.table_switch = 1;
    h.ephem_choice = 3;
    EXPECT_EQ(h.columns(), Lines{" co   " + dlmin});
    h.sun_mode = 1;
    h.conj_choice = 4;
    EXPECT_EQ(h.columns(),
              Lines{" co       k         JDE          year   dt[days]  Lm-Lv   Lm-Le  Lm-Lma    dL"});
}

TEST(Tabe, SiteHeadsBySunMode)
{
    Head h;
    h.sun_mode = 1;
    EXPECT_EQ(h.columns(), Lines{" con   k        JDE         year      Lm     Lm-Lv   Lm-Le    del1   del2   F[%]"});
    h.view = 3;
    const Lines polarity{" con   k         JDE          year       Lm     Lm-Lv   Lm-Le    del1   del2  P"};
    EXPECT_EQ(h.columns(), polarity);
    h.view = 1;
    h.ephem_choice = 3;
    h.sun_mode = 2;
    EXPECT_EQ(h.columns(), polarity);

    h.ephem_choice = 1;
    h.sun_mode = 3;
    const std::string free_head = " con    k      year     Lm     Lm-Lv   Lm-Le  x-Sun  y-Sun  z-Sun  dr  P   F[%]";
    EXPECT_EQ(h.columns(), Lines{free_head});
    h.sun_mode = 4;
    h.passage = 3;
    EXPECT_EQ(h.columns(), (Lines{free_head, "      (  ~k       JDE           M       no.     \"      \"      \"    "
                                             "\"   \"    \"  )"}));
}

TEST(Tabe, FitexHeadsByPassageAndSpecialOutput)
{
    const std::string area = " con   k      year    Lm-Lv   Lm-Le   e  it  x-Sun  y-Sun  z-Sun   dr  P   F[%]";
    Head h; // Sun point by FITEX
    EXPECT_EQ(h.columns(), Lines{area});
    h.passage = 5;
    EXPECT_EQ(h.columns(), Lines{" con   k         JDE          year    e  it   x-Sun  y-Sun  z-Sun   dr  P  F[%]"});
    h.passage = 3;
    EXPECT_EQ(h.columns(), (Lines{area, "      (  ~k       JDE           M     \"  \"     \"      \"      \"     \"   "
                                        "\"    \"  )"}));

    // The special output shows scale and rotation; the chambers use another power of ten.
    h.output_choice = 3;
    h.passage = 1;
    EXPECT_EQ(h.columns(), Lines{" con   k      year      X5   M/10^7  h-Sun  x-Sun  y-Sun  z-Sun    dr  P   F[%]"});
    h.passage = 5;
    EXPECT_EQ(h.columns(), Lines{" con   k       year   dt[days]    X5     M/10^7   x-Sun  y-Sun  z-Sun  P   F[%]"});
    h.passage = 4;
    EXPECT_EQ(h.columns(), (Lines{area, "    (  JDE       dt[h]   X5   M/10^7  h-Sun    \"      \"      \"     \"   "
                                        "\"    \"  )"}));
    h.main_option = 2;
    EXPECT_EQ(h.columns(), (Lines{area, "    (  JDE       dt[h]   X5   M/10^9  h-Sun    \"      \"      \"     \"   "
                                        "\"    \"  )"}));
    h.passage = 1;
    EXPECT_EQ(h.columns(), Lines{" con   k      year      X5   M/10^9   h-Sun  x-Sun  y-Sun  z-Sun   dr  P   F[%]"});
    h.passage = 5;
    EXPECT_EQ(h.columns(), Lines{" con   k       year   dt[days]    X5     M/10^9   x-Sun  y-Sun  z-Sun  P   F[%]"});
}

TEST(Tabe, ExtendedOutputRulersAndCoordinateHeads)
{
    const std::string lbr = "   Lm       Bm       Rm       Lv       Bv       Rv       Le       Be       Re  ";
    const std::string fit = " con   k      year    Lm-Lv   Lm-Le   e  it  x-Sun  y-Sun  z-Sun   dr  P   F[%]";
    Head h;
    h.output_detail = 2;
    EXPECT_EQ(h.write(), (Lines{"", eq79, fit, dash79, lbr,
                                "    xm      ym      zm         xv      yv      zv        xe       ye      ze   ",
                                "  xv-xm    xe-xm    yv-ym    ye-ym    zv-zm    ze-zm             rel. deviation",
                                eq79}));
    // The reference case prints its own listing instead of the coordinate rows.
    h.reference_flag = 1;
    EXPECT_EQ(h.write(), (Lines{"", eq79, fit, dash79}));
    // Kepler orbits have no coordinate rows; the ruler stays "=".
    h.reference_flag = 0;
    h.ephem_choice = 3;
    EXPECT_EQ(h.write(), (Lines{"", fit, eq79}));

    h.ephem_choice = 1;
    h.main_option = 3;
    h.conj_choice = 4;
    const Lines l = h.write();
    EXPECT_EQ(l, (Lines{"", eq79, l.at(2), dash79, lbr, "   Lma      Bma      Rma", eq79}));
}

TEST(Tabe, TransitRunsLeaveTheHeadToTheirRows)
{
    Head h;
    h.main_option = 3;
    h.conj_choice = 1;
    h.output_detail = 2;
    EXPECT_TRUE(h.write().empty());
    h.menu_choice = -804;
    EXPECT_EQ(h.write(), (Lines{"", sp(24) + "calculation of the file inser-2.t", sp(31) + "--- please wait ---"}));
}

struct TransitTable {
    int output_detail = 1, conj_choice = 1, ephem_choice = 1, date_mode = 1, calendar_choice = 2;
    int state = table_head_pending;

    // Writes the lines that precede each row, for every unit as a run does.
    Lines rows(std::initializer_list<double> jdes)
    {
        return capture_report([&] {
            for (double jde : jdes) {
                for (int unit : io::units().list()) {
                    zwizeile(unit, output_detail, jde, conj_choice, ephem_choice, date_mode, calendar_choice, state);
                }
                io::units().put_all("row\n");
            }
        });
    }
};

const std::string head12 = " co/p   k        date         time   dt[days]  Lm-Lv   Lm-Le  Lm-Lma  sep[\"]  S";
const std::string julian12 = " " + std::string(13, '-') + " (Jul. cal.) " + std::string(53, '-');
const std::string gregor12 = " " + std::string(12, '-') + " (Greg. cal.) " + std::string(53, '-');

TEST(Zwizeile, CalendarSeparatorsOnceEachAtTheirRows)
{
    TransitTable t;
    EXPECT_EQ(t.rows({-40000.0, -10.0, 0.0, 1000.0, 2299160.9, 2299161.0, 2400000.0}),
              (Lines{"", head12, eq79, "row", "row", julian12, "row", "row", "row", gregor12, "row", "row"}));
    EXPECT_EQ(t.state, table_done);
    EXPECT_EQ(t.rows({2500000.0}), Lines{"row"});
}

TEST(Zwizeile, RunsThatNeedNoSeparator)
{
    // Starting after the reform goes straight to the last state.
    TransitTable after;
    after.date_mode = 2;
    EXPECT_EQ(after.rows({2400000.0, 2450000.0}), (Lines{"", head12, eq79, "row", "row"}));
    EXPECT_EQ(after.state, table_done);

    // Starting in the Julian calendar waits for the reform only.
    TransitTable julian;
    EXPECT_EQ(julian.rows({100.0, 2299161.5}), (Lines{"", head12, eq79, "row", gregor12, "row"}));

    // The Gregorian calendar throughout has no separators at all.
    TransitTable gregorian;
    gregorian.calendar_choice = 1;
    EXPECT_EQ(gregorian.rows({-100.0, 100.0, 2400000.0}), (Lines{"", head12, eq79, "row", "row", "row"}));
    EXPECT_EQ(gregorian.state, table_before_era);
}

TEST(Zwizeile, RowJumpingFromBeforeTheEraPastTheReformGetsBothSeparatorsOnEveryUnit)
{
    TransitTable t;
    EXPECT_EQ(t.rows({-5.0, 2400000.0}), (Lines{"", head12, eq79, "row", julian12, gregor12, "row"}));
    EXPECT_EQ(t.state, table_done);
}

TEST(Zwizeile, PhaseHeadsAndExtendedOutput)
{
    TransitTable t;
    t.date_mode = 3;
    EXPECT_EQ(t.rows({-1.0, 1.0, 2299162.0}),
              (Lines{"", " co/p    date, phase:   I        II      nearest     III       IV    sep[\"]a  S", eq79,
                     "row", " ----- (Jul. cal.) " + std::string(61, '-'), "row",
                     " ---- (Greg. cal.) " + std::string(61, '-'), "row"}));

    TransitTable w;
    w.date_mode = 4;
    w.output_detail = 2;
    EXPECT_EQ(w.rows({-1.0, 1.0, 2299162.0}),
              (Lines{sp(93) + "position angles [deg]" + sp(12) + "semidiameters [\"]", eq147,
                     " co/p    date, phase:    I        II      nearest     III       IV     sep[\"]  a      P1      "
                     "P2     near.    P3      P4        s-Sun    s-pl.    S",
                     dash147, "   Lm       Bm       Rm       Lv       Bv       Rv       Le       Be       Re  ",
                     "   Lma      Bma      Rma", eq147, "row", " ----- (Jul. cal.) " + std::string(129, '-'), "row",
                     " ---- (Greg. cal.) " + std::string(129, '-'), "row"}));

    // Kepler orbits: no coordinate rows; the ruler follows the output detail.
    TransitTable k;
    k.ephem_choice = 3;
    k.output_detail = 2;
    k.calendar_choice = 1;
    EXPECT_EQ(k.rows({2400000.0}), (Lines{"", eq79, head12, dash79, "row"}));
}

struct Closing {
    int main_option = 1, ephem_choice = 1, conj_choice = 4, passage = 1, date_mode = 1, sun_mode = 5;
    int constellation = 15, legend_flag = 0, output_detail = 1, reference_flag = 0, menu_choice = 0;
    std::array<int, 6> counters{0, 1200, 1150, 7, 3, 2};
    int cpu_h = 0, cpu_m = 1;
    double cpu_s = 2.5;
    int run_h = 1, run_m = 0;
    double run_s = 59.2504;

    Lines write() const
    {
        return each_unit([&](int unit) {
            endzeile(main_option, ephem_choice, conj_choice, passage, date_mode, sun_mode, constellation, legend_flag,
                     output_detail, unit, counters, cpu_h, cpu_m, cpu_s, run_h, run_m, run_s, reference_flag,
                     menu_choice);
        });
    }
};

const std::string cpu_plain = sp(43) + "CPU time  0: 1: 2.500";
const std::string run_line = sp(43) + "run time  1: 0:59.250 -- end of run.";

TEST(Endzeile, ClosingOfTransitRuns)
{
    Closing c;
    c.main_option = 3;
    c.conj_choice = 2;
    c.date_mode = 3;
    EXPECT_EQ(c.write(), (Lines{"  Computed constellations:      1150      " + sp(11) + "(\"/\" means ascending node)",
                                "  Tested planet. passages:      1200",
                                "  Detected transits      :         7",
                                "  Centr./grazing transits:    2 /  3       CPU time  0: 1: 2.500", run_line, ""}));
    c.date_mode = 2;
    EXPECT_EQ(c.write().at(0), "  Computed constellations:      1150      " + sp(37));
}

TEST(Endzeile, ClosingOfSiteAndSyzygyRuns)
{
    Closing c; // Giza, Sun point by FITEX
    EXPECT_EQ(c.write(), (Lines{"  Computed constellations:      1150      (P: polarity, * view from ecl. south)",
                                "  Detected constellations:         7       CPU time  0: 1: 2.500", run_line, ""}));
    c.main_option = 2;
    c.sun_mode = 1;
    c.ephem_choice = 3;
    EXPECT_EQ(c.write().at(0), "  Computed constellations:      1150      (P: polarity, resp. view on ecliptic)");
    c.ephem_choice = 1;
    EXPECT_EQ(c.write().at(0), "  Computed constellations:      1150      " + sp(37));

    Closing s;
    s.main_option = 3;
    s.conj_choice = 3;
    s.sun_mode = 1;
    EXPECT_EQ(s.write(), (Lines{"  Computed constellations:      1150      " + sp(37),
                                "  Detected constellations:         7",
                                "  Number of syzygies     :         3       CPU time  0: 1: 2.500", run_line, ""}));
    s.sun_mode = 5;
    EXPECT_EQ(s.write(), (Lines{"  Computed constellations:      1150      " + sp(37),
                                "  Number of syzygies     :         7       CPU time  0: 1: 2.500", run_line, ""}));
    // The full series over a range of years prints the times only.
    s.ephem_choice = 2;
    EXPECT_EQ(s.write(), (Lines{cpu_plain, run_line, ""}));
    s.passage = 3;
    EXPECT_EQ(s.write().size(), 4u);
}

TEST(Endzeile, TimesLegendAndSeriesFile)
{
    Closing c;
    c.constellation = 12;
    EXPECT_EQ(c.write(), (Lines{cpu_plain, run_line, ""}));
    c.legend_flag = 1;
    EXPECT_EQ(c.write(), (Lines{sp(14) + "(\"<\" exact deviation dr)     CPU time  0: 1: 2.500", run_line, ""}));
    c.reference_flag = 1;
    EXPECT_EQ(c.write(), (Lines{cpu_plain, run_line, ""}));

    Closing series;
    series.main_option = 3;
    series.conj_choice = 2;
    series.menu_choice = -804;
    EXPECT_EQ(series.write(), (Lines{sp(43) + "The file inser-2.t has been created.", cpu_plain, run_line, ""}));

    // Hours in three places, minutes in two, seconds as f6.3.
    c.cpu_h = 123;
    c.cpu_m = 59;
    c.cpu_s = 0.0004;
    c.run_h = 0;
    c.run_m = 7;
    c.run_s = 9.8766;
    c.reference_flag = 0;
    c.legend_flag = 0;
    EXPECT_EQ(c.write(), (Lines{sp(43) + "CPU time123:59: 0.000", sp(43) + "run time  0: 7: 9.877 -- end of run.", ""}));
}

TEST(Endzeile, RulerBeforeTheClosingOfAnExtendedRunWithoutHits)
{
    Closing c;
    c.constellation = 3;
    c.output_detail = 2;
    EXPECT_EQ(c.write(), (Lines{cpu_plain, run_line, ""}));
    c.counters[3] = 0;
    EXPECT_EQ(c.write(), (Lines{eq79, cpu_plain, run_line, ""}));
    c.main_option = 3;
    c.conj_choice = 1;
    c.date_mode = 4;
    EXPECT_EQ(c.write(), (Lines{eq147, cpu_plain, run_line, ""}));
    c.output_detail = 1;
    EXPECT_EQ(c.write(), (Lines{cpu_plain, run_line, ""}));
}

} // namespace
} // namespace r7
