#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ephemeris/ephemerides.hpp"
#include "io/units.hpp"
#include "run/conjunctions.hpp"
#include "ephemeris/coord.hpp"
#include "run/run.hpp"
#include "run/runutil.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

class Conj : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<test::ScratchDir>();
        eph_ = std::make_unique<Ephemerides>(
            load_ephemerides(EphemerisNeeds{.short_series = true, .kepler = true, .kvers = 3}));
    }
    static void TearDownTestSuite() { dir_.reset(); }

    // The parameters of a transit or syzygy run as the dialog leaves them (minimum
    // search, short series).
    static RunParams params(int conj, int date_mode, double from, double to, double tol = 0.0)
    {
        return RunParams{.main_option = 3, .conj_choice = conj, .ephem_choice = 1, .output_detail = 1,
                         .frame_choice = 1, .vsop_variant = 3, .table_switch = 1, .date_mode = date_mode,
                         .time_scale = 1, .calendar_choice = 2, .passage = 1, .step_width = 24.0, .sun_mode = 5,
                         .constellation = 15, .year_from = from, .year_to = to, .tol_short = tol,
                         .conj_filter = 1, .view = 1, .output_choice = 1};
    }

    // Runs the scan with the terminal captured and returns the terminal text.
    static std::string run(RunParams& p, RunState& s)
    {
        std::ostringstream term;
        io::units().set_terminal(&term);
        TransitSeries series;
        s.counters.fill(0);
        s.tol_entered = p.tol_short;
        convert_interval(p, s);
        results::Run recorded;
        conjunction_run(p, s, *eph_, series, nullptr, recorded);
        io::units().set_terminal(nullptr);
        return term.str();
    }

    static std::unique_ptr<test::ScratchDir> dir_;
    static std::unique_ptr<Ephemerides> eph_;
};
std::unique_ptr<test::ScratchDir> Conj::dir_;
std::unique_ptr<Ephemerides> Conj::eph_;

// A row of a transit table with date_mode 3 or 4 (5-digit years): type, day,
// month, year.
struct Row {
    std::string line;
    char type = ' ';
    int day = 0;
    std::string month;
    int year = 0;
};

std::vector<Row> phase_rows(const std::string& text)
{
    std::vector<Row> rows;
    for (const auto& l : test::lines_of(text)) {
        if (l.size() < 40 || l[7] != '.' || l.find(':') == std::string::npos || l.find("date") != std::string::npos) {
            continue;
        }
        rows.push_back({l, l[3], std::stoi(l.substr(4, 3)), l.substr(8, 5), std::stoi(l.substr(13, 6))});
    }
    return rows;
}

const Row* find(const std::vector<Row>& rows, int year, std::string_view month, int day)
{
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& r) {
        return r.year == year && r.month.substr(1, 3) == month && r.day == day;
    });
    return it == rows.end() ? nullptr : &*it;
}

// ---------------------------------------------------------------------------
// Published transits.

TEST_F(Conj, MercuryTransitsOfTheTwentiethAndTwentyFirstCenturies)
{
    auto p = params(1, 3, 1901.0, 2100.0);
    RunState s;
    const auto rows = phase_rows(run(p, s));
    ASSERT_EQ(rows.size(), 28u);
    EXPECT_EQ(s.counters[3], 28);
    int first_century = 0;
    for (const auto& r : rows) {
        EXPECT_TRUE(r.month == " May " || r.month == " Nov.") << r.line;
        first_century += r.year <= 2000;
    }
    EXPECT_EQ(first_century, 14);
    for (auto [y, m, d] : {std::tuple{1999, "Nov", 15}, {2003, "May", 7}, {2006, "Nov", 8}, {2016, "May", 9},
                           {2019, "Nov", 11}, {2032, "Nov", 13}, {2039, "Nov", 7}, {2049, "May", 7}}) {
        EXPECT_TRUE(find(rows, y, m, d)) << y;
    }
    // 1999 was grazing: not inside the disk for every observer.
    const Row* grazing = find(rows, 1999, "Nov", 15);
    EXPECT_TRUE(grazing && grazing->type == 'm');
}

