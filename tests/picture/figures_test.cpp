// Geometry of the figures: where the marks land in pixels, checked against the
// numbers the report prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "picture/chart.hpp"
#include "picture/sitefig.hpp"
#include "picture/studyfig.hpp"
#include "picture/transitfig.hpp"

namespace r7::picture {
namespace {

constexpr double half_pixel = 0.5;

double dist(const Disk& a, const Disk& b) { return std::hypot(a.cx - b.cx, a.cy - b.cy); }

// Distance of a point from the line through (x1, y1) and (x2, y2).
double from_line(double x, double y, double x1, double y1, double x2, double y2)
{
    return std::abs((x2 - x1) * (y1 - y) - (x1 - x) * (y2 - y1)) / std::hypot(x2 - x1, y2 - y1);
}

results::Phase at(double pa) { return results::Phase{true, 0, 0, 0, pa}; }

// Rows as the transit tables print them (answers 12 and 11).
struct TransitCase {
    const char* name;
    results::Transit t;
};

std::vector<TransitCase> transit_cases()
{
    std::vector<TransitCase> cases;
    results::Transit venus2004; // 8 June 2004, phases and position angles
    venus2004.body = 2;
    venus2004.date_mode = 4;
    venus2004.ttype = 3;
    venus2004.sep = -626.9;
    venus2004.sd_sun = 944.71;
    venus2004.sd_planet = 29.11;
    venus2004.phase = {at(116.33), at(119.47), at(166.31), at(213.15), at(216.29)};
    cases.push_back({"Venus 2004, position angles", venus2004});

    results::Transit venus1631 = venus2004; // 7 Dec. 1631, north of the centre
    venus1631.sep = 939.3;
    venus1631.sd_sun = 974.28;
    venus1631.sd_planet = 31.84;
    venus1631.phase = {at(36.55), at(20.19), at(15.53), at(10.87), at(354.51)};
    cases.push_back({"Venus 1631, near the north limb", venus1631});

    results::Transit mercury = venus2004; // phases without position angles
    mercury.body = 1;
    mercury.date_mode = 3;
    mercury.sep = 708.1;
    mercury.sd_sun = 948.9;
    mercury.sd_planet = 6.0;
    mercury.phase = {at(0), at(0), at(0), at(0), at(0)};
    cases.push_back({"Mercury, no position angles", mercury});

    results::Transit grazing = mercury; // external contacts only
    grazing.ttype = 2;
    grazing.sep = -950.0;
    grazing.phase[1].has = false;
    grazing.phase[3].has = false;
    cases.push_back({"Mercury, grazing", grazing});
    return cases;
}

TEST(TransitDiagram, DisksTouchTheLimbAtTheContactsAndLieOnThePath)
{
    for (const auto& c : transit_cases()) {
        SCOPED_TRACE(c.name);
        const TransitGeometry g = transit_geometry(c.t);
        const Disk& sun = g.sun;
        ASSERT_NEAR(g.scale * c.t.sd_sun, sun.r, 1e-9);
        for (std::size_t i : {0u, 4u}) { // I and IV: outside, touching
            ASSERT_TRUE(g.has[i]);
            EXPECT_NEAR(dist(g.planet[i], sun), sun.r + g.planet[i].r, half_pixel);
        }
        for (std::size_t i : {1u, 3u}) { // II and III: inside, touching
            if (!g.has[i]) continue;
            EXPECT_NEAR(dist(g.planet[i], sun), sun.r - g.planet[i].r, half_pixel);
        }
        // Greatest transit at the least separation, and on the path, as are the contacts.
        EXPECT_NEAR(dist(g.planet[2], sun), std::abs(c.t.sep) * g.scale, half_pixel);
        for (std::size_t i = 0; i < 5; ++i) {
            if (!g.has[i]) continue;
            EXPECT_LT(from_line(g.planet[i].cx, g.planet[i].cy, g.x1, g.y1, g.x2, g.y2), 2.0 * half_pixel) << i;
        }
        // The planet enters on the east (left) and leaves on the west.
        EXPECT_LT(g.planet[0].cx, g.planet[4].cx);
        EXPECT_LT(g.x1, g.x2);
        // North up: a positive least separation puts the planet above the centre.
        EXPECT_EQ(g.planet[2].cy < sun.cy, c.t.sep > 0.0);
    }
}

TEST(TransitDiagram, PositionAnglesCountFromNorthThroughEast)
{
    results::Transit t = transit_cases().front().t;
    t.sep = 500.0;
    const std::vector<std::pair<double, std::pair<double, double>>> table{
        {0.0, {0.0, -1.0}}, {90.0, {-1.0, 0.0}}, {180.0, {0.0, 1.0}}, {270.0, {1.0, 0.0}}};
    for (const auto& [pa, dir] : table) {
        t.phase[2] = at(pa);
        const TransitGeometry g = transit_geometry(t);
        const double r = 500.0 * g.scale;
        EXPECT_NEAR(g.planet[2].cx - g.sun.cx, dir.first * r, 1e-6) << pa;
        EXPECT_NEAR(g.planet[2].cy - g.sun.cy, dir.second * r, 1e-6) << pa;
    }
}

TEST(Chart, FittedLinesPassThroughTheInterceptsAndStayInTheBox)
{
    results::TeotiEpoch e; // the year 2000 of answer 16
    e.year = 2000.0;
    e.x = {0.0, 94.13, 175.94, 243.18, 370.50, 1265.19, 1987.40, 4667.03, 7312.26};
    e.y[1] = {5.8423, 7.7627, 8.0343, 8.1749, 8.3578, 8.8911, 9.1552, 9.4586, 9.6536};
    e.y[0] = e.y[1];
    e.y[2] = e.y[1];
    e.u = {0.00031982, 0.00031655, 0.00031395};
    e.v = {7.77251102, 7.80325106, 7.82990173};
    e.r2 = {0.50122878, 0.49187689, 0.48326093};
    const Chart c = teoti_epoch_chart(e);
    ASSERT_EQ(c.segments().size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const Segment& s = c.segments()[k];
        // In pixels: the point (0, v) lies on the drawn segment's line.
        EXPECT_LT(from_line(c.px(0.0), c.py(e.v[k]), c.px(s.x1), c.py(s.y1), c.px(s.x2), c.py(s.y2)), half_pixel);
        EXPECT_NEAR(s.y1, e.u[k] * s.x1 + e.v[k], 1e-12);
        for (double x : {s.x1, s.x2}) EXPECT_TRUE(c.px(x) >= 69.99 && c.px(x) <= 670.01);
        for (double y : {s.y1, s.y2}) EXPECT_TRUE(c.py(y) >= 33.99 && c.py(y) <= 374.01);
    }
}

TEST(SyzygyPlan, PlanetsSitAtTheirLongitudesAndTheWedgeIsTheSpread)
{
    results::Syzygy z;
    z.planets = 4;
    z.spread = 5.5;
    z.lon = {358.0, 2.5, 0.5, 357.0}; // across the vernal equinox
    z.rad = {0.31, 0.72, 1.01, 1.52};
    const SyzygyGeometry g = syzygy_geometry(z);
    for (std::size_t i = 0; i < 4; ++i) {
        const Disk& p = g.planet[i];
        EXPECT_NEAR(dist(p, g.sun), z.rad[i] * g.scale, 1e-9);
        const double angle = std::atan2(g.sun.cy - p.cy, p.cx - g.sun.cx) * 57.29577951308232;
        EXPECT_NEAR(std::remainder(angle - z.lon[i], 360.0), 0.0, 1e-9) << i;
    }
    EXPECT_NEAR(g.wedge_to - g.wedge_from, z.spread, 1e-9);
    EXPECT_NEAR(std::remainder(g.wedge_from - 357.0, 360.0), 0.0, 1e-9);
    // The outermost orbit fits the plan.
    EXPECT_LE(1.52 * g.scale + 5.0, plan_size / 2.0);

    std::vector<results::Syzygy> events(3, z);
    events[1].spread = 0.2;
    events[2].spread = 0.2;
    EXPECT_EQ(best_syzygy(events), &events[1]);
    EXPECT_EQ(best_syzygy({}), nullptr);
}

// The best row of answer 3 (Giza) and a chamber row of answer 10.
results::SiteRow giza_row()
{
    results::SiteRow giza;
    giza.site = 1;
    giza.f = 0.250;
    giza.sun = {-646.9, 42.4, 366.5};
    giza.dr = 2.8;
    giza.point = {results::SitePoint{748.0, -466.0, 60.0}, results::SitePoint{336.0, -201.0, 70.0},
                  results::SitePoint{0.0, 0.0, 64.0}};
    giza.height = {146.6, 143.5, 65.5};
    giza.image = {results::SitePoint{749.5, -466.3, 61.0}, results::SitePoint{334.8, -200.0, 69.0},
                  results::SitePoint{0.4, 0.9, 64.2}};
    giza.mirror = results::SitePoint{-573.9, 140.7, -339.2};
    return giza;
}

results::SiteRow chamber_row()
{
    results::SiteRow chambers = giza_row();
    chambers.site = 2;
    chambers.sun = {-16.1, -18.0, 16.5};
    chambers.dr = 0.1;
    chambers.point = {results::SitePoint{-11.0, 43.0, 7.6}, results::SitePoint{0.0, 21.2, 2.9},
                      results::SitePoint{-4.0, -30.0, 8.0}};
    chambers.image = {results::SitePoint{-11.2, 43.1, 7.0}, results::SitePoint{0.1, 21.0, 3.0},
                      results::SitePoint{-4.0, -30.0, 8.0}};
    return chambers;
}

TEST(SitePlan, ImagesLieOnTheirMonumentsAndTheSunPointAtItsCoordinates)
{
    const results::SiteRow giza = giza_row();
    const results::SiteRow chambers = chamber_row();
    for (const auto* row : {&giza, &chambers}) {
        SCOPED_TRACE(row->site);
        for (std::size_t i = 0; i < 3; ++i) {
            const auto& a = row->point[i];
            const auto& b = row->image[i];
            const double residual = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
            const SiteGeometry g = site_geometry(*row);
            EXPECT_LE(dist(g.image[i], g.point[i]), residual * g.scale + half_pixel) << i;
        }
        const SiteGeometry g = site_geometry(*row);
        // The Sun point maps back to its printed plane coordinates (to the printed 0.1 m).
        const auto back = g.to_site(g.sun.cx, g.sun.cy);
        const auto plane = site_plane(row->site, row->sun);
        EXPECT_NEAR(back[0], plane[0], 0.05);
        EXPECT_NEAR(back[1], plane[1], 0.05);
        EXPECT_NEAR(g.sun.r, row->dr * g.scale, 1e-9);
        // The mirror image's Sun point too; the label gives its third coordinate.
        ASSERT_TRUE(g.mirror.has_value());
        const auto mback = g.to_site(g.mirror->cx, g.mirror->cy);
        const auto mplane = site_plane(row->site, *row->mirror);
        EXPECT_NEAR(mback[0], mplane[0], 0.05);
        EXPECT_NEAR(mback[1], mplane[1], 0.05);
        EXPECT_NE(site_svg(*row).find(row->site == 1 ? "mirror Sun point, z -339.2 m" : "mirror Sun point, z -339.20 m"),
                  std::string::npos);
        // Everything inside the picture.
        for (const Disk& d : {g.point[0], g.point[1], g.point[2], g.image[0], g.image[1], g.image[2], g.sun, *g.mirror}) {
            EXPECT_GT(d.cx, 0.0);
            EXPECT_LT(d.cx, site_width);
            EXPECT_GT(d.cy, 0.0);
            EXPECT_LT(d.cy, site_height);
        }
    }
    // Giza: north up, east to the right (y counts west).
    const SiteGeometry g = site_geometry(giza);
    EXPECT_LT(g.point[0].cy, g.point[2].cy); // Khufu north of Menkaure
    EXPECT_GT(g.point[0].cx, g.point[2].cx); // and east of it
    // A row without a mirror image (the linear system) draws none.
    results::SiteRow sle = giza;
    sle.mirror.reset();
    EXPECT_FALSE(site_geometry(sle).mirror.has_value());
    EXPECT_EQ(site_svg(sle).find("mirror"), std::string::npos);
    std::vector<results::SiteRow> rows{giza, chambers, giza};
    rows[2].f = 0.1;
    EXPECT_EQ(best_site_row(rows), &rows[2]);
    // No finite F: the first row.
    for (auto& r : rows) r.f = std::nan("");
    EXPECT_EQ(best_site_row(rows), &rows[0]);
    EXPECT_EQ(best_site_row({}), nullptr);
}

} // namespace
} // namespace r7::picture
