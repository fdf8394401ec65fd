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

// Minimum search.
// Start: xs(1) = x0, fs(1) = f(x0) (not needed in the kmode 5 / kphase 2 case),
// iter = 0, kflag = 0, w1 = w2 = 0, hist = 0, ihist = 0, ke neither 0 nor 2
// (a default FitminState with xs(1) set; callers may start with other widths).
// While ke comes back unchanged: fs(knext) = f(xs(knext)) and call again.
// ke = 0: finished, the result is in slots 1..3 (the middle point for ktype 1);
// ke = 2: no finish within 100 counted calls (message to the report units from
// kout on).
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

// Root search through a circle fitted to three points (x, f(x)), by reverse
// communication. xb is always the point to evaluate next.
// Start: count = 0, ke anything but 5, xb = first guess, fb = f(xb).
// While ke comes back 1 or 5: fb = f(xb) and call again.
// ke = 0: the root is xb. 2: more than maxcount steps. 4: the circle does not
// reach the axis; xb stays the last estimate. (2 and 4 are reported to the
// report units from kout on.) 5 means the search has handed over to secant
// steps (collinear points or the circle's other sense of turn); these end with
// the secant codes 0, 2 or 3. tol and step as for sekante.
void ringfit(double tol, double step, int maxcount, int kout, RingfitState& s);

// Writes a failure message to the report units kout, kout + 5, ... up to 6 (1
// the file, 6 the terminal; the file only while it is open).
void report_units(int kout, std::string_view text);

} // namespace r7
