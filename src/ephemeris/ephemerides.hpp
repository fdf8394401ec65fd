// The ephemerides of a run as one object: the short series, the full VSOP87
// series of the bodies the run needs, and the Kepler element polynomials. The run
// builds it once at its start (run/run.cpp) and passes it by const reference to
// everything that computes positions; nothing changes it afterwards, so any
// number of threads may evaluate it at once.
#pragma once

#include <array>
#include <string>
#include <utility>

#include "ephemeris/kepler.hpp"
#include "ephemeris/positions.hpp"
#include "ephemeris/short.hpp"
#include "ephemeris/vsop87.hpp"

namespace r7 {

// What a run needs of the ephemerides.
struct EphemerisNeeds {
    bool short_series = false;                  // "invsop1.t"
    bool kepler = false;                        // "invsop3.t"
    int kvers = 3;                              // file set of the full series: 1 A, 3 C
    std::array<bool, max_body + 1> bodies{};    // full series of body j (1..9)
    std::string short_file = "invsop1.t";
    std::string kepler_file = "invsop3.t";
};

class Ephemerides {
public:
    // Nothing loaded: the short series evaluates to zero, no body has a full
    // series, the Kepler table is zero.
    Ephemerides() = default;
    Ephemerides(ShortSeries s, FullSeries f, const KeplerTable& k)
        : short_(std::move(s)), full_(std::move(f)), kepler_(k)
    {
    }

    const ShortSeries& short_series() const { return short_; }
    const FullSeries& full() const { return full_; }
    const KeplerTable& kepler() const { return kepler_; }

private:
    ShortSeries short_;
    FullSeries full_;
    KeplerTable kepler_{};
};

// load_ephemerides: the ephemerides a run needs.
// Takes:    what the run needs.
// Returns:  the object, with the series and tables asked for.
// Notes:    1. The short series and the Kepler table are read first; a damaged
//              file of theirs throws DataError naming it (vsop1load,
//              load_kepler). A full-series file that cannot be read fails at
//              the first evaluation of its body (load_full_series).
// Source:   VSOP87 (Bretagnon and Francou 1988, Astronomy and Astrophysics 202,
//           309), the short series as truncated in Meeus, Astronomical
//           Algorithms, 2nd ed., 1998, ch. 32 and appendix III; the mean
//           elements of Meeus, ch. 31.
Ephemerides load_ephemerides(const EphemerisNeeds& needs);

} // namespace r7
