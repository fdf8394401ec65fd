// The README quotes what the program prints; these tests keep the quotes true.
// The transcript of "A detailed dialog" is run with the answers typed in it and
// must be what the program shows (the two computing times aside), and the
// numbers the README quotes about the series file must be those of inserie.t.
#include <filesystem>
#include <regex>
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

// The first fenced block after the heading.
std::string block_after(const std::string& text, const std::string& heading)
{
    const auto h = text.find(heading);
    if (h == std::string::npos) return {};
    const auto open = text.find("```\n", h);
    const auto close = text.find("\n```", open + 4);
    if (open == std::string::npos || close == std::string::npos) return {};
    return text.substr(open + 4, close - open - 3);
}

// The digits of the computing times replaced, so that two runs compare.
std::string without_times(const std::string& text)
{
    static const std::regex time_line(R"((CPU|run) time +[0-9 ]+:[0-9 ]+:[0-9 .]+)");
    return std::regex_replace(text, time_line, "$1 time");
}

} // namespace

TEST(Readme, TheDialogTranscriptIsWhatTheProgramShows)
{
    const std::string transcript = block_after(read_file(source / "README.md"), "## A detailed dialog");
    ASSERT_FALSE(transcript.empty());
    // A typed answer stands behind its question ("...  : 3"); at a terminal the
    // answer and its line end are the user's, so the program's own output has
    // the question followed directly by what comes next.
    static const std::regex answered(R"(^(.*: )(-?[0-9.]+)$)");
    std::string input, shown;
    bool dialog = true;
    for (const auto& line : lines_of(transcript)) {
        std::smatch m;
        if (dialog && std::regex_match(line, m, answered)) {
            input += m[2].str() + "\n";
            shown += m[1].str();
            continue;
        }
        if (line.find("Computation started") != std::string::npos) dialog = false;
        shown += line + "\n";
    }
    ASSERT_FALSE(input.empty());
    r7::test::ScratchDir dir;
    const auto run = r7::test::run_program(dir.path(), input);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto from = run.out.find(shown.substr(0, shown.find('\n')));
    ASSERT_NE(from, std::string::npos) << run.out;
    std::string out = run.out.substr(from);
    while (out.ends_with("\n\n")) out.pop_back();
    EXPECT_EQ(without_times(out), without_times(shown));
}

TEST(Readme, SeriesNumbersQuotedAreThoseOfTheSeriesFile)
{
    // "Mercury from -150 (284 series up to the year 17000: -150 to 133), Venus
    // from -6 (13 series: -6 to 6)": the series the shipped table knows.
    // The README's text with its line breaks as blanks.
    std::string readme = read_file(source / "README.md");
    for (char& c : readme) c = c == '\n' ? ' ' : c;
    const auto rows = lines_of(read_file(source / "data" / "inserie.t"));
    ASSERT_GE(rows.size(), 76u);
    auto last_series = [&](std::size_t first_row, std::size_t n_rows) {
        int last = -1000;
        for (std::size_t r = first_row; r < first_row + n_rows; ++r) {
            std::istringstream in(rows[r]);
            int s0 = 0;
            in >> s0;
            for (int i = 0; i < 5; ++i) {
                std::string v;
                in >> v;
                const double jde = std::stod(v);
                if (jde != 0.0 && jde < 1e12) last = s0 + i;
            }
        }
        return last;
    };
    const int mercury_last = last_series(5, 61);
    const int venus_last = last_series(70, 6);
    const std::string mercury = "Mercury from -150 (" + std::to_string(mercury_last + 151) +
                                " series up to the year 17000: -150 to " + std::to_string(mercury_last) + ")";
    const std::string venus = "Venus from -6 (" + std::to_string(venus_last + 7) + " series: -6 to " +
                              std::to_string(venus_last) + ")";
    EXPECT_NE(readme.find(mercury), std::string::npos) << mercury;
    EXPECT_NE(readme.find(venus), std::string::npos) << venus;
}
