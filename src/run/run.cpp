#include "run/run.hpp"

#include <cerrno>
#include <csignal>
#include <cmath>
#include <fcntl.h>
#include <new>
#include <omp.h>
#include <sys/file.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>
#include <iostream>

#include "io/error.hpp"
#include "io/safefile.hpp"
#include "io/units.hpp"
#include "picture/page.hpp"
#include "ephemeris/kepler.hpp"
#include "ephemeris/short.hpp"
#include "io/lines.hpp"
#include "report/tables.hpp"
#include "report/titles.hpp"
#include "run/conjunctions.hpp"
#include "run/fminrun.hpp"
#include "run/passages.hpp"
#include "run/runutil.hpp"
#include "run/site.hpp"
#include "run/teoti.hpp"
#include "state/dialog.hpp"
#include "state/paramfile.hpp"
#include "state/setcheck.hpp"
#include "state/slots.hpp"
#include "state/store.hpp"
#include "time/time.hpp"
#include "transit/series.hpp"

namespace r7 {

int reference_flag(const RunParams& p)
{
    const bool study = (p.main_option == 1 && p.passage == 1) ||
                       (p.main_option == 2 && p.passage == 2 && p.planet_order == 1);
    return (study && p.ephem_choice <= 2 && p.combi_flag == 0 && p.time_scale == 1 && p.output_detail == 2 &&
            p.sun_mode == 5 && p.constellation == 12 && p.output_choice == 3)
               ? 1
               : 0;
}

void convert_interval(RunParams& p, RunState& s)
{
    double djde = 0.0;
    if (p.main_option == 1 || p.main_option == 2) {
        if (p.constellation >= 1 && p.constellation <= 14) {
            p.k_number = Base::akon(p.constellation);
            if (p.main_option == 2 && p.view == 1) p.k_number -= 1.0;
            ephim(0, p.passage, p.main_option, p.calendar_choice, p.k_number, s.kint_from, s.run_jde, s.run_year,
                  s.run_djde);
            s.kint_to = s.kint_from;
            s.jde_from = s.jde_to = s.run_jde;
            return;
        }
        if (p.constellation == 15 && p.ephem_choice == 2 && (p.passage == 1 || p.passage == 2)) {
            ephim(0, p.passage, p.main_option, p.calendar_choice, p.k_number, s.kint_from, s.run_jde, s.run_year,
                  s.run_djde);
            s.kint_to = s.kint_from;
            s.jde_from = s.jde_to = s.run_jde;
            return;
        }
        if (p.constellation == 0) {
            s.run_jde = p.start_jde;
            s.jde_from = s.jde_to = p.start_jde;
            return;
        }
    }
    if (p.main_option == 4) return;
    // A range of years: both ends to k-numbers and JDEs.
    ephim(2, p.passage, p.main_option, p.calendar_choice, s.k_from, s.kint_from, s.jde_from, p.year_from, djde);
    ephim(2, p.passage, p.main_option, p.calendar_choice, s.k_to, s.kint_to, s.jde_to, p.year_to, djde);
    if (p.main_option == 3) s.first_year = static_cast<int>(p.year_from);
}

namespace {

// One run after the dialog; returns the exit status.
int perform_run(RunParams& p)
{
    auto& u = io::units();
    RunState s;
    Site site;
    s.tol_entered = p.tol_short;

    // Whatever the source of the parameters, no run starts that could not end
    // (the dialog and the set check refuse such values before this).
    if (const auto v = check_set(p)) throw RunStop(exit_data_error, "parameter set: " + v->text);

    // The series file is written after minutes of work: it must be writable first.
    if (p.menu_choice == -804) {
        if (const std::string why = io::check_writable("inser-2.t"); !why.empty())
            throw RunStop(exit_output, "the file inser-2.t cannot be written: " + why);
    }

    // Step 3: start timestamps.
    const double cpu_start = cpu_seconds();
    const ClockValues wall_start = wall_clock();

    // Step 4.
    u.write(io::terminal_unit, "(/'  <R7>   Computation started ...')", {});

    // Step 5: record the run's parameters in inedit.t (not for 999 and -804).
    if (p.menu_choice != 999 && p.menu_choice != -804) inputfile(p, 0, 2);

    // Step 6.
    s.reference_flag = reference_flag(p);

    // Step 7: output routing.
    if (s.reference_flag == 1 || p.output_choice != 1) {
        u.open_file("out.txt");
        u.put(io::terminal_unit, "         Output file: \"out.txt\"\n");
    }

    for (;;) {
        // Step 8: run start.
        u.put(io::terminal_unit, "\n");
        s.counters.fill(0);

        // Step 9: the time interval.
        convert_interval(p, s);

        // Step 10: planet slot selection.
        if (p.conj_choice == 1) {
            base.il(1) = 1; base.il(2) = 3; base.il(3) = 2;
        } else if (p.conj_choice == 2) {
            base.il(1) = 2; base.il(2) = 3; base.il(3) = 1;
        } else {
            base.il(1) = 1; base.il(2) = 4; base.il(3) = 1;
        }

        // Step 11: data per mode (site data, transit series, Teotihuacan points).
        if (p.main_option == 1 || p.main_option == 2) {
            load_site(p, s.reference_flag, site);
        } else if (p.main_option == 3 && (p.conj_choice == 1 || p.conj_choice == 2)) {
            // The series table of the first pass of -804 (Mercury) must survive
            // into the second (Venus): only the per-run bookkeeping is reset then.
            if (p.menu_choice == -804 && p.conj_choice == 2) {
                const auto kept = astro.ser;
                reset_series_state();
                astro.ser = kept;
            } else {
                reset_series_state();
            }
            if (p.menu_choice != -804) read_ser();
            astro.ismax = series_max_unset;
            astro.zstart = series_start_unset;
            astro.isflag = 0;
        } else if (p.main_option == 4) {
            load_teoti();
        }

        // Step 12: common preparation.
        if (p.main_option >= 1 && p.main_option <= 3) p.step_width /= 24.0;
        if (p.main_option == 3 && p.sun_mode == 5) p.step_width = 1.0;
        if (p.main_option == 1 || p.main_option == 2) site_geometry(p, site);

        // Step 13: ephemeris data (short series, Kepler elements) as the run needs them;
        // the full series files are loaded planet by planet on first use.
        if (p.ephem_choice == 1) vsop1load();
        if (p.output_detail == 2 || p.coord_choice != 1 || p.ephem_choice == 3 || p.main_option == 3 ||
            p.main_option == 4) {
            load_kepler();
        }

        // Step 14: headings once per output unit.
        if (p.main_option >= 1 && p.main_option <= 3) {
            for (int unit : u.list()) {
                titel1(p.passage, p.constellation, unit, p.sun_mode, p.main_option, p.conj_choice, p.date_mode,
                       p.conj_filter, p.time_scale, s.reference_flag, p.menu_choice);
                titel2(unit, p.ephem_choice, p.vsop_variant, p.coord_choice, p.main_option, p.sun_mode,
                       p.level_choice, p.view, p.constellation, p.planet_order, p.passage, p.conj_choice,
                       p.calendar_choice, p.k_number, s.run_jde, s.run_year, s.run_djde, p.tol_short, p.tol_full,
                       s.tol_entered, p.f_consider, p.f_print, p.steps_per_passage, p.step_width, p.combi_flag,
                       p.year_from, p.year_to);
                tabe(p.passage, p.ephem_choice, p.view, unit, p.output_detail, p.sun_mode, p.main_option,
                     p.conj_choice, p.table_switch, s.reference_flag, p.menu_choice, p.output_choice);
            }
        }

        // Step 15: the study's run loop.
        if ((p.main_option == 1 || p.main_option == 2) && p.passage == 5) {
            fmin_run(p, s, site);
        } else if (p.main_option == 3) {
            conjunction_run(p, s);
        } else if (p.main_option == 1 || p.main_option == 2) {
            // The constellation search lists the Mercury aphelion coordinates
            // itself after a Giza run, since it holds the last fit's parameters.
            passage_search(p, s, site);
        }
        if (p.main_option == 4) teoti_run(p, s);

        // Step 16: after the loop: Mercury aphelion listing, rulers.
        if (p.output_detail != 2) {
            for (int unit : u.list()) linie(unit, p.date_mode == 4 ? 3 : 1);
        }

        // Step 17: the two-pass series run. The Venus pass covers the years in
        // which the VSOP87 series hold (-13000 to 17000, the span the series file
        // is made for). Beyond them the positions drift so far that the transits
        // found there open spurious series, which used up all Venus series
        // numbers before the year -28000 and left modern transits numbered by
        // whatever run found them.
        if (p.menu_choice == -804 && p.conj_choice == 1) {
            p.conj_choice = 2;
            p.year_from = -13000.0;
            p.year_to = 17000.0;
            continue;
        }
        if (p.menu_choice == -804 && p.conj_choice == 2) save_ser();
        break;
    }

    // Step 18: computing times.
    const double cpu_end = cpu_seconds();
    const ClockValues wall_end = wall_clock();
    int ch = 0, cm = 0, rh = 0, rm = 0;
    double cs = 0.0, rs = 0.0;
    comtime(1, cpu_start, cpu_end, wall_start, wall_end, ch, cm, cs);
    comtime(2, cpu_start, cpu_end, wall_start, wall_end, rh, rm, rs);

    // Step 19: closing lines once per unit, then close the unit.
    for (int unit : u.list()) {
        endzeile(p.main_option, p.ephem_choice, p.conj_choice, p.passage, p.date_mode, p.sun_mode, p.constellation,
                 s.listing_flag, p.output_detail, unit, s.counters, ch, cm, cs, rh, rm, rs, s.reference_flag,
                 p.menu_choice);
    }
    u.close_file();
    u.flush();
    return (s.reference_flag == 1 || p.output_choice != 1) ? picture::write_page("out.txt", "out.html") : exit_ok;
}

} // namespace

namespace {

// A closed standard descriptor would be taken by the next file the run opens,
// so that the dialog would read inparm.t or the report would go into it. A
// closed standard input is opened on /dev/null (it ends at once, like an empty
// input); closed standard output is opened read-only there, so every write to it
// fails and is reported.
void open_standard_descriptors()
{
    constexpr int flags[3] = {O_RDONLY, O_RDONLY, O_WRONLY};
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int n = ::open("/dev/null", flags[fd]);
            if (n >= 0 && n != fd) {
                ::dup2(n, fd);
                ::close(n);
            }
        }
    }
}

