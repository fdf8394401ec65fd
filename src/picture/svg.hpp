// A small writer of SVG markup: shapes and texts appended to one picture, every
// text escaped. Coordinates are pixels, y downwards.
#pragma once

#include <string>
#include <string_view>

namespace r7::picture {

// Text escaped for HTML and XML content and attribute values.
std::string escape(std::string_view text);

// A number for an attribute: at most two decimals, no exponent.
std::string num(double v);

class Svg {
public:
    Svg(double width, double height, std::string_view title);

    void line(double x1, double y1, double x2, double y2, std::string_view style);
    void circle(double cx, double cy, double r, std::string_view style);
    void rect(double x, double y, double w, double h, std::string_view style);
    // A closed polygon or open polyline through the points "x,y x,y ...".
    void poly(const std::string& points, bool closed, std::string_view style);
    // anchor: "start", "middle" or "end".
    void text(double x, double y, std::string_view text, std::string_view anchor = "start", double size = 11.0,
              std::string_view style = "");
    // Raw markup made by this writer's helpers (e.g. a marker definition).
    void raw(std::string_view markup) { body_ += markup; }

    double width() const { return width_; }
    double height() const { return height_; }
    std::string str() const;

private:
    double width_, height_;
    std::string title_;
    std::string body_;
};

} // namespace r7::picture
