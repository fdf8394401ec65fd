#include "picture/svg.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace r7::picture {

std::string escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            // Control characters other than tab and line end have no place in
            // XML text; they are shown as a replacement character.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') {
                out += "&#xFFFD;";
            } else {
                out += c;
            }
        }
    }
    return out;
}

namespace {

// v with at most the given decimals, trailing zeros and point dropped, no "-0".
std::string trimmed_number(double v, int decimals)
{
    if (!std::isfinite(v)) return "0";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, r.ec == std::errc() ? r.ptr : buf);
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    if (s == "-0" || s.empty()) s = "0";
    return s;
}

// Advances of the ASCII characters in units of the font size (see text_width).
struct AsciiAdvances {
    std::array<double, 128> em{};
    AsciiAdvances()
    {
        for (std::size_t c = 0; c < 128; ++c) {
            const char a = static_cast<char>(c);
            double w = 0.84;
            if (std::string_view(" .,:;'`!|ijlI").find(a) != std::string_view::npos) w = 0.34;
            else if (std::string_view("ftr()[]{}/\\-\"*^").find(a) != std::string_view::npos) w = 0.52;
            else if (std::string_view("mwMW%@").find(a) != std::string_view::npos) w = 1.0;
            else if (a >= 'A' && a <= 'Z') w = 0.8;
            else if ((a >= 'a' && a <= 'z') || (a >= '0' && a <= '9')) w = 0.64;
            em[c] = w;
        }
    }
};

double advance(char32_t c)
{
    static const AsciiAdvances ascii;
    // The degree, second, minute, superscript two and middle dot are narrow;
    // any other character beyond ASCII counts as wide.
    if (c == 0xB0 || c == 0xB2 || c == 0xB7 || c == 0x2032 || c == 0x2033) return 0.52;
    if (c >= 0x80) return 1.0;
    return ascii.em[c];
}

} // namespace

std::string num(double v) { return trimmed_number(v, 2); }
std::string num1(double v) { return trimmed_number(v, 1); }

double text_width(std::string_view utf8, double size, bool bold)
{
    double em = 0.0;
    for (std::size_t i = 0; i < utf8.size();) {
        // Decode one character of UTF-8 (a malformed byte counts as one wide character).
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
        char32_t c = n == 1 ? b : b & (0x7F >> n);
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        em += advance(n == 1 && b >= 0x80 ? char32_t{0xFFFD} : c);
        i += n;
    }
    return em * size * (bold ? 1.18 : 1.0);
}

double TextLine::width() const
{
    double w = 0.0;
    for (const auto& s : spans) w += text_width(s.text, size, s.bold);
    return w;
}

TextLine plain(std::string text, double size, bool bold, std::string fill)
{
    return TextLine{{Span{std::move(text), bold, std::move(fill)}}, size};
}

Svg::Svg(double width, double height, std::string_view title) : width_(width), height_(height), title_(title) {}

void Svg::open(std::string_view tag, Layer layer)
{
    body_ += '<';
    body_ += tag;
    if (layer == Layer::background) body_ += " class=\"bg\"";
    if (layer == Layer::leader) body_ += " class=\"leader\"";
}

void Svg::line(double x1, double y1, double x2, double y2, std::string_view style, Layer layer)
{
    open("line", layer);
    body_ += " x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) + "\" style=\"" +
             escape(style) + "\"/>\n";
}

void Svg::circle(double cx, double cy, double r, std::string_view style, Layer layer)
{
    open("circle", layer);
    body_ += " cx=\"" + num(cx) + "\" cy=\"" + num(cy) + "\" r=\"" + num(r) + "\" style=\"" + escape(style) + "\"/>\n";
}

void Svg::rect(double x, double y, double w, double h, std::string_view style, Layer layer)
{
    open("rect", layer);
    body_ += " x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(w) + "\" height=\"" + num(h) +
             "\" style=\"" + escape(style) + "\"/>\n";
}

void Svg::poly(const std::string& points, bool closed, std::string_view style, Layer layer)
{
    open(closed ? "polygon" : "polyline", layer);
    body_ += " points=\"" + escape(points) + "\" style=\"" + escape(style) + "\"/>\n";
}

void Svg::path(const std::string& d, std::string_view style, Layer layer)
{
    if (d.empty()) return;
    open("path", layer);
    body_ += " d=\"" + escape(d) + "\" style=\"" + escape(style) + "\"/>\n";
}

void Svg::text(double x, double y, std::string_view t, std::string_view anchor, double size, std::string_view style)
{
    body_ += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" font-size=\"" + num(size) + "\" text-anchor=\"" +
             escape(anchor) + "\"";
    if (!style.empty()) body_ += " style=\"" + escape(style) + "\"";
    body_ += ">" + escape(t) + "</text>\n";
}

void Svg::text(double x, double y, const TextLine& line, std::string_view anchor)
{
    body_ += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" font-size=\"" + num(line.size) + "\" text-anchor=\"" +
             escape(anchor) + "\">";
    for (const auto& s : line.spans) {
        if (!s.bold && s.fill.empty()) {
            body_ += escape(s.text);
            continue;
        }
        std::string style;
        if (s.bold) style += "font-weight:bold";
        if (!s.fill.empty()) style += (style.empty() ? "fill:" : ";fill:") + s.fill;
        body_ += "<tspan style=\"" + escape(style) + "\">" + escape(s.text) + "</tspan>";
    }
    body_ += "</text>\n";
}

void Svg::begin_group() { body_ += "<g>\n"; }
void Svg::end_group() { body_ += "</g>\n"; }

std::string Svg::str() const
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width_) + "\" height=\"" + num(height_) +
           "\" viewBox=\"0 0 " + num(width_) + " " + num(height_) + "\" font-family=\"sans-serif\" role=\"img\">\n" +
           "<title>" + escape(title_) + "</title>\n" + "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" +
           body_ + "</svg>\n";
}

} // namespace r7::picture
