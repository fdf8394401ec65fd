#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "fit/fitex.hpp"
#include "io/error.hpp"
#include "run/site.hpp"
#include "state/store.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::install_data;
using test::lines_of;
using test::read_file;
using test::ScratchDir;
using test::write_file;

constexpr double pi = 3.14159265358979323846;
constexpr double deg = 180.0 / pi;

std::string data_file() { return (install_data() / "ingiza.t").string(); }

// The numbers of one data line of the installed site file, read independently
// of the program's reader: the quoted label is dropped, the rest split at blanks.
std::vector<double> numbers_of_line(int n)
{
    const auto lines = lines_of(read_file(install_data() / "ingiza.t"));
    const std::string& l = lines.at(static_cast<std::size_t>(n - 1));
    const auto close = l.find('\'', l.find('\'') + 1);
    std::istringstream in(l.substr(close + 1));
    std::vector<double> v;
    for (double x; in >> x;) v.push_back(x);
    return v;
}

RunParams params(int main_option, int sun_mode, int view = 1, int level = 1)
{
    RunParams p;
    p.main_option = main_option;
    p.sun_mode = sun_mode;
    p.view = view;
    p.level_choice = level;
    p.ephem_choice = 1;
    p.planet_order = 1;
    return p;
}

Site loaded(const RunParams& p, int reference_flag = 0)
{
    Site s;
    load_site(p, reference_flag, s, data_file());
    return s;
}

struct V3 {
    double x, y, z;
};
V3 point(const Site& s, int i) { return {s.pg(i, 1), s.pg(i, 2), s.pg(i, 3)}; }
double dist(V3 a, V3 b) { return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z); }

// Direction from s to point q, counted from the x axis towards the y axis, in degrees.
double direction(double sx, double sy, double qx, double qy) { return std::atan2(qy - sy, qx - sx) * deg; }

// --- reading -------------------------------------------------------------------

TEST(SiteRead, EachSiteComesFromItsOwnBlock)
{
    struct Case {
        int main_option;
        int first;
    };
    for (const Case c : {Case{1, 27}, Case{2, 9}}) {
        SCOPED_TRACE(c.main_option);
        const Site s = loaded(params(c.main_option, 5));
        const auto start = numbers_of_line(c.first);
        const auto steps = numbers_of_line(c.first + 1);
        for (int i = 1; i <= 7; ++i) {
            EXPECT_EQ(s.xstart(i), start.at(static_cast<std::size_t>(i - 1)));
            EXPECT_EQ(s.dx(i), steps.at(static_cast<std::size_t>(i - 1)));
        }
        const auto iw = numbers_of_line(c.first + 3);
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(s.iwork(i), static_cast<int>(iw.at(static_cast<std::size_t>(i - 1))));
        const auto w = numbers_of_line(c.first + 4);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(s.wwork(i), w.at(static_cast<std::size_t>(i - 1)));
        EXPECT_EQ(s.trace, static_cast<int>(numbers_of_line(c.first + 6).at(0)));
        for (int i = 1; i <= 3; ++i) {
            const auto row = numbers_of_line(c.first + 8 + i);
            for (int q = 1; q <= 4; ++q) EXPECT_EQ(s.pg(i, q), row.at(static_cast<std::size_t>(q - 1))) << i << q;
        }
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(s.listing(i), numbers_of_line(44 + i).at(0));
    }
}

