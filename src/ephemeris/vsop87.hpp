// Heliocentric planet positions from the complete VSOP87 series, read from the
// published files (VSOP87A: ecliptic and equinox J2000.0; VSOP87C: ecliptic and
// equinox of date). A body's file is read on the first request in a run, kept in
// the coefficient store `astro.par2`, and evaluated on every request with the terms
// spread over all processor cores.
#pragma once

#include <array>
#include <span>
#include <string>

namespace r7 {

// Load state per body, index 0..9: 1 = read the body's file on the next call,
// 2 = the file has been read to its end. The main program sets all entries to 1
// at the start of a run. A load state belongs to one file set: a body marked 2 is
// evaluated from the set it was read from, whatever kvers a later call names.
using LoadState = std::array<int, 10>;

// Published file names by body (1 Mercury .. 8 Neptune, 9 Earth-Moon barycentre);
// the C set has no barycentre file ("" for body 9).
std::string vsop_file(int kvers, int ibody);

// Reads (when kload[ibody] is 1) and evaluates the series of one body at one
// instant. kvers: version digit the file must carry (1 A set, 3 C set); prec:
// accepted range 0..0.01 (every term is used regardless); lu: the input unit on
// which vsop2 has opened the body's file. r[0..2] = x, y, z in AU, r[3..5] = 0.
// ierr: 0 success; 1 the file's version digit differs from kvers; 2 the file names
// another body; 3 prec out of range, or no series could be read (no file open on
// lu, or a file without series). A term line that cannot be read, or a file that
// ends inside a series, throws DataError naming the file and line.
void vsop87z(double jde, int kvers, int ibody, double prec, int lu, std::span<double, 6> r, int& ierr,
             LoadState& kload);

// Opens the body's file when it is to be read, evaluates it, converts to spherical
// coordinates (lbr: L in [0, 360) deg, B deg, R AU) and reports a nonzero ierr on
// the report units kout, kout + 5, ... up to 6. A file that cannot be opened is
// reported by name as well; the body keeps load state 1, so the next call tries
// again.
void vsop2(double jde, int kvers, int ibody, LoadState& kload, int kout, double prec, int lu,
           std::span<double, 3> xyz, int& ierr, std::span<double, 3> lbr);

// The arguments of vsop2 that a routine evaluating several bodies or instants
// passes on unchanged, and the result of its last call.
struct VsopCall {
    int kvers;                       // version digit of the file set (1 A set, 3 C set)
    LoadState& kload;                // load state of the bodies
    int kout;                        // first report unit for error messages
    double prec = 0.0;               // accepted range 0..0.01
    int lu = 10;                     // input unit for the series files
    std::array<double, 3> xyz{};     // last position x, y, z [AU]
    int ierr = 0;                    // code of the last call (see vsop87z)
    std::array<double, 3> lbr{};     // last position L, B [deg], R [AU]
};

// Evaluates body ibody at jde with the arguments of e; the result goes to e.xyz,
// e.lbr and e.ierr.
inline void vsop2(double jde, int ibody, VsopCall& e)
{
    vsop2(jde, e.kvers, ibody, e.kload, e.kout, e.prec, e.lu, e.xyz, e.ierr, e.lbr);
}

// Light time between a transit planet (ibody 1 or 2) and the Earth. The planet is
// evaluated at jde, the Earth at jde + tau, tau being iterated from its starting
// value until it changes by less than tol (days). pos: triple ibody the planet,
// triple 3 the Earth; `base.re` triples ibody and 3 get their spherical
// coordinates; dist: planet-Earth distance in AU; count[2] counts the Earth
// evaluations; e.xyz, e.lbr: the Earth's last position. e.ierr: the planet's code
// when that is nonzero, else the Earth's.
void vsop2tr(double jde, int ibody, VsopCall& e, std::span<double, 9> pos, double& tau, double& dist, double tol,
             std::array<int, 6>& count);

} // namespace r7
