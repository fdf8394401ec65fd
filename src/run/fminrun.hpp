// The F-minimised run (Giza or chambers with the free passage): a continuous
// scan of the JDE interval whose step grows with the deviation F, a minimum
// search in time wherever F falls below the start limit, and one row per
// distinct minimum that passes the final limit.
#pragma once

#include <array>
#include <functional>

#include "ephemeris/ephemerides.hpp"
#include "report/results.hpp"
#include "run/run.hpp"
#include "run/site.hpp"
#include "state/params.hpp"

namespace r7 {

// fmin_scan_step: the scan step after a scan point.
// Takes:    the main option (2 the chambers, any other Giza), the deviation f
//           of the point [per cent].
// Returns:  the step in days, c0 + c1 f with c0, c1 = 1.0, 0.5 for Giza and
//           0.2, 0.1 for the chambers.
double fmin_scan_step(int main_option, double f);

// fmin_same_minimum: whether a search has found the last printed minimum again.
// Takes:    the JDE where the search ended, the JDE of the last printed minimum.
// Returns:  true when they lie less than 0.1 day apart.
bool fmin_same_minimum(double jde, double last_printed);

// Settings of the scan.
struct FminSettings {
    int main_option = 1;   // scan constants: 1 Giza, 2 chambers
    int passage = 5;       // handed to the minimum search
    int ephem_choice = 1;  // the ephemeris of the scan
    int combi_flag = 0;    // 1: the minimum search runs on the full series
    double jde_from = 0.0; // the scan runs while the JDE is not beyond jde_to
    double jde_to = 0.0;
    double tol_short = 0.0; // F limit that starts a minimum search
    double tol_full = 0.0;  // F limit of a printed minimum
    double tol = 1e-5;      // width at which the minimum search ends [days]
    double step = 1.0;      // spacing of the search's start points [days]
    int kout = 6;           // first report unit of the search's messages
};

// Deviation F at a JDE with the ephemeris eph (1 short, 2 full); the caller
// keeps the comparison it evaluated last.
using FminEvaluate = std::function<double(double jde, int eph)>;
// A distinct minimum below tol_full at jde, the JDE evaluated last.
using FminReport = std::function<void(double jde)>;

// fmin_scan: the scan with its minimum searches.
// Takes:    the settings, the evaluation of F, the report of a minimum, the
//           run's counters.
// Returns:  nothing; every distinct minimum below tol_full is reported; counters[2]
//           is raised per evaluated JDE and counters[3] per reported minimum.
// Notes:    1. The scan steps from jde_from while the JDE is not beyond jde_to,
//              by fmin_scan_step of the F just found. Where F is below
//              tol_short a minimum search (fitmin: bracketing, the parabola once
//              a width is below 0.3 day) starts there, on the full series with
//              combi_flag 1; above F 10 the scan is back on its own ephemeris.
//           2. A search that ends at the minimum printed last (fmin_same_minimum)
//              reports nothing and the scan goes on from where F last fell; after
//              a minimum the scan climbs out of it until F falls again.
void fmin_scan(const FminSettings& set, const FminEvaluate& evaluate, const FminReport& report,
               std::array<int, 6>& counters);

// fmin_run: the F-minimised run.
// Takes:    the run parameters, the run state (the interval s.jde_from to
//           s.jde_to, the step width), the site, the ephemerides of the run,
//           the run's results.
// Returns:  nothing; the planets Mercury, Venus and Earth are compared with the
//           site's triangle over the interval, each distinct minimum of F is
//           fitted and written as one row to every output unit, and recorded in
//           out.
void fmin_run(const RunParams& p, RunState& s, const Site& site, const Ephemerides& ephem, results::Run& out);

} // namespace r7
