#include "state/constants.hpp"
#include "ephemeris/vsop87.hpp"


#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "ephemeris/coord.hpp"
#include "ephemeris/lighttime.hpp"
#include "ephemeris/termsum.hpp"
#include "io/error.hpp"
#include "io/safefile.hpp"
#include "io/units.hpp"

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

// The file of one body while it is read: its whole text (read at once, so that
// a line costs no stream call) and the position in it.
struct InputFile {
    std::string text;
    std::size_t at = 0;
    std::string name;
    int line = 0;
};

[[noreturn]] void bad_line(const InputFile& u, DataError::Kind kind, const std::string& what)
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

// A term field (layout f18.11, f14.11, f20.11): blanks, an optional sign, digits,
// a point and digits. With at most 2^53 as the digits' integer m and at most
// 22 digits after the point, m and 10^k are exact doubles and their quotient,
// rounded once, is the correctly rounded value of the decimal number: the value
// std::from_chars gives, to the last bit, at a fraction of its cost. Any other
// form goes to parse_real.
bool parse_fixed(std::string_view field, double& v)
{
    static constexpr double pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr std::uint64_t exact_limit = std::uint64_t{1} << 53;
    std::size_t i = 0;
    const std::size_t n = field.size();
    while (i < n && field[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
    std::uint64_t m = 0;
    int digits = 0, frac = -1;
    for (; i < n; ++i) {
        const char ch = field[i];
        if (ch >= '0' && ch <= '9') {
            if (++digits > 18) return parse_real(field, v);
            m = m * 10 + static_cast<std::uint64_t>(ch - '0');
            if (frac >= 0) ++frac;
        } else if (ch == '.' && frac < 0) {
            frac = 0;
        } else {
            break;
        }
    }
    while (i < n && field[i] == ' ') ++i;
    if (i != n || digits == 0 || m > exact_limit || frac > 22) return parse_real(field, v);
    const double x = frac > 0 ? static_cast<double>(m) / pow10[frac] : static_cast<double>(m);
    v = negative ? -x : x;
    return true;
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

bool next_line(InputFile& u, std::string_view& line)
{
    if (u.at >= u.text.size()) return false;
    const std::size_t end = u.text.find('\n', u.at);
    const std::size_t stop = end == std::string::npos ? u.text.size() : end;
    line = std::string_view(u.text).substr(u.at, stop - u.at);
    u.at = end == std::string::npos ? u.text.size() : end + 1;
    ++u.line;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
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
Header parse_header(const InputFile& u, std::string_view line)
{
    Header h;
    if (line.size() < 67 || !digit(line[17], h.version) || !digit(line[41], h.ic) || !digit(line[59], h.alpha) ||
        !parse_int(line.substr(60, 7), h.n)) {
        bad_line(u, DataError::Kind::unreadable, "not a series header");
    }
    h.name = std::string(line.substr(22, 7));
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
void parse_term(const InputFile& u, std::string_view s, double* abc)
{
    if (s.size() < 131) bad_line(u, DataError::Kind::unreadable, "term line too short");
    if (!parse_fixed(s.substr(79, 18), abc[0]) || !parse_fixed(s.substr(97, 14), abc[1]) ||
        !parse_fixed(s.substr(111, 20), abc[2])) {
        bad_line(u, DataError::Kind::unreadable, "term line does not hold three numbers A, B, C");
    }
}

// The series of one body as the file holds them: (A, B, C) of each term of power
// alpha and coordinate ic, and the presence of each series (a later header of
// the same series replaces its terms).
struct FileSeries {
    std::array<std::array<std::vector<double>, 6>, 4> abc{}; // [ic][alpha] A, B, C of term 1, 2, ...
    std::array<std::array<bool, 6>, 4> present{};           // [ic][alpha] a header was read
};

// The series to evaluate, in the order of the file set's layout: per coordinate
// the powers 0, 1, ... up to the first one that is absent; each cut into chunks.
void build_series(FileSeries& f, BodySeries& s)
{
    std::size_t total = 0;
    for (const auto& per_ic : f.abc) {
        for (const auto& abc : per_ic) total += abc.size() / 3;
    }
    s.a.reserve(total);
    s.b.reserve(total);
    s.c.reserve(total);
    for (int ic = 1; ic <= 3; ++ic) {
        for (int alpha = 0; alpha <= 5; ++alpha) {
            const auto i = static_cast<std::size_t>(ic), al = static_cast<std::size_t>(alpha);
            if (!f.present[i][al]) break;
            const std::vector<double>& abc = f.abc[i][al];
            const std::size_t n = abc.size() / 3;
            if (n == 0) continue;
            const std::size_t off = s.a.size();
            for (std::size_t k = 0; k < n; k += chunk_terms) {
                s.chunk.push_back({ic, alpha, off + k, std::min(chunk_terms, n - k)});
            }
            for (std::size_t k = 0; k < n; ++k) {
                s.a.push_back(abc[3 * k]);
                s.b.push_back(abc[3 * k + 1]);
                s.c.push_back(abc[3 * k + 2]);
            }
        }
    }
}

// Reads the body's file. A first header of another version or body refuses the
// file (state refused with code 1 or 2); a file that cannot be read throws
// DataError naming it and the line.
void load_body(int kvers, int ibody, const std::string& name, BodySeries& s)
{
    InputFile u;
    u.text = io::read_whole(name);
    u.name = name;
    FileSeries f;
    std::string_view line;
    std::string first_name;
    bool first = true;
    while (next_line(u, line)) {
        if (trimmed(line).empty()) continue;
        const Header h = parse_header(u, line);
        s.version = h.version;
        f.present[static_cast<std::size_t>(h.ic)][static_cast<std::size_t>(h.alpha)] = true;
        std::vector<double>& terms = f.abc[static_cast<std::size_t>(h.ic)][static_cast<std::size_t>(h.alpha)];
        terms.assign(3 * static_cast<std::size_t>(h.n), 0.0);
        if (first) {
            if (h.version != kvers || h.name != body[static_cast<std::size_t>(ibody)]) {
                s.state = BodySeries::State::refused;
                s.ierr = h.version != kvers ? vsop_wrong_version : vsop_wrong_body;
                return;
            }
            first = false;
            first_name = h.name;
        } else if (h.name != first_name) {
            // A later series of another body means a miscounted or spliced file;
            // its terms must not be mixed into this body.
            bad_line(u, DataError::Kind::invalid,
                     "series of " + std::string(trimmed(h.name)) + " in the file of " + std::string(trimmed(first_name)));
        }
        for (int k = 1; k <= h.n; ++k) {
            if (!next_line(u, line)) {
                bad_line(u, DataError::Kind::end_of_file,
                         "file ends inside a series (term " + std::to_string(k) + " of " + std::to_string(h.n) +
                             " missing)");
            }
            parse_term(u, line, terms.data() + 3 * static_cast<std::size_t>(k - 1));
        }
    }
    // A file without a single series would give zero positions as if valid.
    if (first) bad_line(u, DataError::Kind::end_of_file, "the file holds no series");
    // Every published file holds the power-0 series of all three coordinates; a
    // file cut short at a series boundary would otherwise give zero Y or Z
    // coordinates as if they were valid.
    for (int ic = 1; ic <= 3; ++ic) {
        if (!f.present[static_cast<std::size_t>(ic)][0]) {
            bad_line(u, DataError::Kind::end_of_file,
                     "no series of coordinate " + std::to_string(ic) + " (the file is incomplete)");
        }
    }
    build_series(f, s);
    s.state = BodySeries::State::loaded;
}

// The chunk sums of one body at one instant: at most this many chunks (18
// series of at most 2048 terms in chunks of 256).
constexpr std::size_t max_chunks = 18 * (max_terms / chunk_terms);

// Sum of all series of one body at time t (thousands of Julian years).
//
// The chunks are divided among the threads in static contiguous blocks; each
// thread keeps the sums of its chunks in their own slots (no two threads write the
// same slot), and after the parallel region has joined, the slots are added in
// chunk order. So the result does not depend on the thread count, nor on which
// thread finishes first, which a running sum added under an atomic section would.
// The slots are a local array of the calling thread.
std::array<double, 3> evaluate(const BodySeries& s, double t)
{
    const std::array<double, 6> tp{1.0, t, t * t, t * t * t, t * t * t * t, t * t * t * t * t};
    const auto nchunk = static_cast<std::ptrdiff_t>(s.chunk.size());
    std::array<double, max_chunks> out;
    const auto chunk_sum = [&](std::ptrdiff_t i) {
        const BodySeries::Segment& g = s.chunk[static_cast<std::size_t>(i)];
        out[static_cast<std::size_t>(i)] = term_sum(s.a.data() + g.off, s.b.data() + g.off, s.c.data() + g.off,
                                                    static_cast<std::ptrdiff_t>(g.n), t);
    };
    // Below the threshold no parallel region is entered at all: even one that
    // runs on the calling thread alone costs a wake-up of the runtime.
    if (s.a.size() < parallel_min_terms) {
        for (std::ptrdiff_t i = 0; i < nchunk; ++i) chunk_sum(i);
    } else {
#pragma omp parallel for schedule(static)
        for (std::ptrdiff_t i = 0; i < nchunk; ++i) chunk_sum(i);
    }
    std::array<double, 3> sum{};
    for (std::size_t i = 0; i < s.chunk.size(); ++i) {
        const BodySeries::Segment& g = s.chunk[i];
        sum[static_cast<std::size_t>(g.ic - 1)] += tp[static_cast<std::size_t>(g.alpha)] * out[i];
    }
    return sum;
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

FullSeries load_full_series(int kvers, const std::array<bool, max_body + 1>& wanted)
{
    FullSeries fs;
    fs.kvers_ = kvers;
    for (int j = 1; j <= max_body; ++j) {
        if (!wanted[static_cast<std::size_t>(j)]) continue;
        BodySeries& s = fs.bodies_[static_cast<std::size_t>(j)];
        const std::string name = vsop_file(kvers, j);
        if (name.empty()) {
            s.state = BodySeries::State::no_file;
            continue;
        }
        try {
            load_body(kvers, j, name, s);
        } catch (...) {
            // Kept until the body is evaluated: a run that fails on a data
            // file fails where it would first have read it.
            s = BodySeries{};
            s.state = BodySeries::State::failed;
            s.error = std::current_exception();
        }
    }
    return fs;
}

Vsop87Sum vsop87z(const FullSeries& fs, double jde, int ibody)
{
    Vsop87Sum res;
    res.ierr = vsop_no_series;
    if (ibody < 1 || ibody > max_body) return res;
    const BodySeries& s = fs.body(ibody);
    switch (s.state) {
    case BodySeries::State::absent:
        throw std::logic_error("VSOP87 series of body " + std::to_string(ibody) + " were not loaded for this run");
    case BodySeries::State::failed:
        std::rethrow_exception(s.error);
    case BodySeries::State::refused:
        res.ierr = s.ierr;
        return res;
    case BodySeries::State::no_file:
        return res;
    case BodySeries::State::loaded:
        break;
    }
    res.ierr = vsop_ok;
    const double t = (jde - jd2000) / days_per_millennium;
    const std::array<double, 3> sum = evaluate(s, t);
    std::array<double, 6>& r = res.r;
    r[0] = sum[0];
    r[1] = sum[1];
    r[2] = sum[2];

    // Post-processing by the version digit of the file, as the published format
    // defines it; for the A and C sets (1 and 3) nothing changes.
    const int v = s.version;
    if (v != 0) {
        for (std::size_t i = 3; i < 6; ++i) r[i] /= days_per_millennium;
    }
    if (v == 2 || v == 4) r[0] = reduce_2pi(r[0]);
    if (v == 0) r[1] = reduce_2pi(r[1]);
    return res;
}

BodyPosition vsop2(const FullSeries& fs, double jde, int ibody, int kout)
{
    if (ibody >= 1 && ibody <= max_body && fs.body(ibody).state == BodySeries::State::no_file) {
        report(kout, "  In VSOP2: no VSOP87 file for version " + std::to_string(fs.kvers()) + " and body " +
                         std::to_string(ibody) + "\n");
    }
    const Vsop87Sum z = vsop87z(fs, jde, ibody);
    BodyPosition p;
    p.xyz = {z.r[0], z.r[1], z.r[2]};
    std::array<double, 3> lbr{};
    kugelko(p.xyz.x, p.xyz.y, p.xyz.z, lbr);
    p.lbr = {lbr[0], lbr[1], lbr[2]};
    p.ierr = z.ierr;
    if (p.ierr != vsop_ok) report_ierr(kout, p.ierr);
    return p;
}

LightTime vsop2tr(const FullSeries& fs, double jde, int ibody, double tau, double tol, int kout)
{
    if (ibody < 1 || ibody > 2) {
        LightTime r;
        r.lt = tau;
        r.ierr = vsop_no_series;
        report_ierr(kout, r.ierr);
        return r;
    }
    return light_time([&](double t, int j) { return vsop2(fs, t, j, kout); }, jde, ibody, tau, tol);
}

} // namespace r7
