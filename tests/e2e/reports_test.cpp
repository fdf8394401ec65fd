// Every menu answer with a reviewed report expected/<answer>.txt (make_expected.sh),
// every character compared but the computing times.
#include <algorithm>
#include <filesystem>
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
    if (fs::exists(in)) return read_file(in);
    return std::to_string(answer) + "\n";
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
    std::size_t i = 0;
    while (i < lines.size() && lines[i] != started) ++i;
    if (i < lines.size()) {
        t.started = true;
        ++i;
        if (i < lines.size() && lines[i] == file_line) {
            t.names_file = true;
            ++i;
        }
        if (i < lines.size() && lines[i].empty()) ++i;
        t.report.assign(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end());
        return t;
    }
    std::size_t m = 0;
    for (std::size_t j = 0; j < lines.size(); ++j) {
        if (lines[j].size() >= menu_tail.size() &&
            lines[j].compare(lines[j].size() - menu_tail.size(), menu_tail.size(), menu_tail) == 0) {
            m = j + 1;
        }
    }
    t.report.assign(lines.begin() + static_cast<std::ptrdiff_t>(m), lines.end());
    return t;
}

class Report : public ::testing::TestWithParam<int> {};

TEST_P(Report, MatchesTheReviewedReport)
{
    const int answer = GetParam();
    const fs::path expected_file = expected_dir() / (std::to_string(answer) + ".txt");
    ASSERT_TRUE(fs::exists(expected_file)) << expected_file << " is missing: run tests/e2e/make_expected.sh";

    ScratchDir dir;
    const auto r = run_program(dir.path(), input_for(answer), 240);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const auto& mark : failure_marks) {
        EXPECT_EQ(r.out.find(mark), std::string::npos) << "the terminal shows \"" << mark << "\"";
    }

    const Terminal t = split_terminal(r.out);
    ASSERT_FALSE(t.report.empty()) << "no report on the terminal";
    const fs::path out_txt = dir.path() / "out.txt";
    if (answer == info_answer) {
        EXPECT_FALSE(t.started);
        EXPECT_FALSE(fs::exists(out_txt)) << "the info answer writes no report file";
    } else {
        ASSERT_TRUE(t.started);
        // The closing lines end the report (an empty line may follow).
        auto last = std::find_if(t.report.rbegin(), t.report.rend(), [](const auto& s) { return !s.empty(); });
        ASSERT_NE(last, t.report.rend());
        EXPECT_NE(last->find(" -- end of run."), std::string::npos) << "last line: " << *last;
        // The file holds the terminal's report lines exactly, times included.
        EXPECT_EQ(fs::exists(out_txt), t.names_file);
        if (t.names_file) {
            EXPECT_EQ(lines_of(read_file(out_txt)), t.report);
        }
    }

    std::vector<std::string> got;
    for (const auto& s : t.report) got.push_back(r7::test::mask_times(s));
    const std::vector<std::string> want = lines_of(read_file(expected_file));
    const std::size_t n = std::min(got.size(), want.size());
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(got[i], want[i]) << "first difference in report line " << i + 1 << " of " << expected_file;
    }
    EXPECT_EQ(got.size(), want.size()) << "report length differs from " << expected_file;
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
