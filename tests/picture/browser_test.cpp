// The report page in a real browser: headless Chromium parses the page as XML
// (so page and figures are well-formed), measures every text of the figures
// as it renders it against the box that the layout checker estimates for it,
// and renders the page to a screenshot that must not be blank. With
// R7_KEEP_SCREENSHOTS=DIR the screenshots are kept there (ANSWER.png) for a
// reader to look at. Skipped where Chromium is not installed (test.sh installs
// it when it can).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "svg_layout.hpp"
#include "test_support.hpp"

namespace r7::picture {
namespace {

namespace fs = std::filesystem;

std::string chromium()
{
    for (const char* name : {"chromium", "chromium-browser"}) {
        const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
        if (std::system(cmd.c_str()) == 0) return name;
    }
    return "";
}

// Runs Chromium headless on a file with one extra flag; output to out.
bool run_chromium(const std::string& browser, const fs::path& dir, const std::string& flag, const fs::path& page,
                  const fs::path& out)
{
    const fs::path profile = dir / "profile";
    fs::create_directories(profile);
    const std::string cmd = "timeout 120 " + browser +
                            " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                            " --disable-background-networking --disable-component-update --disable-sync"
                            " --disable-dev-shm-usage --hide-scrollbars --user-data-dir='" + profile.string() + "' " +
                            flag + " 'file://" + page.string() + "' > '" + out.string() + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0;
}

// A script that writes, for every text of the figures in page order, the
// extent that the browser gives it along its baseline (before any turn).
constexpr const char* measure_script = R"(<script>//<![CDATA[
window.addEventListener('load', function () {
  var out = [];
  var texts = document.querySelectorAll('svg text');
  for (var i = 0; i < texts.length; ++i) {
    var b = texts[i].getBBox();
    out.push(b.x.toFixed(2) + ' ' + (b.x + b.width).toFixed(2));
  }
  var pre = document.createElementNS('http://www.w3.org/1999/xhtml', 'pre');
  pre.setAttribute('id', 'r7-measured');
  pre.textContent = '\n' + out.join('\n') + '\n';
  document.body.appendChild(pre);
});
//]]></script>
)";

struct BrowserCase {
    const char* answer;
    std::size_t figures;
    const char* site = ""; // --site: the transits seen from it as well
};

void PrintTo(const BrowserCase& c, std::ostream* os)
{
    *os << "answer " << c.answer << (*c.site ? std::string(" --site ") + c.site : "");
}

class Browser : public ::testing::TestWithParam<BrowserCase> {};

TEST_P(Browser, DrawsTheFiguresOfTheRunAndTheirTextsFitTheirBoxes)
{
    const std::string browser = chromium();
    if (browser.empty()) GTEST_SKIP() << "Chromium is not installed; the browser test is skipped";
    const BrowserCase& c = GetParam();
    test::ScratchDir dir;
    const auto r = *c.site ? test::run_shell(dir.path(), "R7 " + std::string(c.answer) + " --site " + c.site + " </dev/null", 300)
                           : test::run_program(dir.path(), std::string(c.answer) + "\n", 300);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists("out.html"));
    const std::string page = test::read_file("out.html");

    // XML parse of a copy named .xhtml, with the measuring script; a parse
    // error shows as <parsererror> (and the script does not run).
    std::string xhtml = page;
    xhtml.insert(xhtml.rfind("</body>"), measure_script);
    test::write_file("page.xhtml", xhtml);
    ASSERT_TRUE(run_chromium(browser, dir.path(), "--dump-dom", dir.path() / "page.xhtml", dir.path() / "dom.txt"));
    const std::string dom = test::read_file("dom.txt");
    ASSERT_GT(dom.size(), 1000u);
    EXPECT_EQ(dom.find("parsererror"), std::string::npos) << dom.substr(0, 2000);
    const auto figures = layout::parse_figures(page);
    EXPECT_EQ(figures.size(), c.figures);
    EXPECT_EQ(static_cast<std::size_t>(test::count(dom, "<svg")), figures.size());

    // Every text as rendered lies within its estimated extent (to a pixel: a
    // glyph may reach a little past its advance, as the second sign does past
    // the end of a text anchored there).
    const auto at = dom.find("id=\"r7-measured\">");
    ASSERT_NE(at, std::string::npos);
    std::istringstream measured(dom.substr(at + 17, dom.find("</pre>", at) - at - 17));
    std::size_t texts = 0, wider = 0;
    std::string first;
    for (const auto& f : figures) {
        for (const auto& it : f.items) {
            if (it.kind != layout::Item::text) continue;
            double x0 = 0, x1 = 0;
            ASSERT_TRUE(measured >> x0 >> x1) << "fewer texts rendered than in the markup";
            ++texts;
            if (x0 < it.along0 - 1.0 || x1 > it.along1 + 1.0) {
                if (wider++ == 0) {
                    first = it.what + ": rendered " + std::to_string(x0) + " .. " + std::to_string(x1) + ", estimated " +
                            std::to_string(it.along0) + " .. " + std::to_string(it.along1);
                }
            }
        }
    }
    EXPECT_GT(texts, figures.size() * 5);
    EXPECT_EQ(wider, 0u) << wider << " of " << texts << " texts wider than estimated, e.g. " << first;

    // The rendered page is not blank: its screenshot compresses far worse than
    // that of an empty page of the same size.
    test::write_file("blank.html", "<html><body></body></html>");
    const std::string window = "--window-size=1200,1400 --screenshot=";
    ASSERT_TRUE(run_chromium(browser, dir.path(), window + (dir.path() / "shot.png").string(), dir.path() / "out.html",
                             dir.path() / "shot.log"));
    ASSERT_TRUE(run_chromium(browser, dir.path(), window + (dir.path() / "blank.png").string(),
                             dir.path() / "blank.html", dir.path() / "blank.log"));
    const auto shot = fs::file_size("shot.png"), blank = fs::file_size("blank.png");
    EXPECT_GT(shot, 5 * blank) << "screenshot " << shot << " bytes, empty page " << blank;
    if (const char* keep = std::getenv("R7_KEEP_SCREENSHOTS")) {
        fs::copy_file("shot.png", fs::path(keep) / (std::string(c.answer) + (*c.site ? "-site" : "") + ".png"),
                      fs::copy_options::overwrite_existing);
    }
}

// The answers and the figures of their pages: transit runs one diagram per
// transit up to 60, and a chart of every transit before them when there are
// more (21: 68 transits; -804: 4429 of both planets); with a site a second
// diagram of each transit as seen from there (12 seen from Montreal).
INSTANTIATE_TEST_SUITE_P(Answers, Browser,
                         ::testing::Values(BrowserCase{"3", 1}, BrowserCase{"6", 2}, BrowserCase{"10", 2},
                                           BrowserCase{"11", 41}, BrowserCase{"12", 10}, BrowserCase{"13", 2},
                                           BrowserCase{"20", 2}, BrowserCase{"21", 61}, BrowserCase{"170", 1},
                                           BrowserCase{"391", 2}, BrowserCase{"-804", 61},
                                           BrowserCase{"12", 20, "45.5,-73.58"}),
                         [](const auto& info) {
                             const std::string a = info.param.answer;
                             return "answer_" + (a[0] == '-' ? "minus_" + a.substr(1) : a) +
                                    (*info.param.site ? "_site" : "");
                         });

} // namespace
} // namespace r7::picture
