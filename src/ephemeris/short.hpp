// The short planetary series: a truncated VSOP87D theory (heliocentric L, B, R,
// ecliptic and equinox of date) of Mercury, Venus, Earth and Mars, read from
// "invsop1.t". Block k = 3(planet - 1) + coordinate: 1 Mercury L, 2 Mercury B,
// 3 Mercury R, ..., 12 Mars R.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "ephemeris/positions.hpp"
#include "state/farray.hpp"

namespace r7 {

// The coefficients of the short series, as loaded; read only after loading.
class ShortSeries {
public:
    static constexpr int blocks = 12;     // 4 planets by 3 coordinates
    static constexpr int max_powers = 6;  // powers of time 0..5
    static constexpr int max_terms = 69;  // terms per block and power

    // A series without terms: every block evaluates to 0.
    ShortSeries();

    // Number of powers of time of block k (1..12), 0..6.
    int powers(int k) const { return lmax_[static_cast<std::size_t>(k)]; }
    // Number of terms of block k for power i - 1 (i = 1..6).
    int terms(int k, int i) const { return jp_(k, i); }
    // The terms of block k for power i - 1: A [1e-8 rad or AU], B [rad],
    // C [rad per thousand Julian years] of each term, one after the other.
    const double* abc(int k, int i) const { return par1_.data() + Coefficients::offset(1, 1, i - 1, k); }
    // total_terms: the number of terms of the first blocks.
    // Takes:    kend, the last block (at most 12 are counted).
    // Returns:  the terms of blocks 1..kend together, every power of time.
    int total_terms(int kend) const;

    // The same terms laid out for the evaluation: the series of block k and
    // power i - 1 is run first_run(k) + i - 1; run r holds the terms
    // bounds()[r] to bounds()[r + 1] - 1 of the arrays a(), b(), c(), its own
    // terms and then terms of amplitude 0 up to a multiple of 8 (see
    // term_sums). The runs of a planet's three blocks follow each other.
    std::size_t first_run(int k) const { return first_run_[static_cast<std::size_t>(k)]; }
    const std::size_t* bounds() const { return bounds_.data(); }
    const double* a() const { return pa_.data(); }
    const double* b() const { return pb_.data(); }
    const double* c() const { return pc_.data(); }

private:
    friend ShortSeries vsop1load(const std::string& file);
    // Lays out the runs from the coefficients (after loading).
    void pack();
    using Coefficients = FArray<double, 1, 3, 1, max_terms, 0, max_powers - 1, 1, blocks>;
    double* abc(int k, int i, int n) { return par1_.data() + Coefficients::offset(1, n, i - 1, k); }

    std::array<int, blocks + 1> lmax_{};
    FArray<int, 1, blocks, 1, max_powers> jp_{};
    std::vector<double> par1_;
    std::vector<double> pa_, pb_, pc_;
    std::vector<std::size_t> bounds_;
    std::array<std::size_t, blocks + 2> first_run_{}; // index blocks + 1: the number of runs
};

// vsop1load: reads the short series.
// Takes:    the file name ("invsop1.t" in the working directory).
// Returns:  the series of the 12 blocks.
// Notes:    1. The file is read as free-format records: a title line, then per
//              block a heading line, the number of powers, the numbers of terms
//              per power, and per power a heading line and the terms (number,
//              A, B, C).
//           2. A missing file, a file that ends early (saying what is missing)
//              or a value that is not a number throws DataError naming the
//              file; a block with more than 6 powers of time or a power with
//              more than 69 terms (or a negative count) throws DataError naming
//              the file, the line and the block.
// Source:   VSOP87D (Bretagnon and Francou 1988, Astronomy and Astrophysics
//           202, 309), truncated to the terms Meeus lists (Astronomical
//           Algorithms, 2nd ed., 1998, ch. 32 and appendix III).
ShortSeries vsop1load(const std::string& file = "invsop1.t");

// vsop1: one block of the short series at one instant.
// Takes:    the series, the block k (1..12), tau thousands of Julian years (TT)
//           from J2000.0.
// Returns:  L or B [deg] (L in [0, 360]), or R [AU]; 0 for a block outside 1..12.
// Notes:    1. The sum over the powers of tau of tau^alpha times the sum of
//              A cos(B + C tau), in units of 1e-8 rad or AU.
// Source:   VSOP87D (Bretagnon and Francou 1988), as truncated in Meeus,
//           Astronomical Algorithms, 2nd ed., 1998, ch. 32 and appendix III.
double vsop1(const ShortSeries& s, int k, double tau);

// vsop1place: the three blocks of one planet at one instant.
// Takes:    the series, the planet j (1 Mercury .. 4 Mars), tau as for vsop1.
// Returns:  its place (L, B [deg], R [AU]), each coordinate as vsop1 gives it;
//           zero for a planet outside 1..4.
// Source:   VSOP87D (Bretagnon and Francou 1988), as truncated in Meeus, ch. 32.
Lbr vsop1place(const ShortSeries& s, int j, double tau);

// vsop1all: blocks 1..kend at one instant.
// Takes:    the series, tau as for vsop1, kend (9: Mercury, Venus, Earth; 12:
//           with Mars).
// Returns:  the places of the planets of the blocks (bodies 1..kend/3); the
//           other bodies are zero.
// Notes:    1. The blocks are summed as a parallel loop (contiguous chunks per
//              thread) only when they hold enough terms to pay for the threads;
//              the published series is summed on the calling thread.
//           2. A kend above 12 is taken as 12.
// Source:   VSOP87D (Bretagnon and Francou 1988), as truncated in Meeus, ch. 32.
Positions vsop1all(const ShortSeries& s, double tau, int kend);

// vsop1tr: light time between a transit planet and the Earth, short series.
// Takes:    the series, ibody (1 Mercury, 2 Venus), tau thousands of Julian
//           years (TT) from J2000.0 (the instant at the planet), the starting
//           estimate of the light time lt [d], the tolerance tol [thousands of
//           Julian years].
// Returns:  the planet at tau, the Earth at tau + lt for the last lt used, the
//           light time and distance, the number of Earth evaluations.
// Notes:    1. The iteration stops when the arrival instant changes by less
//              than tol, or after 50 steps (a tolerance that cannot be met).
//           2. For ibody outside 1..2 nothing is computed (zero positions).
// Source:   the light time as distance over the speed of light.
LightTime vsop1tr(const ShortSeries& s, int ibody, double tau, double lt, double tol);

} // namespace r7
