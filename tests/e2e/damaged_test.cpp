// Each data file removed, cut short or garbled under a menu answer: one message naming
// it, a status 1 to 3, no report that looks complete, the user's part of "inedit.t" kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using namespace test;

// One damage at line n: 'm' file missing, 'c' cut after the line, 'i' cut
// inside it, 'l' letters in its first number after the quoted texts, 'b' the
// line replaced by bytes that no text editor writes. nullopt: the file is removed.
struct Damage {
    char kind;
    int line = 0;
};

std::optional<std::string> damaged_text(const Damage& d, const std::string& text)
{
    // The first digit outside the quoted texts, and what comes before it.
    static const std::regex first_number(R"(^((?:[^'"0-9]|'[^']*'|"[^"]*")*)[0-9])");
    if (d.kind == 'm') return std::nullopt;
    auto lines = lines_of(text);
    if (d.kind == 'c' || d.kind == 'i') lines.resize(static_cast<std::size_t>(d.line));
    std::string& l = lines.at(static_cast<std::size_t>(d.line) - 1);
    if (d.kind == 'i') l.resize((l.size() + 1) / 2);
    if (d.kind == 'l') l = std::regex_replace(l, first_number, "$1xq", std::regex_constants::format_first_only);
    EXPECT_TRUE(d.kind != 'l' || l.find("xq") != std::string::npos) << "line " << d.line << " holds no number";
    if (d.kind == 'b') {
        l.clear();
        for (int i = 0; i < 48; ++i) l += static_cast<char>((i * 37 + 11) % 256 == '\n' ? 0 : (i * 37 + 11) % 256);
        l += std::string(1, '\0') + "\xff\xfe\x80";
    }
    std::string damaged = joined(lines);
    if (d.kind == 'i') damaged.pop_back(); // no line end after the cut
    return damaged;
}

struct Case {
    std::string file, answer;
    std::vector<Damage> damages;
};

TEST(DamagedData, EveryDamagedFileStopsTheRunWithOneMessageNamingIt)
{
    const auto lines = lines_of(read_file(published_data() / "VSOP87C.mer"));
    const auto y = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { // the first Y series
        return l.starts_with(" VSOP87") && l.size() > 41 && l[41] == '2';
    });
    ASSERT_NE(y, lines.end());
    const int y_header = static_cast<int>(y - lines.begin()) + 1;
    const std::vector<Case> cases{
        // Book option 3 reads record set 3, lines 32 to 38 of inparm.t.
        {"inparm.t", "3", {{'m'}, {'c', 35}, {'i', 36}, {'l', 34}, {'b', 33}}},
        // The answer 999 reads lines 27 to 33 of inedit.t and never rewrites it.
        {"inedit.t", "999", {{'m'}, {'c', 30}, {'i', 31}, {'l', 32}, {'b', 28}}},
        // Giza (1): lines 27-40 and 45-48; the chambers (6): 9-22; the info text (111): 106-143.
        {"ingiza.t", "1", {{'m'}, {'c', 44}, {'i', 37}, {'l', 46}, {'b', 30}}},
        {"ingiza.t", "6", {{'l', 22}, {'b', 15}}},
        {"ingiza.t", "111", {{'m'}, {'i', 121}}},
        {"inteoti.t", "16", {{'m'}, {'c', 30}, {'i', 25}, {'l', 37}, {'b', 22}}},
        // Answer 1 searches with the short series.
        {"invsop1.t", "1", {{'m'}, {'c', 3}, {'i', 700}, {'l', 500}, {'b', 300}}},
        // Answer 338 lists the Kepler elements; the Teotihuacan report uses them too.
        {"invsop3.t", "338", {{'m'}, {'c', 70}, {'i', 100}, {'l', 121}, {'b', 62}}},
        {"invsop3.t", "16", {{'l', 85}}},
        // Answer 15 numbers the transits of Mercury 1990 to 2040 by the table.
        {"inserie.t", "15", {{'m'}, {'c', 40}, {'i', 73}, {'l', 74}, {'b', 50}}},
        // Answer 3 evaluates Mercury's full series; the last cut is before its Y series.
        {"VSOP87C.mer", "3", {{'c', 500}, {'i', 900}, {'l', 3000}, {'b', 1200}, {'c', y_header - 1}}},
    };
    for (const Case& c : cases) {
        for (const Damage& d : c.damages) {
            ScratchDir dir;
            write_file("inserie.t", series_table_text());
            const std::string edit_before = read_file("inedit.t");
            const auto damaged = damaged_text(d, read_file(c.file));
            fs::remove(c.file); // a link into the published data: never written through
            if (damaged) write_file(c.file, *damaged);
            SCOPED_TRACE("\"" + c.file + "\" damage " + d.kind + " at line " + std::to_string(d.line) + ", answer " +
                         c.answer);
            const RunResult r = run_program(dir.path(), c.answer + "\n", 60);
            const std::string all = r.out + r.err;

            // No crash signal, no hang (timeout gives 124, a signal 128 + its number).
            EXPECT_TRUE(r.status >= 1 && r.status <= 3) << "exit status " << r.status << "\n" << all;
            // Exactly one message, and it names the file.
            ASSERT_EQ(count(all, "R7 stopped"), 1) << all;
            const auto p = all.find("R7 stopped");
            const std::string message = all.substr(p, all.find('\n', p) - p);
            EXPECT_NE(message.find(c.file), std::string::npos) << message;
            // A number that cannot be read is named with its line.
            const bool names_line = message.find("line " + std::to_string(d.line)) != std::string::npos;
            EXPECT_TRUE(d.kind != 'l' || names_line) << message;
            // No report that looks complete.
            const std::string report = read_file("out.txt");
            EXPECT_EQ(report.find(" -- end of run."), std::string::npos);
            EXPECT_TRUE(report.empty() || report.find("run stopped") != std::string::npos) << report;
            // The user's part of inedit.t is kept; a damaged inedit.t is only read, never rewritten.
            if (c.file == "inedit.t") {
                EXPECT_EQ(damaged ? read_file("inedit.t") : "", damaged.value_or(""));
                EXPECT_EQ(fs::exists("inedit.t"), damaged.has_value());
            } else {
                const auto head = [](const std::string& t) { auto l = lines_of(t); l.resize(36); return l; };
                EXPECT_EQ(head(read_file("inedit.t")), head(edit_before)) << "inedit.t lines 1-36 changed";
            }
            EXPECT_FALSE(fs::exists("inedit.t.new"));
        }
    }
}

} // namespace
} // namespace r7
