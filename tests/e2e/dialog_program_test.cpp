// Scripted dialogs through the real program's standard input: complete
// detailed dialogs that run to the closing lines, the end of input at every
// question of one dialog and invalid menu answers.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::count;
using r7::test::read_file;
using r7::test::run_program;
using r7::test::ScratchDir;

namespace {

const std::string menu_question =
    "        info (111)   detailed options (0)   (1..20 or book options) : ";
const std::string study_question = "  >>>  Giza pyramids  (1), GP chambers (2),\n"
                                   "       conj./transits (3), Teotihuacan (4)  : ";

// Answers and the questions that they answer, as the program prints them.
using Script = std::vector<std::pair<std::string, std::string>>;

// Teotihuacan, one epoch, a custom logarithmic base, report to the file too.
const Script teotihuacan{{"0", menu_question},
                         {"4", study_question},
                         {"1", "  Distances   GPS (1), meters (2), Map (3)  : "},
                         {"2000", "     from  the year      (real): "},
                         {"2000", "     until the year      (real): "},
                         {"2", "  Teotih. unit    as given (1), \"luna\" (2)  : "},
                         {"2", "  Planetary unit, kilometer (1), R-Sun (2)  : "},
                         {"4", "  Logar. base    10 (1), 3 (3), custom (4)  : "},
                         {"3.5", "  Logarithmic base                  (real)  : "},
                         {"1", "  Output         normal (1),  extended (2)  : "},
                         {"2", "  Monitor (1),  mon. + file (2),  exit (4)  : "}};

// Mercury transits over three decades with the short series, phases in UT.
const Script transits{{"0", menu_question},
                      {"3", study_question},
                      {"1", "  Tr. Mer.(1), Ven.(2), 3-co.(3), 4-co.(4)  : "},
                      {"2", "  VSOP87-version  full v.(1),  short v.(2)  : "},
                      {"3", "  Date  equ.L.(1), nearest (2), phases (3),\n"
                            "            phases and position angles (4)  : "},
                      {"1", "  Calendar  only Greg. (1), Jul./Greg. (2)  : "},
                      {"2", "  Time system          JDE/TT (1),  UT (2)  : "},
                      {"2000", "     from  year (real): "},
                      {"2030", "     until year (real): "},
                      {"1", "  Output         normal (1),  extended (2)  : "},
                      {"1", "  Monitor (1),  mon. + file (2),  exit (4)  : "}};

// The first n answers, one a line.
std::string input_of(const Script& s, std::size_t n)
{
    std::string in;
    for (std::size_t i = 0; i < n && i < s.size(); ++i) in += s[i].first + "\n";
    return in;
}

// The closing lines that every completed run writes last.
bool has_closing_lines(const std::string& text)
{
    const auto cpu = text.rfind("CPU time"), end = text.rfind("-- end of run.");
    return cpu != std::string::npos && end != std::string::npos && cpu < end &&
           text.find_first_not_of(" \n", end + 14) == std::string::npos;
}

} // namespace

