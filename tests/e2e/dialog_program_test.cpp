// Scripted dialogs through the real program's standard input: one complete
// detailed dialog per study that runs to the closing lines, the end of input at
// every question of those dialogs, the info answer and invalid menu answers.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::read_file;
using r7::test::run_program;
using r7::test::ScratchDir;

namespace {

constexpr int timeout_s = 60;

const std::string menu_question =
    "        info (111)   detailed options (0)   (1..20 or book options) : ";
const std::string study_question = "  >>>  Giza pyramids  (1), GP chambers (2),\n"
                                   "       conj./transits (3), Teotihuacan (4)  : ";
const std::string calendar_question = "  Calendar  only Greg. (1), Jul./Greg. (2)  : ";
const std::string detail_question = "  Output         normal (1),  extended (2)  : ";
const std::string output_question = "  Monitor (1),  mon. + file (2),  exit (4)  : ";
const std::string started = "\n  <R7>   Computation started ...\n";
const std::string file_line = "         Output file: \"out.txt\"\n";

// One answer and the question that it answers, as the program prints it.
struct Step {
    std::string answer;
    std::string question;
};

struct Script {
    const char* study;
    std::vector<Step> steps;
    bool to_file; // the last answer sends the report to out.txt as well
};

// Teotihuacan, one epoch, a custom logarithmic base, report to the file too.
Script teotihuacan()
{
    return {"Teotihuacan",
            {{"0", menu_question},
             {"4", study_question},
             {"1", "  Distances   GPS (1), meters (2), Map (3)  : "},
             {"2000", "     from  the year      (real): "},
             {"2000", "     until the year      (real): "},
             {"2", "  Teotih. unit    as given (1), \"luna\" (2)  : "},
             {"2", "  Planetary unit, kilometer (1), R-Sun (2)  : "},
             {"4", "  Logar. base    10 (1), 3 (3), custom (4)  : "},
             {"3.5", "  Logarithmic base                  (real)  : "},
             {"1", detail_question},
             {"2", output_question}},
            true};
}

// Mercury transits over three decades with the short series, phases in UT.
Script transits()
{
    return {"transits",
            {{"0", menu_question},
             {"3", study_question},
             {"1", "  Tr. Mer.(1), Ven.(2), 3-co.(3), 4-co.(4)  : "},
             {"2", "  VSOP87-version  full v.(1),  short v.(2)  : "},
             {"3", "  Date  equ.L.(1), nearest (2), phases (3),\n"
                   "            phases and position angles (4)  : "},
             {"1", calendar_question},
             {"2", "  Time system          JDE/TT (1),  UT (2)  : "},
             {"2000", "     from  year (real): "},
             {"2030", "     until year (real): "},
             {"1", detail_question},
             {"1", output_question}},
            false};
}

// Giza, short series, aphelion, Sun point by FITEX, the single constellation 12.
Script giza()
{
    return {"Giza",
            {{"0", menu_question},
             {"1", study_question},
             {"2", "  VSOP87     combi. (1), short version (2),\n"
                   "         Kepl. equ. (3),  full version (4)  : "},
             {"1", calendar_question},
             {"1", "  Passage aph./per. area of aph./per. free\n"
                   "          (1)  (2)          (3)  (4)   (5)  : "},
             {"3", "  Sun pos.  Myk.(1),  Chefr.(2),  free (3)  : "},
             {"3", "  Sun     2D (1), 3D/SLE (2), 3D/FITEX (3)  : "},
             {"1", "  z-coord.    base (1),  C-M (2),  top (3)  : "},
             {"12", "  Constell. (1..14),  years (15),  JDE (0)  : "},
             {"1", detail_question},
             {"1", "  Mon.(1), file (2), special (3), exit (4)  : "}},
            false};
}

// The chambers with Kepler orbits at one JDE, seen from the south.
Script chambers()
{
    return {"chambers",
            {{"0", menu_question},
             {"2", study_question},
             {"3", "  VSOP87     combi. (1), short version (2),\n"
                   "         Kepl. equ. (3),  full version (4)  : "},
             {"2", "  System   ecl. of epoch (1),  J2000.0 (2)  : "},
             {"2", calendar_question},
             {"1", "  Passage    aphelion (1),  perihelion (2)  : "},
             {"0", "  Constell. (1..14),  years (15),  JDE (0)  : "},
             {"2451545.0", "     JDE (real) : "},
             {"2", "  View from ecliptic  North (1), South (2)  : "},
             {"1", detail_question},
             {"1", output_question}},
            false};
}

std::vector<Script> all_scripts() { return {teotihuacan(), transits(), giza(), chambers()}; }

// The first n answers, one a line.
std::string input_of(const Script& s, std::size_t n)
{
    std::string in;
    for (std::size_t i = 0; i < n && i < s.steps.size(); ++i) in += s.steps[i].answer + "\n";
    return in;
}

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
    return n;
}

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The last line of the closing lines that every completed run writes.
bool has_closing_lines(const std::string& text)
{
    const auto cpu = text.rfind("CPU time");
    const auto end = text.rfind("-- end of run.");
    return cpu != std::string::npos && end != std::string::npos && cpu < end &&
           text.find_first_not_of(" \n", end + 14) == std::string::npos;
}

} // namespace

