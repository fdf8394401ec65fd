// The full VSOP87 series of a few bodies near one instant, as Taylor polynomials
// in time. A search that evaluates the same bodies many times within a day or
// two (the transit computation: the nearest approach, the contacts, the light
// time of each) expands the series once about the middle of its interval, from
// the series' own derivatives, and then evaluates polynomials of degree 12
// instead of thousands of terms; an instant outside the interval is computed
// term by term as before.
#pragma once

#include <array>
#include <initializer_list>

#include "ephemeris/positions.hpp"
#include "ephemeris/termsum.hpp"
#include "ephemeris/vsop87.hpp"

namespace r7 {

// The rectangular place of one body near one instant: x, y, z [AU] as
// polynomials in s = (jde - center) / half_width, valid for |s| <= 1.
struct BodyExpansion {
    double center = 0.0;     // JDE (TT)
    double half_width = 0.0; // days
    std::array<std::array<double, taylor_degree + 1>, 3> coef{}; // [coordinate][power of s]
};

// expand_body: the Taylor polynomials of one body's full series.
// Takes:    the series (the body loaded), the body ibody (1..9), the centre
//           (JDE, TT) and the half width of the interval [d].
// Returns:  the polynomials of x, y, z about the centre.
// Notes:    1. Every term is used: the k-th coefficient of a series sum A cos(B
//              + C T) is the sum of A (C h)^k / k! cos(B + C T0 + k pi/2), h the
//              half width and T0 the centre in thousands of Julian years; the
//              powers T^alpha of the series are expanded about T0 and
//              multiplied in. The terms are added in a fixed order, so the
//              polynomials do not depend on the thread or the processor.
//           2. Truncation: the largest frequency of the published series (Mercury,
//              391319 rad per thousand years) turns by 1.07 rad in a day, and
//              the terms left out after degree 12 of the 8155 Mercury terms add up
//              to less than 1e-17 AU over a half width of one day. The
//              arguments B + C T0 are formed in double-double arithmetic (the
//              centre as a double-double in T), so the polynomials agree with
//              the series summed in long double to 3e-14 AU from the year
//              -13000 to 17000, where the term-by-term sums in double carry up
//              to 5e-11 AU of rounding (tests/ephemeris/expansion_test.cpp).
//           3. The body must be loaded (BodySeries::State::loaded), of the
//              rectangular A or C set.
// Source:   VSOP87 (Bretagnon and Francou 1988); Taylor's series of the
//           cosine.
BodyExpansion expand_body(const FullSeries& s, int ibody, double center, double half_width);

// place_at: the place of an expansion at one instant.
// Takes:    the expansion, jde (TT).
// Returns:  x, y, z [AU], the polynomials evaluated at s = (jde - center) /
//           half_width (Horner's scheme).
// Notes:    1. Any instant is accepted; outside the interval (|s| > 1) the
//              polynomials lose their accuracy quickly.
Xyz place_at(const BodyExpansion& e, double jde);

// The full series of some bodies about one instant: the expansions of the
// loaded bodies, and the series themselves for every other instant and body.
// Built for one search and kept by its caller; const afterwards, so any thread
// may read it.
class SeriesWindow {
public:
    // Half width of the interval [d]: a transit lasts at most about 8 hours,
    // and the searches start within a few hours of its middle.
    static constexpr double default_half_width = 1.0;

    // The expansions of the given bodies about center (JDE, TT). A body whose
    // file was refused, is missing or failed is not expanded: its evaluations
    // go to the series and report or throw as they do there.
    SeriesWindow(const FullSeries& s, double center, std::initializer_list<int> bodies,
                 double half_width = default_half_width);

    const FullSeries& series() const { return *series_; }
    double center() const { return center_; }
    double half_width() const { return half_width_; }
    // covers: whether a body's place at an instant comes from its expansion.
    // Takes:    the body ibody, jde (TT).
    // Returns:  true when the body is expanded and jde lies within the half
    //           width of the centre (bounds included).
    bool covers(int ibody, double jde) const;
    // The expansion of body ibody (meaningful where has(ibody)).
    bool has(int ibody) const { return ibody >= 1 && ibody <= max_body && has_[static_cast<std::size_t>(ibody)]; }
    const BodyExpansion& expansion(int ibody) const { return body_[static_cast<std::size_t>(ibody)]; }

private:
    const FullSeries* series_;
    double center_;
    double half_width_;
    std::array<bool, max_body + 1> has_{};
    std::array<BodyExpansion, max_body + 1> body_{};
};

// vsop2: the heliocentric place of one body at one instant through a window.
// Takes:    the window, jde (TT), the body ibody, the first report unit kout.
// Returns:  as vsop2 of the series: from the expansion where the window covers
//           the instant (code 0), else from the series themselves.
BodyPosition vsop2(const SeriesWindow& w, double jde, int ibody, int kout);

// vsop2tr: the light-time iteration of vsop2tr through a window.
// Takes:    the window and the arguments of vsop2tr.
// Returns:  as vsop2tr, each place from vsop2 through the window.
LightTime vsop2tr(const SeriesWindow& w, double jde, int ibody, double tau, double tol, int kout);

} // namespace r7
