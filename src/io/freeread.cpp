// Free-format reading of records, the way hand-edited parameter and data files
// are written: values separated by blanks, tabs or commas, texts optionally in
// quotes, r*value repeats, a slash ends the record early. The reader keeps one
// line in memory at a time (at most max_line characters), so no input can make
// it grow without bound.
#include "io/freeread.hpp"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>

#include "io/safefile.hpp"

namespace r7::io {

namespace {

constexpr std::size_t max_line = std::size_t{1} << 20;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool ends_token(char c) { return is_blank(c) || c == ',' || c == '/'; }

// The token as shown in a message: cut and with unprintable bytes replaced.
std::string shown(std::string_view tok) {
    std::string s;
    for (char c : tok.substr(0, 40)) s += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    if (tok.size() > 40) s += "...";
    return "\"" + s + "\"";
}

std::optional<int> to_int(std::string_view t) {
    std::size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    if (i == t.size()) return std::nullopt;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return std::nullopt;
        v = v * 10 + (t[i] - '0');
        if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return std::nullopt;
    }
    v = neg ? -v : v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min()) return std::nullopt;
    return static_cast<int>(v);
}

// Any Fortran real: 1, 1., .5, -3, 1e3, 1.5d0, 1.5D+02, 1.5q0, and also the
// exponent without its letter (1.5+3). Non-finite results are refused.
std::optional<double> to_real(std::string_view t) {
    std::string s;
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-') s += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') s += t[i++], ++digits;
    if (i < t.size() && t[i] == '.') {
        s += t[i++];
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') s += t[i++], ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size()) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(t[i])));
        if (c == 'e' || c == 'd' || c == 'q') ++i;
        else if (c != '+' && c != '-') return std::nullopt;
        s += 'e';
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            if (t[i] == '-') s += '-';
            ++i;
        }
        std::size_t ed = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') s += t[i++], ++ed;
        if (ed == 0 || i != t.size()) return std::nullopt;
    }
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace

FreeReader::FreeReader(std::istream& in, std::string name) : in_(&in), name_(std::move(name)) {}

FreeReader::FreeReader(const std::string& filename) : name_(filename) {
    owned_ = open_input(filename);
    in_ = owned_.get();
}

FreeReader::~FreeReader() = default;

std::string FreeReader::where() const {
    return "file \"" + name_ + "\", line " + std::to_string(line_);
}

void FreeReader::read_failed(const std::exception& e) {
    // The stream buffer throws when the system refuses the read (a directory,
    // an I/O error, a closed descriptor); the source counts as ended from now on.
    failed_ = true;
    int err = errno;
    if (const auto* f = dynamic_cast<const std::ios_base::failure*>(&e)) {
        const auto& cat = f->code().category();
        if (cat == std::system_category() || cat == std::generic_category()) err = f->code().value();
    }
    const std::string why = err != 0 ? reason(err) : std::string(e.what());
    throw DataError(DataError::Kind::read_error, name_, line_,
                    "file \"" + name_ + "\" cannot be read after line " + std::to_string(line_) + ": " + why);
}

bool FreeReader::next_line() {
    buf_.clear();
    pos_ = 0;
    std::streambuf* sb = in_->rdbuf();
    if (!sb || failed_) return false;
    using traits = std::streambuf::traits_type;
    try {
        errno = 0;
        int c = sb->sgetc();
        if (traits::eq_int_type(c, traits::eof())) {
            in_->setstate(std::ios::eofbit);
            return false;
        }
        for (;;) {
            c = sb->sbumpc();
            if (traits::eq_int_type(c, traits::eof()) || c == '\n') break;
            if (buf_.size() < max_line) buf_ += traits::to_char_type(c);
        }
    } catch (const std::exception& e) {
        read_failed(e);
    }
    if (!buf_.empty() && buf_.back() == '\r') buf_.pop_back();
    ++line_;
    return true;
}

void FreeReader::skip_lines(int n) {
    for (int i = 0; i < n; ++i)
        if (!next_line())
            throw DataError(DataError::Kind::end_of_file, name_, line_,
                            "file \"" + name_ + "\" ends at line " + std::to_string(line_) +
                                "; expected " + std::to_string(n - i) + " more lines");
}

