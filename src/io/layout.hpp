// Record layouts. A layout is written exactly as the report quotes it, e.g.
// "(1x,a2,i7,f14.5,f10.3)", and applied to a list of values:
//   nx      n blanks
//   iw      integer right-justified in w columns (iw.m: at least m digits)
//   fw.d    fixed point, rounded, "0" before the point only where there is room,
//           the point written even when d is 0 ("12.")
//   ew.d    0.ddddE+xx;  with 1p: d.dddE+xx
//   aw, a   text in w columns (cut to the first w, padded on the left) or as is
//   'text'  literal text ('' inside stands for one quote)
//   /       ends the record
//   n(...)  group repeated n times; n('c') or n'c' the text n times
//   :       stops the record when no values are left
// A number that does not fit its field is written as w asterisks. When the values
// outlast the layout, writing goes on in a new record from the last opening
// parenthesis at the outermost level (or from the start when there is none).
// Each record ends with '\n' in the result.
#pragma once

#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace r7::io {

// One value for a layout: integers go to i fields, reals to f and e fields, texts
// to a fields.
using Value = std::variant<long long, double, std::string_view>;

struct Arg {
    Value v;
    Arg(int x) : v(static_cast<long long>(x)) {}
    Arg(long x) : v(static_cast<long long>(x)) {}
    Arg(long long x) : v(x) {}
    Arg(double x) : v(x) {}
    Arg(std::string_view x) : v(x) {}
    Arg(const char* x) : v(std::string_view(x)) {}
    Arg(const std::string& x) : v(std::string_view(x)) {}
};

class Layout {
public:
    // Layout: the parsed form of a layout text.
    // Takes:    the layout text, e.g. "(1x,a2,i7,f14.5,f10.3)".
    // Returns:  the layout, ready to write values.
    // Notes:    1. A malformed layout throws std::invalid_argument naming the
    //              layout and the column.
    explicit Layout(std::string_view text);
    ~Layout();
    Layout(Layout&&) noexcept;
    Layout& operator=(Layout&&) noexcept;

    // write: the records of a list of values in this layout.
    // Takes:    the values (integers, reals, texts).
    // Returns:  the records, each ended by '\n'.
    // Notes:    1. Integers go to i fields and also to f and e fields, reals to f
    //              and e fields, texts to a fields; a value of another type for
    //              its field, or values for a layout without fields, throw
    //              std::invalid_argument naming the layout.
    //           2. Writing ends at the first field left without a value (texts
    //              before it are still written) or at a colon once the values are
    //              used up; values left at the end of the layout go on in a new
    //              record, as the file comment says.
    std::string write(std::span<const Arg> values) const;

    // write_to: the same records, appended to a string.
    // Takes:    the string out, the values.
    // Returns:  nothing; the records are appended to out.
    // Notes:    1. As write.
    void write_to(std::string& out, std::span<const Arg> values) const;

    struct Impl;
private:
    std::unique_ptr<Impl> impl_;
};

// layout: the parsed layout of a layout text.
// Takes:    the layout text.
// Returns:  the layout, kept for the life of the process.
// Notes:    1. Each text is parsed on its first use and kept in a cache that any
//              thread may use (guarded by a mutex).
//           2. A malformed layout throws std::invalid_argument (and is not kept).
const Layout& layout(std::string_view text);

// fmt: the values formatted with a layout text.
// Takes:    the layout text, the values (none for a layout of texts alone).
// Returns:  the records, each ended by '\n': fmt("(1x,a2,i7)", "->", 4519) is
//           " ->   4519\n".
// Notes:    1. As Layout::write, with the layout from the cache (layout).
std::string fmt(std::string_view layout_text, std::initializer_list<Arg> values);
inline std::string fmt(std::string_view layout_text) { return fmt(layout_text, {}); }

// free_form: list-directed ("free-form") output of values.
// Takes:    the values.
// Returns:  one record ended by '\n': one leading blank, then the values side by
//           side.
// Notes:    1. Texts are written as they are; each number follows a blank
//              (the leading blank serves a first number), integers right-
//              justified in 11 columns, reals with 17 significant digits in 25
//              columns (%25.17G); a text after a number follows a blank.
std::string free_form(std::initializer_list<Arg> values);

} // namespace r7::io