TEST(SiteRead, TargetDifferencesDependOnSunModeSiteAndReferenceCase)
{
    const auto giza40 = numbers_of_line(40);
    const auto chambers22 = numbers_of_line(22);
    struct Case {
        int main_option, sun_mode, reference;
        double t1, t2;
    };
    for (const Case c : {Case{1, 1, 0, 12.19, 21.41}, Case{1, 2, 0, giza40[0], giza40[1]},
                         Case{1, 5, 0, 12.19, 21.41}, Case{1, 2, 1, 12.19, 21.41},
                         Case{2, 5, 0, chambers22[0], chambers22[1]}, Case{2, 1, 0, chambers22[0], chambers22[1]},
                         Case{2, 5, 1, 12.19, 21.41}}) {
        SCOPED_TRACE(testing::Message() << c.main_option << " " << c.sun_mode << " " << c.reference);
        const Site s = loaded(params(c.main_option, c.sun_mode), c.reference);
        EXPECT_EQ(s.diff(2), c.t1);
        EXPECT_EQ(s.diff(3), c.t2);
        EXPECT_EQ(s.target(1), c.t1);
        EXPECT_EQ(s.target(2), c.t2);
        // The other entries keep their initial values.
        for (int j : {1, 4, 5, 6, 7, 8, 9}) EXPECT_EQ(s.diff(j), diff_initial[static_cast<std::size_t>(j - 1)]);
    }
}

TEST(SiteRead, ViewFromTheSouthNegatesAllTargets)
{
    const Site s = loaded(params(1, 1, 2));
    for (int j = 1; j <= 9; ++j) EXPECT_EQ(s.diff(j), -diff_initial[static_cast<std::size_t>(j - 1)]);
    EXPECT_EQ(s.diff(2), -12.19);
    EXPECT_EQ(s.diff(3), -21.41);
    // Loading again into the same record does not negate twice.
    Site again = s;
    load_site(params(1, 1, 2), 0, again, data_file());
    EXPECT_EQ(again.diff(2), -12.19);
    // Both views leave the targets as read.
    EXPECT_EQ(loaded(params(1, 1, 3)).diff(2), 12.19);
}

TEST(SiteRead, LevelRaisesPointsByTheirShareOfTheHeight)
{
    for (int site : {1, 2}) {
        const Site base1 = loaded(params(site, 5, 1, 1));
        const Site mid = loaded(params(site, 5, 1, 2));
        const Site top = loaded(params(site, 5, 1, 3));
        const Site other = loaded(params(site, 5, 1, 7));
        const double share = site == 1 ? 0.25 : 0.5;
        for (int i = 1; i <= 3; ++i) {
            const double z = base1.pg(i, 3), h = base1.pg(i, 4);
            EXPECT_DOUBLE_EQ(mid.pg(i, 3), z + share * h);
            EXPECT_DOUBLE_EQ(top.pg(i, 3), z + h);
            EXPECT_EQ(other.pg(i, 3), z);
            EXPECT_EQ(mid.pg(i, 1), base1.pg(i, 1));
            EXPECT_EQ(mid.pg(i, 2), base1.pg(i, 2));
        }
    }
}

TEST(SiteRead, ChamberAssignmentFollowsThePlanetOrder)
{
    const Site plain = loaded(params(2, 5));
    RunParams p = params(2, 5);
    p.planet_order = 6; // points 1 and 3 exchange places
    const Site swapped = loaded(p);
    for (int q = 1; q <= 4; ++q) {
        EXPECT_EQ(swapped.pg(1, q), plain.pg(3, q));
        EXPECT_EQ(swapped.pg(2, q), plain.pg(2, q));
        EXPECT_EQ(swapped.pg(3, q), plain.pg(1, q));
    }
    p.planet_order = 4; // old 3, 1, 2
    const Site rotated = loaded(p);
    EXPECT_EQ(rotated.pg(1, 2), plain.pg(3, 2));
    EXPECT_EQ(rotated.pg(2, 2), plain.pg(1, 2));
    EXPECT_EQ(rotated.pg(3, 2), plain.pg(2, 2));
    // Kepler orbits keep the file's order; so does the Giza site.
    p.ephem_choice = 3;
    EXPECT_EQ(loaded(p).pg(1, 1), plain.pg(1, 1));
    RunParams g = params(1, 5);
    g.planet_order = 6;
    EXPECT_EQ(loaded(g).pg(1, 1), numbers_of_line(36).at(0));
}

