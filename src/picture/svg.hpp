// A small writer of SVG markup: shapes and texts appended to one picture, every
// text escaped. Coordinates are pixels, y downwards.
//
// The figures keep their labels clear of their marks. So that this can be
// checked from the markup alone, an element says what it is to the layout: a
// mark (the default) or background (class "bg": the Sun's disk, grid lines,
// orbits, areas that labels may lie on) or a leader (class "leader": the thin
// line from a label to its mark, which may cross lines of the drawing but no
// label, mark or other leader). Elements written between
// begin_group() and end_group() belong together (a label and its leader line,
// the path of a transit with its disks, a compass): they may touch each other,
// not the elements outside the group.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace r7::picture {

// escape: text escaped for HTML and XML content and attribute values.
// Takes:    the text (UTF-8).
// Returns:  the text with & < > " ' as character references; control characters
//           other than tab and line end as the replacement character U+FFFD.
std::string escape(std::string_view text);

// num, num1: a number for an attribute.
// Takes:    the value.
// Returns:  the value in fixed notation with at most two decimals (num) or one
//           (num1: the many points of a long run's chart), trailing zeros and
//           point dropped, never "-0"; "0" for a value that is not finite.
std::string num(double v);
std::string num1(double v);

enum class Layer { mark, background, leader };

// Text metrics, as fractions of the font size: the box of a text line reaches
// text_ascent above its baseline and text_descent below it. Lines of a label
// stand line_spacing apart, so that their boxes do not touch.
inline constexpr double text_ascent = 0.8;
inline constexpr double text_descent = 0.25;
inline constexpr double line_spacing = 1.12;

// text_width: the width of a text in pixels.
// Takes:    the text (UTF-8), the font size, whether it is bold.
// Returns:  the width, estimated from its characters so that the text as
//           rendered is never wider.
// Notes:    1. Each character counts the advance of its class in the widest
//              common sans-serif fonts (DejaVu Sans, Liberation Sans): narrow
//              (i, j, l, I, blank, stops, colons) 0.34, half-wide (f, t, r,
//              brackets, dashes, quotes, the degree and second signs) 0.52,
//              digits and small letters 0.64, capitals 0.8, other signs 0.84,
//              wide (m, w, M, W, %, @ and any other character beyond ASCII) 1.0
//              of the font size; bold text 1.18 times that.
//           2. A malformed UTF-8 byte counts as one wide character.
double text_width(std::string_view utf8, double size, bool bold = false);

// A piece of a text line in one style (a tspan).
struct Span {
    std::string text;
    bool bold = false;
    std::string fill; // colour, empty for black
};

// A line of text: its pieces and their font size.
struct TextLine {
    std::vector<Span> spans;
    double size = 10.0;
    // width: the line's width in pixels, the sum of text_width of its pieces.
    // Takes:    nothing.
    // Returns:  the width.
    double width() const;
};

// plain: a line of one piece.
// Takes:    the text, the font size, bold, the colour (empty for black).
// Returns:  the line.
TextLine plain(std::string text, double size, bool bold = false, std::string fill = "");

class Svg {
public:
    Svg(double width, double height, std::string_view title);

    // line, circle, rect: a shape appended to the picture.
    // Takes:    the shape's coordinates [px] (the ends; the centre and radius; the
    //           corner, width and height), its CSS style, its layer.
    // Returns:  nothing; the element is appended, numbers as num gives them.
    void line(double x1, double y1, double x2, double y2, std::string_view style, Layer layer = Layer::mark);
    void leader(double x1, double y1, double x2, double y2, std::string_view style)
    {
        line(x1, y1, x2, y2, style, Layer::leader);
    }
    void circle(double cx, double cy, double r, std::string_view style, Layer layer = Layer::mark);
    void rect(double x, double y, double w, double h, std::string_view style, Layer layer = Layer::mark);

    // poly: a closed polygon or an open polyline.
    // Takes:    the points "x,y x,y ...", closed, the style, the layer.
    // Returns:  nothing; the element is appended.
    void poly(const std::string& points, bool closed, std::string_view style, Layer layer = Layer::mark);

    // path: a path of the commands d.
    // Takes:    the commands, the style, the layer.
    // Returns:  nothing; the element is appended, nothing for empty commands.
    // Notes:    1. Each subpath (from an M) is one mark.
    void path(const std::string& d, std::string_view style, Layer layer = Layer::mark);

    // text: a text appended to the picture.
    // Takes:    the baseline point (x, y), the text (escaped here), the anchor
    //           ("start", "middle" or "end"), the font size, a CSS style; or a
    //           line of pieces in their styles (bold, colour: tspans).
    // Returns:  nothing.
    void text(double x, double y, std::string_view text, std::string_view anchor = "start", double size = 11.0,
              std::string_view style = "");
    void text(double x, double y, const TextLine& line, std::string_view anchor = "start");

    // begin_group, end_group: the elements between them belong together.
    // Takes:    nothing.
    // Returns:  nothing; "<g>" or "</g>" is appended.
    void begin_group();
    void end_group();

    // Raw markup made by this writer's helpers (e.g. a marker definition).
    void raw(std::string_view markup) { body_ += markup; }

    double width() const { return width_; }
    double height() const { return height_; }
    // The elements written so far, without the picture around them.
    const std::string& body() const { return body_; }
    // str: the whole picture.
    // Takes:    nothing.
    // Returns:  the svg element (width, height, viewBox, sans-serif) with its
    //           title, a white background and the elements written so far.
    std::string str() const;

private:
    void open(std::string_view tag, Layer layer);

    double width_, height_;
    std::string title_;
    std::string body_;
};

} // namespace r7::picture
