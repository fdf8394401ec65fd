// The record-layout engine. A layout text is parsed once into a flat list of
// operations (groups become begin/end pairs with a repeat count); writing walks
// that list with a small counter stack. Numbers are converted with std::to_chars,
// which rounds the exact binary value to the nearest printed digit (ties to even
// digit, as printf does), so a value prints exactly as the classic Fortran
// runtime prints it.
//
// Deliberate choices where Fortran runtimes differ or fail:
//  - a value that rounds to zero is printed without a minus sign ("0.000", not
//    "-0.000"), and so is a negative zero;
//  - a group that holds no data field (e.g. 23('-')) is unrolled into its
//    texts when parsed, so it is never a point to return to when the values
//    outlast the layout; the return point is the last group with data fields;
//  - blanks from nx that end a record are not written (a record ends at its
//    last character), as in Fortran.
#include "io/layout.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace r7::io {

namespace {

enum class Op : std::uint8_t {
    text,     // literal text from the pool
    blanks,   // n blanks (count in w)
    slash,    // end of record
    colon,    // stop when no values are left
    scale,    // scale factor k (in d)
    int_,     // iw.m
    fixed,    // fw.d
    expo,     // ew.d[Ee] / dw.d
    alpha,    // aw
    alpha0,   // a
    begin,    // group start: rep = count, jump = index of its end
    end,      // group end: jump = index of its begin
};

struct Item {
    Op op;
    char letter = 'E'; // exponent letter of expo
    int rep = 1;       // repeat count of a data field or group
    int w = 0;
    int d = 0;         // digits after the point, minimum digits (i), scale factor
    int e = 0;         // exponent digits (0: default)
    int jump = 0;
    std::uint32_t off = 0, len = 0; // text in the pool
};

constexpr int max_depth = 16;
constexpr int max_items = 100000;

bool is_data(Op op) {
    return op == Op::int_ || op == Op::fixed || op == Op::expo || op == Op::alpha ||
           op == Op::alpha0;
}

[[noreturn]] void bad_layout(std::string_view text, const std::string& why) {
    throw std::invalid_argument("record layout \"" + std::string(text) + "\": " + why);
}

} // namespace

struct Layout::Impl {
    std::string source;
    std::vector<Item> items;
    std::string pool;
    int revert = 0;       // where writing resumes when the values outlast the layout
    bool has_data = false;
    int depth = 0;        // deepest group nesting

    void write(std::string& out, std::span<const Arg> values) const;
};

// ---------------------------------------------------------------------------
// Parsing
// ---------------------------------------------------------------------------
namespace {

class Parser {
public:
    Parser(std::string_view text, Layout::Impl& impl) : src_(text), impl_(impl) {}

    void parse() {
        skip();
        if (!eat('(')) fail("must start with '('");
        parse_list(0);
        if (!eat(')')) fail("missing ')'");
        skip();
        if (pos_ != src_.size()) fail("text after the closing ')'");
        // Resume point: the last group at the outermost level that is still a
        // group after unrolling (i.e. holds data fields), or the start.
        impl_.revert = 0;
        int level = 0;
        for (int i = 0; i < static_cast<int>(impl_.items.size()); ++i) {
            const Item& it = impl_.items[i];
            if (it.op == Op::begin) {
                if (level == 0) impl_.revert = i;
                ++level;
            } else if (it.op == Op::end) {
                --level;
            }
            if (is_data(it.op)) impl_.has_data = true;
        }
    }

private:
    std::string_view src_;
    Layout::Impl& impl_;
    std::size_t pos_ = 0;

