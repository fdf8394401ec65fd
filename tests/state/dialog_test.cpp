#include <gtest/gtest.h>

#include <algorithm>

#include "dialog_support.hpp"
#include "io/error.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::answers_for;
using test::joined;
using test::run_dialog;

const std::string incorrect = "\n  ---->  incorrect input.\n\n";
const std::string too_large_10 = "\n  ---->  number too large (max. 10.00).\n\n";
const std::string too_large_99 = "\n  ---->  number too large (max. 99.99).\n\n";

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + what.size())) ++n;
    return n;
}

// Answers up to the "from year" question: Giza, short series, aphelion, Sun
// south of Mykerinos, ecliptic coordinates, a range of years.
const std::string giza_short_2d = "0\n1\n2\n2\n1\n1\n1\n15\n";
// The same with Kepler orbits (frame asked, no coordinate question).
const std::string giza_kepler_2d = "0\n1\n3\n1\n2\n1\n1\n15\n";

TEST(DialogMenu, BannerMenuAndQuestionLayout)
{
    const auto r = run_dialog("");
    EXPECT_TRUE(r.ended);
    const std::string banner = "\n\n" + std::string(29, ' ') + std::string(23, '-') + "\n" + std::string(30, ' ') +
                               "HELIOSYNCHRONOMETRICS\n" + std::string(30, ' ') + "Program R7, Aug. 2022\n" +
                               std::string(29, ' ') + std::string(23, '-') + "\n";
    ASSERT_EQ(r.out.substr(0, banner.size()), banner);
    const std::string ruler = " " + std::string(78, '-') + "\n";
    const std::string menu =
        "\n    Giza pyramids      Great P. chambers     transits syzygy     Teotihuacan\n" + ruler +
        "  3D Mer at aph (1)    3D Mer at per (6)    Mercury tr  (11)    GPS m km  (16)\n"
        "  2D Mer at aph (2)    Keplers equ   (7)    Venus tr    (12)    Map mm km (17)\n"
        "  constell 3088 (3)    constell 3088 (8)    syzygy 3 pl (13)    GPS log3  (18)\n"
        "  1.5 days 3088 (4)    1.5 days 3088 (9)    syzygy 4 pl (14)    Map log3  (19)\n"
        "  near aphelion (5)    F minimized  (10)    TYMT test   (15)    24000 y.  (20)\n" +
        ruler;
    ASSERT_EQ(r.out.substr(banner.size(), menu.size()), menu);
    // The question stays on its line, the answer is typed behind it.
    EXPECT_EQ(r.out.substr(banner.size() + menu.size()),
              "        info (111)   detailed options (0)   (1..20 or book options) : ");
}

TEST(DialogMenu, InvalidAnswersRepeatOnlyTheQuestion)
{
    const auto r = run_dialog("23\n-1\n112\n1000\n2.5\nabc\n/\n");
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(count(r.out, "HELIOSYNCHRONOMETRICS"), 1);
    EXPECT_EQ(count(r.out, "Great P. chambers"), 1);
    EXPECT_EQ(count(r.out, "(1..20 or book options) : "), 8);
    EXPECT_EQ(count(r.out, incorrect), 7);
}

TEST(DialogMenu, CodedAnswersSelectTheirRecordSets)
{
    EXPECT_EQ(menu_record_set(1), 1);
    EXPECT_EQ(menu_record_set(20), 20);
    EXPECT_EQ(menu_record_set(21), 92);
    EXPECT_EQ(menu_record_set(22), 93);
    EXPECT_EQ(menu_record_set(23), 0);
    EXPECT_EQ(menu_record_set(0), 0);
    EXPECT_EQ(menu_record_set(111), 0);
    EXPECT_EQ(menu_record_set(230), 8);
    EXPECT_EQ(menu_record_set(417), 3);
    EXPECT_EQ(menu_record_set(427), 3);
    EXPECT_EQ(menu_record_set(381), 99);
    EXPECT_EQ(menu_record_set(519), 98);
    EXPECT_EQ(menu_record_set(-804), 94);
    EXPECT_EQ(menu_record_set(999), 999);
    EXPECT_EQ(menu_record_set(339), 0);
    int answers = 0;
    for (int a = -1000; a <= 1000; ++a) {
        const int s = menu_record_set(a);
        if (s == 0) continue;
        ++answers;
        EXPECT_TRUE((s >= 1 && s <= 99) || s == 999) << a;
    }
    EXPECT_EQ(answers, 20 + 108); // book options, coded answers, -804 and 999
}

