// Every menu answer that selects a run, end to end: the real program in a fresh
// working directory, its report compared line by line with a reviewed expected
// report under expected/<answer>.txt (rewritten by make_expected.sh).
//
// Each answer is its own test case, so that ctest -j2 runs two at a time.
// The two-pass series run (answer -804) is left out: it takes about two minutes.
//
// The reports do not depend on the thread count (the full-series sums add
// their chunks in a fixed order), so any number of threads gives the reviewed
// reports. Threads that wait passively keep two runs side by side from spinning
// against each other, which otherwise makes them several times slower.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::lines_of;
using r7::test::read_file;
using r7::test::run_program;
using r7::test::ScratchDir;

namespace {

// Keep this list equal to the one in make_expected.sh.
const std::vector<int> answers = {
    1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  19,  20,
    21,  22,  170, 171, 180, 181, 190, 191, 192, 193, 194, 195, 200, 201, 202, 210, 211, 212, 213, 220,
    221, 230, 231, 232, 240, 241, 242, 250, 251, 260, 270, 271, 280, 281, 300, 301, 310, 311, 320, 321,
    322, 323, 330, 331, 332, 333, 334, 335, 338, 370, 371, 372, 373, 380, 381, 390, 391, 392, 400, 401,
    402, 410, 411, 412, 413, 414, 415, 416, 417, 418, 419, 420, 421, 422, 423, 424, 425, 426, 427, 428,
    429, 430, 431, 432, 440, 441, 442, 450, 460, 461, 470, 471, 480, 481, 490, 491, 492, 500, 501, 502,
    510, 511, 512, 517, 518, 519, 999, 111, 0};

constexpr int info_answer = 111;

const std::string started = "  <R7>   Computation started ...";
const std::string file_line = "         Output file: \"out.txt\"";
const std::string menu_tail = "(1..20 or book options) : ";

fs::path expected_dir() { return fs::path(__FILE__).parent_path() / "expected"; }

// What the program prints when something failed: the framed messages of the
// numerical routines ("---->  error in ...", ke = ..), the evaluator's
// "In VSOP87Z: ierr =" and "In VSOP2:" lines, dialog rejections, the stop
// message and the mark left in an abandoned report file.
const std::vector<std::string> failure_marks = {"---->", "ierr", "In VSOP", "ke =", "ind =",
                                                "R7 stopped", "run stopped", "not updated"};

// Standard input of a run: expected/<answer>.in when present (a scripted
// dialog), else the answer alone.
std::string input_for(int answer)
{
    const fs::path in = expected_dir() / (std::to_string(answer) + ".in");
    if (fs::exists(in)) return read_file(in);
    return std::to_string(answer) + "\n";
}

// Sets an environment variable for the runs of one test and restores it.
class EnvSetting {
public:
    EnvSetting(const char* name, const char* value, bool overwrite) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        if (overwrite || !old_) ::setenv(name, value, 1);
    }
    ~EnvSetting()
    {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    EnvSetting(const EnvSetting&) = delete;
    EnvSetting& operator=(const EnvSetting&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct Terminal {
    std::vector<std::string> report; // the report lines
    bool names_file = false;         // the run announced "out.txt"
    bool started = false;            // the computation started
};

// Splits the terminal output: the report begins after the start line, the
// line naming the output file and the empty line of the run start; for the
// info answer, after the menu question.
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

// The computing times change from run to run: in the time field behind each
// label (up to " -- end of run." or the end of the line) digits and blanks
// become '#', as a time of 15 s fills a column that 4 s leaves blank.
std::string mask_times(std::string line)
{
    for (const std::string key : {"CPU time", "run time"}) {
        const auto p = line.find(key);
        if (p == std::string::npos) continue;
        const auto end = std::min(line.size(), line.find(" --", p));
        for (auto q = p + key.size(); q < end; ++q) {
            if (line[q] == ' ' || std::isdigit(static_cast<unsigned char>(line[q]))) line[q] = '#';
        }
    }
    return line;
}

class Report : public ::testing::TestWithParam<int> {};

TEST_P(Report, MatchesTheReviewedReport)
{
    const int answer = GetParam();
    const fs::path expected_file = expected_dir() / (std::to_string(answer) + ".txt");
    ASSERT_TRUE(fs::exists(expected_file)) << expected_file << " is missing: run tests/e2e/make_expected.sh";

    const EnvSetting waiting("OMP_WAIT_POLICY", "passive", false);
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
    for (const auto& s : t.report) got.push_back(mask_times(s));
    const std::vector<std::string> want = lines_of(read_file(expected_file));
    const std::size_t n = std::min(got.size(), want.size());
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(got[i], want[i]) << "first difference in report line " << i + 1 << " of " << expected_file;
    }
    EXPECT_EQ(got.size(), want.size()) << "report length differs from " << expected_file;
}

INSTANTIATE_TEST_SUITE_P(EveryAnswer, Report, ::testing::ValuesIn(answers),
                         [](const ::testing::TestParamInfo<int>& p) { return "answer_" + std::to_string(p.param); });

// The time mask touches only the digits behind the two time labels, not the
// counts at the start of the same line.
TEST(ReportMask, KeepsCountsAndMasksOnlyTheTimes)
{
    EXPECT_EQ(mask_times("  Centr./grazing transits:    1 /  2       CPU time  0: 0: 4.241"),
              "  Centr./grazing transits:    1 /  2       CPU time###:##:##.###");
    EXPECT_EQ(mask_times("                                           run time  0: 0:15.351 -- end of run."),
              "                                           run time###:##:##.### -- end of run.");
    EXPECT_EQ(mask_times("                                           run time  0: 0: 4.241 -- end of run."),
              "                                           run time###:##:##.### -- end of run.");
    EXPECT_EQ(mask_times("  Detected constellations:         3"), "  Detected constellations:         3");
}

} // namespace
