// The Teotihuacan run: the year 2000 against the elements of J2000.0, bad bases
// and impossible points (the line fits: rcoef2 in tests/fit, the reports).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "io/error.hpp"
#include "run/teoti.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

// A Teotihuacan run of the year 2000 (extended output); the epochs it records
// (their printing is pinned by the expected reports and out.csv).
class TeotiRun : public ::testing::Test {
protected:
    std::vector<results::TeotiEpoch> run()
    {
        test::Terminal quiet;
        results::Run recorded;
        teoti_run(p, site, test::ephemerides().kepler(), recorded);
        return recorded.teoti;
    }

    test::ScratchDir dir;
    RunParams p{.main_option = 4, .conj_choice = 2, .output_detail = 2, .frame_choice = 1, .date_mode = 1, .time_scale = 1,
                .calendar_choice = 1, .year_from = 2000.0, .year_to = 2000.0, .menu_choice = 16};
    TeotiSite site = load_teoti("inteoti.t");
};

TEST_F(TeotiRun, YearIsTheEpochOfTheOrbits)
{
    // Venus at J2000.0: a = 0.723329820 AU, e = 0.00677188 (Meeus, table 31.A) from the logarithms of a and a (1 + e).
    const auto ep = run();
    ASSERT_EQ(ep.size(), 1u);
    EXPECT_NEAR(ep[0].y[1][2], std::log10(0.723329820 * 149597870.7), 1e-6);
    EXPECT_NEAR(std::pow(10.0, ep[0].y[2][2] - ep[0].y[1][2]) - 1.0, 0.00677188, 3e-4);
}

TEST_F(TeotiRun, BasesNotAboveOneStopTheRun)
{
    for (auto [choice, custom] : {std::pair{2, 0.0}, {4, 1.0}, {4, -3.0}}) {
        p.calendar_choice = choice;
        p.tol_short = custom;
        EXPECT_THROW(run(), RunStop) << "choice " << choice << " base " << custom;
    }
}

// A latitude beyond the pole is refused with its line, a zero "luna" unit stops the run.
TEST_F(TeotiRun, ImpossiblePointsNameTheFile)
{
    p.date_mode = 2;
    for (const auto& [n, replacement] : {std::pair{22, "'Mercury marker' ' ' ' ' 95. -98.84 94. 9.4"},
                                         {21, "'Plaza de la Luna' ' ' ' ' 19.699175 -98.843042 0. 0."}}) {
        const std::string name = "bad" + std::to_string(n) + ".t";
        std::filesystem::copy_file("inteoti.t", name);
        test::replace_line(name, n, replacement);
        try {
            site = load_teoti(name);
            EXPECT_EQ(n, 21) << "line " << n << " accepted";
            run();
            ADD_FAILURE() << "zero unit accepted";
        } catch (const DataError& e) {
            EXPECT_EQ(e.file(), name);
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
            EXPECT_EQ(e.line(), n) << e.what();
        }
    }
}

} // namespace
} // namespace r7
