// Heliocentric planet positions from the complete VSOP87 series, read from the
// published files (VSOP87A: ecliptic and equinox J2000.0; VSOP87C: ecliptic and
// equinox of date). The series of the bodies a run needs are read once at its
// start into a `FullSeries`, which is only read afterwards, by any number of
// threads.
#pragma once

#include <array>
#include <cstddef>
#include <exception>
#include <string>
#include <vector>

#include "ephemeris/positions.hpp"

namespace r7 {

// Status codes of an evaluation (the "ierr" the report prints).
inline constexpr int vsop_ok = 0;
inline constexpr int vsop_wrong_version = 1; // the file's version digit differs from the file set's
inline constexpr int vsop_wrong_body = 2;    // the file names another body
inline constexpr int vsop_no_series = 3;     // no series for the body (no file of the set, or no such body)

// vsop_file: the published file name of a body's series.
// Takes:    kvers, the version digit of the file set (1 A, 3 C), the body ibody
//           (1 Mercury .. 8 Neptune, 9 the Earth-Moon barycentre).
// Returns:  "VSOP87A.mer" ... "VSOP87C.nep"; "" where the set has no file: the
//           C set has no barycentre file, and other versions or bodies none.
// Source:   VSOP87 (Bretagnon and Francou 1988), the names of the published
//           files.
std::string vsop_file(int kvers, int ibody);

// The loaded series of one body as separate A, B and C arrays (all series of the
// body back to back, so that the term loop reads contiguous memory), or what
// stopped its loading.
struct BodySeries {
    // One series (coordinate ic, power alpha), or a chunk of one.
    struct Segment {
        int ic;          // coordinate 1..3
        int alpha;       // power of time 0..5
        std::size_t off; // first term in a, b, c
        std::size_t n;   // number of terms
    };
    enum class State {
        absent,  // not asked for: evaluating it is a fault of the caller
        loaded,  // the series are here
        refused, // the file's first header did not fit (code in ierr)
        no_file, // the file set has no file for the body
        failed,  // the file could not be read (the error, rethrown on use)
    };
    State state = State::absent;
    int ierr = vsop_ok;           // the code of a refused file
    std::exception_ptr error;     // the error of a failed file
    int version = 0;              // version digit of the last header read
    std::vector<double> a, b, c;  // the terms
    std::vector<Segment> chunk;   // the series cut into chunks, in file order
};

// The full series of the bodies of one file set.
class FullSeries {
public:
    // No body loaded.
    FullSeries() = default;

    // The version digit of the file set (1 A, 3 C); 0 when none was loaded.
    int kvers() const { return kvers_; }
    // The series of body ibody (1..9).
    const BodySeries& body(int ibody) const { return bodies_[static_cast<std::size_t>(ibody)]; }

private:
    friend FullSeries load_full_series(int kvers, const std::array<bool, max_body + 1>& wanted);
    int kvers_ = 0;
    std::array<BodySeries, max_body + 1> bodies_{};
};

// load_full_series: reads the VSOP87 files of the bodies a run needs.
// Takes:    kvers, the version digit of the file set (1 the A set, 3 the C set);
//           wanted[j], whether body j (1..9) is needed.
// Returns:  the series of the wanted bodies.
// Notes:    1. A file whose first header carries another version digit (code 1)
//              or names another body (code 2) is refused: every evaluation of
//              the body then gives zero coordinates and its code (the file is
//              read once; the refusal is kept with the body).
//           2. A file that cannot be opened or read (missing, not a regular
//              file, a term line that is no number, a file that ends inside a
//              series, a file without series or without the power-0 series of
//              every coordinate, the series of another body in it) throws
//              DataError naming the file and line at the first evaluation of
//              the body, where the run would first have read the file.
// Source:   VSOP87 (Bretagnon and Francou 1988, Astronomy and Astrophysics 202,
//           309), the published files and their header layout
//           (17x,i1,4x,a7,12x,i1,17x,i1,i7) and term layout
//           (79x,f18.11,f14.11,f20.11).
FullSeries load_full_series(int kvers, const std::array<bool, max_body + 1>& wanted);

// The result of vsop87z: x, y, z [AU] in r[0..2] (r[3..5] are 0), and the code.
struct Vsop87Sum {
    std::array<double, 6> r{};
    int ierr = vsop_ok;
};

// vsop87z: the series of one body at one instant.
// Takes:    the series, jde (TT), the body ibody (1..9).
// Returns:  the rectangular coordinates and the code (0 success; 1, 2 the file
//           was refused; 3 no series for the body).
// Notes:    1. Every term is used. The terms are summed in chunks of 256, and
//              the chunks added in a fixed order, so that a position comes out
//              the same to the last bit on any number of threads.
//           2. A body whose file could not be read throws its DataError; a body
//              the series were not loaded for throws std::logic_error. A body
//              outside 1..9 gives code 3.
// Source:   VSOP87 (Bretagnon and Francou 1988, Astronomy and Astrophysics 202,
//           309): the sum over the powers of T (thousands of Julian years from
//           J2000.0) of T^alpha times the sum of A cos(B + C T).
Vsop87Sum vsop87z(const FullSeries& s, double jde, int ibody);

// One body at one instant.
struct BodyPosition {
    Xyz xyz{}; // rectangular [AU]
    Lbr lbr{}; // L in [0, 360), B [deg], R [AU]
    int ierr = vsop_ok;
};

// vsop2: the heliocentric place of one body at one instant.
// Takes:    the series, jde (TT), the body ibody (1..9), the first report unit
//           kout (1 file and terminal, 6 terminal) of the messages.
// Returns:  the rectangular and spherical place and the code of vsop87z.
// Notes:    1. A nonzero code is reported as "  In VSOP87Z: ierr = " with the
//              code, on every report unit from kout on; a body without a file in
//              the set is reported by "  In VSOP2: no VSOP87 file ..." first.
//              The place is returned all the same (zero for a refused file).
// Source:   VSOP87 (Bretagnon and Francou 1988).
BodyPosition vsop2(const FullSeries& s, double jde, int ibody, int kout);

// vsop2tr: light time between a transit planet and the Earth, full series.
// Takes:    the series, jde (TT, the instant at the planet), ibody (1 Mercury,
//           2 Venus), the starting estimate of the light time tau [d], the
//           tolerance tol [d], the first report unit kout.
// Returns:  the planet at jde, the Earth at jde + tau for the last tau used, the
//           light time and distance, the number of Earth evaluations, and the
//           code: the planet's when that is nonzero, else the Earth's.
// Notes:    1. The iteration stops when the arrival instant changes by less
//              than tol, or after 50 steps (a tolerance that cannot be met).
//           2. For ibody outside 1..2 nothing is computed: code 3, reported.
// Source:   the light time as distance over the speed of light.
LightTime vsop2tr(const FullSeries& s, double jde, int ibody, double tau, double tol, int kout);

} // namespace r7
