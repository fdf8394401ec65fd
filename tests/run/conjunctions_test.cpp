#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/kepler.hpp"
#include "ephemeris/short.hpp"
#include "io/units.hpp"
#include "run/conjunctions.hpp"
#include "run/run.hpp"
#include "run/runutil.hpp"
#include "state/store.hpp"
#include "test_support.hpp"
#include "time/time.hpp"
#include "transit/transit.hpp"

namespace r7 {
namespace {

constexpr double rad = 57.29577951308232;

class Conj : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<test::ScratchDir>();
        vsop1load();
        load_kepler();
        kload_.fill(1);
    }
    static void TearDownTestSuite() { dir_.reset(); }

    // The parameters of a transit or syzygy run as the dialog leaves them (minimum
    // search, short series, step width already in days).
    static RunParams params(int conj, int date_mode, double from, double to, double tol = 0.0)
    {
        RunParams p;
        p.main_option = 3;
        p.conj_choice = conj;
        p.ephem_choice = 1;
        p.frame_choice = 1;
        p.vsop_variant = 3;
        p.table_switch = 1;
        p.date_mode = date_mode;
        p.time_scale = 1;
        p.calendar_choice = 2;
        p.passage = 1;
        p.step_width = 1.0;
        p.sun_mode = 5;
        p.constellation = 15;
        p.year_from = from;
        p.year_to = to;
        p.tol_short = tol;
        p.conj_filter = 1;
        p.view = 1;
        p.output_detail = 1;
        p.output_choice = 1;
        return p;
    }

    // Runs the scan with the terminal captured (and "out.txt" when to_file) and
    // returns the terminal text.
    static std::string run(RunParams& p, RunState& s, bool to_file = false)
    {
        std::ostringstream term;
        auto& u = io::units();
        u.set_terminal(&term);
        if (to_file) u.open_file("out.txt");
        reset_series_state();
        if (p.conj_choice == 1) {
            base.il(1) = 1, base.il(2) = 3, base.il(3) = 2;
        } else if (p.conj_choice == 2) {
            base.il(1) = 2, base.il(2) = 3, base.il(3) = 1;
        } else {
            base.il(1) = 1, base.il(2) = 4, base.il(3) = 1;
        }
        s.counters.fill(0);
        s.tol_entered = p.tol_short;
        convert_interval(p, s);
        conjunction_run(p, s, kload_);
        if (to_file) u.close_file();
        u.set_terminal(nullptr);
        return term.str();
    }

    static std::unique_ptr<test::ScratchDir> dir_;
    static LoadState kload_;
};
std::unique_ptr<test::ScratchDir> Conj::dir_;
LoadState Conj::kload_{};

// A row of a phase table: day, month, year and the fields that follow.
struct Row {
    std::string line;
    char type = ' ';
    int day = 0;
    std::string month;
    int year = 0;
    int series = 0;
};

// Rows of a transit table with date_mode 3 or 4 (5-digit years).
std::vector<Row> phase_rows(const std::string& text)
{
    std::vector<Row> rows;
    for (const auto& l : test::lines_of(text)) {
        if (l.size() < 40 || l[7] != '.' || l.find(':') == std::string::npos) continue;
        if (l.find("date") != std::string::npos) continue;
        Row r;
        r.line = l;
        r.type = l[3];
        r.day = std::stoi(l.substr(4, 3));
        r.month = l.substr(8, 5);
        r.year = std::stoi(l.substr(13, 6));
        r.series = std::stoi(l.substr(l.size() - 3));
        rows.push_back(r);
    }
    return rows;
}

bool has(const std::vector<Row>& rows, int year, std::string_view month, int day)
{
    return std::any_of(rows.begin(), rows.end(), [&](const Row& r) {
        return r.year == year && r.month.substr(1, 3) == month.substr(0, 3) && r.day == day;
    });
}

