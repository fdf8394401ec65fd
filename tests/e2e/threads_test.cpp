// Each run with 1, 2 and 3 threads (three on two cores finish out of order):
// terminal output (times masked), out.txt and inser-2.t agree byte for byte.
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace {

using namespace r7::test;

// The run of the shell command (R7 stands for the program) with the threads:
// its status, terminal output, report and series file.
std::string run_with_threads(const std::string& command, int threads)
{
    ScratchDir dir;
    const auto r = run_shell(dir.path(), "export OMP_NUM_THREADS=" + std::to_string(threads) + "; " + command, 600);
    return std::to_string(r.status) + "\n" + mask_times(r.out) + "\n--- out.txt\n" +
           mask_times(read_file("out.txt")) + "\n--- inser-2.t\n" + read_file("inser-2.t");
}

using Run = std::pair<const char*, const char*>; // name, shell command
class Threads : public ::testing::TestWithParam<Run> {};

TEST_P(Threads, SameOutputForAnyThreadCount)
{
    const std::string one = run_with_threads(GetParam().second, 1);
    ASSERT_TRUE(one.starts_with("0\n")) << one;
    for (int threads : {2, 3}) EXPECT_EQ(run_with_threads(GetParam().second, threads), one) << threads << " threads";
}

// Transit answers, the combination of short and full series over 2000 years,
// the series run (inser-2.t), and local circumstances computed in the tasks.
INSTANTIATE_TEST_SUITE_P(Runs, Threads,
                         ::testing::Values(Run{"answer11", "echo 11 | R7"}, Run{"answer12", "echo 12 | R7"},
                                           Run{"mercury_1000_3000",
                                               "printf '0\\n3\\n1\\n1\\n3\\n1\\n1\\n1000\\n3000\\n1\\n1\\n' | R7"},
                                           Run{"series_run", "echo -804 | R7"},
                                           Run{"answer21_site_giza", "R7 21 --site giza </dev/null"}),
                         [](const auto& info) { return std::string(info.param.first); });

} // namespace