// --- the site facts -------------------------------------------------------------

TEST(SiteFacts, GizaTargetsMatchTheSunPointsSouthOfMenkaureAndKhafre)
{
    const Site s = loaded(params(1, 1));
    const V3 p1 = point(s, 1), p2 = point(s, 2), p3 = point(s, 3);
    // 725.7 m south of Menkaure (point 3); x north, y west.
    const double sx = p3.x - 725.7, sy = p3.y;
    EXPECT_NEAR(direction(sx, sy, p3.x, p3.y) - direction(sx, sy, p2.x, p2.y), s.diff(2), 0.005);
    EXPECT_NEAR(direction(sx, sy, p3.x, p3.y) - direction(sx, sy, p1.x, p1.y), s.diff(3), 0.005);

    // On the same east-west line, due south of Khafre (point 2): the file's targets.
    const Site k = loaded(params(1, 2));
    const double kx = sx, ky = p2.y;
    EXPECT_NEAR(direction(kx, ky, p3.x, p3.y) - direction(kx, ky, p2.x, p2.y), k.diff(2), 0.005);
    EXPECT_NEAR(direction(kx, ky, p3.x, p3.y) - direction(kx, ky, p1.x, p1.y), k.diff(3), 0.005);
    EXPECT_NEAR(k.diff(2), 18.30, 1e-12);
    EXPECT_NEAR(k.diff(3), 31.16, 1e-12);
}

TEST(SiteFacts, ChamberTargetsMatchASunPointSouthOfTheSubterraneanChamber)
{
    // Chambers: x north, y up; the Sun point lies half the base side (115.2 m)
    // south of the Subterranean Chamber, on its level.
    const Site s = loaded(params(2, 5));
    const V3 p1 = point(s, 1), p2 = point(s, 2), p3 = point(s, 3);
    const double sx = p3.x - 115.2, sy = p3.y;
    EXPECT_NEAR(direction(sx, sy, p3.x, p3.y) - direction(sx, sy, p2.x, p2.y), s.diff(2), 0.005);
    EXPECT_NEAR(direction(sx, sy, p3.x, p3.y) - direction(sx, sy, p1.x, p1.y), s.diff(3), 0.005);
}

// --- layout geometry ------------------------------------------------------------

TEST(SiteGeometry, TwoDimensionalRatiosAndTheirViewFromTheSouth)
{
    for (int site : {1, 2}) {
        for (int sun_mode : {1, 2}) {
            const RunParams p = params(site, sun_mode);
            Site s = loaded(p);
            site_geometry(p, s);
            const V3 p1 = point(s, 1), p2 = point(s, 2), p3 = point(s, 3);
            EXPECT_DOUBLE_EQ(base.pyr(11), p2.x - p3.x);
            EXPECT_DOUBLE_EQ(base.pyr(16), p1.y - p2.y);
            EXPECT_DOUBLE_EQ(base.pyr(18), p1.z - p3.z);
            const double r24 = (p1.x - p3.x) / (p2.x - p3.x);
            const double r25 = (p1.y - p3.y) / (p2.y - p3.y);
            const double r26 = (p1.y - p3.y) / (p1.x - p3.x);
            EXPECT_DOUBLE_EQ(base.pyr(24), r24);
            EXPECT_DOUBLE_EQ(base.pyr(25), r25);
            EXPECT_DOUBLE_EQ(base.pyr(26), r26);
            EXPECT_EQ(base.pyr(21), 0.0); // nothing else is derived
            EXPECT_EQ(base.pyr(27), 0.0);

            const RunParams south = params(site, sun_mode, 2);
            Site t = loaded(south);
            site_geometry(south, t);
            EXPECT_DOUBLE_EQ(base.pyr(26), -r26);
            EXPECT_DOUBLE_EQ(base.pyr(24), r24);
        }
    }
}