TEST(DialogMenu, RecordSetAnswersLoadTheirSetAndKeepTheAnswer)
{
    test::ScratchDir dir;
    auto r = run_dialog("21\n");
    ASSERT_FALSE(r.ended);
    EXPECT_EQ(r.p.menu_choice, 21);
    EXPECT_EQ(r.p.main_option, 3);
    EXPECT_EQ(r.p.conj_choice, 1);
    EXPECT_EQ(r.p.date_mode, 4);

    r = run_dialog("22\n");
    ASSERT_FALSE(r.ended);
    EXPECT_EQ(r.p.menu_choice, 22);
    EXPECT_EQ(r.p.conj_choice, 2);

    r = run_dialog("-804\n");
    EXPECT_EQ(r.p.menu_choice, -804);
    EXPECT_EQ(r.p.conj_choice, 1);

    // 999: the editable set of inedit.t (as installed, a copy of book option 1).
    r = run_dialog("999\n");
    ASSERT_FALSE(r.ended);
    EXPECT_EQ(r.p.menu_choice, 999);
    EXPECT_EQ(test::differences(r.p, run_dialog("1\n").p), "");
}

TEST(DialogMenu, InfoPrintsTheTextAndExits)
{
    test::ScratchDir dir;
    const auto r = run_dialog("111\n");
    ASSERT_FALSE(r.ended);
    EXPECT_EQ(r.p.menu_choice, 111);
    EXPECT_EQ(r.p.output_choice, 4);
    const auto at = r.out.find("(1..20 or book options) : \n\n\n     Program R7 - Heliosynchronometrics");
    ASSERT_NE(at, std::string::npos);
    const auto lines = test::lines_of(r.out.substr(at + 29));
    ASSERT_EQ(lines.size(), 39u);
    for (int i = 0; i < 38; ++i) EXPECT_EQ(lines[i].size(), 75u) << i;
    EXPECT_EQ(lines[38], "");
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "\n\n");
}

