#include "report/results.hpp"

#include <cmath>

#include "state/codes.hpp"
#include "state/slots.hpp"
#include "state/store.hpp"

namespace r7::results {

Run& recorded()
{
    static Run run;
    return run;
}

void record_transit(const TransitRow& row, const TransitResult& r)
{
    Transit t;
    t.body = row.body;
    t.date_mode = row.date_mode;
    t.time_scale = row.time_scale;
    t.year = row.year;
    std::string_view m = row.month;
    while (!m.empty() && m.back() == ' ') m.remove_suffix(1);
    t.date = std::to_string(static_cast<int>(std::lround(row.day))) + ". " + std::string(m) + " " +
             std::to_string(row.calendar_year);
    t.letter = r.letter;
    t.ttype = r.ttype;
    t.sep = r.sep;
    t.sd_sun = r.sd_sun;
    t.sd_planet = r.sd_planet;
    t.series = r.iser;
    t.node = r.node;
    t.jde = r.jde;
    const bool phases = row.date_mode >= DateMode::phases;
    for (int k = 1; k <= 5; ++k) {
        Phase& ph = t.phase[static_cast<std::size_t>(k - 1)];
        // The phases that the row prints (as the transit table decides them).
        ph.has = phases && (r.ttype == transit_full || k == 3 || (r.ttype == transit_external && (k == 1 || k == 5)));
        const IDate& id = phases ? r.table[static_cast<std::size_t>(k)].idate : row.when;
        ph.h = id(4);
        ph.m = id(5);
        ph.s = id(6);
        ph.pa = r.table[static_cast<std::size_t>(k)].pa;
    }
    recorded().transits.push_back(std::move(t));
}

void record_syzygy(double jde, double year, double spread, int planets)
{
    Syzygy z;
    z.jde = jde;
    z.year = year;
    z.spread = spread;
    z.planets = planets;
    for (int i = 0; i < 4; ++i) {
        z.lon[static_cast<std::size_t>(i)] = base.re(3 * i + 1);
        z.rad[static_cast<std::size_t>(i)] = base.re(3 * i + 3);
    }
    recorded().syzygies.push_back(z);
}

void record_teoti_epoch(double year, int detail)
{
    TeotiEpoch e;
    e.year = year;
    e.detail = detail;
    for (int r = 0; r < 9; ++r) {
        e.x[static_cast<std::size_t>(r)] = astro.comp(r + 1, 1);
        for (int c = 0; c < 3; ++c) e.y[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] = astro.comp(r + 1, c + 2);
    }
    for (int c = 0; c < 3; ++c) {
        e.u[static_cast<std::size_t>(c)] = astro.alin(c + 1);
        e.v[static_cast<std::size_t>(c)] = astro.blin(c + 1);
        e.r2[static_cast<std::size_t>(c)] = astro.bmas(2 * c + 1);
    }
    recorded().teoti.push_back(e);
}

void record_site_row(int site, int sun_mode, double year, std::span<const double> points,
                     std::span<const double> rel, std::span<const double> residual, double tolerance,
                     std::optional<SitePoint> mirror)
{
    if (points.size() < 12 || rel.size() < 9) return;
    SiteRow row;
    row.site = site;
    row.sun_mode = sun_mode;
    row.year = year;
    row.f = base.xyr(slot::f);
    row.sun = {base.xyr(slot::sun_x), base.xyr(slot::sun_y), base.xyr(slot::sun_z)};
    row.dr = base.xyr(slot::sun_dr);
    row.mirror = mirror;
    row.tolerance = tolerance;
    for (std::size_t i = 0; i < 3; ++i) {
        row.point[i] = {points[i], points[3 + i], points[6 + i]};
        row.height[i] = points[9 + i];
    }
    // The fit maps Mercury onto point 3, Venus onto point 2 and Earth onto
    // point 1, relative to point 3: image = point 3 + target + residual.
    const bool fitted = sun_mode == SunMode::space_fitex && residual.size() >= 9;
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t pt = 2 - k;
        double e[3];
        for (std::size_t c = 0; c < 3; ++c) e[c] = fitted ? residual[3 * k + c] : 0.0;
        row.image[pt] = {row.point[2].x + rel[3 * k] + e[0], row.point[2].y + rel[3 * k + 1] + e[1],
                         row.point[2].z + rel[3 * k + 2] + e[2]};
        row.residual[pt] = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    }
    recorded().site_rows.push_back(row);
}

void record_site_listing(int mode, int listing_flag, double year, const SiteTable& table, int vsop_variant)
{
    auto& rows = recorded().site_rows;
    // A row suppressed from the report still lists its planets; those belong to no drawn row.
    if (mode != 0 || listing_flag != 1 || rows.empty() || rows.back().year != year) return;
    SiteRow& row = rows.back();
    row.listed.clear();
    const int nplan = vsop_variant == 1 ? 9 : 8;
    for (int j = 1; j <= nplan; ++j) {
        std::string name(Base::plan(j));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        row.listed.push_back({j, std::move(name), {table(j, 1), table(j, 2), table(j, 3)}, table(j, 4)});
    }
}

} // namespace r7::results