    [[noreturn]] void fail(const std::string& why) {
        bad_layout(src_, why + " (at column " + std::to_string(pos_ + 1) + ")");
    }
    void skip() {
        while (pos_ < src_.size() && (src_[pos_] == ' ' || src_[pos_] == '\t')) ++pos_;
    }
    char peek() {
        skip();
        return pos_ < src_.size() ? src_[pos_] : '\0';
    }
    bool eat(char c) {
        if (peek() == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    static char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
    bool digit() { char c = peek(); return c >= '0' && c <= '9'; }
    // Unsigned number, blanks inside allowed (as Fortran ignores them); -1 if none.
    int number() {
        if (!digit()) return -1;
        long v = 0;
        while (digit()) {
            v = v * 10 + (src_[pos_++] - '0');
            if (v > 1000000) fail("number too large");
        }
        return static_cast<int>(v);
    }
    void push(Item it) {
        if (impl_.items.size() >= static_cast<std::size_t>(max_items)) fail("layout too long");
        impl_.items.push_back(it);
    }
    void push_text(std::string_view s, int rep) {
        for (int r = 0; r < rep; ++r) {
            if (!impl_.items.empty() && impl_.items.back().op == Op::text &&
                impl_.items.back().off + impl_.items.back().len == impl_.pool.size()) {
                impl_.items.back().len += static_cast<std::uint32_t>(s.size());
            } else {
                Item it{Op::text};
                it.off = static_cast<std::uint32_t>(impl_.pool.size());
                it.len = static_cast<std::uint32_t>(s.size());
                push(it);
            }
            impl_.pool.append(s);
            if (impl_.pool.size() > 10'000'000) fail("layout too long");
        }
    }
    std::string quoted() {
        char q = src_[pos_++];
        std::string s;
        for (;;) {
            if (pos_ >= src_.size()) fail("unterminated text");
            char c = src_[pos_++];
            if (c == q) {
                if (pos_ < src_.size() && src_[pos_] == q) {
                    s += q;
                    ++pos_;
                    continue;
                }
                return s;
            }
            s += c;
        }
    }

    // Items up to the closing ')' of the current level (not consumed).
    void parse_list(int depth) {
        if (depth >= max_depth) fail("groups nested too deeply");
        impl_.depth = std::max(impl_.depth, depth);
        // Commas between items are optional here: Fortran needs them only to
        // keep numbers apart, and the layouts are fixed texts of this program.
        for (;;) {
            char c = peek();
            if (c == '\0') fail("missing ')'");
            if (c == ')') return;
            if (c == ',') {
                ++pos_;
                continue;
            }
            if (c == '/' || c == ':') {
                ++pos_;
                push(Item{c == '/' ? Op::slash : Op::colon});
                continue;
            }
            parse_item(depth);
        }
    }

    void parse_item(int depth) {
        bool neg = false;
        if (peek() == '-' || peek() == '+') {
            neg = src_[pos_] == '-';
            ++pos_;
        }
        const int n = number();
        char c = lower(peek());
        if (neg && c != 'p') fail("sign outside a scale factor");
        if (c == 'p') {
            ++pos_;
            if (n < 0) fail("scale factor without a number");
            Item it{Op::scale};
            it.d = neg ? -n : n;
            push(it);
            return;
        }
        if (n == 0 && c != 'x') fail("repeat count 0");
        const int rep = n < 0 ? 1 : n;
        if (c == '\'' || c == '"') {
            std::string s = quoted();
            push_text(s, rep);
            return;
        }
        if (c == '/') {
            ++pos_;
            for (int r = 0; r < rep; ++r) push(Item{Op::slash});
            return;
        }
        if (c == '(') {
            ++pos_;
            const std::size_t first = impl_.items.size();
            push(Item{Op::begin});
            parse_list(depth + 1);
            if (!eat(')')) fail("missing ')'");
            bool data = false;
            for (std::size_t i = first + 1; i < impl_.items.size(); ++i)
                data = data || is_data(impl_.items[i].op);
            if (!data) {
                // Only texts, blanks, slashes, colons or scale factors: unroll.
                std::vector<Item> body(impl_.items.begin() + static_cast<long>(first) + 1,
                                       impl_.items.end());
                impl_.items.resize(first);
                for (int r = 0; r < rep; ++r)
                    for (const Item& it : body) {
                        if (it.op == Op::text)
                            push_text(std::string_view(impl_.pool).substr(it.off, it.len), 1);
                        else
                            push(it);
                    }
                return;
            }
            impl_.items[first].rep = rep;
            impl_.items[first].jump = static_cast<int>(impl_.items.size());
            Item e{Op::end};
            e.jump = static_cast<int>(first);
            push(e);
            return;
        }
        if (c == '\0') fail("unexpected end");
        ++pos_;
        Item it{Op::text};
        it.rep = rep;
        switch (c) {
        case 'x':
            it.op = Op::blanks;
            it.w = n < 0 ? 1 : n;
            it.rep = 1;
            if (it.w == 0) return;
            push(it);
            return;
        case 'i': {
            it.op = Op::int_;
            it.w = number();
            if (it.w <= 0) fail("i without a width");
            it.d = 1;
            if (eat('.')) {
                it.d = number();
                if (it.d < 0) fail("i.m without m");
            }
            break;
        }
        case 'f':
        case 'e':
        case 'd': {
            it.op = c == 'f' ? Op::fixed : Op::expo;
            it.letter = c == 'd' ? 'D' : 'E';
            it.w = number();
            if (it.w <= 0) fail(std::string(1, c) + " without a width");
            if (!eat('.')) fail(std::string(1, c) + "w.d without .d");
            it.d = number();
            if (it.d < 0 || it.d > 120) fail("bad number of digits");
            if (c == 'e' && lower(peek()) == 'e') {
                ++pos_;
                it.e = number();
                if (it.e <= 0) fail("Ee without a digit count");
            }
            break;
        }
        case 'a': {
            int w = number();
            if (w == 0) fail("a0");
            it.op = w < 0 ? Op::alpha0 : Op::alpha;
            it.w = w;
            break;
        }
        default:
            --pos_;
            fail(std::string("unknown field '") + src_[pos_] + "'");
        }
        push(it);
    }
};

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

void stars(std::string& out, int w) { out.append(static_cast<std::size_t>(w), '*'); }

// Right-justifies [s, s+n) with an optional sign in w columns.
void right(std::string& out, int w, bool minus, const char* s, std::size_t n) {
    std::size_t need = n + (minus ? 1 : 0);
    if (need > static_cast<std::size_t>(w)) {
        stars(out, w);
        return;
    }
    out.append(w - need, ' ');
    if (minus) out += '-';
    out.append(s, n);
}

bool non_finite(std::string& out, double x, int w) {
    if (std::isnan(x)) {
        if (w < 3) stars(out, w);
        else right(out, w, false, "NaN", 3);
        return true;
    }
    if (std::isinf(x)) {
        const bool neg = x < 0;
        if (w >= 8 + (neg ? 1 : 0)) right(out, w, neg, "Infinity", 8);
        else if (w >= 3 + (neg ? 1 : 0)) right(out, w, neg, "Inf", 3);
        else stars(out, w);
        return true;
    }
    return false;
}

void put_int(std::string& out, long long v, int w, int m) {
    char buf[32];
    const bool neg = v < 0;
    unsigned long long mag = neg ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    char* p = buf;
    if (mag == 0 && m == 0) {
        out.append(static_cast<std::size_t>(w), ' ');
        return;
    }
    auto r = std::to_chars(buf, buf + sizeof buf, mag);
    int nd = static_cast<int>(r.ptr - p);
    int len = std::max(nd, m) + (neg ? 1 : 0);
    if (len > w) {
        stars(out, w);
        return;
    }
    out.append(static_cast<std::size_t>(w - len), ' ');
    if (neg) out += '-';
    if (m > nd) out.append(static_cast<std::size_t>(m - nd), '0');
    out.append(buf, static_cast<std::size_t>(nd));
}

// fw.d with scale factor k (the value is shown times 10^k).
void put_fixed(std::string& out, double x, int w, int d, int k) {
    if (non_finite(out, x, w)) return;
    // A value that cannot fit is decided before converting, which also keeps
    // the conversion buffer bounded.
    double ax = std::fabs(x);
    if (k != 0) ax *= std::pow(10.0, k); // scaled output; only reached after kP
    static constexpr double pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double limit = w <= 22 ? pow10[w] : w < 300 ? std::pow(10.0, w) : 1e300;
    if (!(ax < limit) || ax >= 1e300) {
        stars(out, w);
        return;
    }
    char buf[512];
    auto r = std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::fixed, d);
    if (r.ec != std::errc()) {
        stars(out, w);
        return;
    }
    const char* s = buf;
    std::size_t n = static_cast<std::size_t>(r.ptr - buf);
    bool zero = true;
    for (std::size_t i = 0; i < n; ++i)
        if (s[i] >= '1' && s[i] <= '9') {
            zero = false;
            break;
        }
    const bool minus = x < 0 && !zero;
    // Integer part "0" is optional: written only where there is room.
    std::size_t int_len = d > 0 ? n - static_cast<std::size_t>(d) - 1 : n;
    bool lead_zero = int_len == 1 && s[0] == '0';
    std::size_t full = n + (d == 0 ? 1 : 0) + (minus ? 1 : 0);
    if (lead_zero && full > static_cast<std::size_t>(w)) {
        // drop the "0", unless nothing would be left of the number
        if (d == 0) {
            stars(out, w);
            return;
        }
        ++s;
        --n;
        --full;
    }
    if (full > static_cast<std::size_t>(w)) {
        stars(out, w);
        return;
    }
    out.append(static_cast<std::size_t>(w) - full, ' ');
    if (minus) out += '-';
    out.append(s, n);
    if (d == 0) out += '.';
}

// ew.d (or dw.d) with scale factor k.
void put_exp(std::string& out, double x, int w, int d, int edig, int k, char letter) {
    if (non_finite(out, x, w)) return;
    // significant digits: k <= 0: d + k, k > 0: d + 1 (Fortran requires -d < k < d + 2)
    const int nd = k <= 0 ? d + k : d + 1;
    if (nd <= 0 || k > d + 1) {
        stars(out, w);
        return;
    }
    char buf[160];
    const double ax = std::fabs(x);
    int expo = 0;
    char* digits = buf;
    if (ax == 0) {
        for (int i = 0; i < nd; ++i) buf[i] = '0';
    } else {
        char tmp[160];
        auto r = std::to_chars(tmp, tmp + sizeof tmp, ax, std::chars_format::scientific, nd - 1);
        if (r.ec != std::errc()) {
            stars(out, w);
            return;
        }
        // tmp: d[.ddd]e±xx
        const char* p = tmp;
        int j = 0;
        while (p < r.ptr && *p != 'e') {
            if (*p != '.') buf[j++] = *p;
            ++p;
        }
        int ex = 0;
        std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), r.ptr, ex);
        expo = ex + 1 - k; // value = 0.ddd * 10^(ex+1)
    }
    const bool minus = x < 0 && ax != 0;
    // exponent part
    char ebuf[16];
    int elen = 0;
    const int ae = std::abs(expo);
    if (edig == 0) {
        if (ae <= 99) {
            ebuf[elen++] = letter;
            ebuf[elen++] = expo < 0 ? '-' : '+';
            ebuf[elen++] = static_cast<char>('0' + ae / 10);
            ebuf[elen++] = static_cast<char>('0' + ae % 10);
        } else if (ae <= 999) {
            ebuf[elen++] = expo < 0 ? '-' : '+';
            ebuf[elen++] = static_cast<char>('0' + ae / 100);
            ebuf[elen++] = static_cast<char>('0' + ae / 10 % 10);
            ebuf[elen++] = static_cast<char>('0' + ae % 10);
        } else {
            stars(out, w);
            return;
        }
    } else {
        char t[12];
        auto r = std::to_chars(t, t + sizeof t, ae);
        int tl = static_cast<int>(r.ptr - t);
        if (tl > edig || edig > 9) {
            stars(out, w);
            return;
        }
        ebuf[elen++] = letter;
        ebuf[elen++] = expo < 0 ? '-' : '+';
        for (int i = tl; i < edig; ++i) ebuf[elen++] = '0';
        for (int i = 0; i < tl; ++i) ebuf[elen++] = t[i];
    }
    // mantissa
    char mant[160];
    int ml = 0;
    bool lead_zero = false;
    if (k <= 0) {
        mant[ml++] = '0';
        lead_zero = true;
        mant[ml++] = '.';
        for (int i = 0; i < -k; ++i) mant[ml++] = '0';
        for (int i = 0; i < nd; ++i) mant[ml++] = digits[i];
    } else {
        for (int i = 0; i < k; ++i) mant[ml++] = digits[i];
        mant[ml++] = '.';
        for (int i = k; i < nd; ++i) mant[ml++] = digits[i];
    }
    int full = ml + elen + (minus ? 1 : 0);
    const char* m = mant;
    if (full > w && lead_zero) {
        ++m;
        --ml;
        --full;
    }
    if (full > w) {
        stars(out, w);
        return;
    }
    out.append(static_cast<std::size_t>(w - full), ' ');
    if (minus) out += '-';
    out.append(m, static_cast<std::size_t>(ml));
    out.append(ebuf, static_cast<std::size_t>(elen));
}