TEST_F(Conj, VenusTransitsOfSixCenturies)
{
    auto p = params(2, 4, 1600.0, 2200.0);
    RunState s;
    const auto rows = phase_rows(run(p, s));
    ASSERT_EQ(rows.size(), 10u);
    for (auto [y, m, d] : {std::tuple{1631, "Dec", 7}, {1639, "Dec", 4}, {1761, "Jun", 6}, {1769, "Jun", 3},
                           {1874, "Dec", 9}, {1882, "Dec", 6}, {2004, "Jun", 8}, {2012, "Jun", 6},
                           {2117, "Dec", 11}, {2125, "Dec", 8}}) {
        EXPECT_TRUE(find(rows, y, m, d)) << y;
    }
}

// ---------------------------------------------------------------------------
// Nothing is skipped: the scan against an independent fine scan.

// Largest longitude difference among Mercury, Venus and Earth at jde; the
// differences in one pair alone for a pair of VSOP87 series numbers.
double spread(const ShortSeries& sh, double jde, std::vector<int> series = {1, 4, 7})
{
    std::vector<double> l(series.size());
    for (std::size_t i = 0; i < series.size(); ++i) l[i] = vsop1(sh, series[i], (jde - 2451545.0) / 365250.0);
    double d = 0.0;
    for (std::size_t i = 0; i < l.size(); ++i) {
        for (std::size_t j = i + 1; j < l.size(); ++j) {
            double x = l[i] - l[j];
            reduz(x, 0, 0);
            d = std::max(d, std::abs(x));
        }
    }
    return d;
}

// A window of the fine scan: first and last instant below the limit, least spread.
struct Window {
    double first, last, least;
};

// Windows in which the spread stays below limit, by steps of 0.02 day through
// every day in which Venus and Earth alone come near the limit.
std::vector<Window> syzygy_windows(const ShortSeries& sh, double jde0, double jde1, double limit)
{
    std::vector<Window> w;
    bool inside = false;
    for (double t = jde0; t <= jde1; t += 1.0) {
        if (!inside && spread(sh, t, {4, 7}) > limit + 1.0) continue;
        for (double u = t; u < t + 1.0; u += 0.02) {
            const double m = spread(sh, u);
            inside = m < limit;
            if (!inside) continue;
            if (w.empty() || u > w.back().last + 0.03) w.push_back({u, u, m});
            w.back().last = u;
            w.back().least = std::min(w.back().least, m);
        }
    }
    return w;
}

// Nothing is skipped: every window in which the spread drops clearly below the
// range holds exactly one of the scan's syzygies, and every syzygy lies in a
// window of the range.
TEST_F(Conj, ThreePlanetSyzygiesNoneSkippedOverThreeCenturies)
{
    auto p = params(3, 1, 2900.0, 3200.0, 3.0);
    RunState s;
    std::vector<double> scan;
    for (const auto& l : test::lines_of(run(p, s))) {
        if (l.size() >= 40 && l.find("syzygy") == std::string::npos) scan.push_back(std::stod(l.substr(13, 15)));
    }
    EXPECT_EQ(static_cast<int>(scan.size()), s.counters[3]);
    const auto wide = syzygy_windows(eph_->short_series(), s.jde_from, s.jde_to, 3.01);
    int sure = 0;
    for (const auto& w : wide) {
        if (w.least >= 2.95) continue;
        ++sure;
        const auto in = [&](double x) { return x > w.first - 0.5 && x < w.last + 0.5; };
        EXPECT_EQ(std::count_if(scan.begin(), scan.end(), in), 1)
            << "window " << std::to_string(w.first) << " .. " << std::to_string(w.last);
    }
    EXPECT_GT(sure, 0);
    for (double x : scan) {
        const auto in = [x](const Window& w) { return x > w.first - 0.03 && x < w.last + 0.05; };
        EXPECT_TRUE(std::any_of(wide.begin(), wide.end(), in)) << "syzygy at " << std::to_string(x) << " outside";
    }
}

} // namespace
} // namespace r7
