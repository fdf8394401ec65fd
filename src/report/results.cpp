#include "report/results.hpp"

#include <cmath>

#include "state/store.hpp"

namespace r7::results {

Run& recorded()
{
    static Run run;
    return run;
}

void record_transit(int body, int date_mode, int time_scale, double year, double day, const std::string& month,
                    int calendar_year, char letter, int ttype, double sep, double sd_sun, double sd_planet,
                    int series, char node, const ContactTable& table, const IDate& when)
{
    Transit t;
    t.body = body;
    t.date_mode = date_mode;
    t.time_scale = time_scale;
    t.year = year;
    t.date = std::to_string(static_cast<int>(std::lround(day))) + ". " + month + " " + std::to_string(calendar_year);
    t.letter = letter;
    t.ttype = ttype;
    t.sep = sep;
    t.sd_sun = sd_sun;
    t.sd_planet = sd_planet;
    t.series = series;
    t.node = node;
    for (int row = 1; row <= 5; ++row) {
        Phase& ph = t.phase[static_cast<std::size_t>(row - 1)];
        // The phases that the row prints (as the transit table decides them).
        ph.has = date_mode >= 3 && (ttype == transit_full || row == 3 || (ttype == transit_external && (row == 1 || row == 5)));
        const IDate& id = date_mode >= 3 ? table[static_cast<std::size_t>(row)].idate : when;
        ph.h = id(4);
        ph.m = id(5);
        ph.s = id(6);
        ph.pa = table[static_cast<std::size_t>(row)].pa;
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

} // namespace r7::results
