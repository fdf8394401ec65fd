#include "state/constants.hpp"
#include "run/conjunctions.hpp"

#include <omp.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ephemeris/coord.hpp"
#include "ephemeris/expansion.hpp"
#include "ephemeris/kepler.hpp"
#include "ephemeris/short.hpp"
#include "fit/regress.hpp"
#include "io/error.hpp"
#include "io/layout.hpp"
#include "io/progress.hpp"
#include "io/units.hpp"
#include "io/lines.hpp"
#include "report/localblock.hpp"
#include "report/results.hpp"
#include "report/tables.hpp"
#include "run/runutil.hpp"
#include "state/codes.hpp"
#include "time/time.hpp"
#include "transit/search.hpp"
#include "transit/local.hpp"
#include "transit/series.hpp"
#include "transit/transit.hpp"

namespace r7 {
namespace {


// A phase that the transit does not have.
constexpr std::string_view no_phase = "   --   ";

// Fastest change of a heliocentric longitude difference among Mercury, Venus,
// Earth and Mars, degrees per day (Mercury at perihelion against Mars: about
// 5.9). No alignment measure can fall faster than this.
constexpr double fastest_drift = 6.0;

// The scan brings a transit candidate within this longitude difference (degrees)
// of the inferior conjunction before the refinement starts.
constexpr double conj_window = 1.0;

// Years of the printed window of the series-building run.
constexpr int window_first_year = -13000;
constexpr int window_last_year = 17000;

// Rows of the transit table. The series number takes at least four columns
// behind the separation (five where no node mark stands between them), so that
// the numbers -150 .. -100 of the early Mercury series fit.
constexpr std::string_view row12_wide = "(1x,a2,a1,i7,f5.0,a5,i6,i3,2(a1,i2),4f8.3,f7.1,i5)";
constexpr std::string_view row12 = "(1x,a2,a1,i7,f5.0,a5,i5,i4,2(a1,i2),4f8.3,f7.1,i5)";
constexpr std::string_view row3_full_wide =
    "(1x,a2,a1,f4.0,a5,i6,i3,2(a1,i2),4(i4,2(a1,i2)),f7.1,               a1,i4)";
constexpr std::string_view row3_full = "(1x,a2,a1,f4.0,a5,i5,5(i4,2(a1,i2)),f7.1,a1,i4)";
constexpr std::string_view row3_ext_wide =
    "(1x,a2,a1,f4.0,a5,i6,i3,2(a1,i2),2(a10,i4,2(a1,i2)),               f7.1,a1,i4)";
constexpr std::string_view row3_ext =
    "(1x,a2,a1,f4.0,a5,i5,i4,2(a1,i2),2(a10,i4,2(a1,i2)),               f7.1,a1,i4)";
constexpr std::string_view row3_part_wide =
    "(1x,a2,a1,f4.0,a5,i6,1x,a8,2x,a8,i4,2(a1,i2),2(2x,a8),               f7.1,a1,i4)";
constexpr std::string_view row3_part = "(1x,a2,a1,f4.0,a5,i5,2a10,i4,2(a1,i2),2a10,f7.1,a1,i4)";
constexpr std::string_view row4_full_wide =
    "(1x,a2,a1,f4.0,a5,i6,5(i4,a1,i2,a1,i2),f8.1,2x,a1,               2x,5f8.2,3x,2f8.2,i6)";
constexpr std::string_view row4_full =
    "(1x,a2,a1,f4.0,a5,i5,1x,5(i4,a1,i2,a1,i2),f8.1,2x,a1,               2x,5f8.2,3x,2f8.2,i6)";
constexpr std::string_view row4_ext_wide =
    "(1x,a2,a1,f4.0,a5,i6,i4,2(a1,i2),2(a10,i4,2(a1,i2)),               "
    "f8.1,2x,a1,2x,f8.2,a8,f8.2,a8,f8.2,3x,2f8.2,i6)";
constexpr std::string_view row4_ext =
    "(1x,a2,a1,f4.0,a5,i5,1x,i4,2(a1,i2),2(a10,i4,2(a1,i2)),               "
    "f8.1,2x,a1,2x,f8.2,a8,f8.2,a8,f8.2,3x,2f8.2,i6)";
constexpr std::string_view row4_part_wide =
    "(1x,a2,a1,f4.0,a5,i6,2a10,i4,2(a1,i2),2a10,f8.1,2x,a1,               2x,2a8,f8.2,2a8,3x,2f8.2,i6)";
constexpr std::string_view row4_part =
    "(1x,a2,a1,f4.0,a5,i5,1x,2a10,i4,2(a1,i2),2a10,f8.1,2x,a1,              2x,2a8,f8.2,2a8,3x,2f8.2,i6)";

// Rows of the syzygy table.
constexpr std::string_view syz_row_me = "(1x,a2,3a1,i7,f15.5,f11.3,2f8.3,f6.1,f10.3,f8.3)";
constexpr std::string_view syz_row_mma = "(1x,a2,3a1,i7,f15.5,f11.3,3f8.3,f6.1,f10.3)";
constexpr std::string_view syz_row = "(1x,a2,3a1,i7,f15.5,f11.3,5f8.3)";

bool is_transit_letter(char c)
{
    return c == 'M' || c == 'm' || c == 'V' || c == 'v' || c == 'C' || c == 'c';
}

double reduced(double a)
{
    reduz(a, 0, 0);
    return a;
}

// Calendar year of a date in the decimal-year scale (floor).
int year_of(double decimal_year) { return static_cast<int>(std::floor(decimal_year)); }

// One scan: the run parameters, the positions of the current instant and the
// state carried from step to step.
struct Scan {
    const RunParams& p;
    RunState& s;
    const Ephemerides& ephem;
    TransitSeries& series; // read and written by the main thread only
    int kout = io::terminal_unit;
    int eph = 1;   // ephemeris in use: 1 short, 2 full series, 3 Kepler orbits
    int ibody = 0; // transit planet, 0 in syzygy runs
    bool minsearch = false;
    const Observer* site = nullptr; // the transits are seen from it as well
    // The full series expanded about the candidate being confirmed; only the
    // scan of a candidate's computation (compute) sets them.
    std::optional<SeriesWindow> expanded;
    // The expansions where there are some (nullptr: the places term by term).
    const SeriesWindow* window() const { return expanded ? &*expanded : nullptr; }
    results::Run* out = nullptr;    // the run's results (the main thread's scan only)

