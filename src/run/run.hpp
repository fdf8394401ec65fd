// The main program: the order of one run, the report routing and the run state
// that the main program owns.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "ephemeris/ephemerides.hpp"
#include "run/sitearg.hpp"
#include "report/results.hpp"
#include "state/overrides.hpp"
#include "state/params.hpp"

namespace r7 {

// Run state owned by the main program besides the run parameters.
struct RunState {
    int reference_flag = 0;       // the reference case (see set_reference_flag)
    int listing_flag = 0;         // set when the planet listing marks rows with " <"
    double tol_entered = 0.0;     // tol_short as the dialog returned it
    std::array<int, 6> counters{}; // 1..5: passages, evaluations, events, kinds/syzygies
    int kint_from = 0, kint_to = 0;    // k-numbers of the interval
    double jde_from = 0.0, jde_to = 0.0; // JDEs of the interval
    double k_from = 0.0, k_to = 0.0;
    double run_jde = 0.0;          // JDE of the run's single date
    double run_k = 0.0;            // its k-number (the entered one, or the date's)
    double run_year = 0.0;
    double run_djde = 0.0;
    double step_days = 0.0;        // step width in days (Giza, chambers, conjunctions)
    int first_year = 0;            // transit runs: first year to be printed
};

// reference_flag: whether a run is the reference case.
// Takes:    the run parameters.
// Returns:  1 for the predefined constellation 12 with the special output: Giza
//           at the aphelion or the chambers (E-V-M) at the perihelion, the short
//           or full series without the combination, TT, extended output and the
//           similarity fit; else 0.
int reference_flag(const RunParams& p);

// ephemeris_needs: what one pass of a run needs of the ephemerides.
// Takes:    the run parameters.
// Returns:  the short series where the run uses it; the Kepler elements for the
//           extended output, the orbital-plane frames, the Kepler orbits and the
//           conjunction and Teotihuacan studies; the full series (of the run's
//           file set) of the planets the run evaluates with it, and of every
//           planet where a match is followed by the coordinate listing.
// Notes:    1. A body the run evaluates without its series loaded is a fault
//              of this function (vsop87z throws std::logic_error): the e2e
//              reports run every study with every ephemeris.
EphemerisNeeds ephemeris_needs(const RunParams& p);

// combined: the needs of two passes together (the series file run).
// Takes:    the needs of the two passes.
// Returns:  what either needs, with the file set of the first.
EphemerisNeeds combined(const EphemerisNeeds& a, const EphemerisNeeds& b);

// convert_interval: the interval and step of a run in the program's scales.
// Takes:    the run parameters, the run state.
// Returns:  nothing; s holds the step width in days, and the k-numbers and
//           JDEs of the interval (of the run's single date for a site run on
//           one passage or one JDE).
// Source:   ephim (the k-numbers of this program, decimal years).
void convert_interval(const RunParams& p, RunState& s);

// r7_main: the program, with standard input and output.
// Takes:    the menu answer given beforehand, the changes to its record set, the
//           site, where to keep the results (nullptr: nowhere).
// Returns:  the exit status (io/error.hpp, exit_usage).
// Notes:    1. A given menu answer is taken without printing the menu (see
//              inputdata); the overrides change its record set before the run
//              (a change the set's study does not have ends the program with
//              exit_usage before anything is written).
//           2. A site adds the transits seen from it (a run that computes no
//              transits ends with exit_usage once its set is known; a named site
//              whose data line cannot be read ends it with exit_data_error).
//           3. keep, where given, receives the results the run recorded (the
//              page benchmark draws the page of a run again from them).
//           4. Every failure ends with one message and its status: a data file
//              exit_data_error, a stopped computation or report its RunStop
//              status, no memory or no thread exit_resources; the end of the
//              input in the dialog ends like the answer "exit" (0).
int r7_main(std::optional<int> menu_answer = std::nullopt, const Overrides& overrides = {},
            const std::optional<SiteArg>& site = std::nullopt, results::Run* keep = nullptr);

} // namespace r7