const Row& find(const std::vector<Row>& rows, int year)
{
    for (const auto& r : rows) {
        if (r.year == year) return r;
    }
    ADD_FAILURE() << "no row for " << year;
    return rows.front();
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
        if (r.year <= 2000) ++first_century;
    }
    EXPECT_EQ(first_century, 14);
    EXPECT_TRUE(has(rows, 1999, "Nov", 15));
    EXPECT_TRUE(has(rows, 2003, "May", 7));
    EXPECT_TRUE(has(rows, 2006, "Nov", 8));
    EXPECT_TRUE(has(rows, 2016, "May", 9));
    EXPECT_TRUE(has(rows, 2019, "Nov", 11));
    EXPECT_TRUE(has(rows, 2032, "Nov", 13));
    EXPECT_TRUE(has(rows, 2039, "Nov", 7));
    EXPECT_TRUE(has(rows, 2049, "May", 7));
    // 1999 was grazing: not inside the disk for every observer; 1937 missed the
    // Earth's centre and shows only the greatest transit.
    EXPECT_EQ(find(rows, 1999).type, 'm');
    EXPECT_EQ(find(rows, 1937).type, 'm');
    EXPECT_NE(find(rows, 1937).line.find("   --   "), std::string::npos);
    EXPECT_EQ(s.counters[4], 2); // grazing ones, counted by the transit routine
    // Transits 46 years apart belong to one series.
    EXPECT_EQ(find(rows, 2003).series, find(rows, 2049).series);
    EXPECT_EQ(find(rows, 1953).series, find(rows, 1999).series);
    EXPECT_EQ(find(rows, 1993).series, find(rows, 2039).series);
    EXPECT_NE(find(rows, 2003).series, find(rows, 2006).series);
    // One scan step per inferior conjunction (about 630 in 199 years).
    EXPECT_NEAR(s.counters[1], 199 * 365.25 / 115.88, 3);
}

TEST_F(Conj, VenusTransitsWithPositionAnglesFillTheWideTable)
{
    auto p = params(2, 4, 1600.0, 2200.0);
    RunState s;
    const std::string out = run(p, s);
    const auto rows = phase_rows(out);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_TRUE(has(rows, 1631, "Dec", 7));
    EXPECT_TRUE(has(rows, 1639, "Dec", 4));
    EXPECT_TRUE(has(rows, 1761, "Jun", 6));
    EXPECT_TRUE(has(rows, 1769, "Jun", 3));
    EXPECT_TRUE(has(rows, 1874, "Dec", 9));
    EXPECT_TRUE(has(rows, 1882, "Dec", 6));
    EXPECT_TRUE(has(rows, 2004, "Jun", 8));
    EXPECT_TRUE(has(rows, 2012, "Jun", 6));
    EXPECT_TRUE(has(rows, 2117, "Dec", 11));
    EXPECT_TRUE(has(rows, 2125, "Dec", 8));
    // 243 years apart: the same series.
    EXPECT_EQ(find(rows, 1761).series, find(rows, 2004).series);
    EXPECT_EQ(find(rows, 1769).series, find(rows, 2012).series);
    EXPECT_EQ(find(rows, 1631).series, find(rows, 1874).series);
    EXPECT_EQ(find(rows, 1874).series, find(rows, 2117).series);
    EXPECT_NE(find(rows, 2004).series, find(rows, 2012).series);

    const auto lines = test::lines_of(out);
    std::size_t ruler = 0;
    int blank_before_row = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == " " + std::string(147, '=')) ruler = i;
        if (i > 0 && lines[i - 1].empty() && phase_rows(lines[i] + "\n").size() == 1) ++blank_before_row;
    }
    ASSERT_GT(ruler, 0u);
    EXPECT_NE(lines[ruler - 2].find("position angles [deg]"), std::string::npos);
    // The head's last column, the series, ends where the rows end: column 147.
    const std::string& head = lines[ruler - 1];
    EXPECT_EQ(head.size(), 147u);
    EXPECT_EQ(head.back(), 'S');
    for (const auto& r : rows) EXPECT_EQ(r.line.size(), 147u) << r.line;
    // The pairs of a century are set apart: 1761, 1874, 2004 and 2117 follow
    // their predecessors by more than 50 years.
    EXPECT_EQ(blank_before_row, 4);
}

TEST_F(Conj, CombinationConfirmsTheShortSeriesWithTheFullSeries)
{
    auto p = params(1, 3, 2015.0, 2020.0);
    RunState s;
    const auto short_rows = phase_rows(run(p, s));
    p = params(1, 3, 2015.0, 2020.0);
    p.combi_flag = 1;
    RunState sc;
    const auto combi_rows = phase_rows(run(p, sc));
    ASSERT_EQ(short_rows.size(), 2u);
    ASSERT_EQ(combi_rows.size(), 2u);
    EXPECT_TRUE(has(combi_rows, 2016, "May", 9));
    EXPECT_TRUE(has(combi_rows, 2019, "Nov", 11));
    // The full series reproduces the published greatest transit of 2019 Nov. 11
    // (15:19:48 UT = 15:20:57 TT) within seconds; the short series within a
    // minute.
    auto greatest = [](const Row& r) {
        const std::string t = r.line.substr(40, 8);
        return std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(3, 2)) * 60 + std::stoi(t.substr(6, 2));
    };
    EXPECT_NEAR(greatest(find(combi_rows, 2019)), 15 * 3600 + 20 * 60 + 57, 5);
    EXPECT_NEAR(greatest(find(short_rows, 2019)), 15 * 3600 + 20 * 60 + 57, 60);
    EXPECT_GT(sc.counters[2], s.counters[2]);
}

