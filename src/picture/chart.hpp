// An x-y chart: a plot box with ticked, labelled axes, point sets, straight
// lines clipped to the box, and a legend beside or below the box. The mapping
// from data to pixels is public so that the figures (and their tests) can
// place and check marks, and figures can add placed labels on top.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "picture/place.hpp"
#include "picture/svg.hpp"

namespace r7::picture {

struct Axis {
    double lo = 0.0, hi = 1.0;
    std::string label;
};

// axis_over: an axis range over values.
// Takes:    the values, the fraction pad, the axis label.
// Returns:  the range from the least to the greatest finite value, widened by
//           pad times its width on both sides; 0..1 without a finite value.
// Notes:    1. A single value (a range of width 0) is widened by pad times
//              max(1, a tenth of its magnitude) on both sides.
Axis axis_over(const std::vector<double>& values, double pad, std::string label);

// ticks: the tick values of a range.
// Takes:    the range lo..hi.
// Returns:  the multiples within it of 1, 2, 5 or 10 times a power of ten, the
//           step chosen so that 3 to 8 steps span the range (about 3 to 9
//           ticks); none for a range that is not positive and finite.
std::vector<double> ticks(double lo, double hi);

// A straight segment in data coordinates.
struct Segment {
    double x1, y1, x2, y2;
};

// Marks of a point set: 'o' disk, 's' square, 't' triangle, 'd' diamond; the
// capital letters the same shapes open (outlined).
using Shape = char;

// Where the legend stands: in a column right of the plot box, or in rows below it.
enum class LegendPlace { right, below };

class Chart {
public:
    // legend_rows: with the legend below, the rows of 14 pixels kept for it under the x axis.
    Chart(double width, double height, std::string title, Axis x, Axis y, LegendPlace legend = LegendPlace::right,
          int legend_rows = 0);

    // px, py: the pixel of a data coordinate.
    // Takes:    x or y in data units.
    // Returns:  the pixel column or row (y downwards) in the plot box, linear
    //           between the axis ends.
    double px(double x) const;
    double py(double y) const;
    // The plot box in pixels.
    Box plot_box() const;

    // points: marks at the points, each a mark of its own.
    // Takes:    the points (data units), the colour, the shape, the legend label
    //           (empty: no legend entry), the mark's radius [px].
    // Returns:  nothing; points that are not finite are left out.
    void points(const std::vector<std::pair<double, double>>& xy, const std::string& color, Shape shape,
                const std::string& label, double size = 3.0);

    // cloud: many small marks at the points, written compactly as one path.
    // Takes:    as points.
    // Returns:  nothing; one path of all marks (the long runs' charts with
    //           thousands of events), a disk as a dot of a round line cap.
    void cloud(const std::vector<std::pair<double, double>>& xy, const std::string& color, Shape shape,
               const std::string& label, double size = 2.2);

    // dashes: short horizontal dashes at the points.
    // Takes:    the points, the colour, the half width w [px], the legend label.
    // Returns:  nothing; one path of all dashes.
    void dashes(const std::vector<std::pair<double, double>>& xy, const std::string& color, double w,
                const std::string& label);

    // polyline: the points joined by a line.
    // Takes:    the points, the colour, the legend label.
    // Returns:  nothing; points that are not finite are left out.
    void polyline(const std::vector<std::pair<double, double>>& xy, const std::string& color,
                  const std::string& label);

    // fitted_line: the line y = u x + v across the plot box.
    // Takes:    u, v, the colour, the dash pattern ("6 4"; empty for solid), the
    //           legend label.
    // Returns:  nothing; the line clipped to the box (nothing where it misses
    //           the box) is drawn and kept in segments().
    void fitted_line(double u, double v, const std::string& color, const std::string& dash, const std::string& label);

    // hline: a horizontal line at y.
    // Takes:    y, the colour, the dash pattern, the legend label.
    // Returns:  nothing; drawn across the box where y lies within the axis, and
    //           kept in segments().
    void hline(double y, const std::string& color, const std::string& dash, const std::string& label);

    // legend_entry: a legend entry without marks in the plot.
    // Takes:    the colour, the shape, the label, the dash pattern.
    // Returns:  nothing.
    void legend_entry(const std::string& color, Shape shape, const std::string& label, const std::string& dash = "");

    // The clipped segments of fitted_line and hline, in data coordinates.
    const std::vector<Segment>& segments() const { return segments_; }

    // What figures draw over the plot (placed labels); written after the data.
    Svg& overlay() { return overlay_; }

    // str: the whole chart.
    // Takes:    nothing.
    // Returns:  the svg of the frame, ticks and axis labels, the data marks as one
    //           group, the overlay and the legend (labels wrapped to the column
    //           on the right, or in rows below).
    std::string str() const;

private:
    struct Legend {
        std::string color, label;
        char kind; // a Shape, or 'l' line, with dash
        std::string dash;
    };
    void add_segment(Segment s, const std::string& color, const std::string& dash);
    void legend_mark(Svg& out, double x, double y, const Legend& l) const;
    std::string legend_markup() const;

    double width_, height_;
    std::string title_;
    Axis x_, y_;
    LegendPlace legend_place_;
    int legend_rows_;
    double left_ = 70.0, right_ = 230.0, top_ = 34.0, bottom_ = 46.0;
    Svg svg_;     // frame, axes, title
    Svg data_;    // the data marks, one group
    Svg overlay_; // labels on top
    std::vector<Segment> segments_;
    std::vector<Legend> legend_;
};

// mark_path: the path commands of one small mark, for Chart::cloud.
// Takes:    the centre (x, y) [px], the shape, the size (half width) [px].
// Returns:  the commands (one decimal): a square, a triangle or a diamond; a
//           disk as a zero-length line ("h0"), drawn as a dot by a round cap.
std::string mark_path(double x, double y, Shape shape, double size);

// year_chart: a chart of values over the years.
// Takes:    the title, the (year, value) pairs, the value label, reach.
// Returns:  a chart 900 x 320: the years padded by 3 per cent, the value axis
//           from 0 up to the largest value or reach, whichever is larger (8 per
//           cent above); the points are not drawn yet.
Chart year_chart(std::string title, const std::vector<std::pair<double, double>>& year_value, std::string value_label,
                 double reach = 0.0);

} // namespace r7::picture
