#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ephemeris/coord.hpp"
#include "ephemeris/listing.hpp"
#include "ephemeris/vsop87.hpp"
#include "io/layout.hpp"
#include "io/units.hpp"
#include "state/store.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::lines_of;
using test::published_data;
using test::read_file;

constexpr double rad = 0.017453292519943295;
constexpr double j2000 = 2451545.0;
const std::string eq(79, '='), dash(79, '-');

struct Spherical {
    double l, b, r;
    std::array<double, 3> xyz;
};

// The full-series files are read once for the whole suite, from a scratch
// directory that links the published data.
class Listing : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<test::ScratchDir>();
        kload_a_.fill(1);
        kload_c_.fill(1);
    }
    static void TearDownTestSuite() { dir_.reset(); }

    void SetUp() override { io::units().set_terminal(&os_); }
    void TearDown() override { io::units().set_terminal(nullptr); }

    static LoadState& kload(int kvers) { return kvers == 1 ? kload_a_ : kload_c_; }

    static Spherical planet(double jde, int kvers, int body)
    {
        Spherical s{};
        std::array<double, 3> lbr{};
        int ierr = 0;
        vsop2(jde, kvers, body, kload(kvers), 6, 0.0, 10, s.xyz, ierr, lbr);
        EXPECT_EQ(ierr, 0);
        s.l = lbr[0];
        s.b = lbr[1];
        s.r = lbr[2];
        return s;
    }

    // Runs plako on the terminal unit and returns the lines it wrote.
    std::vector<std::string> run(int kvers, int mode, int constellation, int k, int sun_mode, int& tflag,
                                 double& jde, std::array<double, 4> dates = {})
    {
        std::array<double, 3> xyz{}, lbr{};
        int ierr = 0;
        os_.str("");
        plako(diff_, 1, constellation, k, sun_mode, tflag, ref_, r0_, x_, p_, t_, m_, mode, dates, jde, kvers,
              kload(kvers), 6, 0.0, 10, xyz, ierr, lbr);
        return lines_of(os_.str());
    }

    static double field(const std::string& line, std::size_t from, std::size_t width)
    {
        return std::stod(line.substr(from, width));
    }

    static inline std::unique_ptr<test::ScratchDir> dir_;
    static inline LoadState kload_a_{}, kload_c_{};
    std::ostringstream os_;

    FArray<double, 1, 9> diff_ = [] {
        FArray<double, 1, 9> d;
        const std::array<double, 9> v{0.0, 12.19, 21.41, 0.0, -34.784, 145.0, 60.4, 168.0, 21.41};
        for (int j = 1; j <= 9; ++j) d(j) = v[static_cast<std::size_t>(j - 1)];
        return d;
    }();
    // Giza-like monument points (all x, all y, all z) and the fit's frame.
    std::array<double, 9> m_{739.19, 385.33, 0.0, -574.45, -240.03, 0.0, 60.4, 70.4, 64.0};
    std::array<double, 3> ref_{374.84, -271.49, 64.93};
    double r0_ = 500.0;
    std::array<double, 7> x_{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1000.0};
    std::array<double, 9> p_{};
    SiteTable t_;
};

// Values of the published check table for the C set at J2000.0.
std::array<double, 3> check_xyz(const std::string& body)
{
    const auto lines = lines_of(read_file(published_data() / "vsop87.chk"));
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const auto& l = lines[i];
        if (l.rfind(" VSOP87C", 0) == 0 && l.find(" " + body + " ") != std::string::npos &&
            l.find("JD2451545.0") != std::string::npos) {
            std::istringstream in(lines[i + 1]);
            std::string tag, unit;
            std::array<double, 3> v{};
            for (double& c : v) in >> tag >> c >> unit;
            return v;
        }
    }
    ADD_FAILURE() << body << " not in the check table";
    return {};
}

