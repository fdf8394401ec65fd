#include "state/constants.hpp"
#include "ephemeris/vsop87.hpp"


#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <istream>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "ephemeris/coord.hpp"
#include "ephemeris/termsum.hpp"
#include "io/error.hpp"
#include "io/safefile.hpp"
#include "io/units.hpp"
#include "state/slots.hpp"
#include "state/store.hpp"

namespace r7 {

namespace {

constexpr std::array<std::string_view, 10> afile{
    "", "VSOP87A.mer", "VSOP87A.ven", "VSOP87A.ear", "VSOP87A.mar",
    "VSOP87A.jup", "VSOP87A.sat", "VSOP87A.ura", "VSOP87A.nep", "VSOP87A.emb"};
constexpr std::array<std::string_view, 10> cfile{
    "", "VSOP87C.mer", "VSOP87C.ven", "VSOP87C.ear", "VSOP87C.mar",
    "VSOP87C.jup", "VSOP87C.sat", "VSOP87C.ura", "VSOP87C.nep", ""};
constexpr std::array<std::string_view, 10> body{
    "SUN    ", "MERCURY", "VENUS  ", "EARTH  ", "MARS   ",
    "JUPITER", "SATURN ", "URANUS ", "NEPTUNE", "EMB    "};

constexpr int max_terms = 2048;

// A body evaluation of fewer terms than this stays on the calling thread: the
// fork and join would cost more than the sum. Waking sleeping threads
// (OMP_WAIT_POLICY=passive, as run.sh starts the program) costs tens of
// microseconds, and a term costs about a nanosecond, so the split pays only from
// about a hundred thousand terms on (bench/vsop_bench, BM_SplitSum, finds the break-even
// on the machine it runs on: about 131072 terms on the 2-core AMD EPYC; no body of
// the published files has more than 8155). The threads go to the independent
// pieces of the long runs instead (the candidates of a transit scan).
constexpr std::size_t parallel_min_terms = 131072;
// The terms of every series are cut into chunks of this many terms (the last one
// shorter). The chunks, not the threads, fix the order of the additions, so that a
// position comes out the same to the last bit whatever the number of threads.
constexpr std::size_t chunk_terms = 256;
// The light-time iteration contracts by about v/c per step and ends after a few
// steps; the bound only guards against a tolerance that can never be met.
constexpr int max_light_steps = 50;

// Input units: the file that vsop2 opened for a body, read by vsop87z.
struct InputUnit {
    std::unique_ptr<std::istream> in;
    std::string name;
    int line = 0;
};
std::map<int, InputUnit> input_units;

// Opens a body's file (a regular file only: a FIFO or a device there would hold
// the run or feed it without end). Without its file the body's positions would
// be zeros reported as a result: a missing or unreadable file throws DataError
// naming it.
void open_unit(int lu, const std::string& name)
{
    input_units.erase(lu);
    InputUnit u;
    u.in = io::open_input(name);
    u.name = name;
    input_units.emplace(lu, std::move(u));
}

void close_unit(int lu) { input_units.erase(lu); }

InputUnit* find_unit(int lu)
{
    const auto it = input_units.find(lu);
    return it == input_units.end() ? nullptr : &it->second;
}

// The loaded series of one body as separate A, B and C arrays (all series of the
// body back to back), so that the term loop reads contiguous memory. Built from
// `astro.par2` at the end of a load and cleared when a load starts.
struct Segment {
    int ic;          // coordinate 1..3
    int alpha;       // power of time 0..5
    std::size_t off; // first term in a, b, c
    std::size_t n;   // number of terms
};
struct BodySeries {
    std::vector<double> a, b, c;
    std::vector<Segment> seg;   // one per series
    std::vector<Segment> chunk; // the series cut into chunks, in store order
    std::size_t total = 0;
    void clear()
    {
        a.clear();
        b.clear();
        c.clear();
        seg.clear();
        chunk.clear();
        total = 0;
    }
};
std::array<BodySeries, 10> series;

// The series to evaluate, in the order of the store: per coordinate the powers
// 0, 1, ... up to the first one that is absent.
void build_series(int ibody)
{
    BodySeries& s = series[static_cast<std::size_t>(ibody)];
    s.clear();
    for (int ic = 1; ic <= 3; ++ic) {
        for (int alpha = 0; alpha <= 5; ++alpha) {
            if (astro.it2(alpha, ic, ibody) == -1) break;
            const int n = astro.in2(alpha, ic, ibody);
            if (n <= 0) continue;
            s.seg.push_back({ic, alpha, s.a.size(), static_cast<std::size_t>(n)});
            for (std::size_t k = 0; k < static_cast<std::size_t>(n); k += chunk_terms) {
                s.chunk.push_back({ic, alpha, s.a.size() + k, std::min(chunk_terms, static_cast<std::size_t>(n) - k)});
            }
            for (int k = 1; k <= n; ++k) {
                s.a.push_back(astro.par2(1, k, alpha, ic, ibody));
                s.b.push_back(astro.par2(2, k, alpha, ic, ibody));
                s.c.push_back(astro.par2(3, k, alpha, ic, ibody));
            }
        }
    }
    s.total = s.a.size();
}

[[noreturn]] void bad_line(const InputUnit& u, DataError::Kind kind, const std::string& what)
{
    throw DataError(kind, u.name, u.line,
                    "VSOP87 file \"" + u.name + "\", line " + std::to_string(u.line) + ": " + what);
}

std::string_view trimmed(std::string_view s)
{
    const auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

bool parse_real(std::string_view field, double& v)
{
    field = trimmed(field);
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    if (field.empty()) return false;
    const auto [p, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
    return ec == std::errc() && p == field.data() + field.size();
}

bool parse_int(std::string_view field, int& v)
{
    field = trimmed(field);
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    if (field.empty()) return false;
    const auto [p, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
    return ec == std::errc() && p == field.data() + field.size();
}

bool digit(char ch, int& v)
{
    if (ch < '0' || ch > '9') return false;
    v = ch - '0';
    return true;
}

bool next_line(InputUnit& u, std::string& line)
{
    if (!std::getline(*u.in, line)) {
        if (u.in->bad()) bad_line(u, DataError::Kind::read_error, "the file cannot be read: " + io::reason(errno));
        return false;
    }
    ++u.line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

struct Header {
    int version = 0;
    std::string name;
    int ic = 0;
    int alpha = 0;
    int n = 0;
};

// Series header, layout (17x,i1,4x,a7,12x,i1,17x,i1,i7).
Header parse_header(const InputUnit& u, const std::string& line)
{
    Header h;
    if (line.size() < 67 || !digit(line[17], h.version) || !digit(line[41], h.ic) || !digit(line[59], h.alpha) ||
        !parse_int(std::string_view(line).substr(60, 7), h.n)) {
        bad_line(u, DataError::Kind::unreadable, "not a series header");
    }
    h.name = line.substr(22, 7);
    if (h.ic < 1 || h.ic > 3 || h.alpha > 5) {
        bad_line(u, DataError::Kind::invalid, "coordinate or power of time out of range");
    }
    if (h.n < 0 || h.n > max_terms) {
        bad_line(u, DataError::Kind::invalid,
                 std::to_string(h.n) + " terms in one series (at most " + std::to_string(max_terms) + ")");
    }
    return h;
}

// Term line, layout (79x,f18.11,f14.11,f20.11): A, B, C.
void parse_term(const InputUnit& u, const std::string& line, double* abc)
{
    const std::string_view s(line);
    if (s.size() < 131) bad_line(u, DataError::Kind::unreadable, "term line too short");
    if (!parse_real(s.substr(79, 18), abc[0]) || !parse_real(s.substr(97, 14), abc[1]) ||
        !parse_real(s.substr(111, 20), abc[2])) {
        bad_line(u, DataError::Kind::unreadable, "term line does not hold three numbers A, B, C");
    }
}

// Reads the body's file from unit lu into the store. Returns with ierr 1 or 2 on a
// mismatch in the first header, with ierr 3 when there is no file or no series,
// and with ierr 0 after the last series (load state then 2).
void load_body(int kvers, int ibody, int lu, int& ierr, LoadState& kload)
{
    InputUnit* u = find_unit(lu);
    if (!u) return;
    std::string line;
    std::string first_name;
    bool first = true;
    while (next_line(*u, line)) {
        if (trimmed(line).empty()) continue;
        const Header h = parse_header(*u, line);
        astro.iv2(ibody) = h.version;
        astro.it2(h.alpha, h.ic, ibody) = 1;
        astro.in2(h.alpha, h.ic, ibody) = h.n;
        if (first) {
            if (h.version != kvers) {
                ierr = 1;
                return;
            }
            if (h.name != body[static_cast<std::size_t>(ibody)]) {
                ierr = 2;
                return;
            }
            ierr = 0;
            first = false;
            first_name = h.name;
        } else if (h.name != first_name) {
            // A later series of another body means a miscounted or spliced file;
            // its terms must not be mixed into this body.
            bad_line(*u, DataError::Kind::invalid,
                     "series of " + std::string(trimmed(h.name)) + " in the file of " + std::string(trimmed(first_name)));
        }
        for (int k = 1; k <= h.n; ++k) {
            if (!next_line(*u, line)) {
                bad_line(*u, DataError::Kind::end_of_file,
                         "file ends inside a series (term " + std::to_string(k) + " of " + std::to_string(h.n) +
                             " missing)");
            }
            parse_term(*u, line, astro.par2.at(1, k, h.alpha, h.ic, ibody));
        }
    }
    // A file without a single series would give zero positions as if valid.
    if (first) bad_line(*u, DataError::Kind::end_of_file, "the file holds no series");
    // Every published file holds the power-0 series of all three coordinates; a
    // file cut short at a series boundary would otherwise give zero Y or Z
    // coordinates as if they were valid.
    for (int ic = 1; ic <= 3; ++ic) {
        if (astro.it2(0, ic, ibody) != 1) {
            bad_line(*u, DataError::Kind::end_of_file,
                     "no series of coordinate " + std::to_string(ic) + " (the file is incomplete)");
        }
    }
    kload[static_cast<std::size_t>(ibody)] = 2;
    build_series(ibody);
}

// Sum of all series of one body at time t (thousands of Julian years).
//
// The chunks are divided among the threads in static contiguous blocks; each
// thread keeps the sums of its chunks in their own slots (no two threads write the
// same slot), and after the parallel region has joined, the slots are added in
// chunk order. So the result does not depend on the thread count, nor on which
// thread finishes first, which a running sum added under an atomic section would.
void evaluate(int ibody, double t, std::span<double, 6> r)
{
    const BodySeries& s = series[static_cast<std::size_t>(ibody)];
    const std::array<double, 6> tp{1.0, t, t * t, t * t * t, t * t * t * t, t * t * t * t * t};
    const auto nchunk = static_cast<std::ptrdiff_t>(s.chunk.size());
    thread_local std::vector<double> slot;
    slot.resize(s.chunk.size());
    double* out = slot.data();
    const auto chunk_sum = [&](std::ptrdiff_t i) {
        const Segment& g = s.chunk[static_cast<std::size_t>(i)];
        out[i] = term_sum(s.a.data() + g.off, s.b.data() + g.off, s.c.data() + g.off,
                          static_cast<std::ptrdiff_t>(g.n), t);
    };
    // Below the threshold no parallel region is entered at all: even one that
    // runs on the calling thread alone costs a wake-up of the runtime.
    if (s.total < parallel_min_terms) {
        for (std::ptrdiff_t i = 0; i < nchunk; ++i) chunk_sum(i);
    } else {
#pragma omp parallel for schedule(static)
        for (std::ptrdiff_t i = 0; i < nchunk; ++i) chunk_sum(i);
    }
    std::array<double, 3> sum{};
    for (std::size_t i = 0; i < s.chunk.size(); ++i) {
        const Segment& g = s.chunk[i];
        sum[static_cast<std::size_t>(g.ic - 1)] += tp[static_cast<std::size_t>(g.alpha)] * out[i];
    }
    r[0] = sum[0];
    r[1] = sum[1];
    r[2] = sum[2];
}

double reduce_2pi(double a)
{
    a = std::fmod(a, two_pi);
    return a < 0.0 ? a + two_pi : a;
}

// Writes a report line to units kout, kout + 5, ... up to 6 (file, then terminal).
void report(int kout, const std::string& text)
{
    for (int k = kout; k <= io::terminal_unit; k += 5) {
        if (k == io::file_unit || k == io::terminal_unit) io::units().put(k, text);
    }
}

void report_ierr(int kout, int ierr)
{
    for (int k = kout; k <= io::terminal_unit; k += 5) {
        if (k == io::file_unit || k == io::terminal_unit) {
            io::units().write(k, "('  In VSOP87Z: ierr = ',i2)", {ierr});
        }
    }
}

} // namespace

std::string vsop_file(int kvers, int ibody)
{
    if (ibody < 1 || ibody > 9) return {};
    const auto i = static_cast<std::size_t>(ibody);
    if (kvers == 1) return std::string(afile[i]);
    if (kvers == 3) return std::string(cfile[i]);
    return {};
}

void vsop87z(double jde, int kvers, int ibody, double prec, int lu, std::span<double, 6> r, int& ierr,
             LoadState& kload)
{
    std::fill(r.begin(), r.end(), 0.0);
    ierr = 3;
    if (ibody < 1 || ibody > 9) return;
    const double t = (jde - jd2000) / days_per_millennium;
    const bool bad_prec = prec < 0.0 || prec > 0.01 || std::isnan(prec);

    if (kload[static_cast<std::size_t>(ibody)] == 1) {
        for (int ic = 1; ic <= 3; ++ic) {
            for (int alpha = 0; alpha <= 5; ++alpha) astro.it2(alpha, ic, ibody) = -1;
        }
        series[static_cast<std::size_t>(ibody)].clear();
        if (bad_prec) return;
        load_body(kvers, ibody, lu, ierr, kload);
        if (kload[static_cast<std::size_t>(ibody)] != 2) return;
    } else {
        if (bad_prec) return;
        ierr = 0;
    }

    evaluate(ibody, t, r);

    // Post-processing by the version digit of the file, as the published format
    // defines it; for the A and C sets (1 and 3) nothing changes.
    const int v = astro.iv2(ibody);
    if (v != 0) {
        for (std::size_t i = 3; i < 6; ++i) r[i] /= days_per_millennium;
    }
    if (v == 2 || v == 4) r[0] = reduce_2pi(r[0]);
    if (v == 0) r[1] = reduce_2pi(r[1]);
}

void vsop2(double jde, int kvers, int ibody, LoadState& kload, int kout, double prec, int lu,
           std::span<double, 3> xyz, int& ierr, std::span<double, 3> lbr)
{
    std::array<double, 6> r{};
    const bool valid_body = ibody >= 1 && ibody <= 9;
    bool opened = false;
    if (valid_body && kload[static_cast<std::size_t>(ibody)] == 1) {
        close_unit(lu);
        const std::string name = vsop_file(kvers, ibody);
        if (name.empty()) {
            report(kout, "  In VSOP2: no VSOP87 file for version " + std::to_string(kvers) + " and body " +
                             std::to_string(ibody) + "\n");
        } else {
            open_unit(lu, name);
            opened = true;
        }
    }
    try {
        vsop87z(jde, kvers, ibody, prec, lu, r, ierr, kload);
    } catch (...) {
        close_unit(lu);
        throw;
    }
    // The file is read to its end (or the load failed and is retried next time);
    // either way this body needs it no longer.
    if (opened || (valid_body && kload[static_cast<std::size_t>(ibody)] == 1)) close_unit(lu);

    xyz[0] = r[0];
    xyz[1] = r[1];
    xyz[2] = r[2];
    kugelko(xyz[0], xyz[1], xyz[2], lbr);
    if (ierr != 0) report_ierr(kout, ierr);
}

void vsop2tr(double jde, int ibody, VsopCall& e, std::span<double, 9> pos, double& tau, double& dist, double tol,
             std::array<int, 6>& count)
{
    if (ibody < 1 || ibody > 2) {
        e.ierr = 3;
        report_ierr(e.kout, e.ierr);
        return;
    }
    const auto j = static_cast<std::size_t>(ibody - 1);
    vsop2(jde, ibody, e);
    const int planet_ierr = e.ierr;
    for (std::size_t i = 0; i < 3; ++i) {
        base.re(slot::lon(ibody) + static_cast<int>(i)) = e.lbr[i];
        pos[3 * j + i] = e.xyz[i];
    }

    double u = jde + tau;
    for (int step = 1;; ++step) {
        ++count[2];
        vsop2(u, 3, e);
        for (std::size_t i = 0; i < 3; ++i) {
            base.re(slot::lon(3) + static_cast<int>(i)) = e.lbr[i];
            pos[6 + i] = e.xyz[i];
        }
        const double dx = pos[3 * j] - pos[6], dy = pos[3 * j + 1] - pos[7], dz = pos[3 * j + 2] - pos[8];
        dist = std::sqrt(dx * dx + dy * dy + dz * dz);
        tau = dist * au_m / light_m_per_day;
        const double next = jde + tau;
        if (std::fabs(next - u) < tol || step >= max_light_steps) break;
        u = next;
    }
    if (planet_ierr != 0) e.ierr = planet_ierr;
}

} // namespace r7
