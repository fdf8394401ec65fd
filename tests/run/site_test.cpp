#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <tuple>

#include "io/error.hpp"
#include "run/site.hpp"
#include "test_support.hpp"

namespace r7 {
namespace {

using test::install_data;

RunParams params(int main_option, int sun_mode)
{
    return RunParams{.main_option = main_option, .ephem_choice = 1, .planet_order = 1, .sun_mode = sun_mode,
                     .level_choice = 1, .view = 1};
}

Site loaded(const RunParams& p)
{
    Site s;
    load_site(p, 0, s, (install_data() / "ingiza.t").string());
    return s;
}

TEST(SiteGeometry, LengthsAndAnglesMatchTheLawOfCosines)
{
    for (int site : {1, 2}) {
        SCOPED_TRACE(site);
        const Site s = loaded(params(site, 1));
        auto d = [&](int i, int j, int q) { return s.pg(i, q) - s.pg(j, q); };
        // The side lengths, their ratios and the angles by the law of cosines;
        // the normal of length (|A'| + |B'|)/2 at right angles to both sides.
        const SiteGeometry g = site_geometry(params(site, 5), s);
        auto len = [&](int i, int j) { return std::hypot(d(i, j, 1), d(i, j, 2), d(i, j, 3)); };
        const double a = len(2, 3), b = len(1, 3), c = len(1, 2);
        for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(g.length[i], (std::array{a, b, c}[i]), 1e-9);
        EXPECT_NEAR(g.ratio[0], b / a, 1e-12);
        EXPECT_NEAR(g.ratio[2], c / b, 1e-12);
        EXPECT_NEAR(g.angle[0], std::acos((a * a + b * b - c * c) / (2 * a * b)), 1e-9);
        EXPECT_NEAR(g.angle[1], std::numbers::pi - std::acos((a * a + c * c - b * b) / (2 * a * c)), 1e-9);
        EXPECT_NEAR(g.angle[2], std::acos((b * b + c * c - a * a) / (2 * b * c)), 1e-9);
        const auto& n = g.normal;
        EXPECT_NEAR(std::hypot(n.x, n.y, n.z), (a + b) / 2, 1e-9);
        for (int j : {1, 2}) EXPECT_NEAR(n.x * d(j, 3, 1) + n.y * d(j, 3, 2) + n.z * d(j, 3, 3), 0.0, 1e-6);
        EXPECT_NEAR(g.centroid.y, (s.pg(1, 2) + s.pg(2, 2) + s.pg(3, 2)) / 3, 1e-9);
    }
}

// A layout whose ratios or directions would divide by zero ends the run with a
// message instead of carrying inf or NaN into every comparison.
TEST(SiteDamaged, DegenerateLayoutsAreRejected)
{
    // Khafre moved onto Menkaure's x (a ratio's divisor in the plane), or onto
    // the line Khufu-Menkaure (no triangle in space).
    for (auto [x, y, z, sun_mode] : {std::tuple{0.0, -240.03, 70.4, 1}, {369.595, -287.225, 62.2, 5}}) {
        const RunParams p = params(1, sun_mode);
        Site s = loaded(p);
        s.pg(2, 1) = x, s.pg(2, 2) = y, s.pg(2, 3) = z;
        try {
            (void)site_geometry(p, s);
            ADD_FAILURE() << "accepted, mode " << sun_mode;
        } catch (const DataError& e) {
            EXPECT_EQ(e.file(), "ingiza.t");
        }
    }
}

} // namespace
} // namespace r7
