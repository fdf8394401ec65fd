// A checker of figure layouts from the SVG markup alone: texts and marks that
// overlap, lines across a text or a mark, anything outside the view box. Text
// boxes are as wide as the program's estimate (picture::text_width, which the
// browser test measures against the rendered texts), 0.8 of the font size
// above the baseline and 0.25 below.
// class="bg" (the Sun's disk, grid lines, orbits) may be covered by anything;
// the elements of one <g> (a label and its leader, a path with its disks) are
// not checked against each other, except that no two texts may overlap; a line
// of class="leader" may cross the lines of the drawing, nothing else.
#pragma once

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "picture/svg.hpp"
#include "test_support.hpp"

namespace r7::layout {

struct Rect {
    double x0, y0, x1, y1;
};

struct Item {
    enum Kind { text, mark, stroke } kind;
    Rect box;                              // text and mark; a stroke's bounding box
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // stroke
    int group = 0;
    bool background = false, leader = false;
    std::string what;              // the element, for messages
    double along0 = 0, along1 = 0; // text: its estimated extent along its baseline, before any turn
};

struct Figure {
    std::string title;
    double width = 0.0, height = 0.0;
    std::vector<Item> items;
};

using Points = std::vector<std::pair<double, double>>;

// The text of markup as the page escapes it (picture::escape).
inline std::string unescape(std::string s)
{
    for (const auto& [ref, c] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"},
                                 {"&#xFFFD;", "\uFFFD"}, {"&amp;", "&"}}) {
        for (auto at = s.find(ref); at != std::string::npos; at = s.find(ref, at + 1))
            s.replace(at, std::strlen(ref), c);
    }
    return s;
}

inline std::string attr(std::string_view tag, std::string_view name)
{
    const std::string key = " " + std::string(name) + "=\"";
    const auto a = tag.find(key);
    if (a == std::string_view::npos) return "";
    const auto b = tag.find('"', a + key.size());
    return std::string(tag.substr(a + key.size(), b - a - key.size()));
}

inline double num_attr(std::string_view tag, std::string_view name, double fallback = 0.0)
{
    const std::string v = attr(tag, name);
    return v.empty() ? fallback : std::atof(v.c_str());
}

// Half the stroke width of a style (0 without a stroke): how far a mark's outline reaches out.
inline double half_stroke(const std::string& style)
{
    const auto a = style.find("stroke:");
    if (a == std::string::npos || style.compare(a, 11, "stroke:none") == 0) return 0.0;
    const auto w = style.find("stroke-width:");
    return w == std::string::npos ? 0.5 : std::atof(style.c_str() + w + 13) / 2.0;
}

// The subpaths of a path's commands (M m L l H h V v Z z), each as its points.
inline std::vector<Points> subpaths(std::string d)
{
    std::replace(d.begin(), d.end(), ',', ' ');
    std::vector<Points> out;
    double x = 0, y = 0, sx = 0, sy = 0;
    char cmd = 0;
    const char* c = d.c_str();
    auto number = [&c](double from) {
        char* end = nullptr;
        const double v = std::strtod(c, &end);
        c = end;
        return from + v;
    };
    while (*(c += std::strspn(c, " ")) != '\0') {
        if (std::isalpha(static_cast<unsigned char>(*c))) cmd = *c++;
        const bool rel = std::islower(static_cast<unsigned char>(cmd)) != 0;
        const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(cmd)));
        if (up == 'M' || up == 'L' || up == 'H') x = number(rel ? x : 0.0);
        if (up == 'M' || up == 'L' || up == 'V') y = number(rel ? y : 0.0);
        if (up == 'M') {
            out.emplace_back();
            sx = x, sy = y, cmd = rel ? 'l' : 'L';
        } else if (up == 'Z') {
            x = sx, y = sy;
            continue;
        } else if (up == 0 || std::string_view("LHV").find(up) == std::string_view::npos) {
            return out; // a command this checker does not read
        }
        if (!out.empty()) out.back().emplace_back(x, y);
    }
    return out;
}

inline Rect bounds(const Points& pts, double grow)
{
    Rect r{1e300, 1e300, -1e300, -1e300};
    for (const auto& [x, y] : pts)
        r = {std::min(r.x0, x - grow), std::min(r.y0, y - grow), std::max(r.x1, x + grow), std::max(r.y1, y + grow)};
    return r;
}

