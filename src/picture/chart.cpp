#include "picture/chart.hpp"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdio>

namespace r7::picture {

Axis axis_over(const std::vector<double>& values, double pad, std::string label)
{
    Axis a;
    a.label = std::move(label);
    bool any = false;
    for (double v : values) {
        if (!std::isfinite(v)) continue;
        if (!any) a.lo = a.hi = v;
        a.lo = std::min(a.lo, v);
        a.hi = std::max(a.hi, v);
        any = true;
    }
    if (!any) return Axis{0.0, 1.0, a.label};
    double w = a.hi - a.lo;
    if (w <= 0.0) w = std::max(1.0, std::abs(a.lo) * 0.1);
    a.lo -= w * pad;
    a.hi += w * pad;
    if (a.hi == a.lo) a.hi = a.lo + 1.0;
    return a;
}

std::vector<double> ticks(double lo, double hi)
{
    std::vector<double> t;
    const double range = hi - lo;
    if (!(range > 0.0) || !std::isfinite(range)) return t;
    const double raw = range / 6.0;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    double step = p;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * p;
        if (range / step <= 8.0) break;
    }
    for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) {
        t.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
        if (t.size() > 20) break;
    }
    return t;
}

namespace {

constexpr double legend_row = 14.0;
constexpr double legend_size = 10.0;
constexpr double legend_swatch = 24.0; // the sample mark and the space before the text

std::string tick_label(double v, double step)
{
    char buf[64];
    const int decimals = step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    std::snprintf(buf, sizeof buf, "%.*f", std::clamp(decimals, 0, 6), v);
    return buf;
}

bool open_shape(Shape s) { return s >= 'A' && s <= 'Z'; }

std::string mark_style(const std::string& color, Shape shape)
{
    return open_shape(shape) ? "fill:white;stroke-width:1;stroke:" + color : "fill:" + color + ";stroke:" + color;
}

// One mark of the shape at (x, y) as an element of its own.
void mark_element(Svg& svg, double x, double y, const std::string& color, Shape shape, double size)
{
    const std::string style = mark_style(color, shape);
    switch (std::tolower(shape)) {
    case 's': svg.rect(x - size, y - size, 2.0 * size, 2.0 * size, style); break;
    case 't':
    case 'd': svg.path(mark_path(x, y, shape, size), style); break;
    default: svg.circle(x, y, size, style); break;
    }
}

} // namespace

std::string mark_path(double x, double y, Shape shape, double size)
{
    const std::string s = num1(size), s2 = num1(2.0 * size);
    switch (std::tolower(shape)) {
    case 's': return "M" + num1(x - size) + " " + num1(y - size) + "h" + s2 + "v" + s2 + "h-" + s2 + "z";
    case 't': {
        const std::string half = num1(0.87 * size);
        return "M" + num1(x) + " " + num1(y - size) + "l" + half + " " + num1(1.5 * size) + "h-" + num1(1.74 * size) + "z";
    }
    case 'd': return "M" + num1(x) + " " + num1(y - size) + "l" + s + " " + s + " -" + s + " " + s + " -" + s + " -" + s + "z";
    default: return "M" + num1(x) + " " + num1(y) + "h0";
    }
}

