// The command line: which arguments run a menu answer, which end the program at
// once, and where the texts go.
#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
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
        {{"--"}, -1, -1, "", ""},
        {{"--", "-804"}, -1, -804, "", ""},
        {{"--from=2000", "11"}, -1, 11, "", ""},
        {{"--help"}, 0, -1, "usage: r7 [ANSWER [OPTION]...]", ""},
        {{"-h"}, 0, -1, "Exit status:", ""},
        {{"11", "--help"}, 0, -1, "--from YEAR", ""},
        {{"--version"}, 0, -1, "Program R7, Aug. 2022, version ", ""},
        {{"--bogus"}, r7::exit_usage, -1, "", "R7 stopped: unknown option --bogus (r7 --help lists the arguments)\n"},
        {{"-x"}, r7::exit_usage, -1, "", "unknown option -x"},
        {{"21x"}, r7::exit_usage, -1, "", "not a menu answer: 21x"},
        {{"5000"}, r7::exit_usage, -1, "", "not a menu answer: 5000"},
        {{"-1"}, r7::exit_usage, -1, "", "not a menu answer: -1"},
        {{"99999999999"}, r7::exit_usage, -1, "", "not a menu answer"},
        {{""}, r7::exit_usage, -1, "", "not a menu answer"},
        {{"+"}, r7::exit_usage, -1, "", "not a menu answer"},
        {{"3", "4"}, r7::exit_usage, -1, "", "one menu answer only"},
        {{"--", "--ut"}, r7::exit_usage, -1, "", "not a menu answer: --ut"},
        {{"11", "--from"}, r7::exit_usage, -1, "", "option --from needs a year"},
        {{"11", "--to", "soon"}, r7::exit_usage, -1, "", "not a year: soon"},
        {{"11", "--to=nan"}, r7::exit_usage, -1, "", "not a year: nan"},
        {{"11", "--ut=1"}, r7::exit_usage, -1, "", "option --ut takes no value"},
        {{"--ut"}, r7::exit_usage, -1, "", "name the answer"},
        {{"0", "--ut"}, r7::exit_usage, -1, "", "the detailed dialog (0) asks for every value"},
        {{"111", "--file"}, r7::exit_usage, -1, "", "runs nothing"},
        {{"-804", "--from", "0"}, r7::exit_usage, -1, "", "fixed years"},
        // --site (accepted in SiteTakesANameOrAPlace): refused without an answer of transits.
        {{"--site", "giza"}, r7::exit_usage, -1, "", "option --site goes with a menu answer of transits"},
        {{"111", "--site", "giza"}, r7::exit_usage, -1, "", "option --site: the info text (111) runs nothing"},
        {{"-804", "--site", "giza"}, r7::exit_usage, -1, "", "builds the series file"},
        {{"0", "--site", "giza", "--ut"}, r7::exit_usage, -1, "", "option --ut: the detailed dialog (0)"},
        {{"12", "--site"}, r7::exit_usage, -1, "", "option --site needs a site"},
        {{"12", "--site", "paris"}, r7::exit_usage, -1, "", "--site paris: not a site"},
        {{"12", "--site", "1,2,3,4"}, r7::exit_usage, -1, "", "not a site"},
        {{"12", "--site", "10,east"}, r7::exit_usage, -1, "", "the longitude east is not a number"},
        {{"12", "--site", "90.5,10"}, r7::exit_usage, -1, "", "latitude 90.5 is outside -90 to 90 degrees"},
        {{"12", "--site", "10,-180.01"}, r7::exit_usage, -1, "", "longitude -180.01 is outside -180 to 180"},
        {{"12", "--site", "10,10,10001"}, r7::exit_usage, -1, "", "height 10001 is outside -500 to 10000 m"},
        {{"12", "--site", "10,10,nan"}, r7::exit_usage, -1, "", "the height nan is not a number"},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        const auto cl = r7::parse_command_line(c.args, out, err);
        std::string what;
        for (auto a : c.args) what += std::string(a) + " ";
        EXPECT_EQ(cl.exit_status.value_or(-1), c.status) << what;
        EXPECT_EQ(cl.menu_answer.value_or(-1), c.answer) << what;
        const std::string o = out.str(), e = err.str();
        EXPECT_TRUE(c.out.empty() ? o.empty() : o.find(c.out) != std::string::npos) << what << ": " << o;
        // A refusal: one line, whatever the fault.
        EXPECT_TRUE(c.err.empty() ? e.empty() : e.find(c.err) != std::string::npos) << what << ": " << e;
        EXPECT_EQ(std::count(e.begin(), e.end(), '\n'), c.err.empty() ? 0 : 1) << what << ": " << e;
    }
}

// A name in any case, or a place with the = form and the limits (the detailed dialog and a
// negative latitude as its own argument: tests/e2e).
TEST(CommandLine, SiteTakesANameOrAPlace)
{
    const std::pair<std::vector<std::string_view>, r7::SiteArg> cases[] = {
        {{"12", "--site", "GIZA"}, {"giza"}},
        {{"--site=45.5,-73.58,30", "12"}, {"", 45.5, -73.58, 30.0}},
        {{"12", "--site", "+90,-180,-500"}, {"", 90.0, -180.0, -500.0}},
    };
    for (const auto& [args, site] : cases) {
        std::ostringstream out, err;
        const auto cl = r7::parse_command_line(args, out, err);
        ASSERT_FALSE(cl.exit_status) << err.str();
        EXPECT_EQ(cl.menu_answer, 12);
        EXPECT_EQ(out.str() + err.str(), "");
        ASSERT_TRUE(cl.site);
        EXPECT_EQ(std::tie(cl.site->name, cl.site->lat, cl.site->lon, cl.site->height),
                  std::tie(site.name, site.lat, site.lon, site.height));
        EXPECT_TRUE(cl.overrides.empty()); // no field of the record set
    }
}

TEST(CommandLine, UsageFitsAnEightyColumnTerminal)
{
    std::istringstream s{std::string(r7::usage_text())};
    for (std::string line; std::getline(s, line);) EXPECT_LE(line.size(), 79u) << line;
}

} // namespace
