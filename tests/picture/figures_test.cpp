// Geometry of the figures: where the marks land in pixels, against the numbers
// the report prints and against spherical trigonometry written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "picture/chart.hpp"
#include "picture/place.hpp"
#include "picture/sitefig.hpp"
#include "picture/sky.hpp"
#include "picture/studyfig.hpp"
#include "picture/transitfig.hpp"
#include "state/constants.hpp"
#include "svg_layout.hpp"
#include "test_support.hpp"
#include "transit/transit.hpp"

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

// Transits as the full-series runs of answers 21 and 22 computed them, of each
// planet one at each node:
// greatest transit (JDE), semidiameters, position angles of I and IV, node, least separation.
struct Computed {
    const char* date;
    int body;
    double jde, sd_sun, sd_planet, pa1, pa4;
    char node;
    double sep;
};
const std::vector<Computed> computed{
    {"15 Nov. 1999", 1, 2451498.404136023, 969.5670962917121, 4.970023412233515, 31.70181157084849, 14.031928213882946, '/', 962.99},
    {"7 May 2003", 1, 2452766.828801319, 950.4001747557027, 6.016813135070345, 15.24860360132613, 290.8633782956371, ' ', 708.32},
    {"4 Dec. 1639", 2, 2320030.268599808, 974.0241646300607, 31.832883799290876, 137.95845838024292, 255.10622029300413, '/', -523.56},
    {"8 June 2004", 2, 2453164.8477860247, 944.7141265216376, 29.11198630366465, 116.32789943283623, 216.2935220279731, ' ', -626.87},
};

results::Transit transit_of(const Computed& c, int date_mode)
{
    results::Transit t;
    t.body = c.body, t.date_mode = date_mode, t.ttype = 3, t.sep = c.sep;
    t.sd_sun = c.sd_sun, t.sd_planet = c.sd_planet, t.node = c.node, t.jde = c.jde;
    t.letter = c.body == 1 ? 'M' : 'V';
    t.phase = {at(c.pa1), at(c.pa1), at(0.0), at(c.pa4), at(c.pa4)};
    return t;
}

// The position angle of the ecliptic's pole at the Sun, from the equatorial
// places of the Sun and of the pole (right ascension 270 deg, declination 90 - eps).
double pole_angle_by_trigonometry(double jde)
{
    const double l = sky::sun_longitude(jde) * rad_per_deg, e = transit_obliquity(jde) * rad_per_deg;
    const double ra_sun = std::atan2(std::sin(l) * std::cos(e), std::cos(l)), dec_sun = std::asin(std::sin(e) * std::sin(l));
    const double d = 1.5 * pi - ra_sun;
    return std::atan2(std::sin(d), std::cos(dec_sun) * std::tan(pi / 2.0 - e) - std::sin(dec_sun) * std::cos(d)) *
           deg_per_rad;
}

// The angle of the path from contact I to IV against the ecliptic (north positive).
double tilt_from_contacts(const Computed& c, double pole_deg)
{
    const double ext = c.sd_sun + c.sd_planet, p = pole_deg * rad_per_deg;
    const double de = ext * (std::sin(c.pa4 * rad_per_deg) - std::sin(c.pa1 * rad_per_deg));
    const double dn = ext * (std::cos(c.pa4 * rad_per_deg) - std::cos(c.pa1 * rad_per_deg));
    return std::atan2(de * std::sin(p) + dn * std::cos(p), -de * std::cos(p) + dn * std::sin(p)) * deg_per_rad;
}

