#include "transit/series.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "io/error.hpp"
#include "io/freeread.hpp"
#include "io/layout.hpp"
#include "io/safefile.hpp"
#include "io/units.hpp"
#include "state/slots.hpp"
#include "state/store.hpp"

namespace r7 {
namespace {

// Index range of the series store.
constexpr int ser_lo = -180;
constexpr int ser_hi = 170;

// A transit outside this JDE span gets no series number (about -13000 to 17000).
constexpr double span_first = -3027458.0;
constexpr double span_last = 7930548.0;
// The cycle check of a long run starts at this JDE at the earliest.
constexpr double cycle_base = -3027093.0;

// Rows of the file: Mercury series -150..154, Venus -10..19, five to a row.
constexpr int mer_first = -150, mer_rows = 61;
constexpr int ven_first = -10, ven_rows = 6;

constexpr double venus_sentinel = 1e12;

bool in_store(int s) { return s >= ser_lo && s <= ser_hi; }

// Reads one row "s0, five JDEs" into ser(s0 .. s0+4, p) and checks its number.
void read_row(io::FreeReader& in, int s0, int p)
{
    int number = 0;
    double v[5] = {};
    in.read({&number, &v[0], &v[1], &v[2], &v[3], &v[4]});
    if (number != s0) {
        throw DataError(DataError::Kind::invalid, in.name(), in.line(),
                        "file " + in.name() + ", line " + std::to_string(in.line()) + ": series row " +
                            std::to_string(number) + " where row " + std::to_string(s0) + " was expected");
    }
    for (int i = 0; i < 5; ++i) astro.ser(s0 + i, p) = v[i];
}

} // namespace

void read_ser(const std::string& file)
{
    // Read into a copy first, so that a broken file leaves the table untouched.
    const auto saved = astro.ser;
    try {
        io::FreeReader in(file);
        in.skip_lines(5);
        for (int r = 0; r < mer_rows; ++r) read_row(in, mer_first + 5 * r, 1);
        in.skip_lines(4);
        for (int r = 0; r < ven_rows; ++r) read_row(in, ven_first + 5 * r, 2);
    } catch (...) {
        astro.ser = saved;
        throw;
    }
}

namespace {

// The run that builds the table starts numbering at the first valid number, so
// that the whole span fits the valid range.
void start_numbering(int p, int& iscur)
{
    if (astro.isflag == 0) {
        astro.isflag = 1;
        iscur = Astro::jj(2 * p - 1);
    }
}

// True when jde lies within 10 days of a whole, non-negative number of cycles
// after the first transit of series s, which the table must have (a first
// transit up to 10 days after jde is the transit itself). A transit one cycle
// or more before a series begins is none of its transits.
bool fits_cycle(int p, int s, double jde)
{
    if (!in_store(s)) return false;
    const double first = astro.ser(s, p);
    if (first == 0.0 || first >= venus_sentinel) return false;
    const double c = Astro::cc(p);
    const double x = (jde - first) / c;
    const double n = std::round(x);
    return n >= 0.0 && std::abs((x - n) * c) < 10.0;
}

// Gives the transit series s and records it as seen at jde.
void assign(int s, double jde, int& iser)
{
    iser = s;
    astro.ise(s) = 1;
    astro.ase(s) = jde;
}

// The building run looks back over the series below the current one for a
// series the transit continues: it fits the series' cycle, and lies within 2
// days of one cycle after the series' last transit in this run, or the series
// has not been seen yet. The highest such series is given (true).
bool continues_series(int p, double jde, int iscur, int& iser)
{
    const int first_valid = Astro::jj(2 * p - 1);
    const double c = Astro::cc(p);
    const double z = std::max(astro.zstart, cycle_base);
    if (jde - z > 100.0 + c) {
        // The run has gone on for more than one cycle: every series up to the
        // current one counts as seen.
        for (int s = std::max(first_valid, ser_lo); s <= std::min(iscur, ser_hi); ++s) astro.ise(s) = 1;
    }
    int found = no_series;
    for (int s = iscur - Astro::ji(p); s <= iscur; ++s) {
        if (fits_cycle(p, s, jde) && (std::abs(jde - astro.ase(s) - c) < 2.0 || astro.ise(s) == 0)) found = s;
    }
    if (found == no_series) return false;
    if (found > astro.ismax) astro.ismax = found;
    assign(found, jde, iser);
    return true;
}

// The building run: the number of a new series, above the highest one assigned
// so far.
int new_series_number(int iscur)
{
    if (astro.ismax != series_max_unset && iscur <= astro.ismax) return astro.ismax + 1;
    return iscur;
}

// Opens series n with this transit. When no valid number is left, the transit
// gets none rather than one the series file cannot hold, and the run says so
// once.
void open_series(int p, double jde, int n, int& iscur, int& iser)
{
    const int first_valid = Astro::jj(2 * p - 1);
    const int last_valid = Astro::jj(2 * p);
    if (n < first_valid || n > last_valid || !in_store(n)) {
        iser = no_series;
        if (astro.isfull == 0) {
            astro.isfull = 1;
            char from[16];
            std::snprintf(from, sizeof from, "%.1f", jde);
            io::units().put_all(std::string("\n  ---->  ") + (p == 1 ? "Mercury" : "Venus") + " series numbers " +
                                std::to_string(first_valid) + " to " + std::to_string(last_valid) +
                                " are used up: new series from JDE " + from + " on get 999.\n\n");
        }
        return;
    }
    astro.ismax = n;
    iscur = n;
    astro.ser(n, p) = jde;
    assign(n, jde, iser);
}

} // namespace

int series_by_date(int ibody, double jde)
{
    if (jde < span_first || jde > span_last) return no_series;
    // The run that built the table opened a new series exactly at a transit that
    // continued none of the series before it; that series fits the transit with
    // zero cycles and outnumbers every older series the transit also fits.
    for (int s = Astro::jj(2 * ibody); s >= Astro::jj(2 * ibody - 1); --s) {
        if (fits_cycle(ibody, s, jde)) return s;
    }
    return no_series;
}

void tserie(int ibody, double jde, int& iscur, int menu_choice, int& iser)
{
    const int p = ibody;
    // The first transit of the run fixes its start.
    if (std::abs(astro.zstart - series_start_unset) < 1e-10) astro.zstart = jde;
    if (menu_choice != series_build_run) {
        iser = series_by_date(p, jde);
        return;
    }
    start_numbering(p, iscur);
    if (continues_series(p, jde, iscur, iser)) return;
    open_series(p, jde, new_series_number(iscur), iscur, iser);
}

std::string series_file_text()
{
    const std::string ruler = std::string(79, '-') + "\n";
    const char* head = "(a14,4(12x,a3))";
    std::string out;
    out += io::fmt("(9x,a21,a42/6x,a10,a58)",
                   {"Julian Ephemeris Day ", "of each first transit in a series (S-No.),", "to be used",
                    " for the years -13000 BC to 17000 AD, VSOP87C full version"});
    out += io::fmt("(34x,a9)", {"(Mercury)"});
    out += io::fmt(head, {"S-No.      JDE", "JDE", "JDE", "JDE", "JDE"});
    out += ruler;
    for (int r = 0; r < mer_rows; ++r) {
        const int s0 = mer_first + 5 * r;
        out += io::fmt("(I4,5f15.5)", {s0, astro.ser(s0, 1), astro.ser(s0 + 1, 1), astro.ser(s0 + 2, 1),
                                       astro.ser(s0 + 3, 1), astro.ser(s0 + 4, 1)});
    }
    out += ruler;
    out += io::fmt("(35x,a7)", {"(Venus)"});
    out += io::fmt(head, {"S-No.      JDE", "JDE", "JDE", "JDE", "JDE"});
    out += ruler;
    for (int r = 0; r < ven_rows - 1; ++r) {
        const int s0 = ven_first + 5 * r;
        out += io::fmt("(I4,5f15.5)", {s0, astro.ser(s0, 2), astro.ser(s0 + 1, 2), astro.ser(s0 + 2, 2),
                                       astro.ser(s0 + 3, 2), astro.ser(s0 + 4, 2)});
    }
    const int s0 = ven_first + 5 * (ven_rows - 1);
    out += io::fmt("(I4,4f15.5,e15.1)", {s0, astro.ser(s0, 2), astro.ser(s0 + 1, 2), astro.ser(s0 + 2, 2),
                                         astro.ser(s0 + 3, 2), astro.ser(s0 + 4, 2)});
    out += ruler;
    out += "\n";
    return out;
}

void save_ser()
{
    // The last Venus field bounds the search for the first Venus series.
    astro.ser(19, 2) = venus_sentinel;
    const std::string text = series_file_text();

    // Write beside the target and rename, so that no half-written file remains.
    const std::string final_name = "inser-2.t";
    if (const std::string why = io::write_file_atomic(final_name, text); !why.empty())
        throw RunStop(exit_output, "the file " + final_name + " could not be written: " + why);
}

} // namespace r7
