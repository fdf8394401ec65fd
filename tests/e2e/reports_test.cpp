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

struct Terminal {
    std::vector<std::string> report; // the report lines
    bool names_file = false;         // the run announced "out.txt"
    bool started = false;            // the computation started
};

// The report begins after the start line, the line naming the output file and
// an empty line; for the info answer after the menu question.
Terminal split_terminal(const std::string& out)
{
    Terminal t;
    const std::vector<std::string> lines = lines_of(out);
    auto from = std::find(lines.begin(), lines.end(), started);
    t.started = from != lines.end();
    if (t.started) {
        t.names_file = ++from != lines.end() && *from == file_line;
        from += t.names_file ? 1 : 0;
        if (from != lines.end() && from->empty()) ++from;
    } else {
        from = std::find_if(lines.rbegin(), lines.rend(), [](const auto& l) { return l.ends_with(menu_tail); }).base();
    }
    t.report.assign(from, lines.end());
    return t;
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

    const Terminal t = split_terminal(r.out);
    ASSERT_FALSE(t.report.empty()) << "no report on the terminal";
    const fs::path out_txt = dir.path() / "out.txt";
    if (answer == info_answer) {
        EXPECT_FALSE(t.started);
        EXPECT_FALSE(fs::exists(out_txt)) << "the info answer writes no report file";
    } else {
        ASSERT_TRUE(t.started);
        // The closing lines end the report (empty lines may follow).
        EXPECT_TRUE(std::regex_search(joined(t.report), std::regex(" -- end of run\\.[^\\n]*\\n*$")));
        // The file holds the terminal's report lines exactly, times included.
        EXPECT_EQ(fs::exists(out_txt), t.names_file);
        EXPECT_EQ(lines_of(read_file(out_txt)), t.names_file ? t.report : std::vector<std::string>{});
    }

    // Every character but the computing times (the message shows the lines that differ).
    EXPECT_EQ(mask_times(joined(t.report)), joined(lines_of(read_file(expected_file)))) << expected_file;
}

std::vector<int> answers()
{
    std::vector<int> v;
    for (const auto& e : fs::directory_iterator(expected_dir()))
        if (e.path().extension() == ".txt") v.push_back(std::stoi(e.path().stem().string()));
    std::sort(v.begin(), v.end());
    return v;
}

INSTANTIATE_TEST_SUITE_P(EveryAnswer, Report, ::testing::ValuesIn(answers()),
                         [](const ::testing::TestParamInfo<int>& p) { return "answer_" + std::to_string(p.param); });

} // namespace
