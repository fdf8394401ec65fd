#include "state/constants.hpp"
#include "ephemeris/short.hpp"

#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "ephemeris/coord.hpp"
#include "ephemeris/termsum.hpp"
#include "io/error.hpp"
#include "io/freeread.hpp"
#include "state/store.hpp"

namespace r7 {

namespace {

constexpr int blocks = 12;
constexpr int max_powers = 6;
constexpr int max_terms = 69;
// Fewer terms than this in one instant are summed on the calling thread: below
// it, waking the threads costs more than they save (the break-even of the split
// sum, bench/vsop_bench BM_SplitSum).
constexpr int parallel_min_terms = 131072;
// Metres that light travels in one thousand Julian years.
constexpr double light_m_per_millennium = 9.4607304725808e18;
// See the full-series light-time loop: a guard against a tolerance that the
// contracting iteration can never meet.
constexpr int max_light_steps = 50;

std::string block_name(int k)
{
    static constexpr const char* planet[] = {"Mercury", "Venus", "Earth", "Mars"};
    static constexpr const char* coord[] = {"L", "B", "R"};
    return "block " + std::to_string(k) + " (" + planet[(k - 1) / 3] + " " + coord[(k - 1) % 3] + ")";
}

// One record of n integers (n = 1..6) into v[0..n-1].
template <std::size_t... I>
void read_n(io::FreeReader& rd, int* v, std::index_sequence<I...>)
{
    rd.read({io::Target(&v[I])...});
}

void read_ints(io::FreeReader& rd, int* v, int n)
{
    switch (n) {
    case 1: read_n(rd, v, std::make_index_sequence<1>{}); break;
    case 2: read_n(rd, v, std::make_index_sequence<2>{}); break;
    case 3: read_n(rd, v, std::make_index_sequence<3>{}); break;
    case 4: read_n(rd, v, std::make_index_sequence<4>{}); break;
    case 5: read_n(rd, v, std::make_index_sequence<5>{}); break;
    case 6: read_n(rd, v, std::make_index_sequence<6>{}); break;
    default: rd.skip_lines(1); break; // an empty record: the line is passed over
    }
}

} // namespace

void vsop1load(const std::string& file)
{
    for (int k = 1; k <= blocks; ++k) {
        base.lmax(k) = 0;
        for (int i = 1; i <= max_powers; ++i) base.jp(k, i) = 0;
    }

    std::unique_ptr<io::FreeReader> owner;
    try {
        owner = std::make_unique<io::FreeReader>(file);
    } catch (const DataError& e) {
        throw DataError(e.kind(), file, 0, "the short-series " + std::string(e.what()));
    }
    io::FreeReader& rd = *owner;

    std::string what = "the title line";
    try {
        rd.skip_lines(1);
        for (int k = 1; k <= blocks; ++k) {
            const std::string name = block_name(k);
            what = "the heading line of " + name;
            rd.skip_lines(1);
            what = "the number of powers of time of " + name;
            int lm = 0;
            rd.read({&lm});
            if (lm < 0 || lm > max_powers) {
                throw DataError(DataError::Kind::invalid, file, rd.line(),
                                "\"" + file + "\", line " + std::to_string(rd.line()) + ": " + name + " has " +
                                    std::to_string(lm) + " powers of time (at most " + std::to_string(max_powers) +
                                    ")");
            }
            what = "the numbers of terms of " + name;
            std::array<int, max_powers> n{};
            read_ints(rd, n.data(), lm);
            for (int i = 1; i <= lm; ++i) {
                const int ni = n[static_cast<std::size_t>(i - 1)];
                if (ni < 0 || ni > max_terms) {
                    throw DataError(DataError::Kind::invalid, file, rd.line(),
                                    "\"" + file + "\", line " + std::to_string(rd.line()) + ": " + name + " has " +
                                        std::to_string(ni) + " terms for power " + std::to_string(i - 1) +
                                        " (at most " + std::to_string(max_terms) + ")");
                }
                base.jp(k, i) = ni;
            }
            base.lmax(k) = lm;
            for (int i = 1; i <= lm; ++i) {
                what = "the heading line of power " + std::to_string(i - 1) + " of " + name;
                rd.skip_lines(1);
                for (int j = 1; j <= base.jp(k, i); ++j) {
                    what = "term " + std::to_string(j) + " of power " + std::to_string(i - 1) + " of " + name;
                    double number = 0.0;
                    double* abc = astro.par1.at(1, j, i - 1, k);
                    rd.read({&number, &abc[0], &abc[1], &abc[2]});
                }
            }
        }
    } catch (const DataError& e) {
        if (e.kind() != DataError::Kind::end_of_file) throw;
        throw DataError(DataError::Kind::end_of_file, file, e.line(),
                        "the short-series file \"" + file + "\" ends early: " + what + " is missing");
    }
}

namespace {

// Block k at tau with the term counts of the working store b (that of the
// thread that asks, also when the sum runs on a worker thread).
double block_value(const Base& b, int k, double tau)
{
    double s = 0.0;
    double tp = 1.0;
    for (int i = 1; i <= b.lmax(k); ++i) {
        s += tp * term_sum3(astro.par1.at(1, 1, i - 1, k), b.jp(k, i), tau);
        tp *= tau;
    }
    double v = s * 1e-8;
    if (k % 3 == 1) {
        // Longitudes into [0, 2 pi]: the magnitude modulo one turn, a negative
        // value counted back from a full turn.
        double d = std::fabs(v);
        if (d > two_pi) d = std::fmod(d, two_pi);
        v = v < 0.0 ? two_pi - d : d;
    }
    if (k % 3 != 0) v *= deg_per_rad;
    return v;
}

} // namespace

void vsop1(int k, double tau, double& value)
{
    value = 0.0;
    if (k < 1 || k > blocks) return;
    value = block_value(base, k, tau);
}

void vsop1all(double tau, int kend)
{
    if (kend > blocks) kend = blocks;
    // Static schedule: contiguous chunks of blocks per thread, the remainder one
    // each to the first threads; every iteration writes only its own slot. The
    // threads start only when the blocks hold enough terms to pay for the fork
    // and join: the published short series (about 750 terms, a few microseconds)
    // is summed faster on the calling thread.
    int terms = 0;
    for (int k = 1; k <= kend; ++k) {
        for (int i = 1; i <= base.lmax(k); ++i) terms += base.jp(k, i);
    }
    // Every thread has its own working store: the workers read and write the
    // caller's. Below the threshold no parallel region is entered at all: even
    // one that runs on the calling thread alone costs a wake-up of the runtime.
    Base& b = base;
    if (terms < parallel_min_terms) {
        for (int k = 1; k <= kend; ++k) b.re(k) = block_value(b, k, tau);
        return;
    }
#pragma omp parallel for schedule(static)
    for (int k = 1; k <= kend; ++k) b.re(k) = block_value(b, k, tau);
}

void vsop1tr(int ibody, std::span<double, 9> pos, double tau, double& lt, double& dist, double tol,
             std::array<int, 6>& count, double& scratch)
{
    if (ibody < 1 || ibody > 2) return;
    const auto j = static_cast<std::size_t>(ibody - 1);
    lt /= days_per_millennium;
    for (int c = 3 * ibody - 2; c <= 3 * ibody; ++c) vsop1(c, tau, base.re(c));
    kartko(0);
    for (std::size_t i = 0; i < 3; ++i) pos[3 * j + i] = base.xyr(3 * ibody - 2 + static_cast<int>(i));

    double u = tau + lt;
    for (int step = 1;; ++step) {
        ++count[2];
        for (int c = 7; c <= 9; ++c) vsop1(c, u, base.re(c));
        kartko(0);
        for (std::size_t i = 0; i < 3; ++i) pos[6 + i] = base.xyr(7 + static_cast<int>(i));
        const double dx = pos[3 * j] - pos[6], dy = pos[3 * j + 1] - pos[7], dz = pos[3 * j + 2] - pos[8];
        dist = std::sqrt(dx * dx + dy * dy + dz * dz);
        lt = dist * au_m / light_m_per_millennium;
        scratch = tau + lt;
        if (std::fabs(scratch - u) < tol || step >= max_light_steps) break;
        u = scratch;
    }
    lt *= days_per_millennium;
}

} // namespace r7