    // The places of the current instant: each evaluation updates the bodies it
    // computes, the others keep the values of an earlier one.
    Positions at{};
    // The orbital elements of the planets as last computed.
    ElementTable el{};
    std::array<double, 9> pos{}; // rectangular Mercury, Venus, Earth
    // Longitude differences: 1 Mercury-Venus, 2 Mercury-Earth, 3 Mercury-Mars,
    // 4 Venus-Earth, 5 Venus-Mars, 6 Earth-Mars, each in -180..180 degrees.
    std::array<double, 7> dl{};
    double d = 0.0; // alignment measure at the last evaluation

    // Set while a transit scan with the short series searches a conjunction:
    // its trial instants need the transit planet and the Earth only (see
    // evaluate).
    bool scanning = false;

    int last_ke = 3;  // status of the last minimum search (3: none yet)
    int fit_ktype = 1; // method of the last fitmin call
    // The half-duration estimate of the last transit computed (0: none yet),
    // from which a syzygy run searches the contacts of the next one.
    double shift = 0.0;

    int table_state = table_head_pending;
    double last_event_jde = 0.0;
    bool have_printed_venus = false;
    double last_printed_venus = 0.0;

    Scan(const RunParams& params, RunState& state, const Ephemerides& e, TransitSeries& ts)
        : p(params), s(state), ephem(e), series(ts)
    {
    }

    // ---------------------------------------------------------------- positions

    KeplerOrbit kepler_planet(int j, double T) const
    {
        return kepler_orbit(ephem.kepler(), p.frame_choice, j, T, kout);
    }

    // The orbital elements of planets 1..n into el at jde (the transit estimate
    // needs the inclinations, the extended listing all of them).
    void fill_elements(ElementTable& table, double jde, int n) const
    {
        const double T = (jde - jd2000) / days_per_century;
        for (int j = 1; j <= n; ++j) table[static_cast<std::size_t>(j)] = kepler_planet(j, T).el;
    }

    void full_planet(int i, double jde)
    {
        at[i] = (expanded ? vsop2(*expanded, jde, i, kout) : vsop2(ephem.full(), jde, i, kout)).lbr;
    }

    // Positions, longitude differences and the alignment measure at jde. The
    // trial instants of a transit scan (scanning, not complete) compute the short
    // series of the transit planet and the Earth only: the measure reads no
    // other planet, and the instant a search ends on is computed complete, so
    // the state a candidate starts from is the same.
    void evaluate(double jde, bool complete = false)
    {
        ++s.counters[2];
        const ShortSeries& sh = ephem.short_series();
        const bool trial = eph == EphemChoice::short_series && scanning && !complete && ibody > 0;
        if (trial) {
            const double tau = (jde - jd2000) / days_per_millennium;
            for (int j : {ibody, earth}) {
                at[j] = vsop1place(sh, j, tau);
            }
        } else if (eph == EphemChoice::short_series) {
            const Positions all = vsop1all(sh, (jde - jd2000) / days_per_millennium, 12);
            for (int j = mercury; j <= mars; ++j) at[j] = all[j];
        } else if (eph == EphemChoice::full_series) {
            // The bodies of the run: the transit planet and the Earth, or
            // Mercury to Mars.
            if (ibody > 0) {
                full_planet(ibody, jde);
                full_planet(earth, jde);
            } else {
                for (int i = mercury; i <= mars; ++i) full_planet(i, jde);
            }
        } else {
            const double T = (jde - jd2000) / days_per_century;
            for (int j = mercury; j <= mars; ++j) {
                const KeplerOrbit o = kepler_planet(j, T);
                el[static_cast<std::size_t>(j)] = o.el;
                at[j] = o.place;
            }
        }
        if (trial) {
            // The other planet's place is that of the last complete
            // evaluation, and so is its rectangular triple.
            put_places(pos, ibody, rectangular(at[ibody]), rectangular(at[earth]));
        } else {
            const Triangle t = kartko(0, {at[mercury], at[venus], at[earth]});
            for (std::size_t i = 0; i < 3; ++i) {
                pos[3 * i] = t[i].x;
                pos[3 * i + 1] = t[i].y;
                pos[3 * i + 2] = t[i].z;
            }
        }
        const double lm = at[mercury].l, lv = at[venus].l, le = at[earth].l, lma = at[mars].l;
        dl[1] = reduced(lm - lv);
        dl[2] = reduced(lm - le);
        dl[3] = reduced(lm - lma);
        dl[4] = reduced(lv - le);
        dl[5] = reduced(lv - lma);
        dl[6] = reduced(le - lma);
        d = measure();
    }

