#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "ephemeris/kepler.hpp"
#include "io/error.hpp"
#include "io/units.hpp"
#include "state/store.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

struct Terminal {
    std::ostringstream text;
    Terminal() { io::units().set_terminal(&text); }
    ~Terminal() { io::units().set_terminal(nullptr); }
};

constexpr double jde_2065 = 2475460.5; // 2065 June 24, 0h TT
constexpr double rad = 0.017453292519943295;

double centuries(double jde) { return (jde - 2451545.0) / 36525.0; }

class Kepler : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ScratchDir dir(false);
        fs::copy_file(test::published_data() / "invsop3.t", dir.path() / "invsop3.t");
        load_kepler();
    }
    void SetUp() override { saved_ = astro.par3; }
    void TearDown() override { astro.par3 = saved_; }

    // Gives planet j of frame s the element polynomials of the rows.
    static void set_planet(int j, int s, const std::array<std::array<double, 4>, 6>& rows)
    {
        for (int m = 1; m <= 6; ++m) {
            for (int n = 1; n <= 4; ++n) astro.par3(n, m, j, s) = rows[m - 1][n - 1];
        }
    }

    FArray<double, 1, 4, 1, 6, 1, 8, 1, 2> saved_;
};

TEST_F(Kepler, MercuryIn2065InTheFrameOfTheDate)
{
    KeplerElements el;
    int ke = -1;
    vsop3(1, 1, 6, ke, centuries(jde_2065), el);
    EXPECT_EQ(ke, 0);
    EXPECT_NEAR(el(1), 203.494701, 1e-6);
    EXPECT_NEAR(el(2), 0.387098310, 1e-9);
    EXPECT_NEAR(el(3), 0.20564510, 1e-8);
    EXPECT_NEAR(el(4), 7.006171, 1e-6);
    EXPECT_NEAR(el(5), 49.107650, 1e-6);
    EXPECT_NEAR(el(6), 78.475382, 1e-6);
    EXPECT_NEAR(el(7), 203.494701 - 78.475382, 2e-6);
    EXPECT_NEAR(el(8), 78.475382 - 49.107650, 2e-6);
    // E solves Kepler's equation; the true anomaly belongs to E.
    const double E = el(9) * rad, e = el(3);
    EXPECT_NEAR(E - e * std::sin(E), el(7) * rad, 1e-12);
    EXPECT_NEAR(std::cos(el(10) * rad), (std::cos(E) - e) / (1.0 - e * std::cos(E)), 1e-12);
    EXPECT_EQ(std::sin(el(10) * rad) > 0, std::sin(E) > 0);
    EXPECT_NEAR(el(11), el(10) + el(6) - (el(10) + el(6) > 360.0 ? 360.0 : 0.0), 1e-12);
}

TEST_F(Kepler, BothFramesAndAllPlanetsAreLoaded)
{
    // At J2000.0 the two frames coincide.
    for (int j = 1; j <= 8; ++j) {
        KeplerElements d, f;
        int ke1 = -1, ke2 = -1;
        vsop3(1, j, 6, ke1, 0.0, d);
        vsop3(2, j, 6, ke2, 0.0, f);
        EXPECT_EQ(ke1, 0);
        EXPECT_EQ(ke2, 0);
        for (int m = 1; m <= 11; ++m) EXPECT_NEAR(d(m), f(m), 1e-5) << j << " " << m;
    }
    // A century later precession has moved the node of the date frame.
    KeplerElements d, f;
    int ke = 0;
    vsop3(1, 8, 6, ke, 1.0, d);
    vsop3(2, 8, 6, ke, 1.0, f);
    EXPECT_GT(std::abs(d(5) - f(5)), 1.0);
    // Neptune's a: 30.110386869 - 1.663e-07 T + 6.9e-10 T^2, in both frames.
    EXPECT_NEAR(d(2), 30.1103867033900, 1e-12);
    EXPECT_NEAR(f(2), 30.1103867033900, 1e-12);
    EXPECT_NEAR(f(6), 48.120276 + 0.0291866 + 7.61e-05, 1e-12); // last record of the file
}

TEST(ElementAngle, ReductionIntoTheCircle)
{
    EXPECT_DOUBLE_EQ(reduce_element_angle(-10.0), 350.0);
    EXPECT_DOUBLE_EQ(reduce_element_angle(370.0), 10.0);
    EXPECT_DOUBLE_EQ(reduce_element_angle(-370.0), 350.0);
    EXPECT_DOUBLE_EQ(reduce_element_angle(725.0), 5.0);
    EXPECT_DOUBLE_EQ(reduce_element_angle(360.0), 360.0);
    EXPECT_DOUBLE_EQ(reduce_element_angle(-360.0), 0.0);
    EXPECT_DOUBLE_EQ(reduce_element_angle(0.0), 0.0);
    EXPECT_DOUBLE_EQ(reduce_element_angle(-0.5), 359.5);
}