TEST(DialogDetailed, GizaCombinedSearchSetsEveryParameter)
{
    const auto r = run_dialog("0\n1\n1\n2\n2\n1\n3\n3\n2\n2900\n3300.5\n5\n2.5\n1\n2\n");
    ASSERT_FALSE(r.ended);
    EXPECT_TRUE(r.consumed);
    const RunParams& p = r.p;
    EXPECT_EQ(p.menu_choice, 0);
    EXPECT_EQ(p.main_option, 1);
    EXPECT_EQ(p.conj_choice, 4);
    EXPECT_EQ(p.ephem_choice, 1);
    EXPECT_EQ(p.full_flag, 0);
    EXPECT_EQ(p.combi_flag, 1);
    EXPECT_EQ(p.frame_choice, 2);
    EXPECT_EQ(p.vsop_variant, 1);
    EXPECT_EQ(p.table_switch, 1);
    EXPECT_EQ(p.date_mode, 1);
    EXPECT_EQ(p.time_scale, 1);
    EXPECT_EQ(p.calendar_choice, 2);
    EXPECT_EQ(p.planet_order, 0);
    EXPECT_EQ(p.passage, 1);
    EXPECT_EQ(p.steps_per_passage, 0);
    EXPECT_EQ(p.step_width, 24.0);
    EXPECT_EQ(p.sun_mode, 5);
    EXPECT_EQ(p.level_choice, 2);
    EXPECT_EQ(p.coord_choice, 1);
    EXPECT_EQ(p.constellation, 15);
    EXPECT_EQ(p.year_from, 2900.0);
    EXPECT_EQ(p.year_to, 3300.5);
    EXPECT_EQ(p.k_number, 0.0);
    EXPECT_EQ(p.start_jde, 0.0);
    EXPECT_EQ(p.tol_short, 5.0);
    EXPECT_EQ(p.tol_full, 2.5);
    EXPECT_EQ(p.f_consider, 0.0);
    EXPECT_EQ(p.f_print, 0.0);
    EXPECT_EQ(p.conj_filter, 1);
    EXPECT_EQ(p.view, 1);
    EXPECT_EQ(p.output_detail, 1);
    EXPECT_EQ(p.output_choice, 2);
    // The questions, in order, each written without a line end.
    const std::vector<std::string> prompts = {
        "       conj./transits (3), Teotihuacan (4)  : ",
        "         Kepl. equ. (3),  full version (4)  : ",
        "  System   ecl. of epoch (1),  J2000.0 (2)  : ",
        "  Calendar  only Greg. (1), Jul./Greg. (2)  : ",
        "  Passage   aph. (1),  per. (2),  free (5)  : ",
        "  Sun pos.  Myk.(1),  Chefr.(2),  free (3)  : ",
        "  Sun     2D (1), 3D/SLE (2), 3D/FITEX (3)  : ",
        "  z-coord.    base (1),  C-M (2),  top (3)  : ",
        "     from  year (real): ",
        "     until year (real): ",
        "  Max. F-pos    VSOP short ver. (real) [%]  : ",
        "   \"     \"      VSOP  full ver. (real) [%]  : ",
        "  Output         normal (1),  extended (2)  : ",
        "  Mon.(1), file (2), special (3), exit (4)  : "};
    std::size_t pos = r.out.find("(1..20 or book options) : ");
    ASSERT_NE(pos, std::string::npos);
    for (const auto& q : prompts) {
        const auto at = r.out.find(q, pos);
        ASSERT_NE(at, std::string::npos) << q;
        pos = at + q.size();
    }
    EXPECT_EQ(pos, r.out.size());
}

TEST(DialogDetailed, TransitsAskNoSiteQuestions)
{
    const auto r = run_dialog("0\n3\n1\n1\n3\n2\n2\n1900\n2200\n1\n2\n");
    ASSERT_FALSE(r.ended);
    EXPECT_TRUE(r.consumed);
    for (const char* q : {"Passage", "Sun", "z-coord", "Wall", "Coord.", "Constell.", "Tolerance", "F-pos", "View",
                          "System", "Planets", "Step width"}) {
        EXPECT_EQ(r.out.find(q), std::string::npos) << q;
    }
    EXPECT_EQ(r.p.ephem_choice, 1);
    EXPECT_EQ(r.p.combi_flag, 1); // "full v." is the combination
    EXPECT_EQ(r.p.frame_choice, 1);
    EXPECT_EQ(r.p.date_mode, 3);
    EXPECT_EQ(r.p.time_scale, 2);
    EXPECT_EQ(r.p.sun_mode, 5);
    EXPECT_EQ(r.p.step_width, 0.0);
    EXPECT_EQ(r.p.passage, 1);
    EXPECT_EQ(r.p.constellation, 15);
    EXPECT_EQ(r.p.output_detail, 1);
    EXPECT_EQ(r.p.output_choice, 2);

    // Dates of equal longitude: no time-system question.
    const auto e = run_dialog("0\n3\n2\n2\n1\n1\n1900\n2200\n2\n1\n");
    EXPECT_TRUE(e.consumed);
    EXPECT_EQ(e.out.find("Time system"), std::string::npos);
    EXPECT_EQ(e.p.combi_flag, 0);
    EXPECT_EQ(e.p.output_detail, 2);
}