const char* type_name(const Value& v) {
    switch (v.index()) {
    case 0: return "an integer";
    case 1: return "a real";
    default: return "a text";
    }
}

[[noreturn]] void bad_value(const std::string& src, const Value& v, char field) {
    throw std::invalid_argument("record layout \"" + src + "\": " + type_name(v) +
                                " cannot be written with an " + field + " field");
}

} // namespace

void Layout::Impl::write(std::string& out, std::span<const Arg> values) const {
    const std::size_t nv = values.size();
    if (nv > 0 && !has_data)
        bad_layout(source, "values given but the layout has no field for them");
    std::array<int, max_depth + 1> count{};
    int depth = 0;
    std::size_t vi = 0;
    int k = 0;             // scale factor
    std::size_t pend = 0;  // blanks from nx not yet written
    const int n_items = static_cast<int>(items.size());
    int pc = 0;
    for (;;) {
        if (pc == n_items) {
            if (vi >= nv) break;
            out += '\n';
            pend = 0;
            depth = 0;
            pc = revert;
            continue;
        }
        const Item& it = items[pc];
        switch (it.op) {
        case Op::text:
            if (pend) {
                out.append(pend, ' ');
                pend = 0;
            }
            out.append(pool, it.off, it.len);
            ++pc;
            continue;
        case Op::blanks:
            pend += static_cast<std::size_t>(it.w);
            ++pc;
            continue;
        case Op::slash:
            out += '\n';
            pend = 0;
            ++pc;
            continue;
        case Op::colon:
            if (vi >= nv) goto done;
            ++pc;
            continue;
        case Op::scale:
            k = it.d;
            ++pc;
            continue;
        case Op::begin:
            count[depth++] = it.rep;
            ++pc;
            continue;
        case Op::end:
            if (--count[depth - 1] > 0) {
                pc = it.jump + 1;
            } else {
                --depth;
                ++pc;
            }
            continue;
        default:
            break;
        }
        // data fields
        for (int r = 0; r < it.rep; ++r) {
            if (vi >= nv) goto done;
            if (pend) {
                out.append(pend, ' ');
                pend = 0;
            }
            const Value& v = values[vi++].v;
            switch (it.op) {
            case Op::int_:
                if (auto p = std::get_if<long long>(&v)) put_int(out, *p, it.w, it.d);
                else bad_value(source, v, 'i');
                break;
            case Op::fixed:
            case Op::expo: {
                double x;
                if (auto p = std::get_if<double>(&v)) x = *p;
                else if (auto q = std::get_if<long long>(&v)) x = static_cast<double>(*q);
                else bad_value(source, v, it.op == Op::fixed ? 'f' : 'e');
                if (it.op == Op::fixed) put_fixed(out, x, it.w, it.d, k);
                else put_exp(out, x, it.w, it.d, it.e, k, it.letter);
                break;
            }
            case Op::alpha: {
                auto p = std::get_if<std::string_view>(&v);
                if (!p) bad_value(source, v, 'a');
                const std::size_t w = static_cast<std::size_t>(it.w);
                if (p->size() >= w) {
                    out.append(p->data(), w);
                } else {
                    out.append(w - p->size(), ' ');
                    out.append(*p);
                }
                break;
            }
            case Op::alpha0: {
                auto p = std::get_if<std::string_view>(&v);
                if (!p) bad_value(source, v, 'a');
                out.append(*p);
                break;
            }
            default:
                break;
            }
        }
        ++pc;
    }
done:
    out += '\n';
}

