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

// An axis range over the values, widened by a fraction pad on both sides (and
// to a unit width around a single value).
Axis axis_over(const std::vector<double>& values, double pad, std::string label);

// Tick values of a range: multiples of 1, 2 or 5 times a power of ten, 3 to 10 of them.
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

    double px(double x) const;
    double py(double y) const;
    // The plot box in pixels.
    Box plot_box() const;

    // Marks at the points; each a mark of its own.
    void points(const std::vector<std::pair<double, double>>& xy, const std::string& color, Shape shape,
                const std::string& label, double size = 3.0);
    // Many small marks at the points, written compactly as one path (the long
    // runs' charts with thousands of events).
    void cloud(const std::vector<std::pair<double, double>>& xy, const std::string& color, Shape shape,
               const std::string& label, double size = 2.2);
    // Short horizontal dashes of half width w pixels at the points.
    void dashes(const std::vector<std::pair<double, double>>& xy, const std::string& color, double w,
                const std::string& label);
    // The points joined by a line.
    void polyline(const std::vector<std::pair<double, double>>& xy, const std::string& color,
                  const std::string& label);
    // The line y = u x + v across the plot box, solid or with a dash pattern
    // ("6 4"; empty for solid).
    void fitted_line(double u, double v, const std::string& color, const std::string& dash, const std::string& label);
    // A horizontal line at y.
    void hline(double y, const std::string& color, const std::string& dash, const std::string& label);
    // A legend entry without marks in the plot.
    void legend_entry(const std::string& color, Shape shape, const std::string& label, const std::string& dash = "");

    // The clipped segments of fitted_line and hline, in data coordinates.
    const std::vector<Segment>& segments() const { return segments_; }

    // What figures draw over the plot (placed labels); written after the data.
    Svg& overlay() { return overlay_; }

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

// Path commands of one small mark of the shape at (x, y), for Chart::cloud.
std::string mark_path(double x, double y, Shape shape, double size);

// A chart 900 x 320 of values over the years, the value axis from 0 up to the
// largest value or reach, whichever is larger; the points are not drawn yet.
Chart year_chart(std::string title, const std::vector<std::pair<double, double>>& year_value, std::string value_label,
                 double reach = 0.0);

} // namespace r7::picture
