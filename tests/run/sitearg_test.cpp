// The named observing sites of --site: their coordinates come from the
// installation data (the Great Pyramid, the reference point of the chamber
// listings; the Pyramid of the Sun, point 8 of the Teotihuacan points), and a
// data file that lacks them or holds a place beyond the ranges ends the run
// with a message naming the file and line.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ephemeris/coord.hpp"
#include "io/error.hpp"
#include "run/sitearg.hpp"
#include "run/teoti.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

std::string installed(const char* name) { return (test::install_data() / name).string(); }

TEST(NamedSites, TheGreatPyramidIsTheReferencePointOfTheChamberListings)
{
    const Observer o = resolve_site({.name = "giza"}, installed("ingiza.t"), installed("inteoti.t"));
    EXPECT_EQ(o.name, "Giza");
    // geoko at (almost) no offset from its second reference gives that point.
    const GeoPlace ref = geoko(0.001, 0.0, 2);
    EXPECT_NEAR(o.lat, ref.latdeg + ref.latmin / 60.0, 1e-6);
    EXPECT_NEAR(o.lon, ref.londeg + ref.lonmin / 60.0, 1e-6);
    EXPECT_DOUBLE_EQ(o.height, 60.4); // Khufu's base level, as the site block gives it
}

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

// A file of an older installation (without the site lines), a short one, and
// one whose place is out of range: DataError naming the file and the line.
TEST(NamedSites, AFileWithoutTheSiteLineIsNamed)
{
    test::ScratchDir dir(false);
    const auto giza_lines = test::lines_of(test::read_file(installed("ingiza.t")));
    const auto teoti_lines = test::lines_of(test::read_file(installed("inteoti.t")));
    auto join = [](const std::vector<std::string>& l, std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n && i < l.size(); ++i) s += l[i] + "\n";
        return s;
    };
    struct Case {
        const char* site;
        std::string giza, teoti;
        const char* what;
    };
    std::vector<std::string> older = giza_lines;
    older[67] = " ";
    std::vector<std::string> north = giza_lines;
    north[67] = "'Great Pyramid      '  95.0  31.1  60.4";
    std::vector<std::string> high = teoti_lines;
    high[39] = "'Pyramid of the Sun'   12000.";
    const Case cases[] = {
        {"giza", join(older, older.size()), join(teoti_lines, 40), "\"g.t\", line 68"},
        {"giza", join(giza_lines, 60), join(teoti_lines, 40), "\"g.t\", line 68"},
        {"giza", join(north, north.size()), join(teoti_lines, 40), "latitude 95 is outside -90 to 90 degrees"},
        {"teotihuacan", join(giza_lines, 70), join(teoti_lines, 37), "\"t.t\", line 40"},
        {"teotihuacan", join(giza_lines, 70), join(high, high.size()), "height 12000 is outside -500 to 10000 m"},
    };
    for (const Case& c : cases) {
        test::write_file("g.t", c.giza);
        test::write_file("t.t", c.teoti);
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
