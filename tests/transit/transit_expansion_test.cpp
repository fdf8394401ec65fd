// The contacts of the transit computation on the full series expanded about
// each transit against geometric contacts computed here another way (the
// separation from a cross product, the light time converged).
#include <gtest/gtest.h>

#include <cmath>

#include "ephemeris/vsop87.hpp"
#include "state/constants.hpp"
#include "test_support.hpp"
#include "transit/transit.hpp"

namespace r7 {
namespace {

// The separation of planet and Sun seen from the Earth with the planet at its
// instant tp and the Earth at the arrival of its light (converged to 1e-12 d),
// as atan2 of the cross and dot products; the arrival instant in arrival.
double geometric_separation(const FullSeries& f, int p, double tp, double& arrival)
{
    const BodyPosition pl = vsop2(f, tp, p, 6);
    double tau = 0.004;
    BodyPosition e;
    for (int i = 0; i < 6; ++i) {
        e = vsop2(f, tp + tau, earth, 6);
        const double dx = pl.xyz.x - e.xyz.x, dy = pl.xyz.y - e.xyz.y, dz = pl.xyz.z - e.xyz.z;
        tau = std::sqrt(dx * dx + dy * dy + dz * dz) * 149597870700.0 / 25902068371200.0;
    }
    arrival = tp + tau;
    const double dx = pl.xyz.x - e.xyz.x, dy = pl.xyz.y - e.xyz.y, dz = pl.xyz.z - e.xyz.z;
    const double sx = -e.xyz.x, sy = -e.xyz.y, sz = -e.xyz.z;
    const double cx = sy * dz - sz * dy, cy = sz * dx - sx * dz, cz = sx * dy - sy * dx;
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), sx * dx + sy * dy + sz * dz);
}

TEST(TransitExpansion, ContactsAreTheGeometricContacts)
{
    // Mercury 2019, Venus 2012, Mercury 2815 (grazing: external contacts only),
    // Mercury -2263, Venus 9059: each contact where the separation reaches the
    // limit, found here by secant steps on the separation above.
    for (const auto& [p, t, ttype] : {std::tuple{1, 2458799.1, transit_full}, {2, 2456084.56, transit_full},
                                      {1, 2749536.52, transit_external}, {1, 895146.7, transit_full},
                                      {2, 5030011.1, transit_full}}) {
        const TransitResult r = test::transit_near(t, p);
        ASSERT_EQ(r.ttype, ttype) << t;
        // The limits as the routine takes them, from the places it is given (those of transit_near).
        const LightTime lt = vsop2tr(test::ephemerides().full(), t, p, 0.004, 1e-9, 6);
        const double s_sun = std::asin(695508000.0 / (lt.earth_lbr.r * au_m));
        const double s_pl = std::asin(planet_radius_m(p) / ((lt.earth_lbr.r - lt.planet_lbr.r) * au_m));
        for (int row : {1, 2, 4, 5}) {
            const ContactRow& cr = r.table[static_cast<std::size_t>(row)];
            if ((row == 2 || row == 4) && ttype == transit_external) {
                EXPECT_EQ(cr.jde, 0.0);
                continue;
            }
            const double target = (row == 1 || row == 5) ? s_sun + s_pl : s_sun - s_pl;
            double x0 = cr.jde - 0.004, x1 = x0 + 1e-4, arrival = 0.0;
            double f0 = geometric_separation(test::ephemerides().full(), p, x0, arrival) - target;
            double f1 = geometric_separation(test::ephemerides().full(), p, x1, arrival) - target;
            for (int i = 0; i < 30 && std::fabs(x1 - x0) > 1e-12 && f1 != f0; ++i) {
                const double x2 = x1 - f1 * (x1 - x0) / (f1 - f0);
                x0 = x1;
                f0 = f1;
                x1 = x2;
                f1 = geometric_separation(test::ephemerides().full(), p, x1, arrival) - target;
            }
            // The routine's light time stops at 2e-7 d between iterations: its
            // contacts lie within a few milliseconds of the geometric ones.
            EXPECT_NEAR(cr.jde, arrival, 0.005 / 86400.0) << "planet " << p << " at " << t << ", row " << row;
        }
    }
}

} // namespace
} // namespace r7
