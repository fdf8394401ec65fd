#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "dialog_support.hpp"
#include "io/freeread.hpp"
#include "run/run.hpp"
#include "state/paramfile.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::answers_for;
using test::differences;
using test::joined;
using test::lines_of;
using test::run_dialog;

RunParams record_set(int n)
{
    RunParams p;
    inputfile(p, n, 1);
    return p;
}

// Every record set of the installation is a set the detailed dialog produces:
// the answers derived from its values pass every range check and lead through
// the decision tree to the very same values.
TEST(InstalledParameterSets, EveryRecordSetIsADialogSet)
{
    test::ScratchDir dir;
    std::set<int> chosen;
    for (int a = -1000; a <= 1000; ++a) {
        const int s = menu_record_set(a);
        if (s >= 1 && s <= 99) chosen.insert(s);
    }
    EXPECT_EQ(chosen.size(), 98u); // every set but one spare
    const auto file = lines_of(test::read_file("inparm.t"));
    ASSERT_EQ(file.size(), 1001u);
    for (int n = 1; n <= 99; ++n) {
        SCOPED_TRACE("record set " + std::to_string(n));
        const RunParams p = record_set(n);
        const auto r = run_dialog("0\n" + joined(answers_for(p)));
        EXPECT_FALSE(r.ended);
        EXPECT_TRUE(r.consumed);
        EXPECT_EQ(r.out.find("incorrect input"), std::string::npos);
        EXPECT_EQ(r.out.find("number too large"), std::string::npos);
        EXPECT_EQ(differences(r.p, p), "");
        EXPECT_NE(p.output_choice, 4);
        // A title follows the records.
        EXPECT_GT(file[static_cast<std::size_t>(10 * n + 8)].size(), 20u);
    }
}

TEST(InstalledParameterSets, BookOptionsBelongToTheirStudies)
{
    test::ScratchDir dir;
    for (int n = 1; n <= 20; ++n) {
        const RunParams p = record_set(n);
        EXPECT_EQ(p.main_option, (n - 1) / 5 + 1) << n;
        EXPECT_EQ(reference_flag(p), n == 3 || n == 8 ? 1 : 0) << n;
    }
    // "constell 3088": the predefined constellation 12 with the special output.
    for (int n : {3, 8}) {
        const RunParams p = record_set(n);
        EXPECT_EQ(p.constellation, 12);
        EXPECT_EQ(p.ephem_choice, 2);
        EXPECT_EQ(p.output_choice, 3);
        EXPECT_EQ(p.sun_mode, 5);
    }
    EXPECT_EQ(record_set(8).planet_order, 1);
    EXPECT_EQ(record_set(11).conj_choice, 1);
    EXPECT_EQ(record_set(12).conj_choice, 2);
    EXPECT_EQ(record_set(13).conj_choice, 3);
    EXPECT_EQ(record_set(14).conj_choice, 4);
    EXPECT_EQ(record_set(10).passage, 5);
    EXPECT_EQ(record_set(7).ephem_choice, 3);
    EXPECT_EQ(record_set(20).year_to - record_set(20).year_from, 24000.0);
}

TEST(InstalledParameterSets, TitledRunsMatchTheirHeadings)
{
    test::ScratchDir dir;
    const auto in_year = [](const RunParams& p, double y) { return p.year_from <= y && y <= p.year_to; };
    RunParams p = record_set(menu_record_set(300));
    EXPECT_EQ(p.main_option, 3);
    EXPECT_EQ(p.conj_choice, 4);
    EXPECT_TRUE(in_year(p, 3088.38));
    p = record_set(menu_record_set(301));
    EXPECT_EQ(p.conj_choice, 1);
    EXPECT_EQ(p.date_mode, 2); // minimum separation
    EXPECT_TRUE(in_year(p, 3088.38));
    p = record_set(menu_record_set(310));
    EXPECT_EQ(p.conj_choice, 2);
    EXPECT_EQ(p.date_mode, 2);
    EXPECT_TRUE(in_year(p, 3089.96));
    p = record_set(menu_record_set(311));
    EXPECT_EQ(p.conj_choice, 3);
    EXPECT_TRUE(in_year(p, 3089.97));
    EXPECT_EQ(record_set(menu_record_set(320)).main_option, 1);
    EXPECT_EQ(record_set(menu_record_set(321)).main_option, 2);
    // 322 and 323 list the Mercury aphelion coordinates: Giza, full series,
    // aphelion, fit, extended output; a single date in May 3088.
    for (int a : {322, 323}) {
        p = record_set(menu_record_set(a));
        EXPECT_EQ(p.main_option, 1);
        EXPECT_LT(p.ephem_choice, 3);
        EXPECT_EQ(p.passage, 1);
        EXPECT_EQ(p.sun_mode, 5);
        EXPECT_EQ(p.output_detail, 2);
        EXPECT_EQ(p.constellation, 0);
        EXPECT_NEAR(p.start_jde, 2849070.5, 1.0);
    }
    p = record_set(menu_record_set(338));
    EXPECT_EQ(p.ephem_choice, 3);
    EXPECT_EQ(p.output_detail, 2);
    // The series run starts with Mercury transits.
    p = record_set(menu_record_set(-804));
    EXPECT_EQ(p.main_option, 3);
    EXPECT_EQ(p.conj_choice, 1);
}

TEST(InstalledParameterSets, EditableSetIsBookOptionOne)
{
    test::ScratchDir dir;
    const auto lines = lines_of(test::read_file("inedit.t"));
    EXPECT_EQ(lines.size(), 36u);
    RunParams e;
    inputfile(e, 999, 1);
    EXPECT_EQ(differences(e, record_set(1)), "");
}

