// Time per term of the full series (one position of one body) on one thread and
// on all cores, beside a plain scalar loop with std::cos over the same stored
// terms; the Taylor expansion of one body; and the time of one short-series
// evaluation of all 12 blocks and of a transit scan's trial instant.
#include <benchmark/benchmark.h>

#include <omp.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <vector>

#include "ephemeris/expansion.hpp"
#include "ephemeris/short.hpp"
#include "ephemeris/termsum.hpp"
#include "ephemeris/vsop87.hpp"

namespace {

using namespace r7;

constexpr double jde0 = 2460000.5;

// The full series of one file set, every body loaded (read once per set).
const FullSeries& series_of(int kvers)
{
    static std::map<int, FullSeries> sets;
    auto it = sets.find(kvers);
    if (it == sets.end()) {
        std::filesystem::current_path(R7_PUBLISHED_DATA);
        std::array<bool, max_body + 1> all{};
        for (int j = 1; j <= (kvers == 1 ? 9 : 8); ++j) all[static_cast<std::size_t>(j)] = true;
        it = sets.emplace(kvers, load_full_series(kvers, all)).first;
    }
    return it->second;
}

// The number of terms of one position of the body.
long prepare(int kvers, int ibody)
{
    const BodySeries& b = series_of(kvers).body(ibody);
    return static_cast<long>(b.a.size());
}

// Terms per second of wall-clock time (items_per_second); ns per term is its
// inverse times 1e9. On a machine shared with other work a parallel region now
// and then waits a whole scheduler slice for a preempted thread, so the fastest
// single call (best_ns_per_term) is reported as well.
void per_term(benchmark::State& st, long terms, double best_ns)
{
    st.counters["terms"] = static_cast<double>(terms);
    st.counters["best_ns_per_term"] = best_ns / static_cast<double>(terms);
    st.SetItemsProcessed(st.iterations() * terms);
}

struct BestTime {
    double best = 1e300;
    std::chrono::steady_clock::time_point start;
    void begin() { start = std::chrono::steady_clock::now(); }
    void end()
    {
        best = std::min(best, std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
    }
};

// The production evaluator; threads 0 means all cores.
void BM_Series(benchmark::State& st)
{
    const int kvers = static_cast<int>(st.range(0)), ibody = static_cast<int>(st.range(1));
    const int threads = st.range(2) == 0 ? omp_get_num_procs() : static_cast<int>(st.range(2));
    const long terms = prepare(kvers, ibody);
    const int saved = omp_get_max_threads();
    omp_set_num_threads(threads);
    const FullSeries& fs = series_of(kvers);
    double jde = jde0;
    BestTime bt;
    for (auto _ : st) {
        bt.begin();
        const Vsop87Sum r = vsop87z(fs, jde, ibody);
        benchmark::DoNotOptimize(r);
        bt.end();
        jde += 0.01;
    }
    omp_set_num_threads(saved);
    per_term(st, terms, bt.best);
    st.counters["threads"] = threads;
}

// Plain scalar loop over the same loaded terms with std::cos.
void BM_Scalar(benchmark::State& st)
{
    const int kvers = static_cast<int>(st.range(0)), ibody = static_cast<int>(st.range(1));
    const long terms = prepare(kvers, ibody);
    const BodySeries& b = series_of(kvers).body(ibody);
    double jde = jde0;
    BestTime bt;
    for (auto _ : st) {
        bt.begin();
        const double t = (jde - 2451545.0) / 365250.0;
        const std::array<double, 6> tp{1.0, t, t * t, t * t * t, t * t * t * t, t * t * t * t * t};
        std::array<double, 3> r{};
        for (const BodySeries::Segment& g : b.chunk) {
            double s = 0.0;
            for (std::size_t k = g.off; k < g.off + g.n; ++k) s += b.a[k] * std::cos(b.b[k] + b.c[k] * t);
            r[static_cast<std::size_t>(g.ic - 1)] += tp[static_cast<std::size_t>(g.alpha)] * s;
        }
        benchmark::DoNotOptimize(r);
        bt.end();
        jde += 0.01;
    }
    per_term(st, terms, bt.best);
}

void bodies(benchmark::internal::Benchmark* b, bool threads)
{
    for (int kvers : {1, 3}) {
        for (int ibody = 1; ibody <= (kvers == 1 ? 9 : 8); ++ibody) {
            if (threads) {
                b->Args({kvers, ibody, 1});
                b->Args({kvers, ibody, 0});
            } else {
                b->Args({kvers, ibody});
            }
        }
    }
}

BENCHMARK(BM_Series)->ArgNames({"vers", "body", "thr"})->Apply([](auto* b) { bodies(b, true); })->UseRealTime();
BENCHMARK(BM_Scalar)->ArgNames({"vers", "body"})->Apply([](auto* b) { bodies(b, false); })->UseRealTime();

// One instant of the short series: blocks 1..12 as the parallel loop.
void BM_ShortAllBlocks(benchmark::State& st)
{
    static const ShortSeries sh = vsop1load(std::string(R7_PUBLISHED_DATA) + "/invsop1.t");
    const int threads = st.range(0) == 0 ? omp_get_num_procs() : static_cast<int>(st.range(0));
    const int saved = omp_get_max_threads();
    omp_set_num_threads(threads);
    double tau = 0.02;
    BestTime bt;
    for (auto _ : st) {
        bt.begin();
        const Positions p = vsop1all(sh, tau, 12);
        benchmark::DoNotOptimize(p);
        bt.end();
        tau += 1e-7;
    }
    omp_set_num_threads(saved);
    per_term(st, sh.total_terms(12), bt.best);
    st.counters["threads"] = threads;
}
BENCHMARK(BM_ShortAllBlocks)->ArgName("thr")->Arg(1)->Arg(0)->UseRealTime();

// The Taylor expansion of one body about one instant (a transit's contacts
// evaluate it instead of the terms), against one term-by-term place of the
// same body (BM_Series): the expansion costs three to four places.
void BM_Expansion(benchmark::State& st)
{
    const int kvers = static_cast<int>(st.range(0)), ibody = static_cast<int>(st.range(1));
    const long terms = prepare(kvers, ibody);
    const FullSeries& fs = series_of(kvers);
    double jde = jde0;
    BestTime bt;
    for (auto _ : st) {
        bt.begin();
        const BodyExpansion e = expand_body(fs, ibody, jde, SeriesWindow::default_half_width);
        benchmark::DoNotOptimize(e);
        bt.end();
        jde += 0.37;
    }
    per_term(st, terms, bt.best);
}
BENCHMARK(BM_Expansion)->ArgNames({"vers", "body"})->Args({3, 1})->Args({3, 2})->Args({3, 3})->UseRealTime();

// One trial instant of a transit scan: the short series of a planet and of
// the Earth (the planet's three blocks summed in one call).
void BM_ShortPlanetAndEarth(benchmark::State& st)
{
    static const ShortSeries sh = vsop1load(std::string(R7_PUBLISHED_DATA) + "/invsop1.t");
    const int planet = static_cast<int>(st.range(0));
    double tau = 0.02;
    BestTime bt;
    for (auto _ : st) {
        bt.begin();
        const Lbr p = vsop1place(sh, planet, tau), e = vsop1place(sh, earth, tau);
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(e);
        bt.end();
        tau += 1e-7;
    }
    int terms = 0;
    for (int k : {3 * planet - 2, 3 * planet - 1, 3 * planet, 7, 8, 9}) {
        for (int i = 1; i <= sh.powers(k); ++i) terms += sh.terms(k, i);
    }
    per_term(st, terms, bt.best);
}
BENCHMARK(BM_ShortPlanetAndEarth)->ArgName("planet")->Arg(1)->Arg(2)->UseRealTime();

// Break-even of the split sum: N synthetic terms (copies of Mercury's stored
// terms) cut into chunks of 256 as the evaluator cuts a body, summed on one
// thread and split among all cores in one parallel region per sum, the way
// the evaluator would split it. The smallest N at which thr:0 is faster than
// thr:1 is the break-even of this machine (bench/threads.sh prints it); below it
// the threads cost more than they save. Run with OMP_WAIT_POLICY=passive, as
// run.sh starts the program.
void BM_SplitSum(benchmark::State& st)
{
    const auto n = static_cast<std::size_t>(st.range(0));
    const int threads = st.range(1) == 0 ? omp_get_num_procs() : static_cast<int>(st.range(1));
    const BodySeries& mer = series_of(1).body(1);
    std::vector<double> a(n), b(n), c(n);
    const std::size_t m = mer.a.size();
    for (std::size_t i = 0; i < n; ++i) {
        a[i] = mer.a[i % m];
        b[i] = mer.b[i % m];
        c[i] = mer.c[i % m];
    }
    constexpr std::size_t chunk = 256;
    const auto nchunk = static_cast<std::ptrdiff_t>((n + chunk - 1) / chunk);
    std::vector<double> slot(static_cast<std::size_t>(nchunk));
    double t = 0.02;
    BestTime bt;
    for (auto _ : st) {
        bt.begin();
#pragma omp parallel for schedule(static) num_threads(threads)
        for (std::ptrdiff_t i = 0; i < nchunk; ++i) {
            const std::size_t off = static_cast<std::size_t>(i) * chunk;
            slot[static_cast<std::size_t>(i)] =
                term_sum(&a[off], &b[off], &c[off], static_cast<std::ptrdiff_t>(std::min(chunk, n - off)), t);
        }
        double sum = 0.0;
        for (double v : slot) sum += v;
        benchmark::DoNotOptimize(sum);
        bt.end();
        t += 1e-7;
    }
    per_term(st, static_cast<long>(n), bt.best);
    st.counters["threads"] = threads;
}
BENCHMARK(BM_SplitSum)
    ->ArgNames({"terms", "thr"})
    ->ArgsProduct({{1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072, 262144}, {1, 0}})
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
