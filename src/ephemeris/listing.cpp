// Planet coordinate listing in the heliocentric frame and in the site frame, and
// the site coordinates of Mercury's aphelion point.
#include "ephemeris/listing.hpp"

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "ephemeris/coord.hpp"
#include "io/layout.hpp"
#include "io/lines.hpp"
#include "io/units.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"

namespace r7 {

const std::array<std::array<double, 3>, 6> aphelm{{
    {272.2054713, -5.4229877, 0.4672909313},
    {46.7345218, -6.4007584, 0.4670483641},
    {249.5625348, -1.9341303, 0.4662991059},
    {182.1682931, -1.3518259, 0.4662950244},
    {258.9945271, -3.6947988, 0.4667842406},
    {274.2350325, -3.8355115, 0.4667842399},
}};

namespace {

constexpr std::array<std::string_view, 4> date_label{"date of chambers: ", "date of syzygy:   ", "date of transit:  ",
                                                    "date of pyramids: "};
constexpr std::string_view titab = "body            x[m]      y[m]      z[m]    dr[m]";
constexpr std::array<std::string_view, 2> tt{"  (pyramid positions)  ", "  (chamber positions)  "};
constexpr std::string_view blank23 = "                       ";
constexpr std::string_view emp = "   --- ";
constexpr std::string_view mark_on = " <";
constexpr std::string_view mark_off = "  ";

constexpr std::string_view helio_head =
    "pla.   x[AU]     y[AU]     z[AU]      L"
    "       B       r[AU]     Lm-L     dev.\n";
constexpr std::string_view dated_head =
    " body          x[m]      y[m]     z[m]"
    "   dr[m]      latitude N     longitude E\n";

constexpr const char* site_row = "(2x,a10,f9.2,f10.2,f9.2,f7.2,i7,f10.5,i6,f9.5)";

// The listing is composed once and then written to every report unit: text
// pieces and rulers in order.
struct Piece {
    int ruler = 0; // kind of linie, 0 for text
    std::string text;
};
using Script = std::vector<Piece>;

void text(Script& s, std::string t) { s.push_back({0, std::move(t)}); }
void ruler(Script& s, int kind) { s.push_back({kind, {}}); }

void write_units(const Script& s, int kout)
{
    auto& u = io::units();
    for (int k = kout; k <= 6; k += 5) {
        for (const auto& piece : s) {
            if (piece.ruler != 0) {
                linie(k, piece.ruler);
            } else {
                u.put(k, piece.text);
            }
        }
    }
}

// Distance of a point from the reference point, softened below r0, times F/100.
double uncertainty(double x, double y, double z, const SiteFit& fit)
{
    const Xyz& ref = fit.ref;
    const double r0 = fit.r0;
    double d = std::sqrt((x - ref.x) * (x - ref.x) + (y - ref.y) * (y - ref.y) + (z - ref.z) * (z - ref.z));
    if (d < r0) d = (d * d / r0 + r0) / 2.0;
    return d * fit.f / 100.0;
}

// A place in the rectangular frame of the fit: longitudes counted from the origin
// that kartko takes for sun_mode (Mercury's longitude of the step, except for
// origin 2, whose origin is the place itself, and 0).
Xyz in_fit_frame(int sun_mode, double mercury_lon, const Lbr& place)
{
    return kartko(sun_mode, {Lbr{mercury_lon, 0.0, 0.0}, place, Lbr{}})[1];
}

// Carries a point in the frame of the fit [AU] through the similarity
// transformation X into metres relative to the anchor point.
Xyz transform(std::span<const double, 7> x, const Xyz& q)
{
    std::array<double, 9> p{0.0, 0.0, 0.0, q.x, q.y, q.z, 0.0, 0.0, 0.0};
    translat(x[0], x[1], x[2], p);
    rotmat(5, x[3], x[4], x[5], p);
    for (double& v : p) v *= x[6];
    return {p[3], p[4], p[5]};
}

// Row of the site table in geographic coordinates: north offset x, east offset
// -y (Giza) or z (chambers).
std::string geo_row(std::string_view name, const SiteTable& t, int j, int site)
{
    const double east = site == 1 ? -t(j, 2) : t(j, 3);
    const GeoPlace g = geoko(t(j, 1), east, site);
    return io::fmt(site_row, {name, t(j, 1), t(j, 2), t(j, 3), t(j, 4), g.latdeg, g.latmin, g.londeg, g.lonmin});
}

// A row of the site table as a listed row; with the geographic place of a
// dated listing (site 1 Giza, 2 chambers), none for site 0.
ListedRow site_row_of(const SiteTable& t, int j, double jde, int site)
{
    ListedRow r{.jde = jde, .body = j, .xyz = {t(j, 1), t(j, 2), t(j, 3)}, .dr = t(j, 4)};
    if (site != 0) {
        const double east = site == 1 ? -t(j, 2) : t(j, 3);
        const GeoPlace g = geoko(t(j, 1), east, site);
        r.has_geo = true;
        r.latitude = g.latdeg + g.latmin / 60.0;
        r.longitude = g.londeg + g.lonmin / 60.0;
    }
    return r;
}

// The block of the heliocentric listing in the site frame: the Sun point and
// planets 1..nplan, the fitted ones marked.
void site_frame_block(Script& s, const SiteTable& t, int nplan, int site)
{
    std::array<std::string_view, 10> label{};
    label.fill(blank23);
    label[1] = "  of the \"planets\"     ";
    label[2] = tt[site == MainOption::chambers ? 1 : 0];
    label[9] = "       barycenter   -->";
    ruler(s, 1);
    text(s, io::fmt("('  Celestial pos. in Giza',4x,a49)", {titab}));
    ruler(s, 2);
    text(s, io::fmt("('  Local coordinates',9x,'Sun       ',  f10.2,2f10.2,f9.2)",
                    {t(0, 1), t(0, 2), t(0, 3), t(0, 4)}));
    for (int j = 1; j <= nplan; ++j) {
        const bool marked = j <= 3 || j == 9;
        text(s, io::fmt("(a23,5x,a10,3f10.2,f9.2,a2)",
                        {label[static_cast<std::size_t>(j)], plan(j), t(j, 1), t(j, 2), t(j, 3), t(j, 4),
                         marked ? mark_on : mark_off}));
    }
}

} // namespace

std::vector<ListedRow> plako(const RunParams& rp, const ListingInput& in, const FullSeries& full, int& tflag,
                             SiteTable& t)
{
    std::vector<ListedRow> rows;
    const auto& m = in.points;
    double jde = in.jde;
    const int main_option = rp.main_option;
    const int sun_mode = rp.sun_mode;
    const int constellation = rp.constellation;
    const int k = in.k;
    const bool dated = in.mode != 0;
    const int site = main_option;
    const int nplan = dated ? 4 : (rp.vsop_variant == 1 ? 9 : 8);
    const int ndates = dated ? 4 : 1;

    // The transformation applies to a fitted predefined constellation, to the
    // reference k-numbers of the two sites, and from then on for the run.
    const bool fitted =
        sun_mode == SunMode::space_fitex &&
        (Constellation::is_predefined(constellation) || (k == 4519 && main_option == MainOption::giza) ||
         ((k == 4518 || k == 5349) && main_option == MainOption::chambers));
    if (fitted) tflag = 1;
    const bool transformed = tflag == 1;

    Script s;
    if (dated) {
        text(s, io::fmt("(/27x,'Celestial positions in Giza')"));
        ruler(s, 1);
        text(s, std::string(dated_head));
    } else {
        text(s, "\n");
        ruler(s, 1);
        text(s, std::string(helio_head));
        ruler(s, 2);
    }

    for (int d = 0; d < ndates; ++d) {
        if (dated) {
            jde = in.dates[static_cast<std::size_t>(d)];
            ruler(s, 2);
            text(s, io::fmt("(4x,a18,'JDE =',f14.5)", {date_label[static_cast<std::size_t>(d)], jde}));
            ruler(s, 2);
            if (d == 0) {
                text(s, geo_row(plan(0), t, 0, site));
                rows.push_back(site_row_of(t, 0, jde, site));
            }
        }
        for (int j = 1; j <= nplan; ++j) {
            const BodyPosition b = vsop2(full, jde, j, in.kout);
            const std::array<double, 3> xyz{b.xyz.x, b.xyz.y, b.xyz.z};
            const std::array<double, 3> lbr{b.lbr.l, b.lbr.b, b.lbr.r};

            // Longitude of Mercury minus that of planet j, and its deviation
            // from the target difference.
            double lm = in.mercury_lon - lbr[0];
            reduz(lm, 0, 0);
            double dev = lm - in.diff(j);
            reduz(dev, 0, 0);

            if (!dated) {
                ListedRow r{.jde = jde, .body = j, .helio = true, .xyz = {xyz[0], xyz[1], xyz[2]},
                            .lbr = {lbr[0], lbr[1], lbr[2]}, .lm = lm};
                r.has_dev = !(j == 4 || j == 7 || j == 8);
                r.dev = dev;
                rows.push_back(r);
                if (j == 4 || j == 7 || j == 8) {
                    text(s, io::fmt("(1x,a3,3f10.6,f9.4,f8.4,f10.6,f9.4,1x,a7)",
                                    {pla(j), xyz[0], xyz[1], xyz[2], lbr[0], lbr[1], lbr[2], lm, emp}));
                } else {
                    text(s, io::fmt("(1x,a3,3f10.6,f9.4,f8.4,f10.6,2f9.4)",
                                    {pla(j), xyz[0], xyz[1], xyz[2], lbr[0], lbr[1], lbr[2], lm, dev}));
                }
            }
            if (!transformed) continue;

            // The planet in the frame of the fit, then in the site frame.
            const Xyz q = transform(in.fit.x, in_fit_frame(sun_mode, in.mercury_lon, b.lbr));
            t(j, 1) = q.x + m[2].x;
            t(j, 2) = q.y + m[2].y;
            t(j, 3) = q.z + m[2].z;

            if (!dated && (j <= 3 || j == 9)) {
                // Distance of Mercury, Venus, Earth (and the barycentre) from
                // the monument point each was fitted to.
                const Xyz& pt = m[static_cast<std::size_t>(j == 9 ? 0 : 3 - j)];
                const double ex = t(j, 1) - pt.x;
                const double ey = t(j, 2) - pt.y;
                const double ez = t(j, 3) - pt.z;
                t(j, 4) = std::sqrt(ex * ex + ey * ey + ez * ez);
            } else {
                t(j, 4) = uncertainty(t(j, 1), t(j, 2), t(j, 3), in.fit);
            }
            if (dated) text(s, geo_row(plan(j), t, j, site));
            if (dated) rows.push_back(site_row_of(t, j, jde, site));
        }
    }

    if (!dated && transformed) {
        site_frame_block(s, t, nplan, site);
        rows.push_back(site_row_of(t, 0, jde, 0));
        for (int j = 1; j <= nplan; ++j) rows.push_back(site_row_of(t, j, jde, 0));
    }
    ruler(s, 1);
    write_units(s, in.kout);
    return rows;
}

void aphelko(const RunParams& rp, const SiteFit& fit, double dz, double mercury_lon, int kout)
{
    const int constellation = rp.constellation;
    const int menu_choice = rp.menu_choice;
    const bool chosen = constellation == 13 || constellation == 14 || menu_choice == 322 || menu_choice == 323;
    if (!chosen || rp.ephem_choice >= EphemChoice::kepler || rp.passage != Passage::aphelion ||
        rp.main_option != MainOption::giza || rp.sun_mode != SunMode::space_fitex ||
        rp.output_detail != OutputDetail::extended)
        return;

    int row = 0;
    if (constellation == 13) row = rp.vsop_variant == 1 ? 1 : 2;
    if (constellation == 14) row = rp.vsop_variant == 1 ? 3 : 4;
    if (menu_choice == 323) row = 5;
    if (menu_choice == 322) row = 6;
    const auto& a = aphelm[static_cast<std::size_t>(row - 1)];

    Xyz q = transform(fit.x, in_fit_frame(rp.sun_mode, mercury_lon, {a[0], a[1], a[2]}));
    q.z += dz;

    const double dr = uncertainty(q.x, q.y, q.z, fit);
    Script s;
    text(s, io::fmt("('  Mercury aphelion coordinates [m]:',  f13.2,2f10.2,f9.2)", {q.x, q.y, q.z, dr}));
    ruler(s, 1);
    write_units(s, kout);
}

} // namespace r7
