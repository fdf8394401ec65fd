// Every menu answer with a reviewed report expected/<answer>.txt (make_expected.sh),
// every character compared but the computing times.
#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using namespace r7::test;

namespace {

constexpr int info_answer = 111;

const std::string started = "  <R7>   Computation started ...";
const std::string file_line = "         Output file: \"out.txt\"";
const std::string menu_tail = "(1..20 or book options) : ";

fs::path expected_dir() { return fs::path(__FILE__).parent_path() / "expected"; }

// What the program prints when something failed.
const std::vector<std::string> failure_marks = {"---->", "ierr", "In VSOP", "ke =", "ind =",
                                                "R7 stopped", "run stopped", "not updated"};

// Standard input: expected/<answer>.in (a scripted dialog) or the answer.
std::string input_for(int answer)
{
    const fs::path in = expected_dir() / (std::to_string(answer) + ".in");
    return fs::exists(in) ? read_file(in) : std::to_string(answer) + "\n";
}

class Report : public ::testing::TestWithParam<int> {};

TEST_P(Report, MatchesTheReviewedReport)
{
    const int answer = GetParam();
    const fs::path expected_file = expected_dir() / (std::to_string(answer) + ".txt");
    ScratchDir dir;
    const auto r = run_program(dir.path(), input_for(answer), 240);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const auto& mark : failure_marks)
        EXPECT_EQ(r.out.find(mark), std::string::npos) << "the terminal shows \"" << mark << "\"";

    // The report begins after the start line, the line naming the output file and
    // an empty line; for the info answer after the menu question.
    const std::vector<std::string> lines = lines_of(r.out);
    auto from = std::find(lines.begin(), lines.end(), started);
    const bool computed = from != lines.end();
    const bool names_file = computed && ++from != lines.end() && *from == file_line;
    if (computed) {
        from += names_file ? 1 : 0;
        if (from != lines.end() && from->empty()) ++from;
    } else {
        from = std::find_if(lines.rbegin(), lines.rend(), [](const auto& l) { return l.ends_with(menu_tail); }).base();
    }
    const std::vector<std::string> report(from, lines.end());
    ASSERT_FALSE(report.empty()) << "no report on the terminal";
    EXPECT_EQ(computed, answer != info_answer);
    // The file holds the terminal's report lines exactly, times included; the info answer writes none.
    EXPECT_EQ(fs::exists(dir.path() / "out.txt"), names_file);
    EXPECT_EQ(lines_of(read_file(dir.path() / "out.txt")), names_file ? report : std::vector<std::string>{});
    // The closing lines end the report of a computation (empty lines may follow).
    const std::string text = joined(report);
    EXPECT_TRUE(!computed || std::regex_search(text, std::regex(" -- end of run\\.[^\\n]*\\n*$")));
    // Every character but the computing times (the message shows the lines that differ).
    EXPECT_EQ(mask_times(text), joined(lines_of(read_file(expected_file)))) << expected_file;
}

std::vector<int> answers()
{
    std::vector<int> v;
    for (const auto& e : fs::directory_iterator(expected_dir()))
        if (e.path().extension() == ".txt") v.push_back(std::stoi(e.path().stem().string()));
    return v;
}

INSTANTIATE_TEST_SUITE_P(EveryAnswer, Report, ::testing::ValuesIn(answers()),
                         [](const ::testing::TestParamInfo<int>& p) { return "answer_" + std::to_string(p.param); });

} // namespace
