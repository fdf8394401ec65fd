// Wall time of a Mercury-transit scan over 1000 years (2000-3000, phases in TT)
// with the short series, the combination (short search, full confirmation) and
// the full series alone.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "ephemeris/ephemerides.hpp"
#include "io/units.hpp"
#include "run/conjunctions.hpp"
#include "run/run.hpp"
#include "transit/series.hpp"

namespace {

using namespace r7;

void BM_MercuryScan(benchmark::State& state)
{
    std::filesystem::current_path(R7_PUBLISHED_DATA);
    // The ephemerides of the three runs, read once.
    static const Ephemerides eph = [] {
        EphemerisNeeds needs{.short_series = true, .kepler = true, .kvers = 3};
        needs.bodies[1] = needs.bodies[3] = true;
        return load_ephemerides(needs);
    }();
    std::ostringstream sink;
    io::units().set_terminal(&sink);
    int transits = 0;
    for (auto _ : state) {
        RunParams p;
        p.main_option = 3;
        p.conj_choice = 1;
        p.ephem_choice = state.range(0) == 2 ? 2 : 1;
        p.combi_flag = state.range(0) == 1 ? 1 : 0;
        p.frame_choice = 1;
        p.vsop_variant = 3;
        p.table_switch = 1;
        p.date_mode = 3;
        p.time_scale = 1;
        p.calendar_choice = 2;
        p.passage = 1;
        p.step_width = 24.0;
        p.sun_mode = 5;
        p.constellation = 15;
        p.year_from = 2000.0;
        p.year_to = 3000.0;
        p.conj_filter = 1;
        p.output_detail = 1;
        p.output_choice = 1;
        RunState s;
        TransitSeries series;
        convert_interval(p, s);
        results::Run recorded;
        conjunction_run(p, s, eph, series, nullptr, recorded);
        transits = s.counters[3];
        state.counters["evaluations"] = s.counters[2];
        sink.str("");
    }
    state.counters["transits"] = transits;
    io::units().set_terminal(nullptr);
}

// 0 short series, 1 combination, 2 full series.
BENCHMARK(BM_MercuryScan)->ArgName("ephem")->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->UseRealTime()->Unit(
    benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
