// The transit and syzygy scans: the published transits of Mercury and Venus,
// no syzygy skipped against an independent fine scan, and no transit among the
// conjunctions the transit scan passes over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "ephemeris/coord.hpp"
#include "ephemeris/short.hpp"
#include "run/conjunctions.hpp"
#include "run/run.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

// A transit or syzygy run as the dialog leaves it (minimum search, short series): what it records.
results::Run run(int conj, int date_mode, double from, double to, RunState& s, double tol = 0.0)
{
    const RunParams p{.main_option = 3, .conj_choice = conj, .ephem_choice = 1, .output_detail = 1, .frame_choice = 1,
                      .vsop_variant = 3, .table_switch = 1, .date_mode = date_mode, .time_scale = 1,
                      .calendar_choice = 2, .passage = 1, .step_width = 24.0, .sun_mode = 5, .constellation = 15,
                      .year_from = from, .year_to = to, .tol_short = tol, .conj_filter = 1, .view = 1,
                      .output_choice = 1};
    test::Terminal quiet;
    TransitSeries series;
    s.tol_entered = p.tol_short;
    convert_interval(p, s);
    results::Run recorded;
    conjunction_run(p, s, test::ephemerides(), series, nullptr, recorded);
    return recorded;
}

// The transits of a run: the class letter (blank for M and V) and the date, as "m15.Nov.1999".
std::vector<std::string> dates(const results::Run& r)
{
    std::vector<std::string> d;
    for (const results::Transit& t : r.transits) {
        d.push_back(t.date);
        std::erase(d.back(), ' ');
        d.back().insert(d.back().begin(), t.letter == 'M' || t.letter == 'V' ? ' ' : t.letter);
    }
    return d;
}

TEST(Conj, PublishedTransitsOfMercuryAndVenus)
{
    // Mercury 1901-2100: 28 transits, 14 in each century, in May or November;
    // 15 Nov. 1999 grazing (type m). Venus 1600-2200: ten transits, 1631 seen
    // from part of the Earth only (type v).
    RunState s;
    const auto mercury = dates(run(1, 3, 1901.0, 2100.0, s));
    ASSERT_EQ(mercury.size(), 28u);
    int first_century = 0;
    for (const auto& r : mercury) {
        EXPECT_TRUE(r.find(".May") != std::string::npos || r.find(".Nov.") != std::string::npos) << r;
        first_century += std::stoi(r.substr(r.size() - 4)) <= 2000;
    }
    EXPECT_EQ(first_century, 14);
    for (const char* r : {"m15.Nov.1999", " 7.May2003", " 8.Nov.2006", " 9.May2016", " 11.Nov.2019", " 13.Nov.2032",
                          " 7.Nov.2039", " 7.May2049"})
        EXPECT_NE(std::find(mercury.begin(), mercury.end(), r), mercury.end()) << r;
    EXPECT_EQ(dates(run(2, 4, 1600.0, 2200.0, s)),
              (std::vector<std::string>{"v7.Dec.1631", " 4.Dec.1639", " 6.June1761", " 3.June1769", " 9.Dec.1874",
                                        " 6.Dec.1882", " 8.June2004", " 6.June2012", " 11.Dec.2117", " 8.Dec.2125"}));
}

// The largest longitude difference among the VSOP87 series at jde (Mercury, Venus, Earth).
double spread(double jde, std::vector<int> series = {1, 4, 7})
{
    std::vector<double> l;
    for (int k : series) l.push_back(vsop1(test::ephemerides().short_series(), k, (jde - 2451545.0) / 365250.0));
    double d = 0.0;
    for (double x : l)
        for (double y : l) d = std::max(d, std::abs(std::remainder(x - y, 360.0)));
    return d;
}