// ---------------------------------------------------------------------------
// Nothing is skipped: the scan against an independent fine scan.

// Geocentric separation of planet ibody from the Sun (degrees) and the signed
// heliocentric longitude difference planet - Earth, from the short series
// evaluated block by block.
struct Geo {
    double sep = 0.0, dl = 0.0;
};
Geo geo(int ibody, double jde)
{
    const double tau = (jde - 2451545.0) / 365250.0;
    std::array<double, 6> v{};
    const int kp = 3 * (ibody - 1);
    for (int c = 0; c < 3; ++c) {
        vsop1(kp + c + 1, tau, v[static_cast<std::size_t>(c)]);
        vsop1(7 + c, tau, v[static_cast<std::size_t>(3 + c)]);
    }
    auto xyz = [](double l, double b, double r) {
        l /= rad, b /= rad;
        return std::array<double, 3>{r * std::cos(b) * std::cos(l), r * std::cos(b) * std::sin(l), r * std::sin(b)};
    };
    const auto pl = xyz(v[0], v[1], v[2]), e = xyz(v[3], v[4], v[5]);
    std::array<double, 9> pos{};
    for (int c = 0; c < 3; ++c) {
        pos[static_cast<std::size_t>(3 * (ibody - 1) + c)] = pl[static_cast<std::size_t>(c)];
        pos[static_cast<std::size_t>(6 + c)] = e[static_cast<std::size_t>(c)];
    }
    Geo g;
    sepa(ibody, 2, pos, g.sep);
    g.sep *= rad;
    g.dl = v[0] - v[3];
    reduz(g.dl, 0, 0);
    return g;
}

// Instants of least separation below `limit` degrees at the inferior
// conjunctions between jde0 and jde1: coarse steps for the sign change of the
// longitude difference, bisection, then a golden-section search.
std::vector<std::pair<double, double>> close_conjunctions(int ibody, double jde0, double jde1, double step,
                                                         double limit)
{
    std::vector<std::pair<double, double>> found;
    double t0 = jde0;
    double f0 = geo(ibody, t0).dl;
    for (double t1 = t0 + step; t1 <= jde1 + step; t0 = t1, t1 += step) {
        const double f1 = geo(ibody, t1).dl;
        if (f0 < 0.0 && f1 >= 0.0 && f1 - f0 < 90.0) {
            double a = t0, b = t1;
            for (int i = 0; i < 40; ++i) {
                const double m = 0.5 * (a + b);
                (geo(ibody, m).dl < 0.0 ? a : b) = m;
            }
            if (geo(ibody, a).sep < limit + 0.05) {
                double lo = a - 1.0, hi = a + 1.0;
                const double g = 0.6180339887498949;
                for (int i = 0; i < 60; ++i) {
                    const double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
                    if (geo(ibody, x1).sep < geo(ibody, x2).sep) {
                        hi = x2;
                    } else {
                        lo = x1;
                    }
                }
                const double tm = 0.5 * (lo + hi);
                const double sep = geo(ibody, tm).sep;
                if (sep < limit && tm >= jde0 && tm <= jde1) found.emplace_back(tm, sep);
            }
        }
        f0 = f1;
    }
    return found;
}

// JDEs of the rows of a nearest-approach table (date_mode 2), from the k-number
// and dt columns.
std::vector<double> nearest_rows(const std::string& text)
{
    std::vector<double> jdes;
    for (const auto& l : test::lines_of(text)) {
        if (l.size() != 79 || l.find(':') == std::string::npos || l.find("date") != std::string::npos) continue;
        const int k = std::stoi(l.substr(4, 7));
        const double dt = std::stod(l.substr(36, 8));
        double kk = k, year = 0.0, djde = 0.0, jde = 0.0;
        int kint = 0;
        ephim(0, 1, 3, 2, kk, kint, jde, year, djde);
        jdes.push_back(jde + dt);
    }
    return jdes;
}

