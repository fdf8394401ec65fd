// Writing speed of report rows: a typical ten-field result row, appended to one
// growing buffer as the run loops do, and the convenience call that returns a
// new string per row.
#include <benchmark/benchmark.h>

#include <string>

#include "io/layout.hpp"

namespace {

using r7::io::Arg;

void BM_ReportRowAppend(benchmark::State& state) {
    const auto& row = r7::io::layout("(1x,a2,i7,f14.5,f10.2,3f8.3,f9.4,i3,f7.3)");
    std::string out;
    out.reserve(1 << 20);
    long k = 4519;
    for (auto _ : state) {
        const double jde = 2451545.0 + 87.96934963 * static_cast<double>(k);
        const Arg v[] = {"->", k, jde, 2000.0 + k * 0.24, 12.3456, -0.0004, 359.9996, 0.12345, 7, 1.25};
        row.write_to(out, v);
        if (out.size() > (1 << 20) - 200) out.clear();
        ++k;
    }
    benchmark::DoNotOptimize(out.data());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReportRowAppend);

void BM_ReportRowFmt(benchmark::State& state) {
    long k = 4519;
    for (auto _ : state) {
        std::string s = r7::io::fmt("(1x,a2,i7,f14.5,f10.2,3f8.3,f9.4,i3,f7.3)",
                                    {"->", k, 2451545.0 + k, 2000.5, 12.3456, -0.0004, 359.9996, 0.12345, 7, 1.25});
        benchmark::DoNotOptimize(s.data());
        ++k;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReportRowFmt);

void BM_ExponentRow(benchmark::State& state) {
    const auto& row = r7::io::layout("('  ',1p,6e13.5)");
    std::string out;
    double x = 1.2345e-7;
    for (auto _ : state) {
        const Arg v[] = {x, -x * 3, x * 1e9, 2.5, -1e-30, x * 7};
        out.clear();
        row.write_to(out, v);
        benchmark::DoNotOptimize(out.data());
        x *= 1.0000001;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExponentRow);

} // namespace

BENCHMARK_MAIN();