// Windows of a fine scan (first and last instant below 3.01 deg, least spread),
// by steps of 0.02 day through the days in which Venus and Earth come near it:
// every window in which the spread drops clearly below the range holds exactly
// one of the scan's syzygies, and every syzygy lies in a window.
TEST(Conj, ThreePlanetSyzygiesNoneSkippedOverThreeCenturies)
{
    RunState s;
    std::vector<double> scan;
    for (const results::Syzygy& z : run(3, 1, 2900.0, 3200.0, s, 3.0).syzygies) scan.push_back(z.jde);
    EXPECT_EQ(static_cast<int>(scan.size()), s.counters[3]);
    struct Window {
        double first, last, least;
    };
    std::vector<Window> wide;
    bool inside = false;
    for (double t = s.jde_from; t <= s.jde_to; t += 1.0) {
        if (!inside && spread(t, {4, 7}) > 4.01) continue;
        for (double u = t; u < t + 1.0; u += 0.02) {
            const double m = spread(u);
            if (!(inside = m < 3.01)) continue;
            if (wide.empty() || u > wide.back().last + 0.03) wide.push_back({u, u, m});
            wide.back().last = u;
            wide.back().least = std::min(wide.back().least, m);
        }
    }
    int sure = 0;
    for (const auto& w : wide) {
        if (w.least >= 2.95) continue;
        ++sure;
        EXPECT_EQ(std::count_if(scan.begin(), scan.end(), [&](double x) { return x > w.first - 0.5 && x < w.last + 0.5; }), 1)
            << "window " << w.first << " .. " << w.last;
    }
    EXPECT_GT(sure, 0);
    for (double x : scan)
        EXPECT_TRUE(std::any_of(wide.begin(), wide.end(), [x](const Window& w) { return x > w.first - 0.03 && x < w.last + 0.05; }))
            << "syzygy at " << x << " outside";
}

// The transit scan with the combination passes over a conjunction whose planet
// stands beyond transit_latitude_limit from the ecliptic, seen from the Earth,
// where the heliocentric longitudes differ by less than a degree. Every
// conjunction of -13000..17000 whose planet passes within 0.55 deg of the Sun's
// centre (the scan's classification takes 0.5) stands within the limit across
// that degree: found here from the short series' places alone.
TEST(Conj, NoConjunctionPassedOverHoldsATransit)
{
    const ShortSeries& sh = test::ephemerides().short_series();
    struct Look {
        double lon_diff = 0.0, beta = 0.0, sep2 = 0.0; // deg, deg, rad^2
    };
    auto look = [&sh](int p, double jde) {
        const double tau = (jde - 2451545.0) / 365250.0;
        const Lbr pl = vsop1place(sh, p, tau), e = vsop1place(sh, 3, tau);
        const Xyz a = rectangular(pl), b = rectangular(e);
        const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
        const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double cx = b.y * dz - b.z * dy, cy = b.z * dx - b.x * dz, cz = b.x * dy - b.y * dx;
        const double sep = std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), -(b.x * dx + b.y * dy + b.z * dz));
        return Look{std::remainder(pl.l - e.l, 360.0), std::asin(dz / d) * 180.0 / std::numbers::pi, sep * sep};
    };
    for (int p : {1, 2}) {
        const double synodic = p == 1 ? 115.8775 : 583.9214;
        double worst = 0.0;
        int candidates = 0;
        for (double t = -3026961.5; t < 7930548.0; t += synodic) {
            // The heliocentric conjunction by secant steps on the longitude difference.
            double x0 = t, f0 = look(p, x0).lon_diff, x1 = x0 + 1.0, f1 = look(p, x1).lon_diff;
            for (int i = 0; i < 30 && std::fabs(f1) > 1e-7 && f1 != f0; ++i) {
                const double x2 = x1 - f1 * (x1 - x0) / (f1 - f0);
                x0 = x1, f0 = f1, x1 = x2, f1 = look(p, x2).lon_diff;
            }
            t = x1;
            if (look(p, t).sep2 > 9e-4) continue; // beyond 1.7 deg at the conjunction: no transit
            // The least separation: the vertex of the parabola through the squared separations.
            const double h = 0.3;
            const double gm = look(p, t - h).sep2, g0 = look(p, t).sep2, gp = look(p, t + h).sep2;
            const double tv = t + 0.5 * h * (gm - gp) / (gp - 2.0 * g0 + gm);
            if (std::sqrt(look(p, tv).sep2) * 180.0 / std::numbers::pi > 0.55) continue;
            ++candidates;
            // The instants a degree of longitude either side: the latitude is
            // largest at one of them (it changes almost linearly in a day).
            const double rate = (look(p, t + 0.1).lon_diff - look(p, t - 0.1).lon_diff) / 0.2;
            for (double side : {-1.0, 1.0}) {
                worst = std::max(worst, std::fabs(look(p, t + side / std::fabs(rate)).beta));
            }
        }
        EXPECT_GT(candidates, p == 1 ? 4000 : 300) << "planet " << p;
        EXPECT_LT(worst, transit_latitude_limit(p) - 0.2) << "planet " << p;
        std::printf("planet %d: %d conjunctions within 0.55 deg, latitude within %.3f deg\n", p, candidates, worst);
    }
}

} // namespace
} // namespace r7
