// The command line of the real program: refusals that read and write nothing,
// options that vary the set, an answer as argument run as if typed, --site.
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::mask_times;
using r7::test::read_file;
using r7::test::ScratchDir;
using r7::test::write_file;

namespace {

const std::string menu_question = "(1..20 or book options) : ";

// Runs the program in dir with the arguments (quoted for the shell) and the standard input.
r7::test::RunResult run_with(const fs::path& dir, const std::string& args, const std::string& input)
{
    write_file(dir / ".stdin", input);
    return r7::test::run_shell(dir, "R7 " + args + " < .stdin");
}


// The report without what a site adds (heading lines, the block under each
// row, computed positions) and the computing times.
std::string without_site(const std::string& report)
{
    static const std::regex dropped(R"(( {7}Local circumstances at | {7}\(under each transit|   at | {5}[A-Za-z]).*)"
                                    R"(|.*(CPU time|run time|Computed constellations).*)");
    std::string text;
    for (const auto& line : r7::test::lines_of(report))
        if (!std::regex_match(line, dropped)) text += line + "\n";
    return text;
}

} // namespace

TEST(CommandLine, RefusedArgumentsReadAndWriteNothing)
{
    // Options the answer's set (the installed editable set for 999) does not
    // allow, refused in one line before anything is written.
    ScratchDir dir;
    const std::string inedit = read_file(dir.path() / "inedit.t");
    const struct {
        const char* args;
        const char* why;
    } cases[] = {
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
        {"999 --site giza", "--site: answer 999 (Giza pyramids) computes no transits"},
        {"13 --site 10,10", "answer 13 (syzygies) computes no transits"},
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

TEST(CommandLine, OptionsVaryTheSetThatTheAnswerRuns)
{
    ScratchDir dir;
    const auto ut = run_with(dir.path(), "11 --from 2000 --to 2100 --ut --file", "");
    ASSERT_EQ(ut.status, 0) << ut.err;
    EXPECT_EQ(ut.err, "");
    EXPECT_NE(ut.out.find("(geocentric transit phases, universal time UT)"), std::string::npos);
    EXPECT_NE(ut.out.find("from   2000.00  to   2100.00"), std::string::npos);
    // 14 transits from 7 May 2003 to 10 Nov. 2098 (the count is the table's: transit_counts_test).
    EXPECT_NE(ut.out.find("Detected transits      :        14\n"), std::string::npos) << ut.out;
    EXPECT_NE(ut.out.find("\n      7. May  2003 "), std::string::npos);
    EXPECT_NE(ut.out.find("\n     10. Nov. 2098 "), std::string::npos);
    // The file holds the report the terminal shows after its start lines.
    const std::string file = read_file(dir.path() / "out.txt");
    EXPECT_TRUE(file.size() > 100 && ut.out.ends_with(file.substr(1))) << file;

    // inedit.t records the changed set as the set of the last run (its editable set
    // holds other years; the round trip of the record: tests/state/paramfile_test).
    EXPECT_NE(read_file(dir.path() / "inedit.t").find("2000.00000   2100.00000"), std::string::npos);
}

TEST(CommandLine, AnAnswerAsArgumentRunsAsIfTyped)
{
    // Book option, coded answer, info text, the detailed dialog (answers from standard input).
    const std::string dialog = "3\n1\n2\n3\n1\n2\n2000\n2050\n1\n2\n";
    const std::pair<std::string, std::string> cases[] = {
        {"11", ""}, {"111", ""}, {"0", dialog}, {"16", ""}, {"231", ""}};
    const auto file = [](const ScratchDir& d, const char* name) { return mask_times(read_file(d.path() / name)); };
    for (const auto& [answer, rest] : cases) {
        ScratchDir typed_dir, arg_dir;
        const auto typed = run_with(typed_dir.path(), "", answer + "\n" + rest);
        const auto given = run_with(arg_dir.path(), answer, rest);
        ASSERT_EQ(typed.status, 0) << answer << typed.err;
        EXPECT_EQ(given.status, 0) << answer << given.err;
        EXPECT_EQ(given.err, "") << answer;
        // No banner and no menu: the output is what follows the typed answer.
        const auto menu = typed.out.find(menu_question) + menu_question.size();
        EXPECT_EQ(mask_times(given.out), mask_times(typed.out.substr(menu))) << answer;
        EXPECT_EQ(file(arg_dir, "inedit.t"), file(typed_dir, "inedit.t")) << answer;
        EXPECT_EQ(file(arg_dir, "out.txt"), file(typed_dir, "out.txt")) << answer;
    }
}

// A site adds the local circumstances under each transit row and nothing else
// (the block's layout and marks: tests/report/localblock_test).
TEST(CommandLine, ASiteAddsItsBlocksAndChangesNothingElse)
{
    ScratchDir dir;
    const auto plain = run_with(dir.path(), "12 --ut", "");
    ASSERT_EQ(plain.status, 0) << plain.err;
    const std::string inedit = read_file(dir.path() / "inedit.t");
    const auto seen = run_with(dir.path(), "12 --ut --site 45.5,-73.58", "");
    ASSERT_EQ(seen.status, 0) << seen.err;
    EXPECT_EQ(seen.err, "");
    EXPECT_EQ(read_file(dir.path() / "inedit.t"), inedit);
    EXPECT_NE(seen.out.find("       Local circumstances at the site:  45.5000 N   73.5800 W     0.0 m\n"),
              std::string::npos);
    EXPECT_EQ(without_site(seen.out), without_site(plain.out));
    EXPECT_EQ(r7::test::count(seen.out, "   at the site "), 10);
    // Venus 2012 from Montreal: published I 22:03:42, II 22:21:21 UT, 12 to 14 s later with this Sun.
    EXPECT_NE(seen.out.find("     I             5. June  22: 3:5"), std::string::npos);
    EXPECT_NE(seen.out.find("     II            5. June  22:21:3"), std::string::npos);

    // With the detailed dialog the site waits for the answers: a transit run takes
    // it, another study is refused once chosen.
    const auto transits = run_with(dir.path(), "0 --site giza", "3\n1\n2\n3\n1\n2\n2000\n2050\n1\n1\n");
    ASSERT_EQ(transits.status, 0) << transits.err;
    EXPECT_NE(transits.out.find("Local circumstances at Giza:  29.9792 N   31.1343 E    60.4 m"), std::string::npos);
    EXPECT_EQ(r7::test::count(transits.out, "   at Giza "), 7); // the transits of Mercury 2003 to 2049

    const std::string giza = read_file(r7::test::install_data().parent_path() / "tests" / "e2e" / "expected" / "0.in");
    const auto refused = run_with(dir.path(), "0 --site giza", giza.substr(giza.find('\n') + 1));
    EXPECT_EQ(refused.status, 64);
    EXPECT_NE(refused.err.find("R7 stopped: --site: answer 0 (Giza pyramids) computes no transits"), std::string::npos)
        << refused.err;
}