struct Site {
    double points[3][4];  // x, y, z, h of points 1 to 3
    double targets[2];
    double listing[4];
};

// Reads a site block the way the run reads it: labels first, lines skipped as
// the block layout says.
Site read_site(int first_skip, int after_skip)
{
    io::FreeReader r("ingiza.t");
    Site s{};
    std::string label;
    double x[7];
    int iw[4], trace = 0;
    r.skip_lines(first_skip);
    r.read({&label, &x[0], &x[1], &x[2], &x[3], &x[4], &x[5], &x[6]});
    EXPECT_GT(x[6], 0.0); // scale factor M
    r.read({&label, &x[0], &x[1], &x[2], &x[3], &x[4], &x[5], &x[6]});
    for (double d : x) EXPECT_GT(d, 0.0); // accuracies
    r.skip_lines(1);
    r.read({&label, &iw[0], &iw[1], &iw[2], &iw[3]});
    EXPECT_GT(iw[1], 2 * iw[0]); // room for the initial design
    r.read({&label, &x[0], &x[1], &x[2]});
    r.skip_lines(1);
    r.read({&label, &trace});
    EXPECT_EQ(trace, 0);
    r.skip_lines(2);
    for (auto& p : s.points) r.read({&label, &p[0], &p[1], &p[2], &p[3]});
    r.skip_lines(1);
    r.read({&label, &s.targets[0], &s.targets[1]});
    r.skip_lines(after_skip);
    for (double& v : s.listing) r.read({&label, &v});
    return s;
}

// Differences of direction (degrees, from x towards y) seen from the Sun point
// (sx, sy): point 3 minus point 2, point 3 minus point 1.
std::pair<double, double> targets_from(const Site& s, double sx, double sy)
{
    const auto dir = [&](int i) {
        return std::atan2(s.points[i][1] - sy, s.points[i][0] - sx) * 57.29577951308232;
    };
    return {dir(2) - dir(1), dir(2) - dir(0)};
}

TEST(InstalledSiteData, TargetDifferencesFollowFromThePoints)
{
    test::ScratchDir dir;
    ASSERT_EQ(lines_of(test::read_file("ingiza.t")).size(), 143u);
    const Site chambers = read_site(8, 22);
    const Site giza = read_site(26, 4);

    // Giza: the built-in targets belong to a Sun point 725.7 m due south of
    // Menkaure, those of line 40 to one on the same line due south of Khafre.
    auto t = targets_from(giza, giza.points[2][0] - 725.7, giza.points[2][1]);
    EXPECT_NEAR(t.first, 12.19, 0.005);
    EXPECT_NEAR(t.second, 21.41, 0.005);
    t = targets_from(giza, giza.points[2][0] - 725.7, giza.points[1][1]);
    EXPECT_NEAR(t.first, giza.targets[0], 0.005);
    EXPECT_NEAR(t.second, giza.targets[1], 0.005);
    EXPECT_NEAR(giza.targets[0], 18.30, 1e-9);
    EXPECT_NEAR(giza.targets[1], 31.16, 1e-9);

    // Chambers: a Sun point 115.2 m due south of the Subterranean Chamber, on
    // its level (x north, y up).
    t = targets_from(chambers, chambers.points[2][0] - 115.2, chambers.points[2][1]);
    EXPECT_NEAR(t.first, chambers.targets[0], 0.005);
    EXPECT_NEAR(t.second, chambers.targets[1], 0.005);

    // Three distinct points with distinct x and y (the ratios divide by them).
    for (const Site* s : {&giza, &chambers}) {
        for (int i = 0; i < 3; ++i) {
            for (int j = i + 1; j < 3; ++j) {
                EXPECT_NE(s->points[i][0], s->points[j][0]);
                EXPECT_NE(s->points[i][1], s->points[j][1]);
            }
        }
    }
    // Chamber heights are minus the east-west widths.
    for (const auto& p : chambers.points) EXPECT_LT(p[3], 0.0);

    // Listing values: the chambers' perihelion k = 4518 and the pyramids'
    // aphelion k = 4519 (constellation 12); both blocks see the same values.
    EXPECT_NEAR(giza.listing[0], 4518.0 * 87.96934963 + 2451590.257, 1e-5);
    EXPECT_NEAR(giza.listing[3], 4518.5 * 87.96934963 + 2451590.257, 1e-5);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(giza.listing[i], chambers.listing[i]);
}

TEST(InstalledSiteData, InfoTextLines)
{
    test::ScratchDir dir;
    const auto lines = lines_of(test::read_file("ingiza.t"));
    ASSERT_EQ(lines.size(), 143u);
    for (std::size_t i = 105; i < 143; ++i) {
        const auto& l = lines[i];
        ASSERT_GE(l.size(), 3u) << i + 1;
        EXPECT_EQ(l.front(), '\'') << i + 1;
        EXPECT_EQ(l.back(), '\'') << i + 1;
        EXPECT_LE(l.size(), 72u) << i + 1;
        EXPECT_EQ(l.find('\'', 1), l.size() - 1) << i + 1;
    }
    // Data lines carry a label of exactly 20 columns.
    for (int n : {9, 10, 12, 13, 15, 18, 19, 20, 22, 27, 28, 30, 31, 33, 36, 37, 38, 40, 45, 46, 47, 48}) {
        const auto& l = lines[static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(l[0], '\'') << n;
        EXPECT_EQ(l[19], '\'') << n;
    }
}

} // namespace
} // namespace r7
