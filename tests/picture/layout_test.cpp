// The report pages (the report kept whole, the figures checked by svg_layout.hpp),
// and the checker against each kind of fault and earlier collisions (cases/).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "picture/svg.hpp"
#include "svg_layout.hpp"
#include "test_support.hpp"

namespace r7::layout {
namespace {

namespace fs = std::filesystem;

// The faults of one figure of 200 x 100 pixels.
std::vector<std::string> faults_of(const std::string& body)
{
    const auto figures = parse_figures("<svg width=\"200\" height=\"100\">\n<title>t</title>\n" + body + "</svg>\n");
    return figures.size() == 1 ? faults(figures[0]) : std::vector<std::string>{"not one figure"};
}

TEST(LayoutChecker, FindsEachKindOfFault)
{
    // What is drawn, the markup, whether it is a fault: one fault of each kind; layouts
    // without a fault are those of the real pages below.
    const std::vector<std::tuple<const char*, std::string, bool>> cases{
        // "III" at 11 px bold is estimated 13.2 px wide: a text starting 14 px on is clear, 12 px on is not.
        {"bold text ends before the next", "<text x=\"0\" y=\"20\" font-size=\"11\" style=\"font-weight:bold\">III</text><text x=\"14\" y=\"20\" font-size=\"11\">x</text>", false},
        {"bold text runs into the next", "<text x=\"0\" y=\"20\" font-size=\"11\" style=\"font-weight:bold\">III</text><text x=\"12.5\" y=\"20\" font-size=\"11\">x</text>", true},
        {"a bold tspan widens its text", "<text x=\"0\" y=\"20\" font-size=\"11\"><tspan style=\"font-weight:bold\">III</tspan></text><text x=\"12.5\" y=\"20\" font-size=\"11\">x</text>", true},
        {"text over a mark", "<circle cx=\"15\" cy=\"16\" r=\"3\" style=\"fill:#000\"/><text x=\"10\" y=\"20\" font-size=\"10\">IV</text>", true},
        {"a line through a text", "<line x1=\"0\" y1=\"16\" x2=\"100\" y2=\"16\" style=\"stroke:#000\"/><text x=\"10\" y=\"20\" font-size=\"10\">IV</text>", true},
        {"two marks apart from each other's group", "<circle cx=\"10\" cy=\"10\" r=\"4\" style=\"fill:#000\"/><circle cx=\"13\" cy=\"10\" r=\"4\" style=\"fill:#000\"/>", true},
        {"texts of one group", "<g><text x=\"10\" y=\"20\" font-size=\"10\">II</text><text x=\"14\" y=\"22\" font-size=\"10\">G</text></g>", true},
        {"two leaders crossing", "<line class=\"leader\" x1=\"0\" y1=\"0\" x2=\"50\" y2=\"50\" style=\"stroke:#000\"/><line class=\"leader\" x1=\"0\" y1=\"50\" x2=\"50\" y2=\"0\" style=\"stroke:#000\"/>", true},
        {"a leader across a text", "<line class=\"leader\" x1=\"0\" y1=\"16\" x2=\"100\" y2=\"16\" style=\"stroke:#000\"/><text x=\"10\" y=\"20\" font-size=\"10\">IV</text>", true},
        {"crossing lines", "<line x1=\"0\" y1=\"0\" x2=\"50\" y2=\"50\" style=\"stroke:#000\"/><line x1=\"0\" y1=\"50\" x2=\"50\" y2=\"0\" style=\"stroke:#000\"/>", true},
        {"an arrow head out of the picture", "<polygon points=\"195,50 205,46 205,54\" style=\"fill:#000\"/>", true},
        {"a text out of the picture", "<text x=\"190\" y=\"50\" font-size=\"10\">IV</text>", true},
        {"a dot of a path out of the picture", "<path d=\"M10 10h0M199 50h0\" style=\"stroke-width:4;stroke:#000;stroke-linecap:round\"/>", true},
        // The y axis label turned about (14, 50): 60 px along y, 11 px across.
        {"a turned label beside a mark", "<text x=\"14\" y=\"50\" font-size=\"11\" text-anchor=\"middle\" transform=\"rotate(-90 14 50)\">abcdefgh</text><circle cx=\"30\" cy=\"50\" r=\"3\" style=\"fill:#000\"/>", false},
        {"a turned label over a mark", "<text x=\"14\" y=\"50\" font-size=\"11\" text-anchor=\"middle\" transform=\"rotate(-90 14 50)\">abcdefgh</text><circle cx=\"12\" cy=\"30\" r=\"3\" style=\"fill:#000\"/>", true},
    };
    for (const auto& [what, body, fault] : cases) {
        const auto f = faults_of(body);
        EXPECT_EQ(!f.empty(), fault) << what << (f.empty() ? "" : ": " + f.front());
    }
}

// Earlier diagrams whose labels collided: the grazing transit of Mercury of 15
// Nov. 1999 (answer 11: II, G and III in one blob) and the transit of Venus of
// 7 Dec. 1631 (answer 12: II and G on each other).
TEST(LayoutChecker, FlagsTheCollidingLabelsOfEarlierDiagrams)
{
    const fs::path cases = test::install_data().parent_path() / "tests" / "picture" / "cases";
    // The file and two labels that must be reported as a collision (in the order they are drawn).
    for (const auto& [file, a, b] : {std::tuple{"mercury-1999-colliding.svg", "II", "G"},
                                     {"mercury-1999-colliding.svg", "G", "III"}, {"venus-1631-colliding.svg", "II", "G"}}) {
        const auto figures = parse_figures(test::read_file(cases / file));
        ASSERT_EQ(figures.size(), 1u) << file;
        const std::string pair = "text \"" + std::string(a) + "\"  <->  text \"" + b + "\"";
        EXPECT_NE(test::joined(faults(figures[0])).find(pair), std::string::npos) << file << ": " << pair;
    }
}

class PageLayout : public ::testing::TestWithParam<PageCase> {};

TEST_P(PageLayout, KeepsTheReportWholeAndNoLabelCollides)
{
    test::ScratchDir dir;
    const auto r = run_page(dir.path(), GetParam());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string page = test::read_file("out.html");
    EXPECT_NE(page.find("<pre>" + picture::escape(test::read_file("out.txt")) + "</pre>"), std::string::npos);
    const auto figures = parse_figures(page);
    ASSERT_EQ(figures.size(), GetParam().figures);
    std::size_t texts = 0;
    for (const Figure& f : figures) {
        for (const Item& it : f.items) texts += it.kind == Item::text;
        const auto list = faults(f);
        EXPECT_TRUE(list.empty()) << f.title << ": " << list.size() << " faults, the first\n    " << list.front();
    }
    EXPECT_GT(texts, 10 * figures.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(Answers, PageLayout, ::testing::ValuesIn(answer_pages),
                         [](const auto& info) { return case_name(info.param); });

} // namespace
} // namespace r7::layout
