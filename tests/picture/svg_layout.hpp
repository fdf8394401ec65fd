// A checker of figure layouts that reads nothing but the SVG markup: it takes
// the boxes of every text, mark and line of a figure and reports the texts and
// marks that overlap, the lines that cross a text or a mark, and anything
// outside the view box.
//
// Text boxes are estimated as conservatively as a renderer can draw them: per
// character the widest advance of DejaVu Sans and Liberation Sans in its class
// (the browser test measures the rendered texts against these boxes), 0.8 of
// the font size above the baseline and 0.25 below.
//
// What the markup says about roles: class="bg" marks background (the Sun's
// disk, grid lines, orbits, bases), which anything may cover; the elements of
// one <g> belong together (a label and its leader, a path with its disks) and
// are not checked against each other, except that no two texts may overlap
// anywhere. Each element outside a group is a group of its own. A line of
// class="leader" (from a label to its mark) may cross the lines of the
// drawing, not a text, a mark or another leader.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace r7::layout {

struct Rect {
    double x0, y0, x1, y1;
};

struct Item {
    enum Kind { text, mark, stroke } kind;
    Rect box;                      // text and mark; a stroke's bounding box
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // stroke
    int group = 0;
    bool background = false;
    bool leader = false;
    std::string what;              // the element, for messages
    double along0 = 0, along1 = 0; // text: its estimated extent along its baseline, before any turn
};

struct Figure {
    std::string title;
    double width = 0.0, height = 0.0;
    std::vector<Item> items;
};

// The characters' advances in units of the font size, by class (see the header).
inline double char_advance(char32_t c)
{
    if (c == 0xB0 || c == 0xB2 || c == 0xB7 || c == 0x2032 || c == 0x2033) return 0.52;
    if (c >= 0x80) return 1.0;
    const char a = static_cast<char>(c);
    if (std::string_view(" .,:;'`!|ijlI").find(a) != std::string_view::npos) return 0.34;
    if (std::string_view("ftr()[]{}/\\-\"*^").find(a) != std::string_view::npos) return 0.52;
    if (std::string_view("mwMW%@").find(a) != std::string_view::npos) return 1.0;
    if (a >= 'A' && a <= 'Z') return 0.8;
    if ((a >= 'a' && a <= 'z') || (a >= '0' && a <= '9')) return 0.64;
    return 0.84;
}