    double measure() const
    {
        if (ibody == 0) {
            double m = std::max({std::abs(dl[1]), std::abs(dl[2]), std::abs(dl[4])});
            if (p.conj_choice == ConjChoice::syzygy4)
                m = std::max({m, std::abs(dl[3]), std::abs(dl[5]), std::abs(dl[6])});
            return m;
        }
        if (p.date_mode == DateMode::equal_longitude) return lon_diff();
        return separation() * deg_per_rad;
    }

    // Planet minus Earth in longitude, degrees.
    double lon_diff() const { return ibody == 1 ? dl[2] : dl[4]; }

    // Geocentric ecliptic latitude of the transit planet, degrees.
    double geocentric_latitude() const
    {
        const auto i = static_cast<std::size_t>(3 * (ibody - 1));
        const double dx = pos[i] - pos[6], dy = pos[i + 1] - pos[7], dz = pos[i + 2] - pos[8];
        return std::asin(dz / std::sqrt(dx * dx + dy * dy + dz * dz)) * deg_per_rad;
    }

    // Geocentric separation of the transit planet from the Sun, radians.
    double separation() const { return sepa(ibody, pos); }

    // ----------------------------------------------------------------- searches

    // Minimum of the alignment measure from t0 by fitmin; ktype 1, or (auto_type)
    // 2 once a width is below 0.5 day. True with the minimum in t_min, evaluated.
    bool min_search(double t0, double step, double tol, bool auto_type, double& t_min)
    {
        FitminState fm{.w1 = 1.0, .w2 = 1.0};
        fm.xs(1) = t0;
        evaluate(t0);
        fm.fs(1) = d;
        for (;;) {
            fit_ktype = auto_type && (fm.w1 < 0.5 || fm.w2 < 0.5) ? 2 : 1;
            fitmin({.kphase = eph, .ktype = fit_ktype, .kmode = p.passage, .tol = tol, .step = step, .kout = kout},
                   fm);
            if (fm.ke == 0 || fm.ke == 2) break;
            evaluate(fm.xs(fm.knext));
            fm.fs(fm.knext) = d;
        }
        last_ke = fm.ke;
        if (fm.ke != 0) return false;
        t_min = fit_ktype == 1 ? fm.xs(2) : fm.xs(fm.knext);
        evaluate(t_min, true);
        return true;
    }

    // Root of the signed longitude difference planet - Earth by the ring fit.
    bool root_search(double t0, double& t_root)
    {
        RingfitState rs{.xb = t0};
        evaluate(rs.xb);
        rs.fb = lon_diff();
        for (;;) {
            ringfit(1e-6, 0.01, 50, kout, rs);
            if (rs.ke != 1 && rs.ke != 5) break;
            evaluate(rs.xb);
            rs.fb = lon_diff();
        }
        last_ke = rs.ke;
        if (rs.ke != 0) return false;
        t_root = rs.xb;
        evaluate(rs.xb, true);
        return true;
    }

    // Moves t onto the inferior conjunction nearest in longitude: secant steps on
    // the signed longitude difference (the first with the mean synodic rate) until
    // it is within conj_window degrees. The difference changes monotonically (the
    // inner planet always moves faster), so this never passes a conjunction.
    double settle(double t)
    {
        const double rate = 360.0 / synodic_period(ibody);
        double x1 = t;
        evaluate(x1);
        double f1 = lon_diff();
        double x0 = x1, f0 = f1;
        for (int n = 0; n < 40 && std::abs(f1) > conj_window; ++n) {
            double slope = rate;
            if (n > 0 && x1 != x0) {
                const double sl = (f1 - f0) / (x1 - x0);
                if (sl > 0.2 * rate && sl < 5.0 * rate) slope = sl;
            }
            x0 = x1;
            f0 = f1;
            x1 -= f1 / slope;
            evaluate(x1);
            f1 = lon_diff();
        }
        return x1;
    }

    // The refinement of a transit candidate from t0.
    bool refine_transit(double t0, double step, double& t_c)
    {
        if (p.date_mode == DateMode::equal_longitude) return root_search(t0, t_c);
        const double tol =
            p.combi_flag == 1 && eph == EphemChoice::short_series && p.date_mode > DateMode::nearest ? 1e-4 : 1e-6;
        return min_search(t0, step, tol, true, t_c);
    }

    // ------------------------------------------------------------------ output

    const std::vector<int>& units() const { return io::units().list(); }

    void put_row(int unit, std::string_view layout, const std::vector<io::Arg>& values) const
    {
        io::units().put(unit, io::layout(layout).write(values));
    }

    // The positions and the orbital elements after an event (extended output).
    void extended_listing(int unit, double jde) const
    {
        const bool kepler = eph == EphemChoice::kepler;
        ElementTable e = el;
        fill_elements(e, jde, kepler ? 8 : 4);
        linie(unit, 2);
        std::vector<io::Arg> v;
        for (int j = mercury; j <= mars; ++j) {
            v.emplace_back(at[j].l);
            v.emplace_back(at[j].b);
            v.emplace_back(at[j].r);
        }
        put_row(unit, "(1x,3(f9.4,f8.4,f9.6))", v);
        linie(unit, 2);
        auto& u = io::units();
        if (kepler) {
            elements(unit, p.vsop_variant, planet_abbrevs, e);
        } else {
            if (p.vsop_variant == 3) {
                u.write(unit, "('  ascending node (M/V/E/Ma): ',2f12.6,  '      ---   ',f12.6)",
                        {e[1].node, e[2].node, e[4].node});
            } else {
                u.write(unit, "('  ascending node (M/V/E/Ma): ',4f12.6)", {e[1].node, e[2].node, e[3].node, e[4].node});
            }
            u.write(unit, "('  inclination i  (M/V/E/Ma): ',4f12.6)", {e[1].incl, e[2].incl, e[3].incl, e[4].incl});
            u.write(unit, "('  perihelion pi  (M/V/E/Ma): ',4f12.6)", {e[1].peri, e[2].peri, e[3].peri, e[4].peri});
        }
        linie(unit, 1);
    }

