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
