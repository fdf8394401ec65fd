// The command line of the real program: --help, --version, an unknown option,
// and a menu answer given as argument, which must run exactly as if it had been
// typed at the menu.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::read_file;
using r7::test::ScratchDir;
using r7::test::write_file;

namespace {

const std::string menu_question = "(1..20 or book options) : ";

// Runs the program in dir with the arguments (already quoted for the shell) and
// the standard input.
r7::test::RunResult run_with(const fs::path& dir, const std::string& args, const std::string& input)
{
    write_file(dir / ".stdin", input);
    auto r = r7::test::run_shell(dir, "R7 " + args + " < .stdin");
    fs::remove(dir / ".stdin");
    return r;
}

// The output from the answer to the menu on, without the two computing times.
std::string after_menu(const std::string& out, bool typed)
{
    std::string text;
    for (const auto& line : r7::test::lines_of(typed ? out.substr(out.find(menu_question) + menu_question.size())
                                                     : out)) {
        if (line.find("CPU time") == std::string::npos && line.find("run time") == std::string::npos) {
            text += line + "\n";
        }
    }
    return text;
}

} // namespace

TEST(CommandLine, RefusedArgumentsReadAndWriteNothing)
{
    ScratchDir dir;
    // Refused before anything is written: one line on standard error that says
    // why, naming the range the dialog accepts where a value is out of it.
    const std::string inedit = read_file(dir.path() / "inedit.t");
    const struct {
        const char* args;
        const char* why;
    } cases[] = {
        {"--frobnicate", "unknown option --frobnicate"},
        {"5000", "not a menu answer: 5000"},
        {"'11 12'", "not a menu answer"},
        {"3 4", "one menu answer only"},
        {"3 --ut", "answer 3 (Giza pyramids) has no choice of time scale"},
        {"170 --tt", "lists dates of equal longitude"},
        {"11 --from 20000", "(-13 000. <= year <= 17 000.)"},
        {"20 --to 20000", "(-28 987. <= year <= 17 176.)"},
        {"11 --from 2100 --to 2000", "does not lie after the first year 2100"},
        {"16 --to 3000", "computes the single year 2000"},
        {"3 --from 2000", "runs at one date"},
        {"13 --full", "needs the angular range of the full series"},
        {"16 --short", "Kepler orbits only"},
        {"1 --short", "the runs at one date"},
        {"416 --short", "J2000.0"},
    };
    for (const auto& c : cases) {
        const auto r = run_with(dir.path(), c.args, "3\n");
        EXPECT_EQ(r.status, 64) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_TRUE(r.err.starts_with("R7 stopped: ")) << c.args << ": " << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(r7::test::count(r.err, "\n"), 1) << c.args << ": " << r.err;
    }
    EXPECT_EQ(read_file(dir.path() / "inedit.t"), inedit);
    EXPECT_FALSE(fs::exists(dir.path() / "out.txt"));
}

namespace {

// The transit rows of a report: the lines of the table between its two rulers.
std::vector<std::string> table_rows(const std::string& report)
{
    std::vector<std::string> rows;
    int rulers = 0;
    for (const auto& line : r7::test::lines_of(report)) {
        if (line.starts_with(" =====")) {
            ++rulers;
        } else if (rulers == 1 && !line.empty()) {
            rows.push_back(line);
        }
    }
    return rows;
}

// Seconds of the day of contact I of a transit row: the field "(i4,a1,i2,a1,i2)"
// from column 19 on ("   5:13:19").
int contact_one(const std::string& row)
{
    const std::string f = row.substr(18, 10);
    return 3600 * std::stoi(f.substr(0, 4)) + 60 * std::stoi(f.substr(5, 2)) + std::stoi(f.substr(8, 2));
}

} // namespace