    bool printable_year(int year) const
    {
        if (year < s.first_year) return false;
        return true;
    }

    bool in_print_window(int year) const
    {
        return p.menu_choice != series_build_run || (year >= window_first_year && year <= window_last_year);
    }

    // ---------------------------------------------------------------- transits

    // The transit computation of planet body at the conjunction t, from the
    // places of the current instant; its work area becomes the current
    // rectangular places, as the next computation of the same instant reads
    // them. The evaluations are added to count.
    TransitResult call_transit(int body, int conj_choice, double t, int& count)
    {
        const double sep_in = sepa(body, pos);
        if (p.date_mode == DateMode::equal_longitude && eph != EphemChoice::kepler) fill_elements(el, t, 2);
        TransitQuery q{.ibody = body,
                       .combi_flag = p.combi_flag,
                       .ephem_choice = eph,
                       .conj_choice = conj_choice,
                       .date_mode = p.date_mode,
                       .passage = p.passage,
                       .kout = kout,
                       .time_scale = p.time_scale,
                       .calendar = p.calendar_choice,
                       .jde = t,
                       .sep_in = sep_in,
                       .w_start = 0.0,
                       .planet = at[body],
                       .earth = at[earth],
                       .incl = el[static_cast<std::size_t>(body)].incl,
                       .pos = pos,
                       .shift = shift,
                       .window = window()};
        TransitResult r = transit(ephem, q);
        count += r.evaluations;
        pos = r.pos;
        shift = r.shift;
        return r;
    }

    // One candidate of a transit run: computed on any thread from a copy of the
    // scan's working state at the conjunction, and reported by the main thread
    // in time order.
    struct Piece {
        double t_c = 0.0;
        int eph = 1;
        // The state of the instant: at the start, then after the computation.
        Positions at{};
        ElementTable el{};
        std::array<double, 9> pos{};
        std::array<double, 7> dl{};
        double d = 0.0;
        RunState state;              // its counters take the computation's counts
        TransitResult r;
        std::optional<LocalCircumstances> local; // seen from the run's site
        bool confirmed = false;      // the candidate goes on to the report
        io::Units::Lines log;        // messages written by the computation
        std::exception_ptr error;
        std::atomic<bool> done{false};
    };

    // The scan between two candidates: the messages it wrote, then the candidate
    // it found (if any), or the error that ended it.
    struct Item {
        io::Units::Lines log;
        std::unique_ptr<Piece> piece;
        std::exception_ptr error;
        bool closed = false;
    };

    // The full-series refinement and the transit computation of a candidate, in
    // a scan of its own that starts from the piece's copy of the state and
    // leaves its state in the piece. Runs on whatever thread takes it; it reads
    // the ephemerides and writes nothing but the piece.
    void compute(Piece& pc) const
    {
        {
            io::Units::Capture capture(pc.log);
            try {
                Scan w(p, pc.state, ephem, series);
                w.kout = kout;
                w.ibody = ibody;
                w.site = site;
                w.eph = pc.eph;
                w.at = pc.at;
                w.el = pc.el;
                w.pos = pc.pos;
                w.dl = pc.dl;
                w.d = pc.d;
                double t_c = pc.t_c;
                pc.confirmed = w.confirm_transit(t_c, pc.r);
                if (pc.confirmed) pc.local = w.local_circumstances(pc.r);
                pc.t_c = t_c;
                pc.eph = w.eph;
                pc.at = w.at;
                pc.el = w.el;
                pc.pos = w.pos;
                pc.dl = w.dl;
                pc.d = w.d;
            } catch (...) {
                pc.error = std::current_exception();
            }
        }
        pc.done.store(true, std::memory_order_release);
    }

    // The scan of a transit run runs on the main thread; every candidate it finds
    // is computed as a task by whichever thread is free, and the reports of the
    // candidates are written by the main thread in time order, each with the
    // messages of its computation, so that the report does not depend on the
    // number of threads. The series are assigned in the same order.
    void transit_loop()
    {
        std::deque<Item> items(1);
        std::exception_ptr error;
        const bool threads = omp_get_max_threads() > 1 && !omp_in_parallel();
        // The scan stays on the main thread, which holds the state of the scan;
        // the other threads wait at the end of the region and take the tasks.
#pragma omp parallel if (threads)
#pragma omp masked
        {
            try {
                transit_scan(items, threads);
            } catch (...) {
                error = std::current_exception();
            }
#pragma omp taskwait
            if (!error) {
                try {
                    report_pieces(items, true);
                } catch (...) {
                    error = std::current_exception();
                }
            }
        }
        if (error) std::rethrow_exception(error);
        if (s.counters[3] == 0) {
            for (int unit : units()) {
                zwizeile(unit, p.output_detail, last_event_jde, p.conj_choice, p.ephem_choice, p.date_mode,
                         p.calendar_choice, table_state);
            }
        }
    }

    // Writes the items at the front whose computations have ended (all of them
    // when at_end).
    void report_pieces(std::deque<Item>& items, bool at_end)
    {
        while (!items.empty()) {
            Item& it = items.front();
            if (!at_end && !it.closed) return;
            if (it.piece && !it.piece->done.load(std::memory_order_acquire)) return;
            io::units().put_lines(it.log);
            if (it.error) std::rethrow_exception(it.error);
            if (it.piece) report_piece(*it.piece);
            items.pop_front();
        }
    }

