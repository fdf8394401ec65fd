// What the README quotes of the program: its dialog transcript and the key to
// the reports' columns.
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace fs = std::filesystem;
using r7::test::lines_of;
using r7::test::read_file;

namespace {

const fs::path source = r7::test::install_data().parent_path();

// The section of the README from its heading to the next one of its level.
std::string section(const std::string& text, const std::string& heading)
{
    const auto from = text.find("\n" + heading + "\n");
    if (from == std::string::npos) return {};
    const auto to = text.find("\n## ", from + heading.size() + 2);
    return text.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

} // namespace

TEST(Readme, TheDialogTranscriptIsWhatTheProgramShows)
{
    const std::string part = section(read_file(source / "README.md"), "## A detailed dialog");
    const auto open = part.find("```\n"), close = part.find("\n```", open + 4);
    ASSERT_TRUE(open != std::string::npos && close != std::string::npos);
    const std::string transcript = part.substr(open + 4, close - open - 3); // its first fenced block
    // A typed answer stands behind its question ("...  : 3"); the program's own
    // output (the answer and its line end are the user's) goes on after the question.
    static const std::regex answered(R"(^(.*: )(-?[0-9.]+)$)");
    std::string input, shown;
    bool dialog = true;
    for (const auto& line : lines_of(transcript)) {
        std::smatch m;
        dialog = dialog && line.find("Computation started") == std::string::npos;
        const bool typed = dialog && std::regex_match(line, m, answered);
        input += typed ? m[2].str() + "\n" : "";
        shown += typed ? m[1].str() : line + "\n";
    }
    ASSERT_FALSE(input.empty());
    r7::test::ScratchDir dir;
    const auto run = r7::test::run_program(dir.path(), input);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto from = run.out.find(shown.substr(0, shown.find('\n')));
    ASSERT_NE(from, std::string::npos) << run.out;
    std::string out = run.out.substr(from);
    while (out.ends_with("\n\n")) out.pop_back();
    EXPECT_EQ(r7::test::mask_times(out), r7::test::mask_times(shown));
}

TEST(Readme, TheKeyExplainsEveryColumnAndMarkOfTheReports)
{
    // The words the key sets in code type (`GPS lat.` holds "GPS" and "lat.").
    const std::string key = section(read_file(source / "README.md"), "## Reading the reports");
    std::set<std::string> explained;
    static const std::regex code("`([^`]*)`");
    for (std::sregex_iterator m(key.begin(), key.end(), code), end; m != end; ++m) {
        explained.insert((*m)[1].str());
        std::istringstream in((*m)[1].str());
        for (std::string t; in >> t;) explained.insert(t);
    }
    // The marks that rows carry.
    for (const char* mark : {"M", "m", "V", "v", "C", "c", "-", "/", "->", "*", "<", "+", ">>>", "FM", "F", "---",
                             "***", "(c1)", "(c2)", "(Jul. cal.)", "(Greg. cal.)", "12"})
        EXPECT_TRUE(explained.contains(mark)) << mark;
    // Every column name of every table head that an expected report prints: the
    // line above a ruler that is no ruler itself and holds no number.
    std::set<std::string> names;
    static const std::set<std::string> words{"(", ")", "\"", "\"  \"", "in", "Giza", "Celestial", "positions",
                                             "pos.", "phase", "of"};
    static const std::regex no_head(R"(^ (---|===)|(^|\s)[-+]?\d)");
    for (const auto& e : fs::directory_iterator(source / "tests" / "e2e" / "expected")) {
        const auto lines = lines_of(e.path().extension() == ".txt" ? read_file(e.path()) : "");
        for (std::size_t i = 1; i < lines.size(); ++i) {
            if (!lines[i].starts_with(" ====") && !lines[i].starts_with(" ----")) continue;
            if (std::regex_search(lines[i - 1], no_head)) continue;
            std::istringstream in(lines[i - 1]);
            for (std::string t; in >> t;) {
                t.erase(t.find_last_not_of(",:") + 1); // all of it when it is only commas and colons
                if (!t.empty() && !words.contains(t)) names.insert(t);
            }
        }
    }
    ASSERT_GT(names.size(), 60u);
    for (const auto& n : names) EXPECT_TRUE(explained.contains(n)) << n;
}
