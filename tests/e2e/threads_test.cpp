// Each run with 1, 2 and 3 threads (three on two cores finish out of order):
// terminal output (times masked), out.txt and inser-2.t agree byte for byte.
#include <cstdlib>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

using namespace r7::test;

struct Outputs {
    int status = -1;
    std::string terminal, report, series;
};

// input: standard input, or (args) the command line with nothing to read.
Outputs run_with_threads(const std::string& input, const std::string& args, int threads)
{
    ::setenv("OMP_NUM_THREADS", std::to_string(threads).c_str(), 1);
    ScratchDir dir;
    const auto r = args.empty() ? run_program(dir.path(), input, 600)
                                : r7::test::run_shell(dir.path(), "R7 " + args + " </dev/null", 600);
    ::unsetenv("OMP_NUM_THREADS");
    return {r.status, mask_times(r.out), mask_times(read_file("out.txt")), read_file("inser-2.t")};
}

struct Case {
    const char* name;
    const char* input;
    const char* args = "";
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Threads : public ::testing::TestWithParam<Case> {};

TEST_P(Threads, SameOutputForAnyThreadCount)
{
    const Case& c = GetParam();
    const Outputs one = run_with_threads(c.input, c.args, 1);
    ASSERT_EQ(one.status, 0) << one.terminal;
    for (int threads : {2, 3}) {
        const Outputs many = run_with_threads(c.input, c.args, threads);
        EXPECT_EQ(many.status, one.status) << threads << " threads";
        EXPECT_EQ(many.terminal, one.terminal) << threads << " threads";
        EXPECT_EQ(many.report, one.report) << threads << " threads";
        EXPECT_EQ(many.series, one.series) << threads << " threads";
    }
}

// Transit answers, the combination of short and full series over 2000 years,
// the series run (inser-2.t), and local circumstances computed in the tasks.
INSTANTIATE_TEST_SUITE_P(Runs, Threads,
                         ::testing::Values(Case{"answer11", "11\n"}, Case{"answer12", "12\n"},
                                           Case{"mercury_1000_3000", "0\n3\n1\n1\n3\n1\n1\n1000\n3000\n1\n1\n"},
                                           Case{"series_run", "-804\n"},
                                           Case{"answer21_site_giza", "", "21 --site giza"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
