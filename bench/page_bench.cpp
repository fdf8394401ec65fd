// Cost of the report page (out.html) against the run that it shows: for a few
// answers the whole run is repeated in this process (dialog answer from a file,
// the report to out.txt, the page included), and the page alone (figures from
// the recorded results, the report read back, the file replaced). The page's
// share of a run is page / run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "io/units.hpp"
#include "picture/page.hpp"
#include "report/results.hpp"
#include "run/run.hpp"

namespace {

namespace fs = std::filesystem;
using namespace r7;

const int answers[] = {3, 11, 12, 13, 20};

// A working directory prepared as run.sh prepares one.
fs::path work_dir()
{
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("r7-page-bench-" + std::to_string(::getpid()));
        fs::create_directories(d);
        for (const auto& e : fs::directory_iterator(fs::path(R7_SOURCE_DIR) / "data")) {
            fs::copy_file(e.path(), d / e.path().filename(), fs::copy_options::overwrite_existing);
        }
        for (const auto& e : fs::directory_iterator(R7_PUBLISHED_DATA)) {
            if (!fs::exists(d / e.path().filename())) fs::create_symlink(e.path(), d / e.path().filename());
        }
        return d;
    }();
    return dir;
}

void run_answer(int answer)
{
    {
        std::ofstream("answer.in") << answer << "\n";
    }
    if (std::freopen("answer.in", "r", stdin) == nullptr) return;
    std::cin.clear();
    results::recorded() = results::Run{};
    r7_main();
}

void BM_RunWithPage(benchmark::State& state)
{
    fs::current_path(work_dir());
    std::ostringstream sink;
    io::units().set_terminal(&sink);
    const int answer = answers[state.range(0)];
    for (auto _ : state) {
        sink.str("");
        run_answer(answer);
    }
    io::units().set_terminal(nullptr);
    state.SetLabel("answer " + std::to_string(answer));
}

void BM_PageOnly(benchmark::State& state)
{
    fs::current_path(work_dir());
    std::ostringstream sink;
    io::units().set_terminal(&sink);
    const int answer = answers[state.range(0)];
    run_answer(answer);
    io::units().set_terminal(nullptr);
    std::size_t bytes = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(picture::write_page("out.txt", "out.html"));
    }
    bytes = fs::file_size("out.html");
    state.SetLabel("answer " + std::to_string(answer) + ", " + std::to_string(bytes / 1024) + " KiB");
}

BENCHMARK(BM_RunWithPage)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_PageOnly)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
