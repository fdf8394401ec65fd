#include <gtest/gtest.h>

#include <cmath>

#include "dialog_support.hpp"
#include "io/freeread.hpp"
#include "state/paramfile.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

// Every installed record set is one the detailed dialog produces: the answers derived
// from its values pass every check and lead to the very same values; cut short, they end the dialog.
TEST(InstalledParameterSets, EveryRecordSetIsADialogSet)
{
    test::ScratchDir dir;
    for (int n = 1; n <= 99; ++n) {
        SCOPED_TRACE("record set " + std::to_string(n));
        RunParams p;
        inputfile(p, n, 1);
        const std::string answers = "0\n" + test::answers_for(p);
        const auto r = test::run_dialog(answers);
        EXPECT_FALSE(r.ended);
        EXPECT_TRUE(r.consumed);
        EXPECT_EQ(r.out.find("incorrect input"), std::string::npos);
        EXPECT_EQ(r.out.find("number too large"), std::string::npos);
        EXPECT_EQ(test::describe(r.p), test::describe(p));
        test::expect_ends_at_every_question(answers);
    }
}

// The three points (x, y) of a site block of ingiza.t and its two target differences.
struct Site {
    double points[3][2];
    double targets[2];
};

Site read_site(int first_skip)
{
    io::FreeReader r("ingiza.t");
    Site s{};
    std::string label;
    r.skip_lines(first_skip + 9); // model, accuracy and search lines
    for (auto& p : s.points) r.read({&label, &p[0], &p[1]});
    r.skip_lines(1);
    r.read({&label, &s.targets[0], &s.targets[1]});
    return s;
}

// Directions (degrees) seen from the Sun point (sx, sy): point 3 minus 2, 3 minus 1.
std::pair<double, double> targets_from(const Site& s, double sx, double sy)
{
    const auto dir = [&](int i) { return std::atan2(s.points[i][1] - sy, s.points[i][0] - sx) * 57.29577951308232; };
    return {dir(2) - dir(1), dir(2) - dir(0)};
}

TEST(InstalledSiteData, TargetDifferencesFollowFromThePoints)
{
    test::ScratchDir dir;
    const Site chambers = read_site(8);
    const Site giza = read_site(26);
    // Giza: the built-in targets belong to a Sun point 725.7 m due south of
    // Menkaure, those of the file to one on the same line due south of Khafre.
    auto t = targets_from(giza, giza.points[2][0] - 725.7, giza.points[2][1]);
    EXPECT_NEAR(t.first, 12.19, 0.005);
    EXPECT_NEAR(t.second, 21.41, 0.005);
    t = targets_from(giza, giza.points[2][0] - 725.7, giza.points[1][1]);
    EXPECT_NEAR(t.first, giza.targets[0], 0.005);
    EXPECT_NEAR(t.second, giza.targets[1], 0.005);
    // Chambers: a Sun point 115.2 m due south of the Subterranean Chamber, on
    // its level (x north, y up).
    t = targets_from(chambers, chambers.points[2][0] - 115.2, chambers.points[2][1]);
    EXPECT_NEAR(t.first, chambers.targets[0], 0.005);
    EXPECT_NEAR(t.second, chambers.targets[1], 0.005);
}

} // namespace
} // namespace r7
