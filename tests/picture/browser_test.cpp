// The report page in headless Chromium: it parses as XML, every text renders
// within the box the layout checker estimates, the screenshot is not blank
// (kept as ANSWER.png in R7_KEEP_SCREENSHOTS=DIR). Skipped without Chromium.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "svg_layout.hpp"
#include "test_support.hpp"

namespace r7::picture {
namespace {

namespace fs = std::filesystem;

const std::string chromium = "$(command -v chromium || command -v chromium-browser)";

// Runs Chromium headless on a file of dir (the current directory) with extra flags; output to out.
bool run_chromium(const fs::path& dir, const std::string& flags, const std::string& page, const std::string& out)
{
    return test::shell("timeout 120 " + chromium +
                       " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                       " --disable-background-networking --disable-component-update --disable-sync"
                       " --disable-dev-shm-usage --hide-scrollbars --user-data-dir=profile " +
                       flags + " 'file://" + (dir / page).string() + "' > '" + out + "' 2>/dev/null") == 0;
}

// A script that appends to the page a line "measured:" and then, for every text of
// the figures in page order, the extent that the browser gives it along its
// baseline (before any turn).
constexpr const char* measure_script = R"(<script>//<![CDATA[
window.addEventListener('load', () => document.body.append('measured:\n' +
  Array.from(document.querySelectorAll('svg text'), t => t.getBBox()).map(b => b.x + ' ' + (b.x + b.width)).join('\n')));
//]]></script>
)";

class Browser : public ::testing::TestWithParam<layout::PageCase> {};

TEST_P(Browser, DrawsTheFiguresOfTheRunAndTheirTextsFitTheirBoxes)
{
    if (test::shell("test -n \"" + chromium + "\"") != 0)
        GTEST_SKIP() << "Chromium is not installed; the browser test is skipped";
    const layout::PageCase& c = GetParam();
    test::ScratchDir dir;
    const auto r = layout::run_page(dir.path(), c);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string page = test::read_file("out.html");

    // A copy named .xhtml, parsed as XML (an error shows as <parsererror>), with the measuring script.
    test::write_file("page.xhtml", std::string(page).insert(page.rfind("</body>"), measure_script));
    ASSERT_TRUE(run_chromium(dir.path(), "--dump-dom", "page.xhtml", "dom.txt"));
    const std::string dom = test::read_file("dom.txt");
    EXPECT_EQ(dom.find("parsererror"), std::string::npos) << dom.substr(0, 2000);
    const auto figures = layout::parse_figures(page);
    EXPECT_EQ(static_cast<std::size_t>(test::count(dom, "<svg")), figures.size());

    // Every text as rendered within its estimated extent, to a pixel (a glyph may reach past its advance).
    const auto at = dom.rfind("measured:\n");
    ASSERT_NE(at, std::string::npos);
    std::istringstream measured(dom.substr(at + 10));
    std::vector<std::string> wider;
    for (const auto& f : figures) {
        for (const auto& it : f.items) {
            if (it.kind != layout::Item::text) continue;
            double x0 = 0, x1 = 0;
            ASSERT_TRUE(measured >> x0 >> x1) << "fewer texts rendered than in the markup";
            if (x0 < it.along0 - 1.0 || x1 > it.along1 + 1.0) {
                wider.push_back(it.what + ": rendered " + std::to_string(x0) + " .. " + std::to_string(x1) +
                                ", estimated " + std::to_string(it.along0) + " .. " + std::to_string(it.along1));
            }
        }
    }
    EXPECT_TRUE(wider.empty()) << wider.size() << " texts wider than estimated, e.g. " << wider[0];

    // Not blank: the screenshot compresses far worse than that of an empty page of the same size.
    test::write_file("blank.html", "<html><body></body></html>");
    for (const std::string name : {"out", "blank"}) {
        const std::string shot = "--window-size=1200,1400 --screenshot=" + (dir.path() / name).string() + ".png";
        ASSERT_TRUE(run_chromium(dir.path(), shot, name + ".html", name + ".log"));
    }
    EXPECT_GT(fs::file_size("out.png"), 5 * fs::file_size("blank.png"));
    if (const char* keep = std::getenv("R7_KEEP_SCREENSHOTS")) {
        fs::copy_file("out.png", fs::path(keep) / (std::string(c.answer) + (*c.site ? "-site" : "") + ".png"),
                      fs::copy_options::overwrite_existing);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, Browser,
                         ::testing::ValuesIn(layout::answer_pages.begin(), layout::answer_pages.begin() + 12),
                         [](const auto& info) { return layout::case_name(info.param); });

} // namespace
} // namespace r7::picture