// The run holds an exclusive lock on its working directory for its whole
// lifetime (released by the system when the process ends), so that two runs
// never mix their reports or rewrite inedit.t at the same time.
void lock_working_directory()
{
    const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return; // an unreadable directory fails later, naming the file
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) {
            throw RunStop(exit_busy, "another run of R7 is using this working directory; "
                                     "start this one when it has ended, or in another directory");
        }
    }
    // fd stays open: the lock lasts until the process ends.
}

// Starts the threads of the parallel sums once, so that a failed thread start
// is seen here rather than inside the computation, where the OpenMP runtime
// would end the process. Fewer threads than asked for are used when only some
// can be started; none at all ends the run.
void start_threads()
{
    const int want = omp_get_max_threads();
    if (want <= 1) return;
    int started = 1;
    std::vector<std::thread> probe;
    try {
        for (int i = 1; i < want; ++i, ++started) probe.emplace_back([] {});
    } catch (const std::system_error&) {
    }
    for (auto& t : probe) t.join();
    if (started < want) omp_set_num_threads(started);
}

void stopped(const std::string& why)
{
    auto& u = io::units();
    try {
        u.flush();
    } catch (const RunStop&) {
    }
    std::cerr << "\n  R7 stopped: " << why << "\n";
    u.abandon_file(why);
}

} // namespace