TEST(DialogDetailed, SyzygyStepWidthDecidesSearchAndDetail)
{
    // Step width 0: minimum search, then the conjunction filter and the detail.
    auto r = run_dialog("0\n3\n3\n2\n1\n2900\n3200\n0\n3\n2\n2\n1\n");
    ASSERT_FALSE(r.ended);
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(r.p.sun_mode, 5);
    EXPECT_EQ(r.p.conj_filter, 2);
    EXPECT_EQ(r.p.output_detail, 2);
    EXPECT_EQ(r.p.tol_short, 3.0);
    // A step width: no filter question, normal output without asking.
    r = run_dialog("0\n3\n4\n2\n1\n2900\n3200\n24\n3\n1\n");
    EXPECT_TRUE(r.consumed);
    EXPECT_FALSE(r.ended);
    EXPECT_EQ(r.p.sun_mode, 1);
    EXPECT_EQ(r.p.output_detail, 1);
    EXPECT_EQ(r.p.step_width, 24.0);
    EXPECT_EQ(r.out.find("All conjunctions"), std::string::npos);
    EXPECT_EQ(r.out.find("Output   "), std::string::npos);
    // Negative step widths are refused.
    r = run_dialog("0\n3\n4\n2\n1\n2900\n3200\n-1\n");
    EXPECT_EQ(count(r.out, incorrect), 1);
    EXPECT_EQ(count(r.out, "  Step width [hrs] (min.-search 0.) (real)  : "), 2);
    // Kepler orbits: frame asked, no filter question even with minimum search.
    r = run_dialog("0\n3\n3\n3\n2\n1\n2900\n3200\n0\n3\n1\n2\n");
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(r.p.frame_choice, 2);
    EXPECT_EQ(r.p.vsop_variant, 1);
    EXPECT_EQ(r.p.conj_filter, 1);
    // The combination asks two ranges and forces the minimum search.
    r = run_dialog("0\n3\n3\n1\n1\n2900\n3200\n3\n2\n1\n1\n1\n");
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(r.p.sun_mode, 5);
    EXPECT_EQ(r.p.tol_full, 2.0);
    EXPECT_EQ(r.out.find("Step width"), std::string::npos);
}

TEST(DialogDetailed, ChambersAreaAndFullSeries)
{
    // Chambers, full series, area of the perihelion: steps, width, output_detail 1.
    const auto r = run_dialog("0\n2\n4\n1\n2\n3\n4\n36\n1.5\n3\n2\n12\n2\n");
    ASSERT_FALSE(r.ended);
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(r.p.planet_order, 3);
    EXPECT_EQ(r.p.passage, 4);
    EXPECT_EQ(r.p.steps_per_passage, 36);
    EXPECT_EQ(r.p.step_width, 1.5);
    EXPECT_EQ(r.p.sun_mode, 5);
    EXPECT_EQ(r.p.level_choice, 2);
    EXPECT_EQ(r.p.constellation, 12);
    EXPECT_EQ(r.p.output_detail, 1);
    EXPECT_EQ(r.p.view, 1);
    // The chambers' Sun question knows only SLE (2) and FITEX (3); steps and the
    // step width have their ranges.
    const auto w = run_dialog("0\n2\n4\n1\n2\n1\n3\n0\n200001\n36\n0\n10000\n9999.9994\n1\n");
    EXPECT_EQ(count(w.out, incorrect), 5);
    EXPECT_EQ(count(w.out, "  Steps per Mercury passage : "), 3);
    EXPECT_EQ(count(w.out, "  Step width  (hours, real) : "), 3);
    EXPECT_EQ(count(w.out, "  Sun (three-dim.):    SLE (2),  FITEX (3)  : "), 2);
    // Kepler orbits: no planet order, Sun point south of the Subterranean Chamber.
    const auto k = run_dialog("0\n2\n3\n1\n1\n2\n7\n1\n1\n");
    EXPECT_EQ(k.out.find("Planets  E-V-M"), std::string::npos);
    EXPECT_EQ(k.p.view, 2); // constellation 7 is seen from the south
    EXPECT_EQ(k.p.sun_mode, 1);
    EXPECT_EQ(k.p.planet_order, 0);
    EXPECT_TRUE(k.consumed);
}

