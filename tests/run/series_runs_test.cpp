// Every kind of transit run numbers a transit as "inserie.t", read here independently,
// does, whatever year the run starts in, its ephemeris and how it dates the transit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "report/results.hpp"
#include "run/conjunctions.hpp"
#include "run/run.hpp"
#include "test_support.hpp"
#include "transit/series.hpp"

namespace r7 {
namespace {

struct Kind {
    const char* name;
    int ephem, combi;
};

// The recorded rows of a transit run of planet p, prepared as the main program prepares it.
std::vector<results::Transit> run(int p, const Kind& kind, int date_mode, int time_scale, int calendar, double from,
                                  double to)
{
    const RunParams params{.main_option = 3, .conj_choice = p, .ephem_choice = kind.ephem,
                           .full_flag = kind.ephem == 2 ? 1 : 0, .combi_flag = kind.combi, .output_detail = 1,
                           .frame_choice = 1, .vsop_variant = 3, .table_switch = 1, .date_mode = date_mode,
                           .time_scale = time_scale, .calendar_choice = calendar, .passage = 1, .sun_mode = 5,
                           .constellation = 15, .year_from = from, .year_to = to, .conj_filter = 1, .view = 1,
                           .output_choice = 1};
    test::Terminal quiet;
    TransitSeries series(read_ser((test::install_data() / "inserie.t").string()));
    RunState s;
    convert_interval(params, s);
    results::Run recorded;
    conjunction_run(params, s, test::ephemerides(), series, nullptr, recorded);
    return recorded.transits;
}

TEST(SeriesRuns, RunsFromAnyYearGiveTheNumbersOfTheTable)
{
    // Spans at the table's ends, around JDE 0, in 3305 and 5100 (where the short series misses
    // or adds limb transits), each run from two starts 25 (Venus 300) years apart, with each
    // ephemeris (the full series for 60 years, Venus 700), the date modes, time scales and
    // calendars taking turns.
    const std::array<double, 3> spans[] = {
        {1, -13000, -12900}, {1, -4760, -4660},  {1, 3250, 3350},   {1, 5050, 5150},   {1, 11700, 11850},
        {1, 16950, 17050},   {2, -13000, -11800}, {2, -5300, -4000}, {2, 4600, 5800}, {2, 16200, 17050},
    };
    const Kind kinds[] = {{"short series", 1, 0}, {"combination", 1, 1}, {"full series", 2, 0}};
    const test::SeriesFirsts table = test::read_series_firsts(test::read_file(test::install_data() / "inserie.t"));
    int beyond = 0;
    std::array<int, 5> rows_of_mode{};
    for (std::size_t i = 0; i < std::size(spans); ++i) {
        const int planet = static_cast<int>(spans[i][0]);
        for (std::size_t k = 0; k < std::size(kinds); ++k) {
            const int date_mode = static_cast<int>((i + k) % 4) + 1;
            const int time_scale = date_mode >= 3 && i % 2 == 1 ? 2 : 1;
            const int calendar = (i + k) % 3 == 0 ? 1 : 2;
            const double cut = kinds[k].ephem != 2 ? 1e9 : planet == 1 ? 60.0 : 700.0;
            for (const double from : {spans[i][1], spans[i][1] + (planet == 1 ? 25.0 : 300.0)}) {
                SCOPED_TRACE(testing::Message() << kinds[k].name << ", planet " << planet << ", date mode " << date_mode
                                                << ", from " << from);
                for (const auto& r : run(planet, kinds[k], date_mode, time_scale, calendar, from,
                                         std::min(spans[i][2], from + cut))) {
                    EXPECT_EQ(r.series, test::series_number(table, planet, r.jde)) << r.date;
                    beyond += r.jde > 7930548.0;
                    ++rows_of_mode[static_cast<std::size_t>(date_mode)];
                }
            }
        }
    }
    // The runs reach beyond the table (999 there), and every date mode is tried.
    EXPECT_GT(beyond, 0);
    for (int m = 1; m <= 4; ++m) EXPECT_GT(rows_of_mode[static_cast<std::size_t>(m)], 50) << "date mode " << m;
}

} // namespace
} // namespace r7
