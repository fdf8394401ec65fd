#include "transit/series.hpp"

#include <algorithm>
#include <array>
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

namespace r7 {
namespace {

// Index range of the series table.
constexpr int ser_lo = -180;
constexpr int ser_hi = 170;

// Repeat cycle of the series [d], look-back of the building run (series below
// the current one that a transit may continue) and the valid series numbers,
// per planet (1 Mercury, 2 Venus).
constexpr std::array<double, 3> cycle_days{0.0, 16802.2, 88756.13};
constexpr std::array<int, 3> look_back{0, 15, 7};
constexpr std::array<int, 3> valid_first{0, -150, -6};
constexpr std::array<int, 3> valid_last{0, 154, 19};

// The start instant of the pass while no transit has fixed it.
constexpr double series_start_unset = 99.99;

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
std::size_t planet_index(int p) { return static_cast<std::size_t>(p); }

// Reads one row "s0, five JDEs" into ser(s0 .. s0+4, p) and checks its number.
void read_row(io::FreeReader& in, int s0, int p, SeriesTable& ser)
{
    int number = 0;
    double v[5] = {};
    in.read({&number, &v[0], &v[1], &v[2], &v[3], &v[4]});
    if (number != s0) {
        throw DataError(DataError::Kind::invalid, in.name(), in.line(),
                        "file " + in.name() + ", line " + std::to_string(in.line()) + ": series row " +
                            std::to_string(number) + " where row " + std::to_string(s0) + " was expected");
    }
    for (int i = 0; i < 5; ++i) ser(s0 + i, p) = v[i];
}

} // namespace

double series_cycle(int p) { return cycle_days[planet_index(p)]; }
int first_series(int p) { return valid_first[planet_index(p)]; }
int last_series(int p) { return valid_last[planet_index(p)]; }

SeriesTable read_ser(const std::string& file)
{
    SeriesTable ser{};
    io::FreeReader in(file);
    in.skip_lines(5);
    for (int r = 0; r < mer_rows; ++r) read_row(in, mer_first + 5 * r, 1, ser);
    in.skip_lines(4);
    for (int r = 0; r < ven_rows; ++r) read_row(in, ven_first + 5 * r, 2, ser);
    return ser;
}

void TransitSeries::start_pass()
{
    ase_.fill(0.0);
    ise_.fill(0);
    ismax_ = series_max_unset;
    iscur_ = 0;
    numbering_ = false;
    zstart_ = series_start_unset;
    told_full_ = false;
}

// True when jde lies within 10 days of a whole, non-negative number of cycles
// after the first transit of series s, which the table must have (a first
// transit up to 10 days after jde is the transit itself). A transit one cycle
// or more before a series begins is none of its transits.
bool TransitSeries::fits_cycle(int p, int s, double jde) const
{
    if (!in_store(s)) return false;
    const double first = ser_(s, p);
    if (first == 0.0 || first >= venus_sentinel) return false;
    const double c = series_cycle(p);
    const double x = (jde - first) / c;
    const double n = std::round(x);
    return n >= 0.0 && std::abs((x - n) * c) < 10.0;
}

// Records series s as seen at jde.
void TransitSeries::assign(int s, double jde)
{
    ise_(s) = 1;
    ase_(s) = jde;
}

// The building run looks back over the series below the current one for a
// series the transit continues: it fits the series' cycle, and lies within 2
// days of one cycle after the series' last transit in this run, or the series
// has not been seen yet. The highest such series is given (true).
bool TransitSeries::continues_series(int p, double jde, int& iser)
{
    const int first_valid = first_series(p);
    const double c = series_cycle(p);
    const double z = std::max(zstart_, cycle_base);
    if (jde - z > 100.0 + c) {
        // The run has gone on for more than one cycle: every series up to the
        // current one counts as seen.
        for (int s = std::max(first_valid, ser_lo); s <= std::min(iscur_, ser_hi); ++s) ise_(s) = 1;
    }
    int found = no_series;
    for (int s = iscur_ - look_back[planet_index(p)]; s <= iscur_; ++s) {
        if (fits_cycle(p, s, jde) && (std::abs(jde - ase_(s) - c) < 2.0 || ise_(s) == 0)) found = s;
    }
    if (found == no_series) return false;
    if (found > ismax_) ismax_ = found;
    assign(found, jde);
    iser = found;
    return true;
}

// The building run: the number of a new series, above the highest one assigned
// so far.
int TransitSeries::new_series_number() const
{
    if (ismax_ != series_max_unset && iscur_ <= ismax_) return ismax_ + 1;
    return iscur_;
}

// Opens series n with this transit; returns its number. When no valid number is
// left, the transit gets none rather than one the series file cannot hold, and
// the run says so once.
int TransitSeries::open_series(int p, double jde, int n)
{
    const int first_valid = first_series(p);
    const int last_valid = last_series(p);
    if (n < first_valid || n > last_valid || !in_store(n)) {
        if (!told_full_) {
            told_full_ = true;
            char from[16];
            std::snprintf(from, sizeof from, "%.1f", jde);
            io::units().put_all(std::string("\n  ---->  ") + (p == 1 ? "Mercury" : "Venus") + " series numbers " +
                                std::to_string(first_valid) + " to " + std::to_string(last_valid) +
                                " are used up: new series from JDE " + from + " on get 999.\n\n");
        }
        return no_series;
    }
    ismax_ = n;
    iscur_ = n;
    ser_(n, p) = jde;
    assign(n, jde);
    return n;
}

int TransitSeries::series_by_date(int ibody, double jde) const
{
    if (jde < span_first || jde > span_last) return no_series;
    // The run that built the table opened a new series exactly at a transit that
    // continued none of the series before it; that series fits the transit with
    // zero cycles and outnumbers every older series the transit also fits.
    for (int s = last_series(ibody); s >= first_series(ibody); --s) {
        if (fits_cycle(ibody, s, jde)) return s;
    }
    return no_series;
}

int TransitSeries::tserie(int ibody, double jde, int menu_choice)
{
    const int p = ibody;
    // The first transit of the pass fixes its start.
    if (std::abs(zstart_ - series_start_unset) < 1e-10) zstart_ = jde;
    if (menu_choice != series_build_run) return series_by_date(p, jde);
    // The building run numbers from the first valid number, so that the whole
    // span fits the valid range.
    if (!numbering_) {
        numbering_ = true;
        iscur_ = first_series(p);
    }
    int iser = no_series;
    if (continues_series(p, jde, iser)) return iser;
    return open_series(p, jde, new_series_number());
}

std::string series_file_text(const SeriesTable& ser)
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
        out += io::fmt("(I4,5f15.5)", {s0, ser(s0, 1), ser(s0 + 1, 1), ser(s0 + 2, 1), ser(s0 + 3, 1), ser(s0 + 4, 1)});
    }
    out += ruler;
    out += io::fmt("(35x,a7)", {"(Venus)"});
    out += io::fmt(head, {"S-No.      JDE", "JDE", "JDE", "JDE", "JDE"});
    out += ruler;
    for (int r = 0; r < ven_rows - 1; ++r) {
        const int s0 = ven_first + 5 * r;
        out += io::fmt("(I4,5f15.5)", {s0, ser(s0, 2), ser(s0 + 1, 2), ser(s0 + 2, 2), ser(s0 + 3, 2), ser(s0 + 4, 2)});
    }
    const int s0 = ven_first + 5 * (ven_rows - 1);
    out += io::fmt("(I4,4f15.5,e15.1)",
                   {s0, ser(s0, 2), ser(s0 + 1, 2), ser(s0 + 2, 2), ser(s0 + 3, 2), ser(s0 + 4, 2)});
    out += ruler;
    out += "\n";
    return out;
}

void save_ser(const SeriesTable& ser)
{
    // The last Venus field bounds the search for the first Venus series.
    SeriesTable written = ser;
    written(valid_last[2], 2) = venus_sentinel;
    const std::string text = series_file_text(written);

    // Write beside the target and rename, so that no half-written file remains.
    const std::string final_name = "inser-2.t";
    if (const std::string why = io::write_file_atomic(final_name, text); !why.empty())
        throw RunStop(exit_output, "the file " + final_name + " could not be written: " + why);
}

} // namespace r7
