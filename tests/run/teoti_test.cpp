// The Teotihuacan run: the printed fits against a least-squares computation of
// the printed table, the year 2000 against the elements of J2000.0, bad bases
// and impossible points.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "io/error.hpp"
#include "run/teoti.hpp"
#include "state/constants.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::lines_of;

// A Teotihuacan run of the year 2000 (extended output); the report's lines.
class TeotiRun : public ::testing::Test {
protected:
    std::vector<std::string> run()
    {
        test::Terminal term;
        results::Run recorded;
        teoti_run(p, site, test::ephemerides().kepler(), recorded);
        return lines_of(term.text());
    }

    test::ScratchDir dir;
    RunParams p{.main_option = 4, .conj_choice = 2, .output_detail = 2, .frame_choice = 1, .date_mode = 1, .time_scale = 1,
                .calendar_choice = 1, .year_from = 2000.0, .year_to = 2000.0, .menu_choice = 16};
    TeotiSite site = load_teoti("inteoti.t");
};

std::vector<double> numbers_after(const std::string& s, std::size_t from)
{
    std::istringstream in(s.substr(from));
    std::vector<double> v;
    for (double x; in >> x;) v.push_back(x);
    return v;
}

// One printed epoch: the nine body rows (distance, three logs), u, v, R^2 and adjusted R^2.
struct Epoch {
    std::vector<std::array<double, 4>> rows;
    std::vector<double> u, v, r2, adj;
};

std::vector<Epoch> parse_epochs(const std::vector<std::string>& lines)
{
    std::vector<Epoch> out(1);
    for (const auto& l : lines) {
        Epoch& e = out.back();
        for (int b = 0; b < 9 && l.size() > 20; ++b) {
            if (l.substr(4, 10) == plan(b) && l.find('.') != std::string::npos &&
                l.find("GPS") == std::string::npos) {
                const auto v = numbers_after(l, 14);
                if (v.size() == 4) e.rows.push_back({v[0], v[1], v[2], v[3]});
            }
        }
        if (l.find("linear fit") != std::string::npos) e.u = numbers_after(l, l.find("u:") + 2);
        if (l.rfind(std::string(34, ' ') + "v:", 0) == 0) e.v = numbers_after(l, 36);
        if (l.find("Julian year:") != std::string::npos) e.r2 = numbers_after(l, l.find("R^2:") + 4);
        if (l.find("adj. R^2:") != std::string::npos) {
            e.adj = numbers_after(l, l.find("R^2:") + 4);
            out.emplace_back();
        }
    }
    out.pop_back();
    return out;
}

TEST_F(TeotiRun, PrintedYearIsTheEpochOfTheOrbits)
{
    // Venus at J2000.0: a = 0.723329820 AU, e = 0.00677188 (Meeus, table 31.A) from the printed logarithms.
    const auto ep = parse_epochs(run());
    ASSERT_EQ(ep.size(), 1u);
    const auto& venus = ep[0].rows[2];
    EXPECT_NEAR(venus[2], std::log10(0.723329820 * 149597870.7), 1e-4);
    EXPECT_NEAR(std::pow(10.0, venus[3] - venus[2]) - 1.0, 0.00677188, 3e-4);
}

TEST_F(TeotiRun, BasesNotAboveOneStopTheRun)
{
    for (auto [choice, custom] : {std::pair{2, 0.0}, {4, 1.0}, {4, -3.0}}) {
        p.calendar_choice = choice;
        p.tol_short = custom;
        EXPECT_THROW(run(), RunStop) << "choice " << choice << " base " << custom;
    }
}

// The printed line parameters and R^2 by ordinary least squares from the printed table.
TEST_F(TeotiRun, PrintedFitsAgreeWithTheTable)
{
    for (int conj : {1, 3}) {
        for (int luna : {1, 2}) {
            p.conj_choice = conj;
            p.date_mode = luna;
            p.year_from = -3000.0;
            p.year_to = 3000.0;
            p.step_width = 3000.0;
            const auto ep = parse_epochs(run());
            ASSERT_EQ(ep.size(), 3u);
            for (const auto& e : ep) {
                ASSERT_EQ(e.rows.size(), 9u);
                ASSERT_EQ(e.u.size(), 3u);
                for (int c = 1; c <= 3; ++c) {
                    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
                    for (const auto& r : e.rows) {
                        sx += r[0], sy += r[c], sxx += r[0] * r[0], sxy += r[0] * r[c], syy += r[c] * r[c];
                    }
                    const double n = 9;
                    const double u = (n * sxy - sx * sy) / (n * sxx - sx * sx);
                    const double v = (sy - u * sx) / n;
                    const double r = (n * sxy - sx * sy) / std::sqrt((n * sxx - sx * sx) * (n * syy - sy * sy));
                    EXPECT_NEAR(e.u[c - 1], u, std::fabs(u) * 1e-4 + 1e-8) << conj << luna << " column " << c;
                    EXPECT_NEAR(e.v[c - 1], v, 1e-3);
                    EXPECT_NEAR(e.r2[c - 1], r * r, 1e-4);
                    EXPECT_NEAR(e.adj[c - 1], 1 - (1 - r * r) * 8 / 7, 1e-4);
                }
            }
        }
    }
}

// A latitude beyond the pole is refused with its line, a zero "luna" unit stops the run.
TEST_F(TeotiRun, ImpossiblePointsNameTheFile)
{
    p.date_mode = 2;
    // Line n replaced: a latitude beyond the pole, a zero "luna" unit.
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