// A text's pieces (tspans with their own weight, plain text between them):
// its width as the program estimates it and its content.
inline std::pair<double, std::string> text_extent(const std::string& inner, double size, bool bold)
{
    double w = 0.0;
    std::string content;
    for (std::size_t k = 0; k < inner.size();) {
        const bool span = inner.compare(k, 6, "<tspan") == 0;
        const auto from = span ? inner.find('>', k) + 1 : k;
        const auto to = span ? inner.find("</tspan>", from) : std::min(inner.find("<tspan", k), inner.size());
        const std::string piece = unescape(inner.substr(from, to - from));
        const bool b = bold || (span && attr(inner.substr(k, from - k), "style").find("font-weight:bold") != std::string::npos);
        w += picture::text_width(piece, size, b);
        content += piece;
        k = span ? to + 8 : to;
    }
    return {w, content};
}

// The figures of a page (or of one SVG file). Every tag is read in turn; those
// inside a text (its tspans) and the closing ones other than </g> are passed over.
inline std::vector<Figure> parse_figures(const std::string& page)
{
    std::vector<Figure> figures;
    for (auto at = page.find("<svg"); at != std::string::npos; at = page.find("<svg", at + 4)) {
        const std::string svg = page.substr(at, page.find("</svg>", at) - at);
        Figure& f = figures.emplace_back();
        const std::string head = svg.substr(0, svg.find('>'));
        f.width = num_attr(head, "width");
        f.height = num_attr(head, "height");
        int next_group = 1, group = 0;
        for (auto i = svg.find('<', 1); i != std::string::npos; i = svg.find('<', i + 1)) {
            const auto close = svg.find('>', i);
            const std::string tag = svg.substr(i, close - i + 1);
            const std::string name = tag.substr(1, tag.find_first_of(" />", 1) - 1);
            const std::string cls = attr(tag, "class"), style = attr(tag, "style");
            const double s = half_stroke(style);
            const int g = group != 0 ? group : next_group++;
            const std::string what = tag.size() > 140 ? tag.substr(0, 140) + "...>" : tag;
            auto add_mark = [&](Rect r) { f.items.push_back({Item::mark, r, 0, 0, 0, 0, g, cls == "bg", false, what}); };
            auto add_stroke = [&](double x1, double y1, double x2, double y2) {
                const Rect r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
                f.items.push_back({Item::stroke, r, x1, y1, x2, y2, g, cls == "bg", cls == "leader", what});
            };
            if (name == "g") {
                group = next_group++;
            } else if (name == "/g") {
                group = 0;
            } else if (name == "title") {
                f.title = svg.substr(close + 1, svg.find('<', close) - close - 1);
            } else if (name == "rect" && attr(tag, "width") != "100%") {
                const double x = num_attr(tag, "x"), y = num_attr(tag, "y");
                add_mark({x - s, y - s, x + num_attr(tag, "width") + s, y + num_attr(tag, "height") + s});
            } else if (name == "circle") {
                const double cx = num_attr(tag, "cx"), cy = num_attr(tag, "cy"), r = num_attr(tag, "r") + s;
                add_mark({cx - r, cy - r, cx + r, cy + r});
            } else if (name == "line") {
                add_stroke(num_attr(tag, "x1"), num_attr(tag, "y1"), num_attr(tag, "x2"), num_attr(tag, "y2"));
            } else if (name == "path" || name == "polygon") { // a polygon's points read as one path
                for (const auto& sp : subpaths(name == "path" ? attr(tag, "d") : "M" + attr(tag, "points")))
                    add_mark(bounds(sp, s));
            } else if (name == "polyline") {
                for (const Points& pts : subpaths("M" + attr(tag, "points"))) {
                    for (std::size_t k = 1; k < pts.size(); ++k)
                        add_stroke(pts[k - 1].first, pts[k - 1].second, pts[k].first, pts[k].second);
                }
            } else if (name == "text") {
                const double size = num_attr(tag, "font-size", 11.0), x = num_attr(tag, "x"), y = num_attr(tag, "y");
                const auto [w, content] = text_extent(svg.substr(close + 1, svg.find("</text>", close) - close - 1), size,
                                                      style.find("font-weight:bold") != std::string::npos);
                const std::string anchor = attr(tag, "text-anchor");
                const double x0 = anchor == "middle" ? x - w / 2.0 : anchor == "end" ? x - w : x;
                Rect r{x0, y - 0.8 * size, x0 + w, y + 0.25 * size};
                // A text turned by a quarter to the left about (cx, cy) (the charts' y axis label).
                double cx = 0, cy = 0;
                if (std::sscanf(attr(tag, "transform").c_str(), "rotate(-90 %lf %lf", &cx, &cy) == 2)
                    r = {cx - cy + r.y0, cy + cx - r.x1, cx - cy + r.y1, cy + cx - r.x0};
                f.items.push_back({Item::text, r, 0, 0, 0, 0, g, false, false, "text \"" + content + "\"", x0, x0 + w});
            }
        }
    }
    return figures;
}

