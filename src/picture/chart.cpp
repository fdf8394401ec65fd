#include "picture/chart.hpp"

#include <algorithm>
#include <cmath>
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

std::string tick_label(double v, double step)
{
    char buf[64];
    const int decimals = step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    std::snprintf(buf, sizeof buf, "%.*f", std::clamp(decimals, 0, 6), v);
    return buf;
}

} // namespace

Chart::Chart(double width, double height, std::string title, Axis x, Axis y)
    : width_(width), height_(height), title_(std::move(title)), x_(std::move(x)), y_(std::move(y)),
      svg_(width, height, title_)
{
    const double x0 = left_, x1 = width_ - right_, y0 = top_, y1 = height_ - bottom_;
    svg_.text(width_ / 2.0, 20.0, title_, "middle", 13.0, "font-weight:bold");
    svg_.rect(x0, y0, x1 - x0, y1 - y0, "fill:none;stroke:#444;stroke-width:1");
    const auto xt = ticks(x_.lo, x_.hi);
    const auto yt = ticks(y_.lo, y_.hi);
    const double xs = xt.size() > 1 ? xt[1] - xt[0] : 1.0;
    const double ys = yt.size() > 1 ? yt[1] - yt[0] : 1.0;
    for (double v : xt) {
        const double x = px(v);
        svg_.line(x, y1, x, y1 + 5.0, "stroke:#444");
        svg_.line(x, y0, x, y1, "stroke:#eee");
        svg_.text(x, y1 + 17.0, tick_label(v, xs), "middle", 10.0);
    }
    for (double v : yt) {
        const double y = py(v);
        svg_.line(x0 - 5.0, y, x0, y, "stroke:#444");
        svg_.line(x0, y, x1, y, "stroke:#eee");
        svg_.text(x0 - 7.0, y + 3.5, tick_label(v, ys), "end", 10.0);
    }
    svg_.text((x0 + x1) / 2.0, height_ - 8.0, x_.label, "middle", 11.0);
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

void Chart::mark(double x, double y, const std::string& color, char shape)
{
    const std::string style = "fill:" + color + ";stroke:" + color;
    if (shape == 's') {
        svg_.rect(x - 3.0, y - 3.0, 6.0, 6.0, style);
    } else if (shape == 't') {
        svg_.poly(num(x) + "," + num(y - 4.0) + " " + num(x - 3.5) + "," + num(y + 2.5) + " " + num(x + 3.5) + "," +
                      num(y + 2.5),
                  true, style);
    } else {
        svg_.circle(x, y, 3.0, style);
    }
}

void Chart::points(const std::vector<std::pair<double, double>>& xy, const std::string& color, char shape,
                   const std::string& label)
{
    for (const auto& [x, y] : xy) {
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        mark(px(x), py(y), color, shape);
    }
    if (!label.empty()) legend_.push_back({color, label, shape});
}

void Chart::polyline(const std::vector<std::pair<double, double>>& xy, const std::string& color,
                     const std::string& label)
{
    std::string pts;
    for (const auto& [x, y] : xy) {
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        pts += num(px(x)) + "," + num(py(y)) + " ";
    }
    svg_.poly(pts, false, "fill:none;stroke-width:1.5;stroke:" + color);
    if (!label.empty()) legend_.push_back({color, label, 'l'});
}

void Chart::add_segment(Segment s, const std::string& color, bool dashed)
{
    segments_.push_back(s);
    svg_.line(px(s.x1), py(s.y1), px(s.x2), py(s.y2),
              "stroke-width:1.5;stroke:" + color + (dashed ? ";stroke-dasharray:6 4" : ""));
}

void Chart::fitted_line(double u, double v, const std::string& color, bool dashed, const std::string& label)
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
    if (xa < xb) add_segment({xa, u * xa + v, xb, u * xb + v}, color, dashed);
    if (!label.empty()) legend_.push_back({color, label, dashed ? 'd' : 'l'});
}

void Chart::hline(double y, const std::string& color, bool dashed, const std::string& label)
{
    if (y >= y_.lo && y <= y_.hi) add_segment({x_.lo, y, x_.hi, y}, color, dashed);
    if (!label.empty()) legend_.push_back({color, label, dashed ? 'd' : 'l'});
}

std::string Chart::str() const
{
    // The legend in the top right corner of the plot box.
    Svg out = svg_;
    if (!legend_.empty()) {
        double w = 0.0;
        for (const auto& l : legend_) w = std::max(w, 5.6 * static_cast<double>(l.label.size()));
        w = std::min(w, right_ - 40.0);
        const double x = width_ - right_ + 10.0, y = top_;
        out.rect(x, y, w + 28.0, 16.0 * static_cast<double>(legend_.size()) + 6.0,
                 "fill:white;fill-opacity:0.85;stroke:#999");
        double ly = y + 14.0;
        for (const auto& l : legend_) {
            if (l.kind == 'l' || l.kind == 'd') {
                out.line(x + 4.0, ly - 4.0, x + 20.0, ly - 4.0,
                         "stroke-width:1.5;stroke:" + l.color + (l.kind == 'd' ? ";stroke-dasharray:6 4" : ""));
            } else {
                const std::string style = "fill:" + l.color + ";stroke:" + l.color;
                if (l.kind == 's') {
                    out.rect(x + 9.0, ly - 7.0, 6.0, 6.0, style);
                } else if (l.kind == 't') {
                    out.poly(num(x + 12.0) + "," + num(ly - 8.0) + " " + num(x + 8.5) + "," + num(ly - 1.5) + " " +
                                 num(x + 15.5) + "," + num(ly - 1.5),
                             true, style);
                } else {
                    out.circle(x + 12.0, ly - 4.0, 3.0, style);
                }
            }
            out.text(x + 24.0, ly, l.label, "start", 10.0);
            ly += 16.0;
        }
    }
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
