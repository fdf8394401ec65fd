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
    // Refused before anything is read or written: the usage goes to standard error.
    const std::string inedit = read_file(dir.path() / "inedit.t");
    for (const char* args : {"--frobnicate", "5000", "'11 12'", "3 4"}) {
        const auto r = run_with(dir.path(), args, "3\n");
        EXPECT_EQ(r.status, 64) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_TRUE(r.err.starts_with("R7 stopped: ")) << args << ": " << r.err;
        EXPECT_EQ(r7::test::count(r.err, "R7 stopped"), 1) << r.err;
        EXPECT_NE(r.err.find("usage: r7 [ANSWER]"), std::string::npos) << args;
    }
    EXPECT_EQ(read_file(dir.path() / "inedit.t"), inedit);
    EXPECT_FALSE(fs::exists(dir.path() / "out.txt"));
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