TEST_F(Kepler, AnglesAreReducedAfterEveryTerm)
{
    // L: 350 + 20 T passes 360 within one term. Node: -10 becomes 350 first.
    // pi: 100 - 460 T - 0.0 T^2 + 1080 T^3 at T = 1.
    set_planet(5, 2, {{{350.0, 20.0, 0.0, 0.0},
                       {5.2, 0.0, 0.0, 0.0},
                       {0.05, 0.0, 0.0, 0.0},
                       {1.3, 0.0, 0.0, 0.0},
                       {-10.0, 5.0, 0.0, 0.0},
                       {100.0, -460.0, 0.0, 1080.0}}});
    KeplerElements el;
    int ke = -1;
    vsop3(2, 5, 6, ke, 1.0, el);
    EXPECT_EQ(ke, 0);
    EXPECT_NEAR(el(1), 10.0, 1e-12);
    EXPECT_NEAR(el(5), 355.0, 1e-12);
    // 100 - 460 = -360 -> 0; 0 + 1080 = 1080 -> 0.
    EXPECT_NEAR(el(6), 0.0, 1e-12);
    EXPECT_NEAR(el(7), 10.0, 1e-12); // M = L - pi
    EXPECT_NEAR(el(8), 5.0, 1e-12);  // omega = pi - node + 360
}

TEST_F(Kepler, CircularOrbit)
{
    set_planet(4, 1, {{{123.4, 0.0, 0.0, 0.0},
                       {1.5, 0.0, 0.0, 0.0},
                       {0.0, 0.0, 0.0, 0.0},
                       {1.8, 0.0, 0.0, 0.0},
                       {49.5, 0.0, 0.0, 0.0},
                       {336.0, 0.0, 0.0, 0.0}}});
    KeplerElements el;
    int ke = -1;
    vsop3(1, 4, 6, ke, 0.3, el);
    EXPECT_EQ(ke, 0);
    EXPECT_NEAR(el(7), 147.4, 1e-12); // 123.4 - 336 + 360
    EXPECT_NEAR(el(9), el(7), 1e-12); // E = M
    EXPECT_NEAR(el(10), el(9), 1e-12);
    EXPECT_NEAR(el(11), 123.4, 1e-12); // nu + pi - 360
}

TEST_F(Kepler, NewtonConvergesAtHighEccentricity)
{
    for (double e : {0.9, 0.97, 0.995}) {
        for (double M : {0.5, 5.0, 90.0, 179.0, 181.0, 300.0, 359.9}) {
            set_planet(6, 1, {{{M + 10.0, 0.0, 0.0, 0.0},
                               {9.5, 0.0, 0.0, 0.0},
                               {e, 0.0, 0.0, 0.0},
                               {2.5, 0.0, 0.0, 0.0},
                               {113.0, 0.0, 0.0, 0.0},
                               {10.0, 0.0, 0.0, 0.0}}});
            KeplerElements el;
            int ke = -1;
            vsop3(1, 6, 6, ke, 0.0, el);
            ASSERT_EQ(ke, 0) << e << " " << M;
            const double E = el(9) * rad;
            EXPECT_NEAR(E - e * std::sin(E), M * rad, 1e-12) << e << " " << M;
            EXPECT_GE(el(10), 0.0);
            EXPECT_LT(el(10), 360.0);
            // Same half of the orbit for E and nu, and the anomaly relation.
            EXPECT_EQ(el(10) < 180.0, el(9) < 180.0) << e << " " << M;
            EXPECT_NEAR(std::cos(el(10) * rad), (std::cos(E) - e) / (1.0 - e * std::cos(E)), 1e-9);
        }
    }
}

TEST_F(Kepler, NoConvergenceIsReportedAndLeavesTheAnomalies)
{
    Terminal term;
    // e = 1 at perihelion: the derivative of Kepler's equation vanishes.
    set_planet(7, 1, {{{80.0, 0.0, 0.0, 0.0},
                       {19.2, 0.0, 0.0, 0.0},
                       {1.0, 0.0, 0.0, 0.0},
                       {0.8, 0.0, 0.0, 0.0},
                       {74.0, 0.0, 0.0, 0.0},
                       {80.0, 0.0, 0.0, 0.0}}});
    KeplerElements el;
    for (int m = 1; m <= 11; ++m) el(m) = -1.0;
    int ke = 0;
    vsop3(1, 7, 6, ke, 0.0, el);
    EXPECT_EQ(ke, 2);
    EXPECT_EQ(el(9), -1.0);
    EXPECT_EQ(el(10), -1.0);
    EXPECT_EQ(el(11), -1.0);
    EXPECT_DOUBLE_EQ(el(1), 80.0);
    EXPECT_EQ(term.text.str(), "\n  ---->  error in \"vsop3\" (Keplers equation), ke = 2\n\n");
}

class ElementsTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        const double v[8][6] = {
            {203.494701, 0.38709831, 0.2056451, 49.10765, 7.006171, 78.475382},
            {1.0, 0.72333, 0.0068, 76.7, 3.39, 131.6},
            {100.466457, 1.000001018, 0.01670863, 174.873176, 0.0, 102.937348},
            {2.0, 1.5237, 0.0934, 49.6, 1.85, 336.1},
            {3.0, 5.2026, 0.0485, 100.5, 1.3, 14.3},
            {4.0, 9.5549, 0.0555, 113.7, 2.49, 93.1},
            {5.0, 19.2184, 0.0463, 74.0, 0.77, 173.0},
            {304.348667, 30.110386869, 0.00898809, 131.784057, 1.769953, 48.120276}};
        for (int j = 0; j < 8; ++j) {
            for (int m = 0; m < 6; ++m) base.re(31 + 6 * j + m) = v[j][m];
        }
    }
    Terminal term;
};

TEST_F(ElementsTable, RowsInBothFrames)
{
    elements(6, 1, Base::pla_all);
    const auto lines = test::lines_of(term.text.str());
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], " pla.   mean long.   a [AU]   eccentr.  asc.node    incl.   per.[°]   per.[AU]");
    EXPECT_EQ(lines[1], " " + std::string(79, '-'));
    EXPECT_EQ(lines[2], " Mer    203.49470   0.38710   0.20565   49.10765  7.00617   78.47538   0.30749");
    EXPECT_EQ(lines[4], " Ear    100.46646   1.00000   0.01671  174.87318  0.00000  102.93735   0.98329");
    EXPECT_EQ(lines[9], " Nep    304.34867  30.11039   0.00899  131.78406  1.76995   48.12028  29.83975");
    EXPECT_EQ(lines[3].substr(0, 4), " Ven");
    EXPECT_EQ(lines[8].substr(0, 4), " Ura");

    term.text.str("");
    elements(6, 3, Base::pla_all);
    const auto date = test::lines_of(term.text.str());
    ASSERT_EQ(date.size(), 10u);
    EXPECT_EQ(date[4], " Ear    100.46646   1.00000   0.01671     ---     0.00000  102.93735   0.98329");
    EXPECT_EQ(date[2], lines[2]); // only the Earth's node is blanked
    EXPECT_EQ(date[9], lines[9]);
}

class KeplerFile : public ::testing::Test {
protected:
    void SetUp() override { saved_ = astro.par3; }
    void TearDown() override { astro.par3 = saved_; }

    // Copies the published file into the scratch directory with line n
    // (1-based) replaced, or cut before line n when replacement is null.
    static void damaged_copy(int n, const char* replacement)
    {
        const auto lines = test::lines_of(test::read_file(test::published_data() / "invsop3.t"));
        std::string text;
        for (int i = 1; i <= static_cast<int>(lines.size()); ++i) {
            if (i == n) {
                if (!replacement) break;
                text += replacement;
            } else {
                text += lines[static_cast<std::size_t>(i - 1)];
            }
            text += "\n";
        }
        test::write_file("invsop3.t", text);
    }

    static DataError load_error()
    {
        try {
            load_kepler();
        } catch (const DataError& e) {
            return e;
        }
        ADD_FAILURE() << "no DataError";
        return DataError(DataError::Kind::invalid, "", 0, "");
    }

    FArray<double, 1, 4, 1, 6, 1, 8, 1, 2> saved_;
};

TEST_F(KeplerFile, TruncatedFileNamesTheFileAndKeepsTheTable)
{
    ScratchDir dir(false);
    astro.par3(1, 1, 1, 1) = 1234.5;
    damaged_copy(100, nullptr); // the file ends within the second frame
    const DataError e = load_error();
    EXPECT_EQ(e.file(), "invsop3.t");
    EXPECT_NE(std::string(e.what()).find("invsop3.t"), std::string::npos);
    EXPECT_EQ(e.kind(), DataError::Kind::end_of_file);
    EXPECT_EQ(astro.par3(1, 1, 1, 1), 1234.5); // nothing of the damaged file taken
}

TEST_F(KeplerFile, MalformedRecordsNameTheLine)
{
    ScratchDir dir(false);
    // Line 6 is Mercury's record of L in the first frame.
    damaged_copy(6, "  252.250906  149474.07  abc  1.8e-08");
    DataError e = load_error();
    EXPECT_EQ(e.file(), "invsop3.t");
    EXPECT_EQ(e.line(), 6);
    EXPECT_NE(std::string(e.what()).find("line 6"), std::string::npos);

    // Line 8: Mercury's eccentricity, impossible for an ellipse.
    damaged_copy(8, "  1.20563175  0.0  0.0  0.0");
    e = load_error();
    EXPECT_EQ(e.line(), 8);
    EXPECT_EQ(e.kind(), DataError::Kind::invalid);
    EXPECT_NE(std::string(e.what()).find("invsop3.t"), std::string::npos);
}

TEST_F(KeplerFile, MissingFile)
{
    ScratchDir dir(false);
    try {
        load_kepler();
    } catch (const DataError& e) {
        EXPECT_EQ(e.kind(), DataError::Kind::missing);
        EXPECT_EQ(e.file(), "invsop3.t");
    }
}

} // namespace
} // namespace r7