std::string FreeReader::read_line() {
    if (!next_line())
        throw DataError(DataError::Kind::end_of_file, name_, line_,
                        "file \"" + name_ + "\" ends at line " + std::to_string(line_) +
                            "; expected one more line");
    return buf_;
}

bool FreeReader::at_end() {
    std::streambuf* sb = in_->rdbuf();
    if (!sb || failed_) return true;
    try {
        return std::streambuf::traits_type::eq_int_type(sb->sgetc(), std::streambuf::traits_type::eof());
    } catch (const std::exception& e) {
        read_failed(e);
    }
}

void FreeReader::read(std::initializer_list<Target> targets) {
    const std::size_t n = targets.size();
    if (!next_line())
        throw DataError(DataError::Kind::end_of_file, name_, line_,
                        "file \"" + name_ + "\" ends at line " + std::to_string(line_) +
                            "; expected a record of " + std::to_string(n) + " values");
    auto target = targets.begin();
    std::size_t done = 0;       // targets dealt with (filled or left as they are)
    bool after_value = false;   // a comma now closes the previous value, not a null one
    std::string text;           // the current value
    while (done < n) {
        // Skip blanks, going on to further lines while the record needs values.
        while (pos_ < buf_.size() && is_blank(buf_[pos_])) ++pos_;
        if (pos_ == buf_.size()) {
            if (one_line_)
                throw DataError(DataError::Kind::end_of_file, name_, line_,
                                where() + ": " + std::to_string(done) + " of " + std::to_string(n) +
                                    " values; the record ends with its line");
            if (!next_line())
                throw DataError(DataError::Kind::end_of_file, name_, line_,
                                "file \"" + name_ + "\" ends at line " + std::to_string(line_) +
                                    " in the middle of a record; expected " +
                                    std::to_string(n - done) + " more values");
            continue;
        }
        char c = buf_[pos_];
        if (c == ',') {
            ++pos_;
            if (after_value) {
                after_value = false;
            } else {
                ++target, ++done; // null value: target unchanged
            }
            continue;
        }
        if (c == '/') return;  // the remaining targets keep their values

        // Repeat count r* in front of a value (or alone: r null values).
        std::size_t reps = 1;
        bool null_value = false;
        {
            std::size_t p = pos_;
            while (p < buf_.size() && buf_[p] >= '0' && buf_[p] <= '9') ++p;
            if (p > pos_ && p < buf_.size() && buf_[p] == '*') {
                auto r = to_int(std::string_view(buf_).substr(pos_, p - pos_));
                if (!r || *r <= 0)
                    throw DataError(DataError::Kind::unreadable, name_, line_,
                                    where() + ": bad repeat count " +
                                        shown(std::string_view(buf_).substr(pos_, p + 1 - pos_)));
                reps = static_cast<std::size_t>(*r);
                pos_ = p + 1;
                null_value = pos_ == buf_.size() || ends_token(buf_[pos_]);
            }
        }

        // The value itself.
        bool quoted = false;
        text.clear();
        if (!null_value) {
            c = buf_[pos_];
            if (c == '\'' || c == '"') {
                quoted = true;
                ++pos_;
                while (pos_ < buf_.size()) {
                    char d = buf_[pos_++];
                    if (d == c) {
                        if (pos_ < buf_.size() && buf_[pos_] == c) {
                            text += c;
                            ++pos_;
                            continue;
                        }
                        break;
                    }
                    text += d;
                }
            } else {
                std::size_t p = pos_;
                while (p < buf_.size() && !ends_token(buf_[p])) ++p;
                text.assign(buf_, pos_, p - pos_);
                pos_ = p;
            }
        }

        for (std::size_t r = 0; r < reps && done < n; ++r, ++target, ++done) {
            if (null_value) continue;
            if (auto pi = std::get_if<int*>(&*target)) {
                auto v = quoted ? std::nullopt : to_int(text);
                if (!v)
                    throw DataError(DataError::Kind::unreadable, name_, line_,
                                    where() + ": expected an integer, found " + shown(text));
                **pi = *v;
            } else if (auto pd = std::get_if<double*>(&*target)) {
                auto v = quoted ? std::nullopt : to_real(text);
                if (!v)
                    throw DataError(DataError::Kind::unreadable, name_, line_,
                                    where() + ": expected a number, found " + shown(text));
                **pd = *v;
            } else {
                *std::get<std::string*>(*target) = text;
            }
        }
        after_value = true;
    }
}

} // namespace r7::io