// Every conjunction that the fine scan finds well inside the transit limit is
// among the scan's transits, and every one of the scan's transits is within the
// widest limit. (The band between the two is classified by the transit routine.)
void expect_same_transits(int ibody, const std::vector<double>& scan, double jde0, double jde1, double step)
{
    // Sun semidiameter 15.7' to 16.3'; planet and parallax add well under 0.01 deg.
    const auto wide = close_conjunctions(ibody, jde0, jde1, step, 0.285);
    std::vector<double> sure;
    for (const auto& [t, sep] : wide) {
        if (sep < 0.255) sure.push_back(t);
    }
    ASSERT_FALSE(sure.empty());
    for (double t : sure) {
        EXPECT_TRUE(std::any_of(scan.begin(), scan.end(), [t](double x) { return std::abs(x - t) < 0.05; }))
            << "transit at JDE " << std::to_string(t) << " skipped";
    }
    for (double x : scan) {
        EXPECT_TRUE(std::any_of(wide.begin(), wide.end(), [x](const auto& w) { return std::abs(x - w.first) < 0.05; }))
            << "transit at JDE " << std::to_string(x) << " not found by the fine scan";
    }
}

TEST_F(Conj, MercuryScanSkipsNoTransitOverThreeCenturies)
{
    auto p = params(1, 2, 2100.0, 2400.0);
    RunState s;
    const auto scan = nearest_rows(run(p, s));
    EXPECT_EQ(static_cast<int>(scan.size()), s.counters[3]);
    expect_same_transits(1, scan, s.jde_from, s.jde_to, 5.0);
}

TEST_F(Conj, VenusScanSkipsNoTransitOverFifteenCenturies)
{
    auto p = params(2, 2, -500.0, 1000.0);
    RunState s;
    const auto scan = nearest_rows(run(p, s));
    EXPECT_EQ(static_cast<int>(scan.size()), s.counters[3]);
    expect_same_transits(2, scan, s.jde_from, s.jde_to, 20.0);
}

// Alignment measure of a syzygy of three or four planets at jde.
double syzygy_measure(int planets, double jde)
{
    const double tau = (jde - 2451545.0) / 365250.0;
    std::array<double, 4> l{};
    for (int i = 0; i < planets; ++i) vsop1(3 * i + 1, tau, l[static_cast<std::size_t>(i)]);
    double d = 0.0;
    for (int i = 0; i < planets; ++i) {
        for (int j = i + 1; j < planets; ++j) {
            if (planets == 4 || j < 3) {
                double x = l[static_cast<std::size_t>(i)] - l[static_cast<std::size_t>(j)];
                reduz(x, 0, 0);
                d = std::max(d, std::abs(x));
            }
        }
    }
    return d;
}

// Intervals in which the measure stays below `limit`, found by stepping 0.02 day
// through the stretches where the Venus-Earth difference alone is within it,
// with the least measure of each.
struct Window {
    double first = 0.0, second = 0.0, least = 1e30;
};
std::vector<Window> syzygy_windows(int planets, double jde0, double jde1, double limit)
{
    std::vector<std::pair<double, double>> w;
    auto ve = [](double t) {
        const double tau = (t - 2451545.0) / 365250.0;
        double lv = 0, le = 0;
        vsop1(4, tau, lv);
        vsop1(7, tau, le);
        double x = lv - le;
        reduz(x, 0, 0);
        return std::abs(x);
    };
    for (double t = jde0; t <= jde1; t += 1.0) {
        if (ve(t) > limit + 1.0) continue;
        bool inside = false;
        double start = 0.0;
        for (double u = t; u < t + 1.0; u += 0.02) {
            const bool in = syzygy_measure(planets, u) < limit;
            if (in && !inside) start = u;
            if (!in && inside) w.emplace_back(start, u);
            inside = in;
        }
        if (inside) {
            // Continue the window into the next day.
            double u = t + 1.0;
            while (syzygy_measure(planets, u) < limit) u += 0.02;
            w.emplace_back(start, u);
            t = std::floor(u - jde0) + jde0;
        }
    }
    // Merge windows that touch.
    std::vector<Window> m;
    for (const auto& x : w) {
        if (!m.empty() && x.first <= m.back().second + 0.03) {
            m.back().second = std::max(m.back().second, x.second);
        } else {
            m.push_back({x.first, x.second});
        }
    }
    for (auto& x : m) {
        for (double u = x.first; u <= x.second; u += 0.02) x.least = std::min(x.least, syzygy_measure(planets, u));
    }
    return m;
}

