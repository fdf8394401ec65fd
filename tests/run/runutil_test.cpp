#include <gtest/gtest.h>

#include "ephemeris/coord.hpp"
#include "run/run.hpp"
#include "run/runutil.hpp"

namespace r7 {
namespace {

TEST(Konst, LabelsNearAndOnConstellations)
{
    std::string label;
    konst(4519, label);
    EXPECT_EQ(label, "12");
    konst(4518, label); // one less than the constellation's k counts as on it
    EXPECT_EQ(label, "12");
    konst(4519 + 9, label);
    EXPECT_EQ(label, "->");
    konst(4519 - 9, label);
    EXPECT_EQ(label, "->");
    konst(4519 + 10, label);
    EXPECT_EQ(label, "  ");
    konst(4519 - 10, label); // 9 from akon - 1
    EXPECT_EQ(label, "->");
    konst(0, label);
    EXPECT_EQ(label, "  ");
    konst(-38912, label);
    EXPECT_EQ(label, " 1");
    konst(38982, label);
    EXPECT_EQ(label, "10");
    konst(39314, label); // 13 lies at 39313.91
    EXPECT_EQ(label, "13");
}

TEST(Reduz, DegreesAndRadians)
{
    auto r = [](double a, int rad, int mode) {
        reduz(a, rad, mode);
        return a;
    };
    EXPECT_DOUBLE_EQ(r(190.0, 0, 0), -170.0);
    EXPECT_DOUBLE_EQ(r(-190.0, 0, 0), 170.0);
    EXPECT_DOUBLE_EQ(r(-10.0, 0, 1), 350.0);
    EXPECT_DOUBLE_EQ(r(725.0, 0, 0), 5.0);
    EXPECT_DOUBLE_EQ(r(370.0, 0, 1), 10.0);
    EXPECT_DOUBLE_EQ(r(-370.0, 0, 2), -10.0);
    EXPECT_NEAR(r(-0.5, 1, 1), 2.0 * 3.141592653589793 - 0.5, 1e-14);
    EXPECT_NEAR(r(4.0, 1, 0), 4.0 - 2.0 * 3.141592653589793, 1e-14);
}

TEST(Comtime, ProcessorAndWallClock)
{
    int h = -1, m = -1;
    double s = -1;
    comtime(1, 10.0, 3733.5, {}, {}, h, m, s);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(m, 2);
    EXPECT_NEAR(s, 3.5, 1e-9);
    // Across midnight: 23:59:58.500 to 00:00:01.250 is 2.75 s.
    comtime(2, 0, 0, {23, 59, 58, 500}, {0, 0, 1, 250}, h, m, s);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(m, 0);
    EXPECT_NEAR(s, 2.75, 1e-9);
}

TEST(ReferenceFlag, OnlyTheReferenceCase)
{
    RunParams p;
    p.main_option = 1;
    p.passage = 1;
    p.ephem_choice = 2;
    p.combi_flag = 0;
    p.time_scale = 1;
    p.output_detail = 2;
    p.sun_mode = 5;
    p.constellation = 12;
    p.output_choice = 3;
    EXPECT_EQ(reference_flag(p), 1);
    p.output_choice = 2;
    EXPECT_EQ(reference_flag(p), 0);
    p.output_choice = 3;
    p.main_option = 2;
    p.passage = 2;
    p.planet_order = 1;
    EXPECT_EQ(reference_flag(p), 1);
    p.planet_order = 2;
    EXPECT_EQ(reference_flag(p), 0);
}

} // namespace
} // namespace r7