TEST_F(Listing, HeliocentricRowsOfTheDateSetAgreeWithTheCheckTable)
{
    const Spherical mer = planet(j2000, 3, 1);
    base.re(1) = mer.l;
    int tflag = 0;
    double jde = j2000;
    const auto out = run(3, 0, 15, 0, 1, tflag, jde);

    ASSERT_EQ(out.size(), 13u); // empty line, ruler, heading, ruler, 8 planets, ruler
    EXPECT_EQ(out[0], "");
    EXPECT_EQ(out[1], " " + eq);
    EXPECT_EQ(out[2], "pla.   x[AU]     y[AU]     z[AU]      L       B       r[AU]     Lm-L     dev.");
    EXPECT_EQ(out[3], " " + dash);
    EXPECT_EQ(out[12], " " + eq);
    EXPECT_EQ(tflag, 0);

    const std::array<const char*, 8> names{"MERCURY", "VENUS", "EARTH", "MARS", "JUPITER", "SATURN", "URANUS", "NEPTUNE"};
    for (int j = 1; j <= 8; ++j) {
        SCOPED_TRACE(j);
        const std::string& row = out[static_cast<std::size_t>(3 + j)];
        EXPECT_EQ(row.substr(0, 4), " " + std::string(Base::pla(j)));
        const auto chk = check_xyz(names[static_cast<std::size_t>(j - 1)]);
        EXPECT_NEAR(field(row, 4, 10), chk[0], 6e-7);
        EXPECT_NEAR(field(row, 14, 10), chk[1], 6e-7);
        EXPECT_NEAR(field(row, 24, 10), chk[2], 6e-7);
        const Spherical s = planet(j2000, 3, j);
        EXPECT_NEAR(field(row, 34, 9), s.l, 6e-5);
        EXPECT_NEAR(field(row, 43, 8), s.b, 6e-5);
        EXPECT_NEAR(field(row, 51, 10), s.r, 6e-7);
        double lm = std::remainder(mer.l - s.l, 360.0);
        EXPECT_NEAR(field(row, 61, 9), lm, 6e-5);
        if (j == 4 || j == 7 || j == 8) {
            EXPECT_EQ(row.substr(70), "    --- ");
            EXPECT_EQ(row.size(), 78u);
        } else {
            EXPECT_NEAR(field(row, 70, 9), std::remainder(lm - diff_(j), 360.0), 6e-5);
            EXPECT_EQ(row.size(), 79u);
        }
    }
    EXPECT_EQ(out[4].substr(61), "   0.0000   0.0000"); // Mercury against itself
}

TEST_F(Listing, J2000SetListsTheBarycentreAndReducesDifferencesTo180)
{
    const Spherical ven = planet(j2000, 1, 2);
    // Venus 190 degrees ahead of Mercury shows 170, not -190.
    base.re(1) = std::fmod(ven.l - 190.0 + 360.0, 360.0);
    int tflag = 0;
    double jde = j2000;
    const auto out = run(1, 0, 15, 0, 1, tflag, jde);
    ASSERT_EQ(out.size(), 14u);
    EXPECT_EQ(out[12].substr(0, 4), " E-M");
    EXPECT_NEAR(field(out[5], 61, 9), 170.0, 1e-9);
    EXPECT_NEAR(field(out[5], 70, 9), 170.0 - 12.19, 1e-9);
}

TEST_F(Listing, FittedConstellationIsCarriedIntoTheSiteFrame)
{
    const double jde0 = 2849079.7633; // the pyramids' date of the site file
    const Spherical mer = planet(jde0, 3, 1);
    base.re(1) = mer.l;
    base.re(2) = mer.b;
    base.re(3) = mer.r;
    base.xyr(36) = 2.0; // F in per cent
    t_(0, 1) = -725.7;
    t_(0, 2) = 1.5;
    t_(0, 3) = 40.0;
    t_(0, 4) = 12.25;
    int tflag = 0;
    double jde = jde0;
    const auto out = run(3, 0, 12, 4519, 5, tflag, jde);
    EXPECT_EQ(tflag, 1);

    // Heliocentric part (13 lines), then the block in the site frame.
    ASSERT_EQ(out.size(), 13u + 4u + 8u);
    EXPECT_EQ(out[12], " " + eq);
    EXPECT_EQ(out[13], "  Celestial pos. in Giza    body            x[m]      y[m]      z[m]    dr[m]");
    EXPECT_EQ(out[14], " " + dash);
    EXPECT_EQ(out[15], "  Local coordinates" + std::string(9, ' ') + "Sun       " + "   -725.70" + "      1.50" +
                           "     40.00" + "    12.25");
    EXPECT_EQ(out[16].substr(0, 38), "  of the \"planets\"          Mercury   ");
    EXPECT_EQ(out[17].substr(0, 38), "  (pyramid positions)       Venus     ");
    EXPECT_EQ(out.back(), " " + eq);

    for (int j = 1; j <= 8; ++j) {
        SCOPED_TRACE(j);
        // Independently: longitudes from Mercury's, scaled by X7 onto point 3.
        const Spherical s = planet(jde0, 3, j);
        const double cb = std::cos(s.b * rad);
        const double x = 1000.0 * s.r * cb * std::cos((s.l - mer.l) * rad) + m_[2];
        const double y = 1000.0 * s.r * cb * std::sin((s.l - mer.l) * rad) + m_[5];
        const double z = 1000.0 * s.r * std::sin(s.b * rad) + m_[8];
        EXPECT_NEAR(t_(j, 1), x, 1e-6);
        EXPECT_NEAR(t_(j, 2), y, 1e-6);
        EXPECT_NEAR(t_(j, 3), z, 1e-6);
        double dr = 0.0;
        if (j <= 3) {
            const int pt = 4 - j; // Mercury - point 3, Venus - point 2, Earth - point 1
            dr = std::hypot(x - m_[static_cast<std::size_t>(pt - 1)], y - m_[static_cast<std::size_t>(pt + 2)],
                            z - m_[static_cast<std::size_t>(pt + 5)]);
        } else {
            double d = std::hypot(x - ref_[0], y - ref_[1], z - ref_[2]);
            if (d < r0_) d = (d * d / r0_ + r0_) / 2.0;
            dr = d * 2.0 / 100.0;
        }
        EXPECT_NEAR(t_(j, 4), dr, 1e-6);
        const std::string& row = out[static_cast<std::size_t>(15 + j)];
        EXPECT_EQ(row.substr(28, 10), std::string(Base::plan(j)));
        EXPECT_NEAR(field(row, 38, 10), x, 0.006);
        EXPECT_NEAR(field(row, 68, 9), dr, 0.006);
        EXPECT_EQ(row.substr(77), j <= 3 ? " <" : "  ");
    }
    // Mercury itself lies on the x axis of the frame: on point 3's east-west line.
    EXPECT_NEAR(t_(1, 2), m_[5], 1e-9);
}

