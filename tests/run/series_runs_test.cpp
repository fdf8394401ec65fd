// Every kind of transit run numbers a transit as the series table does, by the
// transit's date alone: the same transit gets the same number whatever year the
// run starts in, which ephemeris it uses and how it dates the transit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/ephemerides.hpp"
#include "io/units.hpp"
#include "report/results.hpp"
#include "run/conjunctions.hpp"
#include "run/run.hpp"
#include "test_support.hpp"
#include "transit/series.hpp"

namespace r7 {
namespace {

// The first transits of the series as "inserie.t" lists them, read here line
// by line: five header lines, 61 Mercury rows (s0 and five JDEs), four header
// lines, 6 Venus rows.
struct Table {
    std::map<int, double> first[3]; // [planet][series]; 0 and the sentinel left out
};

Table read_table(const std::string& text)
{
    Table t;
    const auto lines = test::lines_of(text);
    auto rows = [&](std::size_t from, int count, int p) {
        for (int r = 0; r < count; ++r) {
            std::istringstream in(lines.at(from + static_cast<std::size_t>(r)));
            int s0 = 0;
            in >> s0;
            for (int k = 0; k < 5; ++k) {
                double v = 0.0;
                in >> v;
                if (v != 0.0 && v < 1e11) t.first[p][s0 + k] = v;
            }
        }
    };
    rows(5, 61, 1);
    rows(5 + 61 + 4, 6, 2);
    return t;
}

// A series recurs every cycle from its first transit on. The transit at jde
// (TT) is a member of a series when it lies within 10 days of its first transit
// plus n cycles, n = 0, 1, ...; it belongs to the member series that began
// last. 999 outside the span of the table (1 Jan. -13000 to 31 Dec. 17000) and
// where it is a member of none.
int table_number(const Table& t, int p, double jde)
{
    if (jde < -3027458.0 || jde > 7930548.0) return 999;
    const double cycle = p == 1 ? 16802.2 : 88756.13;
    int number = 999;
    double began = -1e300;
    for (const auto& [s, first] : t.first[p]) {
        if (first > jde + 10.0 || first <= began) continue;
        const double n = std::floor((jde - first) / cycle + 0.5);
        if (std::abs(jde - (first + std::max(n, 0.0) * cycle)) < 10.0) {
            number = s;
            began = first;
        }
    }
    return number;
}

// Ephemerides of a transit run: the short series alone, the combination (short
// series search, full series confirmation), the full series alone.
struct Kind {
    const char* name;
    int ephem, combi;
};
constexpr Kind short_series{"short series", 1, 0};
constexpr Kind combination{"combination", 1, 1};
constexpr Kind full_series{"full series", 2, 0};

class SeriesRuns : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<test::ScratchDir>();
        EphemerisNeeds needs{.short_series = true, .kepler = true, .kvers = 3};
        needs.bodies[1] = needs.bodies[2] = needs.bodies[3] = true;
        eph_ = std::make_unique<Ephemerides>(load_ephemerides(needs));
        table_ = read_table(test::read_file("inserie.t"));
    }
    static void TearDownTestSuite() { dir_.reset(); }

    // The printed rows of a transit run of planet p from year `from` to `to`,
    // prepared as the main program prepares it.
    static std::vector<results::Transit> run(int p, const Kind& kind, int date_mode, int time_scale, int calendar,
                                             double from, double to)
    {
        const RunParams params{.main_option = 3, .conj_choice = p, .ephem_choice = kind.ephem,
                               .full_flag = kind.ephem == 2 ? 1 : 0, .combi_flag = kind.combi,
                               .output_detail = 1, .frame_choice = 1, .vsop_variant = 3, .table_switch = 1,
                               .date_mode = date_mode, .time_scale = time_scale, .calendar_choice = calendar,
                               .passage = 1, .sun_mode = 5, .constellation = 15, .year_from = from,
                               .year_to = to, .conj_filter = 1, .view = 1, .output_choice = 1};
        std::ostringstream term;
        io::units().set_terminal(&term);
        TransitSeries series(read_ser("inserie.t"));
        RunState s;
        convert_interval(params, s);
        results::Run recorded;
        conjunction_run(params, s, *eph_, series, nullptr, recorded);
        io::units().set_terminal(nullptr);
        return recorded.transits;
    }

    static std::unique_ptr<test::ScratchDir> dir_;
    static std::unique_ptr<Ephemerides> eph_;
    static Table table_;
};
std::unique_ptr<test::ScratchDir> SeriesRuns::dir_;
std::unique_ptr<Ephemerides> SeriesRuns::eph_;
Table SeriesRuns::table_{};

