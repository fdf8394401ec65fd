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

namespace r7 {

namespace {

constexpr int blocks = ShortSeries::blocks;
constexpr int max_powers = ShortSeries::max_powers;
constexpr int max_terms = ShortSeries::max_terms;
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

ShortSeries::ShortSeries() : par1_(Coefficients::size(), 0.0) { pack(); }

void ShortSeries::pack()
{
    constexpr std::size_t lanes = 8;
    pa_.clear();
    pb_.clear();
    pc_.clear();
    bounds_.assign(1, 0);
    for (int k = 1; k <= blocks; ++k) {
        first_run_[static_cast<std::size_t>(k)] = bounds_.size() - 1;
        for (int i = 1; i <= powers(k); ++i) {
            const double* abc = this->abc(k, i);
            const auto n = static_cast<std::size_t>(terms(k, i));
            for (std::size_t m = 0; m < n; ++m) {
                pa_.push_back(abc[3 * m]);
                pb_.push_back(abc[3 * m + 1]);
                pc_.push_back(abc[3 * m + 2]);
            }
            while (pa_.size() % lanes != 0) {
                pa_.push_back(0.0);
                pb_.push_back(0.0);
                pc_.push_back(0.0);
            }
            bounds_.push_back(pa_.size());
        }
    }
    first_run_[static_cast<std::size_t>(blocks) + 1] = bounds_.size() - 1;
}

int ShortSeries::total_terms(int kend) const
{
    int terms = 0;
    for (int k = 1; k <= kend && k <= blocks; ++k) {
        for (int i = 1; i <= powers(k); ++i) terms += jp_(k, i);
    }
    return terms;
}

ShortSeries vsop1load(const std::string& file)
{
    ShortSeries s;
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
                s.jp_(k, i) = ni;
            }
            s.lmax_[static_cast<std::size_t>(k)] = lm;
            for (int i = 1; i <= lm; ++i) {
                what = "the heading line of power " + std::to_string(i - 1) + " of " + name;
                rd.skip_lines(1);
                for (int j = 1; j <= s.jp_(k, i); ++j) {
                    what = "term " + std::to_string(j) + " of power " + std::to_string(i - 1) + " of " + name;
                    double number = 0.0;
                    double* abc = s.abc(k, i, j);
                    rd.read({&number, &abc[0], &abc[1], &abc[2]});
                }
            }
        }
    } catch (const DataError& e) {
        if (e.kind() != DataError::Kind::end_of_file) throw;
        throw DataError(DataError::Kind::end_of_file, file, e.line(),
                        "the short-series file \"" + file + "\" ends early: " + what + " is missing");
    }
    s.pack();
    return s;
}

namespace {

// Block k at tau from the sums of its powers (sums[i - 1] for power i - 1).
double block_of(const ShortSeries& s, int k, const double* sums, double tau)
{
    double sum = 0.0;
    double tp = 1.0;
    for (int i = 1; i <= s.powers(k); ++i) {
        sum += tp * sums[i - 1];
        tp *= tau;
    }
    double v = sum * 1e-8;
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

// Blocks kfirst..klast at tau into v[kfirst..klast], their terms summed in one
// pass.
void block_values(const ShortSeries& s, int kfirst, int klast, double tau, double* v)
{
    std::array<double, blocks * max_powers> sums{};
    const std::size_t r0 = s.first_run(kfirst);
    const std::size_t runs = s.first_run(klast + 1) - r0;
    term_sums(s.a(), s.b(), s.c(), s.bounds() + r0, static_cast<std::ptrdiff_t>(runs), tau, sums.data());
    for (int k = kfirst; k <= klast; ++k) v[k] = block_of(s, k, sums.data() + (s.first_run(k) - r0), tau);
}

double block_value(const ShortSeries& s, int k, double tau)
{
    std::array<double, blocks + 2> v{};
    block_values(s, k, k, tau, v.data());
    return v[static_cast<std::size_t>(k)];
}

// The place of planet j from its three blocks at tau.
Lbr place_of(const ShortSeries& s, int j, double tau)
{
    std::array<double, blocks + 2> v{};
    block_values(s, 3 * j - 2, 3 * j, tau, v.data());
    const auto i = static_cast<std::size_t>(3 * j);
    return {v[i - 2], v[i - 1], v[i]};
}

} // namespace

double vsop1(const ShortSeries& s, int k, double tau)
{
    if (k < 1 || k > blocks) return 0.0;
    return block_value(s, k, tau);
}

Lbr vsop1place(const ShortSeries& s, int j, double tau)
{
    if (j < 1 || 3 * j > blocks) return {};
    return place_of(s, j, tau);
}

Positions vsop1all(const ShortSeries& s, double tau, int kend)
{
    if (kend > blocks) kend = blocks;
    // Static schedule: contiguous chunks of blocks per thread, the remainder one
    // each to the first threads; every iteration writes only its own value. The
    // threads start only when the blocks hold enough terms to pay for the fork
    // and join: the published short series (about 750 terms, a few microseconds)
    // is summed faster on the calling thread. Below the threshold no parallel
    // region is entered at all: even one that runs on the calling thread alone
    // costs a wake-up of the runtime.
    std::array<double, blocks + 2> v{};
    if (s.total_terms(kend) < parallel_min_terms) {
        if (kend >= 1) block_values(s, 1, kend, tau, v.data());
    } else {
#pragma omp parallel for schedule(static)
        for (int k = 1; k <= kend; ++k) v[static_cast<std::size_t>(k)] = block_value(s, k, tau);
    }
    Positions p;
    for (int j = 1; 3 * j <= kend; ++j) {
        const auto i = static_cast<std::size_t>(3 * j);
        p[j] = {v[i - 2], v[i - 1], v[i]};
    }
    return p;
}

LightTime vsop1tr(const ShortSeries& s, int ibody, double tau, double lt, double tol)
{
    LightTime r;
    if (ibody < 1 || ibody > 2) return r;
    lt /= days_per_millennium;
    r.planet_lbr = place_of(s, ibody, tau);
    r.planet = rectangular(r.planet_lbr);

    double u = tau + lt;
    for (int step = 1;; ++step) {
        ++r.evaluations;
        r.earth_lbr = place_of(s, earth, u);
        r.earth = rectangular(r.earth_lbr);
        const double dx = r.planet.x - r.earth.x, dy = r.planet.y - r.earth.y, dz = r.planet.z - r.earth.z;
        r.dist = std::sqrt(dx * dx + dy * dy + dz * dz);
        lt = r.dist * au_m / light_m_per_millennium;
        const double arrival = tau + lt;
        if (std::fabs(arrival - u) < tol || step >= max_light_steps) break;
        u = arrival;
    }
    r.lt = lt * days_per_millennium;
    return r;
}

} // namespace r7