TEST(CommandLine, OptionsVaryTheSetThatTheAnswerRuns)
{
    ScratchDir dir;
    // Answer 11 lists the transits of Mercury 1900-2200 with contacts in TT.
    const auto ut = run_with(dir.path(), "11 --from 2000 --to 2100 --ut --file", "");
    ASSERT_EQ(ut.status, 0) << ut.err;
    EXPECT_EQ(ut.err, "");
    EXPECT_NE(ut.out.find("(geocentric transit phases, universal time UT)"), std::string::npos);
    EXPECT_NE(ut.out.find("from   2000.00  to   2100.00"), std::string::npos);
    const auto rows = table_rows(ut.out);
    ASSERT_EQ(rows.size(), 14u) << ut.out; // 7 May 2003 to 10 Nov. 2098
    EXPECT_NE(rows.front().find("May  2003"), std::string::npos) << rows.front();
    EXPECT_NE(rows.back().find("Nov. 2098"), std::string::npos) << rows.back();
    EXPECT_TRUE(fs::exists(dir.path() / "out.txt"));
    EXPECT_EQ(table_rows(read_file(dir.path() / "out.txt")), rows);

    // The same transits in TT lie Delta T later: 64.5 s in 2003 as observed,
    // about 72 s in 2019 from the polynomial of Espenak and Meeus for 2005-2050.
    const auto tt = run_with(dir.path(), "11 --from 2000 --to 2100", "");
    ASSERT_EQ(tt.status, 0) << tt.err;
    const auto tt_rows = table_rows(tt.out);
    ASSERT_EQ(tt_rows.size(), rows.size());
    for (std::size_t i : {0u, 3u}) {
        const int dt = contact_one(tt_rows[i]) - contact_one(rows[i]);
        EXPECT_GE(dt, 63) << tt_rows[i] << "\n" << rows[i];
        EXPECT_LE(dt, 73) << tt_rows[i] << "\n" << rows[i];
    }

    // inedit.t records the changed set: copied to the editable set, answer 999
    // runs the same report.
    run_with(dir.path(), "11 --from 2000 --to 2100 --ut", "");
    const auto lines = r7::test::lines_of(read_file(dir.path() / "inedit.t"));
    ASSERT_GE(lines.size(), 45u);
    EXPECT_NE(lines[40].find("2000.00000   2100.00000"), std::string::npos) << lines[40];
    std::string edited;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t from = i >= 26 && i < 33 ? i + 10 : i;
        edited += lines[from] + "\n";
    }
    write_file(dir.path() / "inedit.t", edited);
    const auto again = run_with(dir.path(), "999", "");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(table_rows(again.out), rows);
}

TEST(CommandLine, AnAnswerAsArgumentRunsAsIfTyped)
{
    // Book option, coded answer, info text, and the detailed dialog (answer 0),
    // whose further answers still come from standard input.
    const std::string dialog = "3\n1\n2\n3\n1\n2\n2000\n2050\n1\n2\n";
    const struct {
        const char* answer;
        std::string rest;
    } cases[] = {{"11", ""}, {"111", ""}, {"0", dialog}, {"16", ""}, {"231", ""}};
    for (const auto& c : cases) {
        ScratchDir typed_dir, arg_dir;
        const auto typed = run_with(typed_dir.path(), "", c.answer + std::string("\n") + c.rest);
        const auto given = run_with(arg_dir.path(), c.answer, c.rest);
        ASSERT_EQ(typed.status, 0) << c.answer << typed.err;
        EXPECT_EQ(given.status, 0) << c.answer << given.err;
        EXPECT_EQ(given.err, "") << c.answer;
        // No banner and no menu; the rest to the last character as if typed.
        EXPECT_EQ(given.out.find("HELIOSYNCHRONOMETRICS"), std::string::npos) << c.answer;
        EXPECT_EQ(given.out.find(menu_question), std::string::npos) << c.answer;
        EXPECT_EQ(after_menu(given.out, false), after_menu(typed.out, true)) << c.answer;
        EXPECT_EQ(read_file(arg_dir.path() / "inedit.t"), read_file(typed_dir.path() / "inedit.t")) << c.answer;
        EXPECT_EQ(after_menu(read_file(arg_dir.path() / "out.txt"), false),
                  after_menu(read_file(typed_dir.path() / "out.txt"), false))
            << c.answer;
    }
}
