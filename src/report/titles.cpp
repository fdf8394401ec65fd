#include "report/titles.hpp"
#include "state/constants.hpp"

#include <array>
#include <string>
#include <string_view>

#include "io/units.hpp"
#include "state/codes.hpp"
#include "time/time.hpp"

namespace r7 {

namespace {

// A few of the texts below contain double quotes of their own; they are kept in
// raw literals so that each layout reads exactly as it is printed.

// Planet order of the chambers, index 0 for the studies without one.
constexpr std::array<std::string_view, 7> text3{
    "        ", " E-V-M, ", " E-M-V, ", " V-E-M, ", " V-M-E, ", " M-E-V, ", " M-V-E, "};

// The ephemeris in use (27 characters).
std::string_view ephemeris_text(int ephem_choice, int vsop_variant, int combi_flag)
{
    switch (ephem_choice) {
    case 1:
        if (combi_flag == 1) {
            if (vsop_variant == 1) return "  VSOP87A, comb. search,   ";
            if (vsop_variant == 3) return "  VSOP87C, comb. search,   ";
        }
        return "  VSOP87D short ver.(Meeus)";
    case 2:
        if (vsop_variant == 1) return "  VSOP87A (2005) full ver.,";
        if (vsop_variant == 3) return "  VSOP87C (2005) full ver.,";
        break;
    case 3:
        return R"~(  "Keplers equation",      )~";
    default:
        break;
    }
    return "                           ";
}

// The reference frame (19 characters).
std::string_view frame_text(int vsop_variant)
{
    if (vsop_variant == 1) return "  standard J2000.0,";
    if (vsop_variant == 3) return "  ecliptic of date,";
    return "                   ";
}

// The Sun point or reference of the comparison (25 characters). The transit and
// syzygy studies name what they search; a Mercury or Venus based frame names
// the orbit; otherwise the Sun point method (and the level or wall) is named.
std::string_view point_text(int main_option, int coord_choice, int sun_mode, int level_choice, int ephem_choice,
                            int conj_choice)
{
    if (main_option == MainOption::conjunctions) {
        switch (conj_choice) {
        case 1: return "     all Mercury transits";
        case 2: return "       all Venus transits";
        case 3: return "linear c., Merc. to Earth";
        case 4: return "linear c. Mercury to Mars";
        default: return "                         ";
        }
    }
    if (coord_choice >= 2 && coord_choice <= 4) {
        constexpr std::array<std::string_view, 3> orbit{
            "   ref. Mercury orbit (A)", "   ref. Mercury orbit (B)", "   ref. Mercury orbit (C)"};
        return orbit[static_cast<std::size_t>(coord_choice - 2)];
    }
    if (coord_choice == 5) return "    reference Venus orbit";

    const bool chambers = main_option == MainOption::chambers;
    const std::size_t lv = (level_choice >= 1 && level_choice <= 3) ? static_cast<std::size_t>(level_choice - 1) : 0;
    switch (sun_mode) {
    case 1:
        if (chambers && ephem_choice == EphemChoice::kepler) return R"~("Sun" south of sub. cham.)~";
        return R"~( "Sun" south of Myker. P.)~";
    case 2:
        return R"~("Sun" south of Chefren P.)~";
    case 3:
        return R"~("Sun position" free, 2D  )~";
    case 4: {
        constexpr std::array<std::string_view, 3> pyr{
            R"~("Sun" free, 3D, base, SLE)~", R"~( "Sun" free, 3D, C-M, SLE)~", R"~( "Sun" free, 3D, top, SLE)~"};
        constexpr std::array<std::string_view, 3> cha{
            R"~("Sun" free, 3D, east, SLE)~", R"~("Sun" free, 3D, mid., SLE)~", R"~("Sun" free, 3D, west, SLE)~"};
        return chambers ? cha[lv] : pyr[lv];
    }
    case 5: {
        constexpr std::array<std::string_view, 3> pyr{
            R"~("Sun" free 3D base, FITEX)~", R"~("Sun" free 3D, C-M, FITEX)~", R"~("Sun" free 3D, top, FITEX)~"};
        constexpr std::array<std::string_view, 3> cha{
            R"~("Sun" free 3D east, FITEX)~", R"~("Sun" free 3D mid., FITEX)~", R"~("Sun" free 3D west, FITEX)~"};
        return chambers ? cha[lv] : pyr[lv];
    }
    default:
        return "                         ";
    }
}

// The lead of the interval and JDE lines (15 characters).
std::string_view lead_text(int main_option, int view, int sun_mode)
{
    if (main_option == MainOption::conjunctions) return "  Period   (yea";
    if (view == View::both || sun_mode > SunMode::south_of_chefren) return "  Ecl. N and S,";
    if (view == View::north) return "  Ecl. north p/";
    if (view == View::south) return "  Ecl. south p/";
    return "               ";
}

} // namespace

void titel1(int unit, const RunParams& p, int reference_flag)
{
    auto& u = io::units();
    u.put(unit, "\n");

    // Title. Some menu answers reproduce a particular result and carry its own title.
    bool subtitle = true;
    switch (p.menu_choice) {
    case 300:
        u.write(unit, "(20x,A20,A22)", {"4 PLANETS IN A LINE ", "(SYZYGY), MAY 17, 3088"});
        subtitle = false;
        break;
    case 301:
        u.write(unit, "(17x,A16,A31)", {"MERCURY TRANSIT ", "(MIN. SEPARATION), MAY 18, 3088"});
        subtitle = false;
        break;
    case 310:
        u.write(unit, "(18x,A14,A32)", {"VENUS TRANSIT ", "(MIN. SEPARATION), DEC. 18, 3089"});
        subtitle = false;
        break;
    case 311:
        u.write(unit, "(19x,A20,A23)", {"3 PLANETS IN A LINE ", "(SYZYGY), DEC. 23, 3089"});
        subtitle = false;
        break;
    case 320:
    case 321:
        u.write(unit, "(18x,A34,1x,A10)",
                {R"~(SEARCH FOR "SHADOW-CONSTELLATIONS")~", p.menu_choice == 321 ? "(CHAMBERS)" : "(PYRAMIDS)"});
        break;
    case 322:
    case 323:
        u.write(unit, "(11x,A20,A29,1x,A10)",
                {R"~(PRECEDING "SHADOW-CO)~", R"~(NSTELLATION" 12, MAY 22, 3088)~", "(PYRAMIDS)"});
        subtitle = false;
        break;
    case 338:
        u.write(unit, "(22x,A37)", {"ORBITAL ELEMENTS OF OUR EIGHT PLANETS"});
        subtitle = false;
        break;
    default:
        if (p.main_option == MainOption::giza) {
            u.put(unit, io::free_form({"                 PLANETS IN ", "ALIGNMENT WITH THE PYRAMIDS OF GIZA"}));
        } else if (p.main_option == MainOption::chambers) {
            u.put(unit,
                  io::free_form({"          PLANETS IN ALIGNME", "NT WITH THE CHAMBERS OF THE CHEOPS PYRAMID"}));
        } else if (p.main_option == MainOption::conjunctions) {
            if (ConjChoice::is_syzygy(p.conj_choice)) {
                u.write(unit, "(28x,a11,a15)", {"PLANETS IN ", "A LINE (SYZYGY)"});
            } else if (p.conj_choice == ConjChoice::mercury_transit) {
                u.write(unit, "(31x,a19)", {"TRANSITS OF MERCURY"});
            } else if (p.conj_choice == ConjChoice::venus_transit) {
                u.write(unit, "(32x,a17)", {"TRANSITS OF VENUS"});
            }
        }
        break;
    }

    // Subtitle: how the events are judged and in which time scale.
    if (subtitle) {
        const char* scale = p.time_scale == TimeScale::ut ? "UT)" : "TT)";
        if (p.main_option == MainOption::conjunctions) {
            if (p.date_mode == DateMode::equal_longitude) {
                if (p.sun_mode != SunMode::space_fitex) {
                    u.write(unit, "(14x,a21,a33)", {"(eclipt. longitudes, ", "all within an angular range, JDE)"});
                } else if (ConjChoice::is_syzygy(p.conj_choice)) {
                    if (p.conj_filter == 1) {
                        u.write(unit, "(13x,a18,a37)", {"(angular range of ", "eclipt. longitudes dL minimized, JDE)"});
                    } else {
                        u.write(unit, "(5x,a18,a52)",
                                {"(angular range of ", "eclipt. longitudes dL minimized, only transits, JDE)"});
                    }
                } else if (ConjChoice::is_transit(p.conj_choice)) {
                    u.write(unit, "(11x,a18,a38,a3)",
                            {"(equal eclipt. lon", "gitudes for Earth und transit planet, ", scale});
                }
            } else if (p.date_mode == DateMode::nearest) {
                u.write(unit, "(14x,a51,a3)", {"(minimum separation, without travel time of light, ", scale});
            } else if (DateMode::with_phases(p.date_mode)) {
                if (p.time_scale == TimeScale::tt) {
                    u.write(unit, "(17x,a48)", {"(geocentric transit phases, terrestrial time TT)"});
                } else {
                    u.write(unit, "(18x,a46)", {"(geocentric transit phases, universal time UT)"});
                }
            }
        } else if (MainOption::is_site(p.main_option) && reference_flag == 1) {
            u.write(unit, "(17x,a38,a10)",
                    {"(more positions - coordinate system of",
                     p.main_option == MainOption::chambers ? " chambers)" : " pyramids)"});
        } else if (MainOption::is_site(p.main_option)) {
            const bool near = p.constellation == 13 || p.constellation == 14;
            switch (p.passage) {
            case 1:
                if (near) u.write(unit, "(29x,a23)", {"(Mercury near aphelion)"});
                else u.write(unit, "(30x,a21)", {"(Mercury at aphelion)"});
                break;
            case 2:
                if (near) u.write(unit, "(28x,a25)", {"(Mercury near perihelion)"});
                else u.write(unit, "(29x,a23)", {"(Mercury at perihelion)"});
                break;
            case 3: u.write(unit, "(29x,a23)", {"(Mercury near aphelion)"}); break;
            case 4: u.write(unit, "(28x,a25)", {"(Mercury near perihelion)"}); break;
            case 5: u.write(unit, "(24x,a34)", {"(time not restricted, F minimized)"}); break;
            default: break;
            }
        }
    }

    // Option line; the phase table with position angles needs a wide terminal.
    if (p.date_mode == DateMode::phases_and_pa) {
        u.write(unit, "(10x,a11,i4,a47)",
                {"< R7-option", p.menu_choice, " >  (monitor line width minimal 148 characters)"});
    } else {
        u.write(unit, "(32x,a11,i4,a2)", {"< R7-option", p.menu_choice, " >"});
    }
}

void titel2(int unit, const RunParams& p, HeadingDate& date, double tol_entered, double step_days)
{
    auto& u = io::units();
    const std::string_view e = ephemeris_text(p.ephem_choice, p.vsop_variant, p.combi_flag);
    const std::string_view f = frame_text(p.vsop_variant);
    const std::string_view point =
        point_text(p.main_option, p.coord_choice, p.sun_mode, p.level_choice, p.ephem_choice, p.conj_choice);
    const std::string_view l = lead_text(p.main_option, p.view, p.sun_mode);
    const std::string_view order =
        (p.planet_order >= 0 && p.planet_order <= 6) ? text3[static_cast<std::size_t>(p.planet_order)] : text3[0];
    const std::string_view ca = p.calendar_choice == 2 ? " (c2)" : " (c1)";
    const std::string_view text5 = p.calendar_choice == 2 ? ",  Jul./Greg. calendar" : ",  only Greg. calendar";

    u.write(unit, "(/a27,a19,a8,a25)", {e, f, order, point});

    // A range of years is searched unless the full series works on one k-number.
    const bool interval = p.constellation == Constellation::range &&
                          !(p.ephem_choice == EphemChoice::full_series && Passage::is_point(p.passage));
    if (interval) {
        if (MainOption::is_site(p.main_option)) {
            if (p.sun_mode > SunMode::south_of_chefren) {
                if (p.combi_flag == 0 && p.passage != Passage::free) {
                    u.write(unit, "(a15,' years',f10.2,' to',f10.2,a5, ',      tolerance F <',f8.4,' %')",
                            {l, p.year_from, p.year_to, ca, tol_entered});
                } else {
                    u.write(unit, "(a15,' years',f10.2,' to',f10.2,a5,  ', tolerance F <',f6.2,'/',f6.2,' %')",
                            {l, p.year_from, p.year_to, ca, p.tol_short, p.tol_full});
                }
            } else if (p.combi_flag == 0) {
                u.write(unit, "(a15,' years',f10.2,  ' to',f10.2,a5,'    angular range:',f8.4,' deg')",
                        {l, p.year_from, p.year_to, ca, tol_entered});
            } else {
                u.write(unit, "(a15,' years',f10.2,  ' to',f10.2,a5,', angular r.:',f6.2,'/',f6.2,  ' deg')",
                        {l, p.year_from, p.year_to, ca, p.tol_short, p.tol_full});
            }
        } else if (p.main_option == MainOption::conjunctions) {
            if (ConjChoice::is_transit(p.conj_choice)) {
                u.write(unit, "(5x,a15,'rs) from',f10.2,'  to',f10.2,a22)", {l, p.year_from, p.year_to, text5});
                return;
            }
            if (p.combi_flag == 1) {
                u.write(unit, "(a15,'rs)',f10.2,  '  to',f10.2,a5,',   angular r.:',f6.2,'/',f6.2,  ' deg')",
                        {l, p.year_from, p.year_to, ca, p.tol_short, p.tol_full});
            } else {
                u.write(unit, "(a15,'rs)',f10.2,'  to',  f10.2,a5,3x,'   angular range:',f8.4,' deg')",
                        {l, p.year_from, p.year_to, ca, tol_entered});
            }
        }
    } else {
        // One date: the year (and the k-number of the run) from the JDE.
        const double jde = date.jde;
        const PassageTime t = ephim(1, p.passage, p.main_option, p.calendar_choice,
                                    {.k = date.k, .jde = jde, .year = date.year, .djde = date.djde});
        date.k = t.k;
        date.year = t.year;
        date.djde = t.djde;
        if (Constellation::is_predefined(p.constellation)) {
            u.write(unit, "(a15,'  constellation',i3,',   JDE =',  f15.5,', year =',f9.2,a5)",
                    {l, p.constellation, jde, date.year, ca});
        } else {
            u.write(unit, "(a15,20x,'  JDE =',f15.5,', year =',f9.2,a5)", {l, jde, date.year, ca});
        }
        if (Passage::is_point(p.passage)) {
            IDate idate;
            RDate rdate;
            std::string month;
            jdedate(jde, p.calendar_choice, idate, rdate, month);
            const std::string_view cal =
                (jde >= 0.0 && jde < gregorian_first_day && p.calendar_choice == 2) ? "Julian." : "Gregor.";
            // The weekday of the date shown: a time that rounds up to midnight is
            // shown as 0:00:00 of the next day (the hour comes back below the one
            // computed), and the weekday moves on with it.
            const bool carried = idate(4) < static_cast<int>(rdate(4));
            std::string day_name;
            weekday(carried ? jde + 1.0 : jde, day_name);
            // Years outside -999 .. 9999 need one more column.
            const std::string_view layout =
                (jde >= 1356183.0 && jde <= 5373484.0)
                    ? "(25x,'date (',a7,',TT) =',  f4.0,a5,i5,',',i3,2(':',i2),',',A10)"
                    : "(24x,'date (',a7,',TT) =',  f4.0,a5,i6,',',i3,2(':',i2),',',A10)";
            u.write(unit, layout,
                    {cal, rdate(7), month, idate(3), idate(4), idate(5), idate(6), day_name});
            return;
        }
    }

    // Search across a passage area: its steps and the two F limits of a range.
    if (Passage::is_area(p.passage)) {
        u.write(unit, "('  Special search (interval), step number =',i6, ',  step width =',f8.3,' hour(s)')",
                {p.steps_per_passage, 24.0 * step_days});
        if (p.constellation == Constellation::range) {
            u.write(unit, "('  Consider without printing by tolerance =',  f8.4)", {p.f_consider});
            u.write(unit, "('  Print beyond aphelion (per.) by toler. =',  f8.4)", {p.f_print});
        }
    }
}

} // namespace r7
