// An x-y chart: a plot box with ticked, labelled axes, point sets, straight
// lines clipped to the box, and a legend. The mapping from data to pixels is
// public so that the figures (and their tests) can place and check marks.
#pragma once

#include <string>
#include <utility>
#include <vector>

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

class Chart {
public:
    Chart(double width, double height, std::string title, Axis x, Axis y);

    double px(double x) const;
    double py(double y) const;

    // Marks at the points; shape 'o' circle, 's' square, 't' triangle.
    void points(const std::vector<std::pair<double, double>>& xy, const std::string& color, char shape,
                const std::string& label);
    // The points joined by a line.
    void polyline(const std::vector<std::pair<double, double>>& xy, const std::string& color,
                  const std::string& label);
    // The line y = u x + v across the plot box.
    void fitted_line(double u, double v, const std::string& color, bool dashed, const std::string& label);
    // A horizontal line at y.
    void hline(double y, const std::string& color, bool dashed, const std::string& label);

    // The clipped segments of fitted_line and hline, in data coordinates.
    const std::vector<Segment>& segments() const { return segments_; }

    std::string str() const;

private:
    struct Legend {
        std::string color, label;
        char kind; // 'o', 's', 't' marks, 'l' line, 'd' dashed line
    };
    void add_segment(Segment s, const std::string& color, bool dashed);
    void mark(double x, double y, const std::string& color, char shape);

    double width_, height_;
    std::string title_;
    Axis x_, y_;
    double left_ = 70.0, right_ = 230.0, top_ = 34.0, bottom_ = 46.0; // the legend stands right of the box
    Svg svg_;
    std::vector<Segment> segments_;
    std::vector<Legend> legend_;
};

// A chart 900 x 320 of values over the years, the value axis from 0 up to the
// largest value or reach, whichever is larger; the points are not drawn yet.
Chart year_chart(std::string title, const std::vector<std::pair<double, double>>& year_value, std::string value_label,
                 double reach = 0.0);

} // namespace r7::picture