TEST(Sky, SunPoleAndPathTiltAsMeeusAndSphericalTrigonometryGiveThemAndAsDrawn)
{
    // Meeus, Astronomical Algorithms, example 25.a: 13 Oct. 1992, 0h TD.
    EXPECT_NEAR(sky::sun_longitude(2448908.5), 199.90988, 2e-5);
    EXPECT_NEAR(sky::earth_sun_distance(2448908.5), 0.99766, 1e-5);
    for (double jde = 2415020.0; jde < 2488000.0; jde += 913.7)
        EXPECT_NEAR(sky::ecliptic_pole_angle(jde), pole_angle_by_trigonometry(jde), 1e-9) << jde;
    for (const Computed& c : computed) {
        SCOPED_TRACE(c.date);
        EXPECT_NEAR(sky::sun_semidiameter(c.jde), c.sd_sun, 0.1);
        const double pole = pole_angle_by_trigonometry(c.jde), measured = tilt_from_contacts(c, pole);
        const double tilt = sky::path_tilt(c.body, c.sd_sun, c.sd_planet, c.node, c.jde);
        EXPECT_NEAR(tilt, measured, 0.15);

        // Without position angles: the ecliptic horizontal through the centre, the
        // path rising to the west by the tilt, the greatest transit on its normal.
        TransitGeometry g = transit_geometry(transit_of(c, 3));
        for (double y : {g.ey1, g.ey2}) EXPECT_NEAR(y, g.sun.cy, 1e-9);
        EXPECT_NEAR(std::atan2(g.y1 - g.y2, g.x2 - g.x1) * deg_per_rad, tilt, 1e-6);
        const double gx = g.planet[2].cx - g.sun.cx, gy = g.planet[2].cy - g.sun.cy;
        EXPECT_NEAR(gx * (g.x2 - g.x1) + gy * (g.y2 - g.y1), 0.0, 1e-6);
        for (double y : {g.y1, g.y2}) EXPECT_TRUE(y > transit_drawing_top && y < transit_drawing_bottom) << y;
        for (double x : {g.x1, g.x2}) EXPECT_TRUE(x > 0.0 && x < transit_width) << x;
        // With them: the ecliptic at right angles to its pole, drawn from its east (left) end.
        g = transit_geometry(transit_of(c, 4));
        const double ex = g.ex2 - g.ex1, ey = g.ey2 - g.ey1;
        EXPECT_NEAR((-std::sin(pole * rad_per_deg) * ex - std::cos(pole * rad_per_deg) * ey) / std::hypot(ex, ey), 0.0, 1e-9);
        EXPECT_GT(ex, 0.0);
        EXPECT_NEAR(g.tilt, measured, 1e-6);
    }
}

TEST(TransitDiagram, DisksTouchTheLimbAtTheContactsAndLieOnThePath)
{
    results::Transit venus2004; // 8 June 2004 with position angles
    venus2004.body = 2, venus2004.date_mode = 4, venus2004.ttype = 3, venus2004.sep = -626.9;
    venus2004.sd_sun = 944.71, venus2004.sd_planet = 29.11;
    venus2004.phase = {at(116.33), at(119.47), at(166.31), at(213.15), at(216.29)};
    results::Transit venus1631 = venus2004; // 7 Dec. 1631, near the north limb
    venus1631.sep = 939.3, venus1631.sd_sun = 974.28, venus1631.sd_planet = 31.84;
    venus1631.phase = {at(36.55), at(20.19), at(15.53), at(10.87), at(354.51)};
    results::Transit mercury = venus2004; // no position angles
    mercury.body = 1, mercury.date_mode = 3, mercury.sep = 708.1, mercury.sd_sun = 948.9, mercury.sd_planet = 6.0;
    mercury.phase = {at(0), at(0), at(0), at(0), at(0)};
    results::Transit grazing = mercury; // external contacts only
    grazing.ttype = 2, grazing.sep = -950.0, grazing.phase[1].has = false, grazing.phase[3].has = false;
    for (const auto& t : {venus2004, venus1631, mercury, grazing}) {
        SCOPED_TRACE(t.sep);
        const TransitGeometry g = transit_geometry(t);
        for (std::size_t i = 0; i < 5; ++i) {
            if (!g.has[i]) continue;
            // I and IV outside touching, II and III inside touching, all on the path.
            if (i != 2) {
                EXPECT_NEAR(dist(g.planet[i], g.sun), g.sun.r + (i == 0 || i == 4 ? 1 : -1) * g.planet[i].r, half_pixel) << i;
            }
            EXPECT_LT(from_line(g.planet[i].cx, g.planet[i].cy, g.x1, g.y1, g.x2, g.y2), 2.0 * half_pixel) << i;
        }
        EXPECT_NEAR(dist(g.planet[2], g.sun), std::abs(t.sep) * g.scale, half_pixel);
        EXPECT_LT(g.planet[0].cx, g.planet[4].cx); // in on the east (left), out on the west
        EXPECT_EQ(g.planet[2].cy < g.sun.cy, t.sep > 0.0); // north up
    }
}

TEST(Placer, CrowdedLabelsPlacedTogetherAreAllClean)
{
    // Six marks 8 pixels apart on an arc (the contacts of a grazing transit),
    // a line through them: placed one by one some labels collide, placed
    // together none does. (Marks, lines and leaders on real pages: the layout test.)
    Placer placer({0.0, 0.0, 300.0, 220.0});
    std::vector<Placer::Label> labels;
    for (int i = 0; i < 6; ++i) {
        const double a = -1.8 + 0.1 * i, x = 150.0 + 80.0 * std::cos(a), y = 140.0 + 80.0 * std::sin(a);
        placer.block_disk(x, y, 3.5);
        labels.push_back({Anchor{x, y, 6.5, a, 6.0, true},
                          {plain("IV 22:07:0" + std::to_string(i), 9.5), plain("14.03\u00b0", 9.5)}});
    }
    placer.block_line(20.0, 76.0, 280.0, 56.0);
    Placer greedy = placer;
    EXPECT_FALSE(std::all_of(labels.begin(), labels.end(),
                             [&](const auto& l) { return greedy.place(l.anchor, l.lines).clean; }));
    const std::vector<Placed> all = placer.place_all(labels);
    ASSERT_EQ(all.size(), labels.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(all[i].clean) << i;
        for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(all[i].box.overlaps(all[j].box)) << i << " " << j;
    }
    // A label wider than the view has no free place.
    Placer small({0.0, 0.0, 40.0, 40.0});
    EXPECT_FALSE(small.place(Anchor{20.0, 20.0, 4.0, 0.0, 6.0, true}, {plain("a label far too wide", 10.0)}).clean);
}