// Decodes the XML character references the page writes and measures the text.
inline double estimate_width(std::string_view s, double size, bool bold)
{
    double em = 0.0;
    for (std::size_t i = 0; i < s.size();) {
        char32_t c = 0;
        if (s[i] == '&') {
            const auto semi = s.find(';', i);
            const std::string_view ent = s.substr(i + 1, semi - i - 1);
            if (ent == "amp") c = '&';
            else if (ent == "lt") c = '<';
            else if (ent == "gt") c = '>';
            else if (ent == "quot") c = '"';
            else if (ent == "#39") c = '\'';
            else if (!ent.empty() && ent[0] == '#') c = static_cast<char32_t>(std::strtol(std::string(ent.substr(ent[1] == 'x' ? 2 : 1)).c_str(), nullptr, ent[1] == 'x' ? 16 : 10));
            i = semi + 1;
        } else {
            const auto b = static_cast<unsigned char>(s[i]);
            const std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : 4;
            c = n == 1 ? b : b & (0x7F >> n);
            for (std::size_t k = 1; k < n && i + k < s.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
            i += n;
        }
        em += char_advance(c);
    }
    return em * size * (bold ? 1.18 : 1.0);
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

inline double style_number(const std::string& style, std::string_view key, double fallback)
{
    const auto a = style.find(std::string(key) + ":");
    return a == std::string::npos ? fallback : std::atof(style.c_str() + a + key.size() + 1);
}

inline bool has_stroke(const std::string& style)
{
    const auto a = style.find("stroke:");
    return a != std::string::npos && style.compare(a, 11, "stroke:none") != 0;
}

// The subpaths of a path's commands (M m L l H h V v Z z), each as its points.
inline std::vector<std::vector<std::pair<double, double>>> subpaths(const std::string& d)
{
    std::vector<std::vector<std::pair<double, double>>> out;
    double x = 0, y = 0, sx = 0, sy = 0;
    char cmd = 0;
    std::size_t i = 0;
    auto number = [&]() {
        while (i < d.size() && (d[i] == ' ' || d[i] == ',')) ++i;
        char* end = nullptr;
        const double v = std::strtod(d.c_str() + i, &end);
        i = static_cast<std::size_t>(end - d.c_str());
        return v;
    };
    while (i < d.size()) {
        while (i < d.size() && (d[i] == ' ' || d[i] == ',')) ++i;
        if (i >= d.size()) break;
        if (std::isalpha(static_cast<unsigned char>(d[i]))) cmd = d[i++];
        switch (cmd) {
        case 'M': x = number(); y = number(); out.push_back({{x, y}}); sx = x; sy = y; cmd = 'L'; break;
        case 'm': x += number(); y += number(); out.push_back({{x, y}}); sx = x; sy = y; cmd = 'l'; break;
        case 'L': x = number(); y = number(); break;
        case 'l': x += number(); y += number(); break;
        case 'H': x = number(); break;
        case 'h': x += number(); break;
        case 'V': y = number(); break;
        case 'v': y += number(); break;
        case 'Z': case 'z': x = sx; y = sy; break;
        default: return out; // a command this checker does not read
        }
        if (cmd != 'Z' && cmd != 'z' && !out.empty()) out.back().emplace_back(x, y);
    }
    return out;
}

inline Rect bounds(const std::vector<std::pair<double, double>>& pts, double grow)
{
    Rect r{1e300, 1e300, -1e300, -1e300};
    for (const auto& [x, y] : pts) {
        r.x0 = std::min(r.x0, x - grow);
        r.y0 = std::min(r.y0, y - grow);
        r.x1 = std::max(r.x1, x + grow);
        r.y1 = std::max(r.y1, y + grow);
    }
    return r;
}

// The figures of a page (or of one SVG file).
inline std::vector<Figure> parse_figures(const std::string& page)
{
    std::vector<Figure> figures;
    for (auto at = page.find("<svg"); at != std::string::npos; at = page.find("<svg", at + 4)) {
        const auto end = page.find("</svg>", at);
        const std::string svg = page.substr(at, end - at);
        Figure f;
        const std::string head = svg.substr(0, svg.find('>'));
        f.width = num_attr(head, "width");
        f.height = num_attr(head, "height");
        int next_group = 1, group = 0;
        std::size_t i = svg.find('>') + 1;
        while ((i = svg.find('<', i)) != std::string::npos) {
            const auto close = svg.find('>', i);
            const std::string tag = svg.substr(i, close - i + 1);
            const std::string name = tag.substr(1, tag.find_first_of(" />", 1) - 1);
            const bool bg = attr(tag, "class") == "bg";
            const bool leader = attr(tag, "class") == "leader";
            const std::string style = attr(tag, "style");
            const int g = group != 0 ? group : next_group++;
            const std::string what = tag.size() > 140 ? tag.substr(0, 140) + "...>" : tag;
            auto add_mark = [&](Rect r) { f.items.push_back({Item::mark, r, 0, 0, 0, 0, g, bg, false, what}); };
            auto add_stroke = [&](double x1, double y1, double x2, double y2) {
                f.items.push_back({Item::stroke, {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)}, x1, y1, x2, y2, g, bg, leader, what});
            };
            if (name == "g") {
                group = next_group++;
            } else if (name == "/g") {
                group = 0;
            } else if (name == "title") {
                const auto e = svg.find("</title>", close);
                f.title = svg.substr(close + 1, e - close - 1);
                i = e;
            } else if (name == "rect") {
                if (attr(tag, "width") != "100%") {
                    const double x = num_attr(tag, "x"), y = num_attr(tag, "y");
                    const double s = has_stroke(style) ? style_number(style, "stroke-width", 1.0) / 2.0 : 0.0;
                    add_mark({x - s, y - s, x + num_attr(tag, "width") + s, y + num_attr(tag, "height") + s});
                }
            } else if (name == "circle") {
                const double s = has_stroke(style) ? style_number(style, "stroke-width", 1.0) / 2.0 : 0.0;
                const double cx = num_attr(tag, "cx"), cy = num_attr(tag, "cy"), r = num_attr(tag, "r") + s;
                add_mark({cx - r, cy - r, cx + r, cy + r});
            } else if (name == "line") {
                add_stroke(num_attr(tag, "x1"), num_attr(tag, "y1"), num_attr(tag, "x2"), num_attr(tag, "y2"));
            } else if (name == "polygon" || name == "polyline") {
                std::vector<std::pair<double, double>> pts;
                const std::string p = attr(tag, "points");
                const char* c = p.c_str();
                char* e = nullptr;
                for (;;) {
                    const double x = std::strtod(c, &e);
                    if (e == c) break;
                    c = e + (*e == ',' ? 1 : 0);
                    const double y = std::strtod(c, &e);
                    if (e == c) break;
                    c = e;
                    pts.emplace_back(x, y);
                }
                if (name == "polygon") {
                    add_mark(bounds(pts, has_stroke(style) ? style_number(style, "stroke-width", 1.0) / 2.0 : 0.0));
                } else {
                    for (std::size_t k = 1; k < pts.size(); ++k) add_stroke(pts[k - 1].first, pts[k - 1].second, pts[k].first, pts[k].second);
                }
            } else if (name == "path") {
                const double s = has_stroke(style) ? style_number(style, "stroke-width", 1.0) / 2.0 : 0.0;
                for (const auto& sp : subpaths(attr(tag, "d"))) add_mark(bounds(sp, s));
            } else if (name == "text") {
                const auto e = svg.find("</text>", close);
                const std::string inner = svg.substr(close + 1, e - close - 1);
                const double size = num_attr(tag, "font-size", 11.0);
                const bool bold = style.find("font-weight:bold") != std::string::npos;
                // The pieces: tspans with their own weight, plain text between them.
                double w = 0.0;
                std::string content;
                for (std::size_t k = 0; k < inner.size();) {
                    if (inner.compare(k, 6, "<tspan") == 0) {
                        const auto te = inner.find('>', k);
                        const auto tc = inner.find("</tspan>", te);
                        const std::string piece = inner.substr(te + 1, tc - te - 1);
                        const bool b = attr(inner.substr(k, te - k + 1), "style").find("font-weight:bold") != std::string::npos;
                        w += estimate_width(piece, size, b || bold);
                        content += piece;
                        k = tc + 8;
                    } else {
                        const auto next = std::min(inner.find("<tspan", k), inner.size());
                        w += estimate_width(inner.substr(k, next - k), size, bold);
                        content += inner.substr(k, next - k);
                        k = next;
                    }
                }
                const double x = num_attr(tag, "x"), y = num_attr(tag, "y");
                const std::string anchor = attr(tag, "text-anchor");
                const double x0 = anchor == "middle" ? x - w / 2.0 : anchor == "end" ? x - w : x;
                Rect r{x0, y - 0.8 * size, x0 + w, y + 0.25 * size};
                // A text turned by a quarter about (cx, cy) (the charts' y axis label).
                const std::string tf = attr(tag, "transform");
                if (tf.rfind("rotate(-90", 0) == 0 || tf.rfind("rotate(90", 0) == 0) {
                    double cx = 0, cy = 0;
                    std::sscanf(tf.c_str() + tf.find(' '), "%lf %lf", &cx, &cy);
                    const bool neg = tf.rfind("rotate(-90", 0) == 0;
                    auto turn = [&](double px, double py) {
                        const double dx = px - cx, dy = py - cy;
                        return neg ? std::pair<double, double>{cx + dy, cy - dx} : std::pair<double, double>{cx - dy, cy + dx};
                    };
                    r = bounds({turn(r.x0, r.y0), turn(r.x1, r.y1)}, 0.0);
                }
                f.items.push_back({Item::text, r, 0, 0, 0, 0, g, false, false, "text \"" + content + "\"", x0, x0 + w});
                i = e;
            }
            i = close + 1;
        }
        figures.push_back(std::move(f));
        at = end;
    }
    return figures;
}

inline bool rects_overlap(const Rect& a, const Rect& b, double tol)
{
    return std::min(a.x1, b.x1) - std::max(a.x0, b.x0) > tol && std::min(a.y1, b.y1) - std::max(a.y0, b.y0) > tol;
}

inline bool segment_meets(const Rect& b, double x1, double y1, double x2, double y2)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - b.x0, b.x1 - x1, y1 - b.y0, b.y1 - y1};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0) t0 = std::max(t0, t); else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

