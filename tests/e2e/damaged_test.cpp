// Each data file removed, cut short or garbled under a menu answer: one message naming
// it, a status 1 to 3, no report that looks complete, the user's part of "inedit.t" kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using namespace test;

// Offset of the start of line n (1-based); the text's size when it has fewer.
std::size_t line_start(const std::string& text, int n)
{
    std::size_t pos = 0;
    for (int i = 1; i < n && pos < text.size(); ++i) pos = std::min(text.find('\n', pos), text.size() - 1) + 1;
    return pos;
}

// One damage at line n: 'm' file missing, 'c' cut after the line, 'i' cut
// inside it, 'l' letters in its first number after the quoted texts, 'b' the
// line replaced by bytes that no text editor writes. nullopt: the file is removed.
struct Damage {
    char kind;
    int line = 0;
};

std::optional<std::string> apply(const Damage& d, std::string t)
{
    const auto a = line_start(t, d.line), b = line_start(t, d.line + 1);
    switch (d.kind) {
    case 'm': return std::nullopt;
    case 'c': return t.substr(0, b);
    case 'i': return t.substr(0, a + (b - a) / 2);
    case 'l':
        for (auto i = a, quoted = std::string::npos; i < b; ++i) {
            if (quoted != std::string::npos) {
                if (t[i] == t[quoted]) quoted = std::string::npos;
            } else if (t[i] == '\'' || t[i] == '"') {
                quoted = i;
            } else if (t[i] >= '0' && t[i] <= '9') {
                return t.replace(i, 1, "xq");
            }
        }
        ADD_FAILURE() << "line " << d.line << " holds no number";
        return t;
    default:
        std::string blob;
        for (int i = 0; i < 48; ++i) blob += static_cast<char>((i * 37 + 11) % 256 == '\n' ? 0 : (i * 37 + 11) % 256);
        return t.substr(0, a) + blob + std::string(1, '\0') + "\xff\xfe\x80\n" + t.substr(b);
    }
}

// Line number of the first series header of coordinate ic in a VSOP87 file.
int header_line(const std::string& text, int ic)
{
    const auto lines = test::lines_of(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& l = lines[i];
        if (l.size() > 41 && l.compare(1, 6, "VSOP87") == 0 && l[41] == '0' + ic) return static_cast<int>(i) + 1;
    }
    return 0;
}

struct Case {
    std::string file, answer;
    std::vector<Damage> damages;
};

TEST(DamagedData, EveryDamagedFileStopsTheRunWithOneMessageNamingIt)
{
    const std::string vsop = "VSOP87C.mer";
    const int y_header = header_line(read_file(test::published_data() / vsop), 2);
    ASSERT_GT(y_header, 1);
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
        {vsop, "3", {{'c', 500}, {'i', 900}, {'l', 3000}, {'b', 1200}, {'c', y_header - 1}}},
    };
    for (const Case& c : cases) {
        for (const Damage& d : c.damages) {
            ScratchDir dir;
            test::write_file("inserie.t", test::series_table_text());
            const std::string edit_before = read_file("inedit.t");
            const auto damaged = apply(d, read_file(c.file));
            fs::remove(c.file); // a link into the published data: never written through
            if (damaged) test::write_file(c.file, *damaged);
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
            if (d.kind == 'l') {
                EXPECT_NE(message.find("line " + std::to_string(d.line)), std::string::npos) << message;
            }
            // No report that looks complete.
            const std::string report = read_file("out.txt");
            EXPECT_EQ(report.find(" -- end of run."), std::string::npos);
            EXPECT_TRUE(report.empty() || report.find("run stopped") != std::string::npos) << report;
            // The user's part of inedit.t is kept; a damaged inedit.t is only read, never rewritten.
            if (c.file == "inedit.t") {
                EXPECT_EQ(damaged ? read_file("inedit.t") : "", damaged.value_or(""));
                EXPECT_EQ(fs::exists("inedit.t"), damaged.has_value());
            } else {
                const auto head = [](const std::string& t) { return t.substr(0, line_start(t, 37)); };
                EXPECT_EQ(head(read_file("inedit.t")), head(edit_before)) << "inedit.t lines 1-36 changed";
            }
            EXPECT_FALSE(fs::exists("inedit.t.new"));
        }
    }
}

} // namespace
} // namespace r7
