// The series run -804 rebuilds the shipped series file to the last character, and
// numbers every transit it prints as the file (read independently) does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {

using r7::test::lines_of;
using r7::test::read_file;

// Julian Day of a calendar date (Meeus, ch. 7), years counted astronomically.
double julian_day(int year, int month, double day, bool gregorian)
{
    if (month <= 2) year -= 1, month += 12;
    const double a = std::floor(year / 100.0), b = gregorian ? 2.0 - a + std::floor(a / 4.0) : 0.0;
    return std::floor(365.25 * (year + 4716)) + std::floor(30.6001 * (month + 1)) + day + b - 1524.5;
}

struct PhaseRow {
    int planet = 0;
    double jde = 0.0; // greatest transit, TT
    int series = 0;
    std::string line;
};

// The rows of a phase report: the date in columns 5 to 19, greatest transit in
// 39 to 48, the series number last; Julian dates between "(Jul. cal.)" and "(Greg. cal.)".
std::vector<PhaseRow> phase_rows(const std::string& report)
{
    static const std::string months[] = {" Jan.", " Feb.", " Mar.", " Apr.", " May ", " June",
                                         " July", " Aug.", " Sep.", " Oct.", " Nov.", " Dec."};
    std::vector<PhaseRow> rows;
    int planet = 0;
    bool julian = false;
    for (const auto& l : lines_of(report)) {
        if (l.find("TRANSITS OF MERCURY") != std::string::npos) planet = 1;
        if (l.find("TRANSITS OF VENUS") != std::string::npos) planet = 2;
        if (l.find("TRANSITS OF") != std::string::npos || l.find("(Greg. cal.)") != std::string::npos) julian = false;
        if (l.find("(Jul. cal.)") != std::string::npos) julian = true;
        if (l.size() < 48 || l[7] != '.') continue;
        const auto m = std::find(std::begin(months), std::end(months), l.substr(8, 5));
        if (m == std::end(months)) continue;
        const double time = (std::stoi(l.substr(38, 4)) + std::stoi(l.substr(43, 2)) / 60.0 +
                             std::stoi(l.substr(46, 2)) / 3600.0) / 24.0;
        std::string last = l.substr(l.find_last_of(' ') + 1);
        last = last.substr(last.find('/') + 1);
        rows.push_back({planet,
                        julian_day(std::stoi(l.substr(13, 6)), static_cast<int>(m - std::begin(months)) + 1,
                                   std::stod(l.substr(4, 3)), !julian) + time,
                        std::stoi(last), l});
    }
    return rows;
}

TEST(SeriesNumbers, SeriesRunRebuildsTheShippedSeriesFile)
{
    r7::test::ScratchDir dir;
    const auto r = r7::test::run_program(dir.path(), "-804\n", 600);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("The file inser-2.t has been created."), std::string::npos);
    EXPECT_EQ(r.out.find("used up"), std::string::npos);
    EXPECT_EQ(read_file(dir.path() / "inser-2.t"), read_file(dir.path() / "inserie.t"));
    // The run numbers each transit by the series it continues, the file by the
    // date alone: both agree on every transit, all inside the valid ranges.
    const auto table = r7::test::read_series_firsts(read_file(dir.path() / "inserie.t"));
    const auto rows = phase_rows(r.out);
    EXPECT_GT(rows.size(), 4000u);
    int venus = 0, lowest = 1000;
    for (const auto& row : rows) {
        EXPECT_EQ(r7::test::series_number(table, row.planet, row.jde), row.series) << row.line;
        EXPECT_TRUE(row.planet == 1 ? row.series >= -150 && row.series <= 154 : row.series >= -6 && row.series <= 19)
            << row.line;
        venus += row.planet == 2;
        if (row.planet == 1) lowest = std::min(lowest, row.series);
    }
    EXPECT_GT(venus, 300);
    EXPECT_EQ(lowest, -150); // the first series starts at the first valid number
}

} // namespace