inline bool rects_overlap(const Rect& a, const Rect& b, double tol)
{
    return std::min(a.x1, b.x1) - std::max(a.x0, b.x0) > tol && std::min(a.y1, b.y1) - std::max(a.y0, b.y0) > tol;
}

// Whether the segment from (x1, y1) to (x2, y2) meets the box (Liang-Barsky clipping).
inline bool segment_meets(const Rect& b, double x1, double y1, double x2, double y2)
{
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {x1 - x2, x2 - x1, y1 - y2, y2 - y1};
    const double q[4] = {x1 - b.x0, b.x1 - x1, y1 - b.y0, b.y1 - y1};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0 && q[k] < 0.0) return false;
        if (p[k] < 0.0) t0 = std::max(t0, q[k] / p[k]);
        if (p[k] > 0.0) t1 = std::min(t1, q[k] / p[k]);
        if (t0 > t1) return false;
    }
    return true;
}

// Whether two segments cross: the ends of each lie more than tol on either side of the other's line.
inline bool segments_cross(const Item& a, const Item& b, double tol)
{
    auto side = [](const Item& l, double x, double y) {
        return ((l.x2 - l.x1) * (y - l.y1) - (l.y2 - l.y1) * (x - l.x1)) / std::hypot(l.x2 - l.x1, l.y2 - l.y1);
    };
    return side(b, a.x1, a.y1) * side(b, a.x2, a.y2) < -tol * tol && side(a, b.x1, b.y1) * side(a, b.x2, b.y2) < -tol * tol;
}

// The faults of a figure, one line each.
inline std::vector<std::string> faults(const Figure& f)
{
    constexpr double tol = 0.5;
    std::vector<std::string> out;
    for (const Item& it : f.items) {
        if (it.box.x0 < -tol || it.box.y0 < -tol || it.box.x1 > f.width + tol || it.box.y1 > f.height + tol)
            out.push_back("outside the view box: " + it.what);
    }
    for (std::size_t i = 0; i < f.items.size(); ++i) {
        for (std::size_t j = i + 1; j < f.items.size(); ++j) {
            const Item &a = f.items[i], &b = f.items[j];
            // Background is never in the way; within a group only two texts are.
            if (a.background || b.background || (a.group == b.group && (a.kind != Item::text || b.kind != Item::text)))
                continue;
            bool clash = false;
            if (a.kind != Item::stroke && b.kind != Item::stroke) {
                clash = rects_overlap(a.box, b.box, tol);
            } else if (a.kind == Item::stroke && b.kind == Item::stroke) {
                clash = a.leader == b.leader && segments_cross(a, b, tol);
            } else {
                const Item& s = a.kind == Item::stroke ? a : b;
                const Rect& o = (a.kind == Item::stroke ? b : a).box;
                clash = segment_meets({o.x0 + tol, o.y0 + tol, o.x1 - tol, o.y1 - tol}, s.x1, s.y1, s.x2, s.y2);
            }
            if (clash) out.push_back(a.what + "  <->  " + b.what);
        }
    }
    return out;
}

// A menu answer (with a site: the transits seen from there) and its number of figures.
struct PageCase {
    const char* answer;
    std::size_t figures;
    const char* site = "";
};

// The pages the layout test reads, the browser the first twelve: a diagram per
// transit up to 60 and a chart of all; with a site, a second diagram each.
inline const std::vector<PageCase> answer_pages{
    {"3", 1},   {"6", 2},    {"10", 2},   {"11", 41},  {"12", 10},  {"13", 2},
    {"20", 2},  {"21", 61},  {"170", 1},  {"391", 2},  {"-804", 61}, {"12", 20, "45.5,-73.58"},
    {"11", 82, "giza"}, {"21", 121, "-77.85,166.67"}, {"22", 64, "-18.14,178.44"}};

inline std::string case_name(const PageCase& c)
{
    std::string name =
        std::string("answer_") + (*c.answer == '-' ? "minus" : "") + c.answer + (*c.site ? "_site_" : "") + c.site;
    std::replace_if(name.begin(), name.end(), [](unsigned char ch) { return !std::isalnum(ch); }, '_');
    return name;
}

// Names the case in GoogleTest's messages.
inline void PrintTo(const PageCase& c, std::ostream* os) { *os << case_name(c); }

// Runs the answer in dir, which must be the current directory (out.html is written there).
inline test::RunResult run_page(const std::filesystem::path& dir, const PageCase& c)
{
    return *c.site ? test::run_shell(dir, "R7 " + std::string(c.answer) + " --site " + c.site + " </dev/null", 300)
                   : test::run_program(dir, std::string(c.answer) + "\n", 300);
}

} // namespace r7::layout