Chart::Chart(double width, double height, std::string title, Axis x, Axis y, LegendPlace legend, int legend_rows)
    : width_(width), height_(height), title_(std::move(title)), x_(std::move(x)), y_(std::move(y)),
      legend_place_(legend), legend_rows_(legend_rows), svg_(width, height, title_), data_(width, height, ""),
      overlay_(width, height, "")
{
    if (legend_place_ == LegendPlace::below) {
        right_ = 24.0;
        bottom_ = 46.0 + legend_row * legend_rows_ + 8.0;
    }
    const double x0 = left_, x1 = width_ - right_, y0 = top_, y1 = height_ - bottom_;
    svg_.text(width_ / 2.0, 20.0, title_, "middle", 13.0, "font-weight:bold");
    svg_.rect(x0, y0, x1 - x0, y1 - y0, "fill:none;stroke:#444;stroke-width:1", Layer::background);
    const auto xt = ticks(x_.lo, x_.hi);
    const auto yt = ticks(y_.lo, y_.hi);
    const double xs = xt.size() > 1 ? xt[1] - xt[0] : 1.0;
    const double ys = yt.size() > 1 ? yt[1] - yt[0] : 1.0;
    for (double v : xt) {
        const double x = px(v);
        svg_.line(x, y1, x, y1 + 5.0, "stroke:#444");
        svg_.line(x, y0, x, y1, "stroke:#eee", Layer::background);
        svg_.text(x, y1 + 17.0, tick_label(v, xs), "middle", 10.0);
    }
    for (double v : yt) {
        const double y = py(v);
        svg_.line(x0 - 5.0, y, x0, y, "stroke:#444");
        svg_.line(x0, y, x1, y, "stroke:#eee", Layer::background);
        svg_.text(x0 - 7.0, y + 3.5, tick_label(v, ys), "end", 10.0);
    }
    svg_.text((x0 + x1) / 2.0, y1 + 38.0, x_.label, "middle", 11.0);
    svg_.raw("<text x=\"14\" y=\"" + num((y0 + y1) / 2.0) + "\" font-size=\"11\" text-anchor=\"middle\" transform=\"rotate(-90 14 " +
             num((y0 + y1) / 2.0) + ")\">" + escape(y_.label) + "</text>\n");
}

double Chart::px(double x) const
{
    return left_ + (x - x_.lo) / (x_.hi - x_.lo) * (width_ - right_ - left_);
}

double Chart::py(double y) const
{
    return height_ - bottom_ - (y - y_.lo) / (y_.hi - y_.lo) * (height_ - bottom_ - top_);
}

Box Chart::plot_box() const { return {left_, top_, width_ - right_, height_ - bottom_}; }

void Chart::points(const std::vector<std::pair<double, double>>& xy, const std::string& color, Shape shape,
                   const std::string& label, double size)
{
    for (const auto& [x, y] : xy) {
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        mark_element(data_, px(x), py(y), color, shape, size);
    }
    if (!label.empty()) legend_.push_back({color, label, shape, ""});
}

void Chart::cloud(const std::vector<std::pair<double, double>>& xy, const std::string& color, Shape shape,
                  const std::string& label, double size)
{
    std::string d;
    d.reserve(xy.size() * 16);
    for (const auto& [x, y] : xy) {
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        d += mark_path(px(x), py(y), shape, size);
    }
    // A disk is a dot: a line of no length with a round cap as wide as the disk.
    const std::string style = std::tolower(shape) == 'o'
                                  ? "fill:none;stroke-linecap:round;stroke-width:" + num1(2.0 * size) + ";stroke:" + color
                                  : mark_style(color, shape);
    data_.path(d, style);
    if (!label.empty()) legend_.push_back({color, label, shape, ""});
}

void Chart::dashes(const std::vector<std::pair<double, double>>& xy, const std::string& color, double w,
                   const std::string& label)
{
    std::string d;
    d.reserve(xy.size() * 16);
    for (const auto& [x, y] : xy) {
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        d += "M" + num1(px(x) - w) + " " + num1(py(y)) + "h" + num1(2.0 * w);
    }
    data_.path(d, "fill:none;stroke-width:1.2;stroke:" + color);
    if (!label.empty()) legend_.push_back({color, label, '-', ""});
}

void Chart::polyline(const std::vector<std::pair<double, double>>& xy, const std::string& color,
                     const std::string& label)
{
    std::string pts;
    for (const auto& [x, y] : xy) {
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        pts += num(px(x)) + "," + num(py(y)) + " ";
    }
    data_.poly(pts, false, "fill:none;stroke-width:1.5;stroke:" + color);
    if (!label.empty()) legend_.push_back({color, label, 'l', ""});
}

void Chart::add_segment(Segment s, const std::string& color, const std::string& dash)
{
    segments_.push_back(s);
    data_.line(px(s.x1), py(s.y1), px(s.x2), py(s.y2),
               "stroke-width:1.5;stroke:" + color + (dash.empty() ? "" : ";stroke-dasharray:" + dash));
}

