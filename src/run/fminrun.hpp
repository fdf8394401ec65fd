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

// Scan step in days after a scan point with deviation f (per cent): c0 + c1 f
// with c0, c1 = 1.0, 0.5 for Giza (main_option 1) and 0.2, 0.1 for the chambers.
double fmin_scan_step(int main_option, double f);

// A search that ends within 0.1 day of the last printed minimum has found that
// minimum again.
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

// The scan with its minimum searches. Raises counters[2] per evaluated JDE and
// counters[3] per reported minimum.
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