TEST(DialogDetailed, ViewQuestionDependsOnTheInterval)
{
    // Full series, one k-number: north or south only.
    auto r = run_dialog("0\n1\n4\n1\n2\n1\n1\n1\n15\n4519\n3\n2\n1\n");
    EXPECT_EQ(r.p.k_number, 4519.0);
    EXPECT_EQ(r.p.view, 2);
    EXPECT_EQ(count(r.out, "  View from ecliptic  North (1), South (2)  : "), 2);
    EXPECT_EQ(r.out.find("Output         normal"), std::string::npos); // full series: extended
    EXPECT_EQ(r.p.output_detail, 2);
    EXPECT_TRUE(r.consumed);
    // A range of years: also both views (3).
    r = run_dialog(giza_short_2d + "2000\n2100\n2\n3\n1\n1\n");
    EXPECT_EQ(r.p.view, 3);
    EXPECT_TRUE(r.consumed);
    // One JDE: north or south.
    r = run_dialog("0\n1\n2\n2\n1\n1\n1\n0\n2451545\n3\n1\n1\n1\n");
    EXPECT_EQ(r.p.start_jde, 2451545.0);
    EXPECT_EQ(r.p.view, 1);
    EXPECT_EQ(count(r.out, incorrect), 1);
    EXPECT_EQ(r.out.find("Tolerance"), std::string::npos);
}

TEST(DialogDetailed, TeotihuacanAcceptsEqualYearsWithoutStepWidth)
{
    auto r = run_dialog("0\n4\n1\n2000\n2000\n1\n1\n1\n2\n2\n");
    ASSERT_FALSE(r.ended);
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(r.out.find("Step width"), std::string::npos);
    EXPECT_EQ(r.out.find("Calendar"), std::string::npos);
    EXPECT_EQ(r.p.step_width, 0.0);
    EXPECT_EQ(r.p.year_from, 2000.0);
    EXPECT_EQ(r.p.year_to, 2000.0);
    EXPECT_EQ(r.p.ephem_choice, 3);
    EXPECT_EQ(r.p.output_detail, 2);
    // A later "until" year is refused, the step width is bounded by the span,
    // the custom base lies above 1 and at most 1000.
    r = run_dialog("0\n4\n3\n-25000\n-26000\n25000\n0\n50001\n50000\n2\n2\n2\n4\n1\n1000.5\n1000\n1\n2\n");
    ASSERT_FALSE(r.ended);
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(count(r.out, incorrect), 6);
    EXPECT_EQ(count(r.out, "     until the year      (real): "), 2);
    EXPECT_EQ(r.p.conj_choice, 3);
    EXPECT_EQ(r.p.step_width, 50000.0);
    EXPECT_EQ(r.p.date_mode, 2);
    EXPECT_EQ(r.p.time_scale, 2);
    EXPECT_EQ(r.p.calendar_choice, 4);
    EXPECT_EQ(r.p.tol_short, 1000.0);
    EXPECT_EQ(r.p.output_detail, 1);
}

TEST(DialogChecks, EqualYearsRejectedForGizaChambersAndTransits)
{
    for (const std::string& head : {giza_short_2d, std::string("0\n2\n2\n1\n2\n2\n3\n1\n15\n"),
                                     std::string("0\n3\n1\n2\n1\n2\n")}) {
        const auto r = run_dialog(head + "2000\n2000\n1999\n2001\n");
        EXPECT_TRUE(r.ended);
        EXPECT_EQ(count(r.out, "     from  year (real): "), 1);
        EXPECT_EQ(count(r.out, "     until year (real): "), 3);
        EXPECT_EQ(count(r.out, incorrect), 2);
    }
}

