#include "report/tables.hpp"
#include "state/constants.hpp"

#include <string_view>

#include "io/units.hpp"
#include "state/codes.hpp"
#include "transit/series.hpp"

namespace r7 {

namespace {

// Heads of the coordinate rows of extended output. Several heads contain double
// quotes ("ditto" marks, seconds of arc); they are kept in raw literals so each
// layout reads exactly as it is printed.
constexpr std::string_view coord_head_tabe =
    "('   Lm       Bm       Rm       Lv       Bv  ',  '     Rv       Le       Be       Re  ')";
constexpr std::string_view coord_head_mars = "('   Lma      Bma      Rma')";

void write(int unit, std::string_view layout, std::initializer_list<io::Arg> values = {})
{
    io::units().write(unit, layout, values);
}

// Column head of the Giza and chamber studies.
void site_head(int unit, int passage, int ephem_choice, int view, int sun_mode, int main_option, int output_choice)
{
    const bool area = Passage::is_area(passage);
    const bool chambers = main_option == MainOption::chambers;
    if (SunMode::is_south(sun_mode)) {
        if (ephem_choice == EphemChoice::kepler || view == View::both) {
            write(unit, "(' con   k         JDE          year',  '       Lm     Lm-Lv   Lm-Le    del1   del2  P')");
        } else {
            write(unit, "(' con   k        JDE         year  ',  '    Lm     Lm-Lv   Lm-Le    del1   del2   F[%]')");
        }
    } else if (sun_mode == SunMode::plane_2d || sun_mode == SunMode::space_sle) {
        write(unit, "(' con    k      year     Lm     Lm',  '-Lv   Lm-Le  x-Sun  y-Sun  z-Sun  dr  P   F[%]')");
        if (area) {
            write(unit,
                  R"~(('      (  ~k       JDE           M',  '       no.     "      "      "    "   "    "  )'))~");
        }
    } else if (sun_mode == SunMode::space_fitex) {
        constexpr std::string_view area_head =
            "(' con   k      year    Lm-Lv   Lm',  '-Le   e  it  x-Sun  y-Sun  z-Sun   dr  P   F[%]')";
        const bool special = output_choice == OutputChoice::special;
        if (area) {
            write(unit, area_head);
        } else if (special && passage == Passage::free) {
            if (chambers) {
                write(unit, "(' con   k       year   dt[days]  ',  '  X5     M/10^9   x-Sun  y-Sun  z-Sun  P   F[%]')");
            } else {
                write(unit, "(' con   k       year   dt[days]  ',  '  X5     M/10^7   x-Sun  y-Sun  z-Sun  P   F[%]')");
            }
        } else if (special) {
            if (chambers) {
                write(unit, "(' con   k      year      X5   M/1',  '0^9   h-Sun  x-Sun  y-Sun  z-Sun   dr  P   F[%]')");
            } else {
                write(unit, "(' con   k      year      X5   M/1',  '0^7  h-Sun  x-Sun  y-Sun  z-Sun    dr  P   F[%]')");
            }
        } else if (passage == Passage::free) {
            write(unit, "(' con   k         JDE          ye',  'ar    e  it   x-Sun  y-Sun  z-Sun   dr  P  F[%]')");
        } else {
            write(unit, area_head);
        }
        if (area) {
            if (!special) {
                write(unit,
                      R"~(('      (  ~k       JDE           M',  '     "  "     "      "      "     "   "    "  )'))~");
            } else if (chambers) {
                write(unit,
                      R"~(('    (  JDE       dt[h]   X5   M/',  '10^9  h-Sun    "      "      "     "   "    "  )'))~");
            } else {
                write(unit,
                      R"~(('    (  JDE       dt[h]   X5   M/',  '10^7  h-Sun    "      "      "     "   "    "  )'))~");
            }
        }
    }
}

} // namespace

void tabe(int unit, const RunParams& p, int reference_flag)
{
    // Every Giza and chamber run and the syzygy runs; transit tables are headed by zwizeile.
    const bool own_table = p.conj_choice >= ConjChoice::syzygy3;
    const bool extended = p.output_detail == OutputDetail::extended && p.ephem_choice != EphemChoice::kepler;

    if (own_table) {
        io::units().put(unit, "\n");
        if (extended) linie(unit, 1);
    }

    if (p.main_option == MainOption::conjunctions) {
        if (p.conj_choice >= ConjChoice::syzygy3) {
            // "tr": the syzygies are refined by minimising the longitude spread.
            const std::string_view mark =
                (p.sun_mode == SunMode::space_fitex && p.ephem_choice != EphemChoice::kepler && p.table_switch != 2)
                    ? "tr"
                    : "  ";
            if (p.sun_mode == SunMode::space_fitex) {
                write(unit,
                      "(' co ',a2,'    k         JDE          year', '   dt[days]  Lm-Lv   Lm-Le  Lm-Lma   dLmin')",
                      {mark});
            } else {
                write(unit,
                      "(' co ',a2,'    k         JDE          year', '   dt[days]  Lm-Lv   Lm-Le  Lm-Lma    dL')",
                      {mark});
            }
        }
    } else if (MainOption::is_site(p.main_option)) {
        site_head(unit, p.passage, p.ephem_choice, p.view, p.sun_mode, p.main_option, p.output_choice);
    }

    if (own_table) {
        linie(unit, p.ephem_choice == EphemChoice::kepler ? 1 : p.output_detail);
        if (extended && reference_flag == 0) {
            write(unit, coord_head_tabe);
            if (p.main_option == MainOption::conjunctions) write(unit, coord_head_mars);
            if (MainOption::is_site(p.main_option)) {
                write(unit, "('    xm      ym      zm         xv      yv  ',  '    zv        xe       ye      ze   ')");
                write(unit, "('  xv-xm    xe-xm    yv-ym    ye-ym    zv-zm',  '    ze-zm             rel. deviation')");
            }
            linie(unit, 1);
        }
    }

    if (p.menu_choice == series_build_run) {
        write(unit, "(/24x,a33/31x,a19)", {"calculation of the file inser-2.t", "--- please wait ---"});
    }
}

void zwizeile(int unit, int output_detail, double jde, int conj_choice, int ephem_choice, int date_mode,
              int calendar_choice, int& state)
{
    // Every unit works from the state the row found; only the terminal, served
    // last, keeps the new state. A row that jumps from before the era past the
    // reform thus gets both separators on every unit.
    int s = state;
    const bool wide = date_mode == DateMode::phases_and_pa;

    if (s == table_head_pending) {
        const int eq = wide ? 3 : 1;
        if (wide) {
            write(unit, R"~((93x,'position angles [deg]',12x,  'semidiameters ["]'))~");
        } else {
            io::units().put(unit, "\n");
        }
        if (ConjChoice::is_transit(conj_choice) && output_detail == OutputDetail::extended) linie(unit, eq);
        if (date_mode == DateMode::equal_longitude || date_mode == DateMode::nearest) {
            write(unit,
                  R"~((' co/p   k        date         time',  '   dt[days]  Lm-Lv   Lm-Le  Lm-Lma  sep["]  S'))~");
        } else if (date_mode == DateMode::phases) {
            write(unit,
                  R"~((' co/p    date, phase:   I        I',  'I      nearest     III       IV    sep["]a  S'))~");
        } else if (date_mode == DateMode::phases_and_pa) {
            write(unit,
                  R"~((' co/p    date, phase:    I        II     ', ' nearest     III       IV     sep["]  a      P1      ','P2     near.    P3      P4        s-Sun    s-pl.    S'))~");
        }
        if (ephem_choice != EphemChoice::kepler && output_detail != OutputDetail::extended) {
            linie(unit, eq);
        } else {
            linie(unit, output_detail + (wide ? 2 : 0));
        }
        if (output_detail == OutputDetail::extended && ephem_choice != EphemChoice::kepler) {
            write(unit, "('   Lm       Bm       Rm       Lv       Bv ',  '      Rv       Le       Be       Re  ')");
            write(unit, coord_head_mars);
            linie(unit, eq);
        }
        s = jde < 0.0 ? table_before_era : (jde < gregorian_first_day ? table_julian : table_done);
    }

    if (s == table_before_era && jde >= 0.0 && calendar_choice == 2) {
        if (date_mode == DateMode::phases) {
            write(unit, "(1x,'----- (Jul. cal.) ',61('-'))");
        } else if (date_mode == DateMode::phases_and_pa) {
            write(unit, "(1x,'----- (Jul. cal.) ',129('-'))");
        } else {
            write(unit, "(1x,13('-'),' (Jul. cal.) ',53('-'))");
        }
        s = table_julian;
    }

    if (s == table_julian && jde >= gregorian_first_day && calendar_choice == 2) {
        if (date_mode == DateMode::phases) {
            write(unit, "(1x,'---- (Greg. cal.) ',61('-'))");
        } else if (date_mode == DateMode::phases_and_pa) {
            write(unit, "(1x,'---- (Greg. cal.) ',129('-'))");
        } else {
            write(unit, "(1x,12('-'),' (Greg. cal.) ',53('-'))");
        }
        s = table_done;
    }

    if (unit == io::terminal_unit) state = s;
}

void endzeile(int unit, const RunParams& p, const RunTotals& totals, int reference_flag)
{
    constexpr std::string_view cpu_text = "CPU time";
    const auto& counters = totals.counters;
    const HmsTime& cpu = totals.cpu;
    const HmsTime& run = totals.run;
    const bool transits = p.main_option == MainOption::conjunctions && ConjChoice::is_transit(p.conj_choice);

    // An extended run without hits has no table rows to close; give it its ruler.
    if (p.output_detail == OutputDetail::extended && counters[3] == 0)
        linie(unit, p.date_mode == DateMode::phases_and_pa ? 3 : 1);

    enum class Next { plain_cpu, series_file, run_time };
    Next next = Next::plain_cpu;

    if (p.constellation == Constellation::range && p.main_option <= MainOption::conjunctions) {
        if (p.menu_choice == series_build_run) {
            next = Next::series_file;
        } else if (p.ephem_choice == EphemChoice::full_series && p.passage != Passage::aphelion_area &&
                   p.passage != Passage::perihelion_area && p.conj_choice >= ConjChoice::syzygy3) {
            next = Next::plain_cpu;
        } else {
            // The note explains the marks of the table rows.
            std::string_view note = "                                     ";
            if (MainOption::is_site(p.main_option) &&
                (p.ephem_choice == EphemChoice::kepler || p.sun_mode >= SunMode::plane_2d)) {
                note = p.main_option == MainOption::giza ? "(P: polarity, * view from ecl. south)"
                                                         : "(P: polarity, resp. view on ecliptic)";
            } else if (transits && DateMode::with_phases(p.date_mode)) {
                note = R"~(           ("/" means ascending node))~";
            }
            write(unit, "(1x,a25,i10,6x,a37)", {" Computed constellations:", counters[2], note});
            if (transits) {
                write(unit, "(1x,a25,i10)", {" Tested planet. passages:", counters[1]});
                write(unit, "(1x,a25,i10)", {" Detected transits      :", counters[3]});
                write(unit, "(1x,a25,i5,a2,i3,7x,a8,i3,a1,i2,a1,f6.3)",
                      {" Centr./grazing transits:", counters[5], " /", counters[4], cpu_text, cpu.h, ":", cpu.m, ":",
                       cpu.s});
            } else if (MainOption::is_site(p.main_option)) {
                write(unit, "(1x,a25,i10,7x,a8,i3,a1,i2,a1,f6.3)",
                      {" Detected constellations:", counters[3], cpu_text, cpu.h, ":", cpu.m, ":", cpu.s});
            } else {
                int syzygies = counters[3];
                if (p.sun_mode != SunMode::space_fitex) {
                    write(unit, "(1x,a25,i10)", {" Detected constellations:", counters[3]});
                    syzygies = counters[4];
                }
                write(unit, "(1x,a25,i10,7x,a8,i3,a1,i2,a1,f6.3)",
                      {" Number of syzygies     :", syzygies, cpu_text, cpu.h, ":", cpu.m, ":", cpu.s});
            }
            next = Next::run_time;
        }
    } else if (p.menu_choice == series_build_run) {
        next = Next::series_file;
    }

    if (next == Next::series_file) {
        write(unit, "(43x,a36)", {"The file inser-2.t has been created."});
        write(unit, "(43x,a8,i3,a1,i2,a1,f6.3)", {cpu_text, cpu.h, ":", cpu.m, ":", cpu.s});
    } else if (next == Next::plain_cpu) {
        if (totals.legend_flag == 1 && reference_flag == 0) {
            write(unit, "(14x,a29,a8,i3,a1,i2,a1,f6.3)",
                  {R"~(("<" exact deviation dr)     )~", cpu_text, cpu.h, ":", cpu.m, ":", cpu.s});
        } else {
            write(unit, "(43x,a8,i3,a1,i2,a1,f6.3)", {cpu_text, cpu.h, ":", cpu.m, ":", cpu.s});
        }
    }

    write(unit, "(43x,a8,i3,a1,i2,a1,f6.3,a15/)",
          {"run time", run.h, ":", run.m, ":", run.s, " -- end of run."});
}

} // namespace r7