// Each study's detailed dialog asks exactly its questions, once each and in
// order, then runs to the closing lines.
TEST(DialogProgram, CompleteDialogOfEveryStudyRunsToTheClosingLines)
{
    for (const Script& s : all_scripts()) {
        SCOPED_TRACE(s.study);
        ScratchDir dir;
        const std::string edit_before = read_file("inedit.t");
        const auto r = run_program(dir.path(), input_of(s, s.steps.size()), timeout_s);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(count(r.out, "incorrect input"), 0u) << r.out;

        // The questions in order, each once, each answered on its own line.
        std::size_t at = 0;
        for (const Step& q : s.steps) {
            EXPECT_EQ(count(r.out, q.question), 1u) << q.question;
            const auto p = r.out.find(q.question, at);
            ASSERT_NE(p, std::string::npos) << "missing or out of order: " << q.question;
            at = p + q.question.size();
        }
        // After the last question the run begins (its first line ends the
        // question's line when the input is not a terminal).
        ASSERT_EQ(r.out.compare(at, started.size(), started), 0) << r.out.substr(at, 200);
        at += started.size();
        EXPECT_EQ(r.out.compare(at, file_line.size(), file_line) == 0, s.to_file) << r.out.substr(at, 200);
        EXPECT_TRUE(has_closing_lines(r.out)) << r.out.substr(r.out.size() > 600 ? r.out.size() - 600 : 0);

        // The run's parameters are recorded; the user's editable set is kept.
        const std::string edit_after = read_file("inedit.t");
        EXPECT_NE(edit_after, edit_before);
        const auto head = r7::test::lines_of(edit_before), after = r7::test::lines_of(edit_after);
        ASSERT_GE(after.size(), 36u);
        for (std::size_t i = 0; i < 33; ++i) EXPECT_EQ(after[i], head[i]) << "inedit.t line " << i + 1;

        // The file holds the report without the dialog, closed by the same lines.
        EXPECT_EQ(fs::exists("out.txt"), s.to_file);
        if (s.to_file) {
            const std::string file = read_file("out.txt");
            EXPECT_TRUE(has_closing_lines(file)) << file;
            EXPECT_EQ(file.find("Computation started"), std::string::npos);
            EXPECT_EQ(file.find(menu_question), std::string::npos);
        }
    }
}