// Whether two segments cross (touching ends within tol do not count).
inline bool segments_cross(const Item& a, const Item& b, double tol)
{
    auto side = [](double ax, double ay, double bx, double by, double cx, double cy) {
        return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
    };
    const double d1 = side(b.x1, b.y1, b.x2, b.y2, a.x1, a.y1), d2 = side(b.x1, b.y1, b.x2, b.y2, a.x2, a.y2);
    const double d3 = side(a.x1, a.y1, a.x2, a.y2, b.x1, b.y1), d4 = side(a.x1, a.y1, a.x2, a.y2, b.x2, b.y2);
    const double la = std::hypot(a.x2 - a.x1, a.y2 - a.y1), lb = std::hypot(b.x2 - b.x1, b.y2 - b.y1);
    // Signed distances of the ends from the other line.
    return d1 / lb * d2 / lb < -tol * tol && d3 / la * d4 / la < -tol * tol;
}

inline Rect shrunk(const Rect& r, double d) { return {r.x0 + d, r.y0 + d, r.x1 - d, r.y1 - d}; }

// The faults of a figure, one line each.
inline std::vector<std::string> faults(const Figure& f)
{
    constexpr double tol = 0.5;
    std::vector<std::string> out;
    for (const Item& it : f.items) {
        if (it.box.x0 < -tol || it.box.y0 < -tol || it.box.x1 > f.width + tol || it.box.y1 > f.height + tol) {
            out.push_back("outside the view box: " + it.what);
        }
    }
    for (std::size_t i = 0; i < f.items.size(); ++i) {
        const Item& a = f.items[i];
        if (a.background) continue;
        for (std::size_t j = i + 1; j < f.items.size(); ++j) {
            const Item& b = f.items[j];
            if (b.background) continue;
            bool clash = false;
            if (a.kind == Item::text && b.kind == Item::text) {
                clash = rects_overlap(a.box, b.box, tol);
            } else if (a.group == b.group) {
                continue;
            } else if (a.kind != Item::stroke && b.kind != Item::stroke) {
                clash = rects_overlap(a.box, b.box, tol);
            } else if (a.kind == Item::stroke && b.kind == Item::stroke) {
                clash = (a.leader == b.leader) && segments_cross(a, b, tol);
            } else {
                const Item& s = a.kind == Item::stroke ? a : b;
                const Item& o = a.kind == Item::stroke ? b : a;
                clash = segment_meets(shrunk(o.box, tol), s.x1, s.y1, s.x2, s.y2);
            }
            if (clash) out.push_back(a.what + "  <->  " + b.what);
        }
    }
    return out;
}

} // namespace r7::layout