// JDEs of the rows of a syzygy table.
std::vector<double> syzygy_rows(const std::string& text)
{
    std::vector<double> jdes;
    for (const auto& l : test::lines_of(text)) {
        if (l.size() < 40 || l.find("syzygy") != std::string::npos) continue;
        jdes.push_back(std::stod(l.substr(13, 15)));
    }
    return jdes;
}

// Every window in which the measure drops clearly below the range holds exactly
// one of the scan's syzygies, and every syzygy lies in a window of the range.
void expect_same_syzygies(int planets, const std::vector<double>& scan, double jde0, double jde1, double tol)
{
    const auto wide = syzygy_windows(planets, jde0, jde1, tol + 0.01);
    std::vector<std::pair<double, double>> sure;
    for (const auto& x : wide) {
        if (x.least < tol - 0.05) sure.emplace_back(x.first, x.second);
    }
    ASSERT_FALSE(sure.empty());
    for (const auto& [a, b] : sure) {
        const auto n = std::count_if(scan.begin(), scan.end(), [&](double x) { return x > a - 0.5 && x < b + 0.5; });
        EXPECT_EQ(n, 1) << "window " << std::to_string(a) << " .. " << std::to_string(b);
    }
    for (double x : scan) {
        EXPECT_TRUE(std::any_of(wide.begin(), wide.end(),
                                [x](const auto& w) { return x > w.first - 0.03 && x < w.second + 0.03; }))
            << "syzygy at " << std::to_string(x) << " outside every window";
    }
}

TEST_F(Conj, ThreePlanetSyzygiesNoneSkippedOverThreeCenturies)
{
    auto p = params(3, 1, 2900.0, 3200.0, 3.0);
    RunState s;
    const auto scan = syzygy_rows(run(p, s));
    EXPECT_EQ(static_cast<int>(scan.size()), s.counters[3]);
    expect_same_syzygies(3, scan, s.jde_from, s.jde_to, 3.0);
}

TEST_F(Conj, FourPlanetSyzygiesNoneSkippedOverThreeCenturies)
{
    auto p = params(4, 1, 2900.0, 3200.0, 6.0);
    RunState s;
    const auto scan = syzygy_rows(run(p, s));
    expect_same_syzygies(4, scan, s.jde_from, s.jde_to, 6.0);
}

TEST_F(Conj, WideRangeSyzygiesNoneSkippedNorRepeated)
{
    // 25 degrees: scan factor 0.025, no jumps; a syzygy must not be found twice
    // although the measure stays in range for weeks.
    auto p = params(3, 1, 2000.0, 2030.0, 25.0);
    RunState s;
    const auto scan = syzygy_rows(run(p, s));
    expect_same_syzygies(3, scan, s.jde_from, s.jde_to, 25.0);
}

// ---------------------------------------------------------------------------
// Ranges, filters and the table.

TEST(ConjRanges, WorkingRangeJumpAndScanFactor)
{
    EXPECT_DOUBLE_EQ(conj_working_range(2.0, 0), 3.0); // searched with 3 degrees
    EXPECT_DOUBLE_EQ(conj_working_range(2.0, 1), 2.0);
    EXPECT_DOUBLE_EQ(scan_factor(21.0), 0.025);
    EXPECT_DOUBLE_EQ(scan_factor(40.0), 0.025);
    EXPECT_DOUBLE_EQ(scan_factor(1.0), 0.05);
    EXPECT_DOUBLE_EQ(scan_factor(3.0), 0.025 * 1.9);
    EXPECT_DOUBLE_EQ(syzygy_jump(3.0), std::round(570.0 * (1.0 - 3.0 / 180.0)));
    EXPECT_DOUBLE_EQ(syzygy_jump(180.0), 1.0);
}