TEST_F(Listing, TransformationNeedsAFittedCaseOrAnEarlierOne)
{
    const double jde0 = 2849079.7633;
    base.re(1) = planet(jde0, 3, 1).l;
    base.xyr(36) = 1.0;
    t_(5, 1) = 123.0;
    double jde = jde0;
    int tflag = 0;
    // Not a predefined constellation, k of no site, or no three-dimensional fit.
    for (auto [c, k, sm] : {std::array{15, 4520, 5}, std::array{12, 4519, 4}, std::array{0, 4518, 5}}) {
        EXPECT_EQ(run(3, 0, c, k, sm, tflag, jde).size(), 13u);
        EXPECT_EQ(tflag, 0);
    }
    EXPECT_EQ(t_(5, 1), 123.0); // the site table is left alone
    tflag = 1; // once set, the listing goes on in the site frame
    EXPECT_EQ(run(3, 0, 15, 4520, 5, tflag, jde).size(), 25u);
    EXPECT_NE(t_(5, 1), 123.0);
}

TEST_F(Listing, DatedListingGivesGeographicPositionsForFourDates)
{
    const std::array<double, 4> dates{2849035.77863, 2849065.5, 2849066.5, 2849079.7633};
    base.re(1) = planet(dates[3], 3, 1).l;
    base.xyr(36) = 1.0;
    t_(0, 1) = 0.001; // the Sun point on the reference point of site 1
    t_(0, 2) = 0.0;
    t_(0, 3) = 0.0;
    t_(0, 4) = 3.0;
    int tflag = 1;
    double jde = 0.0;
    const auto out = run(3, 1, 15, 0, 5, tflag, jde, dates);
    EXPECT_EQ(jde, dates[3]);

    // Title block, then per date three heading lines and four planets, the
    // first date also the Sun, and a closing ruler.
    ASSERT_EQ(out.size(), 4u + 4u * 7u + 1u + 1u);
    EXPECT_EQ(out[0], "");
    EXPECT_EQ(out[1], std::string(27, ' ') + "Celestial positions in Giza");
    EXPECT_EQ(out[2], " " + eq);
    EXPECT_EQ(out[3], " body          x[m]      y[m]     z[m]   dr[m]      latitude N     longitude E");
    EXPECT_EQ(out[4], " " + dash);
    EXPECT_EQ(out[5], "    date of chambers: JDE = 2849035.77863");
    EXPECT_EQ(out[6], " " + dash);
    EXPECT_EQ(out[7], "  Sun       " + std::string("     0.00") + "      0.00" + "     0.00" + "   3.00" + "     29" +
                          "  58.35174" + "    31" + "  7.69458");
    EXPECT_EQ(out[13], "    date of syzygy:   JDE = 2849065.50000");
    EXPECT_EQ(out[27], "    date of pyramids: JDE = 2849079.76330");
    EXPECT_EQ(out.back(), " " + eq);

    // The last date's planets: the east offset is minus the west coordinate.
    for (int j = 1; j <= 4; ++j) {
        const std::string& row = out[static_cast<std::size_t>(28 + j)];
        EXPECT_EQ(row.substr(2, 10), std::string(Base::plan(j)));
        int latdeg = 0, londeg = 0;
        double latmin = 0.0, lonmin = 0.0;
        geoko(t_(j, 1), -t_(j, 2), 1, latdeg, latmin, londeg, lonmin);
        EXPECT_EQ(row.substr(47), io::fmt("(i7,f10.5,i6,f9.5)", {latdeg, latmin, londeg, lonmin}).substr(0, 32));
        double d = std::hypot(t_(j, 1) - ref_[0], t_(j, 2) - ref_[1], t_(j, 3) - ref_[2]);
        if (d < r0_) d = (d * d / r0_ + r0_) / 2.0;
        EXPECT_NEAR(t_(j, 4), d / 100.0, 1e-9); // dr from the reference point in every row
    }
}