TEST(SeparationChart, EachTransitLiesWithinItsOwnSolarRadius)
{
    // 15 Nov. 1999 of answer 170 (date mode 1, no semidiameter recorded):
    // 959.4" is outside the mean solar radius but inside that of the day, 969.6".
    results::Transit t;
    t.body = 1, t.date_mode = 1, t.year = 1999.87, t.sep = 959.4, t.letter = 'M', t.jde = 2451498.4;
    EXPECT_NEAR(sun_radius_of(t), computed[0].sd_sun, 0.1);
    results::Transit south = t;
    south.year = 2003.35, south.sep = -708.3, south.jde = computed[1].jde;
    const std::string svg = separation_chart_svg({t, south});
    auto path_of = [&svg](const std::string& colour) {
        const auto end = svg.find("stroke:" + colour + "\"/>"), start = svg.rfind("<path", end);
        return layout::subpaths(layout::attr(svg.substr(start, end - start), "d"));
    };
    const auto zero_at = svg.find("style=\"stroke-width:1.5;stroke:#888\""); // the zero line
    ASSERT_NE(zero_at, std::string::npos);
    const double y0 = layout::num_attr(svg.substr(svg.rfind("<line", zero_at)), "y1");
    const auto dashes = path_of("#c80"), points = path_of("#236"); // the radii, the transits
    ASSERT_TRUE(dashes.size() == 2 && points.size() == 2);
    for (std::size_t i = 0; i < 2; ++i) {
        const double yd = dashes[i].front().second, yp = points[i].front().second;
        EXPECT_GT(std::abs(yd - y0), std::abs(yp - y0)) << i;
        EXPECT_EQ(yd < y0, yp < y0) << i; // on the side the planet passes
    }
}

TEST(TeotiChart, FittedLinesPassThroughTheInterceptsAndTheLabelsAreClear)
{
    results::TeotiEpoch e; // the year 2000 of answer 16 in a unit of 2 km
    e.year = 2000.0;
    const std::array<double, 9> metres{0.0, 94.13, 175.94, 243.18, 370.50, 1265.19, 1987.40, 4667.03, 7312.26};
    for (std::size_t i = 0; i < 9; ++i) e.x[i] = metres[i] / 2000.0;
    e.y[0] = e.y[1] = e.y[2] = {5.8423, 7.7627, 8.0343, 8.1749, 8.3578, 8.8911, 9.1552, 9.4586, 9.6536};
    e.u = {0.6396, 0.6331, 0.6279};
    e.v = {7.77251102, 7.80325106, 7.82990173};
    e.r2 = {0.50122878, 0.49187689, 0.48326093};
    results::TeotiAxes axes;
    axes.names = {"Feathered Serpent", "Mercury marker", "Venus marker", "Earth marker", "Mars marker",
                  "Pyramid of the Sun", "Pyramid of the Moon", "Uranus marker", "Neptune marker"};
    axes.unit = "luna", axes.planet_unit = "km", axes.log_base = 10.0;
    const Chart c = teoti_epoch_chart(e, axes);
    ASSERT_EQ(c.segments().size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const Segment& s = c.segments()[k];
        EXPECT_LT(from_line(c.px(0.0), c.py(e.v[k]), c.px(s.x1), c.py(s.y1), c.px(s.x2), c.py(s.y2)), half_pixel);
        EXPECT_NEAR(s.y1, e.u[k] * s.x1 + e.v[k], 1e-12);
        const Box box = c.plot_box();
        for (double x : {s.x1, s.x2}) EXPECT_TRUE(c.px(x) >= box.x0 - 0.01 && c.px(x) <= box.x1 + 0.01);
        for (double y : {s.y1, s.y2}) EXPECT_TRUE(c.py(y) >= box.y0 - 0.01 && c.py(y) <= box.y1 + 0.01);
    }
    const std::string svg = c.str();
    // The markers of Mercury to Mars lie within 8 % of the distances: an inset, each named once.
    EXPECT_NE(svg.find("enlarged: distances 0.047 to 0.185 luna"), std::string::npos);
    EXPECT_EQ(test::count(svg, ">Venus marker<"), 1);
    // Perihelion and aphelion lines 0.0574 apart at the Feathered Serpent, 0.0146 at Neptune's marker.
    EXPECT_NEAR(teoti_line_spread(e), 0.05739, 1e-5);
}

