// The block of a transit seen from a site, line by line as written out here,
// within the 79 columns of the narrow transit table.
#include <gtest/gtest.h>

#include <string>

#include "io/units.hpp"
#include "report/localblock.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

std::string block(const Observer& o, const LocalCircumstances& l, int time_scale)
{
    test::Terminal term;
    local_block(io::terminal_unit, o, l, time_scale, 1);
    return term.text();
}

LocalPhase phase(double jde, double alt)
{
    return LocalPhase{.has = true, .jde = jde, .sun_alt = alt, .sun_az = 281.26, .pa = 41.3, .za = 352.6};
}

TEST(LocalBlock, MarksTheSunBelowTheHorizonAndContactsNotSeen)
{
    // 6 June 2012, TT: I 22:04:00 (Sun up), greatest 1:30 and IV 4:50 (below).
    LocalCircumstances l;
    l.ttype = local_external;
    l.sep = -962.44;
    l.phase[0] = phase(2456084.5 - 1.0 / 24 * 2 + 4.0 / 1440, 24.4);
    l.phase[2] = phase(2456084.5 + 1.5 / 24, -7.3);
    l.phase[4] = phase(2456084.5 + (4 + 50.0 / 60) / 24, -0.04);
    const std::string tt = block({45.5, -73.58, 0.0, ""}, l, 1);
    const auto lines = test::lines_of(tt);
    ASSERT_EQ(lines.size(), 6u) << tt;
    EXPECT_EQ(lines[0], "   at the site        date  time TT Sun alt.  azim.      P      Z");
    EXPECT_EQ(lines[1], "     I             5. June  22: 4: 0   24.4   281.3   41.3  352.6");
    EXPECT_EQ(lines[2], "     II                        --     not at this site (grazing)");
    EXPECT_EQ(lines[3], "     greatest      6. June   1:30: 0   -7.3*  281.3   41.3  352.6  sep. -962.4\"");
    // Just below the horizon: rounded to 0.0, marked all the same.
    EXPECT_EQ(lines[5], "     IV            6. June   4:50: 0    0.0*  281.3   41.3  352.6");
    for (const auto& line : lines) EXPECT_LE(line.size(), 79u) << line;

    // In UT the times move by Delta T (about 67.7 s in 2012); no transit at all.
    l.ttype = local_none;
    l.phase[0].has = l.phase[4].has = false;
    const auto ut = test::lines_of(block({29.979197, 31.134275, 60.4, "Teotihuacan"}, l, 2));
    EXPECT_EQ(ut[0], "   at Teotihuacan     date  time UT Sun alt.  azim.      P      Z");
    EXPECT_EQ(ut[1], "     I                         --     not at this site (no transit)");
    EXPECT_EQ(ut[3].substr(0, 36), "     greatest      6. June   1:28:52");
}

} // namespace
} // namespace r7