// The end of input at any question ends the program at once, as the exit
// answer does: status 0, the question's line ended, nothing asked again,
// nothing written.
TEST(DialogProgram, EndOfInputAtEveryQuestionEndsTheProgramAtOnce)
{
    ScratchDir dir;
    const std::string edit_before = read_file("inedit.t");
    for (const Script& s : all_scripts()) {
        SCOPED_TRACE(s.study);
        // The reference: the whole dialog up to its last question, as printed
        // by the exit answer (the run itself is not needed here).
        Script exit_script = s;
        exit_script.steps.back().answer = "4";
        const auto full = run_program(dir.path(), input_of(exit_script, exit_script.steps.size()), timeout_s);
        ASSERT_EQ(full.status, 0);
        ASSERT_TRUE(ends_with(full.out, s.steps.back().question + "\n")) << full.out;

        for (std::size_t cut = 0; cut < s.steps.size(); ++cut) {
            SCOPED_TRACE("input cut after " + std::to_string(cut) + " answers");
            const std::string& question = s.steps[cut].question;
            const auto r = run_program(dir.path(), input_of(s, cut), timeout_s);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
            // The unanswered question is the last thing printed, followed by
            // one line end and nothing else.
            EXPECT_TRUE(ends_with(r.out, question + "\n")) << r.out.substr(r.out.size() > 300 ? r.out.size() - 300 : 0);
            EXPECT_EQ(count(r.out, question), 1u);
            // Everything before it is the same as in the complete dialog.
            const std::string shown = r.out.substr(0, r.out.size() - 1);
            EXPECT_EQ(full.out.compare(0, shown.size(), shown), 0);
            EXPECT_EQ(r.out.find("Computation started"), std::string::npos);
            EXPECT_FALSE(fs::exists("out.txt"));
            EXPECT_EQ(read_file("inedit.t"), edit_before);
        }
    }
    // A last answer without its line end is still an answer.
    const Script t = teotihuacan();
    std::string in = input_of(t, t.steps.size());
    in.pop_back();
    const auto r = run_program(dir.path(), in, timeout_s);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(has_closing_lines(r.out));
}

// The exit answer at the last question: one empty line, status 0, no run.
TEST(DialogProgram, ExitAnswerEndsWithoutARun)
{
    ScratchDir dir;
    const std::string edit_before = read_file("inedit.t");
    Script s = giza();
    s.steps.back().answer = "4";
    const auto r = run_program(dir.path(), input_of(s, s.steps.size()), timeout_s);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(ends_with(r.out, s.steps.back().question + "\n"));
    EXPECT_EQ(r.out.find("Computation started"), std::string::npos);
    EXPECT_FALSE(fs::exists("out.txt"));
    EXPECT_EQ(read_file("inedit.t"), edit_before);
}

TEST(DialogProgram, InfoAnswerPrintsTheTextAndEnds)
{
    ScratchDir dir;
    const std::string edit_before = read_file("inedit.t");
    const auto r = run_program(dir.path(), "111\n0\n", timeout_s);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const auto q = r.out.find(menu_question);
    ASSERT_NE(q, std::string::npos);
    const std::string info = r.out.substr(q + menu_question.size());
    // The text names the files the program works with, then the program ends
    // without asking anything else.
    EXPECT_NE(info.find("inparm.t"), std::string::npos) << info;
    EXPECT_NE(info.find("out.txt"), std::string::npos) << info;
    EXPECT_EQ(count(r.out, menu_question), 1u);
    EXPECT_EQ(info.find(study_question), std::string::npos);
    EXPECT_EQ(info.find("Computation started"), std::string::npos);
    EXPECT_TRUE(ends_with(r.out, "\n"));
    EXPECT_FALSE(fs::exists("out.txt"));
    EXPECT_EQ(read_file("inedit.t"), edit_before);
}

// An invalid menu answer (an unknown code, a real, a negative number, a word)
// brings the message and only the menu question again, not banner and menu.
TEST(DialogProgram, InvalidMenuAnswerRepeatsOnlyTheMenuQuestion)
{
    ScratchDir dir;
    const auto r = run_program(dir.path(), "23\n2.5\n-1\nabc\n111\n", timeout_s);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count(r.out, "HELIOSYNCHRONOMETRICS"), 1u);
    EXPECT_EQ(count(r.out, "Giza pyramids      Great P. chambers"), 1u);
    EXPECT_EQ(count(r.out, "near aphelion (5)"), 1u);
    EXPECT_EQ(count(r.out, menu_question), 5u);
    std::vector<std::size_t> at;
    for (auto p = r.out.find(menu_question); p != std::string::npos; p = r.out.find(menu_question, p + 1)) {
        at.push_back(p);
    }
    ASSERT_EQ(at.size(), 5u);
    for (std::size_t i = 0; i + 1 < at.size(); ++i) {
        EXPECT_EQ(r.out.substr(at[i], at[i + 1] - at[i]), menu_question + "\n  ---->  incorrect input.\n\n")
            << "answer " << i + 1;
    }
    EXPECT_FALSE(fs::exists("out.txt"));
}