    void report_piece(Piece& pc)
    {
        io::units().put_lines(pc.log);
        if (pc.error) std::rethrow_exception(pc.error);
        for (std::size_t i = 0; i < s.counters.size(); ++i) s.counters[i] += pc.state.counters[i];
        if (pc.confirmed && pc.r.series_due) pc.r.iser = series.tserie(ibody, pc.r.jde, p.menu_choice);
        if (!pc.confirmed) return;
        // The report reads the positions the computation ended with.
        const Positions own_at = at;
        const ElementTable own_el = el;
        const auto own_pos = pos;
        const auto own_dl = dl;
        const double own_d = d;
        const int own_eph = eph;
        at = pc.at;
        el = pc.el;
        pos = pc.pos;
        dl = pc.dl;
        d = pc.d;
        eph = pc.eph;
        report_transit(pc.t_c, pc.r, pc.local ? &*pc.local : nullptr);
        at = own_at;
        el = own_el;
        pos = own_pos;
        dl = own_dl;
        d = own_d;
        eph = own_eph;
    }

    // Where the transit scan stands: the scan point t, the last conjunction
    // handed on, the number of steps, and the jump to the next conjunction and
    // the least gap between two candidates [d].
    struct Cursor {
        double t = 0.0;
        double last_conj = -1e30;
        int step_no = 0;
        double jump = 0.0;
        double min_gap = 0.0;
    };

    void transit_scan(std::deque<Item>& items, bool threads)
    {
        Cursor c{.t = s.jde_from,
                 .jump = ibody == 1 ? mercury_jump : venus_jump,
                 .min_gap = 0.5 * synodic_period(ibody)};
        io::Progress progress(ibody == 1 ? "Mercury transits" : "Venus transits", s.jde_from, s.jde_to);
        for (;;) {
            report_pieces(items, false);
            progress.update(c.t, s.counters[3]);
            io::Units::Capture capture(items.back().log);
            try {
                if (!scan_step(items, threads, c)) break;
            } catch (...) {
                items.back().error = std::current_exception();
                break;
            }
        }
        items.back().closed = true;
    }

    // One step of the scan: the next conjunction, refined; a candidate found
    // there becomes a piece. False at the end of the range.
    bool scan_step(std::deque<Item>& items, bool threads, Cursor& c)
    {
        ++c.step_no;
        ++s.counters[1];
        eph = p.ephem_choice;
        scanning = true;
        const double t_near = settle(c.t);
        // The conjunction ahead of the scan point lies beyond the range.
        if (t_near > s.jde_to + 5.0) return false;
        // With the combination, a conjunction far from the Sun's path is passed
        // over: no transit, nothing to report.
        if (p.combi_flag == 1 && eph == EphemChoice::short_series && p.conj_choice <= ConjChoice::venus_transit &&
            std::abs(geocentric_latitude()) > transit_latitude_limit(ibody)) {
            scanning = false;
            c.t = t_near + c.jump;
            return true;
        }
        double step = 5.0;
        if (ibody == 2 && c.step_no >= 3 && p.menu_choice != series_build_run) step = 0.02;
        double t_c = t_near;
        const bool found = refine_transit(t_near, step, t_c) && std::abs(lon_diff()) < 90.0;
        scanning = false;
        if (found && t_c > s.jde_to) return false;
        if (found && t_c > c.last_conj + c.min_gap) {
            c.last_conj = t_c;
            add_candidate(items, threads, t_c);
        }
        // The next jump starts from the conjunction (or the point the failed
        // search started from).
        c.t = (found ? t_c : t_near) + c.jump;
        return true;
    }

    // A candidate at t_c. With the combination, the short series' transit
    // computation sorts it out here first (it is quick); what is left is a piece.
    void add_candidate(std::deque<Item>& items, bool threads, double t_c)
    {
        if (p.combi_flag == 1 && eph == EphemChoice::short_series) {
            const TransitResult r = call_transit(ibody, p.conj_choice, t_c, s.counters[2]);
            if (!is_transit_letter(r.letter)) return;
        }
        auto pc = std::make_unique<Piece>();
        pc->t_c = t_c;
        pc->eph = eph;
        pc->at = at;
        pc->el = el;
        pc->pos = pos;
        pc->dl = dl;
        pc->d = d;
        pc->state = s;
        pc->state.counters.fill(0);
        Piece* piece = pc.get();
        const Scan* self = this;
        Item& it = items.back();
        it.piece = std::move(pc);
        it.closed = true;
        items.emplace_back();
        // A piece whose full series could not be read fails here and now, on
        // the main thread, with the messages of the scan before it, as the run
        // stops there.
        const bool short_only = p.combi_flag == 0 && eph == EphemChoice::short_series;
        const bool readable = ephem.full().body(ibody).state != BodySeries::State::failed &&
                              ephem.full().body(earth).state != BodySeries::State::failed;
        const bool defer = threads && (short_only || readable);
#pragma omp task if (defer) default(none) firstprivate(self, piece)
        self->compute(*piece);
    }

