// out.csv of real runs against the report (tests/e2e/csv_check.py, Python's csv
// module); companion files belong to their run.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::quoted;
using r7::test::read_file;
using r7::test::ScratchDir;

namespace {

const fs::path checker = r7::test::install_data().parent_path() / "tests" / "e2e" / "csv_check.py";

class CsvFile : public ::testing::TestWithParam<const char*> {};

TEST_P(CsvFile, AgreesWithTheReport)
{
    if (r7::test::shell("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not on the path";
    ScratchDir dir;
    const std::string answer = GetParam();
    // --file writes out.txt and out.csv whatever output the answer's set names.
    const auto run = r7::test::run_shell(dir.path(), "R7 " + answer + (answer == "-804" ? "" : " --file") +
                                                         " </dev/null >/dev/null");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(fs::exists(dir.path() / "out.csv"));
    const auto check = r7::test::run_shell(dir.path(), "python3 " + quoted(checker.string()) + " .");
    EXPECT_EQ(check.status, 0) << check.out << check.err;
}

INSTANTIATE_TEST_SUITE_P(Answers, CsvFile,
                         ::testing::Values("3", "4", "6", "10", "11", "12", "13", "16", "20", "21", "170",
                                           "391", "-804", "12 --site 45.5,-73.58", "11 --site -77.85,166.67",
                                           "171 --site giza"));

} // namespace

TEST(CsvFiles, CompanionsBelongToTheirRun)
{
    ScratchDir dir;
    // Answer 16 lists its points and body distances; 20 only its points.
    ASSERT_EQ(r7::test::run_shell(dir.path(), "R7 16 --file </dev/null >/dev/null").status, 0);
    EXPECT_TRUE(fs::exists(dir.path() / "out-points.csv"));
    const std::string bodies = read_file(dir.path() / "out-bodies.csv");
    EXPECT_TRUE(bodies.starts_with("year,body,monument_distance,log_perihelion,log_mean,log_aphelion\r\n"));
    EXPECT_EQ(r7::test::count(bodies, "\r\n"), 11); // header, 9 bodies, Phaeton
    EXPECT_NE(bodies.find("2000,Mercury,94.125"), std::string::npos) << bodies;
    ASSERT_EQ(r7::test::run_shell(dir.path(), "R7 20 --file </dev/null >/dev/null").status, 0);
    EXPECT_FALSE(fs::exists(dir.path() / "out-bodies.csv"));
    EXPECT_EQ(r7::test::count(read_file(dir.path() / "out-points.csv"), "\r\n"), 19);
    // Answer 3 lists 8 planets heliocentric, the Sun point and 8 in the site frame, the
    // Sun point and 4 at the plateau's first date, then 4 at each of three more.
    ASSERT_EQ(r7::test::run_shell(dir.path(), "R7 3 --file </dev/null >/dev/null").status, 0);
    const std::string planets = read_file(dir.path() / "out-planets.csv");
    EXPECT_EQ(r7::test::count(planets, "\r\n"), 1 + 8 + 9 + 5 + 3 * 4);
    EXPECT_EQ(r7::test::count(planets, ",heliocentric,"), 8);
    EXPECT_NE(planets.find(",site frame,0,Sun point,-646.85"), std::string::npos) << planets;
    EXPECT_FALSE(fs::exists(dir.path() / "out-points.csv"));
    // A run to the terminal only writes no table.
    fs::remove(dir.path() / "out.csv");
    ASSERT_EQ(r7::test::run_shell(dir.path(), "R7 20 --monitor </dev/null >/dev/null").status, 0);
    EXPECT_FALSE(fs::exists(dir.path() / "out.csv"));
}
