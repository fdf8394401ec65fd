// Transit series numbers come from the shipped series file, so the same transit
// gets the same number in every run, whatever interval the run scans.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "test_support.hpp"
#include "transit/series.hpp"

namespace {

using r7::test::lines_of;
using r7::test::read_file;
using r7::test::run_program;
using r7::test::ScratchDir;
using r7::test::write_file;

// Series number (last field) of every transit row of a report, keyed by its
// date text.
std::map<std::string, int> series_of_rows(const std::string& report)
{
    std::map<std::string, int> out;
    static const std::string months[] = {"Jan.", "Feb.", "Mar.", "Apr.", "May ", "June",
                                         "July", "Aug.", "Sep.", "Oct.", "Nov.", "Dec."};
    for (const auto& l : lines_of(report)) {
        // A transit row: "<day>. <month> <year>" near its start, the series
        // number last (behind the node mark "/" where the layout joins them).
        const auto dot = l.find(". ");
        if (dot == std::string::npos || dot < 4 || dot > 20 || l.size() < dot + 12) continue;
        bool row = false;
        for (const auto& m : months) row = row || l.compare(dot + 2, 4, m) == 0;
        if (!row) continue;
        std::string last = l.substr(l.find_last_of(' ') + 1);
        if (const auto slash = last.find('/'); slash != std::string::npos) last = last.substr(slash + 1);
        EXPECT_EQ(last.find('*'), std::string::npos) << l;
        out[l.substr(dot - 2, 14)] = std::stoi(last);
    }
    return out;
}


// Julian Day of a calendar date at 0h plus the day fraction (Meeus), in the
// Gregorian or the Julian calendar; years counted astronomically (0 = 1 BC).
double julian_day(int year, int month, double day, bool gregorian)
{
    if (month <= 2) {
        year -= 1;
        month += 12;
    }
    double b = 0.0;
    if (gregorian) {
        const double a = std::floor(year / 100.0);
        b = 2.0 - a + std::floor(a / 4.0);
    }
    return std::floor(365.25 * (year + 4716)) + std::floor(30.6001 * (month + 1)) + day + b - 1524.5;
}

// A transit row of a phase table (date mode 3, times in TT): the planet of its
// table, the instant of greatest transit and the series number printed.
struct PhaseRow {
    int planet = 0;
    double jde = 0.0;
    int series = 0;
    std::string line;
};

// The rows of a phase report in the Julian/Gregorian calendar: the day, month
// and year of the greatest transit stand in columns 5 to 19, its time in columns
// 39 to 48 (hour, minute, second). Dates before JDE 0 are Gregorian, then Julian
// from the "(Jul. cal.)" line to the "(Greg. cal.)" line.
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
        PhaseRow r;
        r.planet = planet;
        r.line = l;
        const double day = std::stod(l.substr(4, 3));
        const int year = std::stoi(l.substr(13, 6));
        const double time = (std::stoi(l.substr(38, 4)) + std::stoi(l.substr(43, 2)) / 60.0 +
                             std::stoi(l.substr(46, 2)) / 3600.0) / 24.0;
        r.jde = julian_day(year, static_cast<int>(m - std::begin(months)) + 1, day, !julian) + time;
        std::string last = l.substr(l.find_last_of(' ') + 1);
        if (const auto slash = last.find('/'); slash != std::string::npos) last = last.substr(slash + 1);
        r.series = std::stoi(last);
        rows.push_back(r);
    }
    return rows;
}

// The transits of planet p (1 Mercury, 2 Venus) between two years, contacts and
// phases in TT, short series search and full series check (or the short series
// alone): record set 11 with its planet, series and years replaced.
std::map<std::string, int> series_of_span(int p, int from, int to, bool combined = true)
{
    ScratchDir dir;
    auto lines = lines_of(read_file("inparm.t"));
    lines[111] = "  3  " + std::to_string(p) + "  1  0  " + (combined ? "1" : "0");
    lines[115] = "   " + std::to_string(from) + ".0   " + std::to_string(to) + ".0   0.0   0.0";
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    write_file("inparm.t", text);
    const auto r = run_program(dir.path(), "11\n", 600);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("used up"), std::string::npos) << "planet " << p << ", " << from << " to " << to;
    return series_of_rows(r.out);
}

