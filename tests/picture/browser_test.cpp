// The report page in a real browser: headless Chromium parses the page as XML
// (so page and figures are well-formed), lists the drawn SVG elements with
// their sizes, and renders the page to a screenshot that must not be blank.
// Skipped where Chromium is not installed (test.sh installs it when it can).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "picture/sitefig.hpp"
#include "picture/studyfig.hpp"
#include "picture/transitfig.hpp"
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

struct BrowserCase {
    const char* answer;
    // Sizes "WxH" of the figures and how many of each; -1: as many transit
    // diagrams as the report counts (at most 60).
    std::map<std::string, int> figures;
};

class Browser : public ::testing::TestWithParam<BrowserCase> {};

TEST_P(Browser, DrawsTheFiguresOfTheRun)
{
    const std::string browser = chromium();
    if (browser.empty()) GTEST_SKIP() << "Chromium is not installed; the browser test is skipped";
    const BrowserCase& c = GetParam();
    test::ScratchDir dir;
    const auto r = test::run_program(dir.path(), std::string(c.answer) + "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists("out.html"));

    // XML parse: a copy named .xhtml; a parse error shows as <parsererror>.
    fs::copy_file("out.html", "page.xhtml");
    ASSERT_TRUE(run_chromium(browser, dir.path(), "--dump-dom", dir.path() / "page.xhtml", dir.path() / "dom.txt"));
    const std::string dom = test::read_file("dom.txt");
    ASSERT_GT(dom.size(), 1000u);
    EXPECT_EQ(dom.find("parsererror"), std::string::npos) << dom.substr(0, 2000);

    // The drawn SVG elements and their sizes.
    std::map<std::string, int> found;
    // Each <svg ...> tag with its width and height attributes (the page writes
    // them in this order).
    auto attribute = [](const std::string& tag, const std::string& name) {
        const std::string key = " " + name + "=\"";
        const auto a = tag.find(key);
        if (a == std::string::npos) return std::string();
        const auto b = tag.find('"', a + key.size());
        return tag.substr(a + key.size(), b - a - key.size());
    };
    for (auto at = dom.find("<svg"); at != std::string::npos; at = dom.find("<svg", at + 4)) {
        const std::string tag = dom.substr(at, dom.find('>', at) - at);
        const std::string w = attribute(tag, "width"), h = attribute(tag, "height");
        if (!w.empty() && !h.empty()) ++found[w + "x" + h];
    }
    std::map<std::string, int> expected = c.figures;
    for (auto& [size, n] : expected) {
        if (n >= 0) continue;
        const std::string report = test::read_file("out.txt");
        const std::string key = "Detected transits";
        const auto at = report.find(key);
        ASSERT_NE(at, std::string::npos);
        const auto colon = report.find(':', at);
        n = std::min(std::stoi(report.substr(colon + 1)), 60);
    }
    EXPECT_EQ(found, expected);

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
        fs::copy_file("shot.png", fs::path(keep) / (std::string(c.answer) + ".png"), fs::copy_options::overwrite_existing);
    }
}

std::string size(double w, double h) { return num(w) + "x" + num(h); }

INSTANTIATE_TEST_SUITE_P(Answers, Browser,
                         ::testing::Values(BrowserCase{"3", {{size(site_width, site_height), 1}}},
                                           BrowserCase{"11", {{size(transit_width, transit_height), -1}}},
                                           BrowserCase{"12", {{size(transit_width, transit_height), -1}}},
                                           BrowserCase{"13", {{size(plan_size, plan_size + 40.0), 1}, {"900x320", 1}}},
                                           BrowserCase{"20", {{"900x340", 1}, {"900x420", 1}}}),
                         [](const auto& info) { return std::string("answer_") + info.param.answer; });

} // namespace
} // namespace r7::picture