    // The candidate confirmed: with the combination, the full series refine the
    // short series' instant; then the transit computation. False when the
    // refinement fails. The full series of the planet and the Earth are
    // expanded once about the candidate (kept in expanded for the local
    // circumstances after): the refinement, the greatest transit and the
    // contacts all lie within hours of it.
    bool confirm_transit(double& t_c, TransitResult& r)
    {
        if (p.combi_flag == 1 && eph == EphemChoice::short_series) {
            eph = EphemChoice::full_series;
            expanded.emplace(ephem.full(), t_c, std::initializer_list<int>{ibody, earth});
            double t_full = t_c;
            if (!refine_transit(t_c, 0.02, t_full)) return false;
            t_c = t_full;
        }
        r = call_transit(ibody, p.conj_choice, t_c, s.counters[2]);
        return true;
    }

    // The transit r seen from the run's site, where the run has one and the
    // report lists r: from the geocentric greatest transit (or the row's
    // instant without phases), with the series that timed it.
    std::optional<LocalCircumstances> local_circumstances(const TransitResult& r)
    {
        const bool phases = p.date_mode >= DateMode::phases;
        if (site == nullptr || !(phases ? r.ttype > 0 : is_transit_letter(r.letter))) return std::nullopt;
        const LocalCircumstances l =
            local_transit(ephem, {.ibody = ibody,
                                  .short_series = eph == EphemChoice::short_series,
                                  .kout = kout,
                                  .t_guess = r.jde,
                                  .tau = ibody == 1 ? 0.0037 : 0.0017,
                                  .site = *site,
                                  .path_samples = p.output_choice == OutputChoice::monitor ? 0 : 12,
                                  .window = eph == EphemChoice::short_series ? nullptr : window()});
        s.counters[2] += l.evaluations;
        return l;
    }

    // The calendar date of a transit row: with phases the greatest transit's,
    // otherwise the date of t_event (in UT with time_scale 2).
    struct RowDate {
        IDate idate{};
        RDate rdate{};
        std::string month;
    };

    RowDate row_date(double t_event, const TransitResult& r) const
    {
        RowDate d;
        if (p.date_mode >= DateMode::phases) {
            d.idate = r.table[3].idate;
            d.rdate = r.table[3].date;
            d.month = r.table[3].name;
        } else {
            double shown = t_event;
            if (p.time_scale == TimeScale::ut) delta_t(shown);
            jdedate(shown, p.calendar_choice, d.idate, d.rdate, d.month);
        }
        return d;
    }

    // The head of a transit row: the constellation label and the type
    // character, the k-number, decimal year and JDE offset of the event, and the
    // node mark. The texts stay here while the row's values refer to them.
    struct RowHead {
        std::string label;
        std::string type; // the letter, blank for "M" and "V"
        std::string node;
        int kint = 0;
        double year = 0.0;
        double djde = 0.0;
    };

    RowHead row_head(double t_event, const TransitResult& r) const
    {
        RowHead h;
        const char type_char = (r.letter == 'M' || r.letter == 'V') ? ' ' : r.letter;
        h.type = std::string(1, type_char);
        h.node = std::string(1, r.node);
        const PassageTime t = ephim(1, p.passage, p.main_option, p.calendar_choice, {.jde = t_event});
        h.kint = t.kint;
        h.year = t.year;
        h.djde = t.djde;
        konst(h.kint, h.label);
        return h;
    }

    // Date modes 1 and 2: k-number, date and time, the longitude differences,
    // the separation and the series. Returns the row's layout.
    std::string_view nearest_row(double t_event, const RowHead& h, const RowDate& d, const TransitResult& r,
                                 std::vector<io::Arg>& v) const
    {
        v.emplace_back(h.kint);
        v.emplace_back(d.rdate(7));
        v.emplace_back(d.month);
        v.emplace_back(d.idate(3));
        v.emplace_back(d.idate(4));
        v.emplace_back(":");
        v.emplace_back(d.idate(5));
        v.emplace_back(":");
        v.emplace_back(d.idate(6));
        v.emplace_back(h.djde);
        v.emplace_back(dl[1]);
        v.emplace_back(dl[2]);
        v.emplace_back(dl[3]);
        v.emplace_back(r.sep);
        v.emplace_back(r.iser);
        return t_event < -1566122.5 ? row12_wide : row12;
    }

    // Date modes 3 and 4: the date, the times of the five phases I, II,
    // greatest transit, III, IV (those of the transit type), the separation and
    // node; with mode 4 the position angles and the semidiameters; the series.
    // Returns the row's layout.
    std::string_view phases_row(double t_event, const RowHead& h, const RowDate& d, const TransitResult& r,
                                std::vector<io::Arg>& v) const
    {
        const int tt = r.ttype;
        auto has = [tt](int row) { return tt == 3 || row == 3 || (tt == 2 && (row == 1 || row == 5)); };
        v.emplace_back(d.rdate(7));
        v.emplace_back(d.month);
        v.emplace_back(d.idate(3));
        for (int row = 1; row <= 5; ++row) {
            if (has(row)) {
                // Hour, ":", minute, ":", second.
                const IDate& id = r.table[static_cast<std::size_t>(row)].idate;
                v.emplace_back(id(4));
                v.emplace_back(":");
                v.emplace_back(id(5));
                v.emplace_back(":");
                v.emplace_back(id(6));
            } else {
                v.emplace_back(no_phase);
            }
        }
        v.emplace_back(r.sep);
        v.emplace_back(h.node);
        if (p.date_mode == DateMode::phases_and_pa) {
            for (int row = 1; row <= 5; ++row) {
                if (has(row)) {
                    v.emplace_back(r.table[static_cast<std::size_t>(row)].pa);
                } else {
                    v.emplace_back(no_phase);
                }
            }
            v.emplace_back(r.sd_sun);
            v.emplace_back(r.sd_planet);
        }
        v.emplace_back(r.iser);

        if (p.date_mode == DateMode::phases) {
            const bool wide = t_event < -1566122.5;
            return tt == 3 ? (wide ? row3_full_wide : row3_full)
                           : tt == 2 ? (wide ? row3_ext_wide : row3_ext) : (wide ? row3_part_wide : row3_part);
        }
        const bool wide = t_event < -1931365.0 || t_event > 5373485.0;
        return tt == 3 ? (wide ? row4_full_wide : row4_full)
                       : tt == 2 ? (wide ? row4_ext_wide : row4_ext) : (wide ? row4_part_wide : row4_part);
    }

