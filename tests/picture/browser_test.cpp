// The report page in a real browser: headless Chromium parses the page as XML
// (so page and figures are well-formed), lists the drawn SVG elements with
// their sizes, and renders the page to a PNG whose pixels must not be blank.
// Skipped where Chromium is not installed (test.sh installs it when it can).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#ifdef R7_HAVE_ZLIB
#include <zlib.h>
#endif

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

#ifdef R7_HAVE_ZLIB
// The share of pixels of an 8-bit RGB or RGBA PNG that are not near white;
// negative when the file is not such a PNG.
double inked_share(const std::string& png)
{
    auto be32 = [&](std::size_t at) {
        return (static_cast<std::uint32_t>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 3]));
    };
    if (png.size() < 33 || png.compare(1, 3, "PNG") != 0) return -1.0;
    std::uint32_t width = 0, height = 0;
    int channels = 0;
    std::string idat;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::uint32_t len = be32(at);
        const std::string type = png.substr(at + 4, 4);
        if (at + 12 + len > png.size()) return -1.0;
        if (type == "IHDR") {
            width = be32(at + 8);
            height = be32(at + 12);
            const int depth = png[at + 16], color = png[at + 17], interlace = png[at + 20];
            if (depth != 8 || interlace != 0 || (color != 2 && color != 6)) return -1.0;
            channels = color == 2 ? 3 : 4;
        } else if (type == "IDAT") {
            idat += png.substr(at + 8, len);
        }
        at += 12 + len;
    }
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    std::vector<unsigned char> raw((stride + 1) * height);
    uLongf raw_len = raw.size();
    if (channels == 0 || uncompress(raw.data(), &raw_len, reinterpret_cast<const Bytef*>(idat.data()), idat.size()) != Z_OK ||
        raw_len != raw.size()) {
        return -1.0;
    }
    // Undo the row filters.
    std::vector<unsigned char> prev(stride, 0), row(stride);
    std::size_t inked = 0;
    const auto bpp = static_cast<std::size_t>(channels);
    for (std::uint32_t y = 0; y < height; ++y) {
        const unsigned char* in = &raw[y * (stride + 1)];
        const int filter = in[0];
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
            int pred = 0;
            switch (filter) {
            case 1: pred = a; break;
            case 2: pred = b; break;
            case 3: pred = (a + b) / 2; break;
            case 4: {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
                break;
            }
            default: break;
            }
            row[i] = static_cast<unsigned char>(in[1 + i] + pred);
        }
        for (std::size_t x = 0; x < width; ++x) {
            const unsigned char* px = &row[x * bpp];
            if (px[0] < 235 || px[1] < 235 || px[2] < 235) ++inked;
        }
        prev = row;
    }
    return static_cast<double>(inked) / (static_cast<double>(width) * height);
}
#endif

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

    // The rendered page is not blank: figures ink a good part of the first screen.
    ASSERT_TRUE(run_chromium(browser, dir.path(), "--window-size=1200,1400 --screenshot=" + (dir.path() / "shot.png").string(),
                             dir.path() / "out.html", dir.path() / "shot.log"));
    const std::string png = test::read_file("shot.png");
    ASSERT_GT(png.size(), 1000u);
#ifdef R7_HAVE_ZLIB
    const double share = inked_share(png);
    EXPECT_GT(share, 0.03) << "share of non-white pixels";
    if (const char* keep = std::getenv("R7_KEEP_SCREENSHOTS")) {
        fs::copy_file("shot.png", fs::path(keep) / (std::string(c.answer) + ".png"), fs::copy_options::overwrite_existing);
    }
#endif
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