TEST(DialogChecks, TimeRangesAndTheirTexts)
{
    auto r = run_dialog(giza_short_2d + "17000.1\n-13000\n17000\n");
    EXPECT_EQ(count(r.out, "\n  ---->  incorrect input.  (-13 000. <= year <= 17 000.)      \n\n"), 1);
    EXPECT_EQ(count(r.out, "     from  year (real): "), 2);
    // Kepler orbits reach further.
    r = run_dialog(giza_kepler_2d + "-25000\n30000.1\n30000\n");
    EXPECT_EQ(count(r.out, "\n  ---->  incorrect input.  (-30 000. <= year <= 30 000.)      \n\n"), 1);
    EXPECT_EQ(count(r.out, "     until year (real): "), 2);
    // k-numbers (full series, one passage).
    r = run_dialog("0\n1\n4\n1\n2\n1\n3\n3\n1\n15\n63000.01\n");
    EXPECT_EQ(count(r.out, "\n  ---->  incorrect input.  (-63 000. <=  k  <=  63 000.)      \n\n"), 1);
    // JDE, VSOP87 and Kepler orbits.
    r = run_dialog("0\n1\n2\n2\n1\n1\n1\n0\n7940000.2\n");
    EXPECT_EQ(count(r.out, "\n  ---->  incorrect input.  (-3 030 000. <= JDE <= 7 940 000.) \n\n"), 1);
    r = run_dialog("0\n1\n3\n1\n2\n1\n1\n0\n-9240000.2\n12680000\n");
    EXPECT_EQ(count(r.out, "\n  ---->  incorrect input.  (-9 240 000. <= JDE <= 12 680 000.)\n\n"), 1);
    EXPECT_EQ(range_text(2, 3), " (-133 000. <=  k  <=  117 000.)    ");
    for (int kind = 1; kind <= 3; ++kind) {
        EXPECT_EQ(range_text(kind, 1).size(), 36u);
        EXPECT_EQ(range_text(kind, 3).size(), 36u);
    }
}

TEST(DialogChecks, TolerancesAndTheirMaximum)
{
    // Longitude tolerance with VSOP87: at most 10.
    auto r = run_dialog(giza_short_2d + "2000\n2100\n10.01\n0\n-1\nx\n10\n");
    EXPECT_EQ(count(r.out, too_large_10), 1);
    EXPECT_EQ(count(r.out, incorrect), 3);
    EXPECT_EQ(count(r.out, "  Tolerance ecl. long. Venus, Earth (real)  : "), 5);
    EXPECT_TRUE(r.ended);
    // With Kepler orbits the limit is 99.99.
    r = run_dialog(giza_kepler_2d + "2000\n2100\n11\n3\n1\n1\n");
    EXPECT_EQ(r.p.tol_short, 11.0);
    EXPECT_TRUE(r.consumed);
    r = run_dialog(giza_kepler_2d + "2000\n2100\n100\n");
    EXPECT_EQ(count(r.out, too_large_99), 1);
    // F tolerances: 99.99.
    r = run_dialog("0\n1\n2\n2\n1\n3\n3\n1\n15\n2000\n2100\n100\n99.99\n");
    EXPECT_EQ(count(r.out, too_large_99), 1);
    // The combination with a Sun point south of Mykerinos: both at most 10, and
    // the limit stays for the second question.
    r = run_dialog("0\n1\n1\n1\n2\n1\n1\n1\n2000\n2100\n10.5\n2\n10.5\n1\n3\n1\n1\n");
    EXPECT_EQ(count(r.out, too_large_10), 2);
    EXPECT_EQ(count(r.out, "   \"      \"     \"   VSOP full    (real)  : "), 2);
    EXPECT_EQ(r.p.tol_full, 1.0);
    EXPECT_EQ(r.p.view, 3);
    EXPECT_TRUE(r.consumed);
    // Free passage without the combination: the fitmin questions.
    r = run_dialog("0\n1\n2\n2\n5\n1\n2000\n2010\n10\n3\n2\n");
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(r.p.sun_mode, 5);
    EXPECT_EQ(r.p.output_detail, 1);
    EXPECT_EQ(count(r.out, "  Max. F-pos, VSOP short, start fitmin [%]  : "), 1);
    EXPECT_EQ(r.out.find("Constell."), std::string::npos);
    // Area of the aphelion: the two extra F limits.
    r = run_dialog("0\n1\n2\n2\n3\n48\n1\n3\n1\n15\n3080\n3100\n5\n10\n3\n1\n2\n");
    EXPECT_TRUE(r.consumed);
    EXPECT_EQ(r.p.f_consider, 10.0);
    EXPECT_EQ(r.p.f_print, 3.0);
    EXPECT_EQ(r.p.output_detail, 1);
}