    // An empty line groups the rows of phase tables: Mercury rows in fours,
    // Venus rows in the pairs of a century. True when the row at t_event is
    // preceded by one.
    bool blank_before_row(double t_event)
    {
        if (p.date_mode != DateMode::phases_and_pa) return false;
        if (ibody == 1) return (s.counters[3] + (p.menu_choice == 21 ? 2 : 3)) % 4 == 0;
        const bool blank = have_printed_venus && t_event - last_printed_venus > 50.0 * 365.25;
        have_printed_venus = true;
        last_printed_venus = t_event;
        return blank;
    }

    // The report of a transit computed at t_c: the row (once its year is in
    // the print window), recorded and printed with the table head that is due.
    // The closing counts of detected, grazing and central transits are those of
    // the rows printed: the scan also computes transits it does not list (the
    // one it passes on its way to the first year of the run).
    void report_transit(double t_c, TransitResult& r, const LocalCircumstances* local)
    {
        const bool phases = p.date_mode >= DateMode::phases;
        const bool event = phases ? r.ttype > 0 : is_transit_letter(r.letter);
        if (!event) return;
        const double t_event = phases ? r.jde : t_c;

        const RowDate d = row_date(t_event, r);
        if (!printable_year(d.idate(3))) return;
        last_event_jde = t_event;
        if (!in_print_window(d.idate(3))) return;
        ++s.counters[3];

        const RowHead h = row_head(t_event, r);
        std::vector<io::Arg> v;
        v.emplace_back(h.label);
        v.emplace_back(h.type);
        const std::string_view layout = phases ? phases_row(t_event, h, d, r, v) : nearest_row(t_event, h, d, r, v);
        const bool blank = blank_before_row(t_event);

        results::record_transit(*out, {.body = ibody,
                                 .date_mode = p.date_mode,
                                 .time_scale = p.time_scale,
                                 .year = h.year,
                                 .day = d.rdate(7),
                                 .month = d.month,
                                 .calendar_year = d.idate(3),
                                 .when = d.idate,
                                 .calendar = p.calendar_choice,
                                 .label = h.label,
                                 .k = h.kint,
                                 .event_jde = t_event,
                                 .djde = h.djde,
                                 .dl = {dl[1], dl[2], dl[3]}},
                                r);
        if (local) results::record_local(*out, *site, *local, p.time_scale, p.calendar_choice);
        for (int unit : units()) {
            if (table_state < table_done) {
                zwizeile(unit, p.output_detail, t_event, p.conj_choice, p.ephem_choice, p.date_mode,
                         p.calendar_choice, table_state);
            }
            if (blank) io::units().put(unit, "\n");
            put_row(unit, layout, v);
            if (local) local_block(unit, *site, *local, p.time_scale, p.calendar_choice);
            if (p.output_detail == OutputDetail::extended) extended_listing(unit, t_event);
        }
        if (h.type[0] == 'm' || h.type[0] == 'v') ++s.counters[4];
        if (h.type[0] == 'C' || h.type[0] == 'c') ++s.counters[5];
    }

    // ---------------------------------------------------------------- syzygies

    double range = 0.0;       // working range R
    double final_range = 0.0; // range an event must fall below
    double jump = 0.0;        // J
    double factor = 0.0;      // c

    // Days to the next scan point from a point with measure dd.
    double advance(double dd, bool after_event) const
    {
        if (!minsearch && dd <= (10.0 * factor + 1.0) * range) return std::max(s.step_days, 1e-4);
        if (after_event && range <= 21.0) return syzygy_skip;
        // D * c + 0.01, but never further than the measure could fall in that time
        // to the final range: a dip below it always shows at some scan point.
        const double step = dd * factor + 0.01;
        const double safe = (dd - final_range) / fastest_drift;
        return std::max(0.01, std::min(step, safe));
    }