int r7_main(std::optional<int> menu_answer)
{
    std::ios::sync_with_stdio(false);
    open_standard_descriptors();
    // Beyond a file size limit a write fails (and is reported) instead of the
    // signal ending the process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    auto& u = io::units();
    RunParams p;
    try {
        // Step 1: the dialog.
        inputdata(p, menu_answer);
        // Step 2: exit.
        if (p.output_choice == 4) {
            u.put(io::terminal_unit, "\n");
            u.flush();
            return exit_ok;
        }
        lock_working_directory();
        start_threads();
        return perform_run(p);
    } catch (const EndOfInput&) {
        // Standard input ended in the dialog: end like the answer "exit".
        try {
            u.put(io::terminal_unit, "\n");
            u.flush();
        } catch (const RunStop& e) {
            stopped(e.what());
            return e.status();
        }
        return exit_ok;
    } catch (const DataError& e) {
        stopped(e.what());
        return exit_data_error;
    } catch (const RunStop& e) {
        stopped(e.what());
        return e.status();
    } catch (const std::bad_alloc&) {
        stopped("out of memory");
        return exit_resources;
    } catch (const std::ios_base::failure& e) {
        stopped(std::string("a file could not be read: ") + e.what());
        return exit_data_error;
    } catch (const std::system_error& e) {
        stopped(std::string("a thread could not be started: ") + e.what());
        return exit_resources;
    }
}

} // namespace r7