TEST(SyzygyPlan, PlanetsSitAtTheirLongitudesAndTheWedgeIsTheSpread)
{
    results::Syzygy z;
    z.planets = 4, z.spread = 5.5;
    z.lon = {358.0, 2.5, 0.5, 357.0}; // across the vernal equinox
    z.rad = {0.31, 0.72, 1.01, 1.52};
    const SyzygyGeometry g = syzygy_geometry(z);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(dist(g.planet[i], g.sun), z.rad[i] * g.scale, 1e-9);
        const double angle = std::atan2(g.sun.cy - g.planet[i].cy, g.planet[i].cx - g.sun.cx) * deg_per_rad;
        EXPECT_NEAR(std::remainder(angle - z.lon[i], 360.0), 0.0, 1e-9) << i;
    }
    EXPECT_NEAR(g.wedge_to - g.wedge_from, z.spread, 1e-9);
    EXPECT_NEAR(std::remainder(g.wedge_from - 357.0, 360.0), 0.0, 1e-9);
    std::vector<results::Syzygy> events(3, z);
    events[1].spread = events[2].spread = 0.2;
    EXPECT_EQ(best_syzygy(events), &events[1]);
    EXPECT_EQ(best_syzygy({}), nullptr);
}

TEST(SitePlan, ImagesLieOnTheirMonumentsAndTheSunPointAtItsCoordinates)
{
    results::SiteRow giza; // the best row of answer 3
    giza.site = 1, giza.f = 0.250, giza.sun = {-646.9, 42.4, 366.5}, giza.dr = 2.8;
    giza.point = {results::SitePoint{748.0, -466.0, 60.0}, {336.0, -201.0, 70.0}, {0.0, 0.0, 64.0}};
    giza.height = {146.6, 143.5, 65.5};
    giza.image = {results::SitePoint{749.5, -466.3, 61.0}, {334.8, -200.0, 69.0}, {0.4, 0.9, 64.2}};
    giza.mirror = results::SitePoint{-573.9, 140.7, -339.2};
    results::SiteRow chambers = giza; // a chamber row of answer 10
    chambers.site = 2, chambers.sun = {-16.1, -18.0, 16.5}, chambers.dr = 0.1;
    chambers.point = {results::SitePoint{-11.0, 43.0, 7.6}, {0.0, 21.2, 2.9}, {-4.0, -30.0, 8.0}};
    chambers.image = {results::SitePoint{-11.2, 43.1, 7.0}, {0.1, 21.0, 3.0}, {-4.0, -30.0, 8.0}};
    for (const auto* row : {&giza, &chambers}) {
        SCOPED_TRACE(row->site);
        const SiteGeometry g = site_geometry(*row);
        for (std::size_t i = 0; i < 3; ++i) {
            const auto &a = row->point[i], &b = row->image[i];
            EXPECT_LE(dist(g.image[i], g.point[i]), std::hypot(a.x - b.x, a.y - b.y, a.z - b.z) * g.scale + half_pixel) << i;
        }
        // The Sun point and its mirror map back to their printed plane coordinates.
        for (const auto& [disk, point] : {std::pair{g.sun, row->sun}, {*g.mirror, *row->mirror}}) {
            const auto back = g.to_site(disk.cx, disk.cy), plane = site_plane(row->site, point);
            EXPECT_LT(std::hypot(back[0] - plane[0], back[1] - plane[1]), 0.05);
        }
        EXPECT_NE(site_svg(*row).find(row->site == 1 ? "mirror Sun point, z -339.2 m" : "mirror Sun point, z -339.20 m"),
                  std::string::npos);
    }
    // Giza north up, east to the right: Khufu north and east of Menkaure.
    const SiteGeometry g = site_geometry(giza);
    EXPECT_LT(g.point[0].cy, g.point[2].cy);
    EXPECT_GT(g.point[0].cx, g.point[2].cx);
    results::SiteRow sle = giza; // the linear system: no mirror image
    sle.mirror.reset();
    EXPECT_EQ(site_svg(sle).find("mirror"), std::string::npos);
    std::vector<results::SiteRow> rows{giza, chambers, giza};
    rows[2].f = 0.1;
    EXPECT_EQ(best_site_row(rows), &rows[2]);
    for (auto& r : rows) r.f = std::nan(""); // no finite F: the first row
    EXPECT_EQ(best_site_row(rows), &rows[0]);
    EXPECT_EQ(best_site_row({}), nullptr);
}

} // namespace
} // namespace r7::picture