// The series of a transit printed by one run, by its date.
std::map<std::string, int> by_date(const std::vector<results::Transit>& rows)
{
    std::map<std::string, int> out;
    for (const auto& r : rows) out[r.date] = r.series;
    return out;
}

TEST_F(SeriesRuns, OverlappingRunsGiveTheNumbersOfTheTable)
{
    // Pairs of runs over overlapping spans with different start years: near
    // the start of the table, around JDE 0 (-4712), around 3305 and 5100, from
    // 9000 to 12500 (where the short series misses or adds transits near the
    // limb), and across its end at 17000. Each pair runs with the short series,
    // the combination and the full series, each in one date mode (every mode
    // with every ephemeris over the pairs of a planet), in TT or UT, with either
    // calendar. The full series, slow to scan with, takes the first 60 (Venus
    // 700) years of each span.
    struct Span {
        double from, to;
    };
    struct Pair {
        int planet;
        Span a, b;
    };
    const Pair pairs[] = {
        {1, {-13000, -12900}, {-12975, -12875}}, {1, {-4760, -4660}, {-4735, -4635}},
        {1, {400, 500}, {425, 525}},             {1, {3250, 3350}, {3275, 3375}},
        {1, {5050, 5150}, {5075, 5175}},         {1, {9000, 9100}, {9025, 9125}},
        {1, {11700, 11850}, {11725, 11850}},     {1, {12400, 12500}, {12425, 12525}},
        {1, {16950, 17050}, {16975, 17075}},     {2, {-13000, -11800}, {-12700, -11500}},
        {2, {-5300, -4000}, {-5000, -3700}},     {2, {2800, 4000}, {3100, 4300}},
        {2, {4600, 5800}, {4900, 6100}},         {2, {11700, 12500}, {12000, 12800}},
        {2, {16200, 17050}, {16500, 17100}},
    };
    const Kind* kinds[] = {&short_series, &combination, &full_series};
    int shared = 0, beyond = 0;
    std::map<int, int> rows_of_mode;
    for (std::size_t i = 0; i < std::size(pairs); ++i) {
        const Pair& pr = pairs[i];
        for (std::size_t k = 0; k < std::size(kinds); ++k) {
            const int date_mode = static_cast<int>((i + k) % 4) + 1;
            const int time_scale = date_mode >= 3 && i % 2 == 1 ? 2 : 1;
            const int calendar = (i + k) % 3 == 0 ? 1 : 2;
            const std::string what = std::string(pr.planet == 1 ? "Mercury" : "Venus") + ", " + kinds[k]->name +
                                     ", date mode " + std::to_string(date_mode) + ", time scale " +
                                     std::to_string(time_scale) + ", calendar " + std::to_string(calendar) +
                                     ", runs from " + std::to_string(pr.a.from) + " and " + std::to_string(pr.b.from);
            const double cut = kinds[k] != &full_series ? 1e9 : pr.planet == 1 ? 60.0 : 700.0;
            const auto a = run(pr.planet, *kinds[k], date_mode, time_scale, calendar, pr.a.from,
                               std::min(pr.a.to, pr.a.from + cut));
            const auto b = run(pr.planet, *kinds[k], date_mode, time_scale, calendar, pr.b.from,
                               std::min(pr.b.to, pr.b.from + cut));
            for (const auto* rows : {&a, &b}) {
                for (const auto& r : *rows) {
                    EXPECT_EQ(r.series, table_number(table_, pr.planet, r.jde)) << what << ", transit of " << r.date;
                    beyond += r.jde > 7930548.0;
                    ++rows_of_mode[date_mode];
                }
            }
            const auto in_b = by_date(b);
            int common = 0;
            for (const auto& [date, s] : by_date(a)) {
                const auto it = in_b.find(date);
                if (it == in_b.end()) continue;
                ++common;
                EXPECT_EQ(s, it->second) << what << ", transit of " << date;
            }
            EXPECT_GE(common, 2) << what;
            shared += common;
        }
    }
    // The runs reach beyond the table (999 there), and every date mode is tried.
    EXPECT_GT(beyond, 0);
    for (int m = 1; m <= 4; ++m) EXPECT_GT(rows_of_mode[m], 50) << "date mode " << m;
    EXPECT_GT(shared, 250);
}

} // namespace
} // namespace r7
