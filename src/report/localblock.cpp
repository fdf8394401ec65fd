#include "report/localblock.hpp"

#include <cmath>
#include <cstdio>

#include "io/layout.hpp"
#include "io/units.hpp"
#include "state/codes.hpp"
#include "time/time.hpp"

namespace r7 {
namespace {

// The layouts of the block: the head, a phase, the greatest transit with the
// least separation, a phase that does not happen at the site.
constexpr std::string_view head_layout = "(3x,a14,'     date',a10,'Sun alt.','  azim.','      P','      Z')";
constexpr std::string_view phase_layout = "(3x,a14,f4.0,a5,i4,2(a1,i2),f7.1,a1,f7.1,2f7.1)";
constexpr std::string_view greatest_layout = "(3x,a14,f4.0,a5,i4,2(a1,i2),f7.1,a1,f7.1,2f7.1,'  sep.',f7.1,'\"')";
constexpr std::string_view missing_layout = "(3x,a14,9x,a10,2x,a)";
constexpr std::string_view heading_layout = "(7x,'Local circumstances at ',a,':',f9.4,a2,f10.4,a2,f8.1,' m')";
constexpr std::string_view legend_layout = "(7x,'(under each transit: Sun''s altitude without refraction, * below horizon)')";

// The phase names, left-aligned in their column.
constexpr std::string_view phase_names[local_phases] = {"  I", "  II", "  greatest", "  III", "  IV"};
constexpr std::string_view no_time = "     --   ";

// A text padded with blanks on the right to n characters (the a fields pad
// on the left).
std::string left(std::string s, std::size_t n)
{
    if (s.size() > n) s.resize(n);
    s.append(n - s.size(), ' ');
    return s;
}

} // namespace

std::string site_label(const Observer& o)
{
    if (!o.name.empty()) return o.name;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f%c %.2f%c", std::abs(o.lat), o.lat < 0.0 ? 'S' : 'N', std::abs(o.lon),
                  o.lon < 0.0 ? 'W' : 'E');
    return buf;
}

void local_heading(int unit, const Observer& o)
{
    const std::string name = o.name.empty() ? "the site" : o.name;
    io::units().write(unit, heading_layout,
                      {name, std::abs(o.lat), o.lat < 0.0 ? " S" : " N", std::abs(o.lon), o.lon < 0.0 ? " W" : " E",
                       o.height});
    io::units().write(unit, legend_layout, {});
}

void local_block(int unit, const Observer& o, const LocalCircumstances& l, int time_scale, int calendar)
{
    auto& u = io::units();
    const bool ut = time_scale == TimeScale::ut;
    u.write(unit, head_layout, {left("at " + (o.name.empty() ? std::string("the site") : o.name), 14),
                                ut ? "  time UT " : "  time TT "});
    const std::string why = l.ttype == local_none ? "not at this site (no transit)" : "not at this site (grazing)";
    for (int i = 0; i < local_phases; ++i) {
        const LocalPhase& ph = l.phase[static_cast<std::size_t>(i)];
        const std::string name = left(std::string(phase_names[i]), 14);
        if (!ph.has) {
            // A contact the kind of transit at the site has, but the search did not find.
            const bool expected = l.ttype == local_full || (l.ttype == local_external && (i == 0 || i == 4));
            u.write(unit, missing_layout, {name, no_time, expected ? "not found (the search failed)" : why});
            continue;
        }
        double shown = ph.jde;
        if (ut) delta_t(shown);
        IDate id{};
        RDate rd{};
        std::string month;
        jdedate(shown, calendar, id, rd, month);
        const std::string mark = sun_below_horizon(ph) ? "*" : " ";
        if (i == 2) {
            u.write(unit, greatest_layout,
                    {name, rd(7), month, id(4), ":", id(5), ":", id(6), ph.sun_alt, mark, ph.sun_az, ph.pa, ph.za,
                     l.sep});
        } else {
            u.write(unit, phase_layout,
                    {name, rd(7), month, id(4), ":", id(5), ":", id(6), ph.sun_alt, mark, ph.sun_az, ph.pa, ph.za});
        }
    }
}

} // namespace r7
