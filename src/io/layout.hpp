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
    // Parses the layout; throws std::invalid_argument on a malformed layout.
    explicit Layout(std::string_view text);
    ~Layout();
    Layout(Layout&&) noexcept;
    Layout& operator=(Layout&&) noexcept;

    // Writes the values and returns the records, each ended by '\n'.
    std::string write(std::span<const Arg> values) const;
    // Appends to out instead of returning a new string.
    void write_to(std::string& out, std::span<const Arg> values) const;

    struct Impl;
private:
    std::unique_ptr<Impl> impl_;
};

// The parsed layout for a text, parsed on first use and kept (thread-safe).
const Layout& layout(std::string_view text);

// Formats the values with the layout text: fmt("(1x,a2,i7)", "->", 4519).
std::string fmt(std::string_view layout_text, std::initializer_list<Arg> values);
inline std::string fmt(std::string_view layout_text) { return fmt(layout_text, {}); }

// List-directed ("free-form") output: one leading blank, then the values side by
// side (texts as they are; numbers in the conventional list-directed widths).
// Returns one record ended by '\n'.
std::string free_form(std::initializer_list<Arg> values);

} // namespace r7::io