TEST(SiteGeometry, TriangleMatchesAnIndependentConstruction)
{
    for (int site : {1, 2}) {
        for (int sun_mode : {3, 4, 5}) {
            for (int level : {1, 3}) {
                SCOPED_TRACE(testing::Message() << "site " << site << " mode " << sun_mode << " level " << level);
                const RunParams p = params(site, sun_mode, 1, level);
                Site s = loaded(p);
                site_geometry(p, s);
                V3 p1 = point(s, 1), p2 = point(s, 2), p3 = point(s, 3);
                if (sun_mode == 3) p1.z = p2.z = p3.z = 0.0; // flat triangle
                const double a = dist(p2, p3), b = dist(p1, p3), c = dist(p1, p2);
                EXPECT_NEAR(base.pyr(21), a, 1e-9);
                EXPECT_NEAR(base.pyr(22), b, 1e-9);
                EXPECT_NEAR(base.pyr(23), c, 1e-9);
                EXPECT_NEAR(base.pyr(24), b / a, 1e-12);
                EXPECT_NEAR(base.pyr(25), c / a, 1e-12);
                EXPECT_NEAR(base.pyr(26), c / b, 1e-12);
                // Interior angles by the law of cosines: pyr(27) at point 3,
                // pyr(28) the exterior angle at point 2, pyr(29) the angle at point 1.
                const double g3 = std::acos((a * a + b * b - c * c) / (2 * a * b));
                const double g2 = std::acos((a * a + c * c - b * b) / (2 * a * c));
                const double g1 = std::acos((b * b + c * c - a * a) / (2 * b * c));
                EXPECT_NEAR(base.pyr(27), g3, 1e-9);
                EXPECT_NEAR(base.pyr(28), pi - g2, 1e-9);
                EXPECT_NEAR(base.pyr(29), g1, 1e-9);

                if (sun_mode == 3) {
                    EXPECT_NEAR(std::tan(-base.pyr(31)), (p2.y - p3.y) / (p2.x - p3.x), 1e-12);
                    EXPECT_NEAR(std::tan(-base.pyr(33)), (p1.y - p2.y) / (p1.x - p2.x), 1e-12);
                    EXPECT_NEAR(base.pyr(38), (p2.x + p1.x) / 2 - p3.x, 1e-12);
                    EXPECT_NEAR(base.pyr(39), (p2.y + p1.y) / 2 - p3.y, 1e-12);
                    EXPECT_EQ(base.pyr(7), 0.0);
                } else {
                    // The normal: perpendicular to both sides from point 3, of the
                    // mean length of those sides, and B' x A' (not A' x B').
                    const V3 n{base.pyr(7), base.pyr(8), base.pyr(9)};
                    const V3 va{p2.x - p3.x, p2.y - p3.y, p2.z - p3.z};
                    const V3 vb{p1.x - p3.x, p1.y - p3.y, p1.z - p3.z};
                    EXPECT_NEAR((n.x * va.x + n.y * va.y + n.z * va.z) / (a * a), 0.0, 1e-12);
                    EXPECT_NEAR((n.x * vb.x + n.y * vb.y + n.z * vb.z) / (b * b), 0.0, 1e-12);
                    EXPECT_NEAR(std::hypot(n.x, n.y, n.z), (a + b) / 2, 1e-9);
                    // Triple product [B', A', n] > 0 for n along B' x A'.
                    const double det = vb.x * (va.y * n.z - va.z * n.y) - vb.y * (va.x * n.z - va.z * n.x) +
                                       vb.z * (va.x * n.y - va.y * n.x);
                    EXPECT_GT(det, 0.0);
                    EXPECT_DOUBLE_EQ(base.pyr(19), p1.z - p2.z);
                }

                // Centroid and spread use the real heights in every mode.
                const V3 q1 = point(s, 1), q2 = point(s, 2), q3 = point(s, 3);
                const V3 g{(q1.x + q2.x + q3.x) / 3, (q1.y + q2.y + q3.y) / 3, (q1.z + q2.z + q3.z) / 3};
                EXPECT_NEAR(s.centroid[0], g.x, 1e-9);
                EXPECT_NEAR(s.centroid[2], g.z, 1e-9);
                EXPECT_NEAR(s.spread, (dist(q1, g) + dist(q2, g) + dist(q3, g)) / 3, 1e-9);
                // The fit's target: point 3 at the origin, then point 2, then point 1.
                EXPECT_EQ(s.rel(1), 0.0);
                EXPECT_EQ(s.rel(3), 0.0);
                EXPECT_DOUBLE_EQ(s.rel(4), q2.x - q3.x);
                EXPECT_DOUBLE_EQ(s.rel(6), q2.z - q3.z);
                EXPECT_DOUBLE_EQ(s.rel(8), q1.y - q3.y);
            }
        }
    }
}