TEST(DialogChecks, IntegerQuestionsAcceptOnlyTheirCodes)
{
    // A real for an integer, a slash, an empty value and out-of-range codes.
    auto r = run_dialog("0\n1.0\n/\n,\n5\n0\n1\n");
    EXPECT_EQ(count(r.out, incorrect), 5);
    EXPECT_EQ(count(r.out, "       conj./transits (3), Teotihuacan (4)  : "), 6);
    EXPECT_TRUE(r.ended);
    // Constellations 0 to 15 only.
    r = run_dialog("0\n1\n2\n2\n1\n1\n1\n-1\n16\n-15\n12\n1\n1\n");
    EXPECT_EQ(count(r.out, incorrect), 3);
    EXPECT_EQ(r.p.constellation, 12);
    EXPECT_TRUE(r.consumed);
    // Output: "special" only with the fit of a VSOP87 run.
    r = run_dialog(giza_short_2d + "2000\n2100\n2\n1\n1\n3\n4\n");
    EXPECT_EQ(count(r.out, incorrect), 1);
    EXPECT_EQ(r.p.output_choice, 4);
    // Combination passage: 3 and 4 are not offered.
    r = run_dialog("0\n1\n1\n1\n2\n3\n4\n");
    EXPECT_EQ(count(r.out, incorrect), 2);
}

TEST(DialogChecks, EmesMessages)
{
    test::Terminal t;
    emes(0, {}, 0.0);
    emes(1, {}, 0.0);
    emes(2, range_text(1, 1), 0.0);
    emes(3, {}, 10.0);
    emes(3, {}, 99.99);
    EXPECT_EQ(t.text(), incorrect + incorrect + "\n  ---->  incorrect input.  (-13 000. <= year <= 17 000.)      \n\n" +
                            too_large_10 + too_large_99);
}

// Full answer scripts through every study; cut at each answer, the dialog must
// end at once (EndOfInput), without repeating a question or printing a message.
TEST(DialogEndOfInput, EndsAtEveryQuestion)
{
    const std::vector<std::string> scripts = {
        "0\n1\n1\n2\n2\n1\n3\n3\n2\n2900\n3300.5\n5\n2.5\n1\n2\n",
        "0\n2\n4\n1\n2\n3\n4\n36\n1.5\n3\n2\n15\n3000\n3010\n5\n10\n3\n2\n",
        "0\n1\n2\n2\n1\n1\n1\n0\n2451545\n1\n1\n1\n",
        "0\n1\n4\n1\n2\n1\n1\n1\n15\n4519\n2\n1\n",
        "0\n3\n1\n1\n4\n2\n2\n1900\n2200\n1\n2\n",
        "0\n3\n4\n1\n1\n2900\n3200\n6\n5\n2\n1\n2\n",
        "0\n4\n1\n-1000\n1000\n100\n2\n2\n4\n2.5\n1\n2\n",
    };
    for (const auto& s : scripts) {
        const auto full = run_dialog(s);
        ASSERT_FALSE(full.ended) << s;
        ASSERT_TRUE(full.consumed) << s;
        ASSERT_EQ(full.out.find("incorrect"), std::string::npos) << s;
        // Without the line end of the last answer the dialog completes as well.
        EXPECT_FALSE(run_dialog(s.substr(0, s.size() - 1)).ended) << s;
        std::size_t cut = 0, shown = 0;
        int questions = 0;
        while ((cut = s.find('\n', cut)) != std::string::npos) {
            ++cut;
            if (cut == s.size()) break;
            ++questions;
            const auto r = run_dialog(s.substr(0, cut));
            EXPECT_TRUE(r.ended) << s.substr(0, cut);
            EXPECT_EQ(r.out.find("incorrect"), std::string::npos);
            // The question asked last stands once at the very end.
            EXPECT_EQ(r.out.back(), ' ');
            EXPECT_GT(r.out.size(), shown); // one more question per answer
            shown = r.out.size();
        }
        EXPECT_GT(questions, 8);
    }
}

} // namespace
} // namespace r7