TEST_F(Conj, EnteredRangeConfirmsWhatTheWiderRangeSearches)
{
    // Step mode: every step below 3 degrees is a candidate (counter 3), only those
    // below the entered 2 degrees are syzygies with their numbered line.
    auto p = params(3, 1, 2020.0, 2070.0, 2.0);
    p.sun_mode = 1;
    p.step_width = 0.25;
    RunState s;
    const std::string out = run(p, s);
    std::vector<double> d;
    int numbered = 0;
    for (const auto& l : test::lines_of(out)) {
        if (l.find(". syzygy") != std::string::npos) {
            ++numbered;
            EXPECT_EQ(l, std::string(12 - std::to_string(numbered).size(), ' ') + std::to_string(numbered) +
                             ". syzygy");
        } else if (l.size() > 40) {
            d.push_back(std::stod(l.substr(l.size() - 8)));
        }
    }
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(static_cast<int>(d.size()), numbered);
    EXPECT_EQ(numbered, s.counters[4]);
    EXPECT_GT(s.counters[3], s.counters[4]);
    for (double x : d) EXPECT_LT(x, 2.0);
    EXPECT_GT(*std::max_element(d.begin(), d.end()), 1.5);
}

TEST_F(Conj, SyzygyTransitMarksAndTheTransitFilter)
{
    auto p = params(3, 1, 3080.0, 3100.0, 3.0);
    RunState s;
    std::string out = run(p, s);
    // The predefined constellation 12: 31 May 3088, Mercury in front of the Sun.
    bool found = false;
    for (const auto& l : test::lines_of(out)) {
        if (l.substr(0, 13) == " 12 M    4519") found = true;
    }
    EXPECT_TRUE(found) << out;
    const int all = s.counters[3];
    p = params(3, 1, 3080.0, 3100.0, 3.0);
    p.conj_filter = 2;
    RunState sf;
    out = run(p, sf);
    const auto rows = syzygy_rows(out);
    EXPECT_EQ(sf.counters[3], all); // still detected, not printed
    ASSERT_FALSE(rows.empty());
    EXPECT_LT(static_cast<int>(rows.size()), all);
    for (const auto& l : test::lines_of(out)) {
        if (l.size() > 40) {
            EXPECT_TRUE(l[4] != ' ' || l[5] != ' ') << l;
        }
    }
}

TEST_F(Conj, SeriesRunComputesOutsideThePrintWindow)
{
    auto p = params(1, 3, -13060.0, -12960.0);
    p.menu_choice = -804;
    RunState s;
    const auto rows = phase_rows(run(p, s));
    ASSERT_FALSE(rows.empty());
    for (const auto& r : rows) EXPECT_GE(r.year, -13000) << r.line;
    EXPECT_GT(s.counters[3], static_cast<int>(rows.size()));
    // The transits before the window opened series all the same.
    EXPECT_LT(astro.zstart, 2451545.0 + (-13000 - 2000) * 365.2425);
}

TEST_F(Conj, FirstPrintedYearAndCalendarSeparators)
{
    // Mercury transits 1570-1600 with the Julian/Gregorian calendar: the table
    // passes the reform once, and both units get the same lines.
    auto p = params(1, 3, 1570.0, 1600.0);
    RunState s;
    const std::string out = run(p, s, true);
    EXPECT_EQ(test::read_file("out.txt"), out);
    const auto lines = test::lines_of(out);
    const auto greg = std::count_if(lines.begin(), lines.end(),
                                    [](const std::string& l) { return l.rfind(" ---- (Greg. cal.) ", 0) == 0; });
    EXPECT_EQ(greg, 1);
    const auto rows = phase_rows(out);
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(rows.front().year, 1570);
}

TEST_F(Conj, RunWithoutTransitsStillWritesTheTableHead)
{
    auto p = params(2, 3, 1900.0, 2000.0);
    RunState s;
    const std::string out = run(p, s);
    EXPECT_EQ(s.counters[3], 0);
    EXPECT_TRUE(phase_rows(out).empty());
    EXPECT_NE(out.find(" co/p    date, phase:"), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3); // empty line, head, ruler
}

TEST_F(Conj, DateOfEqualLongitudeAndCentralTransits)
{
    auto p = params(1, 1, 2000.0, 2100.0);
    RunState s;
    const std::string out = run(p, s);
    int rows = 0;
    for (const auto& l : test::lines_of(out)) {
        if (l.size() != 79 || l.find(':') == std::string::npos || l.find("date") != std::string::npos) continue;
        ++rows;
        EXPECT_LT(std::abs(std::stod(l.substr(52, 8))), 0.0005) << l; // Lm-Le vanishes at the date
    }
    EXPECT_EQ(rows, 14);
    EXPECT_EQ(rows, s.counters[3]);
}

} // namespace
} // namespace r7