// Compares the numbers of the transits both runs found; returns how many.
int compare(const std::map<std::string, int>& a, const std::map<std::string, int>& b, const std::string& what)
{
    int common = 0;
    for (const auto& [date, s] : a) {
        const auto it = b.find(date);
        if (it == b.end()) continue;
        ++common;
        EXPECT_EQ(s, it->second) << what << ", transit of " << date;
    }
    return common;
}

TEST(SeriesNumbers, SameNumbersAnywhereInTheSpanAndInsideTheValidRange)
{
    // One run over the whole span per planet, and pairs of overlapping runs with
    // different start years near both ends, around JDE 0 (-4712), around 3305
    // (where the numbers of the older file ran out) and around 5100.
    struct Span {
        int from, to;
    };
    struct Case {
        int planet;
        int first_valid, last_valid;
        Span a, b;
        bool combined = true;
    };
    const Case cases[] = {
        {1, -150, 154, {-13000, -12700}, {-12900, -12600}},
        {1, -150, 154, {-4780, -4560}, {-4700, -4480}},
        {1, -150, 154, {3200, 3450}, {3300, 3550}},
        {1, -150, 154, {5000, 5250}, {5150, 5400}},
        {1, -150, 154, {16600, 17000}, {16750, 17000}},
        {2, -6, 19, {-13000, -11000}, {-12400, -10400}},
        {2, -6, 19, {-6000, -3000}, {-5000, -2000}},
        {2, -6, 19, {2500, 5500}, {3300, 6300}},
        {2, -6, 19, {14000, 17000}, {15000, 17000}},
        // The short series alone, far from the present, misses transits near the
        // limb and finds some the full series does not confirm; the others keep
        // the numbers of the table.
        {1, -150, 154, {-12950, -12700}, {-12900, -12600}, false},
        {1, -150, 154, {16700, 17000}, {16750, 17000}, false},
    };
    const std::map<std::string, int> whole[] = {series_of_span(1, -13000, 17000), series_of_span(2, -13000, 17000)};
    for (int p = 1; p <= 2; ++p) {
        const auto& all = whole[p - 1];
        EXPECT_GT(all.size(), p == 1 ? 3000u : 150u) << "planet " << p;
        for (const auto& [date, s] : all) {
            EXPECT_GE(s, p == 1 ? -150 : -6) << "planet " << p << ", transit of " << date;
            EXPECT_LE(s, p == 1 ? 154 : 19) << "planet " << p << ", transit of " << date;
        }
    }
    for (const auto& c : cases) {
        const std::string what = "planet " + std::to_string(c.planet) + ", runs from " + std::to_string(c.a.from) +
                                 " and from " + std::to_string(c.b.from);
        const auto a = series_of_span(c.planet, c.a.from, c.a.to, c.combined);
        const auto b = series_of_span(c.planet, c.b.from, c.b.to, c.combined);
        const auto& all = whole[c.planet - 1];
        EXPECT_GE(compare(a, b, what), 4) << what;
        const int in_a = compare(a, all, what + " (first against the whole span)");
        const int in_b = compare(b, all, what + " (second against the whole span)");
        if (c.combined) {
            EXPECT_EQ(in_a, static_cast<int>(a.size())) << what;
            EXPECT_EQ(in_b, static_cast<int>(b.size())) << what;
        }
        for (const auto& run : {a, b}) {
            for (const auto& [date, s] : run) {
                // 999 only for a transit that the full series does not confirm.
                if (s == 999 && all.count(date) == 0) continue;
                EXPECT_TRUE(s >= c.first_valid && s <= c.last_valid) << what << ", transit of " << date << ": " << s;
            }
        }
    }
}

