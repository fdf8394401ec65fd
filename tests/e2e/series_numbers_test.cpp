// Transit series numbers come from the shipped series file, so the same transit
// gets the same number in every run, whatever interval the run scans.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "test_support.hpp"

namespace {

using r7::test::lines_of;
using r7::test::run_program;
using r7::test::ScratchDir;

// Series number (last field) of every transit row, keyed by its date text.
std::map<std::string, std::string> series_by_date(int answer)
{
    ScratchDir dir;
    const auto r = run_program(dir.path(), std::to_string(answer) + "\n");
    EXPECT_EQ(r.status, 0);
    std::map<std::string, std::string> out;
    static const std::string months[] = {"Jan.", "Feb.", "Mar.", "Apr.", "May ", "June",
                                         "July", "Aug.", "Sep.", "Oct.", "Nov.", "Dec."};
    for (const auto& l : lines_of(r.out)) {
        // A transit row: "<day>. <month> <year>" near its start, the series
        // number last (behind the node mark "/" where the layout joins them).
        const auto dot = l.find(". ");
        if (dot == std::string::npos || dot < 4 || dot > 20 || l.size() < dot + 12) continue;
        bool row = false;
        for (const auto& m : months) row = row || l.compare(dot + 2, 4, m) == 0;
        if (!row) continue;
        std::string last = l.substr(l.find_last_of(' ') + 1);
        if (const auto slash = last.find('/'); slash != std::string::npos) last = last.substr(slash + 1);
        out[l.substr(dot - 2, 14)] = last;
    }
    return out;
}

TEST(SeriesNumbers, SameTransitSameNumberInRunsOverOtherIntervals)
{
    // Venus: 1600-2200 (answer 12) against 1000-3000 (answer 22); Mercury:
    // 1900-2200 (answer 11) against 1600-2100 (answer 21).
    for (const auto& [a, b] : {std::pair{12, 22}, std::pair{11, 21}}) {
        const auto first = series_by_date(a);
        const auto second = series_by_date(b);
        int common = 0;
        for (const auto& [date, s] : first) {
            const auto it = second.find(date);
            if (it == second.end()) continue;
            ++common;
            EXPECT_EQ(s, it->second) << "answers " << a << " and " << b << ", transit of " << date;
        }
        EXPECT_GE(common, 8) << "answers " << a << " and " << b;
    }
}

} // namespace

namespace {

TEST(SeriesNumbers, SeriesRunRebuildsTheShippedSeriesFile)
{
    // Answer -804 scans the transits of Mercury and then of Venus and writes
    // inser-2.t; the shipped inserie.t is that file, so a new run must give it
    // back to the last character (and then any run numbers its transits alike).
    ScratchDir dir;
    const auto r = run_program(dir.path(), "-804\n", 240);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("The file inser-2.t has been created."), std::string::npos);
    EXPECT_NE(r.out.find(" -- end of run."), std::string::npos);
    EXPECT_EQ(r7::test::read_file(dir.path() / "inser-2.t"), r7::test::read_file(dir.path() / "inserie.t"));
}

} // namespace
