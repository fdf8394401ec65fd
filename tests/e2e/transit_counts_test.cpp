// The closing lines of a transit run count the rows of its table: the scan also
// meets transits before the first year of the run, which it does not list.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <utility>

#include "test_support.hpp"

namespace {

using r7::test::lines_of;
using r7::test::run_program;
using r7::test::ScratchDir;

struct Counts {
    int rows = 0, grazing = 0, central = 0;
};

// The rows of a transit table, counted by their type mark in column 4 ("m" or
// "v" visible from part of the Earth only, "C" or "c" central). The day stands
// in columns 5 to 8 (date modes 3 and 4) or 12 to 16 (1 and 2), the month behind it.
Counts table_counts(const std::string& report)
{
    static const std::regex row(R"((.{7}|.{15})\. (Jan\.|Feb\.|Mar\.|Apr\.|May |June|July|Aug\.|Sep\.|Oct\.)"
                                R"(|Nov\.|Dec\.).*)");
    Counts c;
    for (const auto& l : lines_of(report)) {
        if (!std::regex_match(l, row)) continue;
        ++c.rows;
        c.grazing += l[3] == 'm' || l[3] == 'v';
        c.central += l[3] == 'C' || l[3] == 'c';
    }
    return c;
}

// The counts of the closing lines (-1 where missing).
Counts closing_counts(const std::string& report)
{
    std::smatch d, g;
    std::regex_search(report, d, std::regex(R"(\n  Detected transits      : *(\d+))"));
    std::regex_search(report, g, std::regex(R"(\n  Centr\./grazing transits: *(\d+) / *(\d+))"));
    const auto number = [](const std::ssub_match& m) { return m.matched ? std::stoi(m.str()) : -1; };
    return {number(d[1]), number(g[2]), number(g[1])};
}

TEST(TransitCounts, ClosingLinesCountTheRowsOfTheTable)
{
    struct Case {
        const char* what;
        const char* answers;
        Counts expected; // rows, grazing, central
    };
    const Case cases[] = {
        // The scan passes the grazing transit of 15 Nov. 1999 on its way in.
        {"Mercury 2000-2050, short series, phases, UT", "0\n3\n1\n2\n3\n1\n2\n2000\n2050\n1\n1\n", {7, 0, 0}},
        {"the same, nearest approach", "0\n3\n1\n2\n2\n1\n2000\n2050\n1\n1\n", {7, 0, 0}},
        {"Mercury 1999-2050, phases: 1999 listed", "0\n3\n1\n2\n3\n1\n2\n1999\n2050\n1\n1\n", {8, 1, 0}},
        // ... and the central transit of 12 Nov. 2190.
        {"Mercury 2191-2300, combination, phases", "0\n3\n1\n1\n3\n1\n1\n2191\n2300\n1\n1\n", {-1, -1, 0}},
        {"Mercury 2190-2300: 2190 listed", "0\n3\n1\n1\n3\n1\n1\n2190\n2300\n1\n1\n", {-1, -1, 1}},
        // ... and the Venus transit of 7 Dec. 1631, seen from part of the Earth.
        {"Venus 1632-1900, position angles", "0\n3\n2\n1\n4\n2\n1\n1632\n1900\n1\n1\n", {5, 0, -1}},
        {"Venus 1631-1900: 1631 listed", "0\n3\n2\n1\n4\n2\n1\n1631\n1900\n1\n1\n", {6, 1, -1}},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        const auto r = run_program(dir.path(), c.answers);
        ASSERT_EQ(r.status, 0) << c.what;
        const Counts rows = table_counts(r.out);
        const Counts closing = closing_counts(r.out);
        EXPECT_EQ(closing.rows, rows.rows) << c.what;
        EXPECT_EQ(closing.grazing, rows.grazing) << c.what;
        EXPECT_EQ(closing.central, rows.central) << c.what;
        EXPECT_GT(rows.rows, 0) << c.what;
        // -1: not checked.
        for (const auto& [got, want] : {std::pair{rows.rows, c.expected.rows}, {rows.grazing, c.expected.grazing},
                                       {rows.central, c.expected.central}})
            EXPECT_TRUE(want < 0 || got == want) << c.what << ": " << got << " counted, " << want << " expected";
    }
}

} // namespace
