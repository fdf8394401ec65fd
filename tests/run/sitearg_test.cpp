// The named observing sites of --site from the installation data (Giza's place is
// checked end to end in tests/e2e/command_line_test), and the message naming file
// and line when a data file lacks them or is out of range.
#include <gtest/gtest.h>

#include <string>

#include "io/error.hpp"
#include "run/sitearg.hpp"
#include "run/teoti.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

std::string installed(const char* name) { return (test::install_data() / name).string(); }

TEST(NamedSites, TheSunPyramidIsPointEightOfTeotihuacan)
{
    const TeotiSite site = load_teoti(installed("inteoti.t"));
    const Observer o = resolve_site({.name = "teotihuacan"}, installed("ingiza.t"), installed("inteoti.t"));
    EXPECT_EQ(o.name, "Teotihuacan");
    const TeotiPoint& sun_pyramid = site.points[7]; // point 8
    EXPECT_EQ(sun_pyramid.name.substr(0, 18), "Pyramid of the Sun");
    EXPECT_DOUBLE_EQ(o.lat, sun_pyramid.lat);
    EXPECT_DOUBLE_EQ(o.lon, sun_pyramid.lon);
    EXPECT_DOUBLE_EQ(o.height, 2300.0);
}

TEST(NamedSites, AFileWithoutTheSiteLineIsNamed)
{
    test::ScratchDir dir(false);
    // Line n of the site file (g.t) or of the Teotihuacan file (t.t) replaced
    // by text, or the file cut before line n (text null).
    struct Case {
        const char* site;
        const char* file;
        int n;
        const char* text;
        const char* what;
    };
    const Case cases[] = {
        {"giza", "g.t", 61, nullptr, "\"g.t\", line 68"},
        {"giza", "g.t", 68, "'Great Pyramid      '  95.0  31.1  60.4", "latitude 95 is outside -90 to 90 degrees"},
        {"teotihuacan", "t.t", 38, nullptr, "\"t.t\", line 40"},
        {"teotihuacan", "t.t", 40, "'Pyramid of the Sun'   12000.", "height 12000 is outside -500 to 10000 m"},
    };
    for (const Case& c : cases) {
        test::write_file("g.t", test::read_file(installed("ingiza.t")));
        test::write_file("t.t", test::read_file(installed("inteoti.t")));
        auto lines = test::lines_of(test::read_file(c.file));
        if (c.text) lines.at(static_cast<std::size_t>(c.n - 1)) = c.text;
        else lines.resize(static_cast<std::size_t>(c.n - 1));
        test::write_file(c.file, test::joined(lines));
        try {
            resolve_site({.name = c.site}, "g.t", "t.t");
            ADD_FAILURE() << c.what << ": no error";
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("--site " + std::string(c.site)), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace r7