// --- damaged files ------------------------------------------------------------

// Writes a copy of the installed file with line n replaced (or the file cut
// after line n when cut is set) into the scratch directory.
void damaged_copy(int n, const std::string& replacement, bool cut = false)
{
    auto lines = lines_of(read_file(install_data() / "ingiza.t"));
    if (cut) {
        lines.resize(static_cast<std::size_t>(n));
    } else {
        lines.at(static_cast<std::size_t>(n - 1)) = replacement;
    }
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    write_file("ingiza.t", text);
}

DataError load_error(const RunParams& p)
{
    Site s;
    try {
        load_site(p, 0, s);
    } catch (const DataError& e) {
        return e;
    }
    ADD_FAILURE() << "no DataError";
    return DataError(DataError::Kind::invalid, "", 0, "");
}

TEST(SiteDamaged, MissingShortAndMalformedFilesNameFileAndLine)
{
    {
        ScratchDir dir(false);
        const DataError e = load_error(params(1, 5));
        EXPECT_EQ(e.kind(), DataError::Kind::missing);
        EXPECT_NE(std::string(e.what()).find("ingiza.t"), std::string::npos);
    }
    {
        ScratchDir dir;
        damaged_copy(33, "", true); // ends inside the Giza block
        const DataError e = load_error(params(1, 5));
        EXPECT_EQ(e.kind(), DataError::Kind::end_of_file);
        EXPECT_EQ(e.file(), "ingiza.t");
        EXPECT_NE(std::string(e.what()).find("Giza site block"), std::string::npos) << e.what();
        // The chambers' block is complete, but their listing values are missing.
        const DataError c = load_error(params(2, 5));
        EXPECT_EQ(c.kind(), DataError::Kind::end_of_file);
        EXPECT_NE(std::string(c.what()).find("listing values"), std::string::npos) << c.what();
    }
    {
        ScratchDir dir;
        damaged_copy(37, "'Khafre            '   385.33  west  70.4   143.5");
        const DataError e = load_error(params(1, 5));
        EXPECT_EQ(e.kind(), DataError::Kind::unreadable);
        EXPECT_EQ(e.line(), 37);
        EXPECT_NE(std::string(e.what()).find("ingiza.t"), std::string::npos);
        // The chambers never read that line.
        Site s;
        EXPECT_NO_THROW(load_site(params(2, 5), 0, s));
    }
    {
        ScratchDir dir;
        damaged_copy(30, "'fit iw(1..4)      '  8.5  2000  0  0"); // a real for an integer
        const DataError e = load_error(params(1, 5));
        EXPECT_EQ(e.line(), 30);
    }
    {
        ScratchDir dir;
        damaged_copy(40, "'target differences'  18.30"); // one target only
        // The missing value is sought on the next line, which holds text.
        const DataError e = load_error(params(1, 2));
        EXPECT_EQ(e.kind(), DataError::Kind::unreadable);
        // Sun mode 1 skips that line.
        Site s;
        EXPECT_NO_THROW(load_site(params(1, 1), 0, s));
    }
    {
        ScratchDir dir;
        damaged_copy(46, "", true); // ends after the first listing value
        const DataError e = load_error(params(1, 5));
        EXPECT_EQ(e.kind(), DataError::Kind::end_of_file);
        EXPECT_NE(std::string(e.what()).find("listing values"), std::string::npos);
    }
}

