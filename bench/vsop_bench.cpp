// Time per term of the full series (one position of one body) on one thread and
// on all cores, beside a plain scalar loop with std::cos over the same stored
// terms; and the time of one short-series evaluation of all 12 blocks.
#include <benchmark/benchmark.h>

#include <omp.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <vector>

#include "ephemeris/short.hpp"
#include "ephemeris/termsum.hpp"
#include "ephemeris/vsop87.hpp"
#include "state/store.hpp"

namespace {

using namespace r7;

constexpr double jde0 = 2460000.5;

LoadState& load_state(int kvers)
{
    static std::map<int, LoadState> states;
    auto [it, fresh] = states.try_emplace(kvers);
    if (fresh) it->second.fill(1);
    return it->second;
}

// Loads the body (first call) and returns the number of terms of one position.
long prepare(int kvers, int ibody)
{
    std::filesystem::current_path(R7_PUBLISHED_DATA);
    std::array<double, 3> xyz{}, lbr{};
    int ierr = 0;
    vsop2(jde0, kvers, ibody, load_state(kvers), 6, 0.0, 10, xyz, ierr, lbr);
    long n = 0;
    for (int ic = 1; ic <= 3; ++ic) {
        for (int alpha = 0; alpha <= 5 && astro.it2(alpha, ic, ibody) == 1; ++alpha) n += astro.in2(alpha, ic, ibody);
    }
    return n;
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
    std::array<double, 6> r{};
    int ierr = 0;
    double jde = jde0;
    BestTime bt;
    for (auto _ : st) {
        bt.begin();
        vsop87z(jde, kvers, ibody, 0.0, 10, r, ierr, load_state(kvers));
        benchmark::DoNotOptimize(r);
        bt.end();
        jde += 0.01;
    }
    omp_set_num_threads(saved);
    per_term(st, terms, bt.best);
    st.counters["threads"] = threads;
}

// Plain scalar loop over the same terms of the store with std::cos.
void BM_Scalar(benchmark::State& st)
{
    const int kvers = static_cast<int>(st.range(0)), ibody = static_cast<int>(st.range(1));
    const long terms = prepare(kvers, ibody);
    double jde = jde0;
    BestTime bt;
    for (auto _ : st) {
        bt.begin();
        const double t = (jde - 2451545.0) / 365250.0;
        std::array<double, 3> r{};
        for (int ic = 1; ic <= 3; ++ic) {
            double tp = 1.0;
            for (int alpha = 0; alpha <= 5 && astro.it2(alpha, ic, ibody) == 1; ++alpha) {
                double s = 0.0;
                for (int k = 1; k <= astro.in2(alpha, ic, ibody); ++k) {
                    const double* abc = astro.par2.at(1, k, alpha, ic, ibody);
                    s += abc[0] * std::cos(abc[1] + abc[2] * t);
                }
                r[static_cast<std::size_t>(ic - 1)] += tp * s;
                tp *= t;
            }
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
    vsop1load(std::string(R7_PUBLISHED_DATA) + "/invsop1.t");
    const int threads = st.range(0) == 0 ? omp_get_num_procs() : static_cast<int>(st.range(0));
    const int saved = omp_get_max_threads();
    omp_set_num_threads(threads);
    double tau = 0.02;
    BestTime bt;
    for (auto _ : st) {
        bt.begin();
        vsop1all(tau, 12);
        benchmark::DoNotOptimize(base.re(12));
        bt.end();
        tau += 1e-7;
    }
    omp_set_num_threads(saved);
    long terms = 0;
    for (int k = 1; k <= 12; ++k) {
        for (int i = 1; i <= base.lmax(k); ++i) terms += base.jp(k, i);
    }
    per_term(st, terms, bt.best);
    st.counters["threads"] = threads;
}
BENCHMARK(BM_ShortAllBlocks)->ArgName("thr")->Arg(1)->Arg(0)->UseRealTime();

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
    prepare(1, 1);
    std::vector<double> a(n), b(n), c(n);
    const int m = astro.in2(0, 1, 1);
    for (std::size_t i = 0; i < n; ++i) {
        const double* abc = astro.par2.at(1, static_cast<int>(i % static_cast<std::size_t>(m)) + 1, 0, 1, 1);
        a[i] = abc[0];
        b[i] = abc[1];
        c[i] = abc[2];
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
