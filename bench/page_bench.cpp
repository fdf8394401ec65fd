// Cost of the report page (out.html) against the run that it shows: for a few
// answers the whole run is repeated in this process (the menu answer given as
// on the command line, the report to out.txt, the page included), and the
// page alone (figures from the recorded results, the report read back, the
// file replaced). The page's share of a run is page / run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <map>
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

// The page alone is measured for all of them, the whole run with the page for
// the first five (21 and -804, the long transit runs, take seconds a run).
const int answers[] = {3, 11, 12, 13, 20, 21, -804};

// The folder of this benchmark's working directories, removed at the end.
struct Scratch {
    fs::path base = fs::temp_directory_path() / ("r7-page-bench-" + std::to_string(::getpid()));
    ~Scratch()
    {
        std::error_code ec;
        fs::current_path(fs::temp_directory_path(), ec);
        fs::remove_all(base, ec);
    }
};

// A fresh working directory prepared as run.sh prepares one, made the current
// one. Each run needs its own: a run holds the lock on its working directory
// until the process ends.
fs::path fresh_dir()
{
    static Scratch scratch;
    static int n = 0;
    const fs::path d = scratch.base / std::to_string(n++);
    fs::create_directories(d);
    for (const auto& e : fs::directory_iterator(fs::path(R7_SOURCE_DIR) / "data")) {
        // The installation files; data/published is linked below, file by file.
        if (!e.is_regular_file()) continue;
        fs::copy_file(e.path(), d / e.path().filename(), fs::copy_options::overwrite_existing);
    }
    for (const auto& e : fs::directory_iterator(R7_PUBLISHED_DATA)) {
        if (!fs::exists(d / e.path().filename())) fs::create_symlink(e.path(), d / e.path().filename());
    }
    fs::current_path(d);
    return d;
}

// One run of the answer, as "r7 ANSWER" starts it (the menu answer given, not
// read from standard input); its recorded results go to keep where given.
void run_answer(int answer, results::Run* keep = nullptr)
{
    r7_main(answer, {}, std::nullopt, keep);
}

void BM_RunWithPage(benchmark::State& state)
{
    std::ostringstream sink;
    io::units().set_terminal(&sink);
    const int answer = answers[state.range(0)];
    for (auto _ : state) {
        state.PauseTiming();
        sink.str("");
        fresh_dir();
        state.ResumeTiming();
        run_answer(answer);
    }
    io::units().set_terminal(nullptr);
    state.SetLabel("answer " + std::to_string(answer));
}

void BM_PageOnly(benchmark::State& state)
{
    const int answer = answers[state.range(0)];
    // The run once per answer (the framework calls this function more than
    // once): its directory and its recorded results are kept for the page.
    static std::map<int, std::pair<fs::path, results::Run>> runs;
    if (!runs.count(answer)) {
        std::ostringstream sink;
        io::units().set_terminal(&sink);
        const fs::path dir = fresh_dir();
        results::Run kept;
        run_answer(answer, &kept);
        io::units().set_terminal(nullptr);
        runs[answer] = {dir, std::move(kept)};
    }
    fs::current_path(runs[answer].first);
    for (auto _ : state) {
        benchmark::DoNotOptimize(picture::write_page(runs[answer].second, "out.txt", "out.html"));
    }
    const auto bytes = fs::file_size("out.html");
    state.SetLabel("answer " + std::to_string(answer) + ", " + std::to_string(bytes / 1024) + " KiB");
}

BENCHMARK(BM_RunWithPage)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_PageOnly)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
