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
#include "ephemeris/ephemerides.hpp"
#include "io/lines.hpp"
#include "report/csvfiles.hpp"
#include "report/localblock.hpp"
#include "report/results.hpp"
#include "report/tables.hpp"
#include "report/titles.hpp"
#include "run/cmdline.hpp"
#include "run/conjunctions.hpp"
#include "run/fminrun.hpp"
#include "run/passages.hpp"
#include "run/runutil.hpp"
#include "run/site.hpp"
#include "run/teoti.hpp"
#include "state/codes.hpp"
#include "state/constants.hpp"
#include "state/dialog.hpp"
#include "state/paramfile.hpp"
#include "state/setcheck.hpp"
#include "time/time.hpp"
#include "transit/series.hpp"

namespace r7 {

int reference_flag(const RunParams& p)
{
    const bool study = (p.main_option == MainOption::giza && p.passage == Passage::aphelion) ||
                       (p.main_option == MainOption::chambers && p.passage == Passage::perihelion &&
                        p.planet_order == PlanetOrder::e_v_m);
    return (study && p.ephem_choice <= EphemChoice::full_series && p.combi_flag == 0 &&
            p.time_scale == TimeScale::tt && p.output_detail == OutputDetail::extended &&
            p.sun_mode == SunMode::space_fitex && p.constellation == Constellation::reference &&
            p.output_choice == OutputChoice::special)
               ? 1
               : 0;
}

EphemerisNeeds ephemeris_needs(const RunParams& p)
{
    EphemerisNeeds n;
    n.short_series = p.ephem_choice == EphemChoice::short_series;
    n.kepler = p.output_detail == OutputDetail::extended || p.coord_choice != CoordChoice::ecliptic ||
               p.ephem_choice == EphemChoice::kepler || p.main_option == MainOption::conjunctions ||
               p.main_option == MainOption::teotihuacan;
    n.kvers = p.vsop_variant;
    auto want = [&n](int from, int to) {
        for (int j = from; j <= to; ++j) n.bodies[static_cast<std::size_t>(j)] = true;
    };
    // The full series, of the run's planets: where the run evaluates them with
    // it (the full series chosen, or the confirmation of the combination), and
    // in the transit computation of a transit run, which uses it with the
    // Kepler orbits as well, as the F-minimised run's triangle does.
    const bool chosen = p.ephem_choice == EphemChoice::full_series || p.combi_flag == 1;
    const bool also_kepler = p.ephem_choice == EphemChoice::kepler;
    if (MainOption::is_site(p.main_option)) {
        if (chosen || (also_kepler && p.passage == Passage::free)) want(mercury, earth);
        // The coordinate listing after a match: every planet of the file set.
        const bool listing = (p.full_flag == 1 && Passage::is_point(p.passage) &&
                              p.output_detail == OutputDetail::extended) ||
                             reference_flag(p) == 1;
        if (listing) want(mercury, p.vsop_variant == 1 ? max_body : 8);
    } else if (p.main_option == MainOption::conjunctions) {
        if (ConjChoice::is_transit(p.conj_choice) && (chosen || also_kepler)) {
            want(p.conj_choice, p.conj_choice);
            want(earth, earth);
        } else if (chosen) {
            want(mercury, mars);
        }
    }
    return n;
}

EphemerisNeeds combined(const EphemerisNeeds& a, const EphemerisNeeds& b)
{
    EphemerisNeeds n = a;
    n.short_series = a.short_series || b.short_series;
    n.kepler = a.kepler || b.kepler;
    for (std::size_t j = 0; j < n.bodies.size(); ++j) n.bodies[j] = a.bodies[j] || b.bodies[j];
    return n;
}

void convert_interval(const RunParams& p, RunState& s)
{
    // The step width is entered in hours; the search loops step in days. A
    // conjunction run that minimises the alignment scans in steps of one day.
    s.step_days = 0.0;
    if (MainOption::is_search(p.main_option)) s.step_days = p.step_width / 24.0;
    if (p.main_option == MainOption::conjunctions && p.sun_mode == SunMode::space_fitex) s.step_days = 1.0;

    s.run_k = p.k_number;
    double djde = 0.0;
    if (MainOption::is_site(p.main_option)) {
        // One passage: a predefined constellation, or the k-number entered for
        // the full series.
        const bool predefined = Constellation::is_predefined(p.constellation);
        if (predefined || (p.constellation == Constellation::range && p.ephem_choice == EphemChoice::full_series &&
                           Passage::is_point(p.passage))) {
            if (predefined) {
                s.run_k = akon(p.constellation);
                if (p.main_option == MainOption::chambers && p.view == View::north) s.run_k -= 1.0;
            }
            const PassageTime t = ephim(0, p.passage, p.main_option, p.calendar_choice,
                                        {s.run_k, s.kint_from, s.run_jde, s.run_year, s.run_djde});
            s.run_k = t.k;
            s.kint_from = t.kint;
            s.run_jde = t.jde;
            s.run_year = t.year;
            s.run_djde = t.djde;
            s.kint_to = s.kint_from;
            s.jde_from = s.jde_to = s.run_jde;
            return;
        }
        if (p.constellation == Constellation::one_jde) {
            s.run_jde = p.start_jde;
            s.jde_from = s.jde_to = p.start_jde;
            return;
        }
    }
    if (p.main_option == MainOption::teotihuacan) return;
    // A range of years: both ends to k-numbers and JDEs.
    const PassageTime from = ephim(2, p.passage, p.main_option, p.calendar_choice,
                                   {s.k_from, s.kint_from, s.jde_from, p.year_from, djde});
    const PassageTime to = ephim(2, p.passage, p.main_option, p.calendar_choice,
                                 {s.k_to, s.kint_to, s.jde_to, p.year_to, djde});
    s.k_from = from.k;
    s.kint_from = from.kint;
    s.jde_from = from.jde;
    s.k_to = to.k;
    s.kint_to = to.kint;
    s.jde_to = to.jde;
    if (p.main_option == MainOption::conjunctions) s.first_year = static_cast<int>(p.year_from);
}

namespace {

// Whether the report goes to out.txt (and the page to out.html).
bool report_to_file(const RunParams& p)
{
    return reference_flag(p) == 1 || p.output_choice != OutputChoice::monitor;
}

// Whatever the source of the parameters, no run starts that could not end (the
// dialog and the set check refuse such values before this). The files the run
// writes are written after its work, the series file after minutes of it: a
// directory or a special file (a FIFO, a device) where one of them belongs, or a
// directory that takes no new file, stops the run before the work.
void check_before_run(const RunParams& p)
{
    if (const auto v = check_set(p)) throw RunStop(exit_data_error, "parameter set: " + v->text);
    std::vector<const char*> outputs;
    if (report_to_file(p)) outputs = {"out.txt", "out.csv", "out.html"};
    if (p.menu_choice == series_build_run) outputs.push_back("inser-2.t");
    for (const char* name : outputs) {
        if (const std::string why = io::check_writable(name); !why.empty())
            throw RunStop(exit_output, std::string("the file \"") + name + "\" cannot be written: " + why);
    }
}

// Step 11 for a transit run: the series table and the numbering state. The
// series file run builds the table from nothing, and its second pass (Venus)
// keeps the table of the first (Mercury); every other transit run reads it.
void prepare_series(const RunParams& p, TransitSeries& series)
{
    if (p.menu_choice == series_build_run && p.conj_choice == ConjChoice::venus_transit) {
        series.start_pass();
    } else if (p.menu_choice == series_build_run) {
        series = TransitSeries();
    } else {
        series = TransitSeries(read_ser());
    }
}

// What a run owns besides its parameters and its run state: the site with its
// geometry, the Teotihuacan points, the transit series (shared by the two
// passes of the series file run) and the ephemerides, built once by the first
// pass and only read from then on.
struct RunData {
    Site site;
    TeotiSite teoti;
    std::optional<Observer> observer; // the site the transits are seen from as well (--site)
    TransitSeries series;
    results::Run results; // what the study records for out.csv and out.html
    EphemerisNeeds needs;
    std::optional<Ephemerides> eph;
};

// Steps 11 and 12: the data of the mode (site data, transit series, Teotihuacan
// points) and the site geometry.
void load_mode_data(const RunParams& p, const RunState& s, RunData& d)
{
    if (MainOption::is_site(p.main_option)) {
        load_site(p, s.reference_flag, d.site);
    } else if (p.main_option == MainOption::conjunctions && ConjChoice::is_transit(p.conj_choice)) {
        prepare_series(p, d.series);
    } else if (p.main_option == MainOption::teotihuacan) {
        d.teoti = load_teoti();
    }

    if (MainOption::is_site(p.main_option)) d.site.geometry = site_geometry(p, d.site);
}

// Step 14: the headings once per output unit (with the line naming the site of
// a run seen from one). The JDE line of a run on one date leaves that date's
// k-number, year and passage offset in the run state.
void write_headings(const RunParams& p, RunState& s, const std::optional<Observer>& site)
{
    if (!MainOption::is_search(p.main_option)) return;
    for (int unit : io::units().list()) {
        titel1(unit, p, s.reference_flag);
        HeadingDate date{.jde = s.run_jde, .k = s.run_k, .year = s.run_year, .djde = s.run_djde};
        titel2(unit, p, date, s.tol_entered, s.step_days);
        s.run_k = date.k;
        s.run_year = date.year;
        s.run_djde = date.djde;
        if (site) local_heading(unit, *site);
        tabe(unit, p, s.reference_flag);
    }
}

// Starts the threads of the parallel scan before it begins, so that a failed
// thread start is seen here rather than inside the computation, where the OpenMP
// runtime would end the process. Fewer threads than asked for are used when only
// some can be started.
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

// Step 15: the study's run loop.
void run_study(const RunParams& p, RunState& s, RunData& d)
{
    const Ephemerides& eph = *d.eph;
    if (MainOption::is_site(p.main_option) && p.passage == Passage::free) {
        fmin_run(p, s, d.site, eph, d.results);
    } else if (p.main_option == MainOption::conjunctions) {
        // The scan of the transit and syzygy run is the one part of the program
        // that runs on several threads.
        start_threads();
        conjunction_run(p, s, eph, d.series, d.observer ? &*d.observer : nullptr, d.results);
    } else if (MainOption::is_site(p.main_option)) {
        // The constellation search lists the Mercury aphelion coordinates
        // itself after a Giza run, since it holds the last fit's parameters.
        passage_search(p, s, d.site, eph, d.results);
    }
    if (p.main_option == MainOption::teotihuacan) teoti_run(p, d.teoti, eph.kepler(), d.results);
}

// Steps 8 to 16: one pass of the run, from the interval to the rulers that
// close the tables. The ephemerides are read where the first pass needs them
// (step 13), after the data of the mode.
void run_pass(const RunParams& p, RunState& s, RunData& d)
{
    io::units().put(io::terminal_unit, "\n");
    s.counters.fill(0);
    convert_interval(p, s);
    load_mode_data(p, s, d);
    if (!d.eph) d.eph = load_ephemerides(d.needs);
    write_headings(p, s, d.observer);
    run_study(p, s, d);
    if (p.output_detail != OutputDetail::extended) {
        for (int unit : io::units().list()) linie(unit, p.date_mode == DateMode::phases_and_pa ? 3 : 1);
    }
}

// The parameters of the second pass of the series file run: the Venus pass
// covers the years in which the VSOP87 series hold (-13000 to 17000, the span
// the series file is made for). Beyond them the positions drift so far that the
// transits found there open spurious series, which used up all Venus series
// numbers before the year -28000 and left modern transits numbered by whatever
// run found them.
RunParams venus_pass(const RunParams& mercury)
{
    RunParams venus = mercury;
    venus.conj_choice = ConjChoice::venus_transit;
    venus.year_from = -13000.0;
    venus.year_to = 17000.0;
    return venus;
}

// Steps 18 and 19: the computing times, then the closing lines once per unit.
void close_run(const RunParams& p, const RunState& s, double cpu_start, const ClockValues& wall_start)
{
    const double cpu_end = cpu_seconds();
    const ClockValues wall_end = wall_clock();
    RunTotals totals;
    totals.counters = s.counters;
    totals.legend_flag = s.listing_flag;
    comtime(1, cpu_start, cpu_end, wall_start, wall_end, totals.cpu.h, totals.cpu.m, totals.cpu.s);
    comtime(2, cpu_start, cpu_end, wall_start, wall_end, totals.run.h, totals.run.m, totals.run.s);
    for (int unit : io::units().list()) endzeile(unit, p, totals, s.reference_flag);
}

// One run after the dialog; returns the exit status.
int perform_run(const RunParams& p, const std::optional<Observer>& observer, results::Run* keep)
{
    auto& u = io::units();
    RunState s;
    RunData d;
    d.observer = observer;
    s.tol_entered = p.tol_short;
    check_before_run(p);

    const double cpu_start = cpu_seconds();
    const ClockValues wall_start = wall_clock();
    u.write(io::terminal_unit, "(/'  <R7>   Computation started ...')", {});

    // The run's parameters are recorded in inedit.t, except for the runs of the
    // edited set itself and the series file run.
    if (p.menu_choice != MenuChoice::edited_set && p.menu_choice != series_build_run) {
        RunParams recorded = p; // the writing mode leaves the set as it is
        inputfile(recorded, 0, 2);
    }

    s.reference_flag = reference_flag(p);
    const bool to_file = report_to_file(p);
    if (to_file) {
        u.open_file("out.txt");
        u.put(io::terminal_unit, "         Output file: \"out.txt\"\n");
    }

    results::start_tables(d.results, p, observer.has_value());
    // The series file run takes two passes, Mercury and then Venus, and saves
    // the series table after the Venus pass.
    const bool two_passes = p.menu_choice == series_build_run && p.conj_choice == ConjChoice::mercury_transit;
    const RunParams last = two_passes ? venus_pass(p) : p;
    d.needs = ephemeris_needs(p);
    if (two_passes) d.needs = combined(d.needs, ephemeris_needs(last));
    run_pass(p, s, d);
    if (two_passes) run_pass(last, s, d);
    if (last.menu_choice == series_build_run && last.conj_choice == ConjChoice::venus_transit) {
        save_ser(d.series.table());
    }

    close_run(last, s, cpu_start, wall_start);
    // The report and its page are in place before the last terminal lines are
    // flushed: a terminal that fails now still leaves both whole.
    u.close_file();
    if (to_file) {
        write_tables(d.results);
        if (const std::string why = picture::write_page(d.results, "out.txt", "out.html"); !why.empty())
            throw RunStop(exit_output, "the page \"out.html\" could not be written: " + why);
    }
    u.flush();
    if (keep != nullptr) *keep = std::move(d.results);
    return exit_ok;
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

int r7_main(std::optional<int> menu_answer, const Overrides& overrides, const std::optional<SiteArg>& site,
            results::Run* keep)
{
    std::ios::sync_with_stdio(false);
    open_standard_descriptors();
    // Beyond a file size limit, and into a pipe whose reader has gone, a write
    // fails (and is reported, status 4 for standard output) instead of the
    // signal ending the process without a word and with its report unfinished.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    auto& u = io::units();
    RunParams p;
    try {
        // Step 1: the dialog.
        inputdata(p, menu_answer);
        if (const auto refusal = apply_overrides(overrides, p)) {
            u.flush();
            std::cerr << "R7 stopped: " << refusal->text << "\n";
            return exit_usage;
        }
        // Step 2: exit.
        if (p.output_choice == OutputChoice::exit) {
            u.put(io::terminal_unit, "\n");
            u.flush();
            return exit_ok;
        }
        // The site: for transit runs only (the set, or the dialog's answers,
        // decide), read from the site files where it is named.
        std::optional<Observer> observer;
        if (site) {
            if (const auto refusal = refuse_site(p)) {
                u.flush();
                std::cerr << "R7 stopped: " << refusal->text << "\n";
                return exit_usage;
            }
            observer = resolve_site(*site);
        }
        lock_working_directory();
        return perform_run(p, observer, keep);
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
