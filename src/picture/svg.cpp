#include "picture/svg.hpp"

#include <cmath>
#include <cstdio>

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

std::string num(double v)
{
    if (!std::isfinite(v)) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

Svg::Svg(double width, double height, std::string_view title) : width_(width), height_(height), title_(title) {}

void Svg::line(double x1, double y1, double x2, double y2, std::string_view style)
{
    body_ += "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) +
             "\" style=\"" + escape(style) + "\"/>\n";
}

void Svg::circle(double cx, double cy, double r, std::string_view style)
{
    body_ += "<circle cx=\"" + num(cx) + "\" cy=\"" + num(cy) + "\" r=\"" + num(r) + "\" style=\"" +
             escape(style) + "\"/>\n";
}

void Svg::rect(double x, double y, double w, double h, std::string_view style)
{
    body_ += "<rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(w) + "\" height=\"" + num(h) +
             "\" style=\"" + escape(style) + "\"/>\n";
}

void Svg::poly(const std::string& points, bool closed, std::string_view style)
{
    body_ += std::string(closed ? "<polygon" : "<polyline") + " points=\"" + escape(points) + "\" style=\"" +
             escape(style) + "\"/>\n";
}

void Svg::text(double x, double y, std::string_view t, std::string_view anchor, double size, std::string_view style)
{
    body_ += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" font-size=\"" + num(size) + "\" text-anchor=\"" +
             escape(anchor) + "\"";
    if (!style.empty()) body_ += " style=\"" + escape(style) + "\"";
    body_ += ">" + escape(t) + "</text>\n";
}

std::string Svg::str() const
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width_) + "\" height=\"" + num(height_) +
           "\" viewBox=\"0 0 " + num(width_) + " " + num(height_) + "\" font-family=\"sans-serif\" role=\"img\">\n" +
           "<title>" + escape(title_) + "</title>\n" + "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" +
           body_ + "</svg>\n";
}

} // namespace r7::picture