    void syzygy_loop()
    {
        range = conj_working_range(p.tol_short, p.combi_flag);
        final_range = p.combi_flag == 1 ? p.tol_full : p.tol_short;
        jump = syzygy_jump(range);
        factor = scan_factor(range);

        double t = s.jde_from;
        bool prev_ve_in = false, backing = false, climbing = false, in_episode = false;
        double prev_d = 1e30, last_event = -1e30, last_ve_in = -1e30;
        io::Progress progress("syzygies", s.jde_from, s.jde_to);
        while (t <= s.jde_to) {
            progress.update(t, s.counters[minsearch ? 3 : 4]);
            ++s.counters[1];
            eph = p.ephem_choice;
            evaluate(t);
            const bool ve_in = std::abs(dl[4]) < range;
            if (backing && ve_in) {
                // The jump landed inside the next Venus-Earth window: go back
                // until its start lies ahead again.
                t -= 10.0;
                continue;
            }
            backing = false;
            if (range <= 21.0 && prev_ve_in && !ve_in && (!minsearch || last_ke == 0 || last_ke == 3) &&
                last_ve_in + jump > t) {
                // The Venus-Earth pair has left the range: no alignment is possible
                // before it comes back, about one synodic period of Venus later.
                // The jump counts from the last step inside the range, which may
                // lie well before this one (after the skip that follows a syzygy).
                prev_ve_in = false;
                climbing = false;
                prev_d = 1e30;
                backing = true;
                t = last_ve_in + jump;
                continue;
            }
            prev_ve_in = ve_in;
            if (ve_in) last_ve_in = t;
            const double d0 = d;
            bool candidate = d0 < range;
            if (climbing) {
                // After a minimum the measure first rises; a new search starts only
                // once it falls again.
                if (d0 > prev_d) {
                    candidate = false;
                } else {
                    climbing = false;
                }
            }
            prev_d = d0;
            // One syzygy per stretch below the final range: after an event the
            // measure must leave the range before the next search.
            if (in_episode) {
                if (d0 >= final_range) {
                    in_episode = false;
                } else {
                    candidate = false;
                }
            }
            if (!candidate) {
                t += advance(d0, false);
                continue;
            }
            if (p.combi_flag == 1 && eph == EphemChoice::short_series) {
                eph = EphemChoice::full_series;
                evaluate(t);
            }
            if (!minsearch) {
                ++s.counters[3];
                const bool event = d < final_range && t <= s.jde_to;
                if (event) syzygy_event(t);
                t += advance(d, event);
                continue;
            }
            double tm = t;
            const bool ok = min_search(t, 1.0, 1e-6, false, tm);
            climbing = true;
            if (!ok) {
                t += advance(d0, false);
                continue;
            }
            prev_d = d;
            const bool event = d < final_range && std::abs(tm - last_event) > 0.1 && tm <= s.jde_to;
            if (event) {
                last_event = tm;
                in_episode = true;
                syzygy_event(tm);
            }
            t = tm + advance(d, event);
        }
    }

    void syzygy_event(double tm)
    {
        const PassageTime t = ephim(1, p.passage, p.main_option, p.calendar_choice, {.jde = tm});
        const int kint = t.kint;
        const double year = t.year, djde = t.djde;
        if (!printable_year(year_of(year))) return;
        std::array<double, 7> diff = dl;
        const double dd = d;

        std::string mark_m = " ", mark_v = " ";
        if (minsearch && p.table_switch == 1 && eph != EphemChoice::kepler) {
            int evaluations = 0;
            for (int body = 1; body <= 2; ++body) {
                const TransitResult r = call_transit(body, p.conj_choice, tm, evaluations);
                (body == 1 ? mark_m : mark_v) = std::string(1, r.letter);
            }
            s.counters[2] += evaluations;
            for (int i = 1; i <= 6; ++i) {
                if (std::abs(diff[static_cast<std::size_t>(i)]) < 0.0001) diff[static_cast<std::size_t>(i)] = std::abs(diff[static_cast<std::size_t>(i)]);
            }
        }
        if (minsearch) ++s.counters[3];
        if (!minsearch) ++s.counters[4];
        if (p.conj_filter == 2 && !is_transit_letter(mark_m[0]) && !is_transit_letter(mark_v[0])) return;
        if (!in_print_window(year_of(year))) return;

        std::string label;
        konst(kint, label);
        std::string_view layout = syz_row;
        if (std::abs(diff[2]) < 0.0001) {
            layout = syz_row_me;
        } else if (std::abs(diff[3]) < 0.0001) {
            layout = syz_row_mma;
        }
        const std::vector<io::Arg> v{label, " ", mark_m, mark_v, kint, tm, year, djde, diff[1], diff[2], diff[3], dd};
        results::record_syzygy(*out, tm, year, dd, p.conj_choice == ConjChoice::syzygy4 ? 4 : 3,
                               {.lon = {at[mercury].l, at[venus].l, at[earth].l, at[mars].l},
                                .rad = {at[mercury].r, at[venus].r, at[earth].r, at[mars].r},
                                .label = label,
                                .mark_mercury = mark_m[0],
                                .mark_venus = mark_v[0],
                                .k = kint,
                                .djde = djde,
                                .dl = {diff[1], diff[2], diff[3]},
                                .number = minsearch ? 0 : s.counters[4],
                                .calendar = p.calendar_choice});
        for (int unit : units()) {
            if (!minsearch) io::units().write(unit, "(i12,'. syzygy')", {s.counters[4]});
            put_row(unit, layout, v);
            if (p.output_detail == OutputDetail::extended) extended_listing(unit, tm);
        }
    }
};

} // namespace

double conj_working_range(double tol_short, int combi_flag)
{
    return combi_flag == 0 ? tol_short + 1.0 : tol_short;
}

double syzygy_jump(double range)
{
    return std::max(1.0, std::round(570.0 * (1.0 - range / 180.0)));
}

double scan_factor(double range)
{
    return range < 21.0 ? 0.025 * ((21.0 - range) / 20.0 + 1.0) : 0.025;
}

void conjunction_run(const RunParams& p, RunState& s, const Ephemerides& eph, TransitSeries& series,
                     const Observer* site, results::Run& out)
{
    Scan scan(p, s, eph, series);
    scan.site = site;
    scan.out = &out;
    scan.kout = io::units().list().front();
    scan.minsearch = p.sun_mode == SunMode::space_fitex;
    scan.last_event_jde = s.jde_from;
    if (ConjChoice::is_transit(p.conj_choice)) {
        scan.ibody = p.conj_choice;
        scan.transit_loop();
    } else {
        scan.ibody = 0;
        scan.syzygy_loop();
    }
}

} // namespace r7