TEST(SeriesNumbers, SeriesRunRebuildsTheShippedSeriesFile)
{
    // Answer -804 scans the transits of Mercury and then of Venus and writes
    // inser-2.t; the shipped inserie.t is that file, so a new run must give it
    // back to the last character (and then any run numbers its transits alike).
    ScratchDir dir;
    const auto r = run_program(dir.path(), "-804\n", 600);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("The file inser-2.t has been created."), std::string::npos);
    EXPECT_NE(r.out.find(" -- end of run."), std::string::npos);
    EXPECT_EQ(r.out.find("used up"), std::string::npos);
    EXPECT_EQ(read_file(dir.path() / "inser-2.t"), read_file(dir.path() / "inserie.t"));
    // Every transit the run prints has a number inside the valid range, and the
    // first series of each planet starts at the first valid number.
    const auto numbers = series_of_rows(r.out);
    EXPECT_GT(numbers.size(), 3000u);
    int lowest = 1000;
    for (const auto& [date, s] : numbers) {
        EXPECT_TRUE(s >= -150 && s <= 154) << "transit of " << date << ": " << s;
        lowest = std::min(lowest, s);
    }
    EXPECT_EQ(lowest, -150);

    // The run numbers each transit by what it met before (the series it
    // continues); every other run by the transit's date alone. Both must agree
    // on every transit the series run prints.
    const r7::TransitSeries table(r7::read_ser((dir.path() / "inserie.t").string()));
    const auto rows = phase_rows(r.out);
    EXPECT_GT(rows.size(), 4000u);
    int venus = 0;
    for (const auto& row : rows) {
        EXPECT_EQ(table.series_by_date(row.planet, row.jde), row.series) << row.line;
        venus += row.planet == 2;
    }
    EXPECT_GT(venus, 300);
}

TEST(SeriesNumbers, RunsOfEveryKindNumberTheTransitsAsTheSeriesFile)
{
    // A new user's runs (fresh working directory each time) over spans with
    // different start years: the same transit gets the number of inserie.t.
    struct Case {
        const char* what;
        const char* answers;
        std::vector<std::pair<std::string, int>> transits; // date as printed, number
    };
    // 12 Aug. 9294 is a partial transit that the full series does not confirm:
    // it lies 51 cycles after the first transit of series -1, and before the
    // first transit of series 4 (9537).
    const Case cases[] = {
        {"Venus, short series, phases, from 9000", "0\n3\n2\n2\n3\n2\n1\n9000\n12500\n1\n1\n",
         {{" 8. Sep.12453", 4}, {"12. Aug. 9294", -1}}},
        {"the same from 5000", "0\n3\n2\n2\n3\n2\n1\n5000\n12500\n1\n1\n",
         {{" 8. Sep.12453", 4}, {"12. Aug. 9294", -1}}},
        {"Mercury, short series, phases, from 11750", "0\n3\n1\n2\n3\n2\n1\n11750\n11850\n1\n1\n",
         {{"29. Aug.11814", 84}}},
        {"the same from 11700", "0\n3\n1\n2\n3\n2\n1\n11700\n11850\n1\n1\n", {{"29. Aug.11814", 84}}},
        {"Mercury, full v., nearest approach, from 350", "0\n3\n1\n1\n2\n2\n350\n500\n1\n1\n",
         {{"17. Apr.  438", -23}, {"17. Apr.  484", -23}}},
        {"the same from 300", "0\n3\n1\n1\n2\n2\n300\n500\n1\n1\n",
         {{"17. Apr.  438", -23}, {"17. Apr.  484", -23}}},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        const auto r = run_program(dir.path(), c.answers);
        ASSERT_EQ(r.status, 0) << c.what;
        const auto numbers = series_of_rows(r.out);
        for (const auto& [date, number] : c.transits) {
            const auto it = std::find_if(numbers.begin(), numbers.end(),
                                         [&](const auto& row) { return row.first.starts_with(date); });
            ASSERT_NE(it, numbers.end()) << c.what << ": no row of " << date;
            EXPECT_EQ(it->second, number) << c.what << ", transit of " << date;
        }
    }
}

} // namespace