void Chart::fitted_line(double u, double v, const std::string& color, const std::string& dash, const std::string& label)
{
    // Clip y = u x + v to the box: first to the x range, then to the y range.
    double xa = x_.lo, xb = x_.hi;
    if (u != 0.0) {
        double xlo = (y_.lo - v) / u, xhi = (y_.hi - v) / u;
        if (xlo > xhi) std::swap(xlo, xhi);
        xa = std::max(xa, xlo);
        xb = std::min(xb, xhi);
    } else if (v < y_.lo || v > y_.hi) {
        xb = xa - 1.0;
    }
    if (xa < xb) add_segment({xa, u * xa + v, xb, u * xb + v}, color, dash);
    if (!label.empty()) legend_.push_back({color, label, 'l', dash});
}

void Chart::hline(double y, const std::string& color, const std::string& dash, const std::string& label)
{
    if (y >= y_.lo && y <= y_.hi) add_segment({x_.lo, y, x_.hi, y}, color, dash);
    if (!label.empty()) legend_.push_back({color, label, 'l', dash});
}

void Chart::legend_entry(const std::string& color, Shape shape, const std::string& label, const std::string& dash)
{
    legend_.push_back({color, label, shape, dash});
}

void Chart::legend_mark(Svg& out, double x, double y, const Legend& l) const
{
    // (x, y): the left end of the sample, at the middle height of the text.
    if (l.kind == 'l') {
        out.line(x + 2.0, y, x + 18.0, y,
                 "stroke-width:1.5;stroke:" + l.color + (l.dash.empty() ? "" : ";stroke-dasharray:" + l.dash));
    } else if (l.kind == '-') {
        out.line(x + 6.0, y, x + 14.0, y, "stroke-width:1.2;stroke:" + l.color);
    } else {
        mark_element(out, x + 10.0, y, l.color, l.kind, 3.0);
    }
}

std::string Chart::legend_markup() const
{
    if (legend_.empty()) return "";
    Svg out(width_, height_, "");
    out.begin_group();
    if (legend_place_ == LegendPlace::right) {
        // A column right of the plot box, each label wrapped to the column.
        const double x = width_ - right_ + 10.0, y0 = top_;
        const double text_w = right_ - 20.0 - legend_swatch - 6.0;
        double h = 6.0, w = 0.0;
        std::vector<std::vector<std::string>> texts;
        for (const auto& l : legend_) {
            texts.push_back(wrap(l.label, legend_size, text_w));
            h += legend_row * static_cast<double>(texts.back().size()) + 2.0;
            for (const auto& t : texts.back()) w = std::max(w, text_width(t, legend_size));
        }
        out.rect(x, y0, w + legend_swatch + 8.0, h, "fill:white;fill-opacity:0.85;stroke:#999", Layer::background);
        double y = y0 + 14.0;
        for (std::size_t i = 0; i < legend_.size(); ++i) {
            legend_mark(out, x, y - 3.5, legend_[i]);
            for (const auto& t : texts[i]) {
                out.text(x + legend_swatch, y, t, "start", legend_size);
                y += legend_row;
            }
            y += 2.0;
        }
    } else {
        // Rows below the x axis label, the entries side by side as they fit.
        const double x0 = left_, x1 = width_ - right_;
        double x = x0, y = height_ - bottom_ + 46.0 + 10.0;
        for (const auto& l : legend_) {
            const double w = legend_swatch + text_width(l.label, legend_size) + 18.0;
            if (x > x0 && x + w > x1) {
                x = x0;
                y += legend_row;
            }
            legend_mark(out, x, y - 3.5, l);
            out.text(x + legend_swatch, y, l.label, "start", legend_size);
            x += w;
        }
    }
    out.end_group();
    return out.body();
}

std::string Chart::str() const
{
    Svg out = svg_;
    out.begin_group();
    out.raw(data_.body());
    out.end_group();
    out.raw(overlay_.body());
    out.raw(legend_markup());
    return out.str();
}

Chart year_chart(std::string title, const std::vector<std::pair<double, double>>& year_value, std::string value_label,
                 double reach)
{
    std::vector<double> xs, ys{0.0, reach};
    for (const auto& [year, value] : year_value) {
        xs.push_back(year);
        ys.push_back(value);
    }
    Axis ya = axis_over(ys, 0.08, std::move(value_label));
    ya.lo = 0.0;
    return Chart(900.0, 320.0, std::move(title), axis_over(xs, 0.03, "year"), ya);
}

} // namespace r7::picture
