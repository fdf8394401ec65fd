// The series run -804 rebuilds the shipped series file to the last character, and
// numbers every transit it lists as the file (read independently) does. The
// transits are read from its out.csv, which the csv check holds to the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {

using r7::test::lines_of;
using r7::test::read_file;

TEST(SeriesNumbers, SeriesRunRebuildsTheShippedSeriesFile)
{
    r7::test::ScratchDir dir;
    const auto r = r7::test::run_program(dir.path(), "-804\n", 600);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("The file inser-2.t has been created."), std::string::npos);
    EXPECT_EQ(r.out.find("used up"), std::string::npos);
    EXPECT_EQ(read_file("inser-2.t"), read_file("inserie.t"));
    // The run numbers each transit by the series it continues, the file by the
    // date alone: both agree on every transit, all inside the valid ranges.
    const auto table = r7::test::read_series_firsts(read_file("inserie.t"));
    const auto rows = lines_of(read_file("out.csv"));
    ASSERT_GT(rows.size(), 4000u);
    static const std::regex comma(",");
    const auto fields = [](const std::string& row) { return lines_of(std::regex_replace(row, comma, "\n")); };
    // The time of greatest transit counted from the end (the texts before it may quote commas).
    const auto header = fields(rows[0]);
    const auto jde_at = static_cast<std::size_t>(header.end() - std::find(header.begin(), header.end(), "greatest_jde_tt"));
    int venus = 0, lowest = 1000;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const auto f = fields(rows[i]);
        const int planet = std::stoi(f.front()), series = std::stoi(f.back());
        EXPECT_EQ(r7::test::series_number(table, planet, std::stod(f.at(f.size() - jde_at))), series) << rows[i];
        EXPECT_TRUE(planet == 1 ? series >= -150 && series <= 154 : series >= -6 && series <= 19) << rows[i];
        venus += planet == 2;
        if (planet == 1) lowest = std::min(lowest, series);
    }
    EXPECT_GT(venus, 300);
    EXPECT_EQ(lowest, -150); // the first series starts at the first valid number
}

} // namespace
