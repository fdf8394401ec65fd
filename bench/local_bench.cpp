// Processor time per transit of the geocentric transit computation (transit,
// full series, contacts and position angles) and of the same transits seen
// from a site (local_transit, with and without the path samples of the report
// page), for the 14 transits of Mercury and the 2 of Venus of 2000 to 2100,
// inside one process (the ephemerides read once).
#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <vector>

#include "ephemeris/ephemerides.hpp"
#include "ephemeris/vsop87.hpp"
#include "transit/local.hpp"
#include "transit/transit.hpp"

namespace {

using namespace r7;

const Ephemerides& ephemerides()
{
    static const Ephemerides eph = [] {
        std::filesystem::current_path(R7_PUBLISHED_DATA);
        EphemerisNeeds needs{.kvers = 3};
        needs.bodies[1] = needs.bodies[2] = needs.bodies[3] = true;
        return load_ephemerides(needs);
    }();
    return eph;
}

struct Case {
    double jde; // near the conjunction
    int body;
};
// The transits of 2000 to 2100.
const std::vector<Case> cases{{2452766.83, 1}, {2454048.40, 1}, {2457518.12, 1}, {2458799.14, 1}, {2463549.87, 1},
                              {2466099.87, 1}, {2469569.10, 1}, {2470850.61, 1}, {2474320.40, 1}, {2475601.34, 1},
                              {2480352.07, 1}, {2482902.07, 1}, {2486371.38, 1}, {2487652.81, 1}, {2453164.85, 2},
                              {2456084.56, 2}};

TransitQuery query(const Case& c)
{
    const LightTime lt = vsop2tr(ephemerides().full(), c.jde, c.body, 0.004, 1e-9, 6);
    std::array<double, 9> pos{};
    put_places(pos, c.body, lt.planet, lt.earth);
    return {.ibody = c.body, .combi_flag = 0, .ephem_choice = 2, .conj_choice = c.body, .date_mode = 4,
            .passage = 1, .kout = 6, .time_scale = 2, .calendar = 1, .jde = c.jde, .sep_in = sepa(c.body, pos),
            .w_start = 0.0, .planet = lt.planet_lbr, .earth = lt.earth_lbr, .pos = pos};
}

void BM_Geocentric(benchmark::State& state)
{
    std::vector<TransitQuery> q;
    for (const Case& c : cases) q.push_back(query(c));
    int evaluations = 0;
    for (auto _ : state) {
        evaluations = 0;
        for (const auto& x : q) evaluations += transit(ephemerides(), x).evaluations;
    }
    state.counters["per_transit"] =
        benchmark::Counter(static_cast<double>(state.iterations() * q.size()), benchmark::Counter::kIsRate |
                                                                                    benchmark::Counter::kInvert);
    state.counters["evaluations"] = evaluations / static_cast<double>(q.size());
}
BENCHMARK(BM_Geocentric)->Unit(benchmark::kMillisecond);

// Arg: path samples (0 a run to the terminal, 12 a run with the report page).
void BM_Local(benchmark::State& state)
{
    std::vector<double> greatest;
    for (const Case& c : cases) greatest.push_back(transit(ephemerides(), query(c)).jde);
    int evaluations = 0;
    for (auto _ : state) {
        evaluations = 0;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const LocalQuery q{.ibody = cases[i].body,
                               .t_guess = greatest[i],
                               .tau = cases[i].body == 1 ? 0.0037 : 0.0017,
                               .site = {29.979197, 31.134275, 60.4, "Giza"},
                               .path_samples = static_cast<int>(state.range(0))};
            evaluations += local_transit(ephemerides(), q).evaluations;
        }
    }
    state.counters["per_transit"] =
        benchmark::Counter(static_cast<double>(state.iterations() * cases.size()), benchmark::Counter::kIsRate |
                                                                                        benchmark::Counter::kInvert);
    state.counters["instants"] = evaluations / static_cast<double>(cases.size());
}
BENCHMARK(BM_Local)->ArgName("path")->Arg(0)->Arg(12)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