// Each detailed dialog asks exactly its questions, once each and in order,
// then runs to the closing lines; the file holds the report without the dialog.
TEST(DialogProgram, CompleteDialogsRunToTheClosingLines)
{
    for (const bool to_file : {true, false}) {
        const Script& s = to_file ? teotihuacan : transits;
        ScratchDir dir;
        const std::string edit_before = read_file("inedit.t");
        const auto r = run_program(dir.path(), input_of(s, s.size()), 60);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(count(r.out, "incorrect input"), 0) << r.out;
        std::size_t at = 0;
        for (const auto& [answer, question] : s) {
            EXPECT_EQ(count(r.out, question), 1) << question;
            at = r.out.find(question, at);
            ASSERT_NE(at, std::string::npos) << "missing or out of order: " << question;
            at += question.size();
        }
        // The run's first line ends the last question's line (the input is not a terminal).
        const std::string started = "\n  <R7>   Computation started ...\n", file_line = "         Output file: \"out.txt\"\n";
        ASSERT_EQ(r.out.compare(at, started.size(), started), 0) << r.out.substr(at, 200);
        EXPECT_EQ(r.out.compare(at + started.size(), file_line.size(), file_line) == 0, to_file);
        EXPECT_TRUE(has_closing_lines(r.out)) << r.out.substr(r.out.size() > 600 ? r.out.size() - 600 : 0);
        // The run's parameters are recorded; the user's editable set is kept.
        const auto before = r7::test::lines_of(edit_before), after = r7::test::lines_of(read_file("inedit.t"));
        EXPECT_NE(after, before);
        ASSERT_GE(after.size(), 36u);
        for (std::size_t i = 0; i < 33; ++i) EXPECT_EQ(after[i], before[i]) << "inedit.t line " << i + 1;
        const std::string file = read_file("out.txt");
        EXPECT_EQ(fs::exists("out.txt"), to_file);
        EXPECT_TRUE(!to_file || (has_closing_lines(file) && file.find(menu_question) == std::string::npos)) << file;
    }
}

// The end of input at any question ends the program at once, as the exit
// answer does: status 0, the question's line ended, nothing asked twice,
// nothing written.
TEST(DialogProgram, EndOfInputAtEveryQuestionEndsTheProgramAtOnce)
{
    ScratchDir dir;
    const std::string edit_before = read_file("inedit.t");
    Script exit_script = teotihuacan; // the exit answer at the last question
    exit_script.back().first = "4";
    const auto full = run_program(dir.path(), input_of(exit_script, exit_script.size()), 60);
    ASSERT_EQ(full.status, 0);
    ASSERT_TRUE(full.out.ends_with(exit_script.back().second + "\n")) << full.out;
    for (std::size_t cut = 0; cut <= teotihuacan.size(); ++cut) {
        SCOPED_TRACE("input cut after " + std::to_string(cut) + " answers");
        const auto r = cut < teotihuacan.size() ? run_program(dir.path(), input_of(teotihuacan, cut), 60) : full;
        const std::string& question = teotihuacan[std::min(cut, teotihuacan.size() - 1)].second;
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        // The unanswered question is the last thing printed, followed by one
        // line end; everything before it is as in the complete dialog.
        EXPECT_TRUE(r.out.ends_with(question + "\n")) << r.out.substr(r.out.size() > 300 ? r.out.size() - 300 : 0);
        EXPECT_EQ(count(r.out, question), 1);
        EXPECT_EQ(full.out.compare(0, r.out.size() - 1, r.out, 0, r.out.size() - 1), 0);
        EXPECT_EQ(r.out.find("Computation started"), std::string::npos);
        EXPECT_FALSE(fs::exists("out.txt"));
        EXPECT_EQ(read_file("inedit.t"), edit_before);
    }
    // A last answer without its line end is still an answer.
    std::string in = input_of(teotihuacan, teotihuacan.size());
    in.pop_back();
    const auto r = run_program(dir.path(), in, 60);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has_closing_lines(r.out));
}

// An invalid menu answer (an unknown code, a real, a negative number, a word)
// brings the message and only the menu question again, not banner and menu.
TEST(DialogProgram, InvalidMenuAnswerRepeatsOnlyTheMenuQuestion)
{
    ScratchDir dir;
    const auto r = run_program(dir.path(), "23\n2.5\n-1\nabc\n111\n", 60);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count(r.out, "HELIOSYNCHRONOMETRICS"), 1);
    EXPECT_EQ(count(r.out, "Giza pyramids      Great P. chambers"), 1);
    EXPECT_EQ(count(r.out, menu_question), 5);
    const std::string again = menu_question + "\n  ---->  incorrect input.\n\n";
    EXPECT_NE(r.out.find(again + again + again + again + menu_question), std::string::npos) << r.out;
}
