// One-dimensional searches by reverse communication: the search never calls the
// function itself. It names the point to evaluate next; the caller evaluates
// there, stores the value and calls again until the status says the search has
// ended. All state lives with the caller (FitminState, RingfitState, the
// variables of sekante) and is passed on every call.
#pragma once

#include <string_view>

#include "state/farray.hpp"

namespace r7 {

// Trial points of fitmin: slots 1..3 the current three points (and values),
// slots 4..5 the outer points of the first contracted bracket.
using FitPoints = FArray<double, 1, 5>;
// The last ten span widths of the parabola mode (cycle check).
using FitHistory = FArray<double, 1, 10>;

// What one call of the minimum search is given.
//   ktype 1: stepping and bracketing with contraction; 2: parabola through the
//   squared values with a cycle check; other: parabola without the check.
//   kmode 5 with kphase 2 asks for one extra start evaluation (the first call
//   only requests the value at the start point).
struct FitminInput {
    int kphase = 1;     // ephemeris of the evaluations (see kmode)
    int ktype = 1;      // search type, may change from call to call
    int kmode = 1;      // passage code of the run (see kphase)
    double tol = 0.0;   // a width of the triple within tol ends the search
    double step = 0.0;  // start step
    int kout = 6;       // first report unit of the failure message
};

// The state of one minimum search, kept by the caller between calls.
struct FitminState {
    int ke = 1;         // 0 finished, 2 abandoned; anything else: going on
    FitPoints xs{};     // trial points
    FitPoints fs{};     // their values
    int iter = 0;       // counted calls
    int kflag = 0;      // 1 while a bracket is contracted
    double w1 = 0.0;    // widths of the triple (left and right of the middle)
    double w2 = 0.0;
    FitHistory hist{};  // spans of the parabola mode (cycle check)
    int ihist = 0;      // last slot written in hist
    int knext = 1;      // slot of the point to evaluate next
};

// fitmin: minimum search, by reverse communication.
// Takes:    what the call is given (the search type, the phase and passage,
//           the tolerance, the start step, the first report unit kout), the
//           state.
// Returns:  nothing; the state names the next point xs(knext) and the status ke.
// Notes:    1. Start: xs(1) = x0, fs(1) = f(x0) (not needed in the kmode 5 /
//              kphase 2 case, whose first call only asks for the value at x0),
//              iter = 0, kflag = 0, w1 = w2 = 0, hist = 0, ihist = 0, ke neither
//              0 nor 2 (a default FitminState with xs(1) set; callers may start
//              with other widths). While ke comes back unchanged:
//              fs(knext) = f(xs(knext)) and call again.
//           2. The first calls step from x0 by step: x0, x0 + step and
//              x0 + 2 step end up in slots 3, 2, 1. Then ktype 1 steps downhill
//              and, once a minimum is bracketed, contracts the bracket (an end
//              moves four fifths of the way to the middle); ktype 2 and other
//              values put the vertex of the parabola through the squared values
//              in place of the point farthest from it.
//           3. ke = 0: finished, the result is in slots 1..3 (the middle point
//              for ktype 1): a width of the triple is within tol, ktype 1 is on
//              flat ground (differences and widths at most 0.001), the parabola
//              is degenerate, or (ktype 2) its span repeats one of the last ten.
//           4. ke = 2: no finish within 100 counted calls; the message
//              "  ---->  error in "fitmin", ke = 2" goes to the report units
//              from kout on.
// Source:   the reverse-communication searches of this program.
void fitmin(const FitminInput& in, FitminState& s);

// The state of one secant search, kept by the caller between calls.
struct SekanteState {
    double x0 = 0.0; // the point kept (the one of the smaller |f| so far)
    double x1 = 0.0; // the point to evaluate next; the root at the end
    double f0 = 0.0; // f(x0)
    double f1 = 0.0; // f(x1), set by the caller before each call
    int iter = 0;    // calls so far
    int ke = 1;      // 1 (or 5) going on; 0 root found; 2 too many iterations; 3 no secant
};

// sekante: root search by the secant method, by reverse communication.
// Takes:    the tolerance tol (the search ends when the new point lies within
//           tol of the kept one), the first step, the iteration limit maxit,
//           the first report unit kout of the failure message, the state.
// Returns:  nothing; the state names the next point x1 and the status ke.
// Notes:    1. Start: x1 = start point, iter = 0, f1 = f(x1), ke anything but 5
//              (5 marks a caller that wants to see 5 kept while the search goes
//              on). While ke is 1 (or 5): f1 = f(x1) and call again.
//           2. ke = 0: x1 is the root; 2: more than maxit iterations; 3: two
//              equal function values, no secant (both with the message
//              "error in sekante, ke =" to the report units from kout on).
//           3. The second call has only just made its first secant step: it
//              never reports convergence.
// Source:   the secant method.
void sekante(double tol, double step, int maxit, int kout, SekanteState& s);

// The state of one ring-fit search, kept by the caller between calls: the
// three latest points (x, f(x)), the step count and the status.
struct RingfitState {
    double xa = 0.0, xb = 0.0, xc = 0.0;
    double fa = 0.0, fb = 0.0, fc = 0.0;
    int count = 0;
    int ke = 1;
};

// ringfit: root search through a circle fitted to three points, by reverse
// communication.
// Takes:    the tolerance tol and the first step (as for sekante), the step
//           limit maxcount, the first report unit kout, the state.
// Returns:  nothing; the state names the next point xb (always the point to
//           evaluate next) and the status ke.
// Notes:    1. Start: count = 0, ke anything but 5, xb = first guess,
//              fb = f(xb). While ke comes back 1 or 5: fb = f(xb) and call
//              again.
//           2. The first two calls are secant steps, which give the three
//              points; from then on the next point is where the circle through
//              (x, f(x)) of the three crosses the axis (of its two crossings the
//              one nearer to the mean abscissa of the three points), and the
//              point farthest from it is dropped. The
//              circle is computed relative to xb, which keeps full precision for
//              abscissae such as Julian days.
//           3. ke = 0: the root is xb (a neighbour within tol of it). 2: more
//              than maxcount steps. 4: the circle does not reach the axis; xb
//              stays the last estimate. (2 and 4 are reported to the report
//              units from kout on, "  ---->  error in "ringfit", ke = ...".)
//           4. ke = 5 means the search has handed over to secant steps
//              (collinear points or the circle's other sense of turn); these end
//              with the secant codes 0, 2 or 3.
// Source:   the reverse-communication searches of this program.
void ringfit(double tol, double step, int maxcount, int kout, RingfitState& s);

// report_units: a failure message to the report units.
// Takes:    the first report unit kout, the text (records ended by '\n').
// Returns:  nothing; the text goes to the units kout, kout + 5, ... up to 6 (1
//           the file, 6 the terminal; the file only while it is open).
void report_units(int kout, std::string_view text);

} // namespace r7