TEST_F(Listing, AphelionCoordinatesOnlyForTheirCasesAndRows)
{
    base.re(1) = 100.0;
    base.re(2) = 0.0;
    base.re(3) = 0.4;
    base.xyr(36) = 4.0;
    const double dz = 64.0;
    auto aph = [&](int ephem, int variant, int passage, int mo, int sm, int c, int detail, int menu) {
        os_.str("");
        aphelko(ephem, variant, passage, mo, sm, c, detail, menu, 6, dz, x_, p_, ref_, r0_);
        return lines_of(os_.str());
    };
    // Outside its cases nothing is written.
    EXPECT_TRUE(aph(1, 3, 1, 1, 5, 12, 2, 0).empty());
    EXPECT_TRUE(aph(3, 3, 1, 1, 5, 13, 2, 0).empty());
    EXPECT_TRUE(aph(1, 3, 2, 1, 5, 13, 2, 0).empty());
    EXPECT_TRUE(aph(1, 3, 1, 2, 5, 13, 2, 0).empty());
    EXPECT_TRUE(aph(1, 3, 1, 1, 4, 13, 2, 0).empty());
    EXPECT_TRUE(aph(1, 3, 1, 1, 5, 13, 1, 0).empty());

    struct Case {
        int variant, constellation, menu, row;
    };
    for (const Case c : {Case{1, 13, 0, 1}, Case{3, 13, 0, 2}, Case{1, 14, 0, 3}, Case{3, 14, 0, 4},
                         Case{3, 13, 323, 5}, Case{1, 14, 322, 6}, Case{1, 12, 322, 6}}) {
        SCOPED_TRACE(c.row);
        const auto out = aph(1, c.variant, 1, 1, 5, c.constellation, 2, c.menu);
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(out[0].substr(0, 35), "  Mercury aphelion coordinates [m]:");
        EXPECT_EQ(out[1], " " + eq);
        const auto& a = aphelm[static_cast<std::size_t>(c.row - 1)];
        const double cb = std::cos(a[1] * rad);
        const double x = 1000.0 * a[2] * cb * std::cos((a[0] - 100.0) * rad);
        const double y = 1000.0 * a[2] * cb * std::sin((a[0] - 100.0) * rad);
        const double z = 1000.0 * a[2] * std::sin(a[1] * rad) + dz;
        double d = std::hypot(x - ref_[0], y - ref_[1], z - ref_[2]);
        if (d < r0_) d = (d * d / r0_ + r0_) / 2.0;
        EXPECT_EQ(out[0].size(), 35u + 13u + 10u + 10u + 9u);
        EXPECT_NEAR(field(out[0], 35, 13), x, 0.006);
        EXPECT_NEAR(field(out[0], 48, 10), y, 0.006);
        EXPECT_NEAR(field(out[0], 58, 10), z, 0.006);
        EXPECT_NEAR(field(out[0], 68, 9), d * 4.0 / 100.0, 0.006);
    }
    // Far from the reference point the distance is not softened.
    ref_ = {1.0e5, 0.0, 0.0};
    const auto out = aph(1, 1, 1, 1, 5, 13, 2, 0);
    const double far = field(out[0], 68, 9);
    EXPECT_NEAR(far, std::hypot(1.0e5 - p_[3], p_[4], p_[5]) * 0.04, 0.006);
}

} // namespace
} // namespace r7