// A layout whose ratios or directions would divide by zero ends the run with a
// message instead of carrying inf or NaN into every comparison.
TEST(SiteDamaged, DegenerateLayoutsAreRejected)
{
    ScratchDir dir;
    struct Case {
        std::string khafre; // replacement of line 37
        int sun_mode;
        bool rejected;
    };
    const std::vector<Case> cases{
        {"'Khafre            '   0.0  -240.03  70.4  143.5", 1, true},    // x as Menkaure
        {"'Khafre            '   385.33  0.0  70.4  143.5", 2, true},     // y as Menkaure
        {"'Khafre            '   385.33  0.0  70.4  143.5", 5, false},    // fine in space
        {"'Khafre            '   739.19  -100.0  70.4  143.5", 3, true},  // x as Khufu
        {"'Khafre            '   739.19  -100.0  70.4  143.5", 5, false},
        {"'Khafre            '   369.595  -287.225  62.2  143.5", 5, true}, // on the line Khufu-Menkaure
        {"'Khafre            '   0.0  0.0  64.0  143.5", 4, true},          // on Menkaure
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.khafre + " mode " + std::to_string(c.sun_mode));
        damaged_copy(37, c.khafre);
        const RunParams p = params(1, c.sun_mode);
        Site s;
        load_site(p, 0, s);
        if (c.rejected) {
            try {
                site_geometry(p, s);
                ADD_FAILURE() << "accepted";
            } catch (const DataError& e) {
                EXPECT_EQ(e.file(), "ingiza.t");
                EXPECT_EQ(e.kind(), DataError::Kind::invalid);
            }
        } else {
            EXPECT_NO_THROW(site_geometry(p, s));
            for (int i = 1; i <= 40; ++i) EXPECT_TRUE(std::isfinite(base.pyr(i))) << i;
        }
    }
}

// --- working copies of the fit settings -----------------------------------------

TEST(SiteFit, RefreshRestoresTheStartValuesWithAnglesInRadians)
{
    RunParams p = params(1, 5);
    Site s = loaded(p);
    s.xstart(4) = 90.0;
    s.xstart(5) = -45.0;
    s.xstart(6) = 180.0;
    refresh_fit(s);
    auto& f = s.fit;
    EXPECT_EQ(f.x(1), s.xstart(1));
    EXPECT_NEAR(f.x(4), pi / 2, 1e-15);
    EXPECT_NEAR(f.x(5), -pi / 4, 1e-15);
    EXPECT_NEAR(f.x(6), pi, 1e-15);
    EXPECT_EQ(f.x(7), s.xstart(7));
    EXPECT_EQ(f.dx(7), s.dx(7));
    const int np = std::max(s.iwork(1), 8);
    EXPECT_GE(f.w.size(), fitex_wsize(9, 7, np));
    EXPECT_GE(f.iw.size(), fitex_iwsize(np));

    // A fit changes the working copies; the next refresh starts afresh.
    f.x(4) = 3.0;
    f.x(7) = 1.0;
    f.iw[2] = 17;
    f.w[0] = -1.0;
    f.trace = 5;
    refresh_fit(s);
    EXPECT_NEAR(f.x(4), pi / 2, 1e-15);
    EXPECT_EQ(f.x(7), s.xstart(7));
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(f.iw[static_cast<std::size_t>(i - 1)], s.iwork(i));
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(f.w[static_cast<std::size_t>(i - 1)], s.wwork(i));
    EXPECT_EQ(f.trace, s.trace);
}

} // namespace
} // namespace r7
