#include "ephemeris/ephemerides.hpp"

namespace r7 {

Ephemerides load_ephemerides(const EphemerisNeeds& needs)
{
    ShortSeries s = needs.short_series ? vsop1load(needs.short_file) : ShortSeries{};
    const KeplerTable k = needs.kepler ? load_kepler(needs.kepler_file) : KeplerTable{};
    bool any = false;
    for (bool b : needs.bodies) any = any || b;
    FullSeries f = any ? load_full_series(needs.kvers, needs.bodies) : FullSeries{};
    return Ephemerides(std::move(s), std::move(f), k);
}

} // namespace r7
