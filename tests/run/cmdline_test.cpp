// The command line: which arguments run a menu answer, which end the program at
// once, and where the texts go.
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "run/cmdline.hpp"

namespace {

struct Case {
    std::vector<std::string_view> args;
    int status;               // -1: the program goes on to its run
    int answer;               // the menu answer taken (status -1 only; -1: none)
    std::string_view out;     // a part of standard output ("" when it must stay empty)
    std::string_view err;     // a part of standard error ("" when it must stay empty)
};

TEST(CommandLine, ArgumentsChooseTheRunOrEndTheProgram)
{
    const Case cases[] = {
        {{}, -1, -1, "", ""},
        {{"11"}, -1, 11, "", ""},
        {{"-804"}, -1, -804, "", ""},
        {{"+3"}, -1, 3, "", ""},
        {{"0"}, -1, 0, "", ""},
        {{"111"}, -1, 111, "", ""},
        {{"999"}, -1, 999, "", ""},
        {{"--help"}, 0, -1, "usage: r7 [ANSWER]", ""},
        {{"-h"}, 0, -1, "Exit status:", ""},
        {{"--version"}, 0, -1, "Program R7, Aug. 2022\n", ""},
        {{"--bogus"}, r7::exit_usage, -1, "", "R7 stopped: unknown option --bogus\n\nusage: r7 [ANSWER]"},
        {{"-x"}, r7::exit_usage, -1, "", "unknown option -x"},
        {{"21x"}, r7::exit_usage, -1, "", "not a menu answer: 21x"},
        {{"5000"}, r7::exit_usage, -1, "", "not a menu answer: 5000"},
        {{"-1"}, r7::exit_usage, -1, "", "not a menu answer: -1"},
        {{"99999999999"}, r7::exit_usage, -1, "", "not a menu answer"},
        {{""}, r7::exit_usage, -1, "", "not a menu answer"},
        {{"+"}, r7::exit_usage, -1, "", "not a menu answer"},
        {{"3", "4"}, r7::exit_usage, -1, "", "one menu answer only"},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        const auto cl = r7::parse_command_line(c.args, out, err);
        const std::string what = c.args.empty() ? "(none)" : std::string(c.args[0]);
        EXPECT_EQ(cl.exit_status.value_or(-1), c.status) << what;
        EXPECT_EQ(cl.menu_answer.value_or(-1), c.answer) << what;
        if (c.out.empty()) {
            EXPECT_EQ(out.str(), "") << what;
        } else {
            EXPECT_NE(out.str().find(c.out), std::string::npos) << what << ": " << out.str();
        }
        if (c.err.empty()) {
            EXPECT_EQ(err.str(), "") << what;
        } else {
            EXPECT_NE(err.str().find(c.err), std::string::npos) << what << ": " << err.str();
        }
    }
}

TEST(CommandLine, UsageFitsAnEightyColumnTerminal)
{
    std::istringstream s{std::string(r7::usage_text())};
    for (std::string line; std::getline(s, line);) EXPECT_LE(line.size(), 79u) << line;
}

} // namespace