Layout::Layout(std::string_view text) : impl_(std::make_unique<Impl>()) {
    impl_->source = std::string(text);
    Parser(impl_->source, *impl_).parse();
}
Layout::~Layout() = default;
Layout::Layout(Layout&&) noexcept = default;
Layout& Layout::operator=(Layout&&) noexcept = default;

std::string Layout::write(std::span<const Arg> values) const {
    std::string out;
    impl_->write(out, values);
    return out;
}

void Layout::write_to(std::string& out, std::span<const Arg> values) const {
    impl_->write(out, values);
}

const Layout& layout(std::string_view text) {
    // Layouts are few and fixed; each is parsed once and kept for the process
    // (a pure cache: a layout parses to the same result every time; the mutex
    // lets any thread use it).
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };
    static std::mutex mu;
    static std::unordered_map<std::string, std::unique_ptr<Layout>, Hash, std::equal_to<>> cache;
    std::lock_guard<std::mutex> lock(mu);
    auto found = cache.find(text);
    if (found != cache.end()) return *found->second;
    auto parsed = std::make_unique<Layout>(text);
    const Layout& ref = *parsed;
    cache.emplace(std::string(text), std::move(parsed));
    return ref;
}

std::string fmt(std::string_view layout_text, std::initializer_list<Arg> values) {
    return layout(layout_text).write(std::span<const Arg>(values.begin(), values.size()));
}

std::string free_form(std::initializer_list<Arg> values) {
    // One leading blank; texts side by side; every number preceded by a blank
    // separator (the leading blank serves for a first number), integers right-
    // justified in 11 columns, reals with 17 significant digits in 25 columns;
    // a text after a number is separated from it by a blank.
    std::string out = " ";
    bool first = true;
    bool after_number = false;
    for (const Arg& a : values) {
        if (auto s = std::get_if<std::string_view>(&a.v)) {
            if (after_number) out += ' ';
            out.append(*s);
            after_number = false;
        } else {
            if (!first) out += ' ';
            char buf[64];
            int n;
            if (auto i = std::get_if<long long>(&a.v)) n = std::snprintf(buf, sizeof buf, "%11lld", *i);
            else n = std::snprintf(buf, sizeof buf, "%25.17G", std::get<double>(a.v));
            out.append(buf, static_cast<std::size_t>(n));
            after_number = true;
        }
        first = false;
    }
    out += '\n';
    return out;
}

} // namespace r7::io
