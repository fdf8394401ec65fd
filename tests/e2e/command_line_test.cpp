// The command line of the real program: refusals that read and write nothing,
// options that vary the set, an answer as argument run as if typed, --site.
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
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

// The output from the answer to the menu on, the computing times masked.
std::string after_menu(const std::string& out, bool typed)
{
    return r7::test::mask_times(typed ? out.substr(out.find(menu_question) + menu_question.size()) : out);
}

} // namespace

TEST(CommandLine, RefusedArgumentsReadAndWriteNothing)
{
    // Options the answer's set does not allow, refused in one line before
    // anything is written (the parsing alone is the unit test's).
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
        {"3 --site giza", "--site: answer 3 (Giza pyramids) computes no transits"},
        {"13 --site 10,10", "answer 13 (syzygies) computes no transits"},
        {"16 --site teotihuacan", "answer 16 (Teotihuacan) computes no transits"},
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

    // In TT the transits lie Delta T later: 64.5 s in 2003 as observed, about
    // 72 s in 2019 (Espenak and Meeus).
    const auto tt = run_with(dir.path(), "11 --from 2000 --to 2100", "");
    ASSERT_EQ(tt.status, 0) << tt.err;
    const auto tt_rows = table_rows(tt.out);
    ASSERT_EQ(tt_rows.size(), rows.size());
    for (std::size_t i : {0u, 3u}) {
        const int dt = contact_one(tt_rows[i]) - contact_one(rows[i]);
        EXPECT_GE(dt, 63) << tt_rows[i] << "\n" << rows[i];
        EXPECT_LE(dt, 73) << tt_rows[i] << "\n" << rows[i];
    }

    // inedit.t records the changed set: as the editable set, answer 999 runs the same report.
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
    // Book option, coded answer, info text, the detailed dialog (answers from standard input).
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

namespace {

// The report without what a site adds (heading lines, the block under each
// row, computed positions) and the computing times.
std::string without_site(const std::string& report)
{
    std::string text;
    for (const auto& line : r7::test::lines_of(report)) {
        const bool site_line = line.starts_with("       Local circumstances at ") ||
                               line.starts_with("       (under each transit") || line.starts_with("   at ") ||
                               (line.starts_with("     ") && line.size() > 5 && std::isalpha(static_cast<unsigned char>(line[5])));
        if (site_line || line.find("CPU time") != std::string::npos || line.find("run time") != std::string::npos ||
            line.find("Computed constellations") != std::string::npos) {
            continue;
        }
        text += line + "\n";
    }
    return text;
}

// The block under the row of the transit on date.
std::vector<std::string> block_of(const std::string& report, const std::string& date)
{
    const auto lines = r7::test::lines_of(report);
    for (std::size_t i = 0; i + 6 < lines.size(); ++i) {
        if (lines[i].find(date) != std::string::npos && lines[i + 1].starts_with("   at ")) {
            return {lines.begin() + static_cast<long>(i) + 1, lines.begin() + static_cast<long>(i) + 7};
        }
    }
    return {};
}

} // namespace

// A site adds the local circumstances under each transit row and nothing else.
// Venus 2012 from Montreal: the Sun sets after contact II.
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

    const auto b = block_of(seen.out, " 6. June 2012");
    ASSERT_EQ(b.size(), 6u) << seen.out;
    EXPECT_NE(b[1].find("I             5. June  22: 3:5"), std::string::npos) << b[1];
    EXPECT_NE(b[2].find("II            5. June  22:21:3"), std::string::npos) << b[2];
    for (std::size_t k : {1u, 2u}) EXPECT_EQ(b[k].find('*'), std::string::npos) << b[k];
    for (std::size_t k : {3u, 4u, 5u}) EXPECT_NE(b[k].find('*'), std::string::npos) << b[k];
}

// With the detailed dialog the site waits for the answers: a transit run takes
// it, another study is refused once chosen, as is an edited set of Giza (999).
TEST(CommandLine, ASiteWithTheDetailedDialog)
{
    ScratchDir dir;
    const auto transits = run_with(dir.path(), "0 --site giza", "3\n1\n2\n3\n1\n2\n2000\n2050\n1\n1\n");
    ASSERT_EQ(transits.status, 0) << transits.err;
    EXPECT_NE(transits.out.find("Local circumstances at Giza:  29.9792 N   31.1343 E    60.4 m"), std::string::npos);
    EXPECT_EQ(r7::test::count(transits.out, "   at Giza "), 7); // the transits of Mercury 2003 to 2049

    const std::string giza = read_file(r7::test::install_data().parent_path() / "tests" / "e2e" / "expected" / "0.in");
    const auto refused = run_with(dir.path(), "0 --site giza", giza.substr(giza.find('\n') + 1));
    EXPECT_EQ(refused.status, 64);
    EXPECT_NE(refused.err.find("R7 stopped: --site: answer 0 (Giza pyramids) computes no transits"), std::string::npos)
        << refused.err;
    const auto edited = run_with(dir.path(), "999 --site giza", "");
    EXPECT_EQ(edited.status, 64);
    EXPECT_NE(edited.err.find("answer 999 (Giza pyramids) computes no transits"), std::string::npos) << edited.err;
}
