#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "dialog_support.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::count;
using test::describe;
using test::run_dialog;

const std::string incorrect = "\n  ---->  incorrect input.\n\n";
const std::string too_large_10 = "\n  ---->  number too large (max. 10.00).\n\n";
const std::string too_large_99 = "\n  ---->  number too large (max. 99.99).\n\n";
const std::string until = "     until year (real): ";
std::string range(const std::string& text) { return "\n  ---->  incorrect input. " + text + "\n\n"; }

// Answers up to "from year": Giza, short series, aphelion, Sun south of Mykerinos,
// ecliptic coordinates, a range of years; then with Kepler orbits.
const std::string giza_short_2d = "0\n1\n2\n2\n1\n1\n1\n15\n";
const std::string giza_kepler_2d = "0\n1\n3\n1\n2\n1\n1\n15\n";

// The studies that no installed record set takes (those sets are replayed by the
// installed-sets test): the values they set; cut after any answer, the dialog ends.
TEST(Dialog, ScriptsThroughStudiesNoInstalledSetTakes)
{
    test::ScratchDir dir;
    const std::pair<std::string, std::string> scripts[] = {
        // chambers: full series over the perihelion area; Kepler orbits
        {"0\n2\n4\n1\n2\n3\n4\n36\n1.5\n3\n2\n15\n3000\n3010\n5\n10\n3\n2\n", "planet_order=3 steps_per_passage=36"},
        {"0\n2\n3\n1\n1\n2\n7\n1\n1\n", "view=2 planet_order=0"},
        // Teotihuacan: a custom base
        {"0\n4\n1\n-1000\n1000\n100\n2\n2\n4\n2.5\n1\n2\n", "tol_short=2.5"},
    };
    for (const auto& [input, values] : scripts) {
        SCOPED_TRACE(input);
        const auto full = run_dialog(input);
        ASSERT_FALSE(full.ended);
        ASSERT_TRUE(full.consumed);
        EXPECT_EQ(full.out.find("incorrect"), std::string::npos);
        std::istringstream want(values);
        for (std::string v; want >> v;) EXPECT_NE(describe(full.p).find(" " + v + " "), std::string::npos) << v;
        test::expect_ends_at_every_question(input);
    }
}

// Invalid answers: each is refused with its message and its question repeated.
TEST(Dialog, InvalidAnswersAndTheirMessages)
{
    const struct {
        std::string input, text;
        int times;
    } cases[] = {
        {"23\n2.5\n/\n", incorrect, 3},                                   // menu: 23, a real, a slash
        {"0\n1.0\n/\n,\n5\n0\n1\n", incorrect, 5},                        // main option: a real, empty, codes
        {"0\n1\n2\n2\n1\n1\n1\n-1\n16\n-15\n12\n1\n1\n", incorrect, 3},   // constellations 0 to 15
        {"0\n1\n1\n1\n2\n3\n4\n", incorrect, 2},                          // no area passage in the combination
        {giza_short_2d + "2000\n2100\n2\n1\n1\n3\n4\n", incorrect, 1},    // "special" only with the fit
        {"0\n2\n4\n1\n2\n1\n3\n0\n200001\n36\n0\n10000\n9999.9994\n1\n", incorrect, 5}, // SLE/FITEX, steps, width
        {"0\n3\n4\n2\n1\n2900\n3200\n-1\n", incorrect, 1},                // negative step width
        {"0\n1\n2\n2\n1\n1\n1\n0\n2451545\n3\n", incorrect, 1},           // one JDE: north or south only
        // Teotihuacan: a later "until" year, the step bounded by the span, the base
        {"0\n4\n3\n-25000\n-26000\n15000\n0\n40001\n40000\n2\n2\n2\n4\n1\n1000.5\n1000\n1\n2\n", incorrect, 6},
        {"0\n4\n3\n-25000\n-26000\n15000\n", "     until the year      (real): ", 2},
        // Teotihuacan: only years with closed Kepler orbits; at most 100000 epochs
        {"0\n4\n1\n-29000\n17177\n2000\n2000\n", range(" (-28 987. <= year <= 17 176.)      "), 2},
        {"0\n4\n1\n2000\n2001\n1e-300\n1e-5\n0.5\n1\n1\n1\n1\n", incorrect, 2},
        // a conjunction scan of more than 1e8 steps
        {"0\n3\n3\n2\n1\n-13000\n17000\n0.001\n1\n24\n", incorrect, 2},
        // scan steps that their record would keep as 0.00000; 0.00001 h over a
        // year is within the bound, since the scan steps at least 1e-4 days
        {"0\n3\n3\n2\n1\n2000\n2001\n0.000004\n1e-300\n0.00001\n3\n1\n", incorrect, 2},
        // equal and earlier years (one question for Giza, the chambers and the transits)
        {giza_short_2d + "2000\n2000\n1999\n2001\n", until, 3},
        // time ranges of years, k-numbers and JDE, VSOP87 and Kepler orbits
        {giza_short_2d + "17000.1\n", range(" (-13 000. <= year <= 17 000.)      "), 1},
        {giza_kepler_2d + "-30000.1\n", range(" (-30 000. <= year <= 30 000.)      "), 1},
        {"0\n1\n4\n1\n2\n1\n3\n3\n1\n15\n63000.01\n", range(" (-63 000. <=  k  <=  63 000.)      "), 1},
        {"0\n1\n2\n2\n1\n1\n1\n0\n7940000.2\n", range(" (-3 030 000. <= JDE <= 7 940 000.) "), 1},
        {"0\n1\n3\n1\n2\n1\n1\n0\n-9240000.2\n", range(" (-9 240 000. <= JDE <= 12 680 000.)"), 1},
        // tolerances: 10 with VSOP87, 99.99 with Kepler orbits and for F; the
        // combination keeps the limit 10 for its second tolerance
        {giza_short_2d + "2000\n2100\n10.01\n0\n-1\nx\n10\n", too_large_10, 1},
        {giza_short_2d + "2000\n2100\n10.01\n0\n-1\nx\n10\n", incorrect, 3},
        {giza_kepler_2d + "2000\n2100\n100\n", too_large_99, 1},
        {"0\n1\n2\n2\n1\n3\n3\n1\n15\n2000\n2100\n100\n99.99\n", too_large_99, 1},
        {"0\n1\n1\n1\n2\n1\n1\n1\n2000\n2100\n10.5\n2\n10.5\n1\n3\n1\n1\n", too_large_10, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(count(run_dialog(c.input).out, c.text), c.times) << c.input;
    EXPECT_EQ(range_text(2, 3), " (-133 000. <=  k  <=  117 000.)    ");
}

} // namespace
} // namespace r7
